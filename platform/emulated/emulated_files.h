// Drive C: of the emulated machine, kept under the machine's drive_c/ folder.
// Windows paths are matched case-insensitively against what exists.
#pragma once

#include <string>

#include "platform/files.h"

namespace emu {

class EmulatedFiles : public win::Files {
 public:
  // `driveC` is the host folder that holds drive C:. `currentDirectory` is a
  // Windows path ("C:\").
  EmulatedFiles(std::string driveC, std::string currentDirectory);

  std::unique_ptr<win::TextFile> openText(const std::string& path, win::TextMode mode) override;
  [[nodiscard]] win::BOOL DeleteFileA(const char* path) override;
  bool exists(const std::string& path) override;
  std::string currentDirectory() override { return currentDirectory_; }
  void setCurrentDirectory(const std::string& path) { currentDirectory_ = path; }
  // Creates a folder with the folders above it (for the machine tool).
  [[nodiscard]] bool createDirectory(const std::string& path);

  // The host path for a Windows path: existing components are found
  // case-insensitively, the rest keep the spelling given. Empty when the
  // path is not on drive C: or leaves it through "..".
  std::string hostPath(const std::string& windowsPath) const;
  // The full Windows path ("C:\A\B") of a path relative to the current
  // directory, with "." and ".." resolved.
  std::string fullPath(const std::string& windowsPath) const;

 private:
  std::string driveC_;
  std::string currentDirectory_;
};

}  // namespace emu
