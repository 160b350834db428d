#include "ui/MainDialog.h"

#include <QAction>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QShortcut>
#include <QToolBar>
#include <QUrl>
#include <algorithm>

#include "app/FindlarkApp.h"
#include "app/ProductInfo.h"
#include "crawler/UrlHistory.h"
#include "publish/SearchCommands.h"
#include "run/RunControl.h"
#include "ui/AboutDialog.h"
#include "ui/ColorButton.h"
#include "ui/CommandTable.h"
#include "ui/MainWindowLayout.h"
#include "ui/MyPropertySheet.h"
#include "ui/ResourceIds.h"
#include "ui/SelectOptionDlg.h"
#include "ui/SystemMenu.h"
#include "ui/WindowRunView.h"
#include "ui_MainDialog.h"

namespace {

const QColor kBackground(240, 240, 240);
const QSize kClientSize(549, 457); // the dialog's 366 x 281 units in its 8-point font
const QSize kMinimumClientSize(440, 300);
const QSize kToolButtonSize(42, 38);
const QSize kToolIconSize(20, 20);
const int kPageColumnWidth = 380;
const int kStatusColumnWidth = 80;

bool askYesNo(QWidget* owner, const std::string& question) {
    return QMessageBox::question(owner, QString::fromUtf8(ProductInfo::kName), QString::fromUtf8(question),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

// The string table's prompt: a description, a newline, a short name.
QString promptPart(const char* prompt, int part) {
    if (!prompt)
        return {};
    const QStringList parts = QString::fromUtf8(prompt).split(QLatin1Char('\n'));
    return parts.value(part);
}

} // namespace

CMainDialog::CMainDialog(CFindlarkApp& app, const WindowOptions& options, QWidget* parent)
    : QDialog(parent), confirmClose(askYesNo), m_app(app), m_ui(std::make_unique<Ui::CMainDialog>()),
      m_messageBoxes(this), m_inputDialog(this), m_urlDialog(m_messageBoxes, this) {
    LoadFindlarkResources();
    m_ui->setupUi(this);
    setUpWindow();
    createCommands();
    createMenu();
    createToolBar();
    m_menu->LoadToolbar(m_toolBar);
    for (CColorButton* button : {m_ui->stopButton, m_ui->goButton})
        button->Attach(kButtonBackground, kButtonText, kButtonDisabledText, kButtonBevel);
    setUpPageList();
    fitTextControls();
    m_ui->currentItem->setText(QString::fromUtf8(ProductInfo::kWebAddress));
    createRunControl();
    installCaption(options);
    setInitialSize();
    m_ui->pageList->setFocus();
}

CMainDialog::~CMainDialog() = default;

void CMainDialog::setMessageService(MessageService& messages) {
    m_messages = &messages;
    m_runView->setMessageService(messages);
    m_urlDialog.setMessageService(messages);
}

void CMainDialog::setShell(Shell& shell) {
    m_shell = &shell;
}

void CMainDialog::setInputPrompt(InputPrompt& prompt) {
    m_prompt = &prompt;
}

void CMainDialog::setUrlPrompt(UrlPrompt& prompt) {
    m_urlPrompt = &prompt;
}

QAction* CMainDialog::commandAction(int id) const {
    const auto found = m_actions.find(id);
    return found == m_actions.end() ? nullptr : found->second;
}

void CMainDialog::setUpWindow() {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(QIcon(QString::fromLatin1(IconPaths::Application)));
    setWindowTitle(captionText());
    QPalette background = palette();
    background.setColor(QPalette::Window, kBackground);
    setPalette(background);
    setAutoFillBackground(true);
}

void CMainDialog::installCaption(const WindowOptions& options) {
    // The desktop's window manager does not see Alt+F4 where there is none, or where it leaves the
    // key to the window.
    auto* closeKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_F4), this);
    connect(closeKey, &QShortcut::activated, this, &QWidget::close);

    m_captionPainter.SetCaptionText(windowTitle());
    if (!options.paintsCaption(QGuiApplication::platformName()))
        return;
    m_captionPainter.Install(this, [this](const CaptionPaintRequest* request) {
        m_gradientCaption.paint(request, m_captionPainter);
    });
    m_captionPainter.SetSystemCommandHandler([this](int command) { OnSysCommand(command); });
    m_captionPainter.systemMenu()->appendItem(QString::fromUtf8(kAboutMenuText), kAboutCommand);
}

void CMainDialog::OnSysCommand(int command) {
    if ((command & 0xFFF0) == kAboutCommand)
        onAbout();
}

void CMainDialog::createRunControl() {
    const RunControls controls{m_ui->pageList,
                               m_ui->statusText,
                               m_ui->connectionText,
                               m_ui->currentItem,
                               m_ui->threadCountText,
                               m_ui->stopButton,
                               m_ui->goButton,
                               commandAction(CommandIds::Stop),
                               commandAction(CommandIds::Go)};
    m_runView = std::make_unique<WindowRunView>(controls, *m_messages);
    m_runControl = std::make_unique<RunControl>(m_app.paths, m_app.settings, *m_runView);
}

void CMainDialog::setInitialSize() {
    // The menu bar sits above the client area, as a caption's menu does; a painted frame and caption
    // sit around both.
    const QMargins frame = contentsMargins();
    const QSize around(frame.left() + frame.right(),
                       frame.top() + frame.bottom() + m_menuBar->sizeHint().height());
    setMinimumSize(kMinimumClientSize + around);
    resize(kClientSize + around);
    m_ui->clientArea->installEventFilter(this);
    applyLayout();
    placeOnScreen();
}

void CMainDialog::placeOnScreen() {
    // The window asks for its place instead of leaving it to the window manager: a manager that places a
    // new window itself does not always tell the window where (openbox often does not), and until the
    // window was first moved its menus then opened where it was thought to be, at the screen's corner.
    // A place asked for is the place the window has.
    if (QScreen* screen = this->screen()) {
        QRect placed(QPoint(0, 0), size());
        placed.moveCenter(screen->availableGeometry().center());
        move(placed.topLeft());
    }
}

QString CMainDialog::captionText() const {
    return QString::fromUtf8(m_app.settings.currentProfileName() + " - " + m_app.applicationTitle);
}

void CMainDialog::createCommands() {
    for (const CommandEntry& entry : MainCommands()) {
        auto* action = new QAction(this);
        action->setData(entry.id);
        if (entry.menuText)
            action->setText(QString::fromUtf8(entry.menuText));
        if (entry.toolText)
            action->setIconText(QString::fromUtf8(entry.toolText));
        if (entry.icon)
            action->setIcon(QIcon(QString::fromLatin1(entry.icon)));
        if (entry.prompt) {
            action->setStatusTip(promptPart(entry.prompt, 0));
            action->setToolTip(promptPart(entry.prompt, 1));
        }
        action->setEnabled(entry.available);
        if (entry.id == CommandIds::HelpContents)
            action->setShortcut(QKeySequence::HelpContents);
        connect(action, &QAction::triggered, this, [this, id = entry.id] { onCommand(id); });
        m_actions[entry.id] = action;
    }

    // Stop and Go are the buttons' commands: both start disabled, and the run switches the button and
    // its action together.
    QAction* stop = commandAction(CommandIds::Stop);
    QAction* go = commandAction(CommandIds::Go);
    stop->setText(m_ui->stopButton->text());
    go->setText(m_ui->goButton->text());
    stop->setEnabled(false);
    go->setEnabled(false);
    connect(m_ui->stopButton, &QPushButton::clicked, stop, &QAction::trigger);
    connect(m_ui->goButton, &QPushButton::clicked, go, &QAction::trigger);
}

void CMainDialog::createMenu() {
    m_menuBar = new QMenuBar(this);
    m_menuBar->setObjectName(QStringLiteral("menuBar"));
    BCMenu::SetMenuDrawMode(BCMenu::Flat, BCMenu::Flat);
    m_menu = std::make_unique<BCMenu>();
    m_menu->LoadMenu(m_menuBar, MainMenu(), [this](int id) { return commandAction(id); });
    m_ui->windowLayout->setMenuBar(m_menuBar);
}

void CMainDialog::createToolBar() {
    m_toolBar = new QToolBar(m_ui->clientArea);
    m_toolBar->setObjectName(QStringLiteral("toolBar"));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolBar->setIconSize(kToolIconSize);
    for (int id : MainToolbar()) {
        if (id == 0) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction* action = commandAction(id);
        m_toolBar->addAction(action);
        // The design's button is 42 x 38; a longer text in a larger desktop font widens it instead of
        // being cut off.
        if (QWidget* button = m_toolBar->widgetForAction(action))
            button->setMinimumSize(kToolButtonSize);
    }
}

void CMainDialog::setUpPageList() {
    QTreeWidget* list = m_ui->pageList;
    QPalette white = list->palette();
    white.setColor(QPalette::Base, Qt::white);
    list->setPalette(white);
    list->setIconSize(QSize(16, 16));
    list->setColumnWidth(0, kPageColumnWidth);
    list->setColumnWidth(1, kStatusColumnWidth);
    list->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list->header()->setStretchLastSection(false);
}

void CMainDialog::fitTextControls() {
    // The design's text lines are 8 units high, sized for its 8-point font; a larger desktop font
    // needs its own line height so that descenders are not cut off.
    for (QLabel* label : {m_ui->statusText, m_ui->connectionText, m_ui->currentItem, m_ui->threadCountText}) {
        const int height = std::max(label->height(), label->fontMetrics().height() + 2);
        label->resize(label->width(), height);
    }
    QLabel* status = m_ui->statusText;
    const int statusWidth = status->fontMetrics().horizontalAdvance(QStringLiteral("Process...")) + 4;
    status->resize(std::max(status->width(), statusWidth), status->height());
}

bool CMainDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ui->clientArea && event->type() == QEvent::Resize)
        applyLayout();
    return QDialog::eventFilter(watched, event);
}

void CMainDialog::applyLayout() {
    if (!m_toolBar)
        return;
    const MainWindowLayout layout = MainWindowLayout::compute(
        {frameGeometry().size(), m_ui->clientArea->size(), m_ui->stopButton->size(), m_ui->goButton->size(),
         m_ui->statusText->size(), m_ui->connectionText->size(), m_ui->currentItem->size()});
    m_toolBar->setGeometry(layout.toolbar);
    m_ui->pageList->setGeometry(layout.pageList);
    m_ui->stopButton->setGeometry(layout.stopButton);
    m_ui->goButton->setGeometry(layout.goButton);
    m_ui->statusText->setGeometry(layout.statusText);
    m_ui->connectionText->setGeometry(layout.connectionText);
    m_ui->currentItem->setGeometry(layout.currentItem);
}

void CMainDialog::keyPressEvent(QKeyEvent* event) {
    // This dialog is the whole program: Enter and Esc, pressed to answer some box just closed, must not
    // end it as they would end a dialog. A focused button takes Enter itself and never passes it here.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if ((enter || event->key() == Qt::Key_Escape) && modifiers == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CMainDialog::done(int result) {
    if (m_closing)
        return;
    m_closing = true;
    // Leaving ends the run with what it has indexed so far; that is the user's choice to make.
    if (!m_runControl->idle() && !confirmClose(this, kCloseDuringRun)) {
        m_closing = false;
        return;
    }
    // Stopping waits for the job's last file while handling events; a second way out pressed
    // meanwhile, or any other command, waits for this one.
    m_runControl->shutdown();
    m_closing = false;
    QDialog::done(result);
}

void CMainDialog::onCommand(int id) {
    if (m_closing)
        return;
    switch (id) {
    case CommandIds::IndexFolder:
        return onIndexFolder();
    case CommandIds::IndexWebsite:
        return onIndexWebsite();
    case CommandIds::MakeSearchFile:
        return onMakeSearchFile();
    case CommandIds::RunSearchFile:
        return onRunSearchFile();
    case CommandIds::Exit:
        return accept();
    case CommandIds::EditActiveOption:
        return onEditActiveOption();
    case CommandIds::SelectActiveOption:
        return onSelectActiveOption();
    case CommandIds::HelpContents:
        return onHelpContents();
    case CommandIds::SupportHomepage:
        return onSupportHomepage();
    case CommandIds::SupportEmail:
        return onSupportEmail();
    case CommandIds::About:
        return onAbout();
    case CommandIds::Stop:
        return m_runControl->Stop();
    case CommandIds::Go:
        m_runControl->Go();
        return;
    default:
        return;
    }
}

void CMainDialog::onIndexFolder() {
    Settings& settings = m_app.settings;
    const std::string folder = SelectFolder(folderBrowser, this, kIndexFolderTitle,
                                            settings.AddFolderInitPath, settings.browseFolder);
    if (!folder.empty())
        m_runControl->IndexFolder(folder);
}

void CMainDialog::onIndexWebsite() {
    const std::string& historyPath = m_app.paths.urlHistoryPath;
    // A history that cannot be read is started afresh; losing it is no reason to stop the user.
    UrlHistory history;
    LoadUrlHistory(historyPath, history);
    const std::optional<std::string> address = m_urlPrompt->ask(history);
    if (!address)
        return;
    // The crawl does not depend on the history, so it starts even when the file cannot be written.
    if (!SaveUrlHistory(historyPath, history)) {
        const std::string text = FillMessage(kUrlSaveFailure, historyPath);
        // Boxes of the window's own are captioned as the failure's box always was.
        if (auto* boxes = dynamic_cast<MessageBoxService*>(m_messages))
            boxes->showMessage(text, kErrorCaption);
        else
            m_messages->showMessage(text);
    }
    if (!address->empty())
        m_runControl->IndexWebsite(*address);
}

GeneratorInputs CMainDialog::generatorInputs() {
    return GeneratorInputs{m_app.paths, m_app.settings.profile, m_app.settings.RunSearchURL,
                           m_runControl->idle(), *m_messages};
}

void CMainDialog::onMakeSearchFile() {
    GeneratorInputs inputs = generatorInputs();
    OnMakeSearchFile(inputs, *m_shell);
}

void CMainDialog::onRunSearchFile() {
    GeneratorInputs inputs = generatorInputs();
    OnRunSearchFile(inputs, *m_shell, *m_prompt);
}

void CMainDialog::onHelpContents() {
    m_shell->open(m_app.paths.programFolder + "/Help/index.html");
}

void CMainDialog::onSupportHomepage() {
    m_shell->open(ProductInfo::kWebAddress);
}

std::string CMainDialog::supportMailAddress() {
    const std::string title = ProductInfo::kTitle;
    const QByteArray subject = QUrl::toPercentEncoding(QString::fromUtf8(title + " support"));
    const QByteArray body =
        QUrl::toPercentEncoding(QString::fromUtf8("Hello,\n\nI have a question about " + title + ":\n\n"));
    return "mailto:" + std::string(ProductInfo::kSupportEmail) + "?subject=" + subject.toStdString() +
           "&body=" + body.toStdString();
}

void CMainDialog::onSupportEmail() {
    if (!m_shell->open(supportMailAddress()))
        m_messages->showMessage(kMailFailure);
}

void CMainDialog::onAbout() {
    CAboutDialog about(m_app.applicationTitle, m_app.paths.dataFolder, *m_shell, *m_messages, this);
    about.exec();
}

OptionServices CMainDialog::currentOptionServices() const {
    OptionServices services = optionServices;
    services.messages = m_messages;
    services.prompt = m_prompt;
    services.shell = m_shell;
    services.browseFolder = folderBrowser;
    return services;
}

void CMainDialog::onEditActiveOption() {
    OptionServices services = currentOptionServices();
    CMyPropertySheet::EditActiveOption(m_app, services, this);
}

void CMainDialog::onSelectActiveOption() {
    OptionServices services = currentOptionServices();
    CSelectOptionDlg dialog(m_app, services, this);
    dialog.exec();
    // Whatever the answer: Save as or Edit may have switched profiles on the way.
    setWindowTitle(captionText());
    m_captionPainter.SetCaptionText(windowTitle());
}
