#pragma once

#include <filesystem>
#include <vector>

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

struct FileCopy {
    std::filesystem::path from;
    std::filesystem::path to;
};

// What a copy will write, worked out before anything is written, so a caller can look at every name
// first. A file that is its own destination is left out: copying it would change nothing.
struct CopyPlan {
    std::vector<std::filesystem::path> folders; // to be made, each before the folders and files inside it
    std::vector<FileCopy> files;
    bool complete = true; // false when part of the source could not be read
};

CopyPlan PlanCopy(const std::filesystem::path& from, const std::filesystem::path& into);

// Carries out a plan; true when every folder and file of it was made. A failure does not stop the rest.
bool CopyPlanned(const CopyPlan& plan);

// Plans and copies; true when everything could be copied.
bool copyContents(const std::filesystem::path& from, const std::filesystem::path& into);

} // namespace FolderCopy
