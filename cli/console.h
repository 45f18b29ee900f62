// Where verantu-cli meets its terminal: the arguments it was given, its two
// output streams and the question it may ask. Everything here is UTF-8; the
// program's own texts are code page 932 and are converted before they get
// here. One implementation per system: console_posix.cpp writes and reads
// the bytes as they are; console_windows.cpp writes UTF-8 to a pipe or file
// and Unicode through the console API to a console, and reads the answer
// from the console.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cli::console {

// The arguments after the program's name. On Windows they are taken from
// the wide command line, whatever the system's code page.
std::vector<std::string> arguments(int argc, char** argv);

// Writes the text to standard output or standard error as it is (no line
// end is added). False when it could not be written. Standard error is
// written at once; standard output is flushed by flushOut and at exit.
bool writeOut(std::string_view utf8);
bool writeErr(std::string_view utf8);
bool flushOut();

// Whether someone can be asked: standard input is a terminal (a console on
// Windows).
bool canAsk();
// The next line typed, without its line end; nothing at the end of input
// or when it cannot be read.
std::optional<std::string> readLine();

}  // namespace cli::console
