#include "ui/MyPropertyPage3.h"

#include <QButtonGroup>
#include <QMenu>

#include "publish/TemplateStore.h"
#include "ui_MyPropertyPage3.h"

CMyPropertyPage3::CMyPropertyPage3(Settings& settings, const std::string& templateFolder,
                                   OptionServices& services, QWidget* parent)
    : OptionPage(settings, services, parent), m_ui(std::make_unique<Ui::CMyPropertyPage3>()),
      m_templateFolder(templateFolder) {
    m_ui->setupUi(this);
    m_file = radioGroup(this, {m_ui->searchFile, m_ui->resultFile, m_ui->frameFile});
    m_ui->searchFile->setChecked(true);

    m_editMenu = new QMenu(QStringLiteral("TemPageEdit"), this);
    m_editMenu->setObjectName(QStringLiteral("editMenu"));
    const std::pair<const char*, int> items[] = {
        {"&Notepad", Notepad}, {"Shell &Edit", ShellEdit}, {"&Select...", OpenWith}};
    for (const auto& [text, mode] : items) {
        QAction* action = m_editMenu->addAction(QString::fromUtf8(text));
        connect(action, &QAction::triggered, this, [this, mode] { EditTemplateFile(mode); });
    }

    // Only a choice made by the user counts; the list's own refills do not change the setting.
    connect(m_ui->templateCombo, &QComboBox::activated, this, &CMyPropertyPage3::onSelectionChanged);
    connect(m_ui->addButton, &QPushButton::clicked, this, &CMyPropertyPage3::OnAddTemplate);
    connect(m_ui->deleteButton, &QPushButton::clicked, this, &CMyPropertyPage3::OnDeleteTemplate);
    connect(m_ui->editButton, &QPushButton::clicked, this, &CMyPropertyPage3::OnEditTemplate);
    connect(m_ui->previewButton, &QPushButton::clicked, this, &CMyPropertyPage3::OnPreviewTemplate);
    connect(m_ui->browseButton, &QPushButton::clicked, this, &CMyPropertyPage3::OnBrowseTemplates);
}

CMyPropertyPage3::~CMyPropertyPage3() = default;

void CMyPropertyPage3::OnInitDialog() {
    ListTemplates();
}

void CMyPropertyPage3::ListTemplates() {
    QComboBox* combo = m_ui->templateCombo;
    combo->clear();
    for (const std::string& name : TemplateStore::ListTemplates(m_templateFolder))
        combo->addItem(QString::fromUtf8(name));
    combo->setCurrentIndex(combo->findText(QString::fromUtf8(profile().SelTemplateName),
                                           Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void CMyPropertyPage3::onSelectionChanged(int index) {
    if (index < 0) {
        m_services.messages->showMessage(kNoneSelected);
        return;
    }
    profile().SelTemplateName = m_ui->templateCombo->itemText(index).toStdString();
}

std::string CMyPropertyPage3::selectedTemplate() const {
    const int index = m_ui->templateCombo->currentIndex();
    return index < 0 ? std::string() : m_ui->templateCombo->itemText(index).toStdString();
}

std::string CMyPropertyPage3::chosenFile() const {
    const std::string name = selectedTemplate();
    if (name.empty())
        return {};
    return TemplateStore::TemplateFilePath(m_templateFolder, name, radioValue(m_file, 0));
}

void CMyPropertyPage3::OnAddTemplate() {
    const std::optional<std::string> name =
        m_services.prompt->ask(kAddCaption, kAddLabel, kAddHint, std::string());
    if (!name || !TemplateStore::AddTemplate(m_templateFolder, *name, *m_services.messages))
        return;
    ListTemplates();
    const int added =
        m_ui->templateCombo->findText(QString::fromUtf8(*name), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (added >= 0)
        m_ui->templateCombo->setCurrentIndex(added);
}

void CMyPropertyPage3::OnDeleteTemplate() {
    const std::string name = selectedTemplate();
    if (name.empty() || !m_services.confirm(this, kConfirmDelete))
        return;
    TemplateStore::DeleteTemplate(m_templateFolder, name, *m_services.messages);
    ListTemplates();
    m_ui->templateCombo->setCurrentIndex(m_ui->templateCombo->count() > 0 ? 0 : -1);
}

void CMyPropertyPage3::OnEditTemplate() {
    QPushButton* button = m_ui->editButton;
    m_editMenu->popup(button->mapToGlobal(button->rect().bottomLeft()));
}

void CMyPropertyPage3::EditTemplateFile(int mode) {
    const std::string path = chosenFile();
    if (path.empty())
        return;
    if (mode == Notepad) {
        m_services.editText(this, path);
        return;
    }
    // Without an application for the file the desktop refuses; the user then picks one.
    if (mode == ShellEdit && m_services.shell->open(path))
        return;
    const std::string program = m_services.chooseProgram(this);
    if (!program.empty())
        m_services.startProgram(program, path);
}

void CMyPropertyPage3::OnPreviewTemplate() {
    const std::string path = chosenFile();
    if (!path.empty())
        m_services.shell->open(path);
}

void CMyPropertyPage3::OnBrowseTemplates() {
    m_services.shell->open(m_templateFolder);
}
