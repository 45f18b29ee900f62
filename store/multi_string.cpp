#include "store/multi_string.h"

#include <algorithm>

namespace store {

std::vector<std::string> MultiStringItems(std::string_view image, EmptyFirst emptyFirst) {
  std::vector<std::string> items;
  std::size_t pos = 0;
  while (true) {
    std::size_t stop = std::min(image.find('\0', pos), image.size());
    std::string_view item = image.substr(pos, stop - pos);
    if (item.empty() && (!items.empty() || emptyFirst == EmptyFirst::EndsList)) break;
    items.emplace_back(item);
    if (stop >= image.size()) break;
    pos = stop + 1;
  }
  return items;
}

std::vector<std::string> SplitMultiString(const std::string& bytes, win::DWORD length) {
  if (length == 0) {
    std::string text = bytes.substr(0, bytes.find('\0'));
    if (text.empty()) return {};
    return {std::move(text)};
  }
  return MultiStringItems(std::string_view(bytes).substr(0, length), EmptyFirst::EndsList);
}

std::string MultiStringImage(const std::vector<std::string>& items) {
  std::string image;
  for (const std::string& item : items) image += item + '\0';
  image += '\0';
  if (image.size() < 2) image += '\0';
  return image;
}

}  // namespace store
