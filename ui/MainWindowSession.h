#pragma once

#include <functional>
#include <memory>
#include <string>

#include "ui/WindowOptions.h"

class CFindlarkApp;
class CMainDialog;
class SettingsStore;

// The program's working life with a window: start-up of the application object, the main window run
// modally until the user leaves it by any way, then the exit that saves the settings. `prepare` sees
// the window before it runs (tests put their services in place there). Returns the exit code.
int RunMainWindow(CFindlarkApp& app, const std::string& programFolder, std::unique_ptr<SettingsStore> store,
                  const std::function<void(CMainDialog&)>& prepare = {}, const WindowOptions& options = {});
