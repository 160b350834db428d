#pragma once

// Command identifiers of the main window's menu, toolbar and buttons. Each command's QAction carries
// its number as data, so every entry point (menu, toolbar, button, test) reaches the same handler.
namespace CommandIds {
constexpr int IndexFolder = 32775;
constexpr int Exit = 32776;
constexpr int HelpContents = 32778;
constexpr int SupportHomepage = 32780;
constexpr int SupportEmail = 32781;
constexpr int About = 32785;
constexpr int IndexWebsite = 32786;
constexpr int EditActiveOption = 32793;
constexpr int MakeSearchFile = 32794;
constexpr int RunSearchFile = 32795;
constexpr int SelectActiveOption = 32801;
constexpr int Stop = 1019;
constexpr int Go = 1020;
} // namespace CommandIds

// Icons bundled in findlark.qrc.
namespace IconPaths {
inline constexpr const char* Application = ":/icons/findlark.svg";
inline constexpr const char* Folder = ":/icons/folder.svg";
inline constexpr const char* Web = ":/icons/web.svg";
inline constexpr const char* Make = ":/icons/make.svg";
inline constexpr const char* Run = ":/icons/run.svg";
inline constexpr const char* Option = ":/icons/option.svg";
inline constexpr const char* Help = ":/icons/help.svg";
// In the order of the page list's image numbers (PageImages).
inline constexpr const char* PageStatus[] = {":/icons/reading.svg", ":/icons/indexed.svg",
                                             ":/icons/failure.svg"};
} // namespace IconPaths

// Makes the bundled icons reachable; the resources live in a static library, whose unreferenced
// initialisers the linker would otherwise drop.
void LoadFindlarkResources();
