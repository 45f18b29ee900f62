// Code page conversions on Windows: the system's own ANSI code page.
#include "platform/code_page.h"

#include <windows.h>

namespace win {

std::u16string ansiToWide(std::string_view ansi) {
  if (ansi.empty()) return {};
  int length = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), int(ansi.size()), nullptr, 0);
  std::u16string wide(size_t(length), u'\0');
  ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), int(ansi.size()),
                        reinterpret_cast<wchar_t*>(wide.data()), length);
  return wide;
}

std::string wideToAnsi(std::u16string_view wide) {
  if (wide.empty()) return {};
  auto* text = reinterpret_cast<const wchar_t*>(wide.data());
  int length =
      ::WideCharToMultiByte(CP_ACP, 0, text, int(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string ansi(size_t(length), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text, int(wide.size()), ansi.data(), length, nullptr, nullptr);
  return ansi;
}

static std::string utf8FromWide(std::u16string_view wide) {
  if (wide.empty()) return {};
  auto* text = reinterpret_cast<const wchar_t*>(wide.data());
  int length =
      ::WideCharToMultiByte(CP_UTF8, 0, text, int(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(size_t(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, int(wide.size()), utf8.data(), length, nullptr, nullptr);
  return utf8;
}

std::string ansiToUtf8(std::string_view ansi) {
  return utf8FromWide(ansiToWide(ansi));
}

std::string ansiFromUtf8(std::string_view utf8) {
  if (utf8.empty()) return {};
  int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
  std::u16string wide(size_t(length), u'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()),
                        reinterpret_cast<wchar_t*>(wide.data()), length);
  return wideToAnsi(wide);
}

bool isRoundTripAnsi(std::string_view ansi) {
  if (ansi.empty()) return true;
  int length = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), int(ansi.size()),
                                     nullptr, 0);
  return length > 0 && wideToAnsi(ansiToWide(ansi)) == ansi;
}

}  // namespace win
