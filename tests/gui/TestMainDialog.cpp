#include <QAction>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QUrlQuery>
#include <QtTest/QTest>

#include "GuiTestSupport.h"
#include "app/ProductInfo.h"
#include "ui/AboutDialog.h"
#include "ui/DialogInputPrompt.h"

using namespace guitest;

namespace {

// A menu or toolbar as one line: texts joined by "|", separators as "-".
QString describe(const QList<QAction*>& actions, bool iconTexts) {
    QStringList parts;
    for (QAction* action : actions)
        parts << (action->isSeparator() ? QStringLiteral("-")
                  : iconTexts           ? action->iconText()
                                        : action->text());
    return parts.join(QLatin1Char('|'));
}

} // namespace

using MainDialog = MainWindowTest;

TEST_F(MainDialog, StartsReadyWithNothingToStopOrRepeat) {
    EXPECT_EQ(dialog->windowTitle().toStdString(), "YourSiteName1 - " + app.applicationTitle);
    EXPECT_EQ(labelText("statusText"), "Ready");
    EXPECT_EQ(labelText("connectionText"), "");
    EXPECT_EQ(labelText("currentItem").toStdString(), ProductInfo::kWebAddress);
    EXPECT_EQ(labelText("threadCountText"), "Thread ID");
    EXPECT_TRUE(control("threadCountText")->isHidden());
    for (int id : {CommandIds::Stop, CommandIds::Go})
        EXPECT_FALSE(dialog->commandAction(id)->isEnabled()) << id;
    EXPECT_FALSE(control("stopButton")->isEnabled());
    EXPECT_FALSE(control("goButton")->isEnabled());

    QTreeWidget* list = pageList();
    EXPECT_FALSE(list->rootIsDecorated());
    ASSERT_EQ(list->columnCount(), 2);
    EXPECT_EQ(list->headerItem()->text(0), "Page");
    EXPECT_EQ(list->headerItem()->text(1), "Status");
    EXPECT_EQ(list->columnWidth(0), 380);
    EXPECT_EQ(list->columnWidth(1), 80);
    EXPECT_EQ(list->palette().color(QPalette::Base), QColor(Qt::white));
    EXPECT_EQ(dialog->palette().color(QPalette::Window), QColor(240, 240, 240));
}

TEST_F(MainDialog, MenusAndToolbarFollowTheCommandTable) {
    auto* menuBar = dialog->findChild<QMenuBar*>("menuBar");
    ASSERT_NE(menuBar, nullptr);
    QStringList popups;
    for (QAction* popup : menuBar->actions())
        popups << popup->text() + ": " + describe(popup->menu()->actions(), false);
    EXPECT_EQ(
        popups,
        QStringList({"&Index: &Index Folder|Index &Website|-|&Make Search File...|&Run Search File|-|&Exit",
                     "&Tools: &Select Active Option|&Edit Active Option",
                     "&Help: &Contents|-|Support &Homepage|Support &Email |-|&About Findlark"}));

    auto* toolBar = dialog->findChild<QToolBar*>("toolBar");
    EXPECT_EQ(describe(toolBar->actions(), true), "Folder|Web|-|Make|Run|-|Option|-|Help");
    EXPECT_EQ(toolBar->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    for (QAction* action : toolBar->actions()) {
        if (action->isSeparator())
            continue;
        QWidget* button = toolBar->widgetForAction(action);
        EXPECT_GE(button->width(), 42) << action->iconText().toStdString();
        EXPECT_GE(button->height(), 38) << action->iconText().toStdString();
        EXPECT_FALSE(action->icon().isNull()) << action->iconText().toStdString();
    }

    // Every action carries its command number; the prompts give status and tool tips.
    QAction* indexFolder = dialog->commandAction(CommandIds::IndexFolder);
    EXPECT_EQ(indexFolder->data().toInt(), CommandIds::IndexFolder);
    EXPECT_EQ(indexFolder->statusTip(), "Select a folder to index then you can upload it to Internet.");
    EXPECT_EQ(indexFolder->toolTip(), "Index Folder");
    EXPECT_EQ(dialog->commandAction(CommandIds::MakeSearchFile)->toolTip(), "Make search file");
    EXPECT_TRUE(dialog->commandAction(CommandIds::IndexWebsite)->isEnabled());
    for (int id : {CommandIds::SelectActiveOption, CommandIds::EditActiveOption})
        EXPECT_TRUE(dialog->commandAction(id)->isEnabled()) << id;
}

TEST_F(MainDialog, HelpAndSupportOpenThroughTheShell) {
    trigger(CommandIds::HelpContents);
    trigger(CommandIds::SupportHomepage);
    trigger(CommandIds::SupportEmail);
    ASSERT_EQ(shell.opened.size(), 3u);
    EXPECT_EQ(shell.opened[0], program.folder() + "/Help/index.html");
    EXPECT_EQ(shell.opened[1], ProductInfo::kWebAddress);
    const QUrl mail(QString::fromStdString(shell.opened[2]));
    EXPECT_EQ(mail.scheme(), "mailto");
    EXPECT_EQ(mail.path().toStdString(), ProductInfo::kSupportEmail);
    const QUrlQuery query(mail);
    EXPECT_TRUE(query.queryItemValue("subject", QUrl::FullyDecoded).contains(ProductInfo::kTitle));
    EXPECT_TRUE(query.queryItemValue("body", QUrl::FullyDecoded).contains(ProductInfo::kTitle));
    EXPECT_TRUE(messages.messages().empty());

    // Without a mail program the shell refuses, and the user is told.
    shell.result = false;
    trigger(CommandIds::SupportEmail);
    EXPECT_EQ(messages.messages(), std::vector<std::string>{CMainDialog::kMailFailure});
}

TEST_F(MainDialog, HelpPageIsBuiltBesideTheProgram) {
    const std::string help =
        testsupport::readFile(fs::path(testsupport::buildProgramDir()) / "Help" / "index.html");
    EXPECT_NE(help.find("<meta charset=\"utf-8\">"), std::string::npos);
    for (const char* topic :
         {"ScriptType", "UseLinksType", "IndexStrategy", "MatchingStrategy", "&lt;%CONTENT%&gt;",
          "findlark index-folder", "findlark.conf", "Urls.log", "UseThreadNum"})
        EXPECT_NE(help.find(topic), std::string::npos) << topic;
}

TEST_F(MainDialog, AboutBoxShowsTheProductAndOpensItsLinks) {
    QString caption;
    QStringList texts;
    QStringList clipped;
    answerNextModal([&](QWidget* box) {
        caption = box->windowTitle();
        box->grab().save(QStringLiteral(FINDLARK_TEST_OUTPUT_DIR "/aboutbox.png"));
        for (QLabel* label : box->findChildren<QLabel*>()) {
            texts << label->text();
            if (!label->wordWrap() && label->sizeHint().width() > label->width())
                clipped << label->text();
        }
        // A click on each link's first letters.
        for (const char* name : {"webLink", "mailLink"}) {
            QLabel* link = box->findChild<QLabel*>(name);
            QTest::mouseClick(link, Qt::LeftButton, {},
                              QPoint(link->contentsRect().left() + 4, link->height() / 2));
        }
        box->findChild<QPushButton*>("okButton")->click();
    });
    trigger(CommandIds::About);
    EXPECT_EQ(caption, "About Findlark");
    EXPECT_TRUE(clipped.isEmpty()) << clipped.join(", ").toStdString();
    EXPECT_TRUE(texts.contains(QString::fromStdString(app.applicationTitle)));
    EXPECT_TRUE(texts.contains("Welcome to our websit to check new version and get other products. "));
    EXPECT_TRUE(texts.filter(ProductInfo::kSupportEmail).size() == 1);
    EXPECT_EQ(shell.opened, (std::vector<std::string>{ProductInfo::kWebAddress,
                                                      std::string("mailto:") + ProductInfo::kSupportEmail}));
}

TEST_F(MainDialog, InputDialogShowsTheCallersTextsAndReturnsWhatWasTyped) {
    DialogInputPrompt input(dialog.get());
    QStringList shown;
    answerNextModal([&](QWidget* box) {
        box->grab().save(QStringLiteral(FINDLARK_TEST_OUTPUT_DIR "/inputbox.png"));
        shown << box->windowTitle();
        for (QLabel* label : box->findChildren<QLabel*>())
            shown << label->text();
        auto* edit = box->findChild<QLineEdit*>();
        shown << edit->text();
        edit->setText("http://intranet/search/search.asp");
        QTest::keyClick(edit, Qt::Key_Return);
    });
    const auto typed = input.ask("Input URL to run", "URL:", "The hint.", "http://localhost/");
    EXPECT_EQ(shown, QStringList({"Input URL to run", "URL:", "The hint.", "http://localhost/"}));
    EXPECT_EQ(typed, std::optional<std::string>("http://intranet/search/search.asp"));

    answerNextModal([](QWidget* box) {
        box->findChild<QLineEdit*>()->setText("not taken");
        QTest::keyClick(box, Qt::Key_Escape);
    });
    EXPECT_EQ(input.ask("Input", "Input:", "", ""), std::nullopt);
}

TEST_F(MainDialog, BundledIconsRenderAtListAndToolbarSizes) {
    LoadFindlarkResources();
    std::vector<const char*> icons = {IconPaths::Application, IconPaths::Folder, IconPaths::Web,
                                      IconPaths::Make,        IconPaths::Run,    IconPaths::Option,
                                      IconPaths::Help};
    icons.insert(icons.end(), std::begin(IconPaths::PageStatus), std::end(IconPaths::PageStatus));
    for (const char* path : icons) {
        const QImage image = QIcon(path).pixmap(16, 16).toImage();
        ASSERT_FALSE(image.isNull()) << path;
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                opaque += qAlpha(image.pixel(x, y)) > 128;
        EXPECT_GT(opaque, 16) << path; // a drawing, not an empty or broken image
    }
}

TEST_F(MainDialog, UrlHistorySaveFailureIsAnError) {
    // A folder where the history file should be: the file cannot be written.
    fs::create_directory(app.paths.urlHistoryPath);
    // The window's own message boxes, not the fixture's recorder.
    CMainDialog window(app);
    window.setUrlPrompt(urlPrompt);
    urlPrompt.answer = std::string(); // an empty address starts nothing
    QString caption;
    QString text;
    answerNextModal([&](QWidget* modal) {
        caption = modal->windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            text = box->text();
        modal->close();
    });
    window.commandAction(CommandIds::IndexWebsite)->trigger();
    EXPECT_EQ(caption, "Error");
    EXPECT_EQ(text.toStdString(), "Unable to Save URL Settings in file  " + app.paths.urlHistoryPath);
}
