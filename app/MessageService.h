#pragma once

#include <string>

// The one message-box service: a box in the window, standard error in batch mode, a recorder in tests.
// Every box has only an OK button; the caller goes on once it has been answered.
class MessageService {
public:
    virtual ~MessageService() = default;
    virtual void showMessage(const std::string& text) = 0;
};
