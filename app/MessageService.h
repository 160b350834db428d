#pragma once

#include <string>
#include <string_view>

// The one message-box service: a box in the window, standard error in batch mode, a recorder in tests.
// Every box has only an OK button; the caller goes on once it has been answered.
class MessageService {
public:
    virtual ~MessageService() = default;
    virtual void showMessage(const std::string& text) = 0;
};

// A message text with its "%s" replaced by `value` as plain text, so a "%" inside the value (a file name,
// a database error) stays what it is.
inline std::string FillMessage(std::string_view format, std::string_view value) {
    const size_t at = format.find("%s");
    if (at == std::string_view::npos)
        return std::string(format);
    std::string text(format.substr(0, at));
    text += value;
    text += format.substr(at + 2);
    return text;
}
