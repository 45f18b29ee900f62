// The registry access layer. Every function opens its keys, does
// one job and closes them again on every path; the fixed buffer sizes are the
// limits callers observe, so a value that does not fit fails to read instead
// of being cut or overrunning the buffer. Nothing here shows a box: what the
// user is told of a failure is the caller's (registry_reports.h).
#include "store/registry_access.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "platform/code_page.h"
#include "store/open_key.h"

namespace store {

namespace {

using win::BYTE;
using win::DWORD;
using win::HKEY;
using win::LONG;

// The tree copy reads values into a buffer of the largest value, at least
// this size, plus kValueBufferSlack bytes.
constexpr std::size_t kMinimumCopyBuffer = 4096;
constexpr std::size_t kValueBufferSlack = 64;

// Reads a value into a buffer of `bufferSize` bytes. A value that does not
// fit fails (ERROR_MORE_DATA), as it does for the program's fixed buffers.
LONG queryIntoBuffer(win::Registry& registry, HKEY key, const std::string& name,
                     std::size_t bufferSize, DWORD& type, std::string& bytes) {
  // One spare byte so the buffer pointer is never null: a null buffer would
  // turn the read into a size query.
  std::vector<BYTE> buffer(bufferSize + 1);
  DWORD size = DWORD(std::min<std::size_t>(bufferSize, std::numeric_limits<DWORD>::max()));
  type = REG_NONE;
  LONG result = registry.RegQueryValueExA(key, name.c_str(), nullptr, &type, buffer.data(), &size);
  if (result != ERROR_SUCCESS) return result;
  // Never trust the reported size beyond what the buffer holds.
  size = DWORD(std::min<std::size_t>(size, bufferSize));
  bytes.assign(reinterpret_cast<const char*>(buffer.data()), size);
  return ERROR_SUCCESS;
}

// Little-endian DWORD from up to 4 stored bytes; a shorter value is
// zero-extended so that no byte of the result is left from before.
DWORD dwordFromBytes(const std::string& bytes) {
  DWORD value = 0;
  for (std::size_t i = 0; i < bytes.size() && i < 4; ++i)
    value |= DWORD(static_cast<unsigned char>(bytes[i])) << (8 * i);
  return value;
}

std::string bytesFromDword(DWORD value) {
  std::string bytes(4, '\0');
  for (std::size_t i = 0; i < 4; ++i) bytes[i] = char((value >> (8 * i)) & 0xFF);
  return bytes;
}

// Opens an existing key for full access and stores one value in it; the key
// is never created here.
int writeValue(const Context& ctx, HKEY hive, const std::string& path, const std::string& name,
               DWORD type, const BYTE* data, DWORD size) {
  OpenKey key(ctx.registry());
  if (key.open(hive, path, KEY_ALL_ACCESS) != ERROR_SUCCESS) return 1;
  if (ctx.registry().RegSetValueExA(key.get(), name.c_str(), 0, type, data, size) != ERROR_SUCCESS)
    return 1;
  return 0;
}

}  // namespace

int QueryStringValue(win::Registry& registry, HKEY key, const std::string& name,
                     std::string& text) {
  text.clear();
  DWORD type = 0;
  std::string bytes;
  if (queryIntoBuffer(registry, key, name, kValueBufferSize, type, bytes) != ERROR_SUCCESS)
    return 1;
  // The text ends at the first NUL or at the end of the stored bytes: a value
  // stored without its NUL (or filling all 256 bytes) is read no further.
  text = bytes.substr(0, bytes.find('\0'));
  return 0;
}

int QueryDwordValue(win::Registry& registry, HKEY key, const std::string& name, DWORD& value) {
  DWORD type = 0;
  std::string bytes;
  if (queryIntoBuffer(registry, key, name, sizeof(DWORD), type, bytes) != ERROR_SUCCESS) return 1;
  value = dwordFromBytes(bytes);
  return 0;
}

int EnumerateSubkeyPaths(const Context& ctx, HKEY hive, const std::string& path,
                         std::vector<std::string>& paths, int& counter,
                         RegistryFailures& failures) {
  win::Registry& registry = ctx.registry();
  OpenKey key(registry);
  if (key.open(hive, path, KEY_READ) != ERROR_SUCCESS) return 0;

  LONG result = registry.RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                          nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  if (result != ERROR_SUCCESS) {
    failures.push_back({RegistryFailure::Kind::SubkeysUnlisted, path, result});
    return 0;
  }

  std::vector<char> name(kNameBufferSize);
  // Until the enumeration fails for any reason, no more items included. The
  // list grows with every entry, so no subkey count can overrun it.
  for (DWORD index = 0;; ++index) {
    if (registry.RegEnumKeyA(key.get(), index, name.data(), DWORD(name.size())) != ERROR_SUCCESS)
      break;
    paths.push_back(path + "\\" + std::string(name.data(), strnlen(name.data(), name.size())));
    ++counter;
  }
  return 0;
}

int ReadStringValue(const Context& ctx, HKEY hive, const std::string& path, const std::string& name,
                    std::string& text) {
  text.clear();
  OpenKey key(ctx.registry());
  if (key.open(hive, path, KEY_READ) != ERROR_SUCCESS) return 1;
  return QueryStringValue(ctx.registry(), key.get(), name, text);
}

int ReadRawValue(const Context& ctx, HKEY hive, const std::string& path, const std::string& name,
                 std::string& bytes, DWORD& length, int bufferSize) {
  bytes.clear();
  length = 0;
  OpenKey key(ctx.registry());
  if (key.open(hive, path, KEY_READ) != ERROR_SUCCESS) return 1;
  DWORD type = 0;
  std::string data;
  if (queryIntoBuffer(ctx.registry(), key.get(), name, std::size_t(std::max(bufferSize, 0)), type,
                      data) != ERROR_SUCCESS)
    return 1;
  bytes = data;
  // Length 0 tells callers "one plain text": a REG_SZ, or a REG_MULTI_SZ that
  // is a lone NUL (an empty list).
  if (type == REG_SZ || (type == REG_MULTI_SZ && data.size() == 1))
    length = 0;
  else
    length = DWORD(data.size());
  return 0;
}

int ReadDwordValue(const Context& ctx, HKEY hive, const std::string& path, const std::string& name,
                   DWORD& value) {
  OpenKey key(ctx.registry());
  if (key.open(hive, path, KEY_READ) != ERROR_SUCCESS) return 1;
  return QueryDwordValue(ctx.registry(), key.get(), name, value);
}

int WriteStringValue(const Context& ctx, HKEY hive, const std::string& path,
                     const std::string& name, const std::string& text) {
  // The data size is the text's length without its NUL; the NUL itself is
  // not stored.
  std::size_t length = std::min(text.find('\0'), text.size());
  return writeValue(ctx, hive, path, name, REG_SZ, reinterpret_cast<const BYTE*>(text.data()),
                    DWORD(length));
}

int WriteMultiStringValue(const Context& ctx, HKEY hive, const std::string& path,
                          const std::string& name, const std::string& bytes) {
  return writeValue(ctx, hive, path, name, REG_MULTI_SZ,
                    reinterpret_cast<const BYTE*>(bytes.data()), DWORD(bytes.size()));
}

int WriteDwordValue(const Context& ctx, HKEY hive, const std::string& path, const std::string& name,
                    DWORD value) {
  std::string bytes = bytesFromDword(value);
  return writeValue(ctx, hive, path, name, REG_DWORD, reinterpret_cast<const BYTE*>(bytes.data()),
                    DWORD(bytes.size()));
}

int CopyStringValue(const Context& ctx, HKEY sourceHive, const std::string& sourcePath,
                    const std::string& name, HKEY destinationHive,
                    const std::string& destinationPath) {
  std::string text;
  if (ReadStringValue(ctx, sourceHive, sourcePath, name, text) != 0) return 1;
  return WriteStringValue(ctx, destinationHive, destinationPath, name, text);
}

int CopyDwordValue(const Context& ctx, HKEY sourceHive, const std::string& sourcePath,
                   const std::string& name, HKEY destinationHive,
                   const std::string& destinationPath) {
  DWORD value = 0;
  if (ReadDwordValue(ctx, sourceHive, sourcePath, name, value) != 0) return 1;
  return WriteDwordValue(ctx, destinationHive, destinationPath, name, value);
}

namespace {

// Why a key could not be created that no copy can overcome: Windows refuses
// keys more than 512 levels deep and names it cannot store.
bool isUncreatableKey(LONG result) {
  return result == ERROR_INVALID_PARAMETER || result == ERROR_BADKEY;
}

// One value as a tree copy reads it.
struct KeyValue {
  std::string name;
  DWORD type = 0;
  std::string data;
};

// Reads every readable value of an open key, in the key's order, each with
// one enumeration call. 0 when the key was listed, -1 when its information
// cannot be queried, 1 when no buffer can be had; with `failures` both are
// recorded. `complete` says whether every value the key reports was read.
int readValues(const Context& ctx, HKEY key, const std::string& path, RegistryFailures* failures,
               std::vector<KeyValue>& values, bool* complete = nullptr) {
  win::Registry& registry = ctx.registry();
  values.clear();
  DWORD valueCount = 0;
  DWORD largestValue = 0;
  LONG result = registry.RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                          &valueCount, nullptr, &largestValue, nullptr, nullptr);
  if (result != ERROR_SUCCESS) {
    if (failures) failures->push_back({RegistryFailure::Kind::ValuesUnlisted, path, result});
    return -1;
  }

  // Sized in size_t so that a huge reported maximum cannot wrap around to a
  // small buffer; a read still never gets more than a DWORD can say.
  std::size_t bufferSize =
      std::max<std::size_t>(largestValue, kMinimumCopyBuffer) + kValueBufferSlack;
  std::unique_ptr<BYTE[]> buffer;
  if (valueCount > 0) {
    buffer.reset(new (std::nothrow) BYTE[bufferSize]);
    if (!buffer) {
      if (failures)
        failures->push_back({RegistryFailure::Kind::OutOfMemory, path, ERROR_NOT_ENOUGH_MEMORY});
      return 1;
    }
  }
  DWORD readSize = DWORD(std::min<std::size_t>(bufferSize, std::numeric_limits<DWORD>::max()));

  std::vector<char> name(kNameBufferSize);
  for (DWORD index = 0; index < valueCount; ++index) {
    name[0] = '\0';
    DWORD nameLength = DWORD(name.size());
    DWORD type = 0;
    DWORD size = readSize;
    // A value whose name or data cannot be read (a name longer than the
    // buffer, data grown since the count) is skipped like any other
    // unreadable value.
    if (registry.RegEnumValueA(key, index, name.data(), &nameLength, nullptr, &type, buffer.get(),
                               &size) != ERROR_SUCCESS)
      continue;
    size = std::min(size, readSize);
    values.push_back({std::string(name.data(), strnlen(name.data(), name.size())), type,
                      std::string(reinterpret_cast<const char*>(buffer.get()), size)});
  }
  if (complete) *complete = values.size() == valueCount;
  return 0;
}

LONG writeValue(win::Registry& registry, HKEY key, const KeyValue& value) {
  return registry.RegSetValueExA(key, value.name.c_str(), 0, value.type,
                                 reinterpret_cast<const BYTE*>(value.data.data()),
                                 DWORD(value.data.size()));
}

// Copies every readable value of one open key into another. 1 when a write
// fails (or no buffer can be had): the copy is then incomplete. -1 when the
// source's information cannot be queried, which is recorded.
int copyValues(const Context& ctx, HKEY source, HKEY destination, const std::string& sourcePath,
               RegistryFailures& failures) {
  std::vector<KeyValue> values;
  if (int listed = readValues(ctx, source, sourcePath, &failures, values)) return listed;
  for (const KeyValue& value : values)
    if (writeValue(ctx.registry(), destination, value) != ERROR_SUCCESS) return 1;
  return 0;
}

int copyTree(const Context& ctx, HKEY sourceHive, const std::string& sourcePath,
             HKEY destinationHive, const std::string& destinationPath,
             std::vector<std::string>* leftOut, RegistryFailures& failures) {
  win::Registry& registry = ctx.registry();

  // A missing source is normal (an adapter without a Connection key): nothing
  // is copied and nothing is created.
  OpenKey source(registry);
  if (source.open(sourceHive, sourcePath, KEY_READ) != ERROR_SUCCESS) return 0;
  OpenKey destination(registry);
  LONG created = destination.create(destinationHive, destinationPath);
  if (created != ERROR_SUCCESS) {
    if (leftOut && isUncreatableKey(created)) {
      leftOut->push_back(sourcePath);
      return 0;
    }
    return 1;
  }

  // A key that cannot be enumerated is recorded; the copy goes on without it
  // and what is below it.
  int values = copyValues(ctx, source.get(), destination.get(), sourcePath, failures);
  if (values != 0) return values > 0 ? 1 : 0;

  std::vector<char> name(kNameBufferSize);
  for (DWORD index = 0;; ++index) {
    if (registry.RegEnumKeyA(source.get(), index, name.data(), DWORD(name.size())) != ERROR_SUCCESS)
      break;
    std::string subkey(name.data(), strnlen(name.data(), name.size()));
    if (copyTree(ctx, sourceHive, sourcePath + "\\" + subkey, destinationHive,
                 destinationPath + "\\" + subkey, leftOut, failures) != 0)
      return 1;
  }
  return 0;
}

// The names of an open key's subkeys, as far as they can be listed, and,
// when asked, whether that is as many as the key reports.
std::vector<std::string> subkeyNames(win::Registry& registry, HKEY key, bool* complete = nullptr) {
  std::vector<std::string> names;
  std::vector<char> name(kNameBufferSize);
  for (DWORD index = 0;; ++index) {
    if (registry.RegEnumKeyA(key, index, name.data(), DWORD(name.size())) != ERROR_SUCCESS) break;
    names.emplace_back(name.data(), strnlen(name.data(), name.size()));
  }
  if (!complete) return names;
  DWORD count = 0;
  *complete =
      registry.RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                                nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
      count == names.size();
  return names;
}

bool contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

bool sameNames(const std::vector<KeyValue>& a, const std::vector<KeyValue>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const KeyValue& x, const KeyValue& y) { return x.name == y.name; });
}

// Brings the destination to what deleting it and copying the source would
// make of it, writing only where the two differ: the values of a key are
// rewritten in the source's order unless only their data differs, and a
// subkey is deleted, copied afresh or brought up to date in turn. Whatever
// of the destination cannot be read whole is replaced whole.
int syncTree(const Context& ctx, HKEY sourceHive, const std::string& sourcePath,
             HKEY destinationHive, const std::string& destinationPath,
             std::vector<std::string>* leftOut, RegistryFailures& failures) {
  win::Registry& registry = ctx.registry();
  auto replace = [&] {
    if (DeleteKeyTree(ctx, destinationHive, destinationPath, failures) != 0) return 1;
    return copyTree(ctx, sourceHive, sourcePath, destinationHive, destinationPath, leftOut,
                    failures);
  };
  OpenKey source(registry);
  if (source.open(sourceHive, sourcePath, KEY_READ) != ERROR_SUCCESS) return replace();
  OpenKey destination(registry);
  if (destination.open(destinationHive, destinationPath, KEY_ALL_ACCESS) != ERROR_SUCCESS)
    return replace();

  // A source that cannot be listed is copied as the copy copies it, which
  // also records why.
  std::vector<KeyValue> wanted;
  std::vector<KeyValue> held;
  bool heldWhole = false;
  bool heldKeysWhole = false;
  if (readValues(ctx, source.get(), sourcePath, nullptr, wanted) != 0 ||
      readValues(ctx, destination.get(), destinationPath, nullptr, held, &heldWhole) != 0 ||
      !heldWhole)
    return replace();
  const std::vector<std::string> heldKeys =
      subkeyNames(registry, destination.get(), &heldKeysWhole);
  if (!heldKeysWhole) return replace();

  if (sameNames(wanted, held)) {
    for (std::size_t i = 0; i < wanted.size(); ++i)
      if ((wanted[i].type != held[i].type || wanted[i].data != held[i].data) &&
          writeValue(registry, destination.get(), wanted[i]) != ERROR_SUCCESS)
        return 1;
  } else {
    for (const KeyValue& value : held)
      if (registry.RegDeleteValueA(destination.get(), value.name.c_str()) != ERROR_SUCCESS)
        return 1;
    for (const KeyValue& value : wanted)
      if (writeValue(registry, destination.get(), value) != ERROR_SUCCESS) return 1;
  }

  // What of the source can be listed is copied, as the copy does.
  const std::vector<std::string> wantedKeys = subkeyNames(registry, source.get());
  for (const std::string& name : heldKeys)
    if (!contains(wantedKeys, name) &&
        DeleteKeyTree(ctx, destinationHive, destinationPath + "\\" + name, failures) != 0)
      return 1;
  for (const std::string& name : wantedKeys) {
    const std::string from = sourcePath + "\\" + name;
    const std::string to = destinationPath + "\\" + name;
    int status = contains(heldKeys, name)
                     ? syncTree(ctx, sourceHive, from, destinationHive, to, leftOut, failures)
                     : copyTree(ctx, sourceHive, from, destinationHive, to, leftOut, failures);
    if (status != 0) return 1;
  }
  return 0;
}

}  // namespace

int SyncKeyTree(const Context& ctx, HKEY sourceHive, const std::string& sourcePath,
                HKEY destinationHive, const std::string& destinationPath,
                RegistryFailures& failures, std::vector<std::string>* leftOut) {
  win::RegistryBatch batch(ctx.registry());
  int synced =
      syncTree(ctx, sourceHive, sourcePath, destinationHive, destinationPath, leftOut, failures);
  if (batch.commit() != ERROR_SUCCESS) return 1;
  return synced;
}

int CopyKeyTree(const Context& ctx, HKEY sourceHive, const std::string& sourcePath,
                HKEY destinationHive, const std::string& destinationPath,
                RegistryFailures& failures, std::vector<std::string>* leftOut) {
  // One tree is hundreds of value writes: let the registry commit them
  // together. Each write still succeeds or fails on its own, and a batch
  // that cannot be kept makes the copy fail.
  win::RegistryBatch batch(ctx.registry());
  int copied =
      copyTree(ctx, sourceHive, sourcePath, destinationHive, destinationPath, leftOut, failures);
  if (batch.commit() != ERROR_SUCCESS) return 1;
  return copied;
}

int CopyKeyValues(const Context& ctx, HKEY sourceHive, const std::string& sourcePath,
                  HKEY destinationHive, const std::string& destinationPath,
                  RegistryFailures& failures) {
  OpenKey source(ctx.registry());
  if (source.open(sourceHive, sourcePath, KEY_READ) != ERROR_SUCCESS) return 1;
  OpenKey destination(ctx.registry());
  if (destination.create(destinationHive, destinationPath) != ERROR_SUCCESS) return 1;
  return copyValues(ctx, source.get(), destination.get(), sourcePath, failures) == 0 ? 0 : 1;
}

int DeleteKeyTree(const Context& ctx, HKEY hive, const std::string& path,
                  RegistryFailures& failures) {
  DWORD result = ctx.registry().SHDeleteKeyA(hive, path.c_str());
  // A tree that is not there is what the caller wanted.
  if (result == DWORD(ERROR_SUCCESS) || result == DWORD(ERROR_FILE_NOT_FOUND)) return 0;
  failures.push_back({RegistryFailure::Kind::TreeNotDeleted, path, LONG(result)});
  return 1;
}

}  // namespace store
