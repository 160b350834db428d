#include "app/FindlarkApp.h"

#include "app/ProductInfo.h"
#include "app/SettingsPersistence.h"
#include "platform/SettingsStore.h"

CFindlarkApp::CFindlarkApp() : applicationTitle(ProductInfo::kTitle) {}

CFindlarkApp::~CFindlarkApp() = default;

void CFindlarkApp::InitInstance(const std::string& programFolder, std::unique_ptr<SettingsStore> store) {
    m_store = std::move(store);
    paths = AppPaths::forProgramFolder(programFolder);
    SettingsPersistence::LoadSettings(settings, *m_store, paths.programFolder);
    settings.browseFolder = settings.AddFolderInitPath;
}

void CFindlarkApp::ExitInstance() {
    SettingsPersistence::SaveSettings(settings, *m_store);
}
