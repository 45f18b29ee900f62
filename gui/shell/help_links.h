// Where the Help menu leads: the manual in the installation folder and the
// support web page.
#pragma once

#include <string>

#include "store/context.h"

namespace app {

inline constexpr const char* kSupportPageAddress = "https://verantu.example.jp/support/";

// "<InsDir>verantu.pdf" (InsDir ends with a backslash), or "verantu.pdf" in
// the current directory when the installation folder is not recorded.
std::string ManualPath(const store::Context& ctx);

}  // namespace app
