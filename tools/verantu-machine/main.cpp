// verantu-machine: creates, imports into, exports and checks the emulated
// Windows machine at $VERANTU_MACHINE. Exit codes: 0 done, 1 failed, 2 usage error.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <optional>
#include <string>

#include "platform/code_page.h"
#include "platform/emulated/emulated_machine.h"
#include "tools/verantu-machine/reg_file.h"
#include "tools/verantu-machine/shell_verbs.h"
#include "tools/verantu-machine/templates.h"

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

int fail(const std::string& message) {
  std::fprintf(stderr, "verantu-machine: %s\n", message.c_str());
  return kFailed;
}

int usageError(const QString& message) {
  std::fprintf(stderr, "verantu-machine: %s\nTry 'verantu-machine --help'.\n",
               message.toUtf8().constData());
  return kUsage;
}

// Parses one verb's options; false after reporting a usage error.
bool parseVerb(QCommandLineParser& parser, const QString& verb, const QStringList& args,
               int maxPositional, int* exitCode) {
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  if (!parser.parse(QStringList{"verantu-machine " + verb} + args)) {
    *exitCode = usageError(parser.errorText());
    return false;
  }
  if (parser.positionalArguments().size() > maxPositional) {
    *exitCode = usageError("too many arguments for " + verb);
    return false;
  }
  return true;
}

bool readFile(const QString& path, QByteArray* bytes, std::string* error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    *error = "cannot read " + path.toStdString() + ": " + file.errorString().toStdString();
    return false;
  }
  *bytes = file.readAll();
  return true;
}

int runInit(const QStringList& args) {
  QCommandLineParser parser;
  parser.addOption(
      {"template", "notebook (default), bare or a .reg file", "NAME|FILE.reg", "notebook"});
  parser.addOption({"force", "replace an existing machine"});
  parser.addOption(
      {"windows", "the Windows the machine runs: xp (default) or 10", "VERSION", "xp"});
  int exitCode = kDone;
  if (!parseVerb(parser, "init", args, 0, &exitCode)) return exitCode;
  const std::optional<QByteArray> overlay = machinetool::windowsOverlay(parser.value("windows"));
  if (!overlay)
    return usageError("unknown Windows \"" + parser.value("windows") + "\": use " +
                      machinetool::windowsVersions().join(" or "));

  const QString name = parser.value("template");
  QByteArray reg;
  if (auto builtIn = machinetool::templateReg(name)) {
    reg = *builtIn;
  } else if (QFileInfo(name).isFile()) {
    std::string error;
    if (!readFile(name, &reg, &error)) return fail(error);
  } else {
    return usageError("unknown template \"" + name + "\": use " +
                      machinetool::templateNames().join(", ") + " or a .reg file");
  }
  const std::string folder = emu::defaultMachineFolder();
  if (emu::EmulatedMachine::exists(folder) && !parser.isSet("force"))
    return fail("a machine exists already at " + folder + "; use --force to replace it");
  std::string error;
  std::vector<machinetool::RegSource> sources = {
      {std::string_view(reg.constData(), size_t(reg.size())), name.toStdString()}};
  if (!overlay->isEmpty())
    sources.push_back({std::string_view(overlay->constData(), size_t(overlay->size())),
                       "windows" + parser.value("windows").toStdString() + ".reg"});
  auto machine = machinetool::createMachine(folder, sources, parser.isSet("force"), &error);
  if (!machine) return fail(error);
  std::printf("created the machine at %s from %s%s\n", folder.c_str(), name.toUtf8().constData(),
              overlay->isEmpty() ? "" : " as Windows 10");
  return kDone;
}

int runImport(const QStringList& args) {
  QCommandLineParser parser;
  parser.addPositionalArgument("FILE.reg", "the file to import, all or nothing");
  int exitCode = kDone;
  if (!parseVerb(parser, "import", args, 1, &exitCode)) return exitCode;
  if (parser.positionalArguments().size() != 1) return usageError("import needs a .reg file");

  const QString path = parser.positionalArguments().front();
  QByteArray reg;
  std::string error;
  if (!readFile(path, &reg, &error)) return fail(error);
  auto machine = emu::EmulatedMachine::open(emu::defaultMachineFolder(), &error);
  if (!machine) return fail(error);
  // The tool imports as the machine's administrator.
  machine->setElevated(true);
  if (!regfile::importBytes(machine->registry(),
                            std::string_view(reg.constData(), size_t(reg.size())), &error)) {
    // "FILE:LINE: what", as compilers say it.
    std::fprintf(stderr, "%s:%s\n", path.toUtf8().constData(), error.c_str());
    return kFailed;
  }
  return kDone;
}

int runExport(const QStringList& args) {
  QCommandLineParser parser;
  parser.addPositionalArgument("KEY", "e.g. HKEY_LOCAL_MACHINE\\Software\\Q (default: both hives)");
  parser.addOption({{"o", "output"}, "write to FILE instead of standard output", "FILE"});
  parser.addOption({"utf8", "Unicode format as UTF-8 without BOM (default UTF-16LE with BOM)"});
  parser.addOption({"regedit4", "the ANSI format (REGEDIT4)"});
  int exitCode = kDone;
  if (!parseVerb(parser, "export", args, 1, &exitCode)) return exitCode;
  if (parser.isSet("utf8") && parser.isSet("regedit4"))
    return usageError("--utf8 and --regedit4 exclude each other");

  regfile::ExportOptions options;
  options.format = parser.isSet("regedit4") ? regfile::Format::Regedit4 : regfile::Format::Unicode;
  options.utf8 = parser.isSet("utf8");
  std::vector<regfile::KeyRef> roots;
  std::string error;
  if (parser.positionalArguments().isEmpty()) {
    roots = {{HKEY_LOCAL_MACHINE, ""}, {HKEY_CURRENT_USER, ""}};
  } else {
    regfile::KeyRef key;
    if (!regfile::parseKeyName(
            win::ansiFromUtf8(parser.positionalArguments().front().toStdString()), &key, &error))
      return usageError(QString::fromStdString(error));
    roots.push_back(key);
  }
  auto machine =
      emu::EmulatedMachine::open(emu::defaultMachineFolder(), &error, emu::OpenFor::Reading);
  if (!machine) return fail(error);
  std::string text;
  bool exported = false;
  // One transaction gives the export a consistent snapshot; it writes nothing.
  bool ok = machine->registry().transaction(
      [&] {
        exported = regfile::exportKeys(machine->registry(), roots, options, &text, &error);
        return true;
      },
      &error);
  if (!ok || !exported) return fail(error);

  if (parser.isSet("o")) {
    QFile file(parser.value("o"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(text.data(), qint64(text.size())) != qint64(text.size()) || !file.flush())
      return fail("cannot write " + parser.value("o").toStdString() + ": " +
                  file.errorString().toStdString());
    return kDone;
  }
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
    return fail("cannot write to standard output");
  return kDone;
}

// SQLite's full integrity check of the machine's registry: "ok" and 0 for a
// sound file, else what is wrong and 1. Reading only, so a damaged file can
// still be examined (and exported) as it is.
int runCheck(const QStringList& args) {
  QCommandLineParser parser;
  int exitCode = kDone;
  if (!parseVerb(parser, "check", args, 0, &exitCode)) return exitCode;
  const std::string folder = emu::defaultMachineFolder();
  std::string error;
  auto machine = emu::EmulatedMachine::open(folder, &error, emu::OpenFor::Reading);
  if (!machine) return fail(error);
  constexpr int kMaxProblems = 100;
  std::vector<std::string> problems;
  if (!machine->registry().checkIntegrity(kMaxProblems, &problems, &error)) return fail(error);
  if (problems.empty()) {
    std::printf("ok: the registry of the machine at %s passes the integrity check\n",
                folder.c_str());
    return kDone;
  }
  std::fprintf(stderr, "verantu-machine: the machine's registry %s/registry.db is damaged:\n",
               folder.c_str());
  for (const std::string& problem : problems) std::fprintf(stderr, "  %s\n", problem.c_str());
  return kFailed;
}

struct Verb {
  const char* name;
  int (*run)(const QStringList& args);
  const char* usage;
};

constexpr Verb kVerbs[] = {
    {"init", runInit, "init [--template notebook|bare|FILE.reg] [--windows xp|10] [--force]"},
    {"import", runImport, "import FILE.reg"},
    {"export", runExport, "export [KEY] [-o FILE] [--utf8|--regedit4]"},
    {"check", runCheck, "check"},
    {"cmd", machinetool::RunCmdVerb, "cmd /c SCRIPT|COMMAND"},
    {"netsh", machinetool::RunNetshVerb, "netsh interface ip set|add address|dns ..."},
};

void printUsage(std::FILE* to) {
  std::fprintf(to, "usage: verantu-machine VERB [ARGS]   (machine: $VERANTU_MACHINE)\n");
  for (const Verb& verb : kVerbs) std::fprintf(to, "  verantu-machine %s\n", verb.usage);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList args = QCoreApplication::arguments().mid(1);
  if (args.isEmpty()) {
    printUsage(stderr);
    return kUsage;
  }
  const QString verb = args.takeFirst();
  if (verb == "--help" || verb == "-h" || verb == "help") {
    printUsage(stdout);
    return kDone;
  }
  for (const Verb& entry : kVerbs)
    if (verb == entry.name) return entry.run(args);
  return usageError("unknown verb \"" + verb + "\"");
}
