// Drive C:, version, Windows directory, named mutexes and code page text of
// the emulated machine.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/code_page.h"
#include "platform/emulated/emulated_machine.h"
#include "tests/support/test_machine.h"

using namespace win;
using testing_support::TestMachine;

namespace {

constexpr const char* kCurrentVersion = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

std::string readHost(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(CodePage, ConvertsCp932IncludingWindowsOnlyCharacters) {
  std::string ansi = ansiFromUtf8("～①㈱ﾚｼﾞｽﾄﾘ表");
  EXPECT_EQ(ansi, std::string("\x81\x60\x87\x40\x87\x8a\xda\xbc\xde\xbd\xc4\xd8\x95\x5c"));
  EXPECT_EQ(ansiToUtf8(ansi), "～①㈱ﾚｼﾞｽﾄﾘ表");
  EXPECT_EQ(wideToAnsi(ansiToWide(ansi).value()), ansi);
  EXPECT_TRUE(isRoundTripAnsi(ansi));
  EXPECT_FALSE(isRoundTripAnsi(std::string("\x81", 1)));  // a lead byte alone
}

// Windows writes its default character for each character the code page
// lacks; the converter's own substitute would store other bytes.
TEST(CodePage, CharactersTheCodePageLacksBecomeOneQuestionMarkEach) {
  EXPECT_EQ(ansiFromUtf8("Café"), "Caf?");
  EXPECT_EQ(ansiFromUtf8("10.0.0.25é€"), "10.0.0.25??");
  EXPECT_EQ(ansiFromUtf8("a😀表"), "a?" + ansiFromUtf8("表"));
  EXPECT_EQ(wideToAnsi(u"\u00e9\xd800x").value(), "??x");  // a lone surrogate too
}

TEST(EmulatedFiles, WindowsPathsMapCaseInsensitivelyOntoDriveC) {
  TestMachine machine;
  auto& files = machine.machine().files();
  ASSERT_TRUE(files.createDirectory("C:\\WINDOWS"));
  auto out = files.openText("c:\\windows\\Relay.TXT", TextMode::Write);
  ASSERT_NE(out, nullptr);
  EXPECT_TRUE(out->write("one\ntwo\n"));
  EXPECT_TRUE(out->close());
  std::string host = machine.folder() + "/drive_c/WINDOWS/Relay.TXT";
  EXPECT_EQ(readHost(host), "one\r\ntwo\r\n");  // text mode writes CRLF
  EXPECT_TRUE(files.exists("C:\\Windows\\relay.txt"));

  auto append = files.openText("C:\\WINDOWS\\RELAY.txt", TextMode::Append);
  ASSERT_NE(append, nullptr);
  EXPECT_TRUE(append->write("three"));
  EXPECT_TRUE(append->close());

  auto in = files.openText("C:\\WINDOWS\\relay.txt", TextMode::Read);
  ASSERT_NE(in, nullptr);
  std::string line;
  ASSERT_TRUE(in->readLine(line, 256));
  EXPECT_EQ(line, "one\n");  // CRLF reads back as LF
  ASSERT_TRUE(in->readLine(line, 4));
  EXPECT_EQ(line, "two");  // fgets: at most size-1 characters
  ASSERT_TRUE(in->readLine(line, 256));
  EXPECT_EQ(line, "\n");
  ASSERT_TRUE(in->readLine(line, 256));
  EXPECT_EQ(line, "three");
  EXPECT_FALSE(in->readLine(line, 256));

  EXPECT_EQ(files.DeleteFileA("C:\\windows\\RELAY.TXT"), TRUE);
  EXPECT_EQ(files.DeleteFileA("C:\\windows\\RELAY.TXT"), FALSE);
  EXPECT_EQ(files.openText("C:\\WINDOWS\\relay.txt", TextMode::Read), nullptr);
  // Windows does not create a missing folder for a file.
  EXPECT_EQ(files.openText("C:\\NoSuchDir\\x.txt", TextMode::Write), nullptr);
}

TEST(EmulatedFiles, RelativePathsFollowTheCurrentDirectory) {
  TestMachine machine;
  auto& files = machine.machine().files();
  files.setCurrentDirectory("C:\\Program Files\\Verantu");
  EXPECT_EQ(files.fullPath("verantu.dbg"), "C:\\Program Files\\Verantu\\verantu.dbg");
  EXPECT_EQ(files.fullPath("..\\x\\.\\y"), "C:\\Program Files\\x\\y");
  EXPECT_EQ(files.fullPath("\\boot.ini"), "C:\\boot.ini");
  EXPECT_EQ(files.fullPath("C:\\..\\..\\etc"), "C:\\etc");  // never above the drive
  EXPECT_EQ(files.hostPath("D:\\x"), "");
  // A Shift-JIS name whose second byte is 0x5C stays one name.
  std::string name = ansiFromUtf8("C:\\表示.txt");
  EXPECT_EQ(files.hostPath(name), machine.folder() + "/drive_c/表示.txt");
}

TEST(EmulatedSystem, VersionAndWindowsDirectoryComeFromTheRegistry) {
  TestMachine machine;
  auto& system = machine.machine().system();
  OSVERSIONINFOA info;
  EXPECT_EQ(system.GetVersionExA(&info), FALSE);  // no version key yet

  machine.setString(HKEY_LOCAL_MACHINE, kCurrentVersion, "CurrentVersion", "5.1");
  machine.setString(HKEY_LOCAL_MACHINE, kCurrentVersion, "CurrentBuildNumber", "2600");
  machine.setString(HKEY_LOCAL_MACHINE, kCurrentVersion, "CSDVersion", "Service Pack 2");
  machine.setString(HKEY_LOCAL_MACHINE, kCurrentVersion, "SystemRoot", "C:\\WINDOWS");
  ASSERT_EQ(system.GetVersionExA(&info), TRUE);
  EXPECT_EQ(info.dwMajorVersion, 5u);
  EXPECT_EQ(info.dwMinorVersion, 1u);
  EXPECT_EQ(info.dwBuildNumber, 2600u);
  EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_NT);
  EXPECT_STREQ(info.szCSDVersion, "Service Pack 2");
  info.dwOSVersionInfoSize = 100;
  EXPECT_EQ(system.GetVersionExA(&info), FALSE);

  char dir[11];
  EXPECT_EQ(system.GetWindowsDirectoryA(dir, sizeof dir), 10u);
  EXPECT_STREQ(dir, "C:\\WINDOWS");
  EXPECT_EQ(system.GetWindowsDirectoryA(dir, 10), 11u);  // too small: the size needed

  // A trailing backslash goes, but not the 0x5C second byte of 表.
  std::string hyou = ansiFromUtf8("C:\\表");
  machine.setString(HKEY_LOCAL_MACHINE, kCurrentVersion, "SystemRoot", hyou + "\\");
  char wide[16];
  ASSERT_EQ(system.GetWindowsDirectoryA(wide, sizeof wide), hyou.size());
  EXPECT_EQ(std::string(wide), hyou);
}

TEST(EmulatedSystem, Windows10AndAStandardUser) {
  TestMachine machine;
  auto& system = machine.machine().system();
  machine.setString(HKEY_LOCAL_MACHINE, kCurrentVersion, "CurrentVersion", "6.3");
  machine.setDword(HKEY_LOCAL_MACHINE, kCurrentVersion, "CurrentMajorVersionNumber", 10);
  machine.setDword(HKEY_LOCAL_MACHINE, kCurrentVersion, "CurrentMinorVersionNumber", 0);
  machine.setString(HKEY_LOCAL_MACHINE, kCurrentVersion, "CurrentBuildNumber", "19045");
  OSVERSIONINFOA info;
  ASSERT_EQ(system.GetVersionExA(&info), TRUE);
  EXPECT_EQ(info.dwMajorVersion, 10u);
  EXPECT_EQ(info.dwMinorVersion, 0u);
  EXPECT_EQ(info.dwBuildNumber, 19045u);

  machine.createKey(HKEY_LOCAL_MACHINE, "Software\\Q");
  machine.setString(HKEY_LOCAL_MACHINE, "Software\\Q", "v", "1");
  machine.createKey(HKEY_CURRENT_USER, "Software\\Q");
  auto& registry = machine.registry();
  for (bool elevated : {true, false}) {
    machine.machine().setElevated(elevated);
    HANDLE token = nullptr;
    ASSERT_TRUE(system.OpenProcessToken(win::GetCurrentProcess(), TOKEN_QUERY, &token));
    win::TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    EXPECT_FALSE(system.GetTokenInformation(token, TokenElevation, &elevation, 2, &size));
    EXPECT_EQ(system.GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    ASSERT_TRUE(
        system.GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size));
    EXPECT_EQ(elevation.TokenIsElevated, elevated ? 1u : 0u);
    EXPECT_TRUE(system.CloseHandle(token));

    // Every change under HKEY_LOCAL_MACHINE is refused to a standard user;
    // reading is not, and the user's own hive stays writable.
    const LONG denied = elevated ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
    HKEY key = nullptr;
    EXPECT_EQ(registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Q", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    // A key opened for reading is not written either way.
    EXPECT_EQ(registry.RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("2"), 2),
              ERROR_ACCESS_DENIED);
    (void)registry.RegCloseKey(key);
    HKEY writable = nullptr;
    EXPECT_EQ(
        registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Q", 0, KEY_ALL_ACCESS, &writable),
        denied);
    if (writable) (void)registry.RegCloseKey(writable);
    HKEY created = nullptr;
    EXPECT_EQ(registry.RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Q\\New", 0, "", 0, KEY_READ,
                                       nullptr, &created, nullptr),
              denied);
    if (created) (void)registry.RegCloseKey(created);
    EXPECT_EQ(registry.RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Q\\New"),
              elevated ? ERROR_SUCCESS : ERROR_ACCESS_DENIED);
    EXPECT_EQ(registry.SHDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Q\\Gone"),
              elevated ? DWORD(ERROR_FILE_NOT_FOUND) : DWORD(ERROR_ACCESS_DENIED));
    HKEY user = nullptr;
    ASSERT_EQ(registry.RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Q\\Mine", 0, "", 0,
                                       KEY_ALL_ACCESS, nullptr, &user, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(registry.RegSetValueExA(user, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("3"), 2),
              ERROR_SUCCESS);
    EXPECT_EQ(registry.RegDeleteValueA(user, "v"), ERROR_SUCCESS);
    (void)registry.RegCloseKey(user);
  }
  DWORD type = 0;
  std::string bytes;
  ASSERT_TRUE(machine.value(HKEY_LOCAL_MACHINE, "Software\\Q", "v", &type, &bytes));
  EXPECT_EQ(bytes, std::string("1", 2));
}

TEST(EmulatedSystem, NamedMutexIsSharedAcrossProcessesAndDiesWithItsOwner) {
  TestMachine machine;
  auto& system = machine.machine().system();
  HANDLE first = system.CreateMutexA(nullptr, TRUE, "Verantu!");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(system.GetLastError(), DWORD(ERROR_SUCCESS));

  // Another process sees it.
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    auto other = machine.reopen();
    HANDLE second = other->system().CreateMutexA(nullptr, TRUE, "Verantu!");
    bool exists = second && other->system().GetLastError() == DWORD(ERROR_ALREADY_EXISTS);
    _exit(exists ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  // A process that dies holding it releases it.
  EXPECT_EQ(system.CloseHandle(first), TRUE);
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  child = fork();
  if (child == 0) {
    auto other = machine.reopen();
    (void)other->system().CreateMutexA(nullptr, TRUE, "Verantu!");  // held until killed
    char ready = 1;
    (void)!write(pipeFds[1], &ready, 1);
    pause();
    _exit(0);
  }
  char ready = 0;
  ASSERT_EQ(read(pipeFds[0], &ready, 1), 1);
  HANDLE blocked = system.CreateMutexA(nullptr, TRUE, "Verantu!");
  EXPECT_EQ(system.GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
  (void)system.CloseHandle(blocked);
  kill(child, SIGKILL);
  waitpid(child, &status, 0);
  HANDLE after = system.CreateMutexA(nullptr, TRUE, "Verantu!");
  EXPECT_EQ(system.GetLastError(), DWORD(ERROR_SUCCESS));
  (void)system.CloseHandle(after);
}

TEST(EmulatedMachine, CreateRefusesToReplaceUnlessAsked) {
  TestMachine machine;
  std::string error;
  EXPECT_EQ(emu::EmulatedMachine::create(machine.folder(), false, &error), nullptr);
  EXPECT_NE(error.find("exists already"), std::string::npos);
  machine.setString(HKEY_LOCAL_MACHINE, "Old", "v", "x");
  auto fresh = emu::EmulatedMachine::create(machine.folder() + "2", false, &error);
  ASSERT_NE(fresh, nullptr);
  auto replaced = emu::EmulatedMachine::create(machine.folder(), true, &error);
  ASSERT_NE(replaced, nullptr) << error;
  HKEY key = nullptr;
  EXPECT_EQ(replaced->registry().RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Old", 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
}
