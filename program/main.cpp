#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>
#ifdef __GLIBC__
#include <malloc.h>
#endif

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
int runWindow(int argc, char** argv, const WindowOptions& options) {
    QApplication application(argc, argv);
    // The installed desktop entry's name (ui/CMakeLists.txt): the desktop ties the window to its entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.tidewell.findlark"));
    CFindlarkApp app;
    return RunMainWindow(app, QCoreApplication::applicationDirPath().toStdString(), userSettingsStore(), {},
                         options);
}
#endif

} // namespace

int main(int argc, char** argv) {
#ifdef __GLIBC__
    // A crawl starts a short-lived thread per page; with an allocation arena each, the memory freed by
    // ended threads stays scattered and the program grows with the number of pages.
    mallopt(M_ARENA_MAX, 2);
#endif
#ifdef FINDLARK_GUI
    // Window options alone (or none) open the window; anything else is a batch command.
    if (const std::optional<WindowOptions> options = ParseWindowOptions({argv + 1, argv + argc}))
        return runWindow(argc, argv, *options);
#else
    if (argc < 2) {
        std::fputs(BatchUsage().c_str(), stdout);
        return 0;
    }
#endif
    return runBatch(argc, argv);
}
