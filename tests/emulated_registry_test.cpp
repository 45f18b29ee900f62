// The emulated registry's storage: handles, transactions, several processes
// and damaged files.
#include "platform/emulated/emulated_registry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "tests/support/test_machine.h"

using namespace win;
using testing_support::TestMachine;

namespace {

const BYTE* bytesOf(const std::string& s) {
  return reinterpret_cast<const BYTE*>(s.data());
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

// What Win32 shows of the registry is stated once for both machines in the
// conformance suite; these are the emulated machine's own promises.

TEST_F(EmulatedRegistryTest, ClosedHandlesAreGone) {
  HKEY key = create("Handles");
  EXPECT_EQ(reg().openHandleCount(), 1u);
  EXPECT_EQ(reg().RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(reg().RegCloseKey(key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(reg().RegEnumKeyA(key, 0, nullptr, 0), ERROR_INVALID_HANDLE);
  EXPECT_EQ(reg().openHandleCount(), 0u);
}

TEST_F(EmulatedRegistryTest, TransactionIsAllOrNothing) {
  std::string error;
  EXPECT_FALSE(reg().transaction(
      [&] {
        HKEY key = create("Batch\\One");
        EXPECT_EQ(reg().RegSetValueExA(key, "v", 0, REG_BINARY, bytesOf("1"), 1), ERROR_SUCCESS);
        (void)reg().RegCloseKey(key);
        return false;
      },
      &error));
  EXPECT_FALSE(machine.keyExists(HKEY_LOCAL_MACHINE, "Batch"));
  EXPECT_TRUE(reg().transaction(
      [&] {
        (void)reg().RegCloseKey(create("Batch\\Two"));
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
        (void)other->registry().RegCloseKey(key);
        // Both processes also rewrite one shared value.
        HKEY shared = nullptr;
        // A key that cannot be made fails the write below, which is counted.
        (void)other->registry().RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Shared", 0, "", 0,
                                                KEY_ALL_ACCESS, nullptr, &shared, nullptr);
        if (other->registry().RegSetValueExA(shared, "last", 0, REG_BINARY, bytesOf("y"), 1) !=
            ERROR_SUCCESS)
          ++failures;
        (void)other->registry().RegCloseKey(shared);
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
    EXPECT_EQ(reg().RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                     &values, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, DWORD(kPerProcess));
    (void)reg().RegCloseKey(key);
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

  // A file that cannot be opened leaves no connection behind, only its why.
  emu::Database db;
  EXPECT_EQ(db.open(machine.folder() + "/none/registry.db", false, 0), SQLITE_CANTOPEN);
  EXPECT_FALSE(db.isOpen());
  EXPECT_EQ(db.errorMessage(), "unable to open database file");
}
