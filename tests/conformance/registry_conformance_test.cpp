// The registry as Win32 shows it to an ANSI program on a code-page-932
// system: names, order, data, sizes, access and deletion.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/registry.h"
#include "tests/conformance/conformance_machine.h"

using namespace win;

namespace {

const BYTE* bytesOf(const std::string& s) {
  return reinterpret_cast<const BYTE*>(s.data());
}

class RegistryConformance : public ::testing::Test {
 protected:
  void SetUp() override { host_ = conformance::newConformanceMachine(); }
  void TearDown() override {
    for (HKEY key : opened_) reg().RegCloseKey(key);
  }

  Registry& reg() { return host_->machine().registry(); }

  // Creates (or opens) a key under HKEY_LOCAL_MACHINE, closed after the test.
  HKEY create(const std::string& path, REGSAM sam = KEY_ALL_ACCESS, HKEY parent = nullptr) {
    HKEY key = nullptr;
    EXPECT_EQ(reg().RegCreateKeyExA(parent ? parent : HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr,
                                    0, sam, nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << path;
    if (key) opened_.push_back(key);
    return key;
  }
  HKEY open(const std::string& path, REGSAM sam = KEY_READ) {
    HKEY key = nullptr;
    EXPECT_EQ(reg().RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, sam, &key), ERROR_SUCCESS)
        << path;
    if (key) opened_.push_back(key);
    return key;
  }
  bool exists(const std::string& path) {
    HKEY key = nullptr;
    if (reg().RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
      return false;
    reg().RegCloseKey(key);
    return true;
  }
  void set(HKEY key, const char* name, DWORD type, const std::string& data) {
    ASSERT_EQ(reg().RegSetValueExA(key, name, 0, type, bytesOf(data), DWORD(data.size())),
              ERROR_SUCCESS)
        << name;
  }
  // The value's bytes as read with a buffer that fits; its type in `type`.
  std::string read(HKEY key, const char* name, DWORD* type = nullptr) {
    DWORD size = 0;
    EXPECT_EQ(reg().RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size), ERROR_SUCCESS)
        << name;
    std::string data(size, '\0');
    EXPECT_EQ(reg().RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(data.data()),
                                     &size),
              ERROR_SUCCESS)
        << name;
    data.resize(size);
    return data;
  }
  std::vector<std::string> subkeys(HKEY key) {
    std::vector<std::string> names;
    char name[512];
    for (DWORD i = 0; reg().RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i)
      names.push_back(name);
    return names;
  }
  std::vector<std::string> valueNames(HKEY key) {
    std::vector<std::string> names;
    char name[512];
    DWORD length = sizeof name;
    for (DWORD i = 0; reg().RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr,
                                          nullptr) == ERROR_SUCCESS;
         ++i, length = sizeof name)
      names.push_back(name);
    return names;
  }

 private:
  std::unique_ptr<conformance::ConformanceMachine> host_;
  std::vector<HKEY> opened_;
};

}  // namespace

TEST_F(RegistryConformance, NamesAreCaseInsensitiveAndKeepTheirSpelling) {
  HKEY key = create("Software\\MixedCase");
  set(key, "Value", REG_SZ, std::string("x", 2));
  HKEY again = open("SOFTWARE\\mixedcase");
  EXPECT_EQ(read(again, "VALUE"), std::string("x", 2));
  EXPECT_EQ(subkeys(open("software")), std::vector<std::string>{"MixedCase"});

  // Full-width and Greek letters fold as well; the name keeps its spelling.
  create(ansiFromUtf8("Software\\ａｂｃΩ"));
  EXPECT_TRUE(exists(ansiFromUtf8("SOFTWARE\\ＡＢＣω")));
  EXPECT_EQ(subkeys(open("Software")),
            (std::vector<std::string>{"MixedCase", ansiFromUtf8("ａｂｃΩ")}));
}

TEST_F(RegistryConformance, ShiftJisTrailByteIsNotASeparator) {
  // 表 is 0x95 0x5C and ソ is 0x83 0x5C: each name is one key, not two.
  std::string hyou = ansiFromUtf8("表示");
  std::string sofuto = ansiFromUtf8("ソフト");
  ASSERT_EQ(hyou[1], '\\');
  HKEY key = create("Test\\" + hyou + "\\" + sofuto);
  set(key, sofuto.c_str(), REG_SZ, hyou + '\0');
  EXPECT_EQ(subkeys(open("Test")), std::vector<std::string>{hyou});
  EXPECT_EQ(subkeys(open("Test\\" + hyou)), std::vector<std::string>{sofuto});
  EXPECT_FALSE(exists("Test\\" + hyou.substr(0, 1)));
  EXPECT_EQ(valueNames(key), std::vector<std::string>{sofuto});
  EXPECT_EQ(read(key, sofuto.c_str()), hyou + '\0');
}

TEST_F(RegistryConformance, SubkeysEnumerateInUpperCaseOrder) {
  HKEY key = create("Order");
  for (const char* name : {"b", "A", "_x", "C", "[y", "a1", "`z"}) create(name, KEY_READ, key);
  // Windows compares names upper-cased, so "[", "_" and "`" (0x5B, 0x5F,
  // 0x60) come after the letters.
  std::vector<std::string> windowsOrder{"A", "a1", "b", "C", "[y", "_x", "`z"};
  if (conformance::runningUnderWine()) {
    // Wine compares them lower-cased: the three come before the letters.
    EXPECT_EQ(subkeys(key), (std::vector<std::string>{"[y", "_x", "`z", "A", "a1", "b", "C"}));
  } else {
    EXPECT_EQ(subkeys(key), windowsOrder);
  }
}

TEST_F(RegistryConformance, ValuesEnumerateInCreationOrder) {
  HKEY key = create("Order");
  auto expectOrder = [&](const std::vector<std::string>& windows) {
    if (conformance::runningUnderWine()) {
      // Wine keeps values sorted by name, whatever their creation order.
      EXPECT_EQ(valueNames(key), (std::vector<std::string>{"Alpha", "mid", "zeta"}));
    } else {
      EXPECT_EQ(valueNames(key), windows);
    }
  };
  std::string one("1", 2);
  for (const char* name : {"zeta", "Alpha", "mid"}) set(key, name, REG_SZ, one);
  // Overwriting keeps the value where it was, with its first spelling.
  set(key, "ZETA", REG_DWORD, std::string("\1\0\0\0", 4));
  expectOrder({"zeta", "Alpha", "mid"});
  // A value deleted and created again comes last.
  ASSERT_EQ(reg().RegDeleteValueA(key, "alpha"), ERROR_SUCCESS);
  set(key, "Alpha", REG_SZ, one);
  expectOrder({"zeta", "mid", "Alpha"});
}

TEST_F(RegistryConformance, DataComesBackAsItWasStored) {
  HKEY key = create("Exact");
  struct Case {
    const char* name;
    DWORD type;
    std::string data;
  } cases[] = {
      {"", REG_SZ, std::string("default", 8)},
      {"Japanese", REG_SZ, ansiFromUtf8("表示ソフト") + '\0'},
      {"Expand", REG_EXPAND_SZ, std::string("%SystemRoot%\\x", 15)},
      {"OneByteMulti", REG_MULTI_SZ, std::string(1, '\0')},
      {"Multi", REG_MULTI_SZ, std::string("a\0bc\0\0", 6)},
      {"JapaneseMulti", REG_MULTI_SZ, ansiFromUtf8("表") + '\0' + ansiFromUtf8("ソ") + '\0' + '\0'},
      {"Empty", REG_BINARY, ""},
      {"EmptyText", REG_SZ, ""},
      {"Unknown", 0x80000001u, std::string("\xff\x00\x7f", 3)},
      {"Dword", REG_DWORD, std::string("\x2a\0\0\0", 4)},
  };
  for (const Case& c : cases) set(key, c.name, c.type, c.data);
  for (const Case& c : cases) {
    DWORD type = 0;
    EXPECT_EQ(read(key, c.name, &type), c.data) << c.name;
    EXPECT_EQ(type, c.type) << c.name;
  }

  // Text written without its NUL is kept without it.
  set(key, "NoNul", REG_SZ, "abc");
  if (conformance::runningUnderWine()) {
    // Wine adds the missing NUL and counts it.
    EXPECT_EQ(read(key, "NoNul"), std::string("abc", 4));
  } else {
    EXPECT_EQ(read(key, "NoNul"), "abc");
  }
}

TEST_F(RegistryConformance, TextThatIsNotCodePage932IsConvertedThroughUnicode) {
  HKEY key = create("Unconvertible");
  // A lead byte without its trail byte and a lone byte 0x80 are not code
  // page 932 text; the A functions store text as Unicode, so such bytes do
  // not come back as they were, while binary data always does.
  std::string broken("ab\x82", 3);
  set(key, "Text", REG_SZ, broken);
  set(key, "Binary", REG_BINARY, broken);
  std::string text = read(key, "Text");
  EXPECT_NE(text, broken);
  EXPECT_EQ(text.substr(0, 2), "ab");
  EXPECT_TRUE(isRoundTripAnsi(text));
  EXPECT_EQ(read(key, "Binary"), broken);
}

TEST_F(RegistryConformance, SmallBuffersGetMoreDataAndTheNeededSize) {
  HKEY key = create("Buffers");
  set(key, "Ten", REG_SZ, std::string("0123456789", 11));
  char buffer[16] = "untouched";
  DWORD size = 10;  // one byte too small
  EXPECT_EQ(
      reg().RegQueryValueExA(key, "Ten", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
      ERROR_MORE_DATA);
  EXPECT_EQ(size, 11u);
  EXPECT_STREQ(buffer, "untouched");
  size = 11;
  EXPECT_EQ(
      reg().RegQueryValueExA(key, "Ten", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
      ERROR_SUCCESS);
  EXPECT_STREQ(buffer, "0123456789");
  EXPECT_EQ(reg().RegQueryValueExA(key, "Missing", nullptr, nullptr, nullptr, &size),
            ERROR_FILE_NOT_FOUND);

  create("Child", KEY_READ, key);
  char name[8];
  EXPECT_EQ(reg().RegEnumKeyA(key, 0, name, 5), ERROR_MORE_DATA);  // "Child" needs 6
  EXPECT_EQ(reg().RegEnumKeyA(key, 0, name, 6), ERROR_SUCCESS);
  EXPECT_STREQ(name, "Child");
  EXPECT_EQ(reg().RegEnumKeyA(key, 1, name, 6), ERROR_NO_MORE_ITEMS);

  DWORD nameLength = 3;  // "Ten" needs 4 with its NUL
  EXPECT_EQ(reg().RegEnumValueA(key, 0, name, &nameLength, nullptr, nullptr, nullptr, nullptr),
            ERROR_MORE_DATA);
  nameLength = 4;
  DWORD dataSize = 10;
  EXPECT_EQ(reg().RegEnumValueA(key, 0, name, &nameLength, nullptr, nullptr,
                                reinterpret_cast<BYTE*>(buffer), &dataSize),
            ERROR_MORE_DATA);
  EXPECT_EQ(dataSize, 11u);
  nameLength = 4;
  dataSize = 11;
  DWORD type = 0;
  EXPECT_EQ(reg().RegEnumValueA(key, 0, name, &nameLength, nullptr, &type,
                                reinterpret_cast<BYTE*>(buffer), &dataSize),
            ERROR_SUCCESS);
  EXPECT_EQ(nameLength, 3u);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_STREQ(buffer, "0123456789");
  EXPECT_EQ(reg().RegEnumValueA(key, 1, name, &nameLength, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);

  // Sizes of Japanese text are its code-page-932 bytes, names included.
  HKEY japanese = create("Buffers\\Japanese");
  std::string hyouji = ansiFromUtf8("表示");
  set(japanese, hyouji.c_str(), REG_SZ, hyouji + '\0');
  size = 0;
  EXPECT_EQ(reg().RegQueryValueExA(japanese, hyouji.c_str(), nullptr, nullptr, nullptr, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(size, 5u);
  nameLength = 4;  // four bytes and the NUL needed
  EXPECT_EQ(reg().RegEnumValueA(japanese, 0, name, &nameLength, nullptr, nullptr, nullptr, nullptr),
            ERROR_MORE_DATA);
  nameLength = 5;
  dataSize = 4;
  EXPECT_EQ(reg().RegEnumValueA(japanese, 0, name, &nameLength, nullptr, nullptr,
                                reinterpret_cast<BYTE*>(buffer), &dataSize),
            ERROR_MORE_DATA);
  EXPECT_EQ(dataSize, 5u);
}

TEST_F(RegistryConformance, QueryInfoReportsCharactersAndStoredBytes) {
  HKEY key = create("Info");
  create("ab", KEY_READ, key);
  create(ansiFromUtf8("表示テスト"), KEY_READ, key);  // 5 characters, 10 bytes
  set(key, "v", REG_BINARY, "12345");
  set(key, ansiFromUtf8("値の名前").c_str(), REG_BINARY, "1");  // 4 characters
  set(key, "text", REG_SZ, std::string("abc", 4));              // 8 bytes as Unicode
  // 7 bytes of code page 932, 10 as Unicode: the maximum.
  set(key, "path", REG_EXPAND_SZ, ansiFromUtf8("%表示%") + '\0');
  DWORD subKeys = 0, maxSubKey = 0, values = 0, maxName = 0, maxData = 0;
  ASSERT_EQ(reg().RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr,
                                   &values, &maxName, &maxData, nullptr, nullptr),
            ERROR_SUCCESS);
  // Names are counted in characters and data in the bytes the registry
  // keeps, text in UTF-16: what Windows documents for these maxima.
  EXPECT_EQ(subKeys, 2u);
  EXPECT_EQ(maxSubKey, 5u);
  EXPECT_EQ(values, 4u);
  EXPECT_EQ(maxName, 4u);
  EXPECT_EQ(maxData, 10u);
}

TEST_F(RegistryConformance, HandlesKeepTheirAccess) {
  create("Guarded\\Inner");
  HKEY readOnly = open("Guarded", KEY_READ);
  EXPECT_EQ(reg().RegSetValueExA(readOnly, "x", 0, REG_BINARY, bytesOf("1"), 1),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(reg().RegDeleteValueA(readOnly, "x"), ERROR_ACCESS_DENIED);
  HKEY setOnly = open("Guarded", KEY_SET_VALUE);
  DWORD size = 0;
  EXPECT_EQ(reg().RegQueryValueExA(setOnly, "x", nullptr, nullptr, nullptr, &size),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(reg().RegEnumKeyA(setOnly, 0, nullptr, 0), ERROR_ACCESS_DENIED);

  // Creating a subkey is checked against the key's security, not the
  // handle's access, so a KEY_READ handle may create one.
  HKEY created = nullptr;
  EXPECT_EQ(reg().RegCreateKeyExA(readOnly, "New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created,
                                  nullptr),
            ERROR_SUCCESS);
  reg().RegCloseKey(created);
  EXPECT_TRUE(exists("Guarded\\New"));
}

TEST_F(RegistryConformance, DeletionTakesTheTreeAndHandlesNoticeIt) {
  create("Tree\\A\\B\\C");
  create("Tree\\A2");
  set(create("Tree\\A\\B"), "v", REG_SZ, std::string("x", 2));
  HKEY inner = open("Tree\\A\\B");
  // Only a key without subkeys goes with RegDeleteKeyA.
  EXPECT_EQ(reg().RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Tree\\A"), ERROR_ACCESS_DENIED);
  ASSERT_EQ(reg().SHDeleteKeyA(HKEY_LOCAL_MACHINE, "tree\\a"), DWORD(ERROR_SUCCESS));
  EXPECT_FALSE(exists("Tree\\A"));
  EXPECT_TRUE(exists("Tree\\A2"));
  EXPECT_EQ(reg().RegEnumKeyA(inner, 0, nullptr, 0), ERROR_KEY_DELETED);
  EXPECT_EQ(reg().SHDeleteKeyA(HKEY_LOCAL_MACHINE, "Tree\\A"), DWORD(ERROR_FILE_NOT_FOUND));
  // A recreated key is a new key; its values went with the old one.
  HKEY again = create("Tree\\A\\B");
  DWORD size = 0;
  EXPECT_EQ(reg().RegQueryValueExA(again, "v", nullptr, nullptr, nullptr, &size),
            ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(reg().RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Tree\\A\\B"), ERROR_SUCCESS);
  EXPECT_FALSE(exists("Tree\\A\\B"));
}

// A copy merges into the destination: values of the same name are replaced
// (type and data), others kept, subkeys joined level by level, and a subtree
// the destination lacks arrives whole. The names are created in sorted
// order, the order in which Wine keeps them.
TEST_F(RegistryConformance, CopyTreeMergesValuesAndSubkeysIntoTheDestination) {
  const std::string sub = ansiFromUtf8("接続");
  HKEY src = create("CopySrc");
  set(src, "Same", REG_DWORD, std::string("\x07\0\0\0", 4));
  set(src, "Tail", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
  set(create("CopySrc\\" + sub + "\\Deep"), "", REG_SZ, ansiFromUtf8("値") + '\0');
  create("CopySrc\\Empty");
  set(create("CopySrc\\Fresh\\Below"), "b", REG_BINARY, "b");

  struct Case {
    const char* what;
    HKEY from;
    const char* subKey;
    const char* destination;
  };
  for (const Case& c : {Case{"from the open key", src, nullptr, "CopyDst1"},
                        Case{"from a subkey by name", HKEY_LOCAL_MACHINE, "copysrc", "CopyDst2"}}) {
    SCOPED_TRACE(c.what);
    HKEY dst = create(c.destination);
    set(dst, "Kept", REG_BINARY, "k");
    set(dst, "Same", REG_SZ, std::string("old", 4));
    set(create(std::string(c.destination) + "\\" + sub), "Mine", REG_BINARY, "m");
    ASSERT_EQ(reg().RegCopyTreeA(c.from, c.subKey, dst), ERROR_SUCCESS);
    DWORD type = 0;
    EXPECT_EQ(read(dst, "Same", &type), std::string("\x07\0\0\0", 4));
    EXPECT_EQ(type, DWORD(REG_DWORD));
    EXPECT_EQ(valueNames(dst), (std::vector<std::string>{"Kept", "Same", "Tail"}));
    EXPECT_EQ(read(dst, "Tail", &type), std::string("a\0b\0\0", 5));
    EXPECT_EQ(subkeys(dst), (std::vector<std::string>{"Empty", "Fresh", sub}));
    EXPECT_EQ(read(open(std::string(c.destination) + "\\Fresh\\Below"), "b"), "b");
    HKEY merged = open(std::string(c.destination) + "\\" + sub);
    EXPECT_EQ(read(merged, "Mine"), "m");
    EXPECT_EQ(read(open(std::string(c.destination) + "\\" + sub + "\\Deep"), ""),
              ansiFromUtf8("値") + '\0');
  }
  // The source is left as it was.
  EXPECT_EQ(valueNames(src), (std::vector<std::string>{"Same", "Tail"}));
}

TEST_F(RegistryConformance, CopyTreeRefusalsChangeNothing) {
  set(create("Refused\\Src"), "v", REG_BINARY, "1");
  HKEY readOnly = open("Refused", KEY_READ);
  EXPECT_EQ(reg().RegCopyTreeA(HKEY_LOCAL_MACHINE, "Refused\\Missing", create("Refused\\Dst")),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(reg().RegCopyTreeA(HKEY_LOCAL_MACHINE, "Refused\\Src", readOnly), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(valueNames(open("Refused")).empty());
  EXPECT_EQ(subkeys(open("Refused")), (std::vector<std::string>{"Dst", "Src"}));
}

TEST_F(RegistryConformance, PathsAndTheirSeparators) {
  HKEY key = nullptr;
  EXPECT_EQ(reg().RegOpenKeyExA(HKEY_LOCAL_MACHINE, "No\\Such", 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
  EXPECT_EQ(reg().RegOpenKeyExA(HKEY_LOCAL_MACHINE, "\\Lead", 0, KEY_READ, &key),
            ERROR_BAD_PATHNAME);
  ASSERT_EQ(reg().RegOpenKeyExA(HKEY_CURRENT_USER, "", 0, KEY_READ, &key), ERROR_SUCCESS);
  reg().RegCloseKey(key);

  DWORD disposition = 0;
  ASSERT_EQ(reg().RegCreateKeyExA(HKEY_CURRENT_USER, "A\\B", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  reg().RegCloseKey(key);
  ASSERT_EQ(reg().RegCreateKeyExA(HKEY_CURRENT_USER, "a\\b\\", 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  reg().RegCloseKey(key);
  // The hives are separate trees.
  EXPECT_FALSE(exists("A\\B"));

  // An empty name between two separators is no key of its own: the doubled
  // separator reads as one.
  ASSERT_EQ(reg().RegCreateKeyExA(HKEY_CURRENT_USER, "A\\\\B", 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  reg().RegCloseKey(key);
}

TEST_F(RegistryConformance, NameAndPathLengths) {
  // A key name has at most 255 characters, counted as Unicode characters.
  std::string longest(255, 'k');
  create(longest);
  EXPECT_TRUE(exists(longest));
  HKEY key = nullptr;
  LONG tooLong = reg().RegCreateKeyExA(HKEY_LOCAL_MACHINE, (longest + "k").c_str(), 0, nullptr, 0,
                                       KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (conformance::runningUnderWine()) {
    // Wine takes a name of 256 characters.
    EXPECT_EQ(tooLong, ERROR_SUCCESS);
    reg().RegCloseKey(key);
  } else {
    EXPECT_EQ(tooLong, ERROR_INVALID_PARAMETER);
  }
  std::string japanese;
  for (int i = 0; i < 255; ++i) japanese += ansiFromUtf8("表");  // 510 bytes
  create(japanese);
  EXPECT_TRUE(exists(japanese));

  // A path is not limited to MAX_PATH: 260, 261 and more characters reach
  // the key as long as every name in them fits.
  std::string base = std::string(200, 'p') + "\\";
  for (std::size_t length : {260u, 261u, 600u}) {
    std::string path = base;
    while (path.size() < length) {
      std::size_t room = std::min<std::size_t>(length - path.size(), 100);
      path += std::string(room, char('a' + path.size() % 26));
      if (path.size() < length) path += "\\";
    }
    ASSERT_EQ(path.size(), length);
    HKEY deep = create(path);
    set(deep, "v", REG_SZ, std::string("x", 2));
    EXPECT_EQ(read(open(path), "v"), std::string("x", 2)) << length;
  }

  // Value names may be longer than key names.
  HKEY values = create("Values");
  std::string valueName(300, 'v');
  set(values, valueName.c_str(), REG_SZ, std::string("x", 2));
  EXPECT_EQ(valueNames(values), std::vector<std::string>{valueName});
}
