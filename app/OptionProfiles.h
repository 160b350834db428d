#pragma once

#include <string>

class MessageService;
class SettingsStore;
struct Settings;

// The operations on option profiles behind the option-profile dialog.
namespace OptionProfiles {

inline constexpr const char* kNameExists = "This name already exist!\nPlease try another name.";

// The name proposed for a new profile.
std::string proposedName(const Settings& settings);
// Saves the settings in memory as a new profile and makes it current. False when nothing changed.
bool createProfile(Settings& settings, const std::string& name, SettingsStore& store,
                   MessageService& messages);
// Renames profile `number` (from 1) in memory; saved with the next settings save.
bool renameProfile(Settings& settings, int number, const std::string& name, MessageService& messages);
// Makes profile `number` (from 1) current, loading its settings; unsaved changes of the old one are dropped.
void makeCurrent(Settings& settings, int number, const SettingsStore& store, const std::string& dataFolder);
// The number (from 1) of the profile with exactly this name, or 0.
int findProfile(const Settings& settings, const std::string& name);

} // namespace OptionProfiles
