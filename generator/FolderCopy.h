#pragma once

#include <filesystem>

// Copies everything inside one folder (files and sub-folders) into another, replacing files of the
// same names, as a template is copied into the output folder.
//
// Links are followed, so a template may link to shared files, but a folder that is already being
// copied (a link back up the tree) is never entered again, nor is the destination when it lies inside
// the source: the copy always ends. Entries that are neither files nor folders are left out.
namespace FolderCopy {

// True when every file and folder could be copied; a failure does not stop the rest of the copy.
bool copyContents(const std::filesystem::path& from, const std::filesystem::path& into);

} // namespace FolderCopy
