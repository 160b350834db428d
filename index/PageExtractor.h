#pragma once

#include <string>
#include <string_view>

// File kinds: how a page's content is read.
namespace FileKinds {
constexpr int Text = 0;       // the whole text is indexed
constexpr int Html = 1;       // parsed as HTML
constexpr int NotIndexed = 2; // skipped
} // namespace FileKinds

// The five text fields of an index record, each ready to stand inside a double-quoted script string.
struct PageFields {
    std::string title;
    std::string keywords;
    std::string description;
    std::string linkDescription;
    std::string text;
};

// Turns a page's raw content into its fields. indexColon 1 keeps double quotes (as backslash + quote);
// any other value drops them. Never fails.
PageFields ExtractPageText(std::string_view content, int kind, int indexColon);

// Reads the name (lower case) and the double-quoted content value of one meta tag's attribute text.
// True when a quoted content value was found.
bool ParseMetaTag(std::string_view attributes, std::string& name, std::string& value);

// Trims white space at both ends and shrinks every run of blanks.
std::string CollapseWhitespace(std::string_view text);
