#pragma once

#include <filesystem>

// Copies everything inside one folder (files and sub-folders) into another, replacing files of the
// same names, as a template is copied into the output folder, which is published on the web.
//
// A symbolic link is followed only when its target lies inside the source folder itself; a link to
// anything outside (a private file, another folder of the disk) is left out, so nothing from outside
// the template reaches the output. A folder that is already being copied (a link back up the tree) is
// never entered again, nor is the destination when it lies inside the source: the copy always ends.
// Entries that are neither files nor folders are left out. Each file is written whole under a temporary
// name and renamed into place, replacing a link that stood there instead of writing through it.
namespace FolderCopy {

// True when every file and folder could be copied; a failure does not stop the rest of the copy.
bool copyContents(const std::filesystem::path& from, const std::filesystem::path& into);

} // namespace FolderCopy
