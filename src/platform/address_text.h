#pragma once

#include "platform/code_page.h"

#include <string>

// An address as the 8-bit files keep it. One that the code page holds is kept
// as it is; otherwise its encoded form (punycode host, percent-encoded rest),
// which opens the same page and is never '?' in place of a letter.
std::string storableAddress(const std::string& address, const CodePage& page);
