#include "ui/MyPropertyPage1.h"

#include <QButtonGroup>

#include "ui_MyPropertyPage1.h"

CMyPropertyPage1::CMyPropertyPage1(Settings& settings, OptionServices& services, QWidget* parent)
    : OptionPage(settings, services, parent), m_ui(std::make_unique<Ui::CMyPropertyPage1>()) {
    m_ui->setupUi(this);
    m_linksType = radioGroup(this, {m_ui->relativeLinks, m_ui->absoluteLinks});
    connect(m_ui->relativeLinks, &QAbstractButton::clicked, this, &CMyPropertyPage1::relativeLinksRule);
    connect(m_ui->absoluteLinks, &QAbstractButton::clicked, this, &CMyPropertyPage1::absoluteLinksRule);
    connect(m_ui->replacePath, &QAbstractButton::clicked, this, &CMyPropertyPage1::replacePathRule);
}

CMyPropertyPage1::~CMyPropertyPage1() = default;

void CMyPropertyPage1::OnInitDialog() {
    setRadioValue(m_linksType, profile().UseLinksType);
    m_ui->replacePath->setChecked(profile().CheckReplacePath != 0);
    m_ui->replaceEdit->setText(QString::fromUtf8(profile().ReplaceURL));
    if (profile().UseLinksType == 0)
        relativeLinksRule();
    else if (profile().UseLinksType == 1)
        absoluteLinksRule();
}

void CMyPropertyPage1::relativeLinksRule() {
    // The check box keeps its state: it counts again once absolute links are chosen.
    for (QWidget* control :
         {static_cast<QWidget*>(m_ui->replacePath), static_cast<QWidget*>(m_ui->replaceEdit),
          static_cast<QWidget*>(m_ui->replaceLabel), static_cast<QWidget*>(m_ui->replaceHint)})
        control->setEnabled(false);
}

void CMyPropertyPage1::absoluteLinksRule() {
    m_ui->replacePath->setEnabled(true);
    replacePathRule();
}

void CMyPropertyPage1::replacePathRule() {
    const bool replace = m_ui->replacePath->isChecked();
    m_ui->replaceEdit->setEnabled(replace);
    m_ui->replaceLabel->setEnabled(replace);
    m_ui->replaceHint->setEnabled(replace);
}

void CMyPropertyPage1::OnOK() {
    ProfileSettings& settings = profile();
    settings.UseLinksType = radioValue(m_linksType, settings.UseLinksType);
    settings.CheckReplacePath = m_ui->replacePath->isChecked() ? 1 : 0;
    std::string url = m_ui->replaceEdit->text().toStdString();
    if (!url.empty() && url.back() != '/' && url.back() != '\\')
        url += '/';
    else if (url.empty() && settings.CheckReplacePath)
        m_services.messages->showMessage(kNoReplaceUrl);
    settings.ReplaceURL = url;
}
