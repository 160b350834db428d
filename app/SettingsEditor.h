#pragma once

#include <string>
#include <utility>
#include <vector>

class SettingsStore;
struct Settings;

// Settings as KEY=VALUE text, for the batch commands: listing them and changing them by key.
namespace SettingsEditor {

using KeyValue = std::pair<std::string, std::string>;

// Every setting in print order: the global ones, then the current profile's in table order.
std::vector<KeyValue> list(const Settings& settings);
// The keys that can be set, for messages.
std::string validKeys();
// Splits "KEY=VALUE"; false without "=".
bool split(const std::string& assignment, KeyValue& keyValue);

// Checks every change, then applies them: a change of the current profile first (loading that profile
// from the store), the rest in order. On a bad key or value nothing is applied and `error` says why.
bool apply(Settings& settings, const std::vector<KeyValue>& changes, const SettingsStore& store,
           const std::string& dataFolder, std::string& error);

} // namespace SettingsEditor
