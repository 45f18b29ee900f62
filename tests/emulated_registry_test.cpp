// The emulated registry against the Win32 behaviour the program depends on.
#include "platform/emulated/emulated_registry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "platform/code_page.h"
#include "tests/support/test_machine.h"

using namespace win;
using testing_support::TestMachine;

namespace {

const BYTE* bytesOf(const std::string& s) {
  return reinterpret_cast<const BYTE*>(s.data());
}

std::vector<std::string> subkeys(Registry& registry, HKEY key) {
  std::vector<std::string> names;
  char name[256];
  for (DWORD i = 0; registry.RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i)
    names.push_back(name);
  return names;
}

std::vector<std::string> valueNames(Registry& registry, HKEY key) {
  std::vector<std::string> names;
  char name[256];
  DWORD length = sizeof name;
  for (DWORD i = 0; registry.RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr,
                                           nullptr) == ERROR_SUCCESS;
       ++i, length = sizeof name)
    names.push_back(name);
  return names;
}

class EmulatedRegistryTest : public ::testing::Test {
 protected:
  HKEY create(const std::string& path, REGSAM sam = KEY_ALL_ACCESS) {
    HKEY key = nullptr;
    EXPECT_EQ(reg().RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, "", 0, sam, nullptr, &key,
                                    nullptr),
              ERROR_SUCCESS);
    return key;
  }
  emu::EmulatedRegistry& reg() { return machine.registry(); }
  TestMachine machine;
};

}  // namespace

TEST_F(EmulatedRegistryTest, NamesAreCaseInsensitiveAndKeepTheirSpelling) {
  HKEY key = create("Software\\MixedCase");
  ASSERT_EQ(reg().RegSetValueExA(key, "Value", 0, REG_SZ, bytesOf(std::string("x", 2)), 2),
            ERROR_SUCCESS);
  reg().RegCloseKey(key);

  HKEY again = nullptr;
  ASSERT_EQ(reg().RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\mixedcase", 0, KEY_READ, &again),
            ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(reg().RegQueryValueExA(again, "VALUE", nullptr, nullptr, nullptr, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(size, 2u);
  reg().RegCloseKey(again);

  HKEY software = nullptr;
  ASSERT_EQ(reg().RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software", 0, KEY_READ, &software),
            ERROR_SUCCESS);
  EXPECT_EQ(subkeys(reg(), software), std::vector<std::string>{"MixedCase"});
  reg().RegCloseKey(software);

  // Full-width letters fold too, as they do on Windows.
  reg().RegCloseKey(create(ansiFromUtf8("Software\\ａｂｃ")));
  EXPECT_TRUE(machine.keyExists(HKEY_LOCAL_MACHINE, ansiFromUtf8("SOFTWARE\\ＡＢＣ")));
}

TEST_F(EmulatedRegistryTest, ShiftJisTrailByteIsNotASeparator) {
  // 表 is 0x95 0x5C and ソ is 0x83 0x5C: each name is one key, not two.
  std::string hyou = ansiFromUtf8("表示");
  std::string sofuto = ansiFromUtf8("ソフト");
  ASSERT_EQ(hyou[1], '\\');
  reg().RegCloseKey(create("Test\\" + hyou + "\\" + sofuto));
  HKEY test = nullptr;
  ASSERT_EQ(reg().RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Test", 0, KEY_READ, &test), ERROR_SUCCESS);
  EXPECT_EQ(subkeys(reg(), test), std::vector<std::string>{hyou});
  reg().RegCloseKey(test);
  EXPECT_TRUE(machine.keyExists(HKEY_LOCAL_MACHINE, "Test\\" + hyou + "\\" + sofuto));
  EXPECT_FALSE(machine.keyExists(HKEY_LOCAL_MACHINE, "Test\\" + hyou.substr(0, 1)));
}

TEST_F(EmulatedRegistryTest, SubkeysSortCaseInsensitivelyAndValuesKeepCreationOrder) {
  HKEY key = create("Order");
  for (const char* name : {"b", "A", "_x", "C", "a1"}) {
    HKEY child = nullptr;
    ASSERT_EQ(reg().RegCreateKeyExA(key, name, 0, "", 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
              ERROR_SUCCESS);
    reg().RegCloseKey(child);
  }
  EXPECT_EQ(subkeys(reg(), key), (std::vector<std::string>{"A", "a1", "b", "C", "_x"}));

  std::string one("1", 2);
  for (const char* name : {"zeta", "Alpha", "mid"})
    ASSERT_EQ(reg().RegSetValueExA(key, name, 0, REG_SZ, bytesOf(one), 2), ERROR_SUCCESS);
  // Overwriting keeps the value where it was, with its first spelling.
  ASSERT_EQ(reg().RegSetValueExA(key, "ZETA", 0, REG_DWORD, bytesOf("\1\0\0\0"), 4), ERROR_SUCCESS);
  EXPECT_EQ(valueNames(reg(), key), (std::vector<std::string>{"zeta", "Alpha", "mid"}));
  ASSERT_EQ(reg().RegDeleteValueA(key, "alpha"), ERROR_SUCCESS);
  ASSERT_EQ(reg().RegSetValueExA(key, "Alpha", 0, REG_SZ, bytesOf(one), 2), ERROR_SUCCESS);
  EXPECT_EQ(valueNames(reg(), key), (std::vector<std::string>{"zeta", "mid", "Alpha"}));
  reg().RegCloseKey(key);
}

TEST_F(EmulatedRegistryTest, ValuesAreStoredByteExact) {
  HKEY key = create("Exact");
  struct Case {
    const char* name;
    DWORD type;
    std::string data;
  } cases[] = {
      {"", REG_SZ, std::string("default", 8)},
      {"NoNul", REG_SZ, "abc"},
      {"OneByteMulti", REG_MULTI_SZ, std::string(1, '\0')},
      {"Multi", REG_MULTI_SZ, std::string("a\0bc\0\0", 6)},
      {"Empty", REG_BINARY, ""},
      {"Unknown", 0x80000001u, std::string("\xff\x00\x7f", 3)},
      {"Dword", REG_DWORD, std::string("\x2a\0\0\0", 4)},
  };
  for (const Case& c : cases)
    ASSERT_EQ(reg().RegSetValueExA(key, c.name, 0, c.type, bytesOf(c.data), DWORD(c.data.size())),
              ERROR_SUCCESS);
  for (const Case& c : cases) {
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(machine.value(HKEY_LOCAL_MACHINE, "Exact", c.name, &type, &bytes)) << c.name;
    EXPECT_EQ(type, c.type) << c.name;
    EXPECT_EQ(bytes, c.data) << c.name;
  }
  reg().RegCloseKey(key);
}

TEST_F(EmulatedRegistryTest, SmallBuffersGetMoreDataAndTheNeededSize) {
  HKEY key = create("Buffers");
  std::string data("0123456789", 11);
  ASSERT_EQ(reg().RegSetValueExA(key, "Ten", 0, REG_SZ, bytesOf(data), 11), ERROR_SUCCESS);

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

  HKEY child = nullptr;
  ASSERT_EQ(reg().RegCreateKeyExA(key, "Child", 0, "", 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
            ERROR_SUCCESS);
  reg().RegCloseKey(child);
  char name[8];
  EXPECT_EQ(reg().RegEnumKeyA(key, 0, name, 5), ERROR_MORE_DATA);  // "Child" needs 6
  EXPECT_EQ(reg().RegEnumKeyA(key, 0, name, 6), ERROR_SUCCESS);
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
  reg().RegCloseKey(key);
}

TEST_F(EmulatedRegistryTest, QueryInfoReportsCountsAndMaxima) {
  HKEY key = create("Info");
  for (const char* name : {"ab", "abcdef"}) {
    HKEY child = nullptr;
    reg().RegCreateKeyExA(key, name, 0, "", 0, KEY_ALL_ACCESS, nullptr, &child, nullptr);
    reg().RegCloseKey(child);
  }
  reg().RegSetValueExA(key, "v", 0, REG_BINARY, bytesOf("12345"), 5);
  reg().RegSetValueExA(key, "longer", 0, REG_BINARY, bytesOf("1"), 1);
  DWORD subKeys = 0, maxSubKey = 0, values = 0, maxName = 0, maxData = 0;
  ASSERT_EQ(reg().RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr,
                                   &values, &maxName, &maxData, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 2u);
  EXPECT_EQ(maxSubKey, 6u);
  EXPECT_EQ(values, 2u);
  EXPECT_EQ(maxName, 6u);
  EXPECT_EQ(maxData, 5u);
  reg().RegCloseKey(key);
}

TEST_F(EmulatedRegistryTest, HandlesKeepTheirAccessAndNoticeDeletion) {
  reg().RegCloseKey(create("Guarded\\Inner"));
  HKEY readOnly = nullptr;
  ASSERT_EQ(reg().RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Guarded", 0, KEY_READ, &readOnly),
            ERROR_SUCCESS);
  EXPECT_EQ(reg().RegSetValueExA(readOnly, "x", 0, REG_BINARY, bytesOf("1"), 1),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(reg().RegDeleteValueA(readOnly, "x"), ERROR_ACCESS_DENIED);
  HKEY created = nullptr;
  EXPECT_EQ(
      reg().RegCreateKeyExA(readOnly, "New", 0, "", 0, KEY_ALL_ACCESS, nullptr, &created, nullptr),
      ERROR_ACCESS_DENIED);
  HKEY setOnly = nullptr;
  ASSERT_EQ(reg().RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Guarded", 0, KEY_SET_VALUE, &setOnly),
            ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(reg().RegQueryValueExA(setOnly, "x", nullptr, nullptr, nullptr, &size),
            ERROR_ACCESS_DENIED);

  EXPECT_EQ(reg().RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Guarded"),
            ERROR_ACCESS_DENIED);  // has subkeys
  EXPECT_EQ(reg().SHDeleteKeyA(HKEY_LOCAL_MACHINE, "Guarded"), DWORD(ERROR_SUCCESS));
  EXPECT_EQ(reg().RegEnumKeyA(readOnly, 0, nullptr, 0), ERROR_KEY_DELETED);
  EXPECT_EQ(reg().RegCloseKey(readOnly), ERROR_SUCCESS);
  EXPECT_EQ(reg().RegCloseKey(readOnly), ERROR_INVALID_HANDLE);
  reg().RegCloseKey(setOnly);
  EXPECT_EQ(reg().SHDeleteKeyA(HKEY_LOCAL_MACHINE, "Guarded"), DWORD(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(reg().openHandleCount(), 0u);
}

TEST_F(EmulatedRegistryTest, DeleteTreeRemovesEveryLevelAndNothingElse) {
  reg().RegCloseKey(create("Tree\\A\\B\\C"));
  reg().RegCloseKey(create("Tree\\A2"));
  machine.setString(HKEY_LOCAL_MACHINE, "Tree\\A\\B", "v", "x");
  ASSERT_EQ(reg().SHDeleteKeyA(HKEY_LOCAL_MACHINE, "tree\\a"), DWORD(ERROR_SUCCESS));
  EXPECT_FALSE(machine.keyExists(HKEY_LOCAL_MACHINE, "Tree\\A"));
  EXPECT_TRUE(machine.keyExists(HKEY_LOCAL_MACHINE, "Tree\\A2"));
  // A recreated key is a new key; its values are gone with the old one.
  reg().RegCloseKey(create("Tree\\A\\B"));
  EXPECT_FALSE(machine.value(HKEY_LOCAL_MACHINE, "Tree\\A\\B", "v", nullptr, nullptr));
}

TEST_F(EmulatedRegistryTest, MissingKeysAndBadPaths) {
  HKEY key = nullptr;
  EXPECT_EQ(reg().RegOpenKeyExA(HKEY_LOCAL_MACHINE, "No\\Such", 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
  EXPECT_EQ(reg().RegOpenKeyExA(HKEY_LOCAL_MACHINE, "\\Lead", 0, KEY_READ, &key),
            ERROR_BAD_PATHNAME);
  EXPECT_EQ(reg().RegOpenKeyExA(HKEY_CURRENT_USER, "", 0, KEY_READ, &key), ERROR_SUCCESS);
  reg().RegCloseKey(key);
  DWORD disposition = 0;
  ASSERT_EQ(reg().RegCreateKeyExA(HKEY_CURRENT_USER, "A\\B", 0, "", 0, KEY_ALL_ACCESS, nullptr,
                                  &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  reg().RegCloseKey(key);
  ASSERT_EQ(reg().RegCreateKeyExA(HKEY_CURRENT_USER, "a\\b", 0, "", 0, KEY_ALL_ACCESS, nullptr,
                                  &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  reg().RegCloseKey(key);
  // The hives are separate trees.
  EXPECT_FALSE(machine.keyExists(HKEY_LOCAL_MACHINE, "A\\B"));
}

TEST_F(EmulatedRegistryTest, TransactionIsAllOrNothing) {
  std::string error;
  EXPECT_FALSE(reg().transaction(
      [&] {
        HKEY key = create("Batch\\One");
        reg().RegSetValueExA(key, "v", 0, REG_BINARY, bytesOf("1"), 1);
        reg().RegCloseKey(key);
        return false;
      },
      &error));
  EXPECT_FALSE(machine.keyExists(HKEY_LOCAL_MACHINE, "Batch"));
  EXPECT_TRUE(reg().transaction(
      [&] {
        reg().RegCloseKey(create("Batch\\Two"));
        return true;
      },
      &error));
  EXPECT_TRUE(machine.keyExists(HKEY_LOCAL_MACHINE, "Batch\\Two"));
}

TEST_F(EmulatedRegistryTest, TwoProcessesWritingAtOnceLoseNothing) {
  constexpr int kPerProcess = 300;
  std::vector<pid_t> children;
  for (int p = 0; p < 2; ++p) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      auto other = machine.reopen();
      int failures = 0;
      for (int i = 0; i < kPerProcess; ++i) {
        HKEY key = nullptr;
        std::string path = "Shared\\P" + std::to_string(p);
        std::string name = "v" + std::to_string(i);
        if (other->registry().RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, "", 0,
                                              KEY_ALL_ACCESS, nullptr, &key,
                                              nullptr) != ERROR_SUCCESS ||
            other->registry().RegSetValueExA(key, name.c_str(), 0, REG_BINARY, bytesOf("x"), 1) !=
                ERROR_SUCCESS)
          ++failures;
        other->registry().RegCloseKey(key);
        // Both processes also rewrite one shared value.
        HKEY shared = nullptr;
        other->registry().RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Shared", 0, "", 0, KEY_ALL_ACCESS,
                                          nullptr, &shared, nullptr);
        if (other->registry().RegSetValueExA(shared, "last", 0, REG_BINARY, bytesOf("y"), 1) !=
            ERROR_SUCCESS)
          ++failures;
        other->registry().RegCloseKey(shared);
      }
      _exit(failures == 0 ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int p = 0; p < 2; ++p) {
    HKEY key = nullptr;
    std::string path = "Shared\\P" + std::to_string(p);
    ASSERT_EQ(reg().RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key),
              ERROR_SUCCESS);
    DWORD values = 0;
    reg().RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                           nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(values, DWORD(kPerProcess));
    reg().RegCloseKey(key);
  }
}

TEST(EmulatedRegistryFile, DamagedOrMissingDatabaseIsReportedAndLeftAlone) {
  TestMachine machine;
  std::string path = machine.folder() + "/registry.db";
  std::string error;
  EXPECT_EQ(emu::EmulatedMachine::open(machine.folder() + "/elsewhere", &error), nullptr);
  EXPECT_NE(error.find("no emulated machine"), std::string::npos) << error;

  std::string garbage(8192, 'G');
  { std::ofstream(path + ".bad", std::ios::binary) << garbage; }
  error.clear();
  EXPECT_EQ(emu::EmulatedRegistry::open(path + ".bad", &error), nullptr);
  EXPECT_NE(error.find("damaged"), std::string::npos) << error;
  std::ifstream in(path + ".bad", std::ios::binary);
  std::string after((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(after, garbage);
}
