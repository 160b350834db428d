#pragma once

#include <QString>
#include <optional>
#include <string>
#include <vector>

// How the main window is framed: by the program's own caption and frame, or by the desktop's window
// manager ("--native-frame"). Automatic paints its own wherever the platform lets a frameless window be
// moved by the mouse.
struct WindowOptions {
    enum class Frame { Automatic, Painted, Native };
    Frame frame = Frame::Automatic;

    static constexpr const char* kNativeFrame = "--native-frame";

    // Whether the window draws its own caption on the platform named `platform` (a Qt platform name).
    bool paintsCaption(const QString& platform) const;
};

// The window's options from the command line (without the program's name), or nothing when the arguments
// are not all window options: then they are a batch command.
std::optional<WindowOptions> ParseWindowOptions(const std::vector<std::string>& arguments);
