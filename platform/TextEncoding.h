#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Character sets, through Qt's ICU-backed converters: ICU knows every encoding the web uses under all
// their registered names, which no table of our own would keep up with.
namespace TextEncoding {

// True when ICU knows a character set by this name ("Shift_JIS", "latin2", "cp1252" ...).
bool isKnown(std::string_view charset);

// bytes in the named character set as UTF-8; a byte order mark at the start is dropped and sequences that
// are invalid in the set become U+FFFD. Nothing when the name is unknown.
std::optional<std::string> toUtf8(std::string_view bytes, std::string_view charset);

// True when bytes are well-formed UTF-8.
bool isUtf8(std::string_view bytes);

// The decompressed bytes of a gzip or zlib stream, at most maxBytes of them; nothing when the data is
// damaged or inflates beyond maxBytes (a compression bomb stops there, not at the end of memory).
std::optional<std::string> inflate(std::string_view compressed, std::size_t maxBytes);

} // namespace TextEncoding
