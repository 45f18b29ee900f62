// The platform layer on Windows. Every call goes to the Unicode (W) function
// and the text is converted from and to code page 932 here, so the program
// behaves the same on a Japanese and on any other Windows. Sizes and buffer
// rules are those the ANSI (A) functions show on a code-page-932 system.
#include "platform/win32/win32_machine.h"

#include "platform/win_types.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/profile_text.h"
#include "platform/win32/win32_internet.h"
#include "platform/win32/win32_default_printer.h"

namespace win32 {

namespace {

std::wstring toWide(std::string_view ansi) {
  std::u16string wide = win::ansiToWide(ansi);
  return std::wstring(wide.begin(), wide.end());
}

std::string toAnsi(std::wstring_view wide) {
  return win::wideToAnsi(
      std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

// An optional text argument: a null pointer stays null.
class WideArg {
 public:
  explicit WideArg(const char* ansi) {
    if (ansi) text_ = toWide(ansi);
  }
  const wchar_t* get() const { return text_ ? text_->c_str() : nullptr; }

 private:
  std::optional<std::wstring> text_;
};

bool isText(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Value data as the A functions see it: text types in code page 932 (every
// NUL kept, so REG_MULTI_SZ and a string without its NUL convert alike),
// everything else byte for byte.
std::string ansiData(DWORD type, const std::vector<BYTE>& stored) {
  if (!isText(type))
    return std::string(reinterpret_cast<const char*>(stored.data()), stored.size());
  return toAnsi(
      std::wstring_view(reinterpret_cast<const wchar_t*>(stored.data()), stored.size() / 2));
}

std::vector<BYTE> storedData(DWORD type, const BYTE* data, DWORD size) {
  if (!data || size == 0) return {};
  if (!isText(type)) return std::vector<BYTE>(data, data + size);
  std::wstring wide = toWide(std::string_view(reinterpret_cast<const char*>(data), size));
  auto* bytes = reinterpret_cast<const BYTE*>(wide.data());
  return std::vector<BYTE>(bytes, bytes + wide.size() * sizeof(wchar_t));
}

// Hands data to an A caller: the size it needs always, the bytes only when
// they fit (nothing is copied into a buffer that is too small).
LONG copyData(const std::string& bytes, BYTE* data, DWORD* dataSize) {
  if (!dataSize) return ERROR_SUCCESS;
  DWORD available = *dataSize;
  *dataSize = DWORD(bytes.size());
  if (!data) return ERROR_SUCCESS;
  if (available < bytes.size()) return ERROR_MORE_DATA;
  if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
  return ERROR_SUCCESS;
}

// A name for an A caller's buffer of `size` bytes, NUL included.
LONG copyName(const std::string& name, char* out, DWORD size) {
  if (!out || size < name.size() + 1) return ERROR_MORE_DATA;
  std::memcpy(out, name.c_str(), name.size() + 1);
  return ERROR_SUCCESS;
}

// The longest value name the registry allows, with its NUL.
constexpr DWORD kValueNameBuffer = 16384;

class Win32Registry : public win::Registry {
 public:
  LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, REGSAM sam,
                     HKEY* result) override {
    return ::RegOpenKeyExW(key, WideArg(subKey).get(), options, sam, result);
  }
  LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD reserved, const char* keyClass,
                       DWORD options, REGSAM sam, const void* security, HKEY* result,
                       DWORD* disposition) override {
    WideArg className(keyClass);
    return ::RegCreateKeyExW(
        key, WideArg(subKey).get(), reserved, const_cast<wchar_t*>(className.get()), options, sam,
        static_cast<LPSECURITY_ATTRIBUTES>(const_cast<void*>(security)), result, disposition);
  }
  // The counts and maxima are the registry's own: names in characters, data
  // in the bytes stored (text in UTF-16), as Windows documents them.
  LONG RegQueryInfoKeyA(HKEY key, char* keyClass, DWORD* keyClassLength, DWORD* reserved,
                        DWORD* subKeys, DWORD* maxSubKeyLength, DWORD* maxClassLength,
                        DWORD* values, DWORD* maxValueNameLength, DWORD* maxValueLength,
                        DWORD* securityDescriptorSize, FILETIME* lastWriteTime) override {
    LONG rc = ::RegQueryInfoKeyW(key, nullptr, nullptr, reserved, subKeys, maxSubKeyLength,
                                 maxClassLength, values, maxValueNameLength, maxValueLength,
                                 securityDescriptorSize, lastWriteTime);
    // The program gives its keys no class.
    if (rc == ERROR_SUCCESS) {
      if (keyClass && keyClassLength && *keyClassLength > 0) keyClass[0] = '\0';
      if (keyClassLength) *keyClassLength = 0;
    }
    return rc;
  }
  LONG RegEnumKeyA(HKEY key, DWORD index, char* name, DWORD nameSize) override {
    wchar_t found[256];
    DWORD length = DWORD(std::size(found));
    LONG rc = ::RegEnumKeyExW(key, index, found, &length, nullptr, nullptr, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    return copyName(toAnsi(std::wstring_view(found, length)), name, nameSize);
  }
  LONG RegEnumValueA(HKEY key, DWORD index, char* name, DWORD* nameLength, DWORD*, DWORD* type,
                     BYTE* data, DWORD* dataSize) override {
    if (!nameLength || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
    std::vector<wchar_t> found(kValueNameBuffer);
    std::vector<BYTE> stored;
    DWORD storedType = 0;
    DWORD length = 0;
    LONG rc = ERROR_SUCCESS;
    // The data may grow between asking its size and reading it.
    for (DWORD capacity = 256;;) {
      stored.resize(capacity);
      length = DWORD(found.size());
      DWORD size = capacity;
      rc = ::RegEnumValueW(key, index, found.data(), &length, nullptr, &storedType, stored.data(),
                           &size);
      if (rc != ERROR_MORE_DATA) {
        if (rc == ERROR_SUCCESS) stored.resize(size);
        break;
      }
      capacity = std::max(size, capacity * 2);
    }
    if (rc != ERROR_SUCCESS) return rc;
    std::string ansiName = toAnsi(std::wstring_view(found.data(), length));
    if (LONG nameRc = copyName(ansiName, name, *nameLength)) return nameRc;
    *nameLength = DWORD(ansiName.size());
    if (type) *type = storedType;
    return copyData(ansiData(storedType, stored), data, dataSize);
  }
  LONG RegQueryValueExA(HKEY key, const char* name, DWORD*, DWORD* type, BYTE* data,
                        DWORD* dataSize) override {
    if (data && !dataSize) return ERROR_INVALID_PARAMETER;
    WideArg valueName(name);
    std::vector<BYTE> stored;
    DWORD storedType = 0;
    LONG rc = ERROR_SUCCESS;
    for (DWORD capacity = 256;;) {
      stored.resize(capacity);
      DWORD size = capacity;
      rc = ::RegQueryValueExW(key, valueName.get(), nullptr, &storedType, stored.data(), &size);
      if (rc == ERROR_MORE_DATA) {
        capacity = std::max(size, capacity * 2);
        continue;
      }
      if (rc == ERROR_SUCCESS) stored.resize(size);
      break;
    }
    if (rc != ERROR_SUCCESS) return rc;
    if (type) *type = storedType;
    return copyData(ansiData(storedType, stored), data, dataSize);
  }
  LONG RegSetValueExA(HKEY key, const char* name, DWORD reserved, DWORD type, const BYTE* data,
                      DWORD dataSize) override {
    if (!data && dataSize > 0) return ERROR_INVALID_PARAMETER;
    std::vector<BYTE> stored = storedData(type, data, dataSize);
    return ::RegSetValueExW(key, WideArg(name).get(), reserved, type, stored.data(),
                            DWORD(stored.size()));
  }
  LONG RegDeleteValueA(HKEY key, const char* name) override {
    return ::RegDeleteValueW(key, WideArg(name).get());
  }
  LONG RegDeleteKeyA(HKEY key, const char* subKey) override {
    return ::RegDeleteKeyW(key, WideArg(subKey).get());
  }
  LONG RegCloseKey(HKEY key) override { return ::RegCloseKey(key); }
  DWORD SHDeleteKeyA(HKEY key, const char* subKey) override {
    return DWORD(::SHDeleteKeyW(key, WideArg(subKey).get()));
  }
};

class Win32TextFile : public win::TextFile {
 public:
  explicit Win32TextFile(std::FILE* file) : file_(file) {}
  ~Win32TextFile() override { close(); }
  bool readLine(std::string& line, int bufferSize) override {
    if (!file_ || bufferSize < 1) return false;
    std::string buffer(size_t(bufferSize), '\0');
    if (!std::fgets(buffer.data(), bufferSize, file_)) return false;
    line.assign(buffer.c_str());
    return true;
  }
  bool write(std::string_view text) override {
    return file_ && std::fwrite(text.data(), 1, text.size(), file_) == text.size();
  }
  bool flush() override { return file_ && std::fflush(file_) == 0; }
  bool close() override {
    if (!file_) return true;
    bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
  }

 private:
  std::FILE* file_;
};

class Win32Files : public win::Files {
 public:
  // The C runtime's text mode turns "\n" into "\r\n" and back.
  std::unique_ptr<win::TextFile> openText(const std::string& path, win::TextMode mode) override {
    const wchar_t* how = mode == win::TextMode::Read    ? L"rt"
                         : mode == win::TextMode::Write ? L"wt"
                                                        : L"at";
    std::FILE* file = ::_wfopen(toWide(path).c_str(), how);
    return file ? std::make_unique<Win32TextFile>(file) : nullptr;
  }
  BOOL DeleteFileA(const char* path) override {
    return path ? ::DeleteFileW(toWide(path).c_str()) : FALSE;
  }
  bool exists(const std::string& path) override {
    return ::GetFileAttributesW(toWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  std::string currentDirectory() override {
    DWORD size = ::GetCurrentDirectoryW(0, nullptr);
    std::wstring buffer(size, L'\0');
    DWORD length = ::GetCurrentDirectoryW(size, buffer.data());
    buffer.resize(length < size ? length : 0);
    return toAnsi(buffer);
  }
};

// RtlGetVersion tells the version Windows really has; GetVersionEx answers
// what the program's manifest allows it to know.
using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);

class Win32System : public win::System {
 public:
  BOOL GetVersionExA(OSVERSIONINFOA* info) override {
    if (!info || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
      ::SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    auto rtlGetVersion = reinterpret_cast<RtlGetVersionFunction>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    if (!rtlGetVersion || rtlGetVersion(&version) != 0) return FALSE;
    info->dwMajorVersion = version.dwMajorVersion;
    info->dwMinorVersion = version.dwMinorVersion;
    info->dwBuildNumber = version.dwBuildNumber;
    info->dwPlatformId = version.dwPlatformId;
    std::string servicePack = toAnsi(version.szCSDVersion);
    servicePack.resize(std::min(servicePack.size(), sizeof info->szCSDVersion - 1));
    std::memcpy(info->szCSDVersion, servicePack.c_str(), servicePack.size() + 1);
    return TRUE;
  }
  UINT GetWindowsDirectoryA(char* buffer, UINT size) override {
    wchar_t folder[MAX_PATH + 1];
    UINT length = ::GetWindowsDirectoryW(folder, UINT(std::size(folder)));
    if (length == 0 || length >= std::size(folder)) return 0;
    std::string ansi = toAnsi(std::wstring_view(folder, length));
    if (!buffer || size < ansi.size() + 1) return UINT(ansi.size() + 1);
    std::memcpy(buffer, ansi.c_str(), ansi.size() + 1);
    return UINT(ansi.size());
  }
  HANDLE CreateMutexA(const void* security, BOOL initialOwner, const char* name) override {
    WideArg wideName(name);
    return ::CreateMutexW(static_cast<LPSECURITY_ATTRIBUTES>(const_cast<void*>(security)),
                          initialOwner, wideName.get());
  }
  DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) override {
    return ::WaitForSingleObject(handle, milliseconds);
  }
  BOOL ReleaseMutex(HANDLE mutex) override { return ::ReleaseMutex(mutex); }
  BOOL CloseHandle(HANDLE handle) override { return ::CloseHandle(handle); }
  DWORD GetLastError() override { return ::GetLastError(); }
  BOOL OpenProcessToken(HANDLE process, DWORD access, HANDLE* token) override {
    return ::OpenProcessToken(process, access, token);
  }
  BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS informationClass,
                           void* information, DWORD length, DWORD* returnLength) override {
    return ::GetTokenInformation(token, informationClass, information, length, returnLength);
  }
  std::string localDateTimeText() override {
    wchar_t date[80] = {};
    wchar_t time[80] = {};
    ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date,
                     int(std::size(date)));
    ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, time, int(std::size(time)));
    return toAnsi(date) + " " + toAnsi(time);
  }
};

// WinExec's answers (above 31 is success).
constexpr UINT kExecStarted = 33;
constexpr UINT kExecOutOfResources = 0;

class Win32Shell : public win::Shell {
 public:
  ~Win32Shell() override {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& [process, job] : jobs_) releaseJob(job);
  }

  HINSTANCE ShellExecuteA(HWND owner, const char* verb, const char* file, const char* params,
                          const char* dir, int show) override {
    return ::ShellExecuteW(owner, WideArg(verb).get(), WideArg(file).get(), WideArg(params).get(),
                           WideArg(dir).get(), show);
  }
  void Sleep(DWORD milliseconds) override { ::Sleep(milliseconds); }

  UINT WinExec(const char* commandLine, UINT show) override {
    if (!commandLine) return ERROR_FILE_NOT_FOUND;
    std::wstring line = toWide(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = WORD(show);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
      DWORD error = ::GetLastError();
      if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
          error == ERROR_BAD_FORMAT)
        return UINT(error);
      return error == ERROR_BAD_EXE_FORMAT ? UINT(ERROR_BAD_FORMAT) : kExecOutOfResources;
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return kExecStarted;
  }

  // The process starts inside a job object of its own, so that ending it
  // ends whatever it started too (a script's netsh): nothing it began goes on
  // changing the machine after the caller gave up on it.
  BOOL CreateProcessA(const char* applicationName, char* commandLine, const void* processAttributes,
                      const void* threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                      void* environment, const char* currentDirectory, STARTUPINFOA* startupInfo,
                      PROCESS_INFORMATION* info) override {
    if (!info) return FALSE;
    std::wstring line = commandLine ? toWide(commandLine) : std::wstring();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (startupInfo) {
      startup.dwFlags = startupInfo->dwFlags;
      startup.wShowWindow = startupInfo->wShowWindow;
    }
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(WideArg(applicationName).get(), commandLine ? line.data() : nullptr,
                          static_cast<LPSECURITY_ATTRIBUTES>(const_cast<void*>(processAttributes)),
                          static_cast<LPSECURITY_ATTRIBUTES>(const_cast<void*>(threadAttributes)),
                          inheritHandles, creationFlags | CREATE_SUSPENDED, environment,
                          WideArg(currentDirectory).get(), &startup, &process))
      return FALSE;
    HANDLE job = newJob();
    if (job && !::AssignProcessToJobObject(job, process.hProcess)) {
      // The process still runs, only without its children tied to it (a
      // job cannot be nested on very old systems).
      releaseJob(job);
      job = nullptr;
    }
    if (job) {
      std::lock_guard<std::mutex> lock(mutex_);
      jobs_[process.hProcess] = job;
    }
    if (!(creationFlags & CREATE_SUSPENDED)) ::ResumeThread(process.hThread);
    *info = process;
    return TRUE;
  }
  DWORD WaitForSingleObject(HANDLE process, DWORD milliseconds) override {
    return ::WaitForSingleObject(process, milliseconds);
  }
  BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode) override {
    return ::GetExitCodeProcess(process, exitCode);
  }
  // Ends the process with everything it started.
  BOOL TerminateProcess(HANDLE process, UINT exitCode) override {
    HANDLE job = jobOf(process);
    if (job && ::TerminateJobObject(job, exitCode)) return TRUE;
    return ::TerminateProcess(process, exitCode);
  }
  // Closing the process handle lets the process run on, as Windows does:
  // its job stops killing it when the job's last handle closes.
  BOOL CloseHandle(HANDLE handle) override {
    HANDLE job = nullptr;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      auto found = jobs_.find(handle);
      if (found != jobs_.end()) {
        job = found->second;
        jobs_.erase(found);
      }
    }
    if (job) releaseJob(job);
    return ::CloseHandle(handle);
  }

 private:
  static HANDLE newJob() {
    HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
    if (!job) return nullptr;
    // Should this program end while the process runs, the process and its
    // children end with it.
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    ::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    return job;
  }
  static void releaseJob(HANDLE job) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    ::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    ::CloseHandle(job);
  }
  HANDLE jobOf(HANDLE process) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = jobs_.find(process);
    return found == jobs_.end() ? nullptr : found->second;
  }

  std::mutex mutex_;
  std::map<HANDLE, HANDLE> jobs_;  // process handle -> its job
};

class Win32ProfileStrings : public win::ProfileStrings {
 public:
  DWORD GetProfileStringA(const char* app, const char* key, const char* defaultText, char* out,
                          DWORD size) override {
    if (!out || size == 0) return 0;
    WideArg wideApp(app);
    WideArg wideKey(key);
    WideArg wideDefault(defaultText ? defaultText : "");
    const bool list = !app || !key;
    // Read the whole answer, then cut it as the A function would.
    std::vector<wchar_t> buffer(1024);
    DWORD length = 0;
    for (;;) {
      length = ::GetProfileStringW(wideApp.get(), wideKey.get(), wideDefault.get(), buffer.data(),
                                   DWORD(buffer.size()));
      if (length + (list ? 2 : 1) < buffer.size() || buffer.size() >= (1u << 24)) break;
      buffer.resize(buffer.size() * 2);
    }
    std::string text = toAnsi(std::wstring_view(buffer.data(), length));
    if (!list) return win::copyProfileText(text, out, size);
    std::vector<std::string> names;
    for (std::size_t start = 0; start < text.size();) {
      std::size_t end = text.find('\0', start);
      if (end == std::string::npos) end = text.size();
      names.push_back(text.substr(start, end - start));
      start = end + 1;
    }
    return win::copyProfileList(names, out, size);
  }
  BOOL GetDefaultPrinterA(char* buffer, DWORD* size) override {
    return GetDefaultPrinterAnsi(buffer, size);
  }
  BOOL WriteProfileStringA(const char* app, const char* key, const char* value) override {
    return ::WriteProfileStringW(WideArg(app).get(), WideArg(key).get(), WideArg(value).get());
  }
  // Level 4 only, laid out as EnumPrintersA lays it out: the records first,
  // then the names they point to.
  BOOL EnumPrintersA(DWORD flags, char* name, DWORD level, BYTE* buffer, DWORD bufferSize,
                     DWORD* needed, DWORD* returned) override {
    if (!needed || !returned) return FALSE;
    *returned = 0;
    if (level != 4) {
      ::SetLastError(ERROR_INVALID_LEVEL);
      return FALSE;
    }
    WideArg server(name);
    DWORD wideNeeded = 0;
    DWORD count = 0;
    std::vector<BYTE> wide;
    while (!::EnumPrintersW(flags, const_cast<wchar_t*>(server.get()), 4, wide.data(),
                            DWORD(wide.size()), &wideNeeded, &count)) {
      if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || wideNeeded <= wide.size()) return FALSE;
      wide.resize(wideNeeded);
    }
    struct Printer {
      std::string name;
      std::optional<std::string> server;
      DWORD attributes;
    };
    std::vector<Printer> printers;
    std::size_t size = 0;
    auto* records = reinterpret_cast<const PRINTER_INFO_4W*>(wide.data());
    for (DWORD i = 0; i < count; ++i) {
      Printer printer{records[i].pPrinterName ? toAnsi(records[i].pPrinterName) : std::string(),
                      std::nullopt, records[i].Attributes};
      if (records[i].pServerName) printer.server = toAnsi(records[i].pServerName);
      size += sizeof(PRINTER_INFO_4A) + printer.name.size() + 1 +
              (printer.server ? printer.server->size() + 1 : 0);
      printers.push_back(std::move(printer));
    }
    *needed = DWORD(size);
    if (!buffer || bufferSize < size) {
      if (printers.empty()) return TRUE;
      ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return FALSE;
    }
    auto* out = reinterpret_cast<PRINTER_INFO_4A*>(buffer);
    char* text = reinterpret_cast<char*>(buffer + printers.size() * sizeof(PRINTER_INFO_4A));
    auto place = [&text](const std::string& value) {
      char* at = text;
      std::memcpy(at, value.c_str(), value.size() + 1);
      text += value.size() + 1;
      return at;
    };
    for (std::size_t i = 0; i < printers.size(); ++i) {
      out[i].pPrinterName = place(printers[i].name);
      out[i].pServerName = printers[i].server ? place(*printers[i].server) : nullptr;
      out[i].Attributes = printers[i].attributes;
    }
    *returned = DWORD(printers.size());
    return TRUE;
  }
  // WM_SETTINGCHANGE carries the name of the changed section as text.
  LRESULT SendMessageTimeoutA(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT flags,
                              UINT timeout, DWORD_PTR* result) override {
    std::wstring section;
    if (message == WM_SETTINGCHANGE && lParam) {
      section = toWide(reinterpret_cast<const char*>(lParam));
      lParam = reinterpret_cast<LPARAM>(section.c_str());
    }
    return ::SendMessageTimeoutW(window, message, wParam, lParam, flags, timeout, result);
  }
};

class Win32Membership : public win::Membership {
 public:
  DWORD NetGetJoinInformation(const char16_t* server, std::u16string* name,
                              DWORD* status) override {
    if (!name || !status) return ERROR_INVALID_PARAMETER;
    LPWSTR buffer = nullptr;
    NETSETUP_JOIN_STATUS joinStatus = NetSetupUnknownStatus;
    NET_API_STATUS rc =
        ::NetGetJoinInformation(reinterpret_cast<LPCWSTR>(server), &buffer, &joinStatus);
    if (rc == NERR_Success) {
      *name = buffer ? std::u16string(reinterpret_cast<const char16_t*>(buffer)) : std::u16string();
      *status = DWORD(joinStatus);
    }
    if (buffer) ::NetApiBufferFree(buffer);
    return rc;
  }
  DWORD NetJoinDomain(const char16_t* server, const char16_t* domain, const char16_t* accountOU,
                      const char16_t* account, const char16_t* password, DWORD options) override {
    return ::NetJoinDomain(reinterpret_cast<LPCWSTR>(server), reinterpret_cast<LPCWSTR>(domain),
                           reinterpret_cast<LPCWSTR>(accountOU), reinterpret_cast<LPCWSTR>(account),
                           reinterpret_cast<LPCWSTR>(password), options);
  }
};

class Win32Machine : public win::Machine {
 public:
  win::Registry& registry() override { return registry_; }
  win::Files& files() override { return files_; }
  win::System& system() override { return system_; }
  win::Shell& shell() override { return shell_; }
  win::ProfileStrings& profileStrings() override { return profileStrings_; }
  win::Membership& membership() override { return membership_; }
  win::Internet& internet() override { return *internet_; }

 private:
  Win32Registry registry_;
  Win32Files files_;
  Win32System system_;
  Win32Shell shell_;
  Win32ProfileStrings profileStrings_;
  Win32Membership membership_;
  std::unique_ptr<win::Internet> internet_ = newWin32Internet();
};

}  // namespace

std::unique_ptr<win::Machine> openWin32Machine() {
  return std::make_unique<Win32Machine>();
}

}  // namespace win32
