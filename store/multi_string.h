// REG_MULTI_SZ images: the strings of a list stored as NUL-terminated
// strings followed by an empty one. Every reader of such a list parses it
// here. Text is ANSI.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/win_types.h"

namespace store {

// Whether an empty first string ends the list like any other empty string
// (a list read for what it holds may be empty) or is an item of its own (a
// list whose first string is edited or written into a command always has
// one, so that an empty value still fills its place).
enum class EmptyFirst { EndsList, IsItem };

// The strings of an image up to the first empty one or the end of the
// image, whichever comes first.
std::vector<std::string> MultiStringItems(std::string_view image,
                                          EmptyFirst emptyFirst = EmptyFirst::IsItem);

// The same for a value read by ReadRawValue: `length` 0 is one plain text
// (up to its first NUL), any other length an image of that many bytes. An
// empty plain text and an empty first string give no strings.
std::vector<std::string> SplitMultiString(const std::string& bytes, win::DWORD length);

// The image of `items`: each with its NUL, then the empty string; an empty
// list is two NULs, as Windows stores it.
std::string MultiStringImage(const std::vector<std::string>& items);

}  // namespace store
