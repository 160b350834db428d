#pragma once

#include <QDialog>
#include <memory>
#include <string>

#include "app/MessageService.h"
#include "crawler/UrlHistory.h"

namespace Ui {
class CUrlDlg;
}

// The dialog that asks for a website's start address. The caller puts the history in before running it;
// after OK, `address` holds the completed address and `history` has it on top, with the selection and
// the check box as they were left.
class CUrlDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kEmptyAddress = "Please input a website address to start search!";

    explicit CUrlDlg(MessageService& messages, QWidget* parent = nullptr);
    ~CUrlDlg() override;

    UrlHistory history;
    std::string address;

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void onSelectionChanged(int index);

    std::unique_ptr<Ui::CUrlDlg> m_ui;
    MessageService& m_messages;
};
