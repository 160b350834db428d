#pragma once

#include <QColor>
#include <QFont>
#include <QStringList>
#include <functional>
#include <optional>
#include <string>

#include "app/InputPrompt.h"
#include "app/MessageService.h"
#include "platform/Shell.h"
#include "ui/SelectFolder.h"

class QWidget;

// The dialogs and desktop services the options sheet and the option-profile dialog reach out to. The
// window hands in its own message boxes, input dialog, shell and folder browser; the others default to
// Qt's standard dialogs. Tests replace any of them with answers of their own, so no test waits on a box.
struct OptionServices {
    MessageService* messages = nullptr;
    InputPrompt* prompt = nullptr;
    Shell* shell = nullptr;
    FolderBrowser browseFolder = BrowseWithFolderDialog;
    // Several existing files, chosen with a filter in Qt's form; empty when cancelled.
    std::function<QStringList(QWidget* owner, const QString& filter)> openFiles;
    // A face a web page can name, as the family, and a size in points (WebFontDialog).
    std::function<std::optional<QFont>(QWidget* owner, const QFont& initial)> chooseFont;
    std::function<std::optional<QColor>(QWidget* owner, const QColor& initial)> chooseColour;
    // A question with Yes, No and Cancel under the caption "Confirm"; true only for Yes.
    std::function<bool(QWidget* owner, const std::string& question)> confirm;
    // The built-in plain-text editor on a file.
    std::function<void(QWidget* owner, const std::string& path)> editText;
    // "Open With": a program picked by the user (empty when cancelled), then started on the file.
    std::function<std::string(QWidget* owner)> chooseProgram;
    std::function<bool(const std::string& program, const std::string& path)> startProgram;

    // Every function service set to the desktop's dialog.
    OptionServices();
};

// A file-dialog filter written as "description|patterns|...||", with patterns separated by ";", in Qt's
// form: one "description (patterns)" per line. A parenthesised list at the end of a description gives way
// to the real patterns, which Qt takes from the last parentheses; "*.*" becomes "*".
QString QtFileFilter(const std::string& filter);
