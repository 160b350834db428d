#pragma once

#include <string>

// Reads a local page into one content string, its lines joined by one LF. With an index strategy other
// than 0 the reading stops at the body start tag. False when the file cannot be opened.
bool ReadPageFile(const std::string& path, std::string& content, int indexStrategy);
