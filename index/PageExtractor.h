#pragma once

#include <string>
#include <string_view>

#include "index/PageStop.h"

// File kinds: how a page's content is read.
namespace FileKinds {
constexpr int Text = 0;       // the whole text is indexed
constexpr int Html = 1;       // parsed as HTML
constexpr int NotIndexed = 2; // skipped
} // namespace FileKinds

// The five text fields of an index record, each ready to stand inside a double-quoted script string:
// no line breaks, every backslash either doubled or escaping a double quote, every double quote escaped.
struct PageFields {
    std::string title;
    std::string keywords;
    std::string description;
    std::string linkDescription;
    std::string text;
};

// Turns a page's raw content into its fields. indexColon 1 keeps double quotes (as backslash + quote);
// any other value drops them. A page without a title, and every kind other than Html, gets "NO TITLE";
// a kind other than Text and Html yields nothing else. Never fails, but stops early once stop is
// requested (see PageStop).
PageFields ExtractPageText(std::string_view content, int kind, int indexColon, PageStop* stop = nullptr);

// Reads the name (lower case) and the double-quoted content value of one meta tag's attribute text.
// True when a quoted content value was found; name and value are set as far as found either way.
// The value is returned as written in the tag (blanks collapsed), not yet escaped for a script string.
bool ParseMetaTag(std::string_view attributes, std::string& name, std::string& value);

// Trims white space at both ends and shrinks every run of blanks to its last character; a line break
// that ends a run becomes one space.
std::string CollapseWhitespace(std::string_view text);
