// The main window's profile selector as the capture and deletion commands
// change it: at the step where they change it, before their final message.
#pragma once

#include <string>

namespace store {

class ProfileSelector {
 public:
  virtual ~ProfileSelector() = default;
  virtual void appendItem(const std::string& ansiTitle) = 0;
  virtual void removeItem(const std::string& ansiTitle) = 0;  // the first equal item
  virtual void clear() = 0;                                   // items and text
  virtual void setText(const std::string& ansiText) = 0;
};

}  // namespace store
