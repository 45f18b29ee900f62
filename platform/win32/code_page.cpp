// Code page conversions on Windows. The program's ANSI text is code page 932
// whatever the system's own ANSI code page is, so the conversions name it.
#include "platform/code_page.h"

#include "platform/win_types.h"

namespace win {

namespace {

constexpr UINT kAnsiCodePage = 932;

std::u16string toWide(UINT codePage, DWORD flags, std::string_view text) {
  if (text.empty()) return {};
  int length = ::MultiByteToWideChar(codePage, flags, text.data(), int(text.size()), nullptr, 0);
  if (length <= 0) return {};
  std::u16string wide(size_t(length), u'\0');
  ::MultiByteToWideChar(codePage, flags, text.data(), int(text.size()),
                        reinterpret_cast<wchar_t*>(wide.data()), length);
  return wide;
}

std::string fromWide(UINT codePage, std::u16string_view wide) {
  if (wide.empty()) return {};
  auto* text = reinterpret_cast<const wchar_t*>(wide.data());
  int length =
      ::WideCharToMultiByte(codePage, 0, text, int(wide.size()), nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string out(size_t(length), '\0');
  ::WideCharToMultiByte(codePage, 0, text, int(wide.size()), out.data(), length, nullptr, nullptr);
  return out;
}

}  // namespace

std::u16string ansiToWide(std::string_view ansi) {
  return toWide(kAnsiCodePage, 0, ansi);
}

std::string wideToAnsi(std::u16string_view wide) {
  return fromWide(kAnsiCodePage, wide);
}

std::string ansiToUtf8(std::string_view ansi) {
  return fromWide(CP_UTF8, ansiToWide(ansi));
}

std::string ansiFromUtf8(std::string_view utf8) {
  return wideToAnsi(toWide(CP_UTF8, 0, utf8));
}

bool isRoundTripAnsi(std::string_view ansi) {
  if (ansi.empty()) return true;
  return !toWide(kAnsiCodePage, MB_ERR_INVALID_CHARS, ansi).empty() &&
         wideToAnsi(ansiToWide(ansi)) == ansi;
}

}  // namespace win
