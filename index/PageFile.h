#pragma once

#include <string>
#include <string_view>

#include "index/PageStop.h"

// Reads a local page into one content string, its lines joined by one LF (lines end at CR LF, LF or a
// lone CR; a final line end adds nothing). With an index strategy other than 0 the reading stops at the
// first line holding a body start tag, keeping only that line's text before the tag.
// False (and empty content) when the file cannot be opened or read, or when stop is requested while a
// large file is read (see PageStop).
// The content is UTF-8 whatever character set the file is written in (see PageToUtf8); fallbackCharset is
// the set of a file that neither declares one nor is UTF-8.
bool ReadPageFile(const std::string& path, std::string& content, int indexStrategy, PageStop* stop = nullptr,
                  std::string_view fallbackCharset = "windows-1252");

// The part of a fetched page before its body start tag ("<", blanks, then "body" in any case); empty when
// the page has none, so a page cut to its head but lacking a body tag yields no fields.
std::string_view CutBeforeBody(std::string_view text);
