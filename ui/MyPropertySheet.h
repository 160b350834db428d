#pragma once

#include <QDialog>
#include <memory>
#include <vector>

#include "app/AppPaths.h"
#include "app/Settings.h"
#include "ui/OptionServices.h"

class CFindlarkApp;
class OptionPage;
class QTabWidget;

namespace Ui {
class CMyPropertySheet;
}

// The options sheet: the current profile's settings on six pages. It changes the settings in memory
// only; whoever runs it saves them after OK.
class CMyPropertySheet : public QDialog {
    Q_OBJECT

public:
    // The pages in tab order.
    enum Page { Script, Links, Files, Template, Search, Output, PageCount };

    CMyPropertySheet(Settings& settings, const AppPaths& paths, OptionServices& services,
                     QWidget* parent = nullptr);
    ~CMyPropertySheet() override;

    // Runs the sheet on the current profile, titled with its name, and saves every setting after OK.
    // True after OK.
    static bool EditActiveOption(CFindlarkApp& app, OptionServices& services, QWidget* parent);

    QTabWidget* tabs() const;
    OptionPage* page(Page page) const { return m_pages[page]; }
    template <class PageClass> PageClass* page() const {
        for (OptionPage* page : m_pages)
            if (auto* found = qobject_cast<PageClass*>(page))
                return found;
        return nullptr;
    }

    // OK: the active page may refuse to be left; then every page that was shown writes its settings.
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void onTabChanged(int index);
    void growToFit();

    std::unique_ptr<Ui::CMyPropertySheet> m_ui;
    std::vector<OptionPage*> m_pages;
    int m_active = 0;
};
