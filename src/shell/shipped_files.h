#pragma once

#include <string_view>

// The bytes of a page or picture shipped in html/ ("intro.htm"), built into
// the program; empty for a name it does not ship.
std::string_view shippedFile(std::string_view name);
