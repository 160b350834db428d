#pragma once

#include <QDialog>
#include <memory>

#include "ui/OptionServices.h"

class CFindlarkApp;
class QComboBox;

namespace Ui {
class CSelectOptionDlg;
}

// The option-profile dialog: picks the current profile, saves the settings as a new one, renames one and
// opens the options sheet on one. OK keeps the chosen profile, Cancel returns to the one current before.
class CSelectOptionDlg : public QDialog {
    Q_OBJECT

public:
    CSelectOptionDlg(CFindlarkApp& app, OptionServices& services, QWidget* parent = nullptr);
    ~CSelectOptionDlg() override;

    QComboBox* combo() const;

    void OnSaveAs();
    void OnRename();
    void OnEdit();
    void accept() override;
    void reject() override;

private:
    void fillNames();
    void enableButtons();

    std::unique_ptr<Ui::CSelectOptionDlg> m_ui;
    CFindlarkApp& m_app;
    OptionServices& m_services;
    int m_savedOption;
};
