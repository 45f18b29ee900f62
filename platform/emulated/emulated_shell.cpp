#include "platform/emulated/emulated_shell.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <strings.h>

#include "platform/code_page.h"

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

}  // namespace

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

}  // namespace emu
