#include "ui/MyPropertyPage2.h"

#include <QRegularExpressionValidator>

#include "ui/UpDownControl.h"
#include "ui_MyPropertyPage2.h"

CMyPropertyPage2::CMyPropertyPage2(Settings& settings, OptionServices& services, QWidget* parent)
    : OptionPage(settings, services, parent), m_ui(std::make_unique<Ui::CMyPropertyPage2>()) {
    m_ui->setupUi(this);
    // Digits only, as many as the user likes: a number out of range gets its own message, not silence.
    m_ui->threadEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_ui->threadEdit));
    m_threadUpDown = new UpDownControl(m_ui->threadEdit, this);
    m_threadUpDown->setObjectName(QStringLiteral("threadUpDown"));
    m_ui->threadRow->insertWidget(m_ui->threadRow->indexOf(m_ui->threadEdit) + 1, m_threadUpDown);
    connect(m_ui->addFilesButton, &QPushButton::clicked, this, &CMyPropertyPage2::OnAddFiles);
    connect(m_ui->addFolderButton, &QPushButton::clicked, this, &CMyPropertyPage2::OnAddFolder);
    connect(m_ui->addUrlButton, &QPushButton::clicked, this, &CMyPropertyPage2::OnAddUrl);
    connect(m_ui->deleteEntryButton, &QPushButton::clicked, this, &CMyPropertyPage2::OnDelete);
}

CMyPropertyPage2::~CMyPropertyPage2() = default;

void CMyPropertyPage2::OnInitDialog() {
    const ProfileSettings& settings = profile();
    m_ui->htmlTypeEdit->setText(QString::fromUtf8(settings.HtmlFileType));
    m_ui->textTypeEdit->setText(QString::fromUtf8(settings.TextFileType));
    m_ui->otherSites->setChecked(settings.IndexPageOtherSite != 0);
    m_ui->obeyRobots->setChecked(settings.IgnoreRobotsTxt == 0);
    m_ui->allowSelfSigned->setChecked(settings.AllowSelfSigned != 0);
    m_ui->threadEdit->setText(QString::number(settings.UseThreadNum));
    m_ui->excludeList->clear();
    for (const std::string& entry : settings.NoIncFileList)
        m_ui->excludeList->addItem(QString::fromUtf8(entry));
    m_threadUpDown->setRange(kMinThreads, kMaxThreads);
}

bool CMyPropertyPage2::OnKillActive() {
    bool number = false;
    const int threads = m_ui->threadEdit->text().toInt(&number);
    if (number && threads >= kMinThreads && threads <= kMaxThreads)
        return true;
    m_services.messages->showMessage(
        number ? QString::fromUtf8(kOutOfRange).arg(kMinThreads).arg(kMaxThreads).toStdString()
               : std::string(kNotAnInteger));
    m_ui->threadEdit->setFocus();
    m_ui->threadEdit->selectAll();
    return false;
}

void CMyPropertyPage2::OnOK() {
    ProfileSettings& settings = profile();
    settings.HtmlFileType = m_ui->htmlTypeEdit->text().toStdString();
    settings.TextFileType = m_ui->textTypeEdit->text().toStdString();
    // Checked before the sheet ends: the page was left or OK pressed only with a valid count.
    settings.UseThreadNum = m_ui->threadEdit->text().toInt();
    settings.IndexPageOtherSite = m_ui->otherSites->isChecked() ? 1 : 0;
    settings.IgnoreRobotsTxt = m_ui->obeyRobots->isChecked() ? 0 : 1;
    settings.AllowSelfSigned = m_ui->allowSelfSigned->isChecked() ? 1 : 0;
    settings.NoIncFileList.clear();
    for (int i = 0; i < m_ui->excludeList->count(); ++i)
        settings.NoIncFileList.push_back(m_ui->excludeList->item(i)->text().toStdString());
}

void CMyPropertyPage2::addEntry(const std::string& entry) {
    const QString text = QString::fromUtf8(entry);
    if (m_ui->excludeList->findItems(text, Qt::MatchExactly | Qt::MatchCaseSensitive).isEmpty())
        m_ui->excludeList->addItem(text);
}

void CMyPropertyPage2::OnAddFiles() {
    // Every selected file counts, however long the selection.
    for (const QString& file : m_services.openFiles(this, QtFileFilter(kAddFilesFilter)))
        addEntry(file.toStdString());
}

void CMyPropertyPage2::OnAddFolder() {
    const std::string folder =
        SelectFolder(m_services.browseFolder, this, kAddFolderTitle, std::string(), m_settings.browseFolder);
    if (folder.empty())
        return;
    m_settings.browseFolder = folder;
    addEntry(folder);
}

void CMyPropertyPage2::OnAddUrl() {
    const std::optional<std::string> url =
        m_services.prompt->ask("Input URL", "URL:", "(Input a URL that you do not want to index)", "http://");
    if (url && !url->empty() && *url != "http://")
        addEntry(*url);
}

void CMyPropertyPage2::OnDelete() {
    for (int i = m_ui->excludeList->count() - 1; i >= 0; --i)
        if (m_ui->excludeList->item(i)->isSelected())
            delete m_ui->excludeList->takeItem(i);
}
