#include "cli/arguments.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>

namespace cli {

namespace {

bool isSpace(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::vector<std::string> splitNames(const std::string& names) {
  std::vector<std::string> result;
  std::string::size_type start = 0;
  while (true) {
    const std::string::size_type comma = names.find(',', start);
    result.push_back(names.substr(start, comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return result;
}

std::string dashed(const std::string& name) {
  return (name.size() == 1 ? "-" : "--") + name;
}

// One option's row of the help: its names in a column of `width`, the
// description beside them wrapped at 79 columns, long names wrapped too.
std::string wrapText(const std::string& names, std::size_t width, const std::string& description) {
  const std::string indentation = "  ";
  std::size_t nameIndex = 0;
  auto nextNameSection = [&]() {
    std::string section = names.substr(std::min(nameIndex, names.size()), width);
    nameIndex += section.size();
    section.resize(std::max(section.size(), width), ' ');
    return section;
  };

  std::string text;
  const long max = 79 - long(indentation.size() + width + 1);
  const long length = long(description.size());
  long lineStart = 0;
  long lastBreakable = -1;
  long x = 0;
  for (long i = 0; i < length; ++i) {
    ++x;
    const char c = description[std::size_t(i)];
    if (isSpace(c)) lastBreakable = i;

    long breakAt = -1;
    long nextLineStart = -1;
    if (x > max && lastBreakable != -1) {
      // Time to break, at the last blank.
      breakAt = lastBreakable;
      nextLineStart = lastBreakable + 1;
    } else if ((x > max - 1 && lastBreakable == -1) || i == length - 1) {
      // Time to break with no blank to break at, or the end of the text.
      breakAt = i + 1;
      nextLineStart = breakAt;
    } else if (c == '\n') {
      breakAt = i;
      nextLineStart = i + 1;
    }

    if (breakAt != -1) {
      text += indentation + nextNameSection() + ' ';
      text += description.substr(std::size_t(lineStart), std::size_t(breakAt - lineStart)) + '\n';
      x = 0;
      lastBreakable = -1;
      lineStart = nextLineStart;
      if (lineStart < length && isSpace(description[std::size_t(lineStart)])) ++lineStart;
      i = lineStart;
    }
  }
  while (nameIndex < names.size()) text += indentation + nextNameSection() + '\n';
  return text;
}

}  // namespace

Arguments::Arguments(std::string description)
    : description_(std::move(description)), app_(std::make_unique<CLI::App>()) {
  // The checks below report what is wrong; CLI11 only binds what is right.
  app_->set_help_flag();
  // Every argument that is not an option is left over, in order and as
  // given, and the verb counts them. (A positional option of CLI11's own
  // would take "[a,b]" for a list and keep "a" and "b".)
  app_->allow_extras();
}

Arguments::~Arguments() = default;

void Arguments::add(const std::string& names, const std::string& valueName,
                    const std::string& description) {
  Entry entry{splitNames(names), valueName, description};
  std::string spec;
  for (const std::string& name : entry.names) spec += (spec.empty() ? "" : ",") + dashed(name);
  if (valueName.empty()) {
    entry.option = app_->add_flag(spec)->disable_flag_override();
  } else {
    entry.option = app_->add_option(spec)
                       ->type_name(valueName)
                       ->expected(1)
                       ->allow_extra_args(false)
                       ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  }
  entries_.push_back(std::move(entry));
}

void Arguments::addFlag(const std::string& names, const std::string& description) {
  add(names, {}, description);
}

void Arguments::addOption(const std::string& names, const std::string& valueName,
                          const std::string& description) {
  add(names, valueName, description);
}

void Arguments::addPositional(const std::string& name, const std::string& description,
                              const std::string& syntax) {
  positionalEntries_.push_back({name, description, syntax.empty() ? name : syntax});
}

const Arguments::Entry* Arguments::find(const std::string& name) const {
  for (const Entry& entry : entries_)
    if (std::find(entry.names.begin(), entry.names.end(), name) != entry.names.end()) return &entry;
  return nullptr;
}

// What the command line has always refused, in its words: a value missing
// after the last option that takes one, a value given to a flag, unknown
// options (a single dash starts compacted one-letter options, each checked
// on its own). A value missing at the end is the last error and wins over a
// flag's value; both win over unknown options. Meanwhile `normalized` gets
// the arguments CLI11 is to bind, each value as an argument of its own, so
// that an empty value or one that starts with a dash is taken as given.
std::string Arguments::check(const std::vector<std::string>& arguments,
                             std::vector<std::string>& normalized) const {
  std::string valueError;
  std::vector<std::string> unknown;
  bool positionalOnly = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (positionalOnly || argument.size() < 2 || argument.front() != '-') {
      normalized.push_back(argument);
      continue;
    }
    if (argument == "--") {
      positionalOnly = true;
      normalized.push_back(argument);
      continue;
    }
    if (argument.compare(0, 2, "--") == 0) {
      const std::string::size_type assign = argument.find('=');
      const std::string name =
          argument.substr(2, assign == std::string::npos ? assign : assign - 2);
      const Entry* entry = find(name);
      if (!entry) {
        unknown.push_back(name);
      } else if (entry->valueName.empty()) {
        if (assign != std::string::npos)
          valueError = "Unexpected value after '" + argument.substr(0, assign) + "'.";
        else
          normalized.push_back(dashed(name));
      } else if (assign != std::string::npos) {
        normalized.push_back(dashed(name));
        normalized.push_back(argument.substr(assign + 1));
      } else if (i + 1 < arguments.size()) {
        normalized.push_back(dashed(name));
        normalized.push_back(arguments[++i]);
      } else {
        valueError = "Missing value after '" + argument + "'.";
      }
      continue;
    }
    for (std::size_t pos = 1; pos < argument.size(); ++pos) {
      const std::string name(1, argument[pos]);
      const Entry* entry = find(name);
      if (!entry) {
        unknown.push_back(name);
      } else if (entry->valueName.empty()) {
        normalized.push_back(dashed(name));
      } else {
        // The rest of the argument, else the next one, is the value.
        normalized.push_back(dashed(name));
        if (pos + 1 < argument.size()) {
          normalized.push_back(argument.substr(pos + 1));
        } else if (i + 1 < arguments.size()) {
          normalized.push_back(arguments[++i]);
        } else {
          valueError = "Missing value after '" + argument + "'.";
          normalized.pop_back();
        }
        break;
      }
    }
  }
  if (!valueError.empty()) return valueError;
  if (unknown.size() == 1) return "Unknown option '" + unknown.front() + "'.";
  if (unknown.size() > 1) {
    std::string list;
    for (const std::string& name : unknown) list += (list.empty() ? "" : ", ") + name;
    return "Unknown options: " + list + ".";
  }
  return {};
}

std::string Arguments::parse(const std::vector<std::string>& arguments) {
  std::vector<std::string> normalized;
  if (std::string problem = check(arguments, normalized); !problem.empty()) return problem;
  // CLI11 takes the arguments last first.
  std::reverse(normalized.begin(), normalized.end());
  try {
    app_->parse(normalized);
  } catch (const CLI::ParseError& error) {
    return error.what();
  }
  // Every option was known to the checks above, so only the arguments are
  // left, with the "--" that ended the options (the first one).
  positional_ = app_->remaining();
  auto separator = std::find(positional_.begin(), positional_.end(), "--");
  if (separator != positional_.end()) positional_.erase(separator);
  return {};
}

bool Arguments::isSet(const std::string& name) const {
  const Entry* entry = find(name);
  return entry && entry->option->count() > 0;
}

std::vector<std::string> Arguments::values(const std::string& name) const {
  const Entry* entry = find(name);
  if (!entry || entry->valueName.empty()) return {};
  return entry->option->results();
}

std::string Arguments::value(const std::string& name) const {
  std::vector<std::string> all = values(name);
  return all.empty() ? std::string() : all.back();
}

std::string Arguments::helpText(const std::string& verb) const {
  std::string usage = "verantu-cli " + verb;
  if (!entries_.empty()) usage += " [options]";
  for (const PositionalEntry& entry : positionalEntries_) usage += ' ' + entry.syntax;
  std::string text = "Usage: " + usage + '\n';
  if (!description_.empty()) text += description_ + '\n';
  text += '\n';

  std::vector<std::string> nameColumn;
  std::size_t width = 0;
  for (const Entry& entry : entries_) {
    std::string names;
    for (const std::string& name : entry.names) names += (names.empty() ? "" : ", ") + dashed(name);
    if (!entry.valueName.empty()) names += " <" + entry.valueName + '>';
    width = std::max(width, names.size());
    nameColumn.push_back(std::move(names));
  }
  width = std::min<std::size_t>(50, width + 1);
  if (!entries_.empty()) text += "Options:\n";
  for (std::size_t i = 0; i < entries_.size(); ++i)
    text += wrapText(nameColumn[i], width, entries_[i].description);
  if (!positionalEntries_.empty()) {
    if (!entries_.empty()) text += '\n';
    text += "Arguments:\n";
    for (const PositionalEntry& entry : positionalEntries_)
      text += wrapText(entry.name, width, entry.description);
  }
  return text;
}

}  // namespace cli
