#include "platform/FolderListing.h"
#include "platform/AsciiText.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

namespace FolderListing {

bool nameLess(std::string_view a, std::string_view b) {
    return AsciiText::lessIgnoringCase(a, b);
}

bool list(const std::string& folder, std::vector<FolderEntry>& entries) {
    entries.clear();
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return false;
    const int dirFd = ::dirfd(dir);
    while (const dirent* item = ::readdir(dir)) {
        const std::string_view name = item->d_name;
        if (name == "." || name == "..")
            continue;
        FolderEntry entry;
        entry.name = std::string(name);
        entry.isLink = item->d_type == DT_LNK;
        if (item->d_type == DT_UNKNOWN) {
            struct stat own {};
            entry.isLink =
                ::fstatat(dirFd, item->d_name, &own, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(own.st_mode);
        }
        if (item->d_type == DT_DIR || item->d_type == DT_LNK || item->d_type == DT_UNKNOWN) {
            struct stat info {};
            if (::fstatat(dirFd, item->d_name, &info, 0) == 0 && S_ISDIR(info.st_mode)) {
                entry.isFolder = true;
                entry.device = info.st_dev;
                entry.inode = info.st_ino;
            }
        }
        entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return nameLess(a.name, b.name); });
    return true;
}

bool identity(const std::string& folder, dev_t& device, ino_t& inode) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        return false;
    device = info.st_dev;
    inode = info.st_ino;
    return true;
}

std::string canonicalPath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::canonical(path, error);
    return error ? std::string() : resolved.string();
}

} // namespace FolderListing
