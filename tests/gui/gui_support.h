// What the window tests share: a machine with the program installed, a
// shell that records what it was asked to open, and a modal-dialog runner
// that records which dialog was shown and answers with scripted results.
#pragma once

#include <QDialog>

#include <deque>
#include <string>
#include <vector>

#include "gui/common/dialog_runner.h"
#include "platform/code_page.h"
#include "store/profile_store.h"
#include "tests/support/test_machine.h"

namespace gui_testing {

inline std::string ansi(const char* utf8) {
  return win::ansiFromUtf8(utf8);
}

// Windows XP with the program's root key, as an installation leaves it.
inline void installProgram(testing_support::TestMachine& machine, const char* version = "5.1") {
  const char* currentVersion = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
  machine.setString(HKEY_LOCAL_MACHINE, currentVersion, "CurrentVersion", version);
  machine.setString(HKEY_LOCAL_MACHINE, currentVersion, "SystemRoot", "C:\\WINDOWS");
  machine.createKey(HKEY_LOCAL_MACHINE, store::kRootKey);
}

// Profiles with the given titles (UTF-8) in slots 1..n and ComboActive.
inline void addProfiles(testing_support::TestMachine& machine,
                        const std::vector<std::string>& titles, win::DWORD comboActive = 0) {
  for (size_t i = 0; i < titles.size(); ++i)
    machine.setString(HKEY_LOCAL_MACHINE, store::SlotPath(int(i) + 1), "Title",
                      win::ansiFromUtf8(titles[i]));
  machine.setDword(HKEY_LOCAL_MACHINE, store::kSettingKey, "ComboActive", comboActive);
}

class RecordingShell : public win::Shell {
 public:
  struct Call {
    std::string verb;
    std::string file;
    bool hasParams;
    bool hasDirectory;
    int show;
  };
  win::HINSTANCE ShellExecuteA(win::HWND, const char* verb, const char* file, const char* params,
                               const char* dir, int show) override {
    calls.push_back({verb ? verb : "", file ? file : "", params != nullptr, dir != nullptr, show});
    return reinterpret_cast<win::HINSTANCE>(42);
  }
  void Sleep(win::DWORD) override {}
  // Starts nothing: the windows tested with this shell run no script.
  win::UINT WinExec(const char*, win::UINT) override { return 2; }
  win::BOOL CreateProcessA(const char*, char*, const void*, const void*, win::BOOL, win::DWORD,
                           void*, const char*, win::STARTUPINFOA*,
                           win::PROCESS_INFORMATION*) override {
    return FALSE;
  }
  win::DWORD WaitForSingleObject(win::HANDLE, win::DWORD) override { return WAIT_FAILED; }
  win::BOOL GetExitCodeProcess(win::HANDLE, win::DWORD*) override { return FALSE; }
  win::BOOL TerminateProcess(win::HANDLE, win::UINT) override { return FALSE; }
  win::BOOL CloseHandle(win::HANDLE) override { return FALSE; }
  std::vector<Call> calls;
};

// The test machine with its shell replaced by the recording one.
class MachineWithRecordingShell : public win::Machine {
 public:
  explicit MachineWithRecordingShell(emu::EmulatedMachine& inner) : inner_(inner) {}
  win::Registry& registry() override { return inner_.registry(); }
  win::Files& files() override { return inner_.files(); }
  win::System& system() override { return inner_.system(); }
  win::Shell& shell() override { return shell_; }
  win::ProfileStrings& profileStrings() override { return inner_.profileStrings(); }
  win::Membership& membership() override { return inner_.membership(); }
  win::Internet& internet() override { return inner_.internet(); }
  RecordingShell& recordingShell() { return shell_; }

 private:
  emu::EmulatedMachine& inner_;
  RecordingShell shell_;
};

class RecordingDialogRunner : public app::DialogRunner {
 public:
  // The modal results of the next showings; once used up, Rejected.
  void answer(std::initializer_list<int> results) { results_.insert(results_.end(), results); }
  int run(QDialog& dialog) override {
    shown.push_back(dialog.objectName().toStdString());
    if (results_.empty()) return QDialog::Rejected;
    int result = results_.front();
    results_.pop_front();
    return result;
  }
  std::vector<std::string> shown;

 private:
  std::deque<int> results_;
};

}  // namespace gui_testing
