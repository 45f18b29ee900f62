// Text files in Windows text mode, as the C runtime gives them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/files.h"
#include "tests/conformance/conformance_machine.h"

using namespace win;

namespace {

class FilesConformance : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = conformance::newConformanceMachine();
    folder_ = host_->scratchFolder();
  }
  Files& files() { return host_->machine().files(); }
  std::string path(const std::string& name) { return folder_ + "\\" + name; }
  bool write(const std::string& name, TextMode mode, const std::string& text) {
    auto file = files().openText(path(name), mode);
    return file && file->write(text) && file->close();
  }
  std::vector<std::string> lines(const std::string& name, int bufferSize = 256) {
    std::vector<std::string> result;
    auto file = files().openText(path(name), TextMode::Read);
    EXPECT_TRUE(file) << name;
    std::string line;
    while (file && file->readLine(line, bufferSize)) result.push_back(line);
    return result;
  }

 private:
  std::unique_ptr<conformance::ConformanceMachine> host_;
  std::string folder_;
};

}  // namespace

TEST_F(FilesConformance, TextModeWritesAndReadsLines) {
  std::string japanese = ansiFromUtf8("表示ソフト");
  ASSERT_TRUE(write("a.txt", TextMode::Write, "one\n" + japanese + "\nno end"));
  EXPECT_EQ(lines("a.txt"), (std::vector<std::string>{"one\n", japanese + "\n", "no end"}));
  ASSERT_TRUE(write("a.txt", TextMode::Append, "\nmore\n"));
  EXPECT_EQ(lines("a.txt"),
            (std::vector<std::string>{"one\n", japanese + "\n", "no end\n", "more\n"}));
  ASSERT_TRUE(write("a.txt", TextMode::Write, "new\n"));
  EXPECT_EQ(lines("a.txt"), std::vector<std::string>{"new\n"});
}

TEST_F(FilesConformance, LinesLongerThanTheBufferComeInPieces) {
  ASSERT_TRUE(write("long.txt", TextMode::Write, "abcdef\nxy\n"));
  // fgets with 4 bytes: three characters and the NUL at a time.
  EXPECT_EQ(lines("long.txt", 4), (std::vector<std::string>{"abc", "def", "\n", "xy\n"}));
}

// A result file as a failing command may leave it: a NUL is a byte of its
// line like any other, and a Ctrl+Z ends the file in text mode.
TEST_F(FilesConformance, TextModeKeepsNulBytesAndEndsAtCtrlZ) {
  using namespace std::string_literals;
  ASSERT_TRUE(write("relay4err.txt", TextMode::Write,
                    "s start \n\0 after a NUL\nhalf\0\n\0\nlast\x1A"
                    "e hidden \n"s));
  EXPECT_EQ(lines("relay4err.txt"), (std::vector<std::string>{"s start \n", "\0 after a NUL\n"s,
                                                              "half\0\n"s, "\0\n"s, "last"}));
  // The buffer counts a NUL as one of its bytes.
  EXPECT_EQ(lines("relay4err.txt", 4),
            (std::vector<std::string>{"s s", "tar", "t \n", "\0 a"s, "fte", "r a", " NU", "L\n",
                                      "hal", "f\0\n"s, "\0\n"s, "las", "t"}));
}

TEST_F(FilesConformance, MissingFilesAndFolders) {
  EXPECT_FALSE(files().openText(path("missing.txt"), TextMode::Read));
  EXPECT_FALSE(files().openText(path("no folder\\x.txt"), TextMode::Write));
  EXPECT_FALSE(files().exists(path("missing.txt")));
  EXPECT_EQ(files().DeleteFileA(path("missing.txt").c_str()), FALSE);

  ASSERT_TRUE(write("gone.txt", TextMode::Write, "x\n"));
  EXPECT_TRUE(files().exists(path("gone.txt")));
  EXPECT_TRUE(files().exists(path("GONE.TXT")));  // names are case-insensitive
  EXPECT_EQ(files().DeleteFileA(path("gone.txt").c_str()), TRUE);
  EXPECT_FALSE(files().exists(path("gone.txt")));
}
