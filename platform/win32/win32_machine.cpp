// Thin pass-through to Win32. Anything needed to make a call behave like
// Windows belongs in the emulated machine, not here.
#include "platform/win32/win32_machine.h"

#include <lm.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <windows.h>
#include <winspool.h>

#include <cstdio>

namespace win32 {

namespace {

::HKEY native(win::HKEY key) {
  return reinterpret_cast<::HKEY>(key);
}
win::HKEY ours(::HKEY key) {
  return reinterpret_cast<win::HKEY>(key);
}

class Win32Registry : public win::Registry {
 public:
  win::LONG RegOpenKeyExA(win::HKEY key, const char* subKey, win::DWORD options, win::REGSAM sam,
                          win::HKEY* result) override {
    ::HKEY out = nullptr;
    LONG rc = ::RegOpenKeyExA(native(key), subKey, options, sam, &out);
    *result = ours(out);
    return rc;
  }
  win::LONG RegCreateKeyExA(win::HKEY key, const char* subKey, win::DWORD reserved,
                            const char* keyClass, win::DWORD options, win::REGSAM sam,
                            const void* security, win::HKEY* result,
                            win::DWORD* disposition) override {
    ::HKEY out = nullptr;
    DWORD how = 0;
    LONG rc = ::RegCreateKeyExA(native(key), subKey, reserved, const_cast<char*>(keyClass), options,
                                sam, (LPSECURITY_ATTRIBUTES)security, &out, &how);
    *result = ours(out);
    if (disposition) *disposition = how;
    return rc;
  }
  win::LONG RegQueryInfoKeyA(win::HKEY key, char* keyClass, win::DWORD* keyClassLength,
                             win::DWORD* reserved, win::DWORD* subKeys, win::DWORD* maxSubKeyLength,
                             win::DWORD* maxClassLength, win::DWORD* values,
                             win::DWORD* maxValueNameLength, win::DWORD* maxValueLength,
                             win::DWORD* securityDescriptorSize,
                             win::FILETIME* lastWriteTime) override {
    ::FILETIME time{};
    LONG rc =
        ::RegQueryInfoKeyA(native(key), keyClass, (LPDWORD)keyClassLength, (LPDWORD)reserved,
                           (LPDWORD)subKeys, (LPDWORD)maxSubKeyLength, (LPDWORD)maxClassLength,
                           (LPDWORD)values, (LPDWORD)maxValueNameLength, (LPDWORD)maxValueLength,
                           (LPDWORD)securityDescriptorSize, &time);
    if (lastWriteTime) *lastWriteTime = {time.dwLowDateTime, time.dwHighDateTime};
    return rc;
  }
  win::LONG RegEnumKeyA(win::HKEY key, win::DWORD index, char* name, win::DWORD nameSize) override {
    return ::RegEnumKeyA(native(key), index, name, nameSize);
  }
  win::LONG RegEnumValueA(win::HKEY key, win::DWORD index, char* name, win::DWORD* nameLength,
                          win::DWORD* reserved, win::DWORD* type, win::BYTE* data,
                          win::DWORD* dataSize) override {
    return ::RegEnumValueA(native(key), index, name, (LPDWORD)nameLength, (LPDWORD)reserved,
                           (LPDWORD)type, data, (LPDWORD)dataSize);
  }
  win::LONG RegQueryValueExA(win::HKEY key, const char* name, win::DWORD* reserved,
                             win::DWORD* type, win::BYTE* data, win::DWORD* dataSize) override {
    return ::RegQueryValueExA(native(key), name, (LPDWORD)reserved, (LPDWORD)type, data,
                              (LPDWORD)dataSize);
  }
  win::LONG RegSetValueExA(win::HKEY key, const char* name, win::DWORD reserved, win::DWORD type,
                           const win::BYTE* data, win::DWORD dataSize) override {
    return ::RegSetValueExA(native(key), name, reserved, type, data, dataSize);
  }
  win::LONG RegDeleteValueA(win::HKEY key, const char* name) override {
    return ::RegDeleteValueA(native(key), name);
  }
  win::LONG RegDeleteKeyA(win::HKEY key, const char* subKey) override {
    return ::RegDeleteKeyA(native(key), subKey);
  }
  win::LONG RegCloseKey(win::HKEY key) override { return ::RegCloseKey(native(key)); }
  win::DWORD SHDeleteKeyA(win::HKEY key, const char* subKey) override {
    return ::SHDeleteKeyA(native(key), subKey);
  }
};

class Win32TextFile : public win::TextFile {
 public:
  explicit Win32TextFile(std::FILE* file) : file_(file) {}
  ~Win32TextFile() override { close(); }
  bool readLine(std::string& line, int bufferSize) override {
    std::string buffer(size_t(bufferSize), '\0');
    if (!file_ || !std::fgets(buffer.data(), bufferSize, file_)) return false;
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
  std::unique_ptr<win::TextFile> openText(const std::string& path, win::TextMode mode) override {
    const char* how = mode == win::TextMode::Read    ? "rt"
                      : mode == win::TextMode::Write ? "wt"
                                                     : "at";
    std::FILE* file = std::fopen(path.c_str(), how);
    return file ? std::make_unique<Win32TextFile>(file) : nullptr;
  }
  win::BOOL DeleteFileA(const char* path) override { return ::DeleteFileA(path); }
  bool exists(const std::string& path) override {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  std::string currentDirectory() override {
    char buffer[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, buffer);
    return buffer;
  }
};

class Win32System : public win::System {
 public:
  win::BOOL GetVersionExA(win::OSVERSIONINFOA* info) override {
    return ::GetVersionExA(reinterpret_cast<::OSVERSIONINFOA*>(info));
  }
  win::UINT GetWindowsDirectoryA(char* buffer, win::UINT size) override {
    return ::GetWindowsDirectoryA(buffer, size);
  }
  win::HANDLE CreateMutexA(const void* security, win::BOOL initialOwner,
                           const char* name) override {
    return ::CreateMutexA((LPSECURITY_ATTRIBUTES)security, initialOwner, name);
  }
  win::DWORD WaitForSingleObject(win::HANDLE handle, win::DWORD milliseconds) override {
    return ::WaitForSingleObject(handle, milliseconds);
  }
  win::BOOL ReleaseMutex(win::HANDLE mutex) override { return ::ReleaseMutex(mutex); }
  win::BOOL CloseHandle(win::HANDLE handle) override { return ::CloseHandle(handle); }
  win::DWORD GetLastError() override { return ::GetLastError(); }
  std::string localDateTimeText() override {
    char date[64] = {};
    char time[64] = {};
    ::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, sizeof date);
    ::GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, time, sizeof time);
    return std::string(date) + " " + time;
  }
};

class Win32Shell : public win::Shell {
 public:
  win::HINSTANCE ShellExecuteA(win::HWND owner, const char* verb, const char* file,
                               const char* params, const char* dir, int show) override {
    return reinterpret_cast<win::HINSTANCE>(
        ::ShellExecuteA(static_cast<::HWND>(owner), verb, file, params, dir, show));
  }
  void Sleep(win::DWORD milliseconds) override { ::Sleep(milliseconds); }
  win::UINT WinExec(const char* commandLine, win::UINT show) override {
    return ::WinExec(commandLine, show);
  }
  win::BOOL CreateProcessA(const char* applicationName, char* commandLine,
                           const void* processAttributes, const void* threadAttributes,
                           win::BOOL inheritHandles, win::DWORD creationFlags, void* environment,
                           const char* currentDirectory, win::STARTUPINFOA* startupInfo,
                           win::PROCESS_INFORMATION* info) override {
    ::STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (startupInfo) {
      startup.dwFlags = startupInfo->dwFlags;
      startup.wShowWindow = startupInfo->wShowWindow;
    }
    ::PROCESS_INFORMATION process{};
    BOOL ok =
        ::CreateProcessA(applicationName, commandLine, (LPSECURITY_ATTRIBUTES)processAttributes,
                         (LPSECURITY_ATTRIBUTES)threadAttributes, inheritHandles, creationFlags,
                         environment, currentDirectory, &startup, &process);
    if (ok && info) {
      info->hProcess = process.hProcess;
      info->hThread = process.hThread;
      info->dwProcessId = process.dwProcessId;
      info->dwThreadId = process.dwThreadId;
    }
    return ok;
  }
  win::DWORD WaitForSingleObject(win::HANDLE process, win::DWORD milliseconds) override {
    return ::WaitForSingleObject(process, milliseconds);
  }
  win::BOOL GetExitCodeProcess(win::HANDLE process, win::DWORD* exitCode) override {
    return ::GetExitCodeProcess(process, (LPDWORD)exitCode);
  }
  win::BOOL TerminateProcess(win::HANDLE process, win::UINT exitCode) override {
    return ::TerminateProcess(process, exitCode);
  }
  win::BOOL CloseHandle(win::HANDLE handle) override { return ::CloseHandle(handle); }
};

class Win32ProfileStrings : public win::ProfileStrings {
 public:
  win::DWORD GetProfileStringA(const char* app, const char* key, const char* defaultText, char* out,
                               win::DWORD size) override {
    return ::GetProfileStringA(app, key, defaultText, out, size);
  }
  win::BOOL WriteProfileStringA(const char* app, const char* key, const char* value) override {
    return ::WriteProfileStringA(app, key, value);
  }
  win::BOOL EnumPrintersA(win::DWORD flags, char* name, win::DWORD level, win::BYTE* buffer,
                          win::DWORD bufferSize, win::DWORD* needed,
                          win::DWORD* returned) override {
    return ::EnumPrintersA(flags, name, level, buffer, bufferSize, (LPDWORD)needed,
                           (LPDWORD)returned);
  }
  win::LRESULT SendMessageTimeoutA(win::HWND window, win::UINT message, win::WPARAM wParam,
                                   win::LPARAM lParam, win::UINT flags, win::UINT timeout,
                                   win::DWORD_PTR* result) override {
    return ::SendMessageTimeoutA(static_cast<::HWND>(window), message, wParam, lParam, flags,
                                 timeout, (PDWORD_PTR)result);
  }
};

class Win32Membership : public win::Membership {
 public:
  win::DWORD NetGetJoinInformation(const char16_t* server, std::u16string* name,
                                   win::DWORD* status) override {
    if (!name || !status) return ERROR_INVALID_PARAMETER;
    LPWSTR buffer = nullptr;
    NETSETUP_JOIN_STATUS joinStatus = NetSetupUnknownStatus;
    NET_API_STATUS rc =
        ::NetGetJoinInformation(reinterpret_cast<LPCWSTR>(server), &buffer, &joinStatus);
    if (rc == NERR_Success) {
      *name = buffer ? std::u16string(reinterpret_cast<const char16_t*>(buffer)) : std::u16string();
      *status = win::DWORD(joinStatus);
    }
    if (buffer) ::NetApiBufferFree(buffer);
    return rc;
  }
  win::DWORD NetJoinDomain(const char16_t* server, const char16_t* domain,
                           const char16_t* accountOU, const char16_t* account,
                           const char16_t* password, win::DWORD options) override {
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

 private:
  Win32Registry registry_;
  Win32Files files_;
  Win32System system_;
  Win32Shell shell_;
  Win32ProfileStrings profileStrings_;
  Win32Membership membership_;
};

}  // namespace

std::unique_ptr<win::Machine> openWin32Machine() {
  return std::make_unique<Win32Machine>();
}

}  // namespace win32
