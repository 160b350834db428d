#pragma once

#include <optional>
#include <string>

#include "crawler/UrlHistory.h"

// Asks for the start address of a website crawl, offering the addresses used before. On OK the history
// has been updated (the chosen address on top) and the completed address is returned; nothing on Cancel.
class UrlPrompt {
public:
    virtual ~UrlPrompt() = default;
    virtual std::optional<std::string> ask(UrlHistory& history) = 0;
};
