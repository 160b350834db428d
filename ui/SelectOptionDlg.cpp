#include "ui/SelectOptionDlg.h"

#include <QPushButton>

#include "app/FindlarkApp.h"
#include "app/OptionProfiles.h"
#include "ui/MyPropertySheet.h"
#include "ui_SelectOptionDlg.h"

CSelectOptionDlg::CSelectOptionDlg(CFindlarkApp& app, OptionServices& services, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CSelectOptionDlg>()), m_app(app), m_services(services),
      m_savedOption(app.settings.CurOption) {
    m_ui->setupUi(this);
    m_ui->buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&OK"));
    m_ui->buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("&Cancel"));
    m_ui->buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    fillNames();
    m_ui->optionCombo->setCurrentIndex(app.settings.CurOption - 1);
    enableButtons();
    connect(m_ui->saveAsButton, &QPushButton::clicked, this, &CSelectOptionDlg::OnSaveAs);
    connect(m_ui->renameButton, &QPushButton::clicked, this, &CSelectOptionDlg::OnRename);
    connect(m_ui->editButton, &QPushButton::clicked, this, &CSelectOptionDlg::OnEdit);
}

CSelectOptionDlg::~CSelectOptionDlg() = default;

QComboBox* CSelectOptionDlg::combo() const {
    return m_ui->optionCombo;
}

void CSelectOptionDlg::fillNames() {
    m_ui->optionCombo->clear();
    for (const std::string& name : m_app.settings.profileNames)
        m_ui->optionCombo->addItem(QString::fromUtf8(name));
}

void CSelectOptionDlg::enableButtons() {
    // Without any profile there is nothing to rename, edit or keep; Save as makes the first one.
    const bool any = m_ui->optionCombo->count() > 0;
    m_ui->renameButton->setEnabled(any);
    m_ui->editButton->setEnabled(any);
    m_ui->buttons->button(QDialogButtonBox::Ok)->setEnabled(any);
}

void CSelectOptionDlg::OnSaveAs() {
    const std::optional<std::string> name = m_services.prompt->ask(
        "Input option name", "Option name:", "(Input option name to save current option as a new one)",
        OptionProfiles::proposedName(m_app.settings));
    if (!name || !OptionProfiles::createProfile(m_app.settings, *name, m_app.store(), *m_services.messages))
        return;
    m_ui->optionCombo->addItem(QString::fromUtf8(*name));
    m_ui->optionCombo->setCurrentIndex(m_ui->optionCombo->count() - 1);
    enableButtons();
}

void CSelectOptionDlg::OnRename() {
    const int index = m_ui->optionCombo->currentIndex();
    if (index < 0)
        return;
    const std::string old = m_app.settings.profileNames[static_cast<size_t>(index)];
    const std::optional<std::string> name = m_services.prompt->ask(
        "Input option name", "Option name:", "(Input option name to change current option name)", old);
    if (!name || !OptionProfiles::renameProfile(m_app.settings, index + 1, *name, *m_services.messages))
        return;
    fillNames();
    m_ui->optionCombo->setCurrentIndex(index);
}

void CSelectOptionDlg::OnEdit() {
    const int index = m_ui->optionCombo->currentIndex();
    if (index < 0)
        return;
    OptionProfiles::makeCurrent(m_app.settings, index + 1, m_app.store(), m_app.paths.dataFolder);
    CMyPropertySheet::EditActiveOption(m_app, m_services, this);
}

void CSelectOptionDlg::accept() {
    const int index = m_ui->optionCombo->currentIndex();
    if (index < 0)
        return;
    OptionProfiles::makeCurrent(m_app.settings, index + 1, m_app.store(), m_app.paths.dataFolder);
    QDialog::accept();
}

void CSelectOptionDlg::reject() {
    OptionProfiles::makeCurrent(m_app.settings, m_savedOption, m_app.store(), m_app.paths.dataFolder);
    QDialog::reject();
}
