#pragma once

#include <QColor>
#include <QFont>
#include <QStringList>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/TestDoubles.h"
#include "tests/support/TestSupport.h"
#include "ui/OptionServices.h"

// Readable failures for the Qt strings the tests compare.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace guitest {

// Answers for every dialog the options sheet and the profile dialog open, remembering what was asked.
struct ScriptedOptionDialogs {
    testsupport::RecordingMessages messages;
    testsupport::ScriptedPrompt prompt;
    testsupport::RecordingShell shell;

    std::vector<std::string> folderTitles;
    std::string nextFolder;
    QStringList nextFiles;
    QString fileFilter;
    std::optional<QFont> nextFont;
    QFont fontShown;
    std::optional<QColor> nextColour;
    QColor colourShown;
    bool confirmAnswer = false;
    std::vector<std::string> confirmed;
    std::vector<std::string> edited;
    std::string nextProgram;
    std::vector<std::string> started;

    OptionServices services() {
        OptionServices s;
        s.messages = &messages;
        s.prompt = &prompt;
        s.shell = &shell;
        s.browseFolder = [this](QWidget*, const std::string& title, const std::string&) {
            folderTitles.push_back(title);
            return nextFolder;
        };
        s.openFiles = [this](QWidget*, const QString& filter) {
            fileFilter = filter;
            return nextFiles;
        };
        s.chooseFont = [this](QWidget*, const QFont& initial) {
            fontShown = initial;
            return nextFont;
        };
        s.chooseColour = [this](QWidget*, const QColor& initial) {
            colourShown = initial;
            return nextColour;
        };
        s.confirm = [this](QWidget*, const std::string& question) {
            confirmed.push_back(question);
            return confirmAnswer;
        };
        s.editText = [this](QWidget*, const std::string& path) { edited.push_back(path); };
        s.chooseProgram = [this](QWidget*) { return nextProgram; };
        s.startProgram = [this](const std::string& program, const std::string& path) {
            started.push_back(program + " " + path);
            return true;
        };
        return s;
    }
};

} // namespace guitest
