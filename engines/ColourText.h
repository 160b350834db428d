#pragma once

#include <string>

// A colour reference (red in the low byte, then green, then blue) as the six lower-case hex digits
// "rrggbb" that web pages expect. Only the 24 colour bits count: the high byte of a colour reference
// carries flags, not colour.
std::string ColourText(int colour);
