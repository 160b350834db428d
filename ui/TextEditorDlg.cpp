#include "ui/TextEditorDlg.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TextEditorDlg::TextEditorDlg(const QString& path, QWidget* parent) : QDialog(parent), m_path(path) {
    setWindowTitle(QFileInfo(path).fileName() + QStringLiteral(" - Editor"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
    m_editor = new QPlainTextEdit(this);
    m_editor->setObjectName(QStringLiteral("editor"));
    m_editor->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Close, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_editor);
    layout->addWidget(buttons);
    connect(buttons->button(QDialogButtonBox::Save), &QPushButton::clicked, this, [this] { save(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &TextEditorDlg::reject);

    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = file.readAll();
        m_crlf = bytes.contains("\r\n");
        m_editor->setPlainText(QString::fromUtf8(bytes));
    }
    m_editor->document()->setModified(false);
    resize(640, 480);
}

bool TextEditorDlg::save() {
    QByteArray bytes = m_editor->toPlainText().toUtf8();
    if (m_crlf)
        bytes.replace("\n", "\r\n");
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("Cannot save %1:\n%2").arg(m_path, file.errorString()));
        return false;
    }
    m_editor->document()->setModified(false);
    return true;
}

void TextEditorDlg::reject() {
    // Closing with unsaved changes asks first: the editor is the only copy of them.
    if (m_editor->document()->isModified()) {
        const auto answer =
            QMessageBox::question(this, windowTitle(), QStringLiteral("Save the changes?"),
                                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
        if (answer == QMessageBox::Cancel || (answer == QMessageBox::Save && !save()))
            return;
    }
    QDialog::reject();
}
