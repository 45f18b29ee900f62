// Whether a stored value can reach the switch script as what it is. The
// switch checks every value it is about to write into the script; the
// profile import checks a file's values with the same rules before they are
// stored. Text is ANSI (code page 932).
#pragma once

#include <string>
#include <string_view>

namespace store {

// True when `ansi` can stand in the script as a connection name. A
// connection name stands quoted (and escaped in the headers), so only what
// no quoting carries is refused: a double quote, a control character such as
// CR or LF, or a double-byte character cut off at its end. Bytes that are the
// second half of a double-byte character are text, as the command
// interpreter of a Japanese system reads them ("ポ" is 0x83 0x7C).
bool IsScriptSafeText(std::string_view ansi);
// True when `ansi` holds only digits and dots (or nothing), with blanks
// around them allowed: an address, mask, metric or DNS server as netsh
// takes it unquoted.
bool IsAddressText(std::string_view ansi);
// `ansi` without the blanks around it.
std::string TrimBlanks(std::string_view ansi);

}  // namespace store
