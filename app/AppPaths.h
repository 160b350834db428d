#pragma once

#include <string>

// The program's fixed paths, all derived from the folder of the running executable.
struct AppPaths {
    std::string programFolder;  // no trailing "/"
    std::string templateFolder; // programFolder + "/Template"
    std::string indexDataPath;  // programFolder + "/IndexData.dat"

    static AppPaths forProgramFolder(std::string folder);
    // The program folder of an executable path: the text before its last "/".
    static std::string programFolderOf(const std::string& executablePath);
};
