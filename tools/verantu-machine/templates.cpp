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

std::unique_ptr<emu::EmulatedMachine> createMachine(const std::string& folder,
                                                    std::string_view regBytes,
                                                    const std::string& source, bool replace,
                                                    std::string* error) {
  std::vector<regfile::Operation> operations;
  regfile::ParseError parseError;
  if (!regfile::parse(regBytes, &operations, &parseError)) {
    if (error) *error = source + ":" + std::to_string(parseError.line) + ": " + parseError.message;
    return nullptr;
  }
  auto machine = emu::EmulatedMachine::create(folder, replace, error);
  if (!machine) return nullptr;
  std::string applyError;
  if (!regfile::apply(machine->registry(), operations, &applyError)) {
    if (error) *error = source + ":" + applyError;
    return nullptr;
  }
  return machine;
}

}  // namespace machinetool
