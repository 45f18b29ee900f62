// Free functions over the registry through which the program reads the live
// settings, reads and writes its profile store and copies whole key trees.
// Each opens the key it needs, does one job, closes the key and returns 0 for
// success or 1 for failure; none keeps a key open between calls and none
// shows a message box. Where the user is to hear of a failure beyond the
// status, it is recorded in a RegistryFailures list, which the caller reports
// (registry_reports.h has the reporting forms of these calls). Text is ANSI.
#pragma once

#include <string>
#include <vector>

#include "store/context.h"

namespace store {

// Fixed buffer sizes that callers observe: a single value longer than 256
// bytes fails to read; names are read into 4096-byte buffers; multi-string
// images into 1024 bytes.
inline constexpr int kValueBufferSize = 256;
inline constexpr int kNameBufferSize = 4096;
inline constexpr int kMultiStringBufferSize = 1024;

// A failure the user is told of, in the order it happened.
struct RegistryFailure {
  enum class Kind {
    SubkeysUnlisted,  // a key's subkeys could not be listed: they are left out
    ValuesUnlisted,   // a key's values could not be listed: the copy went on without them
    OutOfMemory,      // no buffer for a key's values: the copy failed
    TreeNotDeleted,   // a key tree could not be deleted
  };
  Kind kind;
  std::string path;  // the key
  win::LONG error = 0;
};
using RegistryFailures = std::vector<RegistryFailure>;

// Appends "path\name" for every direct subkey in enumeration order; the list
// grows to hold them all. Always 0; a key whose subkeys cannot be counted is
// recorded and lists none.
[[nodiscard]] int EnumerateSubkeyPaths(const Context& ctx, win::HKEY hive, const std::string& path,
                                       std::vector<std::string>& paths, int& counter,
                                       RegistryFailures& failures);
[[nodiscard]] int ReadStringValue(const Context& ctx, win::HKEY hive, const std::string& path,
                                  const std::string& name, std::string& text);
// `length` is the stored byte count, except 0 for a REG_SZ value and for a
// one-byte REG_MULTI_SZ: callers read 0 as "one plain text" and any other
// length as a multi-string image of that many bytes. `bufferSize` is the
// caller's buffer; a longer value fails.
[[nodiscard]] int ReadRawValue(const Context& ctx, win::HKEY hive, const std::string& path,
                               const std::string& name, std::string& bytes, win::DWORD& length,
                               int bufferSize = kMultiStringBufferSize);
// On failure `value` keeps what it held, so a preset default survives.
[[nodiscard]] int ReadDwordValue(const Context& ctx, win::HKEY hive, const std::string& path,
                                 const std::string& name, win::DWORD& value);
[[nodiscard]] int WriteStringValue(const Context& ctx, win::HKEY hive, const std::string& path,
                                   const std::string& name, const std::string& text);
[[nodiscard]] int WriteMultiStringValue(const Context& ctx, win::HKEY hive, const std::string& path,
                                        const std::string& name, const std::string& bytes);
[[nodiscard]] int WriteDwordValue(const Context& ctx, win::HKEY hive, const std::string& path,
                                  const std::string& name, win::DWORD value);
[[nodiscard]] int CopyStringValue(const Context& ctx, win::HKEY sourceHive,
                                  const std::string& sourcePath, const std::string& name,
                                  win::HKEY destinationHive, const std::string& destinationPath);
[[nodiscard]] int CopyDwordValue(const Context& ctx, win::HKEY sourceHive,
                                 const std::string& sourcePath, const std::string& name,
                                 win::HKEY destinationHive, const std::string& destinationPath);
// Makes the destination hold every readable value and subkey of the source
// (what it held besides stays). 0 also for a missing source, which copies
// nothing, and for a key whose values cannot be listed, which is recorded and
// copied without them and what is below it; 1 when a key or value cannot be
// written. With `leftOut`, a subkey that Windows cannot create there at all
// (too deep, a name it refuses) is left out with its subtree, its source path
// appended, and the rest copied.
[[nodiscard]] int CopyKeyTree(const Context& ctx, win::HKEY sourceHive,
                              const std::string& sourcePath, win::HKEY destinationHive,
                              const std::string& destinationPath, RegistryFailures& failures,
                              std::vector<std::string>* leftOut = nullptr);
// Makes the destination what deleting it and copying the source with
// CopyKeyTree would make of it (a missing source leaves it deleted), but
// writes only what differs: capturing the same settings again changes
// nothing. Statuses, records and `leftOut` as CopyKeyTree's.
[[nodiscard]] int SyncKeyTree(const Context& ctx, win::HKEY sourceHive,
                              const std::string& sourcePath, win::HKEY destinationHive,
                              const std::string& destinationPath, RegistryFailures& failures,
                              std::vector<std::string>* leftOut = nullptr);
// The values of one key alone, into a destination created when missing; 1
// when the source cannot be opened or its values listed, or a write fails.
[[nodiscard]] int CopyKeyValues(const Context& ctx, win::HKEY sourceHive,
                                const std::string& sourcePath, win::HKEY destinationHive,
                                const std::string& destinationPath, RegistryFailures& failures);
// 0 when the tree is gone (or was never there); 1, recorded, when it could
// not be deleted.
[[nodiscard]] int DeleteKeyTree(const Context& ctx, win::HKEY hive, const std::string& path,
                                RegistryFailures& failures);

// The same single-value reads on a key the caller holds open (the profile
// store reads its slots relative to an open Setting key): the 256-byte text
// buffer and the 4-byte integer, with the same results as ReadStringValue and
// ReadDwordValue. A value shorter than 4 bytes reads zero-extended.
[[nodiscard]] int QueryStringValue(win::Registry& registry, win::HKEY key, const std::string& name,
                                   std::string& text);
[[nodiscard]] int QueryDwordValue(win::Registry& registry, win::HKEY key, const std::string& name,
                                  win::DWORD& value);

}  // namespace store
