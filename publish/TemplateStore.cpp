#include "publish/TemplateStore.h"

#include <filesystem>
#include <system_error>

#include "app/MessageService.h"
#include "platform/FolderListing.h"
#include "publish/FolderCopy.h"

namespace fs = std::filesystem;

namespace TemplateStore {

std::vector<std::string> ListTemplates(const std::string& templateFolder) {
    std::vector<FolderEntry> entries;
    FolderListing::list(templateFolder, entries);
    std::vector<std::string> names;
    for (const FolderEntry& entry : entries)
        if (entry.isFolder)
            names.push_back(entry.name);
    return names;
}

bool IsFolderName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

bool AddTemplate(const std::string& templateFolder, const std::string& name, MessageService& messages) {
    // The empty name names the Template folder itself, which exists: the long-standing message fits it.
    if (name.empty()) {
        messages.showMessage(FillMessage(kNameExists, name));
        return false;
    }
    if (!IsFolderName(name)) {
        messages.showMessage(FillMessage(kInvalidName, name));
        return false;
    }
    const fs::path folder = fs::path(templateFolder) / name;
    std::error_code error;
    // A dangling link counts as taken too: creating the folder would fail on it or write where it points.
    if (fs::exists(fs::symlink_status(folder, error))) {
        messages.showMessage(FillMessage(kNameExists, name));
        return false;
    }
    if (!fs::create_directory(folder, error))
        return false;
    FolderCopy::copyContents(fs::path(templateFolder) / kSourceTemplate, folder);
    return true;
}

bool DeleteTemplate(const std::string& templateFolder, const std::string& name, MessageService& messages) {
    if (!IsFolderName(name))
        return false;
    const fs::path folder = fs::path(templateFolder) / name;
    std::error_code error;
    const fs::file_status status = fs::symlink_status(folder, error);
    if (!fs::exists(status))
        return false;
    if (fs::is_directory(status)) {
        // The contents first, each entry on its own, so one that resists does not keep the others;
        // remove_all removes links themselves, never what they point to.
        for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
            std::error_code ignored;
            fs::remove_all(it->path(), ignored);
        }
    }
    error.clear();
    if (!fs::remove(folder, error)) {
        std::string text = kRemoveFailure;
        text.replace(text.find("%d"), 2, std::to_string(error ? error.value() : 0));
        messages.showMessage(text);
        return false;
    }
    return true;
}

std::string TemplateFilePath(const std::string& templateFolder, const std::string& name, int choice) {
    const int file = choice >= 0 && choice < 3 ? choice : 0;
    return templateFolder + "/" + name + "/" + kTemplateFiles[file];
}

} // namespace TemplateStore
