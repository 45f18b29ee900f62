// A registry decorator for tests: it passes every call on to a real registry,
// records what was called on which key, and makes chosen calls fail with a
// chosen Win32 code. Code under test reaches it through FaultyMachine, so the
// failure paths (a key whose information cannot be queried, a value write that
// fails, an undeletable key) can be provoked on an otherwise real machine.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/machine.h"
#include "platform/registry.h"

namespace testing_support {

class FaultyRegistry : public win::Registry {
 public:
  // One registry call as the decorator saw it; `path` is the key's path
  // below its hive ("HKLM\Software\X"), `name` a value or subkey name.
  struct Call {
    std::string op;  // open, create, info, enumkey, enumvalue, query, set, delete, close, shdelete
    std::string path;
    std::string name;
    win::DWORD number = 0;  // access rights for open/create, offered buffer size for query
  };

  explicit FaultyRegistry(win::Registry& inner) : inner_(inner) {}

  // Faults. Paths are "HKLM\..." or "HKCU\..." and compare case-insensitively
  // (ASCII); an empty value name in failSet/failQuery matches the default value.
  void failOpen(const std::string& path, win::LONG code) { openFaults_[fold(path)] = code; }
  void failQueryInfo(const std::string& path, win::LONG code) { infoFaults_[fold(path)] = code; }
  void failQuery(const std::string& path, const std::string& name, win::LONG code) {
    queryFaults_[fold(path) + "|" + fold(name)] = code;
  }
  void failSet(const std::string& path, const std::string& name, win::LONG code) {
    setFaults_[fold(path) + "|" + fold(name)] = code;
  }
  void failShDelete(win::DWORD code) { shDeleteFault_ = code; }
  // The `n`th change from now on (1 the next; a set, create, delete, key
  // deletion or tree deletion) fails with `code`, or, when `abort` is set,
  // throws WriteAborted instead, as if the process ended right there.
  struct WriteAborted {};
  void failWriteAt(int n, win::LONG code, bool abort = false) {
    restart();
    writesUntilFault_ = n;
    writeFault_ = code;
    abortAtFault_ = abort;
  }
  // A new process after an abort: the registry takes writes again.
  void restart() {
    aborted_ = false;
    writesUntilFault_ = 0;
  }
  // Changes made (or attempted) since the registry was made.
  int writeCount() const { return writes_; }
  // Batches do nothing, as on Windows: each call commits by itself.
  void switchOffBatches() { batches_ = false; }

  const std::vector<Call>& calls() const { return calls_; }
  void clearCalls() { calls_.clear(); }
  // Position of the first call with this op, path and name (folded), or -1.
  int indexOf(const std::string& op, const std::string& path, const std::string& name = "") const {
    for (std::size_t i = 0; i < calls_.size(); ++i)
      if (calls_[i].op == op && fold(calls_[i].path) == fold(path) &&
          fold(calls_[i].name) == fold(name))
        return int(i);
    return -1;
  }

  win::LONG RegOpenKeyExA(win::HKEY key, const char* subKey, win::DWORD options, win::REGSAM sam,
                          win::HKEY* result) override {
    std::string path = join(key, subKey);
    calls_.push_back({"open", path, "", sam});
    if (auto code = find(openFaults_, fold(path))) {
      *result = nullptr;
      return *code;
    }
    win::LONG rc = inner_.RegOpenKeyExA(key, subKey, options, sam, result);
    if (rc == ERROR_SUCCESS) paths_[*result] = path;
    return rc;
  }
  win::LONG RegCreateKeyExA(win::HKEY key, const char* subKey, win::DWORD reserved,
                            const char* keyClass, win::DWORD options, win::REGSAM sam,
                            const void* security, win::HKEY* result,
                            win::DWORD* disposition) override {
    std::string path = join(key, subKey);
    calls_.push_back({"create", path, keyClass ? keyClass : "<null>", sam});
    if (auto code = writeFault()) return *code;
    win::LONG rc = inner_.RegCreateKeyExA(key, subKey, reserved, keyClass, options, sam, security,
                                          result, disposition);
    if (rc == ERROR_SUCCESS) paths_[*result] = path;
    return rc;
  }
  win::LONG RegQueryInfoKeyA(win::HKEY key, char* keyClass, win::DWORD* keyClassLength,
                             win::DWORD* reserved, win::DWORD* subKeys, win::DWORD* maxSubKeyLength,
                             win::DWORD* maxClassLength, win::DWORD* values,
                             win::DWORD* maxValueNameLength, win::DWORD* maxValueLength,
                             win::DWORD* securityDescriptorSize,
                             win::FILETIME* lastWriteTime) override {
    calls_.push_back({"info", pathOf(key), ""});
    if (auto code = find(infoFaults_, fold(pathOf(key)))) return *code;
    return inner_.RegQueryInfoKeyA(key, keyClass, keyClassLength, reserved, subKeys,
                                   maxSubKeyLength, maxClassLength, values, maxValueNameLength,
                                   maxValueLength, securityDescriptorSize, lastWriteTime);
  }
  win::LONG RegEnumKeyA(win::HKEY key, win::DWORD index, char* name, win::DWORD nameSize) override {
    calls_.push_back({"enumkey", pathOf(key), "", nameSize});
    return inner_.RegEnumKeyA(key, index, name, nameSize);
  }
  win::LONG RegEnumValueA(win::HKEY key, win::DWORD index, char* name, win::DWORD* nameLength,
                          win::DWORD* reserved, win::DWORD* type, win::BYTE* data,
                          win::DWORD* dataSize) override {
    calls_.push_back({"enumvalue", pathOf(key), "", nameLength ? *nameLength : 0});
    win::LONG rc =
        inner_.RegEnumValueA(key, index, name, nameLength, reserved, type, data, dataSize);
    // A value whose data cannot be read by name cannot be read this way either.
    if (rc == ERROR_SUCCESS && data && name)
      if (auto code = find(queryFaults_, fold(pathOf(key)) + "|" + fold(name))) return *code;
    return rc;
  }
  win::LONG RegQueryValueExA(win::HKEY key, const char* name, win::DWORD* reserved,
                             win::DWORD* type, win::BYTE* data, win::DWORD* dataSize) override {
    std::string valueName = name ? name : "";
    calls_.push_back({"query", pathOf(key), valueName, dataSize ? *dataSize : 0});
    if (auto code = find(queryFaults_, fold(pathOf(key)) + "|" + fold(valueName))) return *code;
    return inner_.RegQueryValueExA(key, name, reserved, type, data, dataSize);
  }
  win::LONG RegSetValueExA(win::HKEY key, const char* name, win::DWORD reserved, win::DWORD type,
                           const win::BYTE* data, win::DWORD dataSize) override {
    std::string valueName = name ? name : "";
    calls_.push_back({"set", pathOf(key), valueName, dataSize});
    if (auto code = writeFault()) return *code;
    if (auto code = find(setFaults_, fold(pathOf(key)) + "|" + fold(valueName))) return *code;
    return inner_.RegSetValueExA(key, name, reserved, type, data, dataSize);
  }
  win::LONG RegDeleteValueA(win::HKEY key, const char* name) override {
    calls_.push_back({"delete", pathOf(key), name ? name : ""});
    if (auto code = writeFault()) return *code;
    return inner_.RegDeleteValueA(key, name);
  }
  win::LONG RegDeleteKeyA(win::HKEY key, const char* subKey) override {
    calls_.push_back({"deletekey", join(key, subKey), ""});
    if (auto code = writeFault()) return *code;
    return inner_.RegDeleteKeyA(key, subKey);
  }
  win::LONG RegCloseKey(win::HKEY key) override {
    calls_.push_back({"close", pathOf(key), ""});
    paths_.erase(key);
    return inner_.RegCloseKey(key);
  }
  win::DWORD SHDeleteKeyA(win::HKEY key, const char* subKey) override {
    calls_.push_back({"shdelete", join(key, subKey), ""});
    if (auto code = writeFault()) return win::DWORD(*code);
    if (shDeleteFault_) return *shDeleteFault_;
    return inner_.SHDeleteKeyA(key, subKey);
  }
  // With batches one change, as on the emulated machine. Without them the
  // copy is made of this registry's own calls, as Windows makes it, so
  // that each key and value written can fail or end the process.
  win::LONG RegCopyTreeA(win::HKEY keySrc, const char* subKey, win::HKEY keyDest) override {
    calls_.push_back({"copytree", join(keySrc, subKey), pathOf(keyDest)});
    if (batches_) {
      if (auto code = writeFault()) return *code;
      return inner_.RegCopyTreeA(keySrc, subKey, keyDest);
    }
    win::HKEY source = nullptr;
    win::LONG rc = RegOpenKeyExA(keySrc, subKey, 0, KEY_READ, &source);
    if (rc != ERROR_SUCCESS) return rc;
    rc = copyByCalls(source, keyDest);
    (void)RegCloseKey(source);
    return rc;
  }
  win::LONG beginBatch() override { return batches_ ? inner_.beginBatch() : ERROR_SUCCESS; }
  win::LONG endBatch(bool commit) override {
    return batches_ ? inner_.endBatch(commit) : ERROR_SUCCESS;
  }

 private:
  win::LONG copyByCalls(win::HKEY source, win::HKEY destination) {
    win::DWORD largest = 0;
    win::LONG rc = RegQueryInfoKeyA(source, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                    nullptr, nullptr, &largest, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    std::vector<char> name(16384);
    std::vector<win::BYTE> data(largest + 1);
    for (win::DWORD index = 0;; ++index) {
      win::DWORD nameLength = win::DWORD(name.size());
      win::DWORD size = win::DWORD(data.size());
      win::DWORD type = 0;
      rc = RegEnumValueA(source, index, name.data(), &nameLength, nullptr, &type, data.data(),
                         &size);
      if (rc == ERROR_NO_MORE_ITEMS) break;
      if (rc == ERROR_SUCCESS)
        rc = RegSetValueExA(destination, name.data(), 0, type, data.data(), size);
      if (rc != ERROR_SUCCESS) return rc;
    }
    char subkey[512];
    for (win::DWORD index = 0;
         RegEnumKeyA(source, index, subkey, win::DWORD(sizeof subkey)) == ERROR_SUCCESS; ++index) {
      win::HKEY from = nullptr;
      win::HKEY to = nullptr;
      rc = RegOpenKeyExA(source, subkey, 0, KEY_READ, &from);
      if (rc == ERROR_SUCCESS)
        rc = RegCreateKeyExA(destination, subkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &to,
                             nullptr);
      if (rc == ERROR_SUCCESS) rc = copyByCalls(from, to);
      if (from) (void)RegCloseKey(from);
      if (to) (void)RegCloseKey(to);
      if (rc != ERROR_SUCCESS) return rc;
    }
    return ERROR_SUCCESS;
  }
  static std::string fold(const std::string& text) {
    std::string out = text;
    for (char& c : out)
      if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return out;
  }
  // After an abort the process is gone: nothing it would still do (the
  // undo of an unwinding command) reaches the registry.
  std::optional<win::LONG> writeFault() {
    ++writes_;
    if (aborted_) return ERROR_REGISTRY_IO_FAILED;
    if (writesUntilFault_ <= 0 || --writesUntilFault_ > 0) return std::nullopt;
    if (abortAtFault_) {
      aborted_ = true;
      throw WriteAborted{};
    }
    return writeFault_;
  }
  template <typename T>
  static std::optional<T> find(const std::map<std::string, T>& faults, const std::string& key) {
    auto it = faults.find(key);
    if (it == faults.end()) return std::nullopt;
    return it->second;
  }
  std::string pathOf(win::HKEY key) const {
    if (key == HKEY_LOCAL_MACHINE) return "HKLM";
    if (key == HKEY_CURRENT_USER) return "HKCU";
    auto it = paths_.find(key);
    return it == paths_.end() ? "?" : it->second;
  }
  std::string join(win::HKEY key, const char* subKey) const {
    std::string path = pathOf(key);
    if (subKey && *subKey) path += std::string("\\") + subKey;
    return path;
  }

  win::Registry& inner_;
  std::map<win::HKEY, std::string> paths_;
  std::vector<Call> calls_;
  std::map<std::string, win::LONG> openFaults_;
  std::map<std::string, win::LONG> infoFaults_;
  std::map<std::string, win::LONG> queryFaults_;
  std::map<std::string, win::LONG> setFaults_;
  std::optional<win::DWORD> shDeleteFault_;
  int writes_ = 0;
  int writesUntilFault_ = 0;
  win::LONG writeFault_ = ERROR_SUCCESS;
  bool abortAtFault_ = false;
  bool aborted_ = false;
  bool batches_ = true;
};

// A machine whose registry is a FaultyRegistry over another machine's.
class FaultyMachine : public win::MachineOverlay {
 public:
  explicit FaultyMachine(win::Machine& inner)
      : MachineOverlay(inner), registry_(inner.registry()) {}
  FaultyRegistry& registry() override { return registry_; }

 private:
  FaultyRegistry registry_;
};

}  // namespace testing_support
