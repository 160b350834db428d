#pragma once

#include <vector>

// One command of the main window: its number, menu text, toolbar text, icon and string-table prompt
// (a description, a newline, a short name). Texts a command does not have are null.
struct CommandEntry {
    int id;
    const char* menuText;
    const char* toolText;
    const char* icon;
    const char* prompt;
    bool available; // false: shown, but disabled until the window can carry the command out
};

// Every command, in no particular order; the menus and the toolbar below give the order.
const std::vector<CommandEntry>& MainCommands();
const CommandEntry* FindCommand(int id);

// A menu or toolbar slot: a command number, or 0 for a separator.
struct MenuPopup {
    const char* title;
    std::vector<int> items;
};
const std::vector<MenuPopup>& MainMenu();
const std::vector<int>& MainToolbar();
