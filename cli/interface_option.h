// The --interface option of the switch and script verbs: which of the
// profile's interfaces are ticked, by connection name.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "switching/switch_script.h"

namespace cli {

void addInterfaceOption(Arguments& arguments);

// The names given (ANSI), or what is wrong with them.
struct InterfaceNames {
  std::vector<std::string> names;  // empty: every interface
  std::string problem;
};
InterfaceNames readInterfaceNames(const Arguments& arguments);

// The ticks for `interfaces`: all of them without names, else exactly the
// named ones. Nothing, and `unknown` set, when a name is not one of them.
std::optional<std::vector<bool>> tickInterfaces(
    const std::vector<switching::InterfaceEntry>& interfaces, const std::vector<std::string>& names,
    std::string* unknown);

}  // namespace cli
