#pragma once

#include <string_view>

// Character tests on bytes: text is UTF-8 held as bytes, and letter case is folded for ASCII only.
namespace AsciiText {

constexpr bool isLineBreak(char c) {
    return c == '\r' || c == '\n';
}

// Space, tab, line feed, carriage return, vertical tab and form feed.
constexpr bool isWhiteSpace(char c) {
    return c == ' ' || c == '\t' || isLineBreak(c) || c == '\v' || c == '\f';
}

constexpr char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Equal when ASCII letters are folded to lower case.
constexpr bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

// True when `text` begins with `prefix`, ASCII letters compared without case.
constexpr bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

// The name order of folder listings: bytes compared with ASCII letters folded to lower case (as
// strcasecmp compares), ties broken by plain byte order, so every listing comes out the same.
constexpr bool lessIgnoringCase(std::string_view a, std::string_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(lower(a[i]));
        const auto y = static_cast<unsigned char>(lower(b[i]));
        if (x != y)
            return x < y;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

} // namespace AsciiText
