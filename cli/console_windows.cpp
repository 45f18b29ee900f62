// The terminal on Windows. Output to a pipe or a file is UTF-8, the same
// bytes as on Linux (the C streams in binary mode, so "\n" stays "\n");
// output to a console goes through WriteConsoleW as Unicode, so Japanese
// text shows whatever the console's code page. The answer to a question is
// read from the console (CONIN$) with ReadConsoleW, and only when standard
// input is a console, as Linux asks only on a terminal. The arguments come
// from the wide command line, so a title the ANSI code page lacks still
// arrives as typed (and is then refused as the Linux build refuses it).
//
// Only windows.h and the standard headers here: the platform layer's own
// names are kept away from windows.h's macros.
#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "cli/console.h"

namespace cli::console {

namespace {

std::wstring wideFromUtf8(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
  if (size <= 0) return {};
  std::wstring wide(std::size_t(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), size);
  return wide;
}

std::string utf8FromWide(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string utf8(std::size_t(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), utf8.data(), size, nullptr,
                      nullptr);
  return utf8;
}

// A console, not a pipe, a file or the NUL device (which is a character
// device too, but has no console mode).
bool isConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
         GetFileType(handle) == FILE_TYPE_CHAR && GetConsoleMode(handle, &mode) != 0;
}

struct Stream {
  std::FILE* file;
  DWORD handleId;
  bool checked = false;
  bool console = false;
};

Stream outStream{stdout, STD_OUTPUT_HANDLE};
Stream errStream{stderr, STD_ERROR_HANDLE};

// Decides once per stream; a redirected stream is switched to binary mode
// before anything is written to it.
bool toConsole(Stream& stream) {
  if (!stream.checked) {
    stream.checked = true;
    stream.console = isConsole(GetStdHandle(stream.handleId));
    // A program started without standard streams has no descriptor to set.
    const int descriptor = _fileno(stream.file);
    if (!stream.console && descriptor >= 0) _setmode(descriptor, _O_BINARY);
  }
  return stream.console;
}

bool writeConsole(HANDLE handle, std::string_view utf8) {
  const std::wstring wide = wideFromUtf8(utf8);
  if (wide.empty()) return utf8.empty();
  // Older consoles refuse very large writes; a chunk never ends between the
  // two halves of a surrogate pair.
  constexpr std::size_t kChunk = 8192;
  std::size_t done = 0;
  while (done < wide.size()) {
    std::size_t count = std::min(kChunk, wide.size() - done);
    if (done + count < wide.size() && count > 1 && wide[done + count - 1] >= 0xD800 &&
        wide[done + count - 1] <= 0xDBFF)
      --count;
    DWORD written = 0;
    if (!WriteConsoleW(handle, wide.data() + done, DWORD(count), &written, nullptr) || written == 0)
      return false;
    done += written;
  }
  return true;
}

bool write(Stream& stream, std::string_view utf8) {
  if (toConsole(stream)) {
    std::fflush(stream.file);
    return writeConsole(GetStdHandle(stream.handleId), utf8);
  }
  return std::fwrite(utf8.data(), 1, utf8.size(), stream.file) == utf8.size();
}

}  // namespace

std::vector<std::string> arguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
  std::vector<std::string> result;
  for (int i = 1; i < count; ++i) result.push_back(utf8FromWide(wide[i]));
  LocalFree(wide);
  return result;
}

bool writeOut(std::string_view utf8) {
  return write(outStream, utf8);
}

bool writeErr(std::string_view utf8) {
  const bool written = write(errStream, utf8);
  return std::fflush(stderr) == 0 && written;
}

bool flushOut() {
  return std::fflush(stdout) == 0;
}

bool canAsk() {
  return isConsole(GetStdHandle(STD_INPUT_HANDLE));
}

std::optional<std::string> readLine() {
  HANDLE input =
      CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (input == INVALID_HANDLE_VALUE) return std::nullopt;
  std::wstring line;
  bool ended = false;
  while (!ended) {
    wchar_t buffer[256];
    DWORD read = 0;
    if (!ReadConsoleW(input, buffer, DWORD(std::size(buffer)), &read, nullptr) || read == 0) break;
    for (DWORD i = 0; i < read && !ended; ++i) {
      if (buffer[i] == L'\n')
        ended = true;
      else
        line += buffer[i];
    }
  }
  CloseHandle(input);
  // Ctrl+Z at the start of a line is the console's end of input.
  if (!ended && line.empty()) return std::nullopt;
  if (!line.empty() && line.front() == L'\x1A') return std::nullopt;
  if (!line.empty() && line.back() == L'\r') line.pop_back();
  return utf8FromWide(line);
}

}  // namespace cli::console

#endif  // _WIN32
