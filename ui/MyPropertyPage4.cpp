#include "ui/MyPropertyPage4.h"

#include <QButtonGroup>

#include "ui/OutputStyleText.h"
#include "ui/WebFontDialog.h"
#include "ui_MyPropertyPage4.h"

using namespace OutputStyleText;

CMyPropertyPage4::CMyPropertyPage4(Settings& settings, OptionServices& services, QWidget* parent)
    : OptionPage(settings, services, parent), m_ui(std::make_unique<Ui::CMyPropertyPage4>()) {
    m_ui->setupUi(this);
    m_windowType = radioGroup(this, {m_ui->sameWindow, m_ui->newWindow, m_ui->otherFrame});
    connect(m_ui->outputPathButton, &QPushButton::clicked, this, &CMyPropertyPage4::OnChooseOutputPath);
    const std::pair<QPushButton*, QPushButton*> buttons[FontCount] = {
        {m_ui->titleFontButton, m_ui->titleColorButton},
        {m_ui->textFontButton, m_ui->textColorButton},
        {m_ui->urlFontButton, m_ui->urlColorButton},
        {m_ui->infoFontButton, m_ui->infoColorButton}};
    for (int font = Title; font < FontCount; ++font) {
        connect(buttons[font].first, &QPushButton::clicked, this, [this, font] { OnFont(Font(font)); });
        connect(buttons[font].second, &QPushButton::clicked, this,
                [this, font] { OnFontColour(Font(font)); });
    }
    connect(m_ui->hitTitleColorButton, &QPushButton::clicked, this,
            [this] { OnHitColour(m_hitTitleColour); });
    connect(m_ui->hitTextColorButton, &QPushButton::clicked, this, [this] { OnHitColour(m_hitTextColour); });
    connect(m_ui->defaultButton, &QPushButton::clicked, this, &CMyPropertyPage4::OnDefault);
    // Labels of the usual width until the page is first shown, so the sheet is made wide enough for them.
    setDefaultStyle();
    refreshLabels();
}

CMyPropertyPage4::~CMyPropertyPage4() = default;

void CMyPropertyPage4::OnInitDialog() {
    const ProfileSettings& settings = profile();
    m_ui->outputPathEdit->setText(QString::fromUtf8(settings.OutputPath));
    setRadioValue(m_windowType, settings.OutputWindowType);
    m_ui->showTitle->setChecked(settings.OutputResultTitle != 0);
    m_ui->showText->setChecked(settings.OutputResultText != 0);
    m_ui->showUrl->setChecked(settings.OutputResultUrl != 0);
    m_ui->showInfo->setChecked(settings.OutputResultInfo != 0);
    m_ui->noNewSearchLink->setChecked(settings.NoNewSearchLink != 0);
    m_ui->noPoweredBy->setChecked(settings.NoPoweredBy != 0);
    m_ui->noHorizLine->setChecked(settings.NoHorizLine != 0);
    m_fonts[Title] = {settings.ResultTitleSize, settings.ResultTitleFace, settings.ResultTitleColor};
    m_fonts[Text] = {settings.ResultTextSize, settings.ResultTextFace, settings.ResultTextColor};
    m_fonts[Url] = {settings.ResultUrlSize, settings.ResultUrlFace, settings.ResultUrlColor};
    m_fonts[Info] = {settings.ResultInfoSize, settings.ResultInfoFace, settings.ResultInfoColor};
    m_hitTitleColour = settings.HitTitleColor;
    m_hitTextColour = settings.HitTextColor;
    refreshLabels();
}

void CMyPropertyPage4::refreshLabels() {
    QLabel* const fontLabels[FontCount] = {m_ui->titleFontLabel, m_ui->textFontLabel, m_ui->urlFontLabel,
                                           m_ui->infoFontLabel};
    QLabel* const colourLabels[FontCount] = {m_ui->titleColorLabel, m_ui->textColorLabel, m_ui->urlColorLabel,
                                             m_ui->infoColorLabel};
    for (int font = Title; font < FontCount; ++font) {
        fontLabels[font]->setText(QString::fromUtf8(FontLabel(m_fonts[font].face, m_fonts[font].size)));
        colourLabels[font]->setText(QString::fromStdString(ColourLabel(m_fonts[font].colour)));
    }
    m_ui->hitTitleColorLabel->setText(QString::fromStdString(ColourLabel(m_hitTitleColour)));
    m_ui->hitTextColorLabel->setText(QString::fromStdString(ColourLabel(m_hitTextColour)));
}

void CMyPropertyPage4::OnChooseOutputPath() {
    const std::string folder = SelectFolder(m_services.browseFolder, this, kOutputFolderTitle, std::string(),
                                            m_settings.browseFolder);
    if (!folder.empty())
        m_ui->outputPathEdit->setText(QString::fromUtf8(folder));
}

void CMyPropertyPage4::OnFont(Font which) {
    ResultFont& font = m_fonts[which];
    QFont initial(QString::fromUtf8(font.face));
    initial.setPointSize(HtmlSizeToPoints(font.size));
    const std::optional<QFont> chosen = m_services.chooseFont(this, initial);
    if (!chosen)
        return;
    // Whole points, as the size is counted in tenths and the tenths dropped; bold, italic and the rest
    // have no place in the result page's font settings.
    const qreal points = chosen->pointSizeF();
    if (points > 0)
        font.size = PointsToHtmlSize(static_cast<int>(points * 10 + 0.5) / 10);
    // The face goes into the result page, where only a name a browser knows means anything.
    const QString face = WebFontDialog::webFace(chosen->family());
    if (!face.isEmpty())
        font.face = face.toStdString();
    refreshLabels();
}

void CMyPropertyPage4::chooseColour(int& colour) {
    const std::optional<QColor> chosen = m_services.chooseColour(this, ColourFromReference(colour));
    if (!chosen)
        return;
    colour = ReferenceFromColour(*chosen);
    refreshLabels();
}

void CMyPropertyPage4::OnFontColour(Font font) {
    chooseColour(m_fonts[font].colour);
}

void CMyPropertyPage4::OnHitColour(int& colour) {
    chooseColour(colour);
}

void CMyPropertyPage4::OnDefault() {
    // The output folder stays: it is where this website's files go, not a matter of style.
    setRadioValue(m_windowType, 0);
    for (QCheckBox* show : {m_ui->showTitle, m_ui->showText, m_ui->showUrl, m_ui->showInfo})
        show->setChecked(true);
    for (QCheckBox* no : {m_ui->noNewSearchLink, m_ui->noPoweredBy, m_ui->noHorizLine})
        no->setChecked(false);
    setDefaultStyle();
    refreshLabels();
}

void CMyPropertyPage4::setDefaultStyle() {
    const ProfileSettings defaults;
    m_fonts[Title] = {defaults.ResultTitleSize, defaults.ResultTitleFace, defaults.ResultTitleColor};
    m_fonts[Text] = {defaults.ResultTextSize, defaults.ResultTextFace, defaults.ResultTextColor};
    m_fonts[Url] = {defaults.ResultUrlSize, defaults.ResultUrlFace, defaults.ResultUrlColor};
    m_fonts[Info] = {defaults.ResultInfoSize, defaults.ResultInfoFace, defaults.ResultInfoColor};
    m_hitTitleColour = defaults.HitTitleColor;
    m_hitTextColour = defaults.HitTextColor;
}

void CMyPropertyPage4::OnOK() {
    ProfileSettings& settings = profile();
    settings.OutputPath = m_ui->outputPathEdit->text().toStdString();
    settings.OutputWindowType = radioValue(m_windowType, settings.OutputWindowType);
    settings.OutputResultTitle = m_ui->showTitle->isChecked() ? 1 : 0;
    settings.OutputResultText = m_ui->showText->isChecked() ? 1 : 0;
    settings.OutputResultUrl = m_ui->showUrl->isChecked() ? 1 : 0;
    settings.OutputResultInfo = m_ui->showInfo->isChecked() ? 1 : 0;
    settings.NoNewSearchLink = m_ui->noNewSearchLink->isChecked() ? 1 : 0;
    settings.NoPoweredBy = m_ui->noPoweredBy->isChecked() ? 1 : 0;
    settings.NoHorizLine = m_ui->noHorizLine->isChecked() ? 1 : 0;
    settings.ResultTitleSize = m_fonts[Title].size;
    settings.ResultTitleFace = m_fonts[Title].face;
    settings.ResultTitleColor = m_fonts[Title].colour;
    settings.ResultTextSize = m_fonts[Text].size;
    settings.ResultTextFace = m_fonts[Text].face;
    settings.ResultTextColor = m_fonts[Text].colour;
    settings.ResultUrlSize = m_fonts[Url].size;
    settings.ResultUrlFace = m_fonts[Url].face;
    settings.ResultUrlColor = m_fonts[Url].colour;
    settings.ResultInfoSize = m_fonts[Info].size;
    settings.ResultInfoFace = m_fonts[Info].face;
    settings.ResultInfoColor = m_fonts[Info].colour;
    settings.HitTitleColor = m_hitTitleColour;
    settings.HitTextColor = m_hitTextColour;
}
