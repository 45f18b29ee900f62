// Runs one of the project's programs as a child process on a given machine
// folder, with no terminal on stdin (so questions are answered No), and
// collects what it printed.
#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace testing_support {

struct ProgramRun {
  int code = -1;      // the exit code, -1 when the program crashed
  QString out;        // stdout
  QString err;        // stderr
  QStringList lines;  // stderr, one entry per non-empty line
};

// `environment` adds NAME=VALUE settings to the program's environment.
inline ProgramRun runProgram(const QString& program, const QStringList& arguments,
                             const QString& machine, const QStringList& environment = {}) {
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const QString& setting : environment)
    env.insert(setting.section('=', 0, 0), setting.section('=', 1));
  env.insert(QStringLiteral("VERANTU_MACHINE"), machine);
  env.insert(QStringLiteral("VERANTU_MACHINE_TOOL"), QStringLiteral(VERANTU_MACHINE_TOOL));
  process.setProcessEnvironment(env);
  process.start(program, arguments);
  process.closeWriteChannel();
  EXPECT_TRUE(process.waitForFinished(60000)) << program.toStdString();
  ProgramRun run;
  run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  run.out = QString::fromUtf8(process.readAllStandardOutput());
  run.err = QString::fromUtf8(process.readAllStandardError());
  run.lines = run.err.split('\n', Qt::SkipEmptyParts);
  return run;
}

}  // namespace testing_support
