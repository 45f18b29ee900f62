#include "tools/verantu-machine/templates.h"

#include <QFile>

#include <vector>

#include "tools/verantu-machine/reg_file.h"

// The resources live in a static library; nothing would pull them into the
// executable unless they are registered by name.
static void initTemplateResources() {
  Q_INIT_RESOURCE(templates);
}

namespace machinetool {

QStringList templateNames() {
  return {QStringLiteral("notebook"), QStringLiteral("bare")};
}

std::optional<QByteArray> templateReg(const QString& name) {
  static const bool initialized = (initTemplateResources(), true);
  (void)initialized;
  if (!templateNames().contains(name)) return std::nullopt;
  QFile file(QStringLiteral(":/templates/%1.reg").arg(name));
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  return file.readAll();
}

QStringList windowsVersions() {
  return {QStringLiteral("xp"), QStringLiteral("10")};
}

std::optional<QByteArray> windowsOverlay(const QString& version) {
  static const bool initialized = (initTemplateResources(), true);
  (void)initialized;
  if (version == QStringLiteral("xp")) return QByteArray();
  if (version != QStringLiteral("10")) return std::nullopt;
  QFile file(QStringLiteral(":/templates/windows10.reg"));
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  return file.readAll();
}

// The user manual goes where the Help menu looks for it, "<InsDir>verantu.pdf".
// verantu-machine carries it as a resource; a program that links this library
// without it (the tests' own machines) creates machines without a manual.
static void installManual(emu::EmulatedMachine& machine, const std::string& folder) {
  QFile manual(QStringLiteral(":/manual/verantu.pdf"));
  if (!manual.open(QIODevice::ReadOnly)) return;
  std::string host = machine.files().hostPath(folder + "verantu.pdf");
  if (host.empty()) return;
  QFile copy(QString::fromStdString(host));
  if (copy.open(QIODevice::WriteOnly | QIODevice::Truncate)) copy.write(manual.readAll());
}

// The folders a Windows installation has on drive C: and the program needs:
// the Windows directory (where the switch writes its work files) and the
// installation folder (where the manual is looked for).
static void createStandardFolders(emu::EmulatedMachine& machine) {
  char windows[256] = {};
  win::UINT length = machine.system().GetWindowsDirectoryA(windows, sizeof windows);
  // A Windows directory that cannot be made (the registry names a drive the
  // machine has not) leaves the machine without one, as a damaged
  // installation is; its programs meet that as they would on Windows.
  if (length > 0 && length < sizeof windows) (void)machine.files().createDirectory(windows);
  win::HKEY key = nullptr;
  if (machine.registry().RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Q\\Tolvik", 0, KEY_READ,
                                       &key) == ERROR_SUCCESS) {
    char folder[256] = {};
    win::DWORD size = sizeof folder - 1;
    if (machine.registry().RegQueryValueExA(key, "InsDir", nullptr, nullptr,
                                            reinterpret_cast<win::BYTE*>(folder),
                                            &size) == ERROR_SUCCESS &&
        folder[0] && machine.files().createDirectory(folder))
      installManual(machine, folder);
    (void)machine.registry().RegCloseKey(key);
  }
}

std::unique_ptr<emu::EmulatedMachine> createMachine(const std::string& folder,
                                                    std::string_view regBytes,
                                                    const std::string& source, bool replace,
                                                    std::string* error) {
  return createMachine(folder, {RegSource{regBytes, source}}, replace, error);
}

std::unique_ptr<emu::EmulatedMachine> createMachine(const std::string& folder,
                                                    const std::vector<RegSource>& sources,
                                                    bool replace, std::string* error) {
  std::vector<std::vector<regfile::Operation>> files;
  for (const RegSource& source : sources) {
    regfile::ParseError parseError;
    if (!regfile::parse(source.bytes, &files.emplace_back(), &parseError)) {
      if (error)
        *error = source.name + ":" + std::to_string(parseError.line) + ": " + parseError.message;
      return nullptr;
    }
  }
  auto machine = emu::EmulatedMachine::create(folder, replace, error);
  if (!machine) return nullptr;
  // The machine is made by its administrator, whoever the environment says
  // its programs run as.
  machine->setElevated(true);
  for (std::size_t i = 0; i < files.size(); ++i) {
    std::string applyError;
    if (!regfile::apply(machine->registry(), files[i], &applyError)) {
      if (error) *error = sources[i].name + ":" + applyError;
      return nullptr;
    }
  }
  createStandardFolders(*machine);
  return machine;
}

}  // namespace machinetool
