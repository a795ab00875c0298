#pragma once

#include <gdkmm/rgba.h>

#include <cstdint>

// Colour values as stored: red in the lowest byte, then green, then blue.
namespace ColorValue {

// Bits above the blue byte (a system colour's flag, a negative value) are
// ignored, as the stored value has always been read.
Gdk::RGBA toColor(std::int64_t value);
std::int64_t fromColor(const Gdk::RGBA& color);

} // namespace ColorValue

// Adds style rules for this program's own widgets to the display, once for
// each set of rules however many widgets ask.
void addStyleRules(const char* css);
