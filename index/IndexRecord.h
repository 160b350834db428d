#pragma once

#include <string>
#include <string_view>

#include "index/PageExtractor.h"

struct ProfileSettings;

// What the index keeps of one page: its record number, its link and the five extracted fields.
struct IndexRecord {
    int number = 0;
    std::string link; // in the profile's link form, ready to stand inside a double-quoted script string
    PageFields fields;
};

namespace IndexDataFormat {
inline constexpr std::string_view kHeader = "arrFiles=new Array();";
std::string recordLine(const IndexRecord& record);
std::string trailer(int recordCount);
} // namespace IndexDataFormat

// The record's link for a page at `location` (a file path or web address) under the job's `root`:
// relative, absolute with the root replaced, or unchanged, as the profile says. The root counts only where
// the location begins with it. Backslashes become "/"; quotes and line breaks are escaped for the
// script string the link is written into.
std::string MakeRecordLink(const std::string& location, const std::string& root,
                           const ProfileSettings& profile);

// Escapes a link for a double-quoted script string: a quote as \", CR as \r, LF as \n.
std::string EscapeLink(std::string_view link);
