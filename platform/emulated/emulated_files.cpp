#include "platform/emulated/emulated_files.h"

#include <QString>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "platform/code_page.h"

namespace emu {

namespace fs = std::filesystem;

namespace {

// Splits at "\" and "/" that are characters of their own (a double-byte
// character's second byte may be 0x5C).
std::vector<std::string> splitComponents(const std::string& path) {
  std::vector<std::string> parts;
  std::string current;
  for (size_t i = 0; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (win::isLeadByte(c) && i + 1 < path.size()) {
      current += path[i];
      current += path[++i];
    } else if (c == '\\' || c == '/') {
      if (!current.empty()) parts.push_back(current);
      current.clear();
    } else {
      current += path[i];
    }
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

QString upper(const QString& text) {
  QString result = text;
  for (QChar& c : result) c = c.toUpper();
  return result;
}

// Reads a text file as Windows text mode does: "\r\n" becomes "\n" and a
// Ctrl+Z ends the file. The switch rereads its result file every
// millisecond, so the text is converted in whole runs rather than by byte.
class ReadFile : public win::TextFile {
 public:
  explicit ReadFile(std::string content) {
    std::size_t end = content.find('\x1A');
    if (end != std::string::npos) content.resize(end);
    text_.reserve(content.size());
    std::size_t pos = 0;
    while (pos < content.size()) {
      std::size_t crlf = content.find("\r\n", pos);
      if (crlf == std::string::npos) {
        text_.append(content, pos, std::string::npos);
        break;
      }
      text_.append(content, pos, crlf - pos);
      pos = crlf + 1;  // the "\n" starts the next run
    }
  }
  bool readLine(std::string& line, int bufferSize) override {
    line.clear();
    if (bufferSize <= 1 || pos_ >= text_.size()) return false;
    const std::size_t limit = std::size_t(bufferSize - 1);
    std::size_t newline = text_.find('\n', pos_);
    std::size_t end = newline == std::string::npos ? text_.size() : newline + 1;
    end = std::min(end, pos_ + limit);
    line.assign(text_, pos_, end - pos_);
    pos_ = end;
    return true;
  }
  bool write(std::string_view) override { return false; }
  bool close() override { return true; }

 private:
  std::string text_;
  size_t pos_ = 0;
};

// The whole file's bytes; false when it cannot be read.
bool readWholeFile(const std::string& host, std::string* content) {
  std::FILE* file = std::fopen(host.c_str(), "rb");
  if (!file) return false;
  char buffer[65536];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) content->append(buffer, got);
  bool ok = !std::ferror(file);
  std::fclose(file);
  return ok;
}

class WriteFile : public win::TextFile {
 public:
  explicit WriteFile(std::FILE* file) : file_(file) {}
  ~WriteFile() override { close(); }
  bool readLine(std::string&, int) override { return false; }
  bool write(std::string_view text) override {
    if (!file_) return false;
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
      if (c == '\n') out += '\r';
      out += c;
    }
    ok_ = ok_ && std::fwrite(out.data(), 1, out.size(), file_) == out.size();
    return ok_;
  }
  bool flush() override {
    ok_ = file_ && std::fflush(file_) == 0 && ok_;
    return ok_;
  }
  bool close() override {
    if (!file_) return ok_;
    ok_ = (std::fclose(file_) == 0) && ok_;
    file_ = nullptr;
    return ok_;
  }

 private:
  std::FILE* file_;
  bool ok_ = true;
};

}  // namespace

EmulatedFiles::EmulatedFiles(std::string driveC, std::string currentDirectory)
    : driveC_(std::move(driveC)), currentDirectory_(std::move(currentDirectory)) {}

std::string EmulatedFiles::fullPath(const std::string& windowsPath) const {
  std::string path = windowsPath;
  std::string base;
  bool hasDrive = path.size() >= 2 && path[1] == ':';
  if (hasDrive) {
    std::string drive = std::string(1, char(std::toupper(static_cast<unsigned char>(path[0]))));
    if (path.size() >= 3 && (path[2] == '\\' || path[2] == '/')) {
      base = drive + ":\\";
      path = path.substr(3);
    } else {
      // "C:name" is relative to the current directory of drive C:.
      base = drive == "C" ? currentDirectory_ : drive + ":\\";
      path = path.substr(2);
    }
  } else if (!path.empty() && (path[0] == '\\' || path[0] == '/')) {
    base = currentDirectory_.substr(0, 3);
  } else {
    base = currentDirectory_;
  }
  std::vector<std::string> parts = splitComponents(base.substr(3));
  for (const std::string& part : splitComponents(path)) {
    if (part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string result = base.substr(0, 3);
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) result += '\\';
    result += parts[i];
  }
  return result;
}

std::string EmulatedFiles::hostPath(const std::string& windowsPath) const {
  std::string full = fullPath(windowsPath);
  if (full.size() < 3 || (full[0] != 'C' && full[0] != 'c')) return {};
  fs::path host(driveC_);
  for (const std::string& part : splitComponents(full.substr(3))) {
    // Plain ASCII names, the usual case, need no conversion.
    const bool ascii = std::all_of(part.begin(), part.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    const std::string utf8 = ascii ? part : win::ansiToUtf8(part);
    fs::path next = host / utf8;
    std::error_code ec;
    if (!fs::exists(next, ec)) {
      // Windows names match whatever their letter case.
      const QString wantedUpper = upper(QString::fromStdString(utf8));
      for (const auto& entry : fs::directory_iterator(host, ec)) {
        QString name = QString::fromStdString(entry.path().filename().string());
        if (upper(name) == wantedUpper) {
          next = entry.path();
          break;
        }
      }
    }
    host = next;
  }
  return host.string();
}

std::unique_ptr<win::TextFile> EmulatedFiles::openText(const std::string& path,
                                                       win::TextMode mode) {
  std::string host = hostPath(path);
  if (host.empty()) return nullptr;
  std::error_code ec;
  if (fs::is_directory(host, ec)) return nullptr;
  if (mode == win::TextMode::Read) {
    std::string content;
    if (!readWholeFile(host, &content)) return nullptr;
    return std::make_unique<ReadFile>(std::move(content));
  }
  std::FILE* file = std::fopen(host.c_str(), mode == win::TextMode::Write ? "wb" : "ab");
  if (!file) return nullptr;
  return std::make_unique<WriteFile>(file);
}

win::BOOL EmulatedFiles::DeleteFileA(const char* path) {
  std::string host = hostPath(path ? path : "");
  std::error_code ec;
  if (host.empty() || fs::is_directory(host, ec)) return FALSE;
  return fs::remove(host, ec) ? TRUE : FALSE;
}

bool EmulatedFiles::exists(const std::string& path) {
  std::string host = hostPath(path);
  std::error_code ec;
  return !host.empty() && fs::exists(host, ec);
}

bool EmulatedFiles::createDirectory(const std::string& path) {
  std::string host = hostPath(path);
  std::error_code ec;
  if (host.empty()) return false;
  fs::create_directories(host, ec);
  return fs::is_directory(host, ec);
}

}  // namespace emu
