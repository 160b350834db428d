#include "ui/WindowOptions.h"

bool WindowOptions::paintsCaption(const QString& platform) const {
    switch (frame) {
    case Frame::Painted:
        return true;
    case Frame::Native:
        return false;
    case Frame::Automatic:
        break;
    }
    // Windows that are never on a screen have nothing to drag.
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

std::optional<WindowOptions> ParseWindowOptions(const std::vector<std::string>& arguments) {
    WindowOptions options;
    for (const std::string& argument : arguments) {
        if (argument != WindowOptions::kNativeFrame)
            return std::nullopt;
        options.frame = WindowOptions::Frame::Native;
    }
    return options;
}
