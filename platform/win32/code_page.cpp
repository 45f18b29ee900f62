// Code page conversions on Windows. The program's ANSI text is code page 932
// whatever the system's own ANSI code page is, so the conversions name it.
#include "platform/code_page.h"

#include "platform/win_types.h"

#include <climits>

namespace win {

namespace {

constexpr UINT kAnsiCodePage = 932;

// Both calls take int lengths and answer 0 on failure; a failure of either
// the measuring or the converting call is a failure of the conversion.
std::optional<std::u16string> toWide(UINT codePage, DWORD flags, std::string_view text) {
  if (text.empty()) return std::u16string();
  if (text.size() > size_t(INT_MAX)) return std::nullopt;
  int length = ::MultiByteToWideChar(codePage, flags, text.data(), int(text.size()), nullptr, 0);
  if (length <= 0) return std::nullopt;
  std::u16string wide(size_t(length), u'\0');
  if (::MultiByteToWideChar(codePage, flags, text.data(), int(text.size()),
                            reinterpret_cast<wchar_t*>(wide.data()), length) != length)
    return std::nullopt;
  return wide;
}

std::optional<std::string> fromWide(UINT codePage, std::u16string_view wide) {
  if (wide.empty()) return std::string();
  if (wide.size() > size_t(INT_MAX)) return std::nullopt;
  auto* text = reinterpret_cast<const wchar_t*>(wide.data());
  int length =
      ::WideCharToMultiByte(codePage, 0, text, int(wide.size()), nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::nullopt;
  std::string out(size_t(length), '\0');
  if (::WideCharToMultiByte(codePage, 0, text, int(wide.size()), out.data(), length, nullptr,
                            nullptr) != length)
    return std::nullopt;
  return out;
}

// What is shown in place of a text the system could not convert: its ASCII
// as it is, "?" for every other character (a double-byte character counts
// once, a UTF-8 sequence once).
std::string shownInstead(std::string_view text, bool utf8) {
  std::string shown;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      shown += char(c);
      continue;
    }
    shown += '?';
    if (utf8) {
      while (i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) ++i;
    } else if (isLeadByte(c) && i + 1 < text.size()) {
      ++i;
    }
  }
  return shown;
}

}  // namespace

std::optional<std::u16string> ansiToWide(std::string_view ansi) {
  return toWide(kAnsiCodePage, 0, ansi);
}

std::optional<std::string> wideToAnsi(std::u16string_view wide) {
  return fromWide(kAnsiCodePage, wide);
}

std::string ansiToUtf8(std::string_view ansi) {
  std::optional<std::u16string> wide = ansiToWide(ansi);
  std::optional<std::string> utf8 = wide ? fromWide(CP_UTF8, *wide) : std::nullopt;
  return utf8 ? *utf8 : shownInstead(ansi, false);
}

std::string ansiFromUtf8(std::string_view utf8) {
  std::optional<std::u16string> wide = toWide(CP_UTF8, 0, utf8);
  std::optional<std::string> ansi = wide ? wideToAnsi(*wide) : std::nullopt;
  return ansi ? *ansi : shownInstead(utf8, true);
}

bool isRoundTripAnsi(std::string_view ansi) {
  if (ansi.empty()) return true;
  if (!toWide(kAnsiCodePage, MB_ERR_INVALID_CHARS, ansi)) return false;
  std::optional<std::u16string> wide = ansiToWide(ansi);
  std::optional<std::string> back = wide ? wideToAnsi(*wide) : std::nullopt;
  return back && *back == ansi;
}

}  // namespace win
