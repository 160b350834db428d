#pragma once

#include <string>

// Folder paths that name a job target or an output folder end in "/", so file names can be appended to
// them. An empty path stays empty: it names no folder, not the root.
inline std::string WithFolderSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}
