// The work files of the last switch as the result and script viewers show
// them: the result file with its line markers stripped, the script as its
// numbered netsh commands. Text is ANSI.
#pragma once

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/machine.h"

namespace switching {

// The lines of a text file as the viewers read them: pieces of at most 255
// characters, each without its line break, and no empty lines. Empty when
// the file cannot be opened.
std::vector<std::string> ReadViewerLines(win::Files& files, const std::string& path);

// Result file lines for display: the start ("s"), end ("e") and header
// ("=") markers, and a leading digit, are dropped; netsh's own lines stay.
std::vector<std::string> ResultViewerLines(const std::vector<std::string>& lines);
// Script lines for display: the echo lines are left out, every other line
// loses its redirection into the result file (the first ">" outside quotes)
// and is numbered "%2d> ".
std::vector<std::string> ScriptViewerLines(const std::vector<std::string>& lines);

// The two viewers' texts, read from the Windows directory of `machine`.
std::vector<std::string> ReadResultViewerLines(win::Machine& machine);
std::vector<std::string> ReadScriptViewerLines(win::Machine& machine);

}  // namespace switching
