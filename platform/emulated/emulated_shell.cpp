#include "platform/emulated/emulated_shell.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <strings.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "platform/code_page.h"

extern char** environ;

namespace emu {

namespace {

// ShellExecuteA's error results (shellapi.h); 32 or less means failure.
constexpr std::intptr_t kStarted = 42;
constexpr std::intptr_t kFileNotFound = 2;
constexpr std::intptr_t kNoAssociation = 31;

win::HINSTANCE result(std::intptr_t code) {
  return reinterpret_cast<win::HINSTANCE>(code);
}

bool startsWithNoCase(const char* text, const char* prefix) {
  return strncasecmp(text, prefix, std::strlen(prefix)) == 0;
}

QStringList openerCommand() {
  QStringList command;
  if (const char* opener = std::getenv("VERANTU_OPENER"); opener && *opener)
    command = QProcess::splitCommand(QString::fromLocal8Bit(opener));
  if (command.isEmpty()) command << QStringLiteral("xdg-open");
  return command;
}

bool isExecutableFile(const std::string& path) {
  std::error_code ec;
  return !path.empty() && ::access(path.c_str(), X_OK) == 0 &&
         std::filesystem::is_regular_file(path, ec);
}

// WinExec's error for a program that cannot be found.
constexpr win::UINT kExecFileNotFound = 2;
// WinExec's results above 31 mean the program was started.
constexpr win::UINT kExecStarted = 33;

// A started child holds its end of a socket pair on this descriptor and
// learns its number from this variable; its starter holds the other end.
constexpr int kStarterLinkFd = STDERR_FILENO + 1;
constexpr const char* kStarterLinkVariable = "VERANTU_STARTER_LINK";
// What the starter sends when it closes its handle and lets the child run on.
constexpr char kLetGo = 'r';

// The child's environment: ours, with the machine and its current directory
// set to those of this process's machine.
std::vector<std::string> childEnvironment(const std::string& machineFolder,
                                          const std::string& currentDirectory) {
  std::vector<std::string> env;
  for (char** entry = environ; entry && *entry; ++entry) {
    std::string_view text(*entry);
    if (text.starts_with("VERANTU_MACHINE=") || text.starts_with("VERANTU_CWD=") ||
        text.starts_with(std::string(kStarterLinkVariable) + "="))
      continue;
    env.emplace_back(text);
  }
  env.push_back("VERANTU_MACHINE=" + machineFolder);
  env.push_back("VERANTU_CWD=" + currentDirectory);
  env.push_back(std::string(kStarterLinkVariable) + "=" + std::to_string(kStarterLinkFd));
  return env;
}

// Ends the link to a child: with the word that lets it run on, or without,
// which ends it. The word is sent without SIGPIPE, as the child may be gone.
void closeLink(int& link, bool letGo) {
  if (link < 0) return;
  if (letGo) ::send(link, &kLetGo, 1, MSG_NOSIGNAL);
  ::close(link);
  link = -1;
}

// Waits for a child that no handle follows any longer, so that it leaves no
// zombie behind when it ends.
void reapInBackground(pid_t pid) {
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) == -1 && errno == EINTR) {
    }
  }).detach();
}

}  // namespace

std::string machineToolPath() {
  // An explicit choice is taken as it is, even when it names nothing usable.
  if (const char* tool = std::getenv("VERANTU_MACHINE_TOOL"); tool && *tool)
    return isExecutableFile(tool) ? tool : std::string();
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    std::string beside = (self.parent_path() / "verantu-machine").string();
    if (isExecutableFile(beside)) return beside;
  }
#ifdef VERANTU_BUILT_MACHINE_TOOL
  if (isExecutableFile(VERANTU_BUILT_MACHINE_TOOL)) return VERANTU_BUILT_MACHINE_TOOL;
#endif
  if (const char* path = std::getenv("PATH"); path && *path) {
    std::string_view rest(path);
    while (true) {
      std::size_t colon = rest.find(':');
      std::string folder(rest.substr(0, colon));
      std::string candidate = (folder.empty() ? std::string(".") : folder) + "/verantu-machine";
      if (isExecutableFile(candidate)) return candidate;
      if (colon == std::string_view::npos) break;
      rest.remove_prefix(colon + 1);
    }
  }
  return {};
}

void EndWithStarter() {
  const char* value = std::getenv(kStarterLinkVariable);
  if (!value) return;
  const int link = std::atoi(value);
  ::unsetenv(kStarterLinkVariable);
  ::fcntl(link, F_SETFD, FD_CLOEXEC);
  // The starter's end closes when the starter ends, however it ends, even
  // by SIGKILL: the read then finds the end of the stream.
  std::thread([link] {
    char word = 0;
    ssize_t got = 0;
    do {
      got = ::read(link, &word, 1);
    } while (got < 0 && errno == EINTR);
    if (got == 1 && word == kLetGo) {
      ::close(link);
      return;
    }
    ::kill(::getpid(), SIGKILL);
  }).detach();
}

EmulatedShell::~EmulatedShell() {
  for (auto& [handle, child] : children_) {
    const bool ended = poll(child, false);
    closeLink(child.link, false);
    if (!ended) reapInBackground(child.pid);
  }
}

win::HINSTANCE EmulatedShell::ShellExecuteA(win::HWND, const char* verb, const char* file,
                                            const char*, const char* dir, int) {
  if (verb && *verb && strcasecmp(verb, "open") != 0) return result(kNoAssociation);
  if (!file || !*file) return result(kFileNotFound);

  QString target;
  if (startsWithNoCase(file, "http://") || startsWithNoCase(file, "https://")) {
    target = QString::fromStdString(win::ansiToUtf8(file));
  } else {
    // Only what exists on drive C: can be opened, as Windows finds no file
    // otherwise.
    std::string host = files_.hostPath(file);
    if (host.empty() || !files_.exists(file)) return result(kFileNotFound);
    target = QString::fromStdString(host);
  }
  QString workingDirectory;
  if (dir && *dir) workingDirectory = QString::fromStdString(files_.hostPath(dir));

  QStringList command = openerCommand();
  QString program = command.takeFirst();
  command << target;
  return result(QProcess::startDetached(program, command, workingDirectory) ? kStarted
                                                                            : kFileNotFound);
}

void EmulatedShell::Sleep(win::DWORD milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

win::UINT EmulatedShell::WinExec(const char* commandLine, win::UINT show) {
  std::string line = commandLine ? commandLine : "";
  win::STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = win::WORD(show);
  win::PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info))
    return kExecFileNotFound;
  (void)CloseHandle(info.hProcess);
  return kExecStarted;
}

win::BOOL EmulatedShell::CreateProcessA(const char* applicationName, char* commandLine, const void*,
                                        const void*, win::BOOL, win::DWORD, void*,
                                        const char* currentDirectory, win::STARTUPINFOA*,
                                        win::PROCESS_INFORMATION* info) {
  if (applicationName || !commandLine || !*commandLine || !info) return FALSE;
  const std::string tool = machineToolPath();
  if (tool.empty()) return FALSE;

  std::vector<std::string> args = {tool, "cmd", "/c", win::ansiToUtf8(commandLine)};
  std::vector<std::string> env = childEnvironment(
      machineFolder_, currentDirectory && *currentDirectory ? files_.fullPath(currentDirectory)
                                                            : files_.currentDirectory());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (std::string& entry : env) envp.push_back(entry.data());
  envp.push_back(nullptr);

  // The child ends with this process while its handle is open, as a
  // process in a kill-on-close job does on Windows: it watches its end of a
  // socket pair (EndWithStarter) whose other end only this process holds.
  int link[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, link) != 0) return FALSE;

  // Hidden: the child has no terminal, and it inherits nothing but its
  // standard streams, which lead nowhere, and its end of the link.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, link[1], kStarterLinkFd);
  posix_spawn_file_actions_addclosefrom_np(&actions, kStarterLinkFd + 1);
  pid_t pid = -1;
  int rc = ::posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(link[1]);
  if (rc != 0) {
    ::close(link[0]);
    return FALSE;
  }

  std::uintptr_t handle = nextHandle_;
  nextHandle_ += 4;
  children_[handle] = Child{pid, link[0]};
  *info = {};
  info->hProcess = reinterpret_cast<win::HANDLE>(handle);
  info->dwProcessId = win::DWORD(pid);
  return TRUE;
}

EmulatedShell::Child* EmulatedShell::find(win::HANDLE handle) {
  auto it = children_.find(reinterpret_cast<std::uintptr_t>(handle));
  return it == children_.end() ? nullptr : &it->second;
}

bool EmulatedShell::poll(Child& child, bool block) {
  if (child.ended) return true;
  int status = 0;
  pid_t rc;
  do {
    rc = ::waitpid(child.pid, &status, block ? 0 : WNOHANG);
  } while (rc == -1 && errno == EINTR);
  if (rc == 0) return false;
  child.ended = true;
  if (!child.terminated)
    child.exitCode = rc == child.pid && WIFEXITED(status) ? win::DWORD(WEXITSTATUS(status)) : 1;
  return true;
}

win::DWORD EmulatedShell::WaitForSingleObject(win::HANDLE process, win::DWORD milliseconds) {
  Child* child = find(process);
  if (!child) return WAIT_FAILED;
  if (milliseconds == INFINITE) {
    poll(*child, true);
    return WAIT_OBJECT_0;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!poll(*child, false)) {
    if (std::chrono::steady_clock::now() >= deadline) return WAIT_TIMEOUT;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return WAIT_OBJECT_0;
}

win::BOOL EmulatedShell::GetExitCodeProcess(win::HANDLE process, win::DWORD* exitCode) {
  Child* child = find(process);
  if (!child || !exitCode) return FALSE;
  poll(*child, false);
  *exitCode = child->exitCode;
  return TRUE;
}

win::BOOL EmulatedShell::TerminateProcess(win::HANDLE process, win::UINT exitCode) {
  Child* child = find(process);
  if (!child || poll(*child, false)) return FALSE;
  if (::kill(child->pid, SIGKILL) != 0) return FALSE;
  child->terminated = true;
  child->exitCode = exitCode;
  poll(*child, true);
  return TRUE;
}

win::BOOL EmulatedShell::CloseHandle(win::HANDLE handle) {
  auto it = children_.find(reinterpret_cast<std::uintptr_t>(handle));
  if (it == children_.end()) return FALSE;
  const bool ended = poll(it->second, false);
  closeLink(it->second.link, !ended);
  if (!ended) reapInBackground(it->second.pid);
  children_.erase(it);
  return TRUE;
}

}  // namespace emu
