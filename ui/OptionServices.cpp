#include "ui/OptionServices.h"

#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>

#include "ui/TextEditorDlg.h"
#include "ui/WebFontDialog.h"

namespace {

QStringList openFilesWithDialog(QWidget* owner, const QString& filter) {
    return QFileDialog::getOpenFileNames(owner, QString(), QString(), filter);
}

std::optional<QColor> chooseColourWithDialog(QWidget* owner, const QColor& initial) {
    const QColor colour = QColorDialog::getColor(initial, owner);
    if (!colour.isValid())
        return std::nullopt;
    return colour;
}

bool confirmWithBox(QWidget* owner, const std::string& question) {
    return QMessageBox::question(owner, QStringLiteral("Confirm"), QString::fromUtf8(question),
                                 QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel) ==
           QMessageBox::Yes;
}

void editWithTextEditor(QWidget* owner, const std::string& path) {
    TextEditorDlg editor(QString::fromUtf8(path), owner);
    editor.exec();
}

std::string chooseProgramWithDialog(QWidget* owner) {
    // Qt's own dialog: the desktop's may not honour the filter that shows programs only.
    QFileDialog dialog(owner, QStringLiteral("Open With"), QStringLiteral("/usr/bin"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setFilter(QDir::AllDirs | QDir::Files | QDir::Executable | QDir::NoDotAndDotDot);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst().toStdString();
}

bool startProgramDetached(const std::string& program, const std::string& path) {
    return QProcess::startDetached(QString::fromUtf8(program), {QString::fromUtf8(path)});
}

} // namespace

OptionServices::OptionServices()
    : openFiles(openFilesWithDialog), chooseFont(ChooseWebFont), chooseColour(chooseColourWithDialog),
      confirm(confirmWithBox), editText(editWithTextEditor), chooseProgram(chooseProgramWithDialog),
      startProgram(startProgramDetached) {}

QString QtFileFilter(const std::string& filter) {
    const QStringList parts = QString::fromUtf8(filter).split(QLatin1Char('|'));
    QStringList lines;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        const QString patterns = parts[i + 1].trimmed();
        if (description.isEmpty() && patterns.isEmpty())
            break;
        if (description.endsWith(QLatin1Char(')'))) {
            const qsizetype open = description.lastIndexOf(QLatin1Char('('));
            if (open >= 0)
                description = description.left(open).trimmed();
        }
        QStringList list = patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        // "*.*" means every file there; here it would miss the names without a dot.
        list.replaceInStrings(QRegularExpression(QStringLiteral("^\\*\\.\\*$")), QStringLiteral("*"));
        lines << description + QStringLiteral(" (") + list.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return lines.join(QStringLiteral(";;"));
}
