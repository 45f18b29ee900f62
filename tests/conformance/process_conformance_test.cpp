// Batch scripts started hidden, followed and, after a time-out, ended
// together with everything they started.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/files.h"
#include "platform/shell.h"
#include "tests/conformance/conformance_machine.h"

using namespace win;

namespace {

class ProcessConformance : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = conformance::newConformanceMachine();
    folder_ = host_->scratchFolder();
  }
  Shell& shell() { return host_->machine().shell(); }
  Files& files() { return host_->machine().files(); }
  std::string path(const std::string& name) { return folder_ + "\\" + name; }
  void writeScript(const std::string& name, const std::string& text) {
    auto file = files().openText(path(name), TextMode::Write);
    ASSERT_TRUE(file && file->write(text) && file->close());
  }
  // Starts the script hidden, in the scratch folder, as the switch does.
  HANDLE start(const std::string& name) {
    std::string line = path(name);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info{};
    if (!shell().CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                folder_.c_str(), &startup, &info))
      return nullptr;
    if (info.hThread) shell().CloseHandle(info.hThread);
    return info.hProcess;
  }
  conformance::ConformanceMachine& host() { return *host_; }

 private:
  std::unique_ptr<conformance::ConformanceMachine> host_;
  std::string folder_;
};

}  // namespace

TEST_F(ProcessConformance, ScriptRunsToItsEnd) {
  writeScript("run.bat", "@echo off\necho hello > out.txt\necho again >> out.txt\n");
  HANDLE process = start("run.bat");
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(shell().WaitForSingleObject(process, 30000), WAIT_OBJECT_0);
  DWORD code = STILL_ACTIVE;
  EXPECT_TRUE(shell().GetExitCodeProcess(process, &code));
  EXPECT_NE(code, STILL_ACTIVE);
  EXPECT_TRUE(shell().CloseHandle(process));

  auto out = files().openText(path("out.txt"), TextMode::Read);
  ASSERT_TRUE(out);
  std::string line;
  ASSERT_TRUE(out->readLine(line, 256));
  EXPECT_EQ(line, "hello \n");  // cmd keeps the blank before the redirection
  ASSERT_TRUE(out->readLine(line, 256));
  EXPECT_EQ(line, "again \n");
}

TEST_F(ProcessConformance, EndingAScriptEndsWhatItStarted) {
  writeScript("slow.bat", "@echo off\n" + host().slowChildLines(4, "late.txt") + "\n");
  HANDLE process = start("slow.bat");
  ASSERT_NE(process, nullptr);
  // The child runs before the script is ended.
  for (int i = 0; i < 100 && !files().exists(path("late.txt.started")); ++i) shell().Sleep(100);
  ASSERT_TRUE(files().exists(path("late.txt.started")));
  DWORD code = 0;
  EXPECT_TRUE(shell().GetExitCodeProcess(process, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_TRUE(shell().TerminateProcess(process, 1));
  EXPECT_EQ(shell().WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
  EXPECT_TRUE(shell().GetExitCodeProcess(process, &code));
  EXPECT_EQ(code, 1u);
  EXPECT_TRUE(shell().CloseHandle(process));
  // Nothing the script started goes on to change the machine.
  // (A redirection may have created the file; nothing is written into it.)
  shell().Sleep(4000);
  std::string line;
  auto late = files().openText(path("late.txt"), TextMode::Read);
  EXPECT_FALSE(late && late->readLine(line, 256)) << line;
}
