#pragma once

#include <memory>

#include "ui/OptionPage.h"

namespace Ui {
class CMyPropertyPage1;
}

// The Links page: relative or absolute links in the results, and the root that replaces the indexed one.
class CMyPropertyPage1 : public OptionPage {
    Q_OBJECT

public:
    static constexpr const char* kNoReplaceUrl = "You have selected replace root path of links,but not input "
                                                 "anything for URL or Path!\nPlease input one.";

    CMyPropertyPage1(Settings& settings, OptionServices& services, QWidget* parent = nullptr);
    ~CMyPropertyPage1() override;
    void OnOK() override;

protected:
    void OnInitDialog() override;

private:
    void relativeLinksRule();
    void absoluteLinksRule();
    void replacePathRule();

    std::unique_ptr<Ui::CMyPropertyPage1> m_ui;
    QButtonGroup* m_linksType;
};
