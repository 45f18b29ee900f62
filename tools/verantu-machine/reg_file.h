// Regedit's .reg files: reading them into a list of operations, applying the
// list to the emulated registry in one transaction, and writing key trees
// back out.
//
// The registry holds ANSI (code page 932) bytes, since the program uses only
// the A calls. "REGEDIT4" files carry those bytes as they are. In "Windows
// Registry Editor Version 5.00" files names and "…" strings are Unicode text
// and text-typed data (hex(1), hex(2), hex(7)) is UTF-16LE, as regedit writes
// them; both are converted to and from ANSI here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace emu {
class EmulatedRegistry;
}

namespace regfile {

enum class Format {
  Regedit4,  // "REGEDIT4", ANSI bytes
  Unicode,   // "Windows Registry Editor Version 5.00"
};

struct Operation {
  enum Kind { CreateKey, DeleteKey, SetValue, DeleteValue };
  Kind kind = CreateKey;
  win::HKEY hive = nullptr;
  std::string path;  // ANSI, below the hive; empty for the hive itself
  std::string name;  // ANSI value name; empty for the default value "@"
  win::DWORD type = 0;
  std::string data;  // ANSI bytes as the registry stores them
  int line = 0;      // 1-based line of the file it came from
};

struct ParseError {
  int line = 0;
  std::string message;  // UTF-8
};

// Reads a whole .reg file. On failure `error` names the first bad line and
// `operations` is left empty.
bool parse(std::string_view bytes, std::vector<Operation>* operations, ParseError* error,
           Format* format = nullptr);

// Applies the operations inside one registry transaction: all or nothing.
// `error` (UTF-8) starts with the line number of the operation that failed.
bool apply(emu::EmulatedRegistry& registry, const std::vector<Operation>& operations,
           std::string* error);

// parse + apply. `error` is "LINE: what" (UTF-8).
bool importBytes(emu::EmulatedRegistry& registry, std::string_view bytes, std::string* error);

// A key to export: a hive and a path below it (ANSI; empty for the whole hive).
struct KeyRef {
  win::HKEY hive = nullptr;
  std::string path;
};

// "HKEY_LOCAL_MACHINE\Software\Q" (ANSI) to a KeyRef; false for another hive.
bool parseKeyName(std::string_view name, KeyRef* key, std::string* error);
const char* hiveName(win::HKEY hive);

struct ExportOptions {
  Format format = Format::Unicode;
  bool utf8 = false;  // Unicode format only: UTF-8 without BOM instead of UTF-16LE with BOM
};

// Writes each key tree (values in enumeration order, subkeys depth-first in
// enumeration order) as one file. Fails with a message naming the key and
// value when something cannot be written exactly in the chosen format, or a
// key is missing.
bool exportKeys(win::Registry& registry, const std::vector<KeyRef>& roots,
                const ExportOptions& options, std::string* out, std::string* error);

}  // namespace regfile
