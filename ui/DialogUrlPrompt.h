#pragma once

#include <QPointer>
#include <QWidget>

#include "app/MessageService.h"
#include "ui/UrlPrompt.h"

// Asks through the website address dialog, owned by the given window; its own messages go to `messages`.
class DialogUrlPrompt : public UrlPrompt {
public:
    DialogUrlPrompt(MessageService& messages, QWidget* owner = nullptr);
    void setMessageService(MessageService& messages) { m_messages = &messages; }
    std::optional<std::string> ask(UrlHistory& history) override;

private:
    MessageService* m_messages;
    QPointer<QWidget> m_owner;
};
