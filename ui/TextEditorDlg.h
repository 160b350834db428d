#pragma once

#include <QDialog>

class QPlainTextEdit;

// The small built-in plain-text editor: one file, Save and Close. A file that had CR LF line ends keeps
// them, so a template edited here stays as the generator and other editors expect it. A missing file
// opens empty and Save creates it.
class TextEditorDlg : public QDialog {
    Q_OBJECT

public:
    explicit TextEditorDlg(const QString& path, QWidget* parent = nullptr);

    QPlainTextEdit* editor() const { return m_editor; }
    // False, after a message box, when the file cannot be written.
    bool save();
    void reject() override;

private:
    QString m_path;
    QPlainTextEdit* m_editor = nullptr;
    bool m_crlf = false;
};
