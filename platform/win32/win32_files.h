// Files on Windows, through the C runtime's text mode.
#pragma once

#include "platform/files.h"

namespace win32 {

class Win32Files : public win::Files {
 public:
  std::unique_ptr<win::TextFile> openText(const std::string& path, win::TextMode mode) override;
  [[nodiscard]] BOOL DeleteFileA(const char* path) override;
  bool exists(const std::string& path) override;
  std::string currentDirectory() override;
};

}  // namespace win32
