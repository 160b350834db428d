#pragma once

#include <QColor>
#include <string>

// How the Output page shows and converts the result fonts and colours. A font is kept as a face and an
// HTML font size 1 to 7; a colour as a colour reference (red in the low byte, then green, then blue).
namespace OutputStyleText {

// The point size of an HTML font size; a size outside 1 to 7 counts as the nearest of them.
int HtmlSizeToPoints(int size);
// The HTML font size of a point size: the smallest whose point size is at least as large, 7 above 36.
int PointsToHtmlSize(int points);
// "face,Size=n".
std::string FontLabel(const std::string& face, int size);
// The colour reference in lower-case hex, at least six digits, in braces: pure red reads {0000ff}.
std::string ColourLabel(int colour);
QColor ColourFromReference(int colour);
int ReferenceFromColour(const QColor& colour);

} // namespace OutputStyleText
