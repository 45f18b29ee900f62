#include "platform/win32/win32_files.h"

#include <cstdio>

#include "platform/win32/win32_text.h"

namespace win32 {

namespace {

class Win32TextFile : public win::TextFile {
 public:
  explicit Win32TextFile(std::FILE* file) : file_(file) {}
  ~Win32TextFile() override { close(); }
  // Character by character rather than fgets, which does not say how much
  // it read: a NUL in the file is a byte of the line like any other, and a
  // line is never cut short at it.
  bool readLine(std::string& line, int bufferSize) override {
    line.clear();
    if (!file_ || bufferSize <= 1) return false;
    const std::size_t limit = std::size_t(bufferSize - 1);
    ::_lock_file(file_);
    while (line.size() < limit) {
      const int c = _getc_nolock(file_);
      if (c == EOF) break;
      line += char(c);
      if (c == '\n') break;
    }
    ::_unlock_file(file_);
    return !line.empty();
  }
  bool write(std::string_view text) override {
    return file_ && std::fwrite(text.data(), 1, text.size(), file_) == text.size();
  }
  bool flush() override { return file_ && std::fflush(file_) == 0; }
  bool close() override {
    if (!file_) return true;
    bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
  }

 private:
  std::FILE* file_;
};

}  // namespace

// The C runtime's text mode turns "\n" into "\r\n" and back, and reads a
// Ctrl+Z as the end of the file.
std::unique_ptr<win::TextFile> Win32Files::openText(const std::string& path, win::TextMode mode) {
  const wchar_t* how = mode == win::TextMode::Read    ? L"rt"
                       : mode == win::TextMode::Write ? L"wt"
                                                      : L"at";
  std::optional<std::wstring> name = toWide(path);
  if (!name) return nullptr;
  std::FILE* file = ::_wfopen(name->c_str(), how);
  return file ? std::make_unique<Win32TextFile>(file) : nullptr;
}

BOOL Win32Files::DeleteFileA(const char* path) {
  WideArg name(path);
  if (!path || !name.ok()) return FALSE;
  return ::DeleteFileW(name.get());
}

bool Win32Files::exists(const std::string& path) {
  std::optional<std::wstring> name = toWide(path);
  return name && ::GetFileAttributesW(name->c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Empty when the folder cannot be told.
std::string Win32Files::currentDirectory() {
  DWORD size = ::GetCurrentDirectoryW(0, nullptr);
  std::wstring buffer(size, L'\0');
  DWORD length = ::GetCurrentDirectoryW(size, buffer.data());
  buffer.resize(length < size ? length : 0);
  return toAnsi(buffer).value_or(std::string());
}

}  // namespace win32
