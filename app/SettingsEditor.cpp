#include "app/SettingsEditor.h"

#include "app/OptionProfiles.h"
#include "app/Settings.h"
#include "app/SettingsPersistence.h"
#include "app/SettingsSchema.h"

namespace SettingsEditor {

namespace {

enum class Target {
    AddFolderInitPath,
    RunSearchURL,
    OptionsNum,
    CurOption,
    IndexColon,
    OptionName,
    Profile,
    Item
};

struct Resolved {
    Target target;
    const ProfileKey* key = nullptr;
    int item = 0;
};

std::optional<Resolved> resolve(const std::string& name) {
    static const std::pair<const char*, Target> globals[] = {{"AddFolderInitPath", Target::AddFolderInitPath},
                                                             {"RunSearchURL", Target::RunSearchURL},
                                                             {"OptionsNum", Target::OptionsNum},
                                                             {"CurOption", Target::CurOption},
                                                             {"IndexColon", Target::IndexColon},
                                                             {"OptionName", Target::OptionName}};
    for (const auto& [key, target] : globals)
        if (name == key)
            return Resolved{target};
    if (const ProfileKey* key = findProfileKey(name))
        return Resolved{Target::Profile, key};
    const std::string_view prefix = kExclusionItemPrefix;
    if (name.starts_with(prefix)) {
        const auto index = parseInt(std::string_view(name).substr(prefix.size()));
        if (index && *index >= 0 && *index < SettingsPersistence::kMaxExclusionEntries &&
            name[prefix.size()] != '+')
            return Resolved{Target::Item, nullptr, *index};
    }
    return std::nullopt;
}

bool takesNumber(const Resolved& r) {
    switch (r.target) {
    case Target::OptionsNum:
    case Target::CurOption:
    case Target::IndexColon:
        return true;
    case Target::Profile:
        return r.key->kind != SettingKind::String;
    default:
        return false;
    }
}

// Checks a change; empty when it can be applied.
std::string check(const Settings& settings, const std::string& key, const std::string& value,
                  const Resolved& r) {
    const std::optional<int> number = parseInt(value);
    if (takesNumber(r) && !number)
        return "The setting " + key + " takes a whole number, not \"" + value + "\".";
    if (r.target == Target::OptionsNum)
        return "OptionsNum is the number of option profiles and cannot be set.";
    if (r.target == Target::CurOption &&
        (*number < 1 || *number > static_cast<int>(settings.profileNames.size())))
        return "CurOption must name an existing option profile, from 1 to " +
               std::to_string(settings.profileNames.size()) + ".";
    if (r.target == Target::Profile && r.key->kind == SettingKind::Int && !r.key->inRange(*number))
        return "The setting " + key + " takes a number from " + std::to_string(r.key->minimum) + " to " +
               std::to_string(r.key->maximum) + ", not " + value + ".";
    if (r.target == Target::Profile && r.key->kind == SettingKind::List &&
        (*number < 0 || *number > SettingsPersistence::kMaxExclusionEntries))
        return "The setting " + key + " takes a count from 0 to " +
               std::to_string(SettingsPersistence::kMaxExclusionEntries) + ".";
    if (r.target == Target::OptionName && settings.currentProfileName().empty())
        return "The current option profile has no name to change.";
    return {};
}

void assign(Settings& settings, const Resolved& r, const std::string& value) {
    ProfileSettings& profile = settings.profile;
    switch (r.target) {
    case Target::AddFolderInitPath:
        settings.AddFolderInitPath = value;
        break;
    case Target::RunSearchURL:
        settings.RunSearchURL = value;
        break;
    case Target::IndexColon:
        settings.IndexColon = *parseInt(value);
        break;
    case Target::OptionName:
        settings.profileNames[static_cast<size_t>(settings.CurOption) - 1] = value;
        break;
    case Target::Item:
        if (profile.NoIncFileList.size() <= static_cast<size_t>(r.item))
            profile.NoIncFileList.resize(static_cast<size_t>(r.item) + 1);
        profile.NoIncFileList[static_cast<size_t>(r.item)] = value;
        break;
    case Target::Profile:
        if (r.key->kind == SettingKind::String)
            profile.*r.key->stringMember = value;
        else if (r.key->kind == SettingKind::Int)
            profile.*r.key->intMember = *parseInt(value);
        else
            profile.NoIncFileList.resize(static_cast<size_t>(*parseInt(value)));
        break;
    case Target::OptionsNum:
    case Target::CurOption:
        break;
    }
}

} // namespace

std::vector<KeyValue> list(const Settings& settings) {
    std::vector<KeyValue> out{{"AddFolderInitPath", settings.AddFolderInitPath},
                              {"RunSearchURL", settings.RunSearchURL},
                              {"OptionsNum", std::to_string(settings.OptionsNum)},
                              {"CurOption", std::to_string(settings.CurOption)},
                              {"IndexColon", std::to_string(settings.IndexColon)},
                              {"OptionName", settings.currentProfileName()}};
    const ProfileSettings& profile = settings.profile;
    for (const ProfileKey& key : profileKeys()) {
        switch (key.kind) {
        case SettingKind::Int:
            out.emplace_back(key.name, std::to_string(profile.*key.intMember));
            break;
        case SettingKind::String:
            out.emplace_back(key.name, profile.*key.stringMember);
            break;
        case SettingKind::List:
            out.emplace_back(key.name, std::to_string(profile.NoIncFileList.size()));
            for (size_t i = 0; i < profile.NoIncFileList.size(); ++i)
                out.emplace_back(std::string(kExclusionItemPrefix) + std::to_string(i),
                                 profile.NoIncFileList[i]);
            break;
        }
    }
    return out;
}

std::string validKeys() {
    std::string keys = "AddFolderInitPath, RunSearchURL, CurOption, IndexColon, OptionName";
    for (const ProfileKey& key : profileKeys())
        keys += std::string(", ") + key.name;
    keys += ", " + std::string(kExclusionItemPrefix) + "<n>";
    return keys;
}

bool split(const std::string& assignment, KeyValue& keyValue) {
    const size_t eq = assignment.find('=');
    if (eq == std::string::npos || eq == 0)
        return false;
    keyValue = {assignment.substr(0, eq), assignment.substr(eq + 1)};
    return true;
}

bool apply(Settings& settings, const std::vector<KeyValue>& changes, const SettingsStore& store,
           const std::string& dataFolder, std::string& error) {
    std::vector<std::pair<Resolved, std::string>> resolved;
    for (const auto& [key, value] : changes) {
        const std::optional<Resolved> r = resolve(key);
        if (!r) {
            error = "Unknown setting \"" + key + "\". Valid settings: " + validKeys() + ".";
            return false;
        }
        error = check(settings, key, value, *r);
        if (!error.empty())
            return false;
        resolved.emplace_back(*r, value);
    }
    for (const auto& [r, value] : resolved)
        if (r.target == Target::CurOption)
            OptionProfiles::makeCurrent(settings, *parseInt(value), store, dataFolder);
    for (const auto& [r, value] : resolved)
        assign(settings, r, value);
    return true;
}

} // namespace SettingsEditor
