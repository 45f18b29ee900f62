// The terminal on Linux and the other POSIX systems: the bytes as they are
// (UTF-8), and a question only when standard input is a terminal.
#ifndef _WIN32

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "cli/console.h"

namespace cli::console {

namespace {

bool write(std::FILE* stream, std::string_view utf8) {
  return std::fwrite(utf8.data(), 1, utf8.size(), stream) == utf8.size();
}

}  // namespace

std::vector<std::string> arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

bool writeOut(std::string_view utf8) {
  return write(stdout, utf8);
}

bool writeErr(std::string_view utf8) {
  const bool written = write(stderr, utf8);
  return std::fflush(stderr) == 0 && written;
}

bool flushOut() {
  return std::fflush(stdout) == 0;
}

bool canAsk() {
  return ::isatty(STDIN_FILENO) != 0;
}

std::optional<std::string> readLine() {
  std::string line;
  if (!std::getline(std::cin, line)) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace cli::console

#endif  // !_WIN32
