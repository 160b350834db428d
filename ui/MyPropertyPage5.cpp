#include "ui/MyPropertyPage5.h"

#include <QButtonGroup>

#include "ui_MyPropertyPage5.h"

CMyPropertyPage5::CMyPropertyPage5(Settings& settings, OptionServices& services, QWidget* parent)
    : OptionPage(settings, services, parent), m_ui(std::make_unique<Ui::CMyPropertyPage5>()) {
    m_ui->setupUi(this);
    m_index = radioGroup(this, {m_ui->indexAll, m_ui->indexMeta});
    m_matching = radioGroup(this, {m_ui->matchAll, m_ui->matchAny, m_ui->matchExact});
    m_search =
        radioGroup(this, {m_ui->searchAll, m_ui->searchTitle, m_ui->searchKeywords, m_ui->searchDescription});
}

CMyPropertyPage5::~CMyPropertyPage5() = default;

void CMyPropertyPage5::OnInitDialog() {
    setRadioValue(m_index, profile().IndexStrategy);
    setRadioValue(m_matching, profile().MatchingStrategy);
    setRadioValue(m_search, profile().SearchStrategy);
}

void CMyPropertyPage5::OnOK() {
    profile().IndexStrategy = radioValue(m_index, profile().IndexStrategy);
    profile().SearchStrategy = radioValue(m_search, profile().SearchStrategy);
    profile().MatchingStrategy = radioValue(m_matching, profile().MatchingStrategy);
}
