#include "engines/ColourText.h"

#include <cstdint>
#include <cstdio>
#include <utility>

std::string ColourText(int colour) {
    const std::uint32_t value = static_cast<std::uint32_t>(colour) & 0xffffffu;
    char hex[7];
    std::snprintf(hex, sizeof hex, "%06x", static_cast<unsigned>(value));
    // Formatted as a number the colour reads "bbggrr"; swapping the outer byte pairs gives "rrggbb".
    std::string text(hex, 6);
    std::swap(text[0], text[4]);
    std::swap(text[1], text[5]);
    return text;
}
