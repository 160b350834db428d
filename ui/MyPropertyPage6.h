#pragma once

#include <memory>

#include "ui/OptionPage.h"

namespace Ui {
class CMyPropertyPage6;
}

// The Script page: the kind of search engine and its database.
class CMyPropertyPage6 : public OptionPage {
    Q_OBJECT

public:
    CMyPropertyPage6(Settings& settings, OptionServices& services, QWidget* parent = nullptr);
    ~CMyPropertyPage6() override;
    void OnOK() override;

protected:
    void OnInitDialog() override;

private:
    void addScriptButtons();
    // The database buttons as the engine of the script button `scriptType` offers them.
    void showDatabases(int scriptType);
    int checkedScript();
    void editConnection();

    std::unique_ptr<Ui::CMyPropertyPage6> m_ui;
    QButtonGroup* m_script = nullptr;
    QButtonGroup* m_database;
    // The server connection as the dialog left it, stored with the page's other settings at OK.
    ProfileSettings m_connection;
};
