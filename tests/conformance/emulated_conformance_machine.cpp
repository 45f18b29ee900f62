// The conformance tests' machine on Linux: a fresh emulated machine.
#include <QDir>

#include "tests/conformance/conformance_machine.h"
#include "tests/support/test_machine.h"

namespace conformance {

namespace {

class EmulatedConformanceMachine : public ConformanceMachine {
 public:
  win::Machine& machine() override { return test_.machine(); }
  std::string scratchFolder() override {
    QDir(QString::fromStdString(test_.folder())).mkpath("drive_c/scratch");
    return "C:\\scratch";
  }
  void setUpSystem() override {
    const char* version = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    test_.setString(HKEY_LOCAL_MACHINE, version, "CurrentVersion", "6.3");
    test_.setDword(HKEY_LOCAL_MACHINE, version, "CurrentMajorVersionNumber", 10);
    test_.setString(HKEY_LOCAL_MACHINE, version, "CurrentBuildNumber", "19045");
    test_.setString(HKEY_LOCAL_MACHINE, "SYSTEM\\Emulation", "JoinName", "WORKGROUP");
    test_.setDword(HKEY_LOCAL_MACHINE, "SYSTEM\\Emulation", "JoinStatus", 2);
  }
  // The emulated netsh takes as long as the machine says; the emulated cmd
  // runs it as part of the script's process.
  std::string slowChildLines(int seconds, const std::string& file) override {
    test_.setDword(HKEY_LOCAL_MACHINE, "SYSTEM\\Emulation", "NetshDelay",
                   win::DWORD(seconds) * 1000);
    return "echo started > " + file +
           ".started\nnetsh interface ip set dns name=\"none\" static "
           "none >> " +
           file;
  }

 private:
  testing_support::TestMachine test_;
};

}  // namespace

std::unique_ptr<ConformanceMachine> newConformanceMachine() {
  return std::make_unique<EmulatedConformanceMachine>();
}

bool runningUnderWine() {
  return false;
}

}  // namespace conformance
