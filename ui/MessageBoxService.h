#pragma once

#include <QPointer>
#include <QWidget>

#include "app/MessageService.h"

// The window's message boxes: a warning box with an OK button, owned by the given window. A box
// asked for on another thread is shown on the window's thread while the asking thread waits.
class MessageBoxService : public MessageService {
public:
    explicit MessageBoxService(QWidget* owner = nullptr);
    void showMessage(const std::string& text) override;

private:
    QPointer<QWidget> m_owner;
};
