// Conversions between the ANSI code page (932) the program works in and
// Unicode. Literals in the sources are UTF-8 and enter ANSI text through
// ansiFromUtf8 once, where they are used.
#pragma once

#include <string>
#include <string_view>

namespace win {

std::u16string ansiToWide(std::string_view ansi);
std::string wideToAnsi(std::u16string_view wide);
std::string ansiToUtf8(std::string_view ansi);
std::string ansiFromUtf8(std::string_view utf8);
// True when the bytes are valid code page 932 text that converts to Unicode
// and back to the same bytes.
bool isRoundTripAnsi(std::string_view ansi);

// True for a byte that opens a double-byte character in code page 932.
inline bool isLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// True for a byte that can close a double-byte character in code page 932.
inline bool isTrailByte(unsigned char c) {
  return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

}  // namespace win
