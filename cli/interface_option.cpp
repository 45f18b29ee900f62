#include "cli/interface_option.h"

#include <algorithm>

#include "cli/command.h"

namespace cli {

namespace {
const std::string kInterfaceOption = "interface";
}  // namespace

void addInterfaceOption(Arguments& arguments) {
  arguments.addOption(kInterfaceOption, "NAME",
                      "Ticks only the interface with connection name NAME (repeatable; default: "
                      "every interface of the profile).");
}

InterfaceNames readInterfaceNames(const Arguments& arguments) {
  InterfaceNames result;
  for (const std::string& name : arguments.values(kInterfaceOption)) {
    std::optional<std::string> ansi = AnsiFromArgument(name);
    if (!ansi) {
      result.problem = "interface \"" + name + "\" holds characters that code page 932 cannot hold";
      return result;
    }
    result.names.push_back(std::move(*ansi));
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
