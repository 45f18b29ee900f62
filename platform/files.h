// Files on the machine's drives, addressed by Windows paths ("C:\WINDOWS\x.txt";
// a relative path is relative to the process's current directory). Text files
// are opened in Windows text mode: "\n" is written as "\r\n" and "\r\n" reads
// back as "\n".
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/win_types.h"

namespace win {

class TextFile {
 public:
  virtual ~TextFile() = default;
  // Reads like fgets with a buffer of `bufferSize` bytes: at most bufferSize-1
  // characters, up to and including the next line break. False at end of file
  // with nothing read.
  [[nodiscard]] virtual bool readLine(std::string& line, int bufferSize) = 0;
  [[nodiscard]] virtual bool write(std::string_view text) = 0;
  // Hands what was written so far to the system, so that it survives the
  // process being killed.
  [[nodiscard]] virtual bool flush() { return true; }
  // Flushes and closes; false when the data could not be written.
  [[nodiscard]] virtual bool close() = 0;
};

enum class TextMode { Read, Write, Append };

class Files {
 public:
  virtual ~Files() = default;
  // Null when the file cannot be opened (missing for reading, folder missing
  // or not writable for writing), as fopen returns.
  virtual std::unique_ptr<TextFile> openText(const std::string& path, TextMode mode) = 0;
  [[nodiscard]] virtual BOOL DeleteFileA(const char* path) = 0;
  virtual bool exists(const std::string& path) = 0;
  virtual std::string currentDirectory() = 0;
};

}  // namespace win
