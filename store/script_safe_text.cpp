#include "store/script_safe_text.h"

#include <algorithm>

#include "platform/code_page.h"

namespace store {

bool IsScriptSafeText(std::string_view ansi) {
  for (std::size_t i = 0; i < ansi.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(ansi[i]);
    if (win::isLeadByte(c)) {
      // The interpreter takes the next byte as the character's second half
      // whatever it is; a lead byte without a proper partner would swallow
      // the quote or blank that follows the value in the script.
      if (i + 1 >= ansi.size() || !win::isTrailByte(static_cast<unsigned char>(ansi[i + 1])))
        return false;
      ++i;
      continue;
    }
    // A quote would end the quoted name early, and no escape carries one
    // into netsh's argument; a control character would end the line.
    if (c < 0x20 || c == 0x7F || c == '"') return false;
  }
  return true;
}

std::string TrimBlanks(std::string_view ansi) {
  const std::size_t first = ansi.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(ansi.substr(first, ansi.find_last_not_of(' ') - first + 1));
}

bool IsAddressText(std::string_view ansi) {
  // Blanks around the value only separate it from its neighbours in the
  // command; netsh takes the value without them.
  const std::string value = TrimBlanks(ansi);
  return std::all_of(value.begin(), value.end(),
                     [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

}  // namespace store
