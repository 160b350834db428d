#pragma once

#include <QUrl>

#include "platform/Shell.h"

// Opens files, folders and addresses with the desktop's default applications.
class DesktopShell : public Shell {
public:
    bool open(const std::string& target) override;

    // A web or mail address as it is; anything else is a path on this machine.
    static QUrl targetUrl(const std::string& target);
};
