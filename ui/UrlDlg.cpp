#include "ui/UrlDlg.h"

#include <QComboBox>
#include <QLineEdit>

#include "crawler/UrlRules.h"
#include "ui_UrlDlg.h"

CUrlDlg::CUrlDlg(MessageService& messages, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CUrlDlg>()), m_messages(messages) {
    m_ui->setupUi(this);
    // The list is the history and nothing else: Enter in the edit field means OK, not "add this text".
    m_ui->addressCombo->setInsertPolicy(QComboBox::NoInsert);
    connect(m_ui->addressCombo, &QComboBox::currentIndexChanged, this, &CUrlDlg::onSelectionChanged);
}

CUrlDlg::~CUrlDlg() = default;

void CUrlDlg::showEvent(QShowEvent* event) {
    // The caller fills the history after construction, so it reaches the controls only now.
    QComboBox* combo = m_ui->addressCombo;
    if (!history.entries.empty()) {
        const QSignalBlocker quiet(combo);
        combo->clear();
        for (const std::string& entry : history.entries)
            combo->addItem(QString::fromUtf8(entry));
    }
    // Filling an empty list selects its first entry by itself; the stored selection decides, and -1
    // leaves the field empty.
    combo->setCurrentIndex(history.selection);
    if (history.selection < 0)
        combo->setEditText(QString());
    m_ui->checkRootLinks->setChecked(history.checkRootLinks != 0);
    combo->lineEdit()->selectAll();
    combo->setFocus();
    QDialog::showEvent(event);
}

void CUrlDlg::onSelectionChanged(int index) {
    history.selection = index;
    if (index >= 0)
        address = m_ui->addressCombo->itemText(index).toStdString();
}

void CUrlDlg::accept() {
    const std::string typed = m_ui->addressCombo->currentText().toStdString();
    if (typed.empty()) {
        m_messages.showMessage(kEmptyAddress);
        m_ui->addressCombo->setFocus();
        return;
    }
    address = NormalizeStartAddress(typed);
    RememberAddress(history, address);
    history.checkRootLinks = m_ui->checkRootLinks->isChecked() ? 1 : 0;
    QDialog::accept();
}
