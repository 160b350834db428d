#include "app/FindlarkApp.h"

#include "app/ProductInfo.h"
#include "app/SettingsPersistence.h"
#include "platform/SettingsStore.h"
#include "platform/UserFolders.h"

CFindlarkApp::CFindlarkApp() : applicationTitle(ProductInfo::kTitle) {}

CFindlarkApp::~CFindlarkApp() = default;

void CFindlarkApp::InitInstance(const std::string& programFolder, std::unique_ptr<SettingsStore> store) {
    m_store = std::move(store);
    // An installed program folder is read-only for its users: they write to their own data folder.
    paths = AppPaths::choose(programFolder, UserDataFolder());
    const Result<> prepared = paths.prepareDataFolder();
    dataFolderProblem = prepared.reason();
    SettingsPersistence::LoadSettings(settings, *m_store, paths.dataFolder);
    settings.browseFolder = settings.AddFolderInitPath;
}

void CFindlarkApp::ExitInstance() {
    SettingsPersistence::SaveSettings(settings, *m_store);
}
