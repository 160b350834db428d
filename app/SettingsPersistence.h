#pragma once

#include <string>

class SettingsStore;
struct Settings;

// Loading and saving the settings: the global values, the profile names and the current profile.
// Missing or unreadable values read as their defaults.
namespace SettingsPersistence {

void LoadSettings(Settings& settings, const SettingsStore& store, const std::string& dataFolder);
void SaveSettings(const Settings& settings, SettingsStore& store);
// The global part of SaveSettings: "Customize", "Settings" and the profile names.
void SaveGlobalSettings(const Settings& settings, SettingsStore& store);
void LoadProfileSettings(Settings& settings, const SettingsStore& store, const std::string& dataFolder);
void SaveProfileSettings(const Settings& settings, SettingsStore& store);

std::string profileSection(int number);
std::string defaultProfileName(int number);

// Counts read from the store are bounded, so a damaged store cannot make the program read without end.
inline constexpr int kMaxProfiles = 1000;
inline constexpr int kMaxExclusionEntries = 100000;

} // namespace SettingsPersistence
