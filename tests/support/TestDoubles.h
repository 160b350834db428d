#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/InputPrompt.h"
#include "platform/Shell.h"

namespace testsupport {

// Remembers what it was asked to open; answers with `result`.
class RecordingShell : public Shell {
public:
    bool open(const std::string& target) override {
        opened.push_back(target);
        return result;
    }
    std::vector<std::string> opened;
    bool result = true;
};

// Answers every question with the prepared answer and remembers what it was asked:
// caption, label, hint and initial text.
class ScriptedPrompt : public InputPrompt {
public:
    std::optional<std::string> ask(const std::string& caption, const std::string& label,
                                   const std::string& hint, const std::string& initial) override {
        asked.push_back({caption, label, hint, initial});
        return answer;
    }
    std::optional<std::string> answer;
    std::vector<std::vector<std::string>> asked;
};

} // namespace testsupport
