#include "ui/DialogInputPrompt.h"

#include "ui/InputDlg.h"

DialogInputPrompt::DialogInputPrompt(QWidget* owner) : m_owner(owner) {}

std::optional<std::string> DialogInputPrompt::ask(const std::string& caption, const std::string& label,
                                                  const std::string& hint, const std::string& initial) {
    CInputDlg dialog(m_owner);
    dialog.caption = caption;
    dialog.label = label;
    dialog.hint = hint;
    dialog.text = initial;
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.text;
}
