#pragma once

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/FindlarkApp.h"
#include "app/InputPrompt.h"
#include "crawler/UrlHistory.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"
#include "run/RunControl.h"
#include "tests/support/TestDoubles.h"
#include "tests/support/TestSupport.h"
#include "ui/MainDialog.h"
#include "ui/ResourceIds.h"
#include "ui/UrlPrompt.h"
#include "ui/WindowRunView.h"

namespace guitest {

namespace fs = std::filesystem;

using testsupport::RecordingShell;
using RecordingPrompt = testsupport::ScriptedPrompt;

// Stands in for the website address dialog: remembers the history it was shown and answers with
// `answer`, putting it on top of the history as the dialog's OK does; nothing is Cancel.
class ScriptedUrlPrompt : public UrlPrompt {
public:
    std::optional<std::string> ask(UrlHistory& history) override {
        shown.push_back(history);
        if (answer)
            RememberAddress(history, *answer);
        return answer;
    }
    std::optional<std::string> answer;
    std::vector<UrlHistory> shown;
};

// Handles events until the condition holds. Every condition used here changes only through events the
// job sends to the window, so waiting for the next event never misses it.
inline void pumpUntil(const std::function<bool()>& condition) {
    while (!condition())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

// Runs `answer` on the next modal window that opens (a box opened by a command under test), so no test
// waits on a box nobody answers.
inline void answerNextModal(const std::function<void(QWidget*)>& answer) {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [poll, answer] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            answer(modal);
        }
    });
    poll->start(5);
}

// A program folder with the support files and the built-in templates, settings in a file of its own,
// the application object started on them, and the main window with recording services.
class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() {
        copySupportFiles(program.path());
        app.InitInstance(program.folder(), SettingsStore::atFile(settingsPath()));
        ProfileSettings& profile = app.settings.profile;
        profile.ScriptType = ScriptTypes::JavaScript;
        profile.SelTemplateName = "Simple";
        profile.OutputPath = output.str() + "/";
        dialog = std::make_unique<CMainDialog>(app);
        injectServices(*dialog);
    }

    static void copySupportFiles(const fs::path& folder) {
        const fs::path built = testsupport::buildProgramDir();
        fs::copy_file(built / "SearchFunc.dat", folder / "SearchFunc.dat",
                      fs::copy_options::overwrite_existing);
        fs::copy(built / "Template", folder / "Template",
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }

    void injectServices(CMainDialog& window) {
        window.setMessageService(messages);
        window.setShell(shell);
        window.setInputPrompt(prompt);
        window.setUrlPrompt(urlPrompt);
        window.folderBrowser = [this](QWidget*, const std::string& title, const std::string& start) {
            browsed.push_back(title + "|" + start);
            return nextFolder;
        };
        window.confirmClose = [this](QWidget*, const std::string& question) {
            closeQuestions.push_back(question);
            return closeAnswer;
        };
    }

    std::string settingsPath() const { return program.str("findlark.conf"); }

    // The sample site, copied so that the test may change it.
    std::string copySampleSite() {
        fs::copy(fs::path(testsupport::sourceDir()) / "examples" / "site", site.path(),
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        return site.str();
    }
    // A folder of `count` small pages, for runs long enough to be stopped.
    std::string makeLargeSite(int count) {
        for (int i = 0; i < count; ++i)
            site.write("page" + std::to_string(100000 + i) + ".htm",
                       "<title>Page " + std::to_string(i) + "</title>");
        return site.str();
    }

    void trigger(int id) { dialog->commandAction(id)->trigger(); }
    void indexFolder(const std::string& folder) {
        nextFolder = folder;
        trigger(CommandIds::IndexFolder);
    }
    void waitForRun() { dialog->runControl().waitForJob(); }

    QTreeWidget* pageList() const { return dialog->findChild<QTreeWidget*>("pageList"); }
    QWidget* control(const char* name) const { return dialog->findChild<QWidget*>(name); }
    QString labelText(const char* name) const { return dialog->findChild<QLabel*>(name)->text(); }
    int rowCount() const { return pageList()->topLevelItemCount(); }
    std::string indexData() const { return testsupport::readFile(program.indexDataPath()); }

    testsupport::ProgramFolder program;
    testsupport::TempDir site;
    testsupport::TempDir output;
    CFindlarkApp app;
    testsupport::RecordingMessages messages;
    RecordingShell shell;
    RecordingPrompt prompt;
    ScriptedUrlPrompt urlPrompt;
    std::vector<std::string> browsed;
    std::string nextFolder;
    std::vector<std::string> closeQuestions;
    bool closeAnswer = true;
    std::unique_ptr<CMainDialog> dialog;
};

} // namespace guitest
