#include "switching/work_file_text.h"

#include <cstdio>

#include "switching/switch_script.h"

namespace switching {

namespace {

// A line of at most 255 characters plus its NUL, as the files are read.
constexpr int kLineBuffer = 256;

// Where the redirection into the result file starts: the first ">" outside
// double quotes, as cmd reads it, so that a quoted connection name such as
// "R<>D" stays whole. Neither '>' nor '"' is ever the second byte of a
// double-byte character.
std::size_t redirection(const std::string& line) {
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == '>' && !quoted) return i;
  }
  return std::string::npos;
}

}  // namespace

std::vector<std::string> ReadViewerLines(win::Files& files, const std::string& path) {
  std::vector<std::string> lines;
  std::unique_ptr<win::TextFile> file = files.openText(path, win::TextMode::Read);
  if (!file) return lines;
  std::string line;
  while (file->readLine(line, kLineBuffer)) {
    // Only a line break is cut: the file's last line, or a piece of an
    // overlong line, keeps its last character.
    if (!line.empty() && line.back() == '\n') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  (void)file->close();  // only read: nothing is lost
  return lines;
}

std::vector<std::string> ResultViewerLines(const std::vector<std::string>& lines) {
  std::vector<std::string> shown;
  shown.reserve(lines.size());
  for (const std::string& line : lines) {
    const char first = line.front();
    const bool marked =
        first == '=' || first == 's' || first == 'e' || (first >= '0' && first <= '9');
    shown.push_back(marked ? line.substr(1) : line);
  }
  return shown;
}

std::vector<std::string> ScriptViewerLines(const std::vector<std::string>& lines) {
  std::vector<std::string> shown;
  int number = 1;
  for (const std::string& line : lines) {
    if (line.compare(0, 4, "echo") == 0) continue;
    const std::string command = line.substr(0, redirection(line));
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%2d> ", number++);
    shown.push_back(prefix + command);
  }
  return shown;
}

std::vector<std::string> ReadResultViewerLines(win::Machine& machine) {
  const WorkFiles files = WorkFilePaths(machine.system());
  return ResultViewerLines(ReadViewerLines(machine.files(), files.result));
}

std::vector<std::string> ReadScriptViewerLines(win::Machine& machine) {
  const WorkFiles files = WorkFilePaths(machine.system());
  return ScriptViewerLines(ReadViewerLines(machine.files(), files.script));
}

}  // namespace switching
