// The display pairs "left --- right" that the live view's detail lists and
// the TCP/IP editor's lists show: an address with its mask, a gateway with
// its metric. Text is ANSI.
#pragma once

#include <string>

namespace views {

inline constexpr const char* kPairSeparator = " --- ";

// The display pair of `left` and `right`.
inline std::string JoinPair(const std::string& left, const std::string& right) {
  return left + kPairSeparator + right;
}

}  // namespace views
