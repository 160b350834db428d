#include "app/OptionProfiles.h"

#include <algorithm>

#include "app/MessageService.h"
#include "app/Settings.h"
#include "app/SettingsPersistence.h"

namespace OptionProfiles {

std::string proposedName(const Settings& settings) {
    return SettingsPersistence::defaultProfileName(static_cast<int>(settings.profileNames.size()) + 1);
}

int findProfile(const Settings& settings, const std::string& name) {
    const auto& names = settings.profileNames;
    const auto it = std::find(names.begin(), names.end(), name);
    return it == names.end() ? 0 : static_cast<int>(it - names.begin()) + 1;
}

bool createProfile(Settings& settings, const std::string& name, SettingsStore& store,
                   MessageService& messages) {
    if (name.empty())
        return false;
    if (findProfile(settings, name) != 0) {
        messages.showMessage(kNameExists);
        return false;
    }
    settings.profileNames.push_back(name);
    settings.OptionsNum = static_cast<int>(settings.profileNames.size());
    settings.CurOption = settings.OptionsNum;
    SettingsPersistence::SaveSettings(settings, store);
    return true;
}

bool renameProfile(Settings& settings, int number, const std::string& name, MessageService& messages) {
    if (number < 1 || static_cast<size_t>(number) > settings.profileNames.size())
        return false;
    std::string& current = settings.profileNames[static_cast<size_t>(number) - 1];
    if (name.empty() || name == current)
        return false;
    if (findProfile(settings, name) != 0) {
        messages.showMessage(kNameExists);
        return false;
    }
    current = name;
    return true;
}

void makeCurrent(Settings& settings, int number, const SettingsStore& store, const std::string& dataFolder) {
    settings.CurOption = number;
    SettingsPersistence::LoadProfileSettings(settings, store, dataFolder);
}

} // namespace OptionProfiles
