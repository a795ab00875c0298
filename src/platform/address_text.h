#pragma once

#include "platform/code_page.h"

#include <string>
#include <string_view>

// An address as the 8-bit files keep it. One that the code page holds is kept
// as it is; otherwise its encoded form (punycode host, percent-encoded rest),
// which opens the same page and is never '?' in place of a letter.
std::string storableAddress(const std::string& address, const CodePage& page);

// An address as a person reads it: a punycode host in its own letters, and
// the %-escapes of spaces, of letters and of letters beyond ASCII decoded, as
// the address box and the surf log have always shown it. The escapes that
// give an address its parts ("%2F", "%3F", "%25"...) stay, and so does any
// run that is not UTF-8, so the text still opens the same page.
std::string readableAddress(std::string_view uri);
