#pragma once

#include <QPointer>
#include <QWidget>

#include "app/MessageService.h"

// The window's message boxes: a warning box with an OK button, owned by the given window and captioned
// with the program's name unless it is given a caption of its own. A box asked for on another thread is
// shown on the window's thread while the asking thread waits.
class MessageBoxService : public MessageService {
public:
    explicit MessageBoxService(QWidget* owner = nullptr);
    void showMessage(const std::string& text) override;
    void showMessage(const std::string& text, const std::string& caption);

private:
    QPointer<QWidget> m_owner;
};
