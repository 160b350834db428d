#include "ui/MainWindowSession.h"

#include "app/FindlarkApp.h"
#include "platform/SettingsStore.h"
#include "ui/MainDialog.h"

int RunMainWindow(CFindlarkApp& app, const std::string& programFolder, std::unique_ptr<SettingsStore> store,
                  const std::function<void(CMainDialog&)>& prepare, const WindowOptions& options) {
    app.InitInstance(programFolder, std::move(store));
    {
        CMainDialog dialog(app, options);
        if (prepare)
            prepare(dialog);
        dialog.exec();
    }
    app.ExitInstance();
    return 0;
}
