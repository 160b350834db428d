#include "ui/MyPropertyPage6.h"

#include <QButtonGroup>
#include <QRadioButton>

#include "engines/EngineRegistry.h"
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
    connect(m_script, &QButtonGroup::idClicked, this,
            [this](int id) { enableDatabase(EngineRegistry::ForScriptType(id).usesDatabase()); });
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
    enableDatabase(EngineRegistry::Of(profile()).usesDatabase());
}

void CMyPropertyPage6::enableDatabase(bool enable) {
    for (QAbstractButton* button : m_database->buttons())
        button->setEnabled(enable);
}

void CMyPropertyPage6::OnOK() {
    profile().ScriptType = radioValue(m_script, profile().ScriptType);
    profile().DatabaseType = radioValue(m_database, profile().DatabaseType);
}
