#include <QMenuBar>
#include <QPushButton>
#include <QtTest/QTest>

#include "GuiTestSupport.h"
#include "ui/MainWindowSession.h"

using namespace guitest;

namespace {

enum class WayOut { Exit, CloseBox, AltF4 };

struct Closing {
    WayOut way;
    int result;
    const char* name;
};

// Names the case in test listings.
void PrintTo(const Closing& closing, std::ostream* out) {
    *out << closing.name;
}

void leave(CMainDialog& window, WayOut way) {
    QWidget* list = window.findChild<QWidget*>("pageList");
    switch (way) {
    case WayOut::Exit:
        window.commandAction(CommandIds::Exit)->trigger();
        break;
    case WayOut::CloseBox:
        window.close();
        break;
    case WayOut::AltF4:
        QTest::keyClick(list, Qt::Key_F4, Qt::AltModifier);
        break;
    }
}

// The program's life with the window, as main() runs it, on a program folder and settings file of the
// fixture's; `whileRunning` acts on the window once its modal run has begun.
class MainWindowSession : public MainWindowTest {
protected:
    int run(const std::function<void(CMainDialog&)>& whileRunning) {
        CFindlarkApp session;
        int result = -1;
        RunMainWindow(session, program.folder(), SettingsStore::atFile(settingsPath()),
                      [&](CMainDialog& window) {
                          session.settings.profile = app.settings.profile; // the fixture's JavaScript profile
                          injectServices(window);
                          QObject::connect(&window, &QDialog::finished, [&](int code) { result = code; });
                          QTimer::singleShot(0, &window, [&window, whileRunning] { whileRunning(window); });
                      });
        return result;
    }
    std::string savedString(const std::string& section, const std::string& key) const {
        return SettingsStore::atFile(settingsPath())->getString(section, key, "<missing>");
    }
};

class EveryWayOut : public MainWindowSession, public ::testing::WithParamInterface<Closing> {};

} // namespace

TEST_P(EveryWayOut, SavesTheSettings) {
    site.write("a.htm", "<title>A</title>");
    nextFolder = site.str();
    const int result = run([this](CMainDialog& window) {
        window.commandAction(CommandIds::IndexFolder)->trigger();
        window.runControl().waitForJob();
        leave(window, GetParam().way);
    });
    EXPECT_EQ(result, GetParam().result);
    // Index Folder changed the remembered folder in memory only; leaving the window wrote it out.
    EXPECT_EQ(savedString("Customize", "AddFolderInitPath"), site.str() + "/");
    EXPECT_EQ(savedString("Option1", "OptionName"), "YourSiteName1");
    EXPECT_TRUE(closeQuestions.empty()); // no run, no question
}

TEST_F(MainWindowSession, EnterAndEscapeLeaveTheWindowOpen) {
    QStringList seen;
    const int result = run([&](CMainDialog& window) {
        QApplication::setActiveWindow(&window);
        QWidget* list = window.findChild<QWidget*>("pageList");
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            QTest::keyClick(list, key);
            QTest::keyClick(&window, key);
            seen << (window.isVisible() ? "open" : "closed");
        }
        window.commandAction(CommandIds::Exit)->trigger();
    });
    EXPECT_EQ(seen, QStringList({"open", "open", "open"}));
    EXPECT_EQ(result, QDialog::Accepted);
}

INSTANTIATE_TEST_SUITE_P(MainWindow, EveryWayOut,
                         ::testing::Values(Closing{WayOut::Exit, QDialog::Accepted, "Exit"},
                                           Closing{WayOut::CloseBox, QDialog::Rejected, "CloseBox"},
                                           Closing{WayOut::AltF4, QDialog::Rejected, "AltF4"}),
                         [](const ::testing::TestParamInfo<Closing>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(MainWindowSession, ClosingDuringARunAsksThenStopsTheJobAfterItsTrailer) {
    nextFolder = makeLargeSite(3000);
    int rowsAtClose = 0;
    run([&](CMainDialog& window) {
        window.commandAction(CommandIds::IndexFolder)->trigger();
        auto* list = window.findChild<QTreeWidget*>("pageList");
        pumpUntil([list] { return list->topLevelItemCount() >= 5; });
        // No: the window stays and the run goes on.
        closeAnswer = false;
        window.close();
        EXPECT_TRUE(window.isVisible());
        EXPECT_FALSE(window.runControl().jobEnded());
        closeAnswer = true;
        window.commandAction(CommandIds::Exit)->trigger();
        rowsAtClose = list->topLevelItemCount();
        EXPECT_TRUE(window.runControl().jobEnded());
        EXPECT_FALSE(window.isVisible());
    });
    EXPECT_EQ(closeQuestions, (std::vector<std::string>(2, CMainDialog::kCloseDuringRun)));
    const std::string data = indexData();
    const size_t trailer = data.rfind("fileNum=");
    ASSERT_NE(trailer, std::string::npos);
    const int records = std::stoi(data.substr(trailer + 8));
    EXPECT_EQ(records, rowsAtClose);
    EXPECT_LT(records, 3000);
    EXPECT_EQ(data.substr(data.size() - 1), ";");
    EXPECT_EQ(savedString("Customize", "AddFolderInitPath"), site.str() + "/");
}

TEST_F(MainWindowSession, KeyboardReachesTheMenusAndButtons) {
    site.write("a.htm", "a");
    nextFolder = site.str();
    QStringList seen;
    const int result = run([&](CMainDialog& window) {
        QApplication::setActiveWindow(&window);
        window.commandAction(CommandIds::IndexFolder)->trigger();
        window.runControl().waitForJob();
        auto* list = window.findChild<QTreeWidget*>("pageList");
        auto rerun = [&](const std::function<void()>& press) {
            list->clear();
            press();
            pumpUntil([list] { return list->topLevelItemCount() > 0; });
            window.runControl().waitForJob();
            seen << QString::number(list->topLevelItemCount());
        };
        // Alt+G presses Go (as a click the button shows first), which runs the folder again.
        rerun([&] { QTest::keyClick(&window, Qt::Key_G, Qt::AltModifier); });
        // Tab leads from the page list past the disabled Stop to Go, and Enter on Go presses it
        // instead of leaving the window.
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Tab);
        seen << QApplication::focusWidget()->objectName();
        rerun([&] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); });
        seen << (window.isVisible() ? "open" : "closed");
        // Alt+H opens the Help menu.
        auto* menuBar = window.findChild<QMenuBar*>("menuBar");
        QTest::keyClick(&window, Qt::Key_H, Qt::AltModifier);
        if (QMenu* menu = menuBar->activeAction() ? menuBar->activeAction()->menu() : nullptr) {
            seen << menu->title();
            menu->close();
        }
        window.commandAction(CommandIds::Exit)->trigger();
    });
    EXPECT_EQ(seen, QStringList({"1", "goButton", "1", "open", "&Help"}));
    EXPECT_EQ(result, QDialog::Accepted);
}
