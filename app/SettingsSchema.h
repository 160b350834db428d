#pragma once

#include "app/Settings.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

enum class SettingKind { Int, String, List };

// One value of a profile section, in the order the section is written.
struct ProfileKey {
    const char* name;
    SettingKind kind;
    int ProfileSettings::*intMember = nullptr;
    std::string ProfileSettings::*stringMember = nullptr;
};

// The values of a profile section in table order; the exclusion list appears once, as its count key.
std::span<const ProfileKey> profileKeys();

const ProfileKey* findProfileKey(std::string_view name);

inline constexpr std::string_view kExclusionCountKey = "NoIncFileListItemNum";
inline constexpr std::string_view kExclusionItemPrefix = "NoIncFileListItem";

// Parses a whole decimal 32-bit integer ("12", "-3"); anything else gives nothing.
std::optional<int> parseInt(std::string_view text);
