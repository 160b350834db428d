#pragma once

#include <optional>
#include <string>

// The one-line input dialog: caption, label, hint and initial text; nothing when cancelled.
class InputPrompt {
public:
    virtual ~InputPrompt() = default;
    virtual std::optional<std::string> ask(const std::string& caption, const std::string& label,
                                           const std::string& hint, const std::string& initial) = 0;
};
