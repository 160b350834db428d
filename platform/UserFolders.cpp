#include "platform/UserFolders.h"

#include <QStandardPaths>

std::string UserDataFolder() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return (base + QStringLiteral("/Tidewell/findlark")).toStdString();
}
