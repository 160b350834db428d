#include "ui/InputDlg.h"

#include "ui_InputDlg.h"

CInputDlg::CInputDlg(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::CInputDlg>()) {
    m_ui->setupUi(this);
}

CInputDlg::~CInputDlg() = default;

void CInputDlg::showEvent(QShowEvent* event) {
    // The caller fills the members after construction, so they reach the controls only now.
    setWindowTitle(QString::fromUtf8(caption));
    m_ui->labelText->setText(QString::fromUtf8(label));
    m_ui->hintText->setText(QString::fromUtf8(hint));
    m_ui->hintText->setVisible(!hint.empty());
    m_ui->textEdit->setText(QString::fromUtf8(text));
    m_ui->textEdit->selectAll();
    m_ui->textEdit->setFocus();
    QDialog::showEvent(event);
}

void CInputDlg::accept() {
    text = m_ui->textEdit->text().toStdString();
    QDialog::accept();
}
