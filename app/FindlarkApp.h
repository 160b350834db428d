#pragma once

#include <memory>
#include <string>

#include "app/AppPaths.h"
#include "app/Settings.h"

class SettingsStore;

// The application object: the program's paths and every setting, read directly by the rest of the program.
class CFindlarkApp {
public:
    CFindlarkApp();
    ~CFindlarkApp();

    // Start-up: composes the paths from the program folder (the data folder made ready on first use) and
    // loads the settings from the store.
    void InitInstance(const std::string& programFolder, std::unique_ptr<SettingsStore> store);
    // Exit: saves the settings.
    void ExitInstance();

    SettingsStore& store() { return *m_store; }

    std::string applicationTitle;
    AppPaths paths;
    // Why the data folder could not be made ready, empty when it is.
    std::string dataFolderProblem;
    Settings settings;

private:
    std::unique_ptr<SettingsStore> m_store;
};
