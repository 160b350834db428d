#include "app/SettingsPersistence.h"

#include <algorithm>

#include "app/Settings.h"
#include "app/SettingsSchema.h"
#include "platform/SettingsStore.h"

namespace SettingsPersistence {

namespace {
const std::string kCustomize = "Customize";
const std::string kSettings = "Settings";
const std::string kOptionName = "OptionName";

std::string exclusionItemKey(int i) {
    return std::string(kExclusionItemPrefix) + std::to_string(i);
}

void readExclusionList(ProfileSettings& profile, const SettingsStore& store, const std::string& section) {
    profile.NoIncFileList.clear();
    const int count =
        std::min(store.getInt(section, std::string(kExclusionCountKey), 0), kMaxExclusionEntries);
    for (int i = 0; i < count; ++i)
        profile.NoIncFileList.push_back(store.getString(section, exclusionItemKey(i), ""));
}

void writeExclusionList(const ProfileSettings& profile, SettingsStore& store, const std::string& section) {
    store.setInt(section, std::string(kExclusionCountKey), static_cast<int>(profile.NoIncFileList.size()));
    for (size_t i = 0; i < profile.NoIncFileList.size(); ++i)
        store.setString(section, exclusionItemKey(static_cast<int>(i)), profile.NoIncFileList[i]);
}

bool needsFinalSlash(const std::string& url) {
    return !url.empty() && url.back() != '/' && url.back() != '\\';
}
} // namespace

std::string profileSection(int number) {
    return "Option" + std::to_string(number);
}
std::string defaultProfileName(int number) {
    return "YourSiteName" + std::to_string(number);
}

void LoadSettings(Settings& settings, const SettingsStore& store, const std::string& dataFolder) {
    settings.AddFolderInitPath = store.getString(kCustomize, "AddFolderInitPath", "");
    settings.RunSearchURL = store.getString(kCustomize, "RunSearchURL", Settings().RunSearchURL);
    const int count = std::min(store.getInt(kSettings, "OptionsNum", 1), kMaxProfiles);
    settings.CurOption = store.getInt(kSettings, "CurOption", 1);
    settings.profileNames.clear();
    for (int n = 1; n <= count; ++n)
        settings.profileNames.push_back(
            store.getString(profileSection(n), kOptionName, defaultProfileName(n)));
    // The profile count always equals the number of names.
    settings.OptionsNum = static_cast<int>(settings.profileNames.size());
    LoadProfileSettings(settings, store, dataFolder);
    settings.IndexColon = store.getInt(kSettings, "IndexColon", 0);
}

void SaveSettings(const Settings& settings, SettingsStore& store) {
    SaveGlobalSettings(settings, store);
    SaveProfileSettings(settings, store);
    store.sync();
}

void SaveGlobalSettings(const Settings& settings, SettingsStore& store) {
    store.setString(kCustomize, "AddFolderInitPath", settings.AddFolderInitPath);
    store.setString(kCustomize, "RunSearchURL", settings.RunSearchURL);
    store.setInt(kSettings, "OptionsNum", static_cast<int>(settings.profileNames.size()));
    store.setInt(kSettings, "CurOption", settings.CurOption);
    for (size_t i = 0; i < settings.profileNames.size(); ++i)
        store.setString(profileSection(static_cast<int>(i) + 1), kOptionName, settings.profileNames[i]);
}

void LoadProfileSettings(Settings& settings, const SettingsStore& store, const std::string& dataFolder) {
    const std::string section = profileSection(settings.CurOption);
    ProfileSettings profile = ProfileSettings::defaults(dataFolder);
    for (const ProfileKey& key : profileKeys()) {
        switch (key.kind) {
        case SettingKind::Int:
            profile.*key.intMember = key.nearest(store.getInt(section, key.name, profile.*key.intMember));
            break;
        case SettingKind::String:
            profile.*key.stringMember = store.getString(section, key.name, profile.*key.stringMember);
            break;
        case SettingKind::List:
            readExclusionList(profile, store, section);
            break;
        }
    }
    if (needsFinalSlash(profile.ReplaceURL))
        profile.ReplaceURL += '/';
    settings.profile = std::move(profile);
}

void SaveProfileSettings(const Settings& settings, SettingsStore& store) {
    const std::string section = profileSection(settings.CurOption);
    const ProfileSettings& profile = settings.profile;
    for (const ProfileKey& key : profileKeys()) {
        switch (key.kind) {
        case SettingKind::Int:
            store.setInt(section, key.name, profile.*key.intMember);
            break;
        case SettingKind::String:
            store.setString(section, key.name, profile.*key.stringMember);
            break;
        case SettingKind::List:
            writeExclusionList(profile, store, section);
            break;
        }
    }
}

} // namespace SettingsPersistence
