#include "platform/profile_text.h"

#include <algorithm>
#include <cstring>

namespace win {

DWORD copyProfileText(const std::string& text, char* out, DWORD size) {
  DWORD length = DWORD(std::min<std::size_t>(text.size(), size - 1));
  std::memcpy(out, text.data(), length);
  out[length] = '\0';
  return length;
}

DWORD copyProfileList(const std::vector<std::string>& names, char* out, DWORD size) {
  std::string list;
  for (const std::string& name : names) list += name + '\0';
  if (list.size() + 1 <= size) {
    std::memcpy(out, list.data(), list.size());
    out[list.size()] = '\0';
    return DWORD(list.size());
  }
  if (size < 2) {
    out[0] = '\0';
    return 0;
  }
  std::memcpy(out, list.data(), size - 2);
  out[size - 2] = '\0';
  out[size - 1] = '\0';
  return size - 2;
}

}  // namespace win
