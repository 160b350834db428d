#include "ui/MyPropertyPage6.h"

#include <QButtonGroup>
#include <QPushButton>
#include <QRadioButton>

#include "engines/EngineRegistry.h"
#include "engines/SearchEngine.h"
#include "ui/MySqlDialog.h"
#include "ui_MyPropertyPage6.h"

CMyPropertyPage6::CMyPropertyPage6(Settings& settings, OptionServices& services, QWidget* parent)
    : OptionPage(settings, services, parent), m_ui(std::make_unique<Ui::CMyPropertyPage6>()) {
    m_ui->setupUi(this);
    addScriptButtons();
    m_database = radioGroup(this, {m_ui->databaseAccess, m_ui->databaseSqlServer, m_ui->databaseMySql});
    // The script buttons were made after the page's other controls; Tab still meets them first.
    QList<QAbstractButton*> chain = m_script->buttons();
    chain += m_database->buttons();
    for (qsizetype i = 0; i + 1 < chain.size(); ++i)
        setTabOrder(chain[i], chain[i + 1]);
    // Only an engine that reads the index database has a database to choose.
    connect(m_script, &QButtonGroup::idClicked, this, &CMyPropertyPage6::showDatabases);
    connect(m_database, &QButtonGroup::idClicked, this, [this] { showDatabases(checkedScript()); });
    connect(m_ui->mySqlConnection, &QPushButton::clicked, this, &CMyPropertyPage6::editConnection);
}

CMyPropertyPage6::~CMyPropertyPage6() = default;

// One button per engine the program makes, between the page's text and its hint, each standing for the
// number profiles store for it.
void CMyPropertyPage6::addScriptButtons() {
    m_script = new QButtonGroup(this);
    int at = m_ui->scriptLayout->indexOf(m_ui->scriptText);
    for (const SearchEngine* engine : EngineRegistry::All()) {
        auto* button = new QRadioButton(QString::fromStdString(engine->label()), m_ui->scriptGroup);
        button->setObjectName(QString::fromStdString("script" + engine->key()));
        m_ui->scriptLayout->insertWidget(++at, button);
        m_script->addButton(button, engine->scriptType());
    }
}

void CMyPropertyPage6::OnInitDialog() {
    setRadioValue(m_script, profile().ScriptType);
    setRadioValue(m_database, profile().DatabaseType);
    m_connection = profile();
    showDatabases(profile().ScriptType);
}

int CMyPropertyPage6::checkedScript() {
    return radioValue(m_script, profile().ScriptType);
}

// Only an engine that reads the index database has a database to choose, and only one that can read it
// from a server shows "My SQL".
void CMyPropertyPage6::showDatabases(int scriptType) {
    const SearchEngine& engine = EngineRegistry::ForScriptType(scriptType);
    for (QAbstractButton* button : m_database->buttons())
        button->setEnabled(engine.usesDatabase());
    m_ui->databaseMySql->setVisible(engine.offersServerDatabase());
    m_ui->mySqlConnection->setVisible(engine.offersServerDatabase());
    m_ui->mySqlConnection->setEnabled(m_ui->databaseMySql->isChecked());
}

void CMyPropertyPage6::editConnection() {
    MySqlDialog dialog(m_connection, this);
    if (dialog.exec() == QDialog::Accepted)
        dialog.store(m_connection);
}

void CMyPropertyPage6::OnOK() {
    profile().ScriptType = radioValue(m_script, profile().ScriptType);
    profile().DatabaseType = radioValue(m_database, profile().DatabaseType);
    MySqlDialog::Copy(m_connection, profile());
}
