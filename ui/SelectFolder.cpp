#include "ui/SelectFolder.h"
#include "platform/FolderPath.h"

#include <QFileDialog>

std::string BrowseWithFolderDialog(QWidget* owner, const std::string& title, const std::string& startFolder) {
    return QFileDialog::getExistingDirectory(owner, QString::fromUtf8(title), QString::fromUtf8(startFolder),
                                             QFileDialog::ShowDirsOnly)
        .toStdString();
}

std::string SelectFolder(const FolderBrowser& browse, QWidget* owner, const std::string& title,
                         const std::string& initialFolder, std::string& rememberedFolder) {
    if (!initialFolder.empty())
        rememberedFolder = initialFolder;
    return WithFolderSlash(browse ? browse(owner, title, rememberedFolder) : std::string());
}
