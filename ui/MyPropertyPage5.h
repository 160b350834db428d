#pragma once

#include <memory>

#include "ui/OptionPage.h"

namespace Ui {
class CMyPropertyPage5;
}

// The Search page: what is indexed, how search words match and where they are looked for.
class CMyPropertyPage5 : public OptionPage {
    Q_OBJECT

public:
    CMyPropertyPage5(Settings& settings, OptionServices& services, QWidget* parent = nullptr);
    ~CMyPropertyPage5() override;
    void OnOK() override;

protected:
    void OnInitDialog() override;

private:
    std::unique_ptr<Ui::CMyPropertyPage5> m_ui;
    QButtonGroup* m_index;
    QButtonGroup* m_matching;
    QButtonGroup* m_search;
};
