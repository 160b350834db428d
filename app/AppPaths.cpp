#include "app/AppPaths.h"

AppPaths AppPaths::forProgramFolder(std::string folder) {
    AppPaths paths;
    paths.programFolder = std::move(folder);
    paths.templateFolder = paths.programFolder + "/Template";
    paths.indexDataPath = paths.programFolder + "/IndexData.dat";
    return paths;
}

std::string AppPaths::programFolderOf(const std::string& executablePath) {
    const size_t slash = executablePath.rfind('/');
    return slash == std::string::npos ? std::string() : executablePath.substr(0, slash);
}
