// What the result and script viewers make of the work files: lines read
// whole (a last line without a line break keeps its last character), the
// result file's markers stripped, the script's netsh commands numbered.
#include "switching/work_file_text.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "tests/support/test_machine.h"

namespace {

using Lines = std::vector<std::string>;
using testing_support::TestMachine;

std::string ansi(const std::string& utf8) {
  return win::ansiFromUtf8(utf8);
}

class WorkFileTextTest : public ::testing::Test {
 protected:
  WorkFileTextTest() { setWindowsDirectory("C:\\WINDOWS"); }

  void setWindowsDirectory(const std::string& path) {
    m.setString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot",
                path);
    EXPECT_TRUE(m.machine().files().createDirectory(path));
  }
  // Writes the bytes exactly as given, line ends included.
  void write(const std::string& windowsPath, const std::string& bytes) {
    std::ofstream out(m.machine().files().hostPath(windowsPath), std::ios::binary);
    out << bytes;
  }
  Lines read(const std::string& bytes) {
    write("C:\\WINDOWS\\x.txt", bytes);
    return switching::ReadViewerLines(m.machine().files(), "C:\\WINDOWS\\x.txt");
  }

  TestMachine m;
};

TEST_F(WorkFileTextTest, LinesLoseOnlyTheirLineBreak) {
  EXPECT_EQ(read("one\r\ntwo\r\n"), (Lines{"one", "two"}));
  // The last line without a line break keeps its last character, down to a
  // line of one character.
  EXPECT_EQ(read("one\r\ntwo"), (Lines{"one", "two"}));
  EXPECT_EQ(read("one\r\nx"), (Lines{"one", "x"}));
  // Blank lines are left out.
  EXPECT_EQ(read("\r\na\r\n\r\n\nb\r\n\r\n"), (Lines{"a", "b"}));
  EXPECT_EQ(read(""), Lines{});
  // A line longer than 255 characters is read in pieces, none of them cut.
  const std::string longLine(300, 'x');
  EXPECT_EQ(read(longLine + "\r\nend"),
            (Lines{longLine.substr(0, 255), longLine.substr(255), "end"}));
  EXPECT_EQ(read(std::string(255, 'y') + "\r\n"), (Lines{std::string(255, 'y')}));
  EXPECT_EQ(switching::ReadViewerLines(m.machine().files(), "C:\\WINDOWS\\missing.txt"), Lines{});
}

TEST(ViewerLinesTest, ResultFileShowsWithoutItsMarkers) {
  const Lines file{ansi("s ○○○ 切り替え処理の開始 "),
                   ansi("====  1 [ﾛｰｶﾙ ｴﾘｱ接続] IPｱﾄﾞﾚｽ/ﾏｽｸ/ｹﾞｰﾄｳｪｲ の設定 === "),
                   "OK",
                   ansi("指定されたインターフェイスが見つかりません。"),
                   "1 error",
                   "e",
                   ansi("e ○○○ 切り替え処理の終了 ")};
  EXPECT_EQ(switching::ResultViewerLines(file),
            (Lines{ansi(" ○○○ 切り替え処理の開始 "),
                   ansi("===  1 [ﾛｰｶﾙ ｴﾘｱ接続] IPｱﾄﾞﾚｽ/ﾏｽｸ/ｹﾞｰﾄｳｪｲ の設定 === "), "OK",
                   ansi("指定されたインターフェイスが見つかりません。"), " error", "",
                   ansi(" ○○○ 切り替え処理の終了 ")}));
}

TEST(ViewerLinesTest, ScriptShowsItsNumberedCommands) {
  Lines file{ansi("echo s ○○○ 切り替え処理の開始 > C:\\WINDOWS\\relay4err.txt")};
  for (int i = 1; i <= 10; ++i) {
    file.push_back("echo ==== " + std::to_string(i) + " >> C:\\WINDOWS\\relay4err.txt");
    file.push_back("netsh interface ip add dns name=\"LAN\" 10.0.0." + std::to_string(i) +
                   " >> C:\\WINDOWS\\relay4err.txt");
  }
  file.push_back("echo e >> C:\\WINDOWS\\relay4err.txt");
  file.push_back("rem no redirection");
  // A quoted name keeps its "<" and ">": only the redirection is cut.
  file.push_back(
      "netsh interface ip set dns name=\"R<>D\" static none >> "
      "\"C:\\My >Windows\\relay4err.txt\"");
  const Lines shown = switching::ScriptViewerLines(file);
  ASSERT_EQ(shown.size(), 12u);
  EXPECT_EQ(shown[11], "12> netsh interface ip set dns name=\"R<>D\" static none ");
  EXPECT_EQ(shown[0], " 1> netsh interface ip add dns name=\"LAN\" 10.0.0.1 ");
  EXPECT_EQ(shown[9], "10> netsh interface ip add dns name=\"LAN\" 10.0.0.10 ");
  EXPECT_EQ(shown[10], "11> rem no redirection");
}

TEST_F(WorkFileTextTest, FilesAreFoundInTheWindowsDirectory) {
  EXPECT_EQ(switching::ReadResultViewerLines(m.machine()), Lines{});
  EXPECT_EQ(switching::ReadScriptViewerLines(m.machine()), Lines{});

  setWindowsDirectory("C:\\");
  write("C:\\relay4err.txt", "s start \r\nOK\r\n\r\ne end ");
  write("C:\\relay4.bat", "echo s > C:\\relay4err.txt\r\nnetsh x >> C:\\relay4err.txt\r\n");
  EXPECT_EQ(switching::ReadResultViewerLines(m.machine()), (Lines{" start ", "OK", " end "}));
  EXPECT_EQ(switching::ReadScriptViewerLines(m.machine()), (Lines{" 1> netsh x "}));
}

}  // namespace
