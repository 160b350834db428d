#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

// One entry of a folder, with what the folder walk needs to know of it.
struct FolderEntry {
    std::string name;
    bool isFolder = false; // after following symbolic links
    bool isLink = false;   // a symbolic link, whatever it points to
    dev_t device = 0;      // of the entry's target, for folders
    ino_t inode = 0;
};

namespace FolderListing {

// Name order: names compared byte by byte with ASCII letters folded to lower case, ties by plain byte order.
bool nameLess(std::string_view a, std::string_view b);

// The entries of a folder ("." and ".." left out) in name order; false when the folder cannot be read.
bool list(const std::string& folder, std::vector<FolderEntry>& entries);

// Device and inode of a folder after following symbolic links; false when it cannot be reached.
bool identity(const std::string& folder, dev_t& device, ino_t& inode);

// The absolute path with every symbolic link, "." and ".." resolved; empty when it cannot be resolved
// (a dangling link, a link loop, a folder on the way that cannot be searched).
std::string canonicalPath(const std::string& path);

} // namespace FolderListing
