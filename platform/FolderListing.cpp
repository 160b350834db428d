#include "platform/FolderListing.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace FolderListing {

namespace {
unsigned char fold(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}
} // namespace

bool nameLess(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const unsigned char x = fold(static_cast<unsigned char>(a[i]));
        const unsigned char y = fold(static_cast<unsigned char>(b[i]));
        if (x != y)
            return x < y;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
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

} // namespace FolderListing
