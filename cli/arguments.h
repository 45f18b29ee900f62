// One verb's options and arguments, parsed by CLI11. The words of its
// errors and the layout of its help text are the ones verantu-cli has
// always printed (they came from QCommandLineParser): "Unknown option
// 'bogus'.", "Missing value after '--steps'.", "Unexpected value after
// '--yes'.", and the "Usage: … Options: … Arguments:" help with descriptions
// wrapped at 79 columns. Texts are UTF-8.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace cli {

class Arguments {
 public:
  explicit Arguments(std::string description);
  ~Arguments();
  Arguments(const Arguments&) = delete;
  Arguments& operator=(const Arguments&) = delete;

  // `names` as in the help: "h,help" is -h and --help. A flag takes no
  // value; an option with a value takes exactly one per occurrence
  // ("--name VALUE" or "--name=VALUE") and may be repeated.
  void addFlag(const std::string& names, const std::string& description);
  void addOption(const std::string& names, const std::string& valueName,
                 const std::string& description);
  // For the help text only: every argument that is not an option is taken
  // as given, and the verb checks how many it got. `syntax` stands in the usage line
  // (default: the name).
  void addPositional(const std::string& name, const std::string& description,
                     const std::string& syntax = {});

  // Parses the arguments after the verb. Empty when they are well-formed,
  // else what is wrong with them.
  std::string parse(const std::vector<std::string>& arguments);

  // After a successful parse. `name` is any of an option's names.
  bool isSet(const std::string& name) const;
  // The values given, in order; value() is the last one, empty when none.
  std::vector<std::string> values(const std::string& name) const;
  std::string value(const std::string& name) const;
  const std::vector<std::string>& positional() const { return positional_; }

  // "Usage: verantu-cli VERB [options] …" and the rest of the help.
  std::string helpText(const std::string& verb) const;

 private:
  struct Entry {
    std::vector<std::string> names;  // without dashes
    std::string valueName;           // empty for a flag
    std::string description;
    CLI::Option* option = nullptr;
  };
  struct PositionalEntry {
    std::string name;
    std::string description;
    std::string syntax;
  };

  void add(const std::string& names, const std::string& valueName, const std::string& description);
  const Entry* find(const std::string& name) const;
  std::string check(const std::vector<std::string>& arguments,
                    std::vector<std::string>& normalized) const;

  std::string description_;
  std::unique_ptr<CLI::App> app_;
  std::vector<Entry> entries_;
  std::vector<PositionalEntry> positionalEntries_;
  std::vector<std::string> positional_;
};

}  // namespace cli
