#include "tools/verantu-machine/batch_interpreter.h"

#include <QString>

#include <cctype>
#include <cstring>

#include "platform/code_page.h"
#include "platform/emulated/emulated_machine.h"
#include "tools/verantu-machine/netsh.h"

namespace machinetool {

namespace {

// cmd reads at most this many characters of a line.
constexpr std::size_t kMaxLineLength = 8191;
// A batch file that starts itself again is ended at this depth instead of
// running forever.
constexpr int kMaxBatchDepth = 32;
constexpr int kNotRecognizedLevel = 9009;

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

bool endsWithIgnoringCase(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() &&
         equalsIgnoringCase(text.substr(text.size() - tail.size()), tail);
}

std::string trimBlanks(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && isBlank(text[begin])) ++begin;
  while (end > begin && isBlank(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

std::string message(const char* utf8Format, const std::string& ansiArgument = {}) {
  std::string text = win::ansiFromUtf8(utf8Format);
  std::size_t at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, ansiArgument);
  return text + "\n";
}

// The characters that end the word "echo" and start its text: "echo." and
// "echo:" print an empty line, "echo(" the text after it.
bool isEchoDelimiter(char c) {
  return isBlank(c) || std::strchr(".,;=(/+[]:\\", c) != nullptr;
}

}  // namespace

struct BatchInterpreter::Redirect {
  int handle = 1;        // 0 input, 1 output, 2 errors
  bool append = false;   // ">>"
  int duplicateOf = -1;  // "2>&1": the handle it joins
  std::string file;      // Windows path, quotes removed
};

struct BatchInterpreter::Command {
  enum Join { End, Always, OnSuccess, OnFailure, Pipe };
  std::string text;  // the command with its redirections taken out
  std::vector<Redirect> redirects;
  Join join = End;  // how the next command follows this one
};

BatchInterpreter::BatchInterpreter(emu::EmulatedMachine& machine, ConsoleStreams console)
    : machine_(machine), console_(std::move(console)) {}

void BatchInterpreter::write(std::string_view text, bool toErr) {
  const auto& sink = toErr ? console_.err : console_.out;
  if (sink && !text.empty()) sink(text);
}

std::string BatchInterpreter::variable(const std::string& name) const {
  char buffer[256] = {};
  std::string windows;
  win::UINT length = machine_.system().GetWindowsDirectoryA(buffer, sizeof buffer);
  if (length > 0 && length < sizeof buffer) windows = buffer;
  if (equalsIgnoringCase(name, "windir") || equalsIgnoringCase(name, "SystemRoot")) return windows;
  if (equalsIgnoringCase(name, "ComSpec")) return windows + "\\system32\\cmd.exe";
  if (equalsIgnoringCase(name, "CD")) return machine_.files().currentDirectory();
  if (equalsIgnoringCase(name, "ERRORLEVEL")) return std::to_string(errorLevel_);
  return {};
}

// Variables are expanded before anything else reads the line. In a batch
// file "%%" is one "%", "%0" the script, "%1".."%9" and "%*" are empty (the
// script is started without arguments), an unknown variable is empty and a
// "%" without a partner disappears; on a command line both stay as typed.
std::string BatchInterpreter::expandPercents(const std::string& line, bool inBatch) const {
  std::string out;
  for (std::size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c != '%') {
      out += c;
      continue;
    }
    const char next = i + 1 < line.size() ? line[i + 1] : '\0';
    if (inBatch && next == '%') {
      out += '%';
      ++i;
    } else if (inBatch && next >= '0' && next <= '9') {
      if (next == '0') out += scriptPath_;
      ++i;
    } else if (inBatch && next == '*') {
      ++i;
    } else {
      std::size_t close = line.find('%', i + 1);
      if (close == std::string::npos) {
        if (!inBatch) out += c;
        continue;
      }
      const std::string name = line.substr(i + 1, close - i - 1);
      const std::string value = variable(name);
      if (!inBatch && value.empty() && !equalsIgnoringCase(name, "ERRORLEVEL")) {
        out += line.substr(i, close - i + 1);
      } else {
        out += value;
      }
      i = close;
    }
  }
  return out;
}

// Splits a line into commands joined by "&", "&&", "||" and "|", and takes
// each command's redirections out of its text. Inside double quotes and for
// the second byte of a double-byte character nothing is an operator; "^"
// makes the next character plain text. The blank before a redirection stays
// in the text, as cmd leaves it.
bool BatchInterpreter::parseLine(const std::string& line, std::vector<Command>* commands) {
  Command current;
  bool quoted = false;
  const std::size_t n = line.size();
  std::size_t i = 0;
  auto takeCharacter = [&](std::string& to) {
    if (win::isLeadByte(static_cast<unsigned char>(line[i])) && i + 1 < n) {
      to.append(line, i, 2);
      i += 2;
    } else {
      to += line[i++];
    }
  };
  while (i < n) {
    const char c = line[i];
    if (win::isLeadByte(static_cast<unsigned char>(c)) || quoted) {
      if (c == '"') quoted = false;
      takeCharacter(current.text);
      continue;
    }
    if (c == '"') {
      quoted = true;
      current.text += line[i++];
    } else if (c == '^') {
      ++i;
      if (i < n) takeCharacter(current.text);
    } else if (c == '&' || c == '|') {
      const bool doubled = i + 1 < n && line[i + 1] == c;
      current.join = c == '&' ? (doubled ? Command::OnSuccess : Command::Always)
                              : (doubled ? Command::OnFailure : Command::Pipe);
      i += doubled ? 2 : 1;
      commands->push_back(std::move(current));
      current = Command();
    } else if (c == '>' || c == '<') {
      Redirect redirect;
      redirect.handle = c == '<' ? 0 : 1;
      // A single digit standing alone before the operator names the handle.
      const std::string& text = current.text;
      if (!text.empty() && std::isdigit(static_cast<unsigned char>(text.back())) &&
          (text.size() == 1 || isBlank(text[text.size() - 2]))) {
        redirect.handle = text.back() - '0';
        current.text.pop_back();
      }
      ++i;
      if (c == '>' && i < n && line[i] == '>') {
        redirect.append = true;
        ++i;
      }
      if (i + 1 < n && line[i] == '&' && std::isdigit(static_cast<unsigned char>(line[i + 1]))) {
        redirect.duplicateOf = line[i + 1] - '0';
        i += 2;
      } else {
        while (i < n && isBlank(line[i])) ++i;
        bool fileQuoted = false;
        while (i < n) {
          const char f = line[i];
          if (win::isLeadByte(static_cast<unsigned char>(f))) {
            takeCharacter(redirect.file);
          } else if (f == '"') {
            fileQuoted = !fileQuoted;
            ++i;
          } else if (!fileQuoted && (isBlank(f) || std::strchr("&|<>", f) != nullptr)) {
            break;
          } else if (!fileQuoted && f == '^' && i + 1 < n) {
            ++i;
            takeCharacter(redirect.file);
          } else {
            redirect.file += line[i++];
          }
        }
        if (redirect.file.empty()) return false;
      }
      current.redirects.push_back(std::move(redirect));
    } else {
      current.text += line[i++];
    }
  }
  commands->push_back(std::move(current));
  return true;
}

void BatchInterpreter::executeLine(const std::string& rawLine, bool inBatch) {
  std::string line = expandPercents(rawLine, inBatch);
  std::size_t start = 0;
  while (start < line.size() && isBlank(line[start])) ++start;
  bool silent = !inBatch;
  while (start < line.size() && line[start] == '@') {
    silent = true;
    ++start;
    while (start < line.size() && isBlank(line[start])) ++start;
  }
  line = line.substr(start);
  if (trimBlanks(line).empty() || line[0] == ':') return;  // blank line or label

  if (echo_ && !silent)
    write("\n" + machine_.files().currentDirectory() + ">" + line + "\n", false);

  // "rem" ends the line before any operator or redirection is looked at.
  std::size_t wordEnd = 0;
  while (wordEnd < line.size() && !isBlank(line[wordEnd])) ++wordEnd;
  if (equalsIgnoringCase(line.substr(0, wordEnd), "rem")) return;

  std::vector<Command> commands;
  if (!parseLine(line, &commands)) {
    write(message(cmd_text::kSyntaxError), true);
    errorLevel_ = 1;
    return;
  }
  bool run = true;
  for (std::size_t k = 0; k < commands.size() && !exitRequested_ && !exitProcess_; ++k) {
    if (run) {
      Command command = commands[k];
      // A pipe's reader here takes no input, so what the writer prints is
      // consumed by the pipe and shows nowhere.
      if (command.join == Command::Pipe) {
        Redirect toNowhere;
        toNowhere.file = "NUL";
        command.redirects.push_back(toNowhere);
      }
      errorLevel_ = runCommand(command);
    }
    switch (commands[k].join) {
      case Command::OnSuccess:
        run = run && errorLevel_ == 0;
        break;
      case Command::OnFailure:
        run = !run || errorLevel_ != 0;
        break;
      default:
        run = true;
        break;
    }
  }
}

int BatchInterpreter::runCommand(const Command& command) {
  // Where each handle goes: null means the console; "NUL" discards.
  struct Target {
    std::shared_ptr<win::TextFile> file;
    bool discard = false;
  };
  Target targets[3];
  for (const Redirect& redirect : command.redirects) {
    if (redirect.handle < 0 || redirect.handle > 2) continue;
    if (redirect.duplicateOf >= 0) {
      if (redirect.duplicateOf <= 2) targets[redirect.handle] = targets[redirect.duplicateOf];
      continue;
    }
    if (equalsIgnoringCase(redirect.file, "NUL")) {
      targets[redirect.handle] = Target{nullptr, true};
      continue;
    }
    if (redirect.handle == 0) {
      if (!machine_.files().exists(redirect.file)) {
        write(message(cmd_text::kFileNotFound), true);
        return 1;
      }
      continue;
    }
    // The file is opened (and with ">" emptied) before the command runs; a
    // file that cannot be opened keeps the command from running at all.
    std::shared_ptr<win::TextFile> file = machine_.files().openText(
        redirect.file, redirect.append ? win::TextMode::Append : win::TextMode::Write);
    if (!file) {
      write(message(cmd_text::kPathNotFound), true);
      return 1;
    }
    targets[redirect.handle] = Target{std::move(file), false};
  }

  std::string out;
  std::string err;
  int level = runSimple(command.text, &out, &err);
  auto deliver = [&](const std::string& text, const Target& target, bool isErr) {
    if (target.discard) return;
    if (target.file)
      (void)target.file->write(text);  // output that cannot be written is lost
    else
      write(text, isErr);
  };
  deliver(out, targets[1], false);
  deliver(err, targets[2], true);
  for (Target& target : targets)
    if (target.file) target.file.reset();  // the last holder closes the file
  return level;
}

int BatchInterpreter::runSimple(const std::string& text, std::string* out, std::string* err) {
  std::size_t start = 0;
  while (start < text.size() && isBlank(text[start])) ++start;
  if (start >= text.size()) return errorLevel_;

  // The command word: quoted, or up to a blank.
  std::string word;
  std::size_t rest = start;
  if (text[start] == '"') {
    std::size_t close = text.find('"', start + 1);
    word =
        text.substr(start + 1, close == std::string::npos ? std::string::npos : close - start - 1);
    rest = close == std::string::npos ? text.size() : close + 1;
  } else {
    while (rest < text.size() && !isBlank(text[rest])) {
      rest += win::isLeadByte(static_cast<unsigned char>(text[rest])) && rest + 1 < text.size()
                  ? 2u
                  : 1u;
    }
    word = text.substr(start, rest - start);
  }

  if (word.size() >= 4 && equalsIgnoringCase(word.substr(0, 4), "echo") &&
      (word.size() == 4 || isEchoDelimiter(word[4]))) {
    const std::string after = text.substr(start + 4);
    const std::string body = after.empty() ? std::string() : after.substr(1);
    if (after.empty() || (isBlank(after[0]) && trimBlanks(body).empty())) {
      *out += message(cmd_text::kEchoState, echo_ ? "ON" : "OFF");
    } else if (isBlank(after[0]) && equalsIgnoringCase(trimBlanks(body), "off")) {
      echo_ = false;
    } else if (isBlank(after[0]) && equalsIgnoringCase(trimBlanks(body), "on")) {
      echo_ = true;
    } else {
      *out += body + "\n";
    }
    return 0;
  }
  if (equalsIgnoringCase(word, "rem") || equalsIgnoringCase(word, "cls")) return 0;
  if (equalsIgnoringCase(word, "exit")) {
    std::string argument = trimBlanks(text.substr(rest));
    const bool batchOnly = argument.size() >= 2 && equalsIgnoringCase(argument.substr(0, 2), "/b");
    if (batchOnly) argument = trimBlanks(argument.substr(2));
    // "exit /b" ends the batch file, "exit" the interpreter.
    if (!batchOnly) exitProcess_ = true;
    exitRequested_ = true;
    return argument.empty() ? errorLevel_ : std::atoi(argument.c_str());
  }
  if (equalsIgnoringCase(word, "netsh") || equalsIgnoringCase(word, "netsh.exe")) {
    NetshResult result = RunNetsh(machine_, SplitCommandLine(text.substr(rest)));
    *out += result.output;
    return result.exitCode;
  }
  if ((endsWithIgnoringCase(word, ".bat") || endsWithIgnoringCase(word, ".cmd")) &&
      machine_.files().exists(word)) {
    // Starting a batch file from a batch file hands control over to it.
    const bool fromBatch = depth_ > 0;
    int level = runBatchFile(word);
    exitRequested_ = fromBatch || exitProcess_;
    return level;
  }
  *err += message(cmd_text::kNotRecognized, word);
  return kNotRecognizedLevel;
}

int BatchInterpreter::runCommandLine(const std::string& line) {
  exitRequested_ = false;
  exitProcess_ = false;
  executeLine(line, false);
  return errorLevel_;
}

int BatchInterpreter::runBatchFile(const std::string& path) {
  auto file = machine_.files().openText(path, win::TextMode::Read);
  if (!file) {
    write(message(cmd_text::kNotRecognized, path), true);
    errorLevel_ = kNotRecognizedLevel;
    return errorLevel_;
  }
  std::string text;
  std::string piece;
  while (file->readLine(piece, 8192)) text += piece;
  (void)file->close();  // only read: nothing is lost
  return runBatchText(text, path);
}

int BatchInterpreter::runBatchText(std::string_view text, const std::string& scriptPath) {
  if (depth_ >= kMaxBatchDepth) {
    write("****** B A T C H   R E C U R S I O N  exceeds STACK limits ******\n", true);
    exitRequested_ = true;
    return errorLevel_;
  }
  // A batch file started from the command line begins with echo on and
  // leaves the command line's state as it was; one started from a batch
  // file carries on with the state it finds.
  const std::string outerPath = scriptPath_;
  const bool outerEcho = echo_;
  scriptPath_ = scriptPath;
  if (depth_ == 0) echo_ = true;
  exitRequested_ = false;
  ++depth_;
  std::size_t pos = 0;
  while (pos < text.size() && !exitRequested_ && !exitProcess_) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string line;
    for (char c : text.substr(pos, end - pos))
      if (c != '\r') line += c;
    pos = end + 1;
    if (line.size() > kMaxLineLength) {
      write(message(cmd_text::kLineTooLong), true);
      errorLevel_ = 1;
      break;
    }
    executeLine(line, true);
  }
  --depth_;
  scriptPath_ = outerPath;
  if (depth_ == 0) echo_ = outerEcho;
  return errorLevel_;
}

}  // namespace machinetool
