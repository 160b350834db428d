#pragma once

#include <memory>
#include <string>

#include "ui/OptionPage.h"

class QLabel;

namespace Ui {
class CMyPropertyPage4;
}

// The Output page: the output folder, where results appear, the parts of a hit shown, and the fonts and
// colours of the result page.
class CMyPropertyPage4 : public OptionPage {
    Q_OBJECT

public:
    static constexpr const char* kOutputFolderTitle = "Select a path for output the generated search files:";

    // A result font: HTML size, face, colour reference.
    struct ResultFont {
        int size;
        std::string face;
        int colour;
    };
    enum Font { Title, Text, Url, Info, FontCount };

    CMyPropertyPage4(Settings& settings, OptionServices& services, QWidget* parent = nullptr);
    ~CMyPropertyPage4() override;
    void OnOK() override;

    void OnChooseOutputPath();
    void OnFont(Font font);
    void OnFontColour(Font font);
    void OnHitColour(int& colour);
    void OnDefault();

protected:
    void OnInitDialog() override;

private:
    void refreshLabels();
    void setDefaultStyle();
    void chooseColour(int& colour);

    std::unique_ptr<Ui::CMyPropertyPage4> m_ui;
    QButtonGroup* m_windowType;
    ResultFont m_fonts[FontCount];
    int m_hitTitleColour = 0;
    int m_hitTextColour = 0;
};
