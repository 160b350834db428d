#include "ui/DesktopShell.h"

#include <QDesktopServices>
#include <QRegularExpression>

QUrl DesktopShell::targetUrl(const std::string& target) {
    const QString text = QString::fromUtf8(target);
    // A scheme has at least two letters, so a drive letter ("C:/site") still reads as a path.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    if (scheme.match(text).hasMatch())
        return QUrl(text, QUrl::TolerantMode);
    return QUrl::fromLocalFile(text);
}

bool DesktopShell::open(const std::string& target) {
    return QDesktopServices::openUrl(targetUrl(target));
}
