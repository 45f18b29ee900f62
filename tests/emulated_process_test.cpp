// The emulated machine's processes, printers, settings broadcast and domain
// joins: what the switch relies on from the platform.
#include <gtest/gtest.h>

#include <QDir>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>

#include <unistd.h>

#include "platform/code_page.h"
#include "platform/emulated/emulated_membership.h"
#include "platform/emulated/emulated_shell.h"
#include "tests/support/faulty_registry.h"
#include "tests/support/test_machine.h"

namespace {

using testing_support::TestMachine;

const std::string kEmulation = "SYSTEM\\Emulation";
const std::string kPrinters = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";

// Children of this process that have ended but were never waited for.
int zombieChildren() {
  int zombies = 0;
  QDir proc(QStringLiteral("/proc"));
  for (const QString& entry : proc.entryList(QDir::Dirs)) {
    std::ifstream stat("/proc/" + entry.toStdString() + "/stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    // "pid (name) S ppid ...": the name may hold blanks, so read after ")".
    std::size_t close = line.rfind(')');
    if (close == std::string::npos || close + 4 >= line.size()) continue;
    char state = line[close + 2];
    long parent = std::strtol(line.c_str() + close + 4, nullptr, 10);
    if (state == 'Z' && parent == long(::getpid())) ++zombies;
  }
  return zombies;
}

class EmulatedProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m.machine().files().createDirectory("C:\\work"));
    writeBatch("C:\\work\\exit3.bat", "@echo off\necho ran in %CD% > C:\\work\\out.txt\nexit 3\n");
  }
  void writeBatch(const std::string& path, const std::string& text) {
    auto file = m.machine().files().openText(path, win::TextMode::Write);
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->write(text));
    EXPECT_TRUE(file->close());
  }
  win::HANDLE start(const std::string& commandLine) {
    std::string line = commandLine;
    win::STARTUPINFOA startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    win::PROCESS_INFORMATION info;
    if (!shell().CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                "C:\\work", &startup, &info))
      return nullptr;
    EXPECT_EQ(info.hThread, nullptr);
    return info.hProcess;
  }
  win::Shell& shell() { return m.machine().shell(); }

  TestMachine m;
};

TEST_F(EmulatedProcessTest, ACommandLineRunsOnTheSameMachineAndCanBeFollowed) {
  win::HANDLE process = start("C:\\work\\exit3.bat");
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(shell().WaitForSingleObject(process, 20000), WAIT_OBJECT_0);
  win::DWORD code = 0;
  EXPECT_TRUE(shell().GetExitCodeProcess(process, &code));
  EXPECT_EQ(code, 3u);
  EXPECT_TRUE(shell().CloseHandle(process));
  EXPECT_FALSE(shell().CloseHandle(process));
  EXPECT_EQ(shell().WaitForSingleObject(process, 0), WAIT_FAILED);

  auto out = m.machine().files().openText("C:\\work\\out.txt", win::TextMode::Read);
  ASSERT_TRUE(out);
  std::string line;
  ASSERT_TRUE(out->readLine(line, 256));
  EXPECT_EQ(line, "ran in C:\\work \n");
}

TEST_F(EmulatedProcessTest, ARunningProcessCanBeAskedAboutAndEnded) {
  // netsh takes its time on this machine.
  m.setDword(HKEY_LOCAL_MACHINE, kEmulation, "NetshDelay", 30000);
  win::HANDLE process = start("netsh interface ip show address");
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(shell().WaitForSingleObject(process, 0), WAIT_TIMEOUT);
  win::DWORD code = 0;
  EXPECT_TRUE(shell().GetExitCodeProcess(process, &code));
  EXPECT_EQ(code, STILL_ACTIVE);

  const auto before = std::chrono::steady_clock::now();
  EXPECT_TRUE(shell().TerminateProcess(process, 7));
  EXPECT_EQ(shell().WaitForSingleObject(process, 0), WAIT_OBJECT_0);
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(5));
  EXPECT_TRUE(shell().GetExitCodeProcess(process, &code));
  EXPECT_EQ(code, 7u);
  EXPECT_FALSE(shell().TerminateProcess(process, 8));
  (void)shell().CloseHandle(process);
}

TEST_F(EmulatedProcessTest, WinExecStartsAndForgetsWithoutLeavingZombies) {
  EXPECT_GT(shell().WinExec("C:\\work\\exit3.bat", SW_HIDE), 31u);
  // A handle closed while its process still runs.
  m.setDword(HKEY_LOCAL_MACHINE, kEmulation, "NetshDelay", 200);
  win::HANDLE process = start("netsh interface ip show address");
  ASSERT_NE(process, nullptr);
  (void)shell().CloseHandle(process);

  for (int tries = 0; tries < 200 && !m.machine().files().exists("C:\\work\\out.txt"); ++tries)
    shell().Sleep(10);
  EXPECT_TRUE(m.machine().files().exists("C:\\work\\out.txt"));
  shell().Sleep(500);
  EXPECT_EQ(zombieChildren(), 0);
}

TEST_F(EmulatedProcessTest, NothingStartsWithoutTheMachineTool) {
  const char* old = std::getenv("VERANTU_MACHINE_TOOL");
  std::string saved = old ? old : "";
  setenv("VERANTU_MACHINE_TOOL", "/nonexistent/verantu-machine", 1);
  EXPECT_TRUE(emu::machineToolPath().empty());
  EXPECT_LE(shell().WinExec("C:\\work\\exit3.bat", SW_HIDE), 31u);
  EXPECT_EQ(start("C:\\work\\exit3.bat"), nullptr);
  if (old)
    setenv("VERANTU_MACHINE_TOOL", saved.c_str(), 1);
  else
    unsetenv("VERANTU_MACHINE_TOOL");
  EXPECT_FALSE(emu::machineToolPath().empty());
}

TEST(EmulatedPrinters, ListsThePrinterKeysAndCountsBroadcasts) {
  TestMachine m;
  win::ProfileStrings& strings = m.machine().profileStrings();
  EXPECT_TRUE(win::EnumPrinterNames(strings).empty());

  m.setString(HKEY_LOCAL_MACHINE, kPrinters + "\\EPSON PX-V630", "Name", "EPSON PX-V630");
  m.setString(HKEY_LOCAL_MACHINE, kPrinters + "\\" + win::ansiFromUtf8("キヤノン"), "Name", "x");
  m.setString(HKEY_LOCAL_MACHINE, kPrinters + "\\canon", "Name", "canon");
  EXPECT_EQ(win::EnumPrinterNames(strings),
            (std::vector<std::string>{"canon", "EPSON PX-V630", win::ansiFromUtf8("キヤノン")}));
  win::DWORD needed = 0;
  win::DWORD returned = 5;
  win::BYTE small[8];
  EXPECT_FALSE(strings.EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 4, small, sizeof small, &needed,
                                     &returned));
  EXPECT_EQ(needed, 3 * sizeof(win::PRINTER_INFO_4A) + 6 + 14 + 9);
  EXPECT_EQ(returned, 0u);

  EXPECT_EQ(m.machine().profileStrings().settingChangeBroadcasts(), 0u);
  EXPECT_NE(strings.SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, 0, 0, SMTO_NORMAL, 1000,
                                        nullptr),
            0);
  EXPECT_EQ(strings.SendMessageTimeoutA(reinterpret_cast<win::HWND>(0x1234), WM_SETTINGCHANGE, 0, 0,
                                        SMTO_NORMAL, 1000, nullptr),
            0);
  EXPECT_EQ(m.machine().profileStrings().settingChangeBroadcasts(), 1u);
}

TEST(EmulatedMembership, JoinsAsTheDomainsAndNamesAllow) {
  TestMachine m;
  m.setValue(HKEY_LOCAL_MACHINE, kEmulation, "Domains", REG_MULTI_SZ,
             std::string("CORP\0EXAMPLE\0\0", 14));
  m.setString(HKEY_LOCAL_MACHINE, kEmulation, "JoinName", "WORKGROUP");
  m.setDword(HKEY_LOCAL_MACHINE, kEmulation, "JoinStatus", NetSetupWorkgroupName);
  win::Membership& net = m.machine().membership();
  auto join = [&](const std::u16string& name, win::DWORD options) {
    return net.NetJoinDomain(nullptr, name.c_str(), nullptr, nullptr, nullptr, options);
  };
  auto joined = [&] {
    std::u16string name;
    win::DWORD status = 0;
    EXPECT_EQ(net.NetGetJoinInformation(nullptr, &name, &status), NERR_Success);
    return win::ansiToUtf8(win::wideToAnsi(name).value()) + "/" + std::to_string(status);
  };
  const win::DWORD workgroup = NETSETUP_JOIN_UNSECURE;
  const win::DWORD domain = NETSETUP_JOIN_DOMAIN;

  for (const char16_t* bad : {u"", u"SIXTEEN-LETTERS!", u"A*B", u"A,B", u"..", u"A\"B"})
    EXPECT_EQ(join(bad, workgroup), NERR_InvalidWorkgroupName)
        << win::ansiToUtf8(win::wideToAnsi(bad).value_or("?"));
  EXPECT_EQ(join(u"FIFTEEN-LETTERS", workgroup), NERR_Success);
  // "ソフト" has 0x5C as a second byte: it is no backslash.
  EXPECT_EQ(join(u"ソフト", workgroup), NERR_Success);
  EXPECT_EQ(joined(), "ソフト/2");

  EXPECT_EQ(join(u"NOWHERE", domain), ERROR_NO_SUCH_DOMAIN);
  EXPECT_EQ(join(u"", domain), win::DWORD(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(joined(), "ソフト/2");
  EXPECT_EQ(join(u"example", domain), NERR_Success);
  EXPECT_EQ(joined(), "example/3");
  // A domain member leaves its domain before it joins anything else.
  EXPECT_EQ(join(u"CORP", domain), NERR_SetupAlreadyJoined);
  EXPECT_EQ(join(u"HOME", workgroup), NERR_SetupAlreadyJoined);
  EXPECT_EQ(joined(), "example/3");
}

// A join whose record the registry refuses (a full disk, a read-only
// machine) is no join: it fails and the membership stays as it was.
TEST(EmulatedMembership, AJoinWhoseWriteIsRefusedFailsAndChangesNothing) {
  TestMachine m;
  m.setString(HKEY_LOCAL_MACHINE, kEmulation, "JoinName", "WORKGROUP");
  m.setDword(HKEY_LOCAL_MACHINE, kEmulation, "JoinStatus", NetSetupWorkgroupName);
  for (int n = 1; n <= 3; ++n) {
    SCOPED_TRACE("refused write " + std::to_string(n));
    testing_support::FaultyRegistry faulty(m.machine().registry());
    faulty.failWriteAt(n, ERROR_DISK_FULL);
    emu::EmulatedMembership net(faulty);
    EXPECT_NE(
        net.NetJoinDomain(nullptr, u"HOME", nullptr, nullptr, nullptr, NETSETUP_JOIN_UNSECURE),
        NERR_Success);
    std::u16string name;
    win::DWORD status = 0;
    ASSERT_EQ(m.machine().membership().NetGetJoinInformation(nullptr, &name, &status),
              NERR_Success);
    EXPECT_EQ(name, u"WORKGROUP");
    EXPECT_EQ(status, win::DWORD(NetSetupWorkgroupName));
  }
}

}  // namespace
