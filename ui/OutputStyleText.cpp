#include "ui/OutputStyleText.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace OutputStyleText {

namespace {
constexpr std::array<int, 7> kPoints = {8, 10, 12, 14, 18, 24, 36};
}

int HtmlSizeToPoints(int size) {
    return kPoints[static_cast<size_t>(std::clamp(size, 1, 7) - 1)];
}

int PointsToHtmlSize(int points) {
    for (size_t n = 0; n < kPoints.size(); ++n)
        if (kPoints[n] >= points)
            return static_cast<int>(n) + 1;
    return 7;
}

std::string FontLabel(const std::string& face, int size) {
    return face + ",Size=" + std::to_string(size);
}

std::string ColourLabel(int colour) {
    char text[16];
    std::snprintf(text, sizeof text, "{%06x}", static_cast<unsigned>(colour));
    return text;
}

QColor ColourFromReference(int colour) {
    return QColor(colour & 0xff, (colour >> 8) & 0xff, (colour >> 16) & 0xff);
}

int ReferenceFromColour(const QColor& colour) {
    return colour.red() | (colour.green() << 8) | (colour.blue() << 16);
}

} // namespace OutputStyleText
