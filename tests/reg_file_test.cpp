// The .reg reader and writer of verantu-machine and its machine templates.
#include "tools/verantu-machine/reg_file.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <QString>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "tests/support/test_machine.h"
#include "tools/verantu-machine/templates.h"

using namespace win;
using regfile::Format;
using regfile::Operation;
using testing_support::TestMachine;

namespace {

std::string ansi(const char* utf8) {
  return ansiFromUtf8(utf8);
}

std::string utf16le(std::u16string_view text, bool bom = true) {
  std::string bytes = bom ? "\xFF\xFE" : "";
  for (char16_t u : text) {
    bytes += char(u & 0xFF);
    bytes += char(u >> 8);
  }
  return bytes;
}

// Every key and value of both hives, in enumeration order, with names, types
// and bytes exactly as stored.
std::vector<std::string> snapshot(Registry& registry, HKEY key, const std::string& path) {
  std::vector<std::string> lines{"[" + path + "]"};
  char name[1024];
  std::string data(65536, '\0');
  for (DWORD i = 0;; ++i) {
    DWORD nameLength = sizeof name;
    DWORD size = DWORD(data.size());
    DWORD type = 0;
    if (registry.RegEnumValueA(key, i, name, &nameLength, nullptr, &type,
                               reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
      break;
    lines.push_back(std::string(name, nameLength) + "|" + std::to_string(type) + "|" +
                    data.substr(0, size));
  }
  std::vector<std::string> subkeys;
  for (DWORD i = 0; registry.RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i)
    subkeys.push_back(name);
  for (const auto& sub : subkeys) {
    HKEY child = nullptr;
    EXPECT_EQ(registry.RegOpenKeyExA(key, sub.c_str(), 0, KEY_READ, &child), ERROR_SUCCESS);
    auto below = snapshot(registry, child, path + "\\" + sub);
    lines.insert(lines.end(), below.begin(), below.end());
    (void)registry.RegCloseKey(child);
  }
  return lines;
}

std::vector<std::string> snapshot(Registry& registry) {
  auto lines = snapshot(registry, HKEY_LOCAL_MACHINE, "HKLM");
  auto user = snapshot(registry, HKEY_CURRENT_USER, "HKCU");
  lines.insert(lines.end(), user.begin(), user.end());
  return lines;
}

std::vector<Operation> parseOk(const std::string& bytes) {
  std::vector<Operation> ops;
  regfile::ParseError error;
  EXPECT_TRUE(regfile::parse(bytes, &ops, &error)) << error.line << ": " << error.message;
  return ops;
}

std::string exportAll(Registry& registry, Format format, bool utf8 = false) {
  std::string out;
  std::string error;
  EXPECT_TRUE(regfile::exportKeys(registry, {{HKEY_LOCAL_MACHINE, ""}, {HKEY_CURRENT_USER, ""}},
                                  {format, utf8}, &out, &error))
      << error;
  return out;
}

const std::string kSjisKey = "Software\\" + ansiFromUtf8("カラー表");  // ends in 0x95 0x5C

// Values that every format must carry byte for byte.
void fillTrickyValues(TestMachine& m) {
  const std::string key = "Software\\Tricky";
  m.setValue(HKEY_LOCAL_MACHINE, key, "zeta", REG_SZ, std::string("text\0", 5));
  m.setValue(HKEY_LOCAL_MACHINE, key, "alpha", REG_SZ, "no terminating NUL");
  m.setValue(HKEY_LOCAL_MACHINE, key, "embedded", REG_SZ, std::string("a\0b\0", 4));
  m.setValue(HKEY_LOCAL_MACHINE, key, "emptySz", REG_SZ, "");
  m.setValue(HKEY_LOCAL_MACHINE, key, "justNul", REG_SZ, std::string("\0", 1));
  m.setValue(HKEY_LOCAL_MACHINE, key, "lines", REG_SZ, std::string("one\r\ntwo\0", 9));
  m.setValue(HKEY_LOCAL_MACHINE, key, "oneByteMulti", REG_MULTI_SZ, std::string("\0", 1));
  m.setValue(HKEY_LOCAL_MACHINE, key, "multi", REG_MULTI_SZ,
             ansi("ローカル\\表") + std::string("\0b\0\0", 4));
  m.setValue(HKEY_LOCAL_MACHINE, key, "expand", REG_EXPAND_SZ, ansi("%SystemRoot%\\表") + '\0');
  m.setValue(HKEY_LOCAL_MACHINE, key, "unknown", 0x80000001, "\x01\xFF");
  m.setValue(HKEY_LOCAL_MACHINE, key, "none", REG_NONE, "");
  m.setValue(HKEY_LOCAL_MACHINE, key, "emptyBinary", REG_BINARY, "");
  m.setValue(HKEY_LOCAL_MACHINE, key, "shortDword", REG_DWORD, "\x01\x02\x03");
  m.setDword(HKEY_LOCAL_MACHINE, key, "dword", 0xDEADBEEF);
  m.setValue(HKEY_LOCAL_MACHINE, key, "long", REG_BINARY, std::string(200, '\x5C'));
  m.setValue(HKEY_LOCAL_MACHINE, key, "quote\"and\\backslash", REG_SZ, std::string("\"\\\0", 3));
  m.setString(HKEY_LOCAL_MACHINE, key, "", ansi("既定値 ソ"));
  m.setString(HKEY_CURRENT_USER, kSjisKey, ansi("用紙表"), ansi("表"));
  m.setString(HKEY_CURRENT_USER, kSjisKey + "\\" + ansi("ソ"), ansi("表"), "x");
  m.createKey(HKEY_CURRENT_USER, "Software\\Empty\\Leaf");
}

void expectRoundTrip(Format format, bool utf8, void (*fill)(TestMachine&)) {
  TestMachine source;
  fill(source);
  std::string first = exportAll(source.registry(), format, utf8);
  TestMachine target;
  std::string error;
  ASSERT_TRUE(regfile::importBytes(target.registry(), first, &error)) << error;
  EXPECT_EQ(snapshot(target.registry()), snapshot(source.registry()));
  EXPECT_EQ(exportAll(target.registry(), format, utf8), first);
}

struct BadFile {
  const char* what;
  std::string text;
  int line;
  const char* message;
};

}  // namespace

TEST(RegFile, ParsesEveryValueKindToExactTypeAndBytes) {
  std::string file =
      "Windows Registry Editor Version 5.00\r\n"
      "\r\n"
      "; a comment\r\n"
      "[HKEY_CURRENT_USER\\Software\\Kinds]\r\n"
      "\"s\"=\"a\\\\b\\\"c 表\"\r\n"
      "@=\"default\"\r\n"
      "  \"d\" = dword:0000002A\r\n"
      "\"bin\"=hex:01,ff,\\\r\n"
      "    7f\r\n"
      "\"empty\"=hex:\r\n"
      "\"multi\"=hex(7):61,00,00,00,68,88,00,00,00,00\r\n"
      "\"odd\"=hex(80000001):0a,0b\r\n"
      "\"gone\"=-\r\n"
      "[-HKEY_LOCAL_MACHINE\\Software\\Old]\r\n";
  auto ops = parseOk(file);
  ASSERT_EQ(ops.size(), 10u);
  EXPECT_EQ(ops[0].kind, Operation::CreateKey);
  EXPECT_EQ(ops[0].hive, HKEY_CURRENT_USER);
  EXPECT_EQ(ops[0].path, "Software\\Kinds");
  EXPECT_EQ(ops[0].line, 4);
  EXPECT_EQ(ops[1].type, REG_SZ);
  EXPECT_EQ(ops[1].data, ansi("a\\b\"c 表") + '\0');
  EXPECT_EQ(ops[2].name, "");
  EXPECT_EQ(ops[3].type, REG_DWORD);
  EXPECT_EQ(ops[3].data, std::string("\x2A\0\0\0", 4));
  EXPECT_EQ(ops[4].type, REG_BINARY);
  EXPECT_EQ(ops[4].data, "\x01\xFF\x7F");
  EXPECT_EQ(ops[5].data, "");
  EXPECT_EQ(ops[6].type, REG_MULTI_SZ);  // UTF-16LE in the file, ANSI in the registry
  EXPECT_EQ(ops[6].data, std::string("a\0", 2) + ansi("表") + std::string("\0\0", 2));
  EXPECT_EQ(ops[7].type, 0x80000001u);
  EXPECT_EQ(ops[7].data, "\x0A\x0B");  // unknown types are not text: bytes as written
  EXPECT_EQ(ops[8].kind, Operation::DeleteValue);
  EXPECT_EQ(ops[8].name, "gone");
  EXPECT_EQ(ops[9].kind, Operation::DeleteKey);
  EXPECT_EQ(ops[9].path, "Software\\Old");
  EXPECT_EQ(ops[9].line, 14);

  // The same file as UTF-16LE with BOM, and as UTF-8 with BOM, reads the same.
  QString text = QString::fromUtf8(file.data(), qsizetype(file.size()));
  auto wide = parseOk(utf16le(text.toStdU16String()));
  auto bom = parseOk("\xEF\xBB\xBF" + file);
  ASSERT_EQ(wide.size(), ops.size());
  ASSERT_EQ(bom.size(), ops.size());
  for (size_t i = 0; i < ops.size(); ++i) {
    EXPECT_EQ(wide[i].data, ops[i].data);
    EXPECT_EQ(bom[i].name, ops[i].name);
  }
}

TEST(RegFile, Regedit4TakesAnsiBytesAsTheyAreAndTrailBytes0x5CAreNotBackslashes) {
  std::string file = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\" + ansi("カラー表") + "]\r\n\"" +
                     ansi("用紙表") + "\"=\"" + ansi("ソ") + "\"\r\n" +
                     "\"multi\"=hex(7):" + "95,5c,00,00\r\n" + "\"raw\"=hex(2):81,20,00\r\n";
  auto ops = parseOk(file);
  ASSERT_EQ(ops.size(), 4u);
  EXPECT_EQ(ops[0].path, "\x83\x4A\x83\x89\x81\x5B\x95\x5C");
  EXPECT_EQ(ops[1].name, "\x97\x70\x8E\x86\x95\x5C");
  EXPECT_EQ(ops[1].data, std::string("\x83\x5C\0", 3));
  EXPECT_EQ(ops[2].data, std::string("\x95\x5C\0\0", 4));
  EXPECT_EQ(ops[3].data, std::string("\x81\x20\0", 3));  // not text, but not REG_SZ: kept
}

TEST(RegFile, BadInputIsRefusedWithItsLineAndNothingIsImported) {
  const std::string v5 = "Windows Registry Editor Version 5.00\r\n\r\n";
  const std::string good = "[HKEY_CURRENT_USER\\Software\\New]\r\n\"ok\"=dword:00000001\r\n";
  const std::vector<BadFile> cases = {
      {"wrong header", "Windows Registry Editor Version 4.00\r\n\r\n" + good, 1, "first line"},
      {"header not first", "\r\n" + v5 + good, 1, "first line"},
      {"unterminated string", v5 + good + "\"s\"=\"abc\r\n", 5, "unterminated string"},
      {"text after a name", v5 + good + "\"s=\"abc\"x\r\n", 5, "expected \"=\""},
      {"text after a string", v5 + good + "\"s\"=\"abc\" x\r\n", 5, "unexpected text"},
      {"bad hex", v5 + good + "\"b\"=hex:01,0g\r\n", 5, "bad hex"},
      {"bad hex on a continuation line", v5 + good + "\"b\"=hex:01,\\\r\n  02,zz\r\n", 6,
       "bad hex"},
      {"three-digit hex", v5 + good + "\"b\"=hex:012\r\n", 5, "bad hex"},
      {"bad dword", v5 + good + "\"d\"=dword:123456789\r\n", 5, "bad dword"},
      {"unknown kind", v5 + good + "\"q\"=qword:01\r\n", 5, "unknown value kind \"qword\""},
      {"unknown kind without colon", v5 + good + "\"q\"=42\r\n", 5, "unknown value kind"},
      {"unopened key", v5 + "\"x\"=\"y\"\r\n" + good, 3, "outside any key"},
      {"value under a deleted key", v5 + "[-HKEY_CURRENT_USER\\Software\\X]\r\n\"x\"=-\r\n", 4,
       "outside any key"},
      {"unknown hive", v5 + good + "[HKEY_CLASSES_ROOT\\.txt]\r\n", 5,
       "unknown hive \"HKEY_CLASSES_ROOT\""},
      {"bad escape", v5 + good + "\"p\"=\"C:\\WINDOWS\"\r\n", 5, "bad escape"},
      {"missing bracket", v5 + good + "[HKEY_CURRENT_USER\\Software\r\n", 5, "closing"},
      {"odd UTF-16 data", v5 + good + "\"t\"=hex(1):41,00,42\r\n", 5, "even number"},
      {"REGEDIT4 with BOM", "\xEF\xBB\xBFREGEDIT4\r\n\r\n" + good, 1, "ANSI"},
  };
  for (const BadFile& bad : cases) {
    SCOPED_TRACE(bad.what);
    std::vector<Operation> ops;
    regfile::ParseError error;
    EXPECT_FALSE(regfile::parse(bad.text, &ops, &error));
    EXPECT_EQ(error.line, bad.line);
    EXPECT_NE(error.message.find(bad.message), std::string::npos) << error.message;
    EXPECT_TRUE(ops.empty());

    TestMachine m;
    m.setString(HKEY_CURRENT_USER, "Software\\Kept", "v", "1");
    auto before = snapshot(m.registry());
    std::string message;
    EXPECT_FALSE(regfile::importBytes(m.registry(), bad.text, &message));
    EXPECT_EQ(message.rfind(std::to_string(bad.line) + ": ", 0), 0u) << message;
    EXPECT_EQ(snapshot(m.registry()), before);
  }
}

TEST(RegFile, AFailureWhileApplyingRollsBackEverything) {
  TestMachine m;
  m.setString(HKEY_CURRENT_USER, "Software\\Kept", "v", "1");
  auto before = snapshot(m.registry());
  std::string file =
      "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kept]\r\n\"v\"=\"2\"\r\n\"w\"=dword:1\r\n"
      "[-HKEY_CURRENT_USER\\Software\\Kept]\r\n[HKEY_CURRENT_USER\\Software\\" +
      std::string(256, 'k') + "]\r\n";
  std::string error;
  // The reader refuses the over-long name itself; the registry must refuse
  // it just the same when it comes straight to it.
  EXPECT_FALSE(regfile::importBytes(m.registry(), file, &error));
  EXPECT_EQ(error.rfind("7: ", 0), 0u) << error;
  EXPECT_EQ(snapshot(m.registry()), before);
  std::vector<Operation> ops = parseOk(file.substr(0, file.rfind("[HKEY")));
  Operation tooLong;
  tooLong.hive = HKEY_CURRENT_USER;
  tooLong.path = "Software\\" + std::string(256, 'k');
  tooLong.line = 7;
  ops.push_back(tooLong);
  EXPECT_FALSE(regfile::apply(m.registry(), ops, &error));
  EXPECT_EQ(error.rfind("7: cannot create", 0), 0u)
      << error;  // a key name has 255 characters at most
  EXPECT_EQ(snapshot(m.registry()), before);
  EXPECT_EQ(m.registry().openHandleCount(), 0u);
}

TEST(RegFile, ImportCreatesSetsAndDeletes) {
  TestMachine m;
  m.setString(HKEY_CURRENT_USER, "Software\\A\\Old\\Deep", "x", "1");
  m.setString(HKEY_CURRENT_USER, "Software\\A", "drop", "1");
  m.setString(HKEY_CURRENT_USER, "Software\\A", "keep", "1");
  std::string error;
  ASSERT_TRUE(regfile::importBytes(m.registry(),
                                   "REGEDIT4\n[-HKEY_CURRENT_USER\\Software\\A\\Old]\n"
                                   "[-HKEY_CURRENT_USER\\Software\\Missing]\n"
                                   "[HKEY_CURRENT_USER\\Software\\A]\n\"drop\"=-\n\"absent\"=-\n"
                                   "\"keep\"=\"2\"\n[HKEY_CURRENT_USER\\Software\\A\\New]\n",
                                   &error))
      << error;
  EXPECT_FALSE(m.keyExists(HKEY_CURRENT_USER, "Software\\A\\Old"));
  EXPECT_TRUE(m.keyExists(HKEY_CURRENT_USER, "Software\\A\\New"));
  EXPECT_FALSE(m.value(HKEY_CURRENT_USER, "Software\\A", "drop", nullptr, nullptr));
  std::string bytes;
  ASSERT_TRUE(m.value(HKEY_CURRENT_USER, "Software\\A", "keep", nullptr, &bytes));
  EXPECT_EQ(bytes, std::string("2\0", 2));
  EXPECT_EQ(m.registry().openHandleCount(), 0u);
}

TEST(RegFile, RoundTripsByteExactlyInRegedit4) {
  expectRoundTrip(Format::Regedit4, false, fillTrickyValues);
}
TEST(RegFile, RoundTripsByteExactlyInUnicodeUtf16) {
  expectRoundTrip(Format::Unicode, false, fillTrickyValues);
}
TEST(RegFile, RoundTripsByteExactlyInUnicodeUtf8) {
  expectRoundTrip(Format::Unicode, true, fillTrickyValues);
}

TEST(RegFile, Regedit4CarriesTextThatIsNotCodePage932) {
  expectRoundTrip(Format::Regedit4, false, [](TestMachine& m) {
    m.setValue(HKEY_CURRENT_USER, "Software\\Bad", "lone lead", REG_EXPAND_SZ,
               std::string("\x81\x20\0", 3));
    m.setValue(HKEY_CURRENT_USER, "Software\\Bad", "multi", REG_MULTI_SZ,
               std::string("\xFF\0\0", 3));
  });
}

TEST(RegFile, UnicodeExportRefusesTextItCannotHoldExactly) {
  // The registry converts text through Unicode when it is written, so such
  // bytes are only in a database written before it did: they are put there
  // as binary data, then marked as text behind the registry's back.
  TestMachine m;
  m.setValue(HKEY_CURRENT_USER, "Software\\Bad", "lone lead", REG_BINARY,
             std::string("\x81\x20\0", 3));
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((m.folder() + "/registry.db").c_str(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, "UPDATE vals SET type = 1 WHERE fold = 'LONE LEAD'", nullptr, nullptr,
                         nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  std::string out;
  std::string error;
  EXPECT_FALSE(regfile::exportKeys(m.registry(), {{HKEY_CURRENT_USER, "software\\bad"}},
                                   {Format::Unicode, false}, &out, &error));
  EXPECT_NE(error.find("HKEY_CURRENT_USER\\Software\\Bad, value \"lone lead\""), std::string::npos)
      << error;
  EXPECT_NE(error.find("--regedit4"), std::string::npos) << error;
}

TEST(RegFile, ExportWritesRegeditsLayout) {
  TestMachine m;
  m.setString(HKEY_LOCAL_MACHINE, "Software\\Q", "Name", ansi("表\"x\""));
  m.setDword(HKEY_LOCAL_MACHINE, "Software\\Q", "Count", 42);
  m.setValue(HKEY_LOCAL_MACHINE, "Software\\Q", "NoNul", REG_SZ, "ab");
  m.setValue(HKEY_LOCAL_MACHINE, "Software\\Q", "Multi", REG_MULTI_SZ, std::string("a\0\0", 3));
  m.setValue(HKEY_LOCAL_MACHINE, "Software\\Q", "Bin", REG_BINARY, std::string(30, '\x01'));
  m.createKey(HKEY_LOCAL_MACHINE, "Software\\Q\\Sub");
  std::string out;
  std::string error;
  ASSERT_TRUE(regfile::exportKeys(m.registry(), {{HKEY_LOCAL_MACHINE, "SOFTWARE\\q"}},
                                  {Format::Unicode, true}, &out, &error))
      << error;
  EXPECT_EQ(
      out,
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Q]\r\n"
      "\"Name\"=\"表\\\"x\\\"\"\r\n"
      "\"Count\"=dword:0000002a\r\n"
      "\"NoNul\"=hex(1):61,00,62,00\r\n"
      "\"Multi\"=hex(7):61,00,00,00,00,00\r\n"
      "\"Bin\"=hex:01,01,01,01,01,01,01,01,01,01,01,01,01,01,01,01,01,01,01,01,01,01,01,\\\r\n"
      "  01,01,01,01,01,01,01\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Q\\Sub]\r\n"
      "\r\n");
  std::string wide;
  ASSERT_TRUE(regfile::exportKeys(m.registry(), {{HKEY_LOCAL_MACHINE, "Software\\Q"}},
                                  {Format::Unicode, false}, &wide, &error));
  EXPECT_EQ(wide, utf16le(QString::fromStdString(out).toStdU16String()));
  std::string ansiOut;
  ASSERT_TRUE(regfile::exportKeys(m.registry(), {{HKEY_LOCAL_MACHINE, "Software\\Q\\Sub"}},
                                  {Format::Regedit4, false}, &ansiOut, &error));
  EXPECT_EQ(ansiOut, "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Q\\Sub]\r\n\r\n");
  EXPECT_FALSE(regfile::exportKeys(m.registry(), {{HKEY_LOCAL_MACHINE, "Software\\Nope"}},
                                   {Format::Unicode, false}, &out, &error));
  EXPECT_NE(error.find("no such key"), std::string::npos) << error;
}

namespace {

std::string repeat(const std::string& part, int times, const std::string& separator = "\\") {
  std::string text;
  for (int i = 0; i < times; ++i) text += (i ? separator : "") + part;
  return text;
}

// A REGEDIT4 file that sets one value before `line` (line 5), so that a
// refusal visibly imports nothing.
std::string fileWith(const std::string& line) {
  return "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Before]\r\n\"v\"=\"1\"\r\n" + line + "\r\n";
}

}  // namespace

// Windows' registry element size limits: the reader takes each limit and
// refuses one past it with the line, importing nothing.
TEST(RegFileLimits, EachLimitIsTakenAndOnePastItRefused) {
  const std::string kanji = ansi("表");  // one character, two bytes, trail byte 0x5C
  struct Limit {
    const char* what;
    std::string atLimit;
    std::string pastLimit;
    const char* message;
  };
  const std::vector<Limit> limits = {
      {"key depth", "[HKEY_CURRENT_USER\\" + repeat("k", 512) + "]",
       "[HKEY_CURRENT_USER\\" + repeat("k", 513) + "]", "513 levels deep"},
      {"key name length", "[HKEY_CURRENT_USER\\Software\\" + std::string(255, 'n') + "]",
       "[HKEY_CURRENT_USER\\Software\\" + std::string(256, 'n') + "]", "256 characters long"},
      {"key name length in double-byte characters",
       "[HKEY_CURRENT_USER\\Software\\" + repeat(kanji, 255, "") + "]",
       "[HKEY_CURRENT_USER\\Software\\" + repeat(kanji, 256, "") + "]", "256 characters long"},
      {"value name length", "\"" + std::string(16383, 'v') + "\"=dword:1",
       "\"" + std::string(16384, 'v') + "\"=dword:1", "16384 characters long"},
      {"key name that is code page 932 text",
       "[HKEY_CURRENT_USER\\Software\\" + ansi("ポート") + "]",
       "[HKEY_CURRENT_USER\\Software\\a\x82 b]", "not code page 932 text"},
      {"value name that is code page 932 text", "\"" + ansi("名前") + "\"=dword:1",
       "\"a\x82 b\"=dword:1", "not code page 932 text"},
      {"string that is code page 932 text", "\"s\"=\"" + ansi("ソ") + "\"", "\"s\"=\"x\x82\"",
       "not code page 932 text"},
      {"REG_SZ bytes that are code page 932 text", "\"s\"=hex(1):83,5c,00", "\"s\"=hex(1):81,20,00",
       "not code page 932 text"},
  };
  for (const Limit& limit : limits) {
    SCOPED_TRACE(limit.what);
    TestMachine m;
    std::string error;
    EXPECT_TRUE(regfile::importBytes(m.registry(), fileWith(limit.atLimit), &error)) << error;

    TestMachine past;
    auto before = snapshot(past.registry());
    EXPECT_FALSE(regfile::importBytes(past.registry(), fileWith(limit.pastLimit), &error));
    EXPECT_EQ(error.rfind("5: ", 0), 0u) << error;
    EXPECT_NE(error.find(limit.message), std::string::npos) << error;
    EXPECT_EQ(snapshot(past.registry()), before);
  }
}

// The registry takes the same limits from any caller, and a tree at the
// depth limit exports and reads back.
TEST(RegFileLimits, TheRegistryKeepsTheLimitsAndADeepTreeRoundTrips) {
  expectRoundTrip(Format::Regedit4, false, [](TestMachine& m) {
    m.setString(HKEY_CURRENT_USER, repeat("d", 512), "deepest", "x");
  });
  expectRoundTrip(Format::Unicode, false, [](TestMachine& m) {
    m.setString(HKEY_CURRENT_USER, repeat(ansi("表"), 512), ansi("表"), ansi("表"));
  });

  TestMachine m;
  Registry& registry = m.registry();
  HKEY key = nullptr;
  ASSERT_EQ(registry.RegCreateKeyExA(HKEY_CURRENT_USER, repeat("k", 500).c_str(), 0, "", 0,
                                     KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  HKEY below = nullptr;
  // Counted from the hive, not from the handle.
  EXPECT_EQ(registry.RegCreateKeyExA(key, repeat("k", 13).c_str(), 0, "", 0, KEY_ALL_ACCESS,
                                     nullptr, &below, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(below, nullptr);
  ASSERT_EQ(registry.RegCreateKeyExA(key, repeat("k", 12).c_str(), 0, "", 0, KEY_ALL_ACCESS,
                                     nullptr, &below, nullptr),
            ERROR_SUCCESS);
  (void)registry.RegCloseKey(below);
  EXPECT_EQ(
      registry.RegCreateKeyExA(key, "a\x82 b", 0, "", 0, KEY_ALL_ACCESS, nullptr, &below, nullptr),
      ERROR_INVALID_PARAMETER);
  auto set = [&](const std::string& name, DWORD type, const std::string& data) {
    return registry.RegSetValueExA(key, name.c_str(), 0, type,
                                   reinterpret_cast<const BYTE*>(data.data()), DWORD(data.size()));
  };
  EXPECT_EQ(set(std::string(16383, 'v'), REG_DWORD, "1234"), ERROR_SUCCESS);
  EXPECT_EQ(set(std::string(16384, 'v'), REG_DWORD, "1234"), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(set("a\x82 b", REG_DWORD, "1234"), ERROR_INVALID_PARAMETER);
  // Text data is kept as Unicode, as Windows keeps it: bytes that are not
  // code page 932 text are converted on the way in, not refused; only a .reg
  // file carrying them is refused.
  EXPECT_EQ(set("text", REG_SZ, std::string("x\x82\0", 3)), ERROR_SUCCESS);
  EXPECT_EQ(set("text", REG_SZ, ansi("ソ") + '\0'), ERROR_SUCCESS);
  EXPECT_EQ(set("bytes", REG_BINARY, std::string("x\x82\0", 3)), ERROR_SUCCESS);
  (void)registry.RegCloseKey(key);
}

// A store written before the limits were kept can hold a tree far deeper than
// Windows allows; its export fails with a message instead of overflowing the
// stack.
TEST(RegFileLimits, ExportOfATreeDeeperThanWindowsAllowsFailsCleanly) {
  TestMachine m;
  m.createKey(HKEY_CURRENT_USER, "Software");
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((m.folder() + "/registry.db").c_str(), &db), SQLITE_OK);
    sqlite3_busy_timeout(db, 10000);
    const char* chain =
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
        "INSERT INTO keys(id, parent, name, fold) "
        "SELECT 100000 + i, CASE i WHEN 1 THEN (SELECT id FROM keys WHERE fold = 'SOFTWARE') "
        "ELSE 99999 + i END, 'k', 'K' FROM n";
    EXPECT_EQ(sqlite3_exec(db, chain, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
  }
  for (Format format : {Format::Regedit4, Format::Unicode}) {
    std::string out;
    std::string error;
    EXPECT_FALSE(regfile::exportKeys(m.registry(), {{HKEY_CURRENT_USER, ""}}, {format, false}, &out,
                                     &error));
    EXPECT_NE(error.find("more than 512 levels deep"), std::string::npos) << error;
    EXPECT_EQ(m.registry().openHandleCount(), 0u);
  }
}

TEST(RegFileTemplates, NotebookHoldsWhatTheProgramReads) {
  TestMachine m;
  auto reg = machinetool::templateReg("notebook");
  ASSERT_TRUE(reg);
  std::string error;
  ASSERT_TRUE(regfile::importBytes(m.registry(), reg->toStdString(), &error)) << error;
  DWORD type = 0;
  std::string bytes;
  ASSERT_TRUE(m.value(HKEY_LOCAL_MACHINE, "Software\\Q\\Tolvik", "InsDir", &type, &bytes));
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(bytes, std::string("C:\\Program Files\\Verantu\\\0", 26));

  const std::string adapters = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Adapters\\";
  const std::string wired = "{8E3A5D21-6C4B-4F1A-9E27-3B5C8D0F1A42}";
  ASSERT_TRUE(m.value(HKEY_LOCAL_MACHINE, adapters + wired, "IpConfig", &type, &bytes));
  EXPECT_EQ(type, REG_MULTI_SZ);
  EXPECT_EQ(bytes, "Tcpip\\Parameters\\Interfaces\\" + wired + std::string("\0\0", 2));
  EXPECT_TRUE(m.keyExists(HKEY_LOCAL_MACHINE, adapters + "NdisWanIp"));
  ASSERT_TRUE(m.value(HKEY_LOCAL_MACHINE,
                      "SYSTEM\\CurrentControlSet\\Control\\Network\\"
                      "{4D36E972-E325-11CE-BFC1-08002BE10318}\\" +
                          wired + "\\Connection",
                      "Name", &type, &bytes));
  EXPECT_EQ(bytes, ansi("ローカル エリア接続") + '\0');
  const std::string interfaces =
      "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\";
  ASSERT_TRUE(m.value(HKEY_LOCAL_MACHINE, interfaces + wired, "IPAddress", &type, &bytes));
  EXPECT_EQ(bytes, std::string("192.168.10.25\0"
                               "192.168.10.26\0\0",
                               29));
  ASSERT_TRUE(m.value(HKEY_LOCAL_MACHINE, interfaces + "{C1D7E4B9-2A63-4E58-B0F4-7A91D2C6E835}",
                      "DefaultGateway", &type, &bytes));
  EXPECT_EQ(bytes, std::string("\0", 1));  // an empty REG_MULTI_SZ reads as one byte
  ASSERT_TRUE(m.value(HKEY_LOCAL_MACHINE, "SYSTEM\\Emulation", "Domains", &type, &bytes));
  EXPECT_EQ(bytes, std::string("CORP\0EXAMPLE\0\0", 14));
  ASSERT_TRUE(m.value(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows",
                      "Device", &type, &bytes));
  EXPECT_EQ(bytes, std::string("EPSON PX-V630,winspool,Ne00:\0", 29));
  // Names whose Shift-JIS trail byte is 0x5C.
  const std::string epson =
      "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\EPSON PX-V630\\PrinterDriverData\\";
  EXPECT_TRUE(m.keyExists(HKEY_LOCAL_MACHINE, epson + ansi("カラー表")));
  EXPECT_TRUE(m.value(HKEY_LOCAL_MACHINE, epson + ansi("ソフトウェア設定"), ansi("用紙サイズ表"),
                      &type, &bytes));

  auto internet = snapshot(m.registry(), HKEY_CURRENT_USER, "HKCU");
  size_t values = 0;
  for (const auto& line : internet) values += line[0] != '[';
  EXPECT_GE(values, 500u);
}

TEST(RegFileTemplates, BareIsPartOfNotebookWithoutTheProgram) {
  TestMachine bare;
  TestMachine notebook;
  std::string error;
  ASSERT_TRUE(regfile::importBytes(bare.registry(), machinetool::templateReg("bare")->toStdString(),
                                   &error));
  ASSERT_TRUE(regfile::importBytes(notebook.registry(),
                                   machinetool::templateReg("notebook")->toStdString(), &error));
  EXPECT_FALSE(bare.keyExists(HKEY_LOCAL_MACHINE, "Software\\Q\\Tolvik"));
  std::string bytes;
  ASSERT_TRUE(bare.value(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                         "CSDVersion", nullptr, &bytes));
  EXPECT_EQ(bytes, std::string("Service Pack 2\0", 15));
  auto inNotebook = snapshot(notebook.registry());
  std::string key;
  for (const auto& line : snapshot(bare.registry())) {
    if (line[0] == '[') key = line;
    EXPECT_NE(std::find(inNotebook.begin(), inNotebook.end(), line), inNotebook.end())
        << key << " " << line;
  }
  EXPECT_FALSE(machinetool::templateReg("laptop"));
}

TEST(RegFileTemplates, TemplatesAreWrittenExactlyAsTheExportWritesThem) {
  for (const char* name : {"bare", "notebook"}) {
    TestMachine m;
    QByteArray reg = *machinetool::templateReg(name);
    std::string error;
    ASSERT_TRUE(regfile::importBytes(m.registry(), reg.toStdString(), &error)) << error;
    EXPECT_EQ(exportAll(m.registry(), Format::Unicode, true), reg.toStdString()) << name;
  }
}
