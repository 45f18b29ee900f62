// The emulated machine's command interpreter: enough of cmd.exe on a
// Japanese system to run the program's switch script and the command lines a
// user types around it. Lines are ANSI (code page 932) and read as cmd reads
// them: "%%" and variables are expanded first, then quotes, "^", the
// operators "&", "&&", "||", "|" and the redirections ">", ">>", "<", "2>",
// "2>&1" are found, skipping the second byte of every double-byte character.
// Commands: echo (and "echo off"/"echo on"), rem, labels, exit, cls, netsh
// (run in-process) and batch files; anything else is reported as cmd does.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace emu {
class EmulatedMachine;
}
namespace win {
class TextFile;
}

namespace machinetool {

// Where text without a redirection goes (the console); ANSI.
struct ConsoleStreams {
  std::function<void(std::string_view)> out;
  std::function<void(std::string_view)> err;
};

// cmd's own messages, UTF-8 as in the sources.
namespace cmd_text {
inline constexpr const char* kNotRecognized =
    "'%s' は、内部コマンドまたは外部コマンド、操作可能なプログラムまたはバッチ "
    "ファイルとして認識されて"
    "いません。";
inline constexpr const char* kPathNotFound = "指定されたパスが見つかりません。";
inline constexpr const char* kFileNotFound = "指定されたファイルが見つかりません。";
inline constexpr const char* kLineTooLong = "入力行が長すぎます。";
inline constexpr const char* kSyntaxError = "コマンドの構文が誤っています。";
inline constexpr const char* kEchoState = "ECHO は <%s> です。";
}  // namespace cmd_text

class BatchInterpreter {
 public:
  BatchInterpreter(emu::EmulatedMachine& machine, ConsoleStreams console);

  // `cmd /c LINE`: runs one command line (a batch file named in it runs as a
  // batch). Returns the exit code, cmd's ERRORLEVEL.
  int runCommandLine(const std::string& line);
  // Runs a batch file by its Windows path, read in text mode.
  int runBatchFile(const std::string& path);
  // Runs the lines of a batch script held in memory ("\n" or "\r\n" ends).
  int runBatchText(std::string_view text, const std::string& scriptPath);

  int errorLevel() const { return errorLevel_; }

 private:
  struct Redirect;
  struct Command;

  void executeLine(const std::string& rawLine, bool inBatch);
  std::string expandPercents(const std::string& line, bool inBatch) const;
  bool parseLine(const std::string& line, std::vector<Command>* commands);
  int runCommand(const Command& command);
  int runSimple(const std::string& text, std::string* out, std::string* err);
  std::string variable(const std::string& name) const;
  void write(std::string_view text, bool toErr);

  emu::EmulatedMachine& machine_;
  ConsoleStreams console_;
  bool echo_ = true;
  bool exitRequested_ = false;  // the running batch file ends
  bool exitProcess_ = false;    // "exit": the interpreter ends
  int errorLevel_ = 0;
  std::string scriptPath_;  // %0 while a batch file runs
  int depth_ = 0;           // batch files started from batch files
};

}  // namespace machinetool
