// Conversions between the ANSI code page (932) the program works in and
// Unicode. Literals in the sources are UTF-8 and enter ANSI text through
// ansiFromUtf8 once, where they are used.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace win {

// Code page 932 to and from UTF-16, as MultiByteToWideChar and
// WideCharToMultiByte with code page 932 convert: every byte below 0x80 is
// the code point of the same number, a character the code page lacks becomes
// "?". Nothing when the system could not convert at all: an empty text in its
// place would name another key or file than the one meant.
[[nodiscard]] std::optional<std::u16string> ansiToWide(std::string_view ansi);
[[nodiscard]] std::optional<std::string> wideToAnsi(std::u16string_view wide);

// Text to show (UTF-8 for the terminal and the windows) and the program's
// own literals. A text the system could not convert is shown byte for byte
// where it is ASCII and with "?" for every other character, never as an
// empty text, so that what is shown still tells one item from another.
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
