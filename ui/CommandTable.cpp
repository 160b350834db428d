#include "ui/CommandTable.h"

#include "ui/ResourceIds.h"

using namespace CommandIds;

const std::vector<CommandEntry>& MainCommands() {
    static const std::vector<CommandEntry> commands = {
        {IndexFolder, "&Index Folder", "Folder", IconPaths::Folder,
         "Select a folder to index then you can upload it to Internet.\nIndex Folder", true},
        {IndexWebsite, "Index &Website", "Web", IconPaths::Web, "Select a website to index.\nIndex Website",
         true},
        {MakeSearchFile, "&Make Search File...", "Make", IconPaths::Make,
         "Make search file.\nMake search file", true},
        {RunSearchFile, "&Run Search File", "Run", IconPaths::Run, "Run Search File.\nRun Search File", true},
        {Exit, "&Exit", nullptr, nullptr, nullptr, true},
        {SelectActiveOption, "&Select Active Option", nullptr, nullptr, nullptr, true},
        {EditActiveOption, "&Edit Active Option", "Option", IconPaths::Option,
         "Options used by the whole program.\nOptions", true},
        {HelpContents, "&Contents", "Help", IconPaths::Help, "Show help contents.\nContents", true},
        {SupportHomepage, "Support &Homepage", nullptr, nullptr, nullptr, true},
        {SupportEmail, "Support &Email ", nullptr, nullptr, nullptr, true},
        {About, "&About Findlark", nullptr, nullptr, nullptr, true},
        {Stop, nullptr, nullptr, nullptr, nullptr, true},
        {Go, nullptr, nullptr, nullptr, nullptr, true},
    };
    return commands;
}

const CommandEntry* FindCommand(int id) {
    for (const CommandEntry& entry : MainCommands())
        if (entry.id == id)
            return &entry;
    return nullptr;
}

const std::vector<MenuPopup>& MainMenu() {
    static const std::vector<MenuPopup> menu = {
        {"&Index", {IndexFolder, IndexWebsite, 0, MakeSearchFile, RunSearchFile, 0, Exit}},
        {"&Tools", {SelectActiveOption, EditActiveOption}},
        {"&Help", {HelpContents, 0, SupportHomepage, SupportEmail, 0, About}},
    };
    return menu;
}

const std::vector<int>& MainToolbar() {
    static const std::vector<int> toolbar = {IndexFolder, IndexWebsite,     0, MakeSearchFile, RunSearchFile,
                                             0,           EditActiveOption, 0, HelpContents};
    return toolbar;
}
