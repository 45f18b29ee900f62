#include "tools/verantu-machine/reg_file.h"

#include <QString>
#include <QStringDecoder>

#include <algorithm>
#include <cstdio>

#include "platform/code_page.h"
#include "platform/emulated/emulated_registry.h"
#include "platform/registry_limits.h"

namespace regfile {

namespace {

constexpr std::string_view kUnicodeHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kAnsiHeader = "REGEDIT4";
constexpr std::string_view kLocalMachine = "HKEY_LOCAL_MACHINE";
constexpr std::string_view kCurrentUser = "HKEY_CURRENT_USER";

// A file past Windows' limits on what a registry holds is refused whole, as
// the registry would refuse its keys and values one by one.
using win::kMaxKeyDepth;
using win::kMaxKeyNameChars;
using win::kMaxValueNameChars;

// The parser and the writer work on "units": one character of the file. In a
// Unicode file a unit is a UTF-16 code unit. In an ANSI file it is a byte, or
// a whole double-byte character (lead and trail byte folded into one unit
// above 0xFFFF) so that a trail byte 0x5C is never taken for a backslash.
using Units = std::u32string;
constexpr char32_t kDoubleByte = 0x10000;

bool isTrailByte(unsigned char b) {
  return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}
bool isBlank(char32_t u) {
  return u == U' ' || u == U'\t';
}
bool isHexDigit(char32_t u) {
  return (u >= U'0' && u <= U'9') || (u >= U'a' && u <= U'f') || (u >= U'A' && u <= U'F');
}
int hexValue(char32_t u) {
  if (u >= U'0' && u <= U'9') return int(u - U'0');
  if (u >= U'a' && u <= U'f') return int(u - U'a' + 10);
  return int(u - U'A' + 10);
}
char32_t lower(char32_t u) {
  return (u >= U'A' && u <= U'Z') ? u + 32 : u;
}

Units ansiUnits(std::string_view ansi) {
  Units units;
  units.reserve(ansi.size());
  for (std::size_t i = 0; i < ansi.size(); ++i) {
    auto b = static_cast<unsigned char>(ansi[i]);
    if (win::isLeadByte(b) && i + 1 < ansi.size() &&
        isTrailByte(static_cast<unsigned char>(ansi[i + 1]))) {
      units += kDoubleByte + (char32_t(b) << 8) + static_cast<unsigned char>(ansi[++i]);
    } else {
      units += char32_t(b);
    }
  }
  return units;
}

std::string unitsToBytes(const Units& units) {
  std::string bytes;
  bytes.reserve(units.size());
  for (char32_t u : units) {
    if (u >= kDoubleByte) bytes += char((u >> 8) & 0xFF);
    bytes += char(u & 0xFF);
  }
  return bytes;
}

Units wideUnits(std::u16string_view wide) {
  return Units(wide.begin(), wide.end());
}

Units asciiUnits(std::string_view text) {
  return Units(text.begin(), text.end());
}

// Unicode text to ANSI, refusing what code page 932 cannot hold exactly.
bool wideToAnsiExact(std::u16string_view wide, std::string* ansi) {
  std::optional<std::string> converted = win::wideToAnsi(wide);
  if (!converted) return false;
  *ansi = std::move(*converted);
  return win::ansiToWide(*ansi) == wide;
}

std::string utf8Of(std::string_view ansi) {
  return win::ansiToUtf8(ansi);
}

// ---------------------------------------------------------------- reading

struct Line {
  Units text;
  // Where each joined physical line starts in `text`, for error positions.
  std::vector<std::pair<std::size_t, int>> starts;
  int lineAt(std::size_t pos) const {
    int line = starts.front().second;
    for (const auto& [offset, number] : starts)
      if (offset <= pos) line = number;
    return line;
  }
};

class Parser {
 public:
  bool run(std::string_view bytes, std::vector<Operation>* operations, ParseError* error,
           Format* format);

 private:
  bool decode(std::string_view bytes);
  bool fail(int line, std::string message) {
    error_.line = line;
    error_.message = std::move(message);
    return false;
  }
  bool toAnsi(const Units& units, int line, const char* what, std::string* ansi);
  // Units as UTF-8, for messages.
  std::string shown(const Units& units) const {
    if (format_ == Format::Regedit4) return utf8Of(unitsToBytes(units));
    return QString::fromStdU16String(std::u16string(units.begin(), units.end())).toStdString();
  }
  bool keyLine(const Line& line);
  bool checkKeyPath(const Units& path, int line);
  bool valueLine(const Line& line);
  bool quoted(const Line& line, std::size_t* pos, Units* text);
  bool hexBytes(const Line& line, std::size_t pos, std::string* bytes);

  Format format_ = Format::Unicode;
  std::vector<Units> lines_;
  std::vector<Operation> ops_;
  ParseError error_;
  bool keyOpen_ = false;
  win::HKEY hive_ = nullptr;
  std::string path_;
};

bool Parser::decode(std::string_view bytes) {
  auto startsWith = [&](std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
  };
  bool utf16 = false;
  bool bom = false;
  if (startsWith("\xFF\xFE")) {
    utf16 = bom = true;
    bytes.remove_prefix(2);
  } else if (startsWith("\xEF\xBB\xBF")) {
    bom = true;
    bytes.remove_prefix(3);
  } else if (bytes.size() >= 2 && bytes[0] == 'W' && bytes[1] == '\0') {
    utf16 = true;  // UTF-16LE written without its byte order mark
  }
  format_ = (!bom && !utf16 && startsWith(kAnsiHeader)) ? Format::Regedit4 : Format::Unicode;

  auto addLine = [&](Units line) {
    if (!line.empty() && line.back() == U'\r') line.pop_back();
    lines_.push_back(std::move(line));
  };
  if (utf16) {
    Units line;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
      const char32_t u = static_cast<char32_t>(static_cast<unsigned char>(bytes[i])) |
                         static_cast<char32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
      if (u == U'\n') {
        addLine(std::move(line));
        line.clear();
      } else {
        line += u;
      }
    }
    addLine(std::move(line));
    if (bytes.size() % 2)
      return fail(int(lines_.size()), "the file ends in the middle of a UTF-16 character");
    return true;
  }
  std::size_t start = 0;
  while (start <= bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view raw = bytes.substr(start, end - start);
    if (format_ == Format::Regedit4) {
      addLine(ansiUnits(raw));
    } else {
      QStringDecoder utf8(QStringDecoder::Utf8);
      QString text = utf8(QByteArrayView(raw.data(), qsizetype(raw.size())));
      // A first line that is not UTF-8 fails as a wrong header instead.
      if (utf8.hasError() && !lines_.empty())
        return fail(int(lines_.size()) + 1, "this line is not valid UTF-8 text");
      addLine(wideUnits(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                            size_t(text.size()))));
    }
    start = end + 1;
  }
  return true;
}

Units trimRight(Units text) {
  while (!text.empty() && isBlank(text.back())) text.pop_back();
  return text;
}

bool Parser::run(std::string_view bytes, std::vector<Operation>* operations, ParseError* error,
                 Format* format) {
  bool ok = decode(bytes);
  if (ok) {
    Units header = lines_.empty() ? Units() : trimRight(lines_[0]);
    bool headerOk = format_ == Format::Regedit4 ? header == asciiUnits(kAnsiHeader)
                                                : header == asciiUnits(kUnicodeHeader);
    if (!headerOk) {
      ok = fail(1,
                "not a registry file: the first line must be \"Windows Registry Editor Version "
                "5.00\" or \"REGEDIT4\"");
      if (format_ == Format::Unicode && trimRight(lines_[0]) == asciiUnits(kAnsiHeader))
        error_.message = "a REGEDIT4 file is ANSI text and has no byte order mark";
    }
  }
  for (std::size_t i = 1; ok && i < lines_.size(); ++i) {
    const Units& raw = lines_[i];
    std::size_t first = 0;
    while (first < raw.size() && isBlank(raw[first])) ++first;
    if (first == raw.size() || raw[first] == U';') continue;
    Line line;
    line.text = raw.substr(first);
    line.starts.push_back({0, int(i) + 1});
    if (line.text[0] == U'[') {
      ok = keyLine(line);
      continue;
    }
    // A trailing backslash continues the value on the next line, whose
    // leading blanks are dropped (regedit wraps long hex data this way).
    line.text = trimRight(line.text);
    while (!line.text.empty() && line.text.back() == U'\\' && i + 1 < lines_.size()) {
      line.text.pop_back();
      const Units& next = lines_[++i];
      std::size_t skip = 0;
      while (skip < next.size() && isBlank(next[skip])) ++skip;
      line.starts.push_back({line.text.size(), int(i) + 1});
      line.text += trimRight(next.substr(skip));
    }
    ok = valueLine(line);
  }
  if (format) *format = format_;
  if (!ok) {
    if (error) *error = error_;
    operations->clear();
    return false;
  }
  *operations = std::move(ops_);
  return true;
}

bool Parser::toAnsi(const Units& units, int line, const char* what, std::string* ansi) {
  if (format_ == Format::Regedit4) {
    *ansi = unitsToBytes(units);
    if (!win::isRoundTripAnsi(*ansi))
      return fail(line, std::string(what) +
                            " is not code page 932 text (a byte that opens a double-byte "
                            "character without its second byte, or an unassigned code)");
    return true;
  }
  std::u16string wide(units.begin(), units.end());
  if (!wideToAnsiExact(wide, ansi))
    return fail(
        line,
        std::string(what) +
            " holds characters that code page 932 (the machine's ANSI code page) cannot represent");
  return true;
}

bool Parser::keyLine(const Line& line) {
  const int number = line.starts.front().second;
  Units text = trimRight(line.text);
  if (text.back() != U']') return fail(number, "key line without its closing \"]\"");
  Units inner = text.substr(1, text.size() - 2);
  bool remove = !inner.empty() && inner[0] == U'-';
  if (remove) inner.erase(0, 1);
  std::size_t slash = inner.find(U'\\');
  Units hive = inner.substr(0, slash);
  Units path = slash == Units::npos ? Units() : inner.substr(slash + 1);
  Units hiveUpper;
  for (char32_t u : hive) hiveUpper += (u >= U'a' && u <= U'z') ? u - 32 : u;
  if (hiveUpper == asciiUnits(kLocalMachine)) {
    hive_ = HKEY_LOCAL_MACHINE;
  } else if (hiveUpper == asciiUnits(kCurrentUser)) {
    hive_ = HKEY_CURRENT_USER;
  } else {
    return fail(number,
                "unknown hive \"" + shown(hive) +
                    "\": the emulated machine has only HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER");
  }
  if (slash != Units::npos) {
    std::size_t begin = 0;
    while (true) {
      std::size_t end = path.find(U'\\', begin);
      if (end == begin || begin == path.size())
        return fail(number, "empty key name in the key path");
      if (end == Units::npos) break;
      begin = end + 1;
    }
    if (path.find(U'\0') != Units::npos)
      return fail(number, "a key name cannot hold a NUL character");
    if (!checkKeyPath(path, number)) return false;
  }
  if (!toAnsi(path, number, "the key path", &path_)) return false;
  if (remove && path_.empty()) return fail(number, "a whole hive cannot be deleted");
  Operation op;
  op.kind = remove ? Operation::DeleteKey : Operation::CreateKey;
  op.hive = hive_;
  op.path = path_;
  op.line = number;
  ops_.push_back(std::move(op));
  keyOpen_ = !remove;
  return true;
}

// The path's depth and each key name's length, in characters as Windows
// counts them (a double-byte character of an ANSI file is one).
bool Parser::checkKeyPath(const Units& path, int line) {
  std::size_t depth = 0;
  std::size_t begin = 0;
  while (begin <= path.size()) {
    std::size_t end = std::min(path.find(U'\\', begin), path.size());
    if (end - begin > kMaxKeyNameChars)
      return fail(line, "the key name \"" + shown(path.substr(begin, 24)) + "…\" is " +
                            std::to_string(end - begin) + " characters long; at most " +
                            std::to_string(kMaxKeyNameChars) + " are allowed");
    ++depth;
    begin = end + 1;
  }
  if (depth > kMaxKeyDepth)
    return fail(line, "the key path is " + std::to_string(depth) + " levels deep; at most " +
                          std::to_string(kMaxKeyDepth) + " are allowed");
  return true;
}

bool Parser::quoted(const Line& line, std::size_t* pos, Units* text) {
  const Units& s = line.text;
  std::size_t i = *pos + 1;
  while (true) {
    if (i >= s.size())
      return fail(line.lineAt(*pos), "unterminated string: the closing quote is missing");
    char32_t u = s[i];
    if (u == U'"') break;
    if (u == U'\\') {
      if (i + 1 >= s.size())
        return fail(line.lineAt(*pos), "unterminated string: the closing quote is missing");
      char32_t next = s[i + 1];
      if (next != U'\\' && next != U'"')
        return fail(line.lineAt(i),
                    "bad escape in a string: a backslash must be written \\\\ and a quote \\\"");
      *text += next;
      i += 2;
      continue;
    }
    *text += u;
    ++i;
  }
  *pos = i + 1;
  return true;
}

bool Parser::hexBytes(const Line& line, std::size_t pos, std::string* bytes) {
  const Units& s = line.text;
  auto skipBlanks = [&] {
    while (pos < s.size() && isBlank(s[pos])) ++pos;
  };
  skipBlanks();
  while (pos < s.size()) {
    std::size_t start = pos;
    while (pos < s.size() && isHexDigit(s[pos]) && pos - start < 3) ++pos;
    std::size_t digits = pos - start;
    if (digits == 0 || digits > 2) {
      std::size_t end = start;
      while (end < s.size() && s[end] != U',' && !isBlank(s[end])) ++end;
      std::string shown;
      for (std::size_t k = start; k < end && k < start + 16; ++k)
        shown += s[k] < 0x80 ? char(s[k]) : '?';
      return fail(line.lineAt(start),
                  "bad hex byte \"" + shown + "\": bytes are two hex digits separated by commas");
    }
    int value = 0;
    for (std::size_t k = start; k < pos; ++k) value = value * 16 + hexValue(s[k]);
    *bytes += char(value);
    skipBlanks();
    if (pos >= s.size()) break;
    if (s[pos] != U',')
      return fail(line.lineAt(pos), "bad hex data: a comma must follow each byte");
    ++pos;
    skipBlanks();
  }
  return true;
}

bool Parser::valueLine(const Line& line) {
  const Units& s = line.text;
  const int number = line.starts.front().second;
  if (!keyOpen_)
    return fail(number, "value outside any key: a [KEY] line must open a key before its values");
  Operation op;
  op.hive = hive_;
  op.path = path_;
  op.line = number;
  std::size_t pos = 0;
  if (s[0] == U'@') {
    pos = 1;
  } else if (s[0] == U'"') {
    Units name;
    if (!quoted(line, &pos, &name)) return false;
    if (name.find(U'\0') != Units::npos)
      return fail(number, "a value name cannot hold a NUL character");
    if (name.size() > kMaxValueNameChars)
      return fail(number, "the value name is " + std::to_string(name.size()) +
                              " characters long; at most " + std::to_string(kMaxValueNameChars) +
                              " are allowed");
    if (!toAnsi(name, number, "the value name", &op.name)) return false;
  } else {
    return fail(number, "expected a value line (\"name\"=… or @=…), a [KEY] line or a ; comment");
  }
  while (pos < s.size() && isBlank(s[pos])) ++pos;
  if (pos >= s.size() || s[pos] != U'=')
    return fail(line.lineAt(pos), "expected \"=\" after the value name");
  ++pos;
  while (pos < s.size() && isBlank(s[pos])) ++pos;
  if (pos >= s.size()) return fail(number, "the value's data is missing after \"=\"");

  auto restIsBlank = [&](std::size_t from) {
    while (from < s.size() && isBlank(s[from])) ++from;
    return from == s.size();
  };
  if (s[pos] == U'"') {
    Units text;
    if (!quoted(line, &pos, &text)) return false;
    if (!restIsBlank(pos)) return fail(line.lineAt(pos), "unexpected text after the closing quote");
    op.kind = Operation::SetValue;
    op.type = REG_SZ;
    if (!toAnsi(text, number, "the string", &op.data)) return false;
    op.data += '\0';
    ops_.push_back(std::move(op));
    return true;
  }
  if (s[pos] == U'-' && restIsBlank(pos + 1)) {
    op.kind = Operation::DeleteValue;
    ops_.push_back(std::move(op));
    return true;
  }
  std::size_t colon = s.find(U':', pos);
  Units kind;
  for (std::size_t k = pos; k < std::min(colon, s.size()); ++k) kind += lower(s[k]);
  kind = trimRight(kind);
  std::string kindText =
      shown(trimRight(s.substr(pos, std::min(colon, s.size()) - pos)).substr(0, 24));
  if (colon == Units::npos)
    return fail(number, "unknown value kind \"" + kindText +
                            "\": expected \"…\", dword:, hex:, hex(N): or -");
  std::size_t dataPos = colon + 1;
  op.kind = Operation::SetValue;
  if (kind == U"dword") {
    while (dataPos < s.size() && isBlank(s[dataPos])) ++dataPos;
    std::size_t start = dataPos;
    while (dataPos < s.size() && isHexDigit(s[dataPos])) ++dataPos;
    if (dataPos == start || dataPos - start > 8 || !restIsBlank(dataPos))
      return fail(line.lineAt(start), "bad dword: expected dword: followed by 1 to 8 hex digits");
    win::DWORD value = 0;
    for (std::size_t k = start; k < dataPos; ++k) value = value * 16 + win::DWORD(hexValue(s[k]));
    op.type = REG_DWORD;
    for (int k = 0; k < 4; ++k) op.data += char((value >> (8 * k)) & 0xFF);
    ops_.push_back(std::move(op));
    return true;
  }
  if (kind == U"hex") {
    op.type = REG_BINARY;
  } else if (kind.size() > 5 && kind.substr(0, 4) == U"hex(" && kind.back() == U')' &&
             kind.size() - 5 <= 8 && std::all_of(kind.begin() + 4, kind.end() - 1, isHexDigit)) {
    op.type = 0;
    for (std::size_t k = 4; k + 1 < kind.size(); ++k)
      op.type = op.type * 16 + win::DWORD(hexValue(kind[k]));
  } else {
    return fail(number, "unknown value kind \"" + kindText +
                            "\": expected \"…\", dword:, hex:, hex(N): or -");
  }
  std::string bytes;
  if (!hexBytes(line, dataPos, &bytes)) return false;
  bool text = op.type == REG_SZ || op.type == REG_EXPAND_SZ || op.type == REG_MULTI_SZ;
  if (format_ == Format::Unicode && text) {
    // regedit writes text-typed data as UTF-16LE in this format.
    if (bytes.size() % 2)
      return fail(
          number,
          "text data in a Unicode .reg file is UTF-16LE and must have an even number of bytes");
    std::u16string wide;
    for (std::size_t k = 0; k < bytes.size(); k += 2)
      wide += char16_t(static_cast<unsigned char>(bytes[k]) |
                       (static_cast<unsigned char>(bytes[k + 1]) << 8));
    if (!wideToAnsiExact(wide, &op.data))
      return fail(number,
                  "the text data holds characters that code page 932 (the machine's ANSI code "
                  "page) cannot represent");
  } else {
    if (op.type == REG_SZ && !win::isRoundTripAnsi(bytes))
      return fail(number,
                  "the text data is not code page 932 text (a byte that opens a double-byte "
                  "character without its second byte, or an unassigned code)");
    op.data = std::move(bytes);
  }
  ops_.push_back(std::move(op));
  return true;
}

// ---------------------------------------------------------------- writing

// Collects the file as units; the column is what regedit wraps hex data by.
class Writer {
 public:
  explicit Writer(const ExportOptions& options) : options_(options) {}
  void ascii(std::string_view text) {
    for (char c : text) put(char32_t(static_cast<unsigned char>(c)));
  }
  // ANSI text the caller has checked converts exactly.
  void text(std::string_view ansi, bool escape) {
    std::optional<std::u16string> wide =
        options_.format == Format::Regedit4 ? std::nullopt : win::ansiToWide(ansi);
    Units units = wide ? wideUnits(*wide) : ansiUnits(ansi);
    for (char32_t u : units) {
      if (escape && (u == U'\\' || u == U'"')) put(U'\\');
      put(u);
    }
  }
  void newline() {
    units_ += U"\r\n";
    column_ = 0;
  }
  std::size_t column() const { return column_; }
  std::string finish() const;

 private:
  void put(char32_t u) {
    units_ += u;
    ++column_;
  }
  ExportOptions options_;
  Units units_;
  std::size_t column_ = 0;
};

std::string Writer::finish() const {
  if (options_.format == Format::Regedit4) return unitsToBytes(units_);
  std::u16string wide(units_.begin(), units_.end());
  if (options_.utf8) {
    return QString::fromStdU16String(wide).toUtf8().toStdString();
  }
  std::string bytes = "\xFF\xFE";
  bytes.reserve(2 + wide.size() * 2);
  for (char16_t u : wide) {
    bytes += char(u & 0xFF);
    bytes += char(u >> 8);
  }
  return bytes;
}

bool hasLineBreak(std::string_view text) {
  return text.find('\r') != std::string_view::npos || text.find('\n') != std::string_view::npos;
}

class Exporter {
 public:
  Exporter(win::Registry& registry, const ExportOptions& options)
      : registry_(registry), options_(options), out_(options) {}
  bool run(const std::vector<KeyRef>& roots, std::string* out, std::string* error);

 private:
  bool exportTree(win::HKEY root, const std::string& rootName);
  bool exportKey(win::HKEY key, const std::string& fullName, std::vector<std::string>* subkeys);
  bool writeValue(const std::string& keyName, const std::string& name, win::DWORD type,
                  const std::string& data);
  void writeHex(const std::string& bytes);
  bool fail(std::string message) {
    error_ = std::move(message);
    return false;
  }
  bool resolve(const KeyRef& ref, win::HKEY* key, std::string* fullName);

  win::Registry& registry_;
  ExportOptions options_;
  Writer out_;
  std::string error_;
};

// Opens the key and finds each name's stored spelling, so that an export
// asked for as "software\q" still writes the names as they are kept.
bool Exporter::resolve(const KeyRef& ref, win::HKEY* key, std::string* fullName) {
  *fullName = hiveName(ref.hive);
  win::HKEY current = ref.hive;
  std::optional<std::u16string> converted = win::ansiToWide(ref.path);
  if (!converted) return fail(utf8Of(ref.path) + ": the key name cannot be converted");
  const std::u16string& wide = *converted;
  std::size_t begin = 0;
  while (!wide.empty() && begin <= wide.size()) {
    std::size_t end = wide.find(u'\\', begin);
    if (end == std::u16string::npos) end = wide.size();
    QString wanted = QString::fromStdU16String(wide.substr(begin, end - begin));
    std::string found;
    std::vector<char> name(1024);
    for (win::DWORD i = 0;; ++i) {
      win::LONG rc = registry_.RegEnumKeyA(current, i, name.data(), win::DWORD(name.size()));
      if (rc == ERROR_MORE_DATA) {
        name.resize(name.size() * 2);
        --i;
        continue;
      }
      if (rc != ERROR_SUCCESS) break;
      std::optional<std::u16string> candidate = win::ansiToWide(name.data());
      if (candidate &&
          QString::fromStdU16String(*candidate).compare(wanted, Qt::CaseInsensitive) == 0) {
        found = name.data();
        break;
      }
    }
    win::HKEY next = nullptr;
    std::string component =
        found.empty() ? win::wideToAnsi(wanted.toStdU16String()).value_or("?") : found;
    win::LONG rc = found.empty()
                       ? ERROR_FILE_NOT_FOUND
                       : registry_.RegOpenKeyExA(current, component.c_str(), 0, KEY_READ, &next);
    if (current != ref.hive) (void)registry_.RegCloseKey(current);
    *fullName += "\\" + component;
    if (rc != ERROR_SUCCESS) return fail(utf8Of(*fullName) + ": no such key");
    current = next;
    begin = end + 1;
  }
  *key = current;
  return true;
}

bool Exporter::run(const std::vector<KeyRef>& roots, std::string* out, std::string* error) {
  out_.ascii(options_.format == Format::Regedit4 ? kAnsiHeader : kUnicodeHeader);
  out_.newline();
  out_.newline();
  bool ok = true;
  for (const KeyRef& ref : roots) {
    win::HKEY key = nullptr;
    std::string fullName;
    ok = resolve(ref, &key, &fullName);
    if (!ok) break;
    ok = exportTree(key, fullName);
    if (key != ref.hive) (void)registry_.RegCloseKey(key);
    if (!ok) break;
  }
  if (!ok) {
    if (error) *error = error_;
    return false;
  }
  *out = out_.finish();
  return true;
}

// Depth-first with a stack of its own, not the call stack: a tree as deep as
// the registry allows (or deeper, in a file made before the limit was kept)
// must not overflow it. A key deeper than Windows allows is refused.
bool Exporter::exportTree(win::HKEY root, const std::string& rootName) {
  struct Level {
    win::HKEY key;
    std::size_t nameLength;  // of the full name up to and including this key
    std::vector<std::string> subkeys;
    std::size_t next = 0;  // the subkey to visit next
  };
  std::size_t depth = 0;
  std::optional<std::u16string> wideRoot = win::ansiToWide(rootName);
  if (!wideRoot) return fail(utf8Of(rootName) + ": the key name cannot be converted");
  for (char16_t u : *wideRoot) depth += u == u'\\';
  std::string fullName = rootName;
  std::vector<Level> stack;
  auto closeAll = [&] {
    for (const Level& level : stack)
      if (level.key != root) (void)registry_.RegCloseKey(level.key);
  };
  stack.push_back({root, fullName.size(), {}});
  if (!exportKey(root, fullName, &stack.back().subkeys)) return false;
  while (!stack.empty()) {
    Level& top = stack.back();
    if (top.next == top.subkeys.size()) {
      if (top.key != root) (void)registry_.RegCloseKey(top.key);
      stack.pop_back();
      continue;
    }
    const std::string& sub = top.subkeys[top.next++];
    fullName.resize(top.nameLength);
    fullName += "\\" + sub;
    if (depth + stack.size() > kMaxKeyDepth) {
      closeAll();
      return fail(utf8Of(fullName.substr(0, 200)) + "…: the key is more than " +
                  std::to_string(kMaxKeyDepth) + " levels deep, which Windows does not allow");
    }
    win::HKEY child = nullptr;
    if (registry_.RegOpenKeyExA(top.key, sub.c_str(), 0, KEY_READ, &child) != ERROR_SUCCESS) {
      closeAll();
      return fail(utf8Of(fullName) + ": cannot open the key");
    }
    stack.push_back({child, fullName.size(), {}});
    if (!exportKey(child, fullName, &stack.back().subkeys)) {
      closeAll();
      return false;
    }
  }
  return true;
}

// Writes one key's line and values, and lists its subkeys.
bool Exporter::exportKey(win::HKEY key, const std::string& fullName,
                         std::vector<std::string>* subkeys) {
  if (!win::isRoundTripAnsi(fullName) || hasLineBreak(fullName))
    return fail(utf8Of(fullName) +
                ": the key name is not code page 932 text and cannot be exported");
  out_.ascii("[");
  out_.text(fullName, false);
  out_.ascii("]");
  out_.newline();

  win::DWORD maxName = 0;
  win::DWORD maxData = 0;
  win::DWORD maxSubKey = 0;
  // The sizes are a first guess only: the loop grows the buffers as needed.
  (void)registry_.RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, &maxSubKey, nullptr,
                                   nullptr, &maxName, &maxData, nullptr, nullptr);
  std::vector<char> name(maxName + 1);
  std::string data(std::max<win::DWORD>(maxData, 1), '\0');
  for (win::DWORD i = 0;; ++i) {
    win::DWORD nameLength = win::DWORD(name.size());
    win::DWORD dataSize = win::DWORD(data.size());
    win::DWORD type = 0;
    win::LONG rc = registry_.RegEnumValueA(key, i, name.data(), &nameLength, nullptr, &type,
                                           reinterpret_cast<win::BYTE*>(data.data()), &dataSize);
    if (rc == ERROR_MORE_DATA) {  // changed since the query: grow and read it again
      name.resize(name.size() * 2 + 256);
      data.resize(std::max<std::size_t>(data.size() * 2, dataSize));
      --i;
      continue;
    }
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS)
      return fail(utf8Of(fullName) + ": cannot read its values (error " + std::to_string(rc) + ")");
    if (!writeValue(fullName, std::string(name.data(), nameLength), type, data.substr(0, dataSize)))
      return false;
  }
  out_.newline();

  std::vector<char> subName(maxSubKey + 1);
  for (win::DWORD i = 0;; ++i) {
    win::LONG rc = registry_.RegEnumKeyA(key, i, subName.data(), win::DWORD(subName.size()));
    if (rc == ERROR_MORE_DATA) {
      subName.resize(subName.size() * 2 + 256);
      --i;
      continue;
    }
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS)
      return fail(utf8Of(fullName) + ": cannot read its subkeys (error " + std::to_string(rc) +
                  ")");
    subkeys->emplace_back(subName.data());
  }
  return true;
}

void Exporter::writeHex(const std::string& bytes) {
  // As regedit: after each "xx," the line breaks with "\" once it reaches
  // 77 columns; continuation lines are indented by two blanks.
  constexpr std::size_t kMaxHexColumns = 77;
  char hex[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(bytes[i]));
    out_.ascii(hex);
    if (i + 1 == bytes.size()) break;
    out_.ascii(",");
    if (out_.column() >= kMaxHexColumns) {
      out_.ascii("\\");
      out_.newline();
      out_.ascii("  ");
    }
  }
}

bool Exporter::writeValue(const std::string& keyName, const std::string& name, win::DWORD type,
                          const std::string& data) {
  auto lossy = [&] {
    return fail(utf8Of(keyName) + ", value \"" + utf8Of(name) +
                "\": its bytes are not code page 932 text, so the Unicode format cannot hold it "
                "exactly; export in the ANSI format instead (--regedit4)");
  };
  if (!win::isRoundTripAnsi(name) || hasLineBreak(name))
    return fail(utf8Of(keyName) + ", value \"" + utf8Of(name) +
                "\": the value name is not code page 932 text and cannot be exported");
  if (name.empty()) {
    out_.ascii("@=");
  } else {
    out_.ascii("\"");
    out_.text(name, true);
    out_.ascii("\"=");
  }
  const bool unicode = options_.format == Format::Unicode;
  if (type == REG_SZ && !data.empty() && data.back() == '\0') {
    std::string_view text(data.data(), data.size() - 1);
    // Only "text + one NUL" of real text fits between quotes; anything else
    // goes out as hex(1) so that the bytes come back exactly.
    if (text.find('\0') == std::string_view::npos && !hasLineBreak(text) &&
        win::isRoundTripAnsi(text)) {
      out_.ascii("\"");
      out_.text(text, true);
      out_.ascii("\"");
      out_.newline();
      return true;
    }
  }
  if (type == REG_DWORD && data.size() == 4) {
    char hex[20];
    win::DWORD value = 0;
    for (std::size_t k = 4; k > 0; --k)
      value = value << 8 | static_cast<unsigned char>(data[k - 1]);
    std::snprintf(hex, sizeof hex, "dword:%08x", unsigned(value));
    out_.ascii(hex);
    out_.newline();
    return true;
  }
  std::string bytes = data;
  bool text = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
  if (unicode && text) {
    if (!win::isRoundTripAnsi(data)) return lossy();
    std::optional<std::u16string> wide = win::ansiToWide(data);
    if (!wide) return lossy();
    bytes.clear();
    for (char16_t u : *wide) {
      bytes += char(u & 0xFF);
      bytes += char(u >> 8);
    }
  }
  if (type == REG_BINARY) {
    out_.ascii("hex:");
  } else {
    char kind[20];
    std::snprintf(kind, sizeof kind, "hex(%x):", unsigned(type));
    out_.ascii(kind);
  }
  writeHex(bytes);
  out_.newline();
  return true;
}

}  // namespace

bool parse(std::string_view bytes, std::vector<Operation>* operations, ParseError* error,
           Format* format) {
  Parser parser;
  return parser.run(bytes, operations, error, format);
}

bool apply(emu::EmulatedRegistry& registry, const std::vector<Operation>& operations,
           std::string* error) {
  std::string failure;
  auto failAt = [&](const Operation& op, const std::string& what, win::LONG rc) {
    failure = std::to_string(op.line) + ": " + what + " (error " + std::to_string(rc) + ")";
    return false;
  };
  bool ok = registry.transaction(
      [&] {
        win::HKEY current = nullptr;
        auto closeCurrent = [&] {
          if (current && current != HKEY_LOCAL_MACHINE && current != HKEY_CURRENT_USER)
            (void)registry.RegCloseKey(current);
          current = nullptr;
        };
        bool result = true;
        for (const Operation& op : operations) {
          std::string keyName =
              std::string(hiveName(op.hive)) + (op.path.empty() ? "" : "\\") + op.path;
          win::LONG rc = ERROR_SUCCESS;
          switch (op.kind) {
            case Operation::CreateKey:
              closeCurrent();
              if (op.path.empty()) {
                current = op.hive;
              } else {
                rc = registry.RegCreateKeyExA(op.hive, op.path.c_str(), 0, nullptr, 0,
                                              KEY_ALL_ACCESS, nullptr, &current, nullptr);
                if (rc != ERROR_SUCCESS)
                  result = failAt(op, "cannot create " + utf8Of(keyName), rc);
              }
              break;
            case Operation::DeleteKey:
              closeCurrent();
              rc = win::LONG(registry.SHDeleteKeyA(op.hive, op.path.c_str()));
              if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND && rc != ERROR_PATH_NOT_FOUND)
                result = failAt(op, "cannot delete " + utf8Of(keyName), rc);
              break;
            case Operation::SetValue:
              rc = registry.RegSetValueExA(current, op.name.c_str(), 0, op.type,
                                           reinterpret_cast<const win::BYTE*>(op.data.data()),
                                           win::DWORD(op.data.size()));
              if (rc != ERROR_SUCCESS)
                result = failAt(
                    op, "cannot set " + utf8Of(keyName) + ", value \"" + utf8Of(op.name) + "\"",
                    rc);
              break;
            case Operation::DeleteValue:
              rc = registry.RegDeleteValueA(current, op.name.c_str());
              if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND)
                result = failAt(
                    op, "cannot delete " + utf8Of(keyName) + ", value \"" + utf8Of(op.name) + "\"",
                    rc);
              break;
          }
          if (!result) break;
        }
        closeCurrent();
        return result;
      },
      &failure);
  if (!ok && error) *error = failure.empty() ? "the registry was not changed" : failure;
  return ok;
}

bool importBytes(emu::EmulatedRegistry& registry, std::string_view bytes, std::string* error) {
  std::vector<Operation> operations;
  ParseError parseError;
  if (!parse(bytes, &operations, &parseError)) {
    if (error) *error = std::to_string(parseError.line) + ": " + parseError.message;
    return false;
  }
  return apply(registry, operations, error);
}

const char* hiveName(win::HKEY hive) {
  return hive == HKEY_CURRENT_USER ? kCurrentUser.data() : kLocalMachine.data();
}

bool parseKeyName(std::string_view name, KeyRef* key, std::string* error) {
  std::optional<std::u16string> converted = win::ansiToWide(name);
  if (!converted) {
    if (error) *error = "the key name cannot be converted";
    return false;
  }
  const std::u16string& wide = *converted;
  std::size_t slash = wide.find(u'\\');
  QString hive = QString::fromStdU16String(wide.substr(0, slash)).toUpper();
  if (hive == QLatin1String(kLocalMachine.data()) || hive == QLatin1String("HKLM")) {
    key->hive = HKEY_LOCAL_MACHINE;
  } else if (hive == QLatin1String(kCurrentUser.data()) || hive == QLatin1String("HKCU")) {
    key->hive = HKEY_CURRENT_USER;
  } else {
    if (error)
      *error = "unknown hive \"" + hive.toStdString() +
               "\": the emulated machine has only HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER";
    return false;
  }
  std::u16string path = slash == std::u16string::npos ? std::u16string() : wide.substr(slash + 1);
  while (!path.empty() && path.back() == u'\\') path.pop_back();
  std::optional<std::string> ansiPath = win::wideToAnsi(path);
  if (!ansiPath) {
    if (error) *error = "the key name cannot be converted";
    return false;
  }
  key->path = std::move(*ansiPath);
  return true;
}

bool exportKeys(win::Registry& registry, const std::vector<KeyRef>& roots,
                const ExportOptions& options, std::string* out, std::string* error) {
  Exporter exporter(registry, options);
  return exporter.run(roots, out, error);
}

}  // namespace regfile
