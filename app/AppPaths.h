#pragma once

#include <string>

#include "platform/Result.h"

// The program's fixed paths. The support files are read from the program folder, the folder of the running
// executable. What the program writes (the index data file, the working index database, the address
// history, new templates, the default output folder) goes to the data folder: the program folder itself
// when the user may write there (the build tree, a portable copy), else the per-user data folder.
struct AppPaths {
    std::string programFolder;  // no trailing "/"
    std::string dataFolder;     // no trailing "/"
    std::string templateFolder; // dataFolder + "/Template"
    std::string indexDataPath;  // dataFolder + "/IndexData.dat"
    std::string databasePath;   // dataFolder + "/IndexData.mdb", the database runs fill
    std::string urlHistoryPath; // dataFolder + "/Urls.log"

    // Everything in the program folder.
    static AppPaths forProgramFolder(std::string folder);
    static AppPaths forFolders(std::string programFolder, std::string dataFolder);
    // The data folder for a program folder: itself when writable, else userDataFolder.
    static AppPaths choose(std::string programFolder, std::string userDataFolder);
    // The program folder of an executable path: the text before its last "/".
    static std::string programFolderOf(const std::string& executablePath);

    bool dataFolderIsProgramFolder() const { return dataFolder == programFolder; }
    // The output folder of a new profile.
    std::string defaultOutputFolder() const { return dataFolder + "/Output/"; }
    // The lock that lets one indexing run at a time, of any process, use the data folder's index.
    std::string runLockPath() const { return dataFolder + "/IndexData.lock"; }
    // The empty database shipped beside the program.
    std::string emptyDatabasePath() const { return programFolder + "/IndexData.mdb"; }

    // Makes a separate data folder ready on first use: the empty database, the built-in templates that are
    // missing there (a template the user has edited is never overwritten) and the output folder. A
    // failure when the folder cannot be made.
    Result<> prepareDataFolder() const;
};
