// How GetProfileStringA hands its answer to the caller's buffer, shared by
// both machines so that they cut long answers the same way.
#pragma once

#include <string>
#include <vector>

#include "platform/win_types.h"

namespace win {

// Copies a text, cut to fit with its NUL; the count copied without the NUL.
[[nodiscard]] DWORD copyProfileText(const std::string& text, char* out, DWORD size);
// Copies a list of names as "a\0b\0\0". A list that does not fit is cut and
// still ends with two NULs, and size-2 is returned, as Windows does.
[[nodiscard]] DWORD copyProfileList(const std::vector<std::string>& names, char* out, DWORD size);

}  // namespace win
