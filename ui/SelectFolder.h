#pragma once

#include <functional>
#include <string>

class QWidget;

// Shows a folder browser with a title, starting in a folder; the chosen folder, or empty when the user
// cancels. The window uses the desktop's folder dialog; tests answer with a folder of their own.
using FolderBrowser =
    std::function<std::string(QWidget* owner, const std::string& title, const std::string& startFolder)>;

std::string BrowseWithFolderDialog(QWidget* owner, const std::string& title, const std::string& startFolder);

// The shared folder chooser. A non-empty initial folder becomes the remembered start folder; an empty
// one keeps the folder remembered from earlier calls. The result ends in "/" or is empty (cancelled).
std::string SelectFolder(const FolderBrowser& browse, QWidget* owner, const std::string& title,
                         const std::string& initialFolder, std::string& rememberedFolder);
