#pragma once

#include <QDialog>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "ui/BCMenu.h"
#include "ui/CaptionPainter.h"
#include "ui/DesktopShell.h"
#include "ui/DialogInputPrompt.h"
#include "ui/DialogUrlPrompt.h"
#include "ui/GradientCaption.h"
#include "ui/MessageBoxService.h"
#include "ui/OptionServices.h"
#include "ui/SelectFolder.h"
#include "ui/WindowOptions.h"

class CFindlarkApp;
class QAction;
class QMenuBar;
class QToolBar;
class RunControl;
class WindowRunView;
struct GeneratorInputs;

namespace Ui {
class CMainDialog;
}

// The main window: the menu and toolbar through which every command enters, the page list in which
// the indexing run shows each page, the status lines and the Stop and Go buttons.
class CMainDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kIndexFolderTitle =
        "Select the folder that include files you want to index for making a search engine:";
    static constexpr const char* kUrlSaveFailure = "Unable to Save URL Settings in file  %s";
    static constexpr const char* kErrorCaption = "Error";
    static constexpr const char* kCloseDuringRun =
        "Indexing is still in progress.\nStop it and close Findlark?";
    // The window menu's item after its separator, and the command it sends.
    static constexpr const char* kAboutMenuText = "&About Findlark...";
    static constexpr int kAboutCommand = 16;
    static constexpr const char* kMailFailure =
        "Send mail failure!\nNo mail program or no default mail program on your operation system!!";

    // The Stop and Go buttons' colours: background, text, disabled text, and their bevel width. White on
    // the blue is 4.0:1; the disabled grey on the faded face is 3.2:1, readable without looking pressable.
    static inline const QColor kButtonBackground{16, 130, 214};
    static inline const QColor kButtonText{255, 255, 255};
    static inline const QColor kButtonDisabledText{104, 112, 120};
    static constexpr unsigned kButtonBevel = 2;

    explicit CMainDialog(CFindlarkApp& app, const WindowOptions& options = {}, QWidget* parent = nullptr);
    ~CMainDialog() override;

    // The services commands use: message boxes, the desktop shell, the input dialog, the website
    // address dialog, the folder browser. Tests put their own in place.
    void setMessageService(MessageService& messages);
    void setShell(Shell& shell);
    void setInputPrompt(InputPrompt& prompt);
    void setUrlPrompt(UrlPrompt& prompt);
    FolderBrowser folderBrowser = BrowseWithFolderDialog;
    // Asked before the window closes while a run is active; true lets it close (the run is stopped).
    std::function<bool(QWidget* owner, const std::string& question)> confirmClose;
    // The dialogs the options sheet and the option-profile dialog use besides the services above.
    OptionServices optionServices;

    // The action of a command (CommandIds), or null for a number the window does not know.
    QAction* commandAction(int id) const;
    RunControl& runControl() { return *m_runControl; }
    WindowRunView& runView() { return *m_runView; }
    // The current profile's name, " - ", the application title.
    QString captionText() const;
    // The painted caption and the owner-drawn menu; the caption is hooked only while the window draws
    // its own.
    const CCaptionPainter& captionPainter() const { return m_captionPainter; }
    const BCMenu& menu() const { return *m_menu; }
    // The address Support Email opens.
    static std::string supportMailAddress();

    // Every way out (Exit, the close box, Alt+F4) ends here: during a run the user is asked first, and a
    // running job is stopped and writes its trailer before the window goes.
    void done(int result) override;
    // A command of the window menu: the About item; the standard ones are the caption painter's.
    void OnSysCommand(int command);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setUpWindow();
    void installCaption(const WindowOptions& options);
    void createCommands();
    void createMenu();
    void createToolBar();
    void setUpPageList();
    void fitTextControls();
    void createRunControl();
    void setInitialSize();
    void placeOnScreen();
    void applyLayout();
    void onCommand(int id);

    void onIndexFolder();
    void onIndexWebsite();
    void onMakeSearchFile();
    void onRunSearchFile();
    void onHelpContents();
    void onSupportHomepage();
    void onSupportEmail();
    void onAbout();
    void onEditActiveOption();
    void onSelectActiveOption();
    OptionServices currentOptionServices() const;
    GeneratorInputs generatorInputs();

    CFindlarkApp& m_app;
    std::unique_ptr<Ui::CMainDialog> m_ui;
    QMenuBar* m_menuBar = nullptr;
    std::unique_ptr<BCMenu> m_menu;
    CCaptionPainter m_captionPainter;
    GradientCaption m_gradientCaption;
    QToolBar* m_toolBar = nullptr;
    std::map<int, QAction*> m_actions;

    MessageBoxService m_messageBoxes;
    DesktopShell m_desktopShell;
    DialogInputPrompt m_inputDialog;
    DialogUrlPrompt m_urlDialog;
    MessageService* m_messages = &m_messageBoxes;
    Shell* m_shell = &m_desktopShell;
    InputPrompt* m_prompt = &m_inputDialog;
    UrlPrompt* m_urlPrompt = &m_urlDialog;

    // The run control goes first at destruction: it waits for a stopping job, which still reports
    // through the view and the controls.
    std::unique_ptr<WindowRunView> m_runView;
    std::unique_ptr<RunControl> m_runControl;
    bool m_closing = false;
};
