#pragma once

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

} // namespace AsciiText
