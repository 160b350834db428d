#pragma once

#include <QDialog>
#include <memory>
#include <string>

namespace Ui {
class CInputDlg;
}

// The one-line input dialog. The caller sets the four texts before running it and, after OK, reads
// `text`: the edit box's content exactly as typed.
class CInputDlg : public QDialog {
    Q_OBJECT

public:
    explicit CInputDlg(QWidget* parent = nullptr);
    ~CInputDlg() override;

    std::string caption = "Input";
    std::string text;
    std::string hint;
    std::string label;

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::CInputDlg> m_ui;
};
