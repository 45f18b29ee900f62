// The one reader of REG_MULTI_SZ images: both rules for an empty first
// string on the same images, and what a read value's length selects.
#include "store/multi_string.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using store::EmptyFirst;
using Items = std::vector<std::string>;

TEST(MultiStringItems, EndsAtTheFirstEmptyStringUnderEitherRule) {
  struct Case {
    std::string image;
    Items isItem;    // editors and the switch script: never an empty list
    Items endsList;  // readers of live values and marks
  };
  const Case cases[] = {
      {std::string("a\0b\0\0c\0\0", 8), {"a", "b"}, {"a", "b"}},
      {std::string("\0a\0\0", 4), {"", "a"}, {}},
      {std::string("\0\0", 2), {""}, {}},
      {"", {""}, {}},
      {"ab", {"ab"}, {"ab"}},                            // no NUL at all
      {std::string("a\0b", 3), {"a", "b"}, {"a", "b"}},  // cut before its end
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.image));
    EXPECT_EQ(store::MultiStringItems(c.image, EmptyFirst::IsItem), c.isItem);
    EXPECT_EQ(store::MultiStringItems(c.image, EmptyFirst::EndsList), c.endsList);
  }
  // A read value is an image only as far as its length; length 0 is one
  // plain text up to its NUL.
  EXPECT_EQ(store::SplitMultiString(std::string("a\0b\0\0", 5), 2), Items{"a"});
  EXPECT_EQ(store::SplitMultiString(std::string("a\0b\0\0", 5), 0), Items{"a"});
}

}  // namespace
