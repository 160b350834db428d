#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

#include "app/AppPaths.h"
#include "app/BatchCommand.h"
#include "platform/SettingsStore.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(BatchUsage().c_str(), stdout);
        return 0;
    }
    QCoreApplication app(argc, argv);
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    BatchEnvironment environment;
    environment.programFolder = QCoreApplication::applicationDirPath().toStdString();
    // The settings live under the executable's base name, as every profile of this program does.
    environment.store =
        std::make_unique<SettingsStore>(QFileInfo(QCoreApplication::applicationFilePath()).baseName().toStdString());
    return RunBatchCommand(arguments, std::move(environment));
}
