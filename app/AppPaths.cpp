#include "app/AppPaths.h"

#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

AppPaths AppPaths::forProgramFolder(std::string folder) {
    std::string data = folder;
    return forFolders(std::move(folder), std::move(data));
}

AppPaths AppPaths::forFolders(std::string programFolder, std::string dataFolder) {
    AppPaths paths;
    paths.programFolder = std::move(programFolder);
    paths.dataFolder = std::move(dataFolder);
    paths.templateFolder = paths.dataFolder + "/Template";
    paths.indexDataPath = paths.dataFolder + "/IndexData.dat";
    paths.databasePath = paths.dataFolder + "/IndexData.mdb";
    paths.urlHistoryPath = paths.dataFolder + "/Urls.log";
    return paths;
}

AppPaths AppPaths::choose(std::string programFolder, std::string userDataFolder) {
    if (::access(programFolder.c_str(), W_OK) == 0)
        return forProgramFolder(std::move(programFolder));
    return forFolders(std::move(programFolder), std::move(userDataFolder));
}

std::string AppPaths::programFolderOf(const std::string& executablePath) {
    const size_t slash = executablePath.rfind('/');
    return slash == std::string::npos ? std::string() : executablePath.substr(0, slash);
}

Result<> AppPaths::prepareDataFolder() const {
    if (dataFolderIsProgramFolder())
        return {};
    std::error_code code;
    fs::create_directories(dataFolder, code);
    fs::create_directories(templateFolder, code);
    fs::create_directories(defaultOutputFolder(), code);
    if (!fs::is_directory(templateFolder, code))
        return Failure{"The data folder " + dataFolder + " cannot be made."};
    if (!fs::exists(databasePath, code))
        fs::copy_file(emptyDatabasePath(), databasePath, code);
    const fs::path builtIn = fs::path(programFolder) / "Template";
    for (const fs::directory_entry& entry : fs::directory_iterator(builtIn, code)) {
        const fs::path target = fs::path(templateFolder) / entry.path().filename();
        if (entry.is_directory(code) && !fs::exists(target, code))
            fs::copy(entry.path(), target, fs::copy_options::recursive, code);
    }
    return {};
}
