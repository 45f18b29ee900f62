#include "cli/interface_option.h"

#include <algorithm>

#include "platform/code_page.h"

namespace cli {

namespace {
const QString kInterfaceOption = QStringLiteral("interface");
}  // namespace

void addInterfaceOption(QCommandLineParser& parser) {
  parser.addOption(QCommandLineOption(
      kInterfaceOption,
      QStringLiteral("Ticks only the interface with connection name NAME (repeatable; default: "
                     "every interface of the profile)."),
      QStringLiteral("NAME")));
}

InterfaceNames readInterfaceNames(const QCommandLineParser& parser) {
  InterfaceNames result;
  for (const QString& name : parser.values(kInterfaceOption)) {
    const std::string utf8 = name.toStdString();
    std::string ansi = win::ansiFromUtf8(utf8);
    if (win::ansiToUtf8(ansi) != utf8) {
      result.problem = QStringLiteral(
                           "interface \"%1\" holds characters that code page 932 "
                           "cannot hold")
                           .arg(name);
      return result;
    }
    result.names.push_back(std::move(ansi));
  }
  return result;
}

std::optional<std::vector<bool>> tickInterfaces(
    const std::vector<switching::InterfaceEntry>& interfaces, const std::vector<std::string>& names,
    std::string* unknown) {
  std::vector<bool> ticked(interfaces.size(), names.empty());
  for (const std::string& name : names) {
    auto it =
        std::find_if(interfaces.begin(), interfaces.end(),
                     [&](const switching::InterfaceEntry& entry) { return entry.name == name; });
    if (it == interfaces.end()) {
      if (unknown) *unknown = name;
      return std::nullopt;
    }
    ticked[std::size_t(it - interfaces.begin())] = true;
  }
  return ticked;
}

}  // namespace cli
