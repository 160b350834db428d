#pragma once

#include <string>

// Opens a file, folder or web address with the desktop's default application ("open" verb).
// The window uses the desktop services; batch mode and tests use their own.
class Shell {
public:
    virtual ~Shell() = default;
    // True when the desktop accepted the request.
    virtual bool open(const std::string& target) = 0;
};
