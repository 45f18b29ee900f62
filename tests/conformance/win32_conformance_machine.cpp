// The conformance tests' machine on Windows: the Win32 layer, with the two
// hives redirected to scratch keys under the user's own key so that the
// tests never touch the real ones, and a scratch folder for files. The
// program is also its own slow child process for the process tests.
#include <gtest/gtest.h>

#include "platform/win_types.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/code_page.h"
#include "platform/win32/win32_machine.h"
#include "tests/conformance/conformance_machine.h"

namespace conformance {

namespace {

constexpr const wchar_t* kScratchRoot = L"Software\\VerantuConformance";
constexpr const char* kChildOption = "--conformance-child";

std::string narrow(const std::wstring& wide) {
  return win::wideToAnsi(std::u16string(wide.begin(), wide.end())).value();
}

std::string programPath() {
  wchar_t path[MAX_PATH * 2] = {};
  ::GetModuleFileNameW(nullptr, path, DWORD(std::size(path)));
  return narrow(path);
}

class Win32ConformanceMachine : public ConformanceMachine {
 public:
  Win32ConformanceMachine() {
    static std::atomic<int> serial{0};
    std::wstring name = std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++serial);
    scratchKey_ = std::wstring(kScratchRoot) + L"\\" + name;
    EXPECT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, (scratchKey_ + L"\\HKLM").c_str(), 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, &localMachine_, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, (scratchKey_ + L"\\HKCU").c_str(), 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, &currentUser_, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(::RegOverridePredefKey(HKEY_LOCAL_MACHINE, localMachine_), ERROR_SUCCESS);
    EXPECT_EQ(::RegOverridePredefKey(HKEY_CURRENT_USER, currentUser_), ERROR_SUCCESS);

    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(DWORD(std::size(temp)), temp);
    folder_ = std::filesystem::path(temp) / (L"verantu-conformance-" + name);
    std::filesystem::create_directories(folder_);
    machine_ = win32::openWin32Machine();
  }
  ~Win32ConformanceMachine() override {
    machine_.reset();
    ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    ::RegCloseKey(localMachine_);
    ::RegCloseKey(currentUser_);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, scratchKey_.c_str());
    ::RegDeleteKeyW(HKEY_CURRENT_USER, kScratchRoot);  // only once it is empty
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  win::Machine& machine() override { return *machine_; }
  std::string scratchFolder() override { return narrow(folder_.wstring()); }
  std::string slowChildLines(int seconds, const std::string& file) override {
    return "\"" + programPath() + "\" " + kChildOption + " " + std::to_string(seconds * 1000) +
           " " + file;
  }

 private:
  std::wstring scratchKey_;
  HKEY localMachine_ = nullptr;
  HKEY currentUser_ = nullptr;
  std::filesystem::path folder_;
  std::unique_ptr<win::Machine> machine_;
};

}  // namespace

std::unique_ptr<ConformanceMachine> newConformanceMachine() {
  return std::make_unique<Win32ConformanceMachine>();
}

bool runningUnderWine() {
  return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

}  // namespace conformance

namespace {

void appendLine(const std::string& path, const char* text) {
  if (std::FILE* file = std::fopen(path.c_str(), "a")) {
    std::fputs(text, file);
    std::fclose(file);
  }
}

}  // namespace

// The slow child: says it runs, waits, then writes into the file it was given.
int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == conformance::kChildOption) {
    appendLine(std::string(argv[3]) + ".started", "started\n");
    ::Sleep(DWORD(std::atoi(argv[2])));
    appendLine(argv[3], "written after the wait\n");
    return 0;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
