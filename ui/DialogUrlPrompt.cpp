#include "ui/DialogUrlPrompt.h"

#include "ui/UrlDlg.h"

DialogUrlPrompt::DialogUrlPrompt(MessageService& messages, QWidget* owner)
    : m_messages(&messages), m_owner(owner) {}

std::optional<std::string> DialogUrlPrompt::ask(UrlHistory& history) {
    CUrlDlg dialog(*m_messages, m_owner);
    dialog.history = history;
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    history = dialog.history;
    return dialog.address;
}
