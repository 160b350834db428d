#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

#include "app/AppPaths.h"
#include "batch/BatchCommand.h"
#include "platform/SettingsStore.h"

#ifdef FINDLARK_GUI
#include <QApplication>

#include "app/FindlarkApp.h"
#include "ui/MainWindowSession.h"
#endif

namespace {

// The settings live under the executable's base name, as every profile of this program does.
std::unique_ptr<SettingsStore> userSettingsStore() {
    return std::make_unique<SettingsStore>(
        QFileInfo(QCoreApplication::applicationFilePath()).baseName().toStdString());
}

int runBatch(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    BatchEnvironment environment;
    environment.programFolder = QCoreApplication::applicationDirPath().toStdString();
    environment.store = userSettingsStore();
    return RunBatchCommand(arguments, std::move(environment));
}

#ifdef FINDLARK_GUI
int runWindow(int argc, char** argv) {
    QApplication application(argc, argv);
    // The installed desktop entry's name (ui/CMakeLists.txt): the desktop ties the window to its entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.tidewell.findlark"));
    CFindlarkApp app;
    return RunMainWindow(app, QCoreApplication::applicationDirPath().toStdString(), userSettingsStore());
}
#endif

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
#ifdef FINDLARK_GUI
        return runWindow(argc, argv);
#else
        std::fputs(BatchUsage().c_str(), stdout);
        return 0;
#endif
    }
    return runBatch(argc, argv);
}
