// The registry access layer: statuses, byte counts, buffer limits,
// the tree copy and the layer's own message boxes, on a fresh emulated machine.
#include "store/registry_access.h"
#include "store/registry_reports.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "tests/support/faulty_registry.h"
#include "tests/support/registry_snapshot.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/test_machine.h"

namespace {

using namespace std::string_literals;
using testing_support::FaultyMachine;
using testing_support::ScriptedPrompter;
using testing_support::TestMachine;
using win::DWORD;

const win::HWND kOwner = reinterpret_cast<win::HWND>(0x4711);

// The layer's long registry message, as the user reads it.
std::string longRegistryMessage(const std::string& path, int code) {
  return "ﾚｼﾞｽﾄﾘのｵｰﾌﾟﾝに失敗しましたが無視します。\nVerantu!の動作に影響はないと思われます。\n"
         "(暇な時にお調べになってください。)\n\nｴﾗｰﾚｼﾞｽﾄﾘｷｰ : " +
         path + "\nｼｽﾃﾑが返却したｴﾗｰｺｰﾄﾞ : " + std::to_string(code);
}

std::string dwordBytes(DWORD value) {
  return std::string(reinterpret_cast<const char*>(&value), 4);
}

class RegistryAccessTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(m.registry().openHandleCount(), 0u) << "a helper left a key handle open";
  }

  std::string bytesOf(win::HKEY hive, const std::string& path, const std::string& name,
                      DWORD* type = nullptr) {
    std::string bytes;
    EXPECT_TRUE(m.value(hive, path, name, type, &bytes)) << path << " " << name;
    return bytes;
  }
  // Names of a key's values in enumeration order.
  std::vector<std::string> valueNames(win::HKEY hive, const std::string& path) {
    std::vector<std::string> names;
    win::HKEY key = nullptr;
    if (m.registry().RegOpenKeyExA(hive, path.c_str(), 0, KEY_READ, &key) != 0) return names;
    char name[4096];
    for (DWORD i = 0;; ++i) {
      DWORD length = sizeof name;
      if (m.registry().RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr))
        break;
      names.emplace_back(name, length);
    }
    (void)m.registry().RegCloseKey(key);
    return names;
  }

  TestMachine m;
  ScriptedPrompter prompter;
  store::Context ctx{m.machine(), prompter, kOwner};
};

// --- CopyKeyTree -----------------------------------------------------------

TEST_F(RegistryAccessTest, CopyKeyTreeOfMissingSourceCreatesNothing) {
  EXPECT_EQ(store::CopyKeyTree(ctx, HKEY_LOCAL_MACHINE, "SOFTWARE\\Missing", HKEY_LOCAL_MACHINE,
                               "Dst\\A\\B"),
            0);
  EXPECT_FALSE(m.keyExists(HKEY_LOCAL_MACHINE, "Dst"));
}

TEST_F(RegistryAccessTest, CopyKeyTreeReproducesEveryValueWithTypeAndByteCount) {
  const std::string src = "SOFTWARE\\Src";
  struct Value {
    std::string name;
    DWORD type;
    std::string bytes;
  };
  const std::vector<Value> values = {
      {"", REG_SZ, "default\0"s},
      {"Binary", REG_BINARY, "\x00\x01\xFF\x00\x7F"s},
      {"List", REG_MULTI_SZ,
       "10.0.0.1\0"
       "10.0.0.2\0\0"s},
      {"Number", REG_DWORD, dwordBytes(0xDEADBEEF)},
      {"Unknown", 0x4242, "\x01\x02\x03"s},
      {"NoNul", REG_SZ, "abc"},
      {"Empty", REG_BINARY, ""},
      // Larger than the 4096-byte minimum: the buffer follows the largest value.
      {"Big", REG_BINARY, std::string(10000, '\xA5')},
  };
  for (const Value& v : values) m.setValue(HKEY_LOCAL_MACHINE, src, v.name, v.type, v.bytes);

  EXPECT_EQ(store::CopyKeyTree(ctx, HKEY_LOCAL_MACHINE, src, HKEY_CURRENT_USER, "Dst\\Deep"), 0);

  for (const Value& v : values) {
    DWORD type = 0;
    EXPECT_EQ(bytesOf(HKEY_CURRENT_USER, "Dst\\Deep", v.name, &type), v.bytes) << v.name;
    EXPECT_EQ(type, v.type) << v.name;
  }
  EXPECT_EQ(valueNames(HKEY_CURRENT_USER, "Dst\\Deep"), valueNames(HKEY_LOCAL_MACHINE, src));
}

TEST_F(RegistryAccessTest, CopyKeyTreeCopiesThreeLevelsWritingValuesBeforeSubkeys) {
  m.setString(HKEY_LOCAL_MACHINE, "Src", "Top", "1");
  m.setString(HKEY_LOCAL_MACHINE, "Src\\Mid", "Middle", "2");
  m.setString(HKEY_LOCAL_MACHINE, "Src\\Mid\\Leaf", "Bottom", "3");
  m.setString(HKEY_LOCAL_MACHINE, "Src\\Other", "Side", "4");
  m.createKey(HKEY_LOCAL_MACHINE, "Src\\Mid\\Empty");
  // A Shift-JIS name whose trail byte is 0x5C is one component, not two.
  const std::string sjis = win::ansiFromUtf8("表");
  ASSERT_EQ(sjis.back(), '\\');
  m.setString(HKEY_LOCAL_MACHINE, "Src\\" + sjis, "Kanji", "5");

  FaultyMachine faulty(m.machine());
  store::Context logged{faulty, prompter, kOwner};
  EXPECT_EQ(store::CopyKeyTree(logged, HKEY_LOCAL_MACHINE, "Src", HKEY_LOCAL_MACHINE, "Dst"), 0);

  EXPECT_EQ(bytesOf(HKEY_LOCAL_MACHINE, "Dst", "Top"), "1\0"s);
  EXPECT_EQ(bytesOf(HKEY_LOCAL_MACHINE, "Dst\\Mid", "Middle"), "2\0"s);
  EXPECT_EQ(bytesOf(HKEY_LOCAL_MACHINE, "Dst\\Mid\\Leaf", "Bottom"), "3\0"s);
  EXPECT_EQ(bytesOf(HKEY_LOCAL_MACHINE, "Dst\\Other", "Side"), "4\0"s);
  EXPECT_TRUE(m.keyExists(HKEY_LOCAL_MACHINE, "Dst\\Mid\\Empty"));
  EXPECT_EQ(bytesOf(HKEY_LOCAL_MACHINE, "Dst\\" + sjis, "Kanji"), "5\0"s);

  const auto& log = faulty.registry();
  int topSet = log.indexOf("set", "HKLM\\Dst", "Top");
  int midCreate = log.indexOf("create", "HKLM\\Dst\\Mid", "");
  int midSet = log.indexOf("set", "HKLM\\Dst\\Mid", "Middle");
  int leafCreate = log.indexOf("create", "HKLM\\Dst\\Mid\\Leaf", "");
  ASSERT_GE(topSet, 0);
  ASSERT_GE(midSet, 0);
  EXPECT_LT(topSet, midCreate);
  EXPECT_LT(midSet, leafCreate);
  // Sources are only read; the destination is created with full access and
  // an empty class; name buffers are 4096 bytes.
  for (const auto& call : log.calls()) {
    if (call.op == "open") {
      EXPECT_EQ(call.number, KEY_READ) << call.path;
    }
    if (call.op == "create") {
      EXPECT_EQ(call.number, KEY_ALL_ACCESS) << call.path;
      EXPECT_EQ(call.name, "") << call.path;
    }
    if (call.op == "enumkey" || call.op == "enumvalue") {
      EXPECT_EQ(call.number, 4096u);
    }
  }
}

TEST_F(RegistryAccessTest, CopyKeyTreeOverwritesSameNamesAndKeepsTheRest) {
  m.setValue(HKEY_LOCAL_MACHINE, "Src", "Shared", REG_BINARY, "\x01\x02"s);
  m.setString(HKEY_LOCAL_MACHINE, "Dst", "Shared", "old text");
  m.setString(HKEY_LOCAL_MACHINE, "Dst", "Extra", "kept");
  m.createKey(HKEY_LOCAL_MACHINE, "Dst\\ExtraKey");

  EXPECT_EQ(store::CopyKeyTree(ctx, HKEY_LOCAL_MACHINE, "Src", HKEY_LOCAL_MACHINE, "Dst"), 0);

  DWORD type = 0;
  EXPECT_EQ(bytesOf(HKEY_LOCAL_MACHINE, "Dst", "Shared", &type), "\x01\x02"s);
  EXPECT_EQ(type, REG_BINARY);
  EXPECT_EQ(bytesOf(HKEY_LOCAL_MACHINE, "Dst", "Extra"), "kept\0"s);
  EXPECT_TRUE(m.keyExists(HKEY_LOCAL_MACHINE, "Dst\\ExtraKey"));
}

TEST_F(RegistryAccessTest, CopyKeyTreeReturnsOneAtOnceWhenAValueWriteFails) {
  m.setString(HKEY_LOCAL_MACHINE, "Src", "Top", "1");
  m.setString(HKEY_LOCAL_MACHINE, "Src\\A", "First", "a");
  m.setString(HKEY_LOCAL_MACHINE, "Src\\A", "Bad", "b");
  m.setString(HKEY_LOCAL_MACHINE, "Src\\A", "After", "c");
  m.setString(HKEY_LOCAL_MACHINE, "Src\\A\\Below", "Deeper", "d");
  m.setString(HKEY_LOCAL_MACHINE, "Src\\B", "Later", "e");

  FaultyMachine faulty(m.machine());
  faulty.registry().failSet("HKLM\\Dst\\A", "Bad", ERROR_CANTWRITE);
  store::Context failing{faulty, prompter, kOwner};
  // No message box: the failure only travels up as the status.
  EXPECT_EQ(store::CopyKeyTree(failing, HKEY_LOCAL_MACHINE, "Src", HKEY_LOCAL_MACHINE, "Dst"), 1);

  EXPECT_TRUE(m.value(HKEY_LOCAL_MACHINE, "Dst", "Top", nullptr, nullptr));
  EXPECT_TRUE(m.value(HKEY_LOCAL_MACHINE, "Dst\\A", "First", nullptr, nullptr));
  EXPECT_FALSE(m.value(HKEY_LOCAL_MACHINE, "Dst\\A", "After", nullptr, nullptr));
  EXPECT_FALSE(m.keyExists(HKEY_LOCAL_MACHINE, "Dst\\A\\Below"));
  EXPECT_FALSE(m.keyExists(HKEY_LOCAL_MACHINE, "Dst\\B"));
}

// A subkey that cannot be created fails the copy; one that Windows cannot
// hold there at all is left out, when the caller asks for that, and named.
TEST_F(RegistryAccessTest, CopyKeyTreeFailsOrLeavesOutASubkeyThatCannotBeCreated) {
  struct Case {
    win::LONG refusal;
    bool leaveOut;
    int status;
    std::vector<std::string> leftOut;
  };
  for (const Case& test :
       {Case{ERROR_ACCESS_DENIED, false, 1, {}}, Case{ERROR_INVALID_PARAMETER, false, 1, {}},
        Case{ERROR_INVALID_PARAMETER, true, 0, {"Src\\A"}}}) {
    SCOPED_TRACE(std::to_string(test.refusal) + (test.leaveOut ? " left out" : ""));
    m.setString(HKEY_LOCAL_MACHINE, "Src", "Top", "1");
    m.setString(HKEY_LOCAL_MACHINE, "Src\\A", "Lost", "x");
    m.setString(HKEY_LOCAL_MACHINE, "Src\\B", "Kept", "y");
    FaultyMachine faulty(m.machine());
    // Creating Dst, writing Top, then creating Dst\A.
    faulty.registry().failWriteAt(3, test.refusal);
    store::Context failing{faulty, prompter, kOwner};
    std::vector<std::string> leftOut;
    EXPECT_EQ(store::CopyKeyTree(failing, HKEY_LOCAL_MACHINE, "Src", HKEY_LOCAL_MACHINE, "Dst",
                                 test.leaveOut ? &leftOut : nullptr),
              test.status);
    EXPECT_EQ(leftOut, test.leftOut);
    EXPECT_FALSE(m.keyExists(HKEY_LOCAL_MACHINE, "Dst\\A"));
    EXPECT_EQ(m.keyExists(HKEY_LOCAL_MACHINE, "Dst\\B"), test.status == 0);
    EXPECT_EQ(store::DeleteKeyTree(ctx, HKEY_LOCAL_MACHINE, "Dst"), 0);
  }
}

TEST_F(RegistryAccessTest, CopyKeyTreeSkipsAValueThatCannotBeRead) {
  m.setString(HKEY_LOCAL_MACHINE, "Src", "One", "1");
  m.setString(HKEY_LOCAL_MACHINE, "Src", "Unreadable", "2");
  m.setString(HKEY_LOCAL_MACHINE, "Src", "Three", "3");
  FaultyMachine faulty(m.machine());
  faulty.registry().failQuery("HKLM\\Src", "Unreadable", ERROR_CANTREAD);
  store::Context failing{faulty, prompter, kOwner};

  EXPECT_EQ(store::CopyKeyTree(failing, HKEY_LOCAL_MACHINE, "Src", HKEY_LOCAL_MACHINE, "Dst"), 0);
  EXPECT_EQ(valueNames(HKEY_LOCAL_MACHINE, "Dst"), (std::vector<std::string>{"One", "Three"}));
}

TEST_F(RegistryAccessTest, CopyKeyTreeReportsAKeyWhoseInformationCannotBeQueried) {
  m.setString(HKEY_LOCAL_MACHINE, "Src\\A", "Lost", "x");
  m.setString(HKEY_LOCAL_MACHINE, "Src\\B", "Kept", "y");
  FaultyMachine faulty(m.machine());
  faulty.registry().failQueryInfo("HKLM\\Src\\A", ERROR_REGISTRY_IO_FAILED);
  store::Context failing{faulty, prompter, kOwner};
  prompter.expect(longRegistryMessage("Src\\A", 1016), "情報メッセージ", MB_ICONINFORMATION);

  // The failed key counts as copied (status 0): its siblings still follow.
  EXPECT_EQ(store::CopyKeyTree(failing, HKEY_LOCAL_MACHINE, "Src", HKEY_LOCAL_MACHINE, "Dst"), 0);
  EXPECT_TRUE(m.keyExists(HKEY_LOCAL_MACHINE, "Dst\\A"));
  EXPECT_FALSE(m.value(HKEY_LOCAL_MACHINE, "Dst\\A", "Lost", nullptr, nullptr));
  EXPECT_TRUE(m.value(HKEY_LOCAL_MACHINE, "Dst\\B", "Kept", nullptr, nullptr));
  ASSERT_EQ(prompter.shown().size(), 1u);
  EXPECT_EQ(prompter.shown()[0].owner, kOwner);
}

// --- SyncKeyTree -------------------------------------------------------------

// Whatever the destination held, it ends as a fresh copy of the source would
// be (names as spelled, values in order), and it is written only where the
// two differ: the same source a second time writes nothing.
TEST_F(RegistryAccessTest, SyncKeyTreeEndsAsAFreshCopyWritingOnlyWhatDiffers) {
  using Setup = std::function<void()>;
  const auto set = [this](const std::string& path, const std::string& name, const std::string& v) {
    m.setString(HKEY_LOCAL_MACHINE, path, name, v);
  };
  struct Case {
    const char* what;
    Setup source;
    Setup destination;
    int writes;  // -1: any number
  };
  // The usual tree at `root`, and below Dst the same with one change.
  const auto usualAt = [&](const std::string& root) {
    set(root, "A", "1");
    set(root, "B", "2");
    set(root + "\\Sub", "C", "3");
    set(root + "\\Sub\\Leaf", "D", "4");
  };
  const Setup usual = [&] { usualAt("Src"); };
  const std::vector<Case> cases = {
      {"same content", usual, [&] { usualAt("Dst"); }, 0},
      {"one value's data", usual,
       [&] {
         usualAt("Dst");
         set("Dst", "B", "old");
       },
       1},
      {"one value's type", usual,
       [&] {
         usualAt("Dst");
         m.setDword(HKEY_LOCAL_MACHINE, "Dst", "B", 2);
       },
       1},
      {"values in another order, one more, one spelled otherwise", usual,
       [&] {
         set("Dst", "b", "2");
         usualAt("Dst");
         set("Dst", "Gone", "x");
       },
       -1},
      {"stale, missing and otherwise spelled subkeys", usual,
       [&] {
         set("Dst", "A", "1");
         set("Dst", "B", "2");
         set("Dst\\SUB", "C", "3");
         set("Dst\\Stale\\Deeper", "E", "5");
       },
       -1},
      {"no destination", usual, [] {}, -1},
      {"no source", [] {}, [&] { set("Dst\\Sub", "C", "3"); }, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(store::DeleteKeyTree(ctx, HKEY_LOCAL_MACHINE, "Src"), 0);
    ASSERT_EQ(store::DeleteKeyTree(ctx, HKEY_LOCAL_MACHINE, "Dst"), 0);
    ASSERT_EQ(store::DeleteKeyTree(ctx, HKEY_LOCAL_MACHINE, "Fresh"), 0);
    c.source();
    c.destination();
    ASSERT_EQ(store::CopyKeyTree(ctx, HKEY_LOCAL_MACHINE, "Src", HKEY_LOCAL_MACHINE, "Fresh"), 0);
    FaultyMachine counting(m.machine());
    store::Context counted{counting, prompter, kOwner};
    EXPECT_EQ(store::SyncKeyTree(counted, HKEY_LOCAL_MACHINE, "Src", HKEY_LOCAL_MACHINE, "Dst"), 0);
    if (c.writes >= 0) {
      EXPECT_EQ(counting.registry().writeCount(), c.writes);
    }
    EXPECT_EQ(testing_support::snapshot(m.registry(), HKEY_LOCAL_MACHINE, "Dst"),
              testing_support::snapshot(m.registry(), HKEY_LOCAL_MACHINE, "Fresh"));
    EXPECT_EQ(valueNames(HKEY_LOCAL_MACHINE, "Dst"), valueNames(HKEY_LOCAL_MACHINE, "Fresh"));
    EXPECT_EQ(m.keyExists(HKEY_LOCAL_MACHINE, "Dst"), m.keyExists(HKEY_LOCAL_MACHINE, "Src"));
  }
  EXPECT_TRUE(prompter.shown().empty());
}

// --- DeleteKeyTree ---------------------------------------------------------

TEST_F(RegistryAccessTest, DeleteKeyTreeRemovesTheTreeAndIsSilentWhenItIsMissing) {
  m.setString(HKEY_LOCAL_MACHINE, "Gone\\A\\B", "V", "x");
  m.setString(HKEY_LOCAL_MACHINE, "Stay", "V", "y");
  EXPECT_EQ(store::DeleteKeyTree(ctx, HKEY_LOCAL_MACHINE, "Gone"), 0);
  EXPECT_FALSE(m.keyExists(HKEY_LOCAL_MACHINE, "Gone"));
  EXPECT_TRUE(m.keyExists(HKEY_LOCAL_MACHINE, "Stay"));
  EXPECT_EQ(store::DeleteKeyTree(ctx, HKEY_LOCAL_MACHINE, "Gone"), 0);
  EXPECT_TRUE(prompter.shown().empty());
}

TEST_F(RegistryAccessTest, DeleteKeyTreeShowsThePathOfAnUndeletableKey) {
  const std::string path = "Software\\Q\\Tolvik\\Setting\\" + win::ansiFromUtf8("表");
  FaultyMachine faulty(m.machine());
  faulty.registry().failShDelete(ERROR_ACCESS_DENIED);
  store::Context failing{faulty, prompter, kOwner};
  prompter.expect("Software\\Q\\Tolvik\\Setting\\表", "エラーメッセージ", MB_ICONERROR);
  EXPECT_EQ(store::DeleteKeyTree(failing, HKEY_LOCAL_MACHINE, path), 1);
}

// --- EnumerateSubkeyPaths --------------------------------------------------

TEST_F(RegistryAccessTest, EnumerateSubkeyPathsAppendsInEnumerationOrder) {
  m.createKey(HKEY_LOCAL_MACHINE, "Adapters\\{B}");
  m.createKey(HKEY_LOCAL_MACHINE, "Adapters\\ndiswanip");
  m.createKey(HKEY_LOCAL_MACHINE, "Adapters\\{a}\\Below");
  std::vector<std::string> paths = {"earlier"};
  int counter = 5;  // advanced, never reset or recounted by the function
  EXPECT_EQ(store::EnumerateSubkeyPaths(ctx, HKEY_LOCAL_MACHINE, "Adapters", paths, counter), 0);
  EXPECT_EQ(paths, (std::vector<std::string>{"earlier", "Adapters\\ndiswanip", "Adapters\\{a}",
                                             "Adapters\\{B}"}));
  EXPECT_EQ(counter, 8);
}

TEST_F(RegistryAccessTest, EnumerateSubkeyPathsLeavesTheListForAKeyWithoutSubkeys) {
  m.setString(HKEY_LOCAL_MACHINE, "Leaf", "V", "x");
  std::vector<std::string> paths;
  int counter = 0;
  EXPECT_EQ(store::EnumerateSubkeyPaths(ctx, HKEY_LOCAL_MACHINE, "Leaf", paths, counter), 0);
  EXPECT_EQ(store::EnumerateSubkeyPaths(ctx, HKEY_LOCAL_MACHINE, "Missing", paths, counter), 0);
  EXPECT_TRUE(paths.empty());
  EXPECT_EQ(counter, 0);
}

TEST_F(RegistryAccessTest, EnumerateSubkeyPathsListsEverySubkeyOfALargeKey) {
  for (int i = 0; i < 300; ++i)
    m.createKey(HKEY_LOCAL_MACHINE, "Many\\" + std::to_string(1000 + i));
  std::vector<std::string> paths;
  int counter = 0;
  EXPECT_EQ(store::EnumerateSubkeyPaths(ctx, HKEY_LOCAL_MACHINE, "Many", paths, counter), 0);
  ASSERT_EQ(paths.size(), 300u);
  EXPECT_EQ(counter, 300);
  EXPECT_EQ(paths.front(), "Many\\1000");
  EXPECT_EQ(paths.back(), "Many\\1299");
}

TEST_F(RegistryAccessTest, EnumerateSubkeyPathsReportsAKeyWhoseInformationCannotBeQueried) {
  m.createKey(HKEY_LOCAL_MACHINE, "Adapters\\{A}");
  FaultyMachine faulty(m.machine());
  faulty.registry().failQueryInfo("HKLM\\Adapters", ERROR_ACCESS_DENIED);
  store::Context failing{faulty, prompter, kOwner};
  prompter.expect(longRegistryMessage("Adapters", 5), "情報メッセージ (ﾚｼﾞｽﾄﾘｷｰの列挙)",
                  MB_OK | MB_ICONINFORMATION);
  std::vector<std::string> paths;
  int counter = 0;
  EXPECT_EQ(store::EnumerateSubkeyPaths(failing, HKEY_LOCAL_MACHINE, "Adapters", paths, counter),
            0);
  EXPECT_TRUE(paths.empty());
  EXPECT_EQ(counter, 0);
  ASSERT_EQ(prompter.shown().size(), 1u);
  EXPECT_EQ(prompter.shown()[0].owner, kOwner);
}

// --- ReadStringValue -------------------------------------------------------

TEST_F(RegistryAccessTest, ReadStringValueHonoursThe256ByteBuffer) {
  std::string text = "preset";
  m.setValue(HKEY_LOCAL_MACHINE, "K", "Fits", REG_SZ, std::string(255, 'x') + '\0');
  EXPECT_EQ(store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE, "K", "Fits", text), 0);
  EXPECT_EQ(text, std::string(255, 'x'));

  // 256 bytes without a NUL fit the buffer; the text ends with the data.
  m.setValue(HKEY_LOCAL_MACHINE, "K", "Full", REG_SZ, std::string(256, 'y'));
  EXPECT_EQ(store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE, "K", "Full", text), 0);
  EXPECT_EQ(text, std::string(256, 'y'));

  m.setValue(HKEY_LOCAL_MACHINE, "K", "TooLong", REG_SZ, std::string(256, 'z') + '\0');
  text = "preset";
  EXPECT_EQ(store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE, "K", "TooLong", text), 1);
  EXPECT_EQ(text, "");
}

TEST_F(RegistryAccessTest, ReadStringValueReadsStoredBytesUpToTheirEnd) {
  std::string text;
  m.setValue(HKEY_LOCAL_MACHINE, "K", "NoNul", REG_SZ, "abc");
  EXPECT_EQ(store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE, "K", "NoNul", text), 0);
  EXPECT_EQ(text, "abc");
  m.setValue(HKEY_LOCAL_MACHINE, "K", "List", REG_MULTI_SZ, "first\0second\0\0"s);
  EXPECT_EQ(store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE, "K", "List", text), 0);
  EXPECT_EQ(text, "first");
  // Another type is read as text all the same.
  m.setDword(HKEY_LOCAL_MACHINE, "K", "Number", 0x00434241);
  EXPECT_EQ(store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE, "K", "Number", text), 0);
  EXPECT_EQ(text, "ABC");
  m.setValue(HKEY_LOCAL_MACHINE, "K", "Empty", REG_SZ, "");
  EXPECT_EQ(store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE, "K", "Empty", text), 0);
  EXPECT_EQ(text, "");
}

TEST_F(RegistryAccessTest, ReadStringValueFailsQuietlyForMissingKeyOrValue) {
  m.setString(HKEY_LOCAL_MACHINE, "K", "Present", "x");
  std::string text = "preset";
  EXPECT_EQ(store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE, "Missing", "Present", text), 1);
  EXPECT_EQ(text, "");
  text = "preset";
  EXPECT_EQ(store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE, "K", "Absent", text), 1);
  EXPECT_EQ(text, "");
  // Keys of HKEY_CURRENT_USER are apart from those of HKEY_LOCAL_MACHINE.
  EXPECT_EQ(store::ReadStringValue(ctx, HKEY_CURRENT_USER, "K", "Present", text), 1);
}

// --- ReadRawValue ----------------------------------------------------------

TEST_F(RegistryAccessTest, ReadRawValueLengthTellsPlainTextFromMultiString) {
  std::string bytes;
  DWORD length = 99;
  m.setString(HKEY_LOCAL_MACHINE, "K", "Text", "192.168.0.1");
  EXPECT_EQ(store::ReadRawValue(ctx, HKEY_LOCAL_MACHINE, "K", "Text", bytes, length), 0);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(bytes, "192.168.0.1\0"s);

  m.setValue(HKEY_LOCAL_MACHINE, "K", "EmptyList", REG_MULTI_SZ, "\0"s);
  EXPECT_EQ(store::ReadRawValue(ctx, HKEY_LOCAL_MACHINE, "K", "EmptyList", bytes, length), 0);
  EXPECT_EQ(length, 0u);

  const std::string two =
      "10.0.0.1\0"
      "10.0.0.2\0\0"s;
  m.setValue(HKEY_LOCAL_MACHINE, "K", "Two", REG_MULTI_SZ, two);
  EXPECT_EQ(store::ReadRawValue(ctx, HKEY_LOCAL_MACHINE, "K", "Two", bytes, length), 0);
  EXPECT_EQ(length, two.size());
  EXPECT_EQ(bytes, two);

  // Only exactly one byte counts as the empty list.
  m.setValue(HKEY_LOCAL_MACHINE, "K", "TwoNuls", REG_MULTI_SZ, "\0\0"s);
  EXPECT_EQ(store::ReadRawValue(ctx, HKEY_LOCAL_MACHINE, "K", "TwoNuls", bytes, length), 0);
  EXPECT_EQ(length, 2u);

  m.setValue(HKEY_LOCAL_MACHINE, "K", "Binary", REG_BINARY, "\x01"s);
  EXPECT_EQ(store::ReadRawValue(ctx, HKEY_LOCAL_MACHINE, "K", "Binary", bytes, length), 0);
  EXPECT_EQ(length, 1u);
}

TEST_F(RegistryAccessTest, ReadRawValueFailsPastItsBufferWithEmptyOutput) {
  std::string bytes = "preset";
  DWORD length = 99;
  m.setValue(HKEY_LOCAL_MACHINE, "K", "Fits", REG_MULTI_SZ, std::string(1022, 'a') + "\0\0"s);
  EXPECT_EQ(store::ReadRawValue(ctx, HKEY_LOCAL_MACHINE, "K", "Fits", bytes, length), 0);
  EXPECT_EQ(length, 1024u);

  m.setValue(HKEY_LOCAL_MACHINE, "K", "Over", REG_MULTI_SZ, std::string(1023, 'a') + "\0\0"s);
  EXPECT_EQ(store::ReadRawValue(ctx, HKEY_LOCAL_MACHINE, "K", "Over", bytes, length), 1);
  EXPECT_EQ(bytes, "");
  EXPECT_EQ(length, 0u);

  m.setValue(HKEY_LOCAL_MACHINE, "K", "Small", REG_BINARY, std::string(17, 'b'));
  length = 99;
  EXPECT_EQ(store::ReadRawValue(ctx, HKEY_LOCAL_MACHINE, "K", "Small", bytes, length, 16), 1);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(store::ReadRawValue(ctx, HKEY_LOCAL_MACHINE, "K", "Small", bytes, length, 17), 0);
  EXPECT_EQ(length, 17u);

  length = 99;
  EXPECT_EQ(store::ReadRawValue(ctx, HKEY_LOCAL_MACHINE, "K", "Absent", bytes, length), 1);
  EXPECT_EQ(length, 0u);
}

// --- ReadDwordValue --------------------------------------------------------

TEST_F(RegistryAccessTest, ReadDwordValueKeepsThePresetWhenItFails) {
  DWORD value = 7;
  EXPECT_EQ(store::ReadDwordValue(ctx, HKEY_LOCAL_MACHINE, "Missing", "InitCheck", value), 1);
  EXPECT_EQ(value, 7u);
  m.setDword(HKEY_LOCAL_MACHINE, "K", "Other", 1);
  EXPECT_EQ(store::ReadDwordValue(ctx, HKEY_LOCAL_MACHINE, "K", "InitCheck", value), 1);
  EXPECT_EQ(value, 7u);
  m.setValue(HKEY_LOCAL_MACHINE, "K", "Five", REG_BINARY, "\x01\x02\x03\x04\x05"s);
  EXPECT_EQ(store::ReadDwordValue(ctx, HKEY_LOCAL_MACHINE, "K", "Five", value), 1);
  EXPECT_EQ(value, 7u);
}

TEST_F(RegistryAccessTest, ReadDwordValueReadsFourBytesAndZeroExtendsShorterOnes) {
  DWORD value = 0;
  m.setDword(HKEY_LOCAL_MACHINE, "K", "Full", 0x89ABCDEF);
  EXPECT_EQ(store::ReadDwordValue(ctx, HKEY_LOCAL_MACHINE, "K", "Full", value), 0);
  EXPECT_EQ(value, 0x89ABCDEFu);
  value = 0xFFFFFFFF;
  m.setValue(HKEY_LOCAL_MACHINE, "K", "Two", REG_BINARY, "\x34\x12"s);
  EXPECT_EQ(store::ReadDwordValue(ctx, HKEY_LOCAL_MACHINE, "K", "Two", value), 0);
  EXPECT_EQ(value, 0x1234u);
  value = 0xFFFFFFFF;
  m.setValue(HKEY_LOCAL_MACHINE, "K", "None", REG_DWORD, "");
  EXPECT_EQ(store::ReadDwordValue(ctx, HKEY_LOCAL_MACHINE, "K", "None", value), 0);
  EXPECT_EQ(value, 0u);
}

// --- Writes and copies of single values ------------------------------------

TEST_F(RegistryAccessTest, WritesNeverCreateTheirKey) {
  EXPECT_EQ(store::WriteStringValue(ctx, HKEY_LOCAL_MACHINE, "New\\Key", "V", "x"), 1);
  EXPECT_EQ(store::WriteMultiStringValue(ctx, HKEY_LOCAL_MACHINE, "New\\Key", "V", "a\0\0"s), 1);
  EXPECT_EQ(store::WriteDwordValue(ctx, HKEY_LOCAL_MACHINE, "New\\Key", "V", 1), 1);
  EXPECT_FALSE(m.keyExists(HKEY_LOCAL_MACHINE, "New"));
  EXPECT_TRUE(prompter.shown().empty());
}

TEST_F(RegistryAccessTest, WritesStoreTheirTypeAndExactByteCount) {
  m.createKey(HKEY_LOCAL_MACHINE, "K");
  DWORD type = 0;
  EXPECT_EQ(store::WriteStringValue(ctx, HKEY_LOCAL_MACHINE, "K", "Text", "abc"), 0);
  EXPECT_EQ(bytesOf(HKEY_LOCAL_MACHINE, "K", "Text", &type), "abc");  // no NUL stored
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(store::WriteStringValue(ctx, HKEY_LOCAL_MACHINE, "K", "Blank", ""), 0);
  EXPECT_EQ(bytesOf(HKEY_LOCAL_MACHINE, "K", "Blank"), "");

  const std::string list = "a\0bc\0\0"s;
  EXPECT_EQ(store::WriteMultiStringValue(ctx, HKEY_LOCAL_MACHINE, "K", "List", list), 0);
  EXPECT_EQ(bytesOf(HKEY_LOCAL_MACHINE, "K", "List", &type), list);
  EXPECT_EQ(type, REG_MULTI_SZ);

  EXPECT_EQ(store::WriteDwordValue(ctx, HKEY_LOCAL_MACHINE, "K", "Text", 0x01020304), 0);
  EXPECT_EQ(bytesOf(HKEY_LOCAL_MACHINE, "K", "Text", &type), "\x04\x03\x02\x01"s);
  EXPECT_EQ(type, REG_DWORD);
}

TEST_F(RegistryAccessTest, AFailedWriteReturnsOneWithoutAMessage) {
  m.createKey(HKEY_LOCAL_MACHINE, "K");
  FaultyMachine faulty(m.machine());
  faulty.registry().failSet("HKLM\\K", "V", ERROR_ACCESS_DENIED);
  store::Context failing{faulty, prompter, kOwner};
  EXPECT_EQ(store::WriteStringValue(failing, HKEY_LOCAL_MACHINE, "K", "V", "x"), 1);
  EXPECT_EQ(store::WriteDwordValue(failing, HKEY_LOCAL_MACHINE, "K", "V", 1), 1);
  EXPECT_EQ(store::WriteMultiStringValue(failing, HKEY_LOCAL_MACHINE, "K", "V", "\0"s), 1);
}

TEST_F(RegistryAccessTest, CopyStringAndDwordValueNeedBothSteps) {
  m.setString(HKEY_LOCAL_MACHINE, "Src", "Name", "text");
  m.setDword(HKEY_LOCAL_MACHINE, "Src", "Number", 42);
  m.createKey(HKEY_CURRENT_USER, "Dst");

  EXPECT_EQ(
      store::CopyStringValue(ctx, HKEY_LOCAL_MACHINE, "Src", "Name", HKEY_CURRENT_USER, "Dst"), 0);
  EXPECT_EQ(bytesOf(HKEY_CURRENT_USER, "Dst", "Name"), "text");  // rewritten without its NUL
  EXPECT_EQ(
      store::CopyDwordValue(ctx, HKEY_LOCAL_MACHINE, "Src", "Number", HKEY_CURRENT_USER, "Dst"), 0);
  EXPECT_EQ(bytesOf(HKEY_CURRENT_USER, "Dst", "Number"), dwordBytes(42));

  // A missing source writes nothing; a missing destination key is not created.
  EXPECT_EQ(
      store::CopyStringValue(ctx, HKEY_LOCAL_MACHINE, "Src", "Absent", HKEY_CURRENT_USER, "Dst"),
      1);
  EXPECT_FALSE(m.value(HKEY_CURRENT_USER, "Dst", "Absent", nullptr, nullptr));
  EXPECT_EQ(
      store::CopyDwordValue(ctx, HKEY_LOCAL_MACHINE, "Src", "Absent", HKEY_CURRENT_USER, "Dst"), 1);
  EXPECT_EQ(
      store::CopyStringValue(ctx, HKEY_LOCAL_MACHINE, "Src", "Name", HKEY_CURRENT_USER, "Nowhere"),
      1);
  EXPECT_EQ(
      store::CopyDwordValue(ctx, HKEY_LOCAL_MACHINE, "Src", "Number", HKEY_CURRENT_USER, "Nowhere"),
      1);
  EXPECT_FALSE(m.keyExists(HKEY_CURRENT_USER, "Nowhere"));
}

TEST_F(RegistryAccessTest, ReadsOpenForReadingAndWritesForFullAccess) {
  m.setString(HKEY_LOCAL_MACHINE, "K", "S", "x");
  m.setDword(HKEY_LOCAL_MACHINE, "K", "D", 1);
  FaultyMachine faulty(m.machine());
  store::Context logged{faulty, prompter, kOwner};
  auto& log = faulty.registry();
  std::string text;
  DWORD value = 0;
  DWORD length = 0;

  struct Expectation {
    const char* what;
    win::REGSAM access;
    DWORD offered;  // buffer size offered to RegQueryValueExA, 0 for writes
  };
  auto check = [&](const Expectation& e) {
    ASSERT_FALSE(log.calls().empty()) << e.what;
    EXPECT_EQ(log.calls().front().op, "open") << e.what;
    EXPECT_EQ(log.calls().front().number, e.access) << e.what;
    for (const auto& call : log.calls())
      if (call.op == "query") {
        EXPECT_EQ(call.number, e.offered) << e.what;
      }
    log.clearCalls();
  };
  (void)store::ReadStringValue(logged, HKEY_LOCAL_MACHINE, "K", "S", text);
  check({"ReadStringValue", KEY_READ, 256});
  (void)store::ReadRawValue(logged, HKEY_LOCAL_MACHINE, "K", "S", text, length);
  check({"ReadRawValue", KEY_READ, 1024});
  (void)store::ReadDwordValue(logged, HKEY_LOCAL_MACHINE, "K", "D", value);
  check({"ReadDwordValue", KEY_READ, 4});
  (void)store::WriteStringValue(logged, HKEY_LOCAL_MACHINE, "K", "S", "y");
  check({"WriteStringValue", KEY_ALL_ACCESS, 0});
  (void)store::WriteMultiStringValue(logged, HKEY_LOCAL_MACHINE, "K", "M", "\0"s);
  check({"WriteMultiStringValue", KEY_ALL_ACCESS, 0});
  (void)store::WriteDwordValue(logged, HKEY_LOCAL_MACHINE, "K", "D", 2);
  check({"WriteDwordValue", KEY_ALL_ACCESS, 0});
}

}  // namespace
