#include "platform/win32/win32_shell.h"

#include <shellapi.h>

#include "platform/win32/win32_text.h"

namespace win32 {

namespace {

// WinExec's answers (above 31 is success).
constexpr UINT kExecStarted = 33;
constexpr UINT kExecOutOfResources = 0;

HANDLE newJob() {
  HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
  if (!job) return nullptr;
  // Should this program end while the process runs, the process and its
  // children end with it.
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  ::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  return job;
}

void releaseJob(HANDLE job) {
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  ::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  ::CloseHandle(job);
}

}  // namespace

Win32Shell::~Win32Shell() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& [process, job] : jobs_) releaseJob(job);
}

// A name that cannot be converted names no file that could be found.
HINSTANCE Win32Shell::ShellExecuteA(HWND owner, const char* verb, const char* file,
                                    const char* params, const char* dir, int show) {
  WideArg wideVerb(verb);
  WideArg wideFile(file);
  WideArg wideParams(params);
  WideArg wideDir(dir);
  if (!wideVerb.ok() || !wideFile.ok() || !wideParams.ok() || !wideDir.ok())
    return reinterpret_cast<HINSTANCE>(INT_PTR(SE_ERR_FNF));
  return ::ShellExecuteW(owner, wideVerb.get(), wideFile.get(), wideParams.get(), wideDir.get(),
                         show);
}

void Win32Shell::Sleep(DWORD milliseconds) {
  ::Sleep(milliseconds);
}

UINT Win32Shell::WinExec(const char* commandLine, UINT show) {
  std::optional<std::wstring> line = commandLine ? toWide(commandLine) : std::nullopt;
  if (!line) return ERROR_FILE_NOT_FOUND;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = WORD(show);
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, line->data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_BAD_FORMAT)
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
BOOL Win32Shell::CreateProcessA(const char* applicationName, char* commandLine,
                                const void* processAttributes, const void* threadAttributes,
                                BOOL inheritHandles, DWORD creationFlags, void* environment,
                                const char* currentDirectory, STARTUPINFOA* startupInfo,
                                PROCESS_INFORMATION* info) {
  if (!info) return FALSE;
  std::optional<std::wstring> line = commandLine ? toWide(commandLine) : std::wstring();
  WideArg application(applicationName);
  WideArg directory(currentDirectory);
  if (!line || !application.ok() || !directory.ok()) {
    ::SetLastError(kUnconvertible);
    return FALSE;
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (startupInfo) {
    startup.dwFlags = startupInfo->dwFlags;
    startup.wShowWindow = startupInfo->wShowWindow;
  }
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(application.get(), commandLine ? line->data() : nullptr,
                        static_cast<LPSECURITY_ATTRIBUTES>(const_cast<void*>(processAttributes)),
                        static_cast<LPSECURITY_ATTRIBUTES>(const_cast<void*>(threadAttributes)),
                        inheritHandles, creationFlags | CREATE_SUSPENDED, environment,
                        directory.get(), &startup, &process))
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

DWORD Win32Shell::WaitForSingleObject(HANDLE process, DWORD milliseconds) {
  return ::WaitForSingleObject(process, milliseconds);
}

BOOL Win32Shell::GetExitCodeProcess(HANDLE process, DWORD* exitCode) {
  return ::GetExitCodeProcess(process, exitCode);
}

// Ends the process with everything it started.
BOOL Win32Shell::TerminateProcess(HANDLE process, UINT exitCode) {
  HANDLE job = jobOf(process);
  if (job && ::TerminateJobObject(job, exitCode)) return TRUE;
  return ::TerminateProcess(process, exitCode);
}

// Closing the process handle lets the process run on, as Windows does:
// its job stops killing it when the job's last handle closes.
BOOL Win32Shell::CloseHandle(HANDLE handle) {
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

HANDLE Win32Shell::jobOf(HANDLE process) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = jobs_.find(process);
  return found == jobs_.end() ? nullptr : found->second;
}

}  // namespace win32
