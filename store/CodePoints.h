#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace CodePoints {

struct CodePoint {
    char32_t value;
    size_t bytes;
};

// The code point at byte `at` of UTF-8 text. A byte that starts no valid sequence counts as one
// character of its own, U+FFFD, which is a word character: the search text never holds one, and a
// page read as it is must not lose its bytes.
inline CodePoint Decode(std::string_view text, size_t at) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[at + k]); };
    const unsigned char first = byte(0);
    const size_t length = first < 0x80         ? 1
                          : (first >> 5) == 6  ? 2
                          : (first >> 4) == 14 ? 3
                          : (first >> 3) == 30 ? 4
                                               : 0;
    if (length == 0 || at + length > text.size())
        return {0xFFFD, 1};
    char32_t value = length == 1 ? first : first & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        if ((byte(k) & 0xC0) != 0x80)
            return {0xFFFD, 1};
        value = (value << 6) | (byte(k) & 0x3F);
    }
    return {value, length};
}

// A character test's answers for ASCII, which a scan looks up instead of decoding: most of any text.
template <typename Test> constexpr std::array<bool, 0x80> AsciiAnswers(Test test) {
    std::array<bool, 0x80> answers{};
    for (char32_t c = 0; c < 0x80; ++c)
        answers[c] = test(c);
    return answers;
}

// Calls `visit(start, end)` with the bytes of each longest run of characters that pass `test`, in order;
// `ascii` is AsciiAnswers(test).
template <typename Test, typename Visit>
void ForEachRun(std::string_view text, const std::array<bool, 0x80>& ascii, Test test, Visit visit) {
    size_t start = std::string_view::npos;
    for (size_t at = 0; at < text.size();) {
        const auto first = static_cast<unsigned char>(text[at]);
        bool passes;
        size_t bytes = 1;
        if (first < 0x80) {
            passes = ascii[first];
        } else {
            const CodePoint c = Decode(text, at);
            passes = test(c.value);
            bytes = c.bytes;
        }
        if (passes && start == std::string_view::npos)
            start = at;
        if (!passes && start != std::string_view::npos) {
            visit(start, at);
            start = std::string_view::npos;
        }
        at += bytes;
    }
    if (start != std::string_view::npos)
        visit(start, text.size());
}

} // namespace CodePoints
