#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The start addresses the user has typed, kept in "Urls.log" in the program folder so that the address
// dialog can offer them again.
struct UrlHistory {
    std::uint32_t reserved = 0;       // never interpreted; kept so a rewritten file keeps it
    std::int32_t selection = -1;      // entry selected in the dialog, -1 for none
    std::int32_t checkRootLinks = 0;  // the dialog's check box, stored and restored only
    std::vector<std::string> entries; // newest first, as the dialog lists them
};

inline constexpr std::string_view kUrlHistoryFileName = "Urls.log";

// The file's bytes, little-endian: reserved word, selection, check flag (4 bytes each); the entry count
// (2 bytes, or 0xFFFF and 4 bytes from 65535 entries on); then each entry as a length prefix and its
// bytes. A length below 255 takes 1 byte; below 0xFFFE it is 0xFF and 2 bytes; above that 0xFF, 0xFFFF
// and 4 bytes.
std::string EncodeUrlHistory(const UrlHistory& history);

// Reads those bytes back. Nothing when they are truncated, carry anything after the last entry or a
// length that does not fit the rest; no count or length is trusted beyond the bytes that remain. A
// selection outside the entries reads as -1.
std::optional<UrlHistory> DecodeUrlHistory(std::string_view bytes);

// True when the file was read and decoded. A missing, unreadable or damaged file leaves an empty history;
// a history that cannot be restored is simply started again, without bothering the user.
bool LoadUrlHistory(const std::filesystem::path& path, UrlHistory& history);

// Replaces the file with the history; false when it cannot be written completely.
bool SaveUrlHistory(const std::filesystem::path& path, const UrlHistory& history);

// Puts an address the user has just chosen at the top: an equal entry (the one nearest the end, compared
// exactly) is removed first, so choosing an old address moves it instead of repeating it. The new top
// entry becomes the selection.
void RememberAddress(UrlHistory& history, std::string address);
