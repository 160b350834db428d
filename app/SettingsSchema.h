#pragma once

#include "app/Settings.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

enum class SettingKind { Int, String, List };

// One value of a profile section, in the order the section is written. A bounded number is refused
// outside its range when set, and read as the nearest bound from a store written by hand or by an older
// version.
struct ProfileKey {
    const char* name;
    SettingKind kind;
    int ProfileSettings::*intMember = nullptr;
    std::string ProfileSettings::*stringMember = nullptr;
    bool bounded = false;
    int minimum = 0;
    int maximum = 0;

    bool inRange(int value) const { return !bounded || (value >= minimum && value <= maximum); }
    int nearest(int value) const;
};

// The values of a profile section in table order; the exclusion list appears once, as its count key.
std::span<const ProfileKey> profileKeys();

const ProfileKey* findProfileKey(std::string_view name);

// Brings every bounded number of the profile into its range.
void ClampToBounds(ProfileSettings& profile);

inline constexpr std::string_view kExclusionCountKey = "NoIncFileListItemNum";
inline constexpr std::string_view kExclusionItemPrefix = "NoIncFileListItem";

// Parses a whole decimal 32-bit integer ("12", "-3"); anything else gives nothing.
std::optional<int> parseInt(std::string_view text);
