#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Plain file reading and writing as the program needs it: text is bytes, lines end at CR LF, LF or a lone CR.
namespace TextFile {

// The whole file as bytes; false when it cannot be opened or read, or is not a regular file.
// stopRequested, when given, is asked between reads of a megabyte each (never for a file of a megabyte or
// less); once it answers true the reading ends, false.
bool readAll(const std::string& path, std::string& content, const std::function<bool()>& stopRequested = {});

// Splits text into lines without their line ends; a last line without a line end counts,
// and a final line end does not start another line.
std::vector<std::string> splitLines(std::string_view text);

// The lines of a file; false when it cannot be opened or read.
bool readLines(const std::string& path, std::vector<std::string>& lines);

// Appends the bytes to the file (created when missing), then closes it.
// True only when the open, the whole write and the close all succeeded.
bool append(const std::string& path, std::string_view text);

} // namespace TextFile
