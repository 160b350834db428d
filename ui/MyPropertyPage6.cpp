#include "ui/MyPropertyPage6.h"

#include <QButtonGroup>

#include "ui_MyPropertyPage6.h"

CMyPropertyPage6::CMyPropertyPage6(Settings& settings, OptionServices& services, QWidget* parent)
    : OptionPage(settings, services, parent), m_ui(std::make_unique<Ui::CMyPropertyPage6>()) {
    m_ui->setupUi(this);
    m_script = radioGroup(this, {m_ui->scriptJavaScript, m_ui->scriptAsp, m_ui->scriptPhp});
    m_database = radioGroup(this, {m_ui->databaseAccess, m_ui->databaseSqlServer, m_ui->databaseMySql});
    // Only the JavaScript engine works without a database.
    connect(m_script, &QButtonGroup::idClicked, this,
            [this](int id) { enableDatabase(id != ScriptTypes::JavaScript); });
}

CMyPropertyPage6::~CMyPropertyPage6() = default;

void CMyPropertyPage6::OnInitDialog() {
    setRadioValue(m_script, profile().ScriptType);
    setRadioValue(m_database, profile().DatabaseType);
    enableDatabase(profile().ScriptType != ScriptTypes::JavaScript);
}

void CMyPropertyPage6::enableDatabase(bool enable) {
    for (QAbstractButton* button : m_database->buttons())
        button->setEnabled(enable);
}

void CMyPropertyPage6::OnOK() {
    profile().ScriptType = radioValue(m_script, profile().ScriptType);
    profile().DatabaseType = radioValue(m_database, profile().DatabaseType);
}
