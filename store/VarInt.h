#pragma once

#include <string>

namespace VarInt {

// Appends a variable-length number: seven bits a byte, low bits first, the high bit set on every byte but
// the last. The search pages read lists of small numbers in this form a byte at a time.
inline void Append(std::string& out, unsigned long long value) {
    while (value >= 0x80) {
        out += static_cast<char>((value & 0x7F) | 0x80);
        value >>= 7;
    }
    out += static_cast<char>(value);
}

// How many bytes Append writes for the value.
inline size_t Size(unsigned long long value) {
    size_t bytes = 1;
    for (; value >= 0x80; value >>= 7)
        ++bytes;
    return bytes;
}

} // namespace VarInt
