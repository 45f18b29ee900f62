// The .reg reader on arbitrary bytes. Beyond not crashing: what it accepts
// keeps Windows' limits, and whatever it accepts imports into a registry
// whose ANSI export reads back and exports to the same text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/code_page.h"
#include "platform/emulated/emulated_registry.h"
#include "tests/fuzz/fuzz_require.h"
#include "tools/verantu-machine/reg_file.h"

using fuzz::require;

namespace {

void checkLimits(const regfile::Operation& op) {
  std::optional<std::u16string> converted = win::ansiToWide(op.path);
  require(converted.has_value());
  const std::u16string& path = *converted;
  std::size_t depth = path.empty() ? 0 : 1;
  std::size_t length = 0;
  for (char16_t u : path) {
    if (u == u'\\') {
      ++depth;
      length = 0;
    } else {
      require(++length <= 255);
    }
  }
  require(depth <= 512);
  require(win::isRoundTripAnsi(op.path));
  require(win::isRoundTripAnsi(op.name));
  std::optional<std::u16string> name = win::ansiToWide(op.name);
  require(name && name->size() <= 16383);
  if (op.kind == regfile::Operation::SetValue && op.type == 1 /* REG_SZ */)
    require(win::isRoundTripAnsi(op.data));
}

std::string exportAnsi(emu::EmulatedRegistry& registry) {
  regfile::ExportOptions options;
  options.format = regfile::Format::Regedit4;
  std::string text;
  std::string error;
  bool ok = regfile::exportKeys(registry, {{HKEY_LOCAL_MACHINE, ""}, {HKEY_CURRENT_USER, ""}},
                                options, &text, &error);
  return ok ? text : std::string();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::vector<regfile::Operation> operations;
  regfile::ParseError error;
  if (!regfile::parse(bytes, &operations, &error)) {
    require(operations.empty() && error.line >= 1);
    return 0;
  }
  for (const regfile::Operation& op : operations) checkLimits(op);

  std::string message;
  auto registry = emu::EmulatedRegistry::create(":memory:", &message);
  require(registry != nullptr);
  if (!regfile::apply(*registry, operations, &message)) return 0;
  std::string first = exportAnsi(*registry);
  if (first.empty()) return 0;  // a value the format cannot hold is refused, not mangled

  auto again = emu::EmulatedRegistry::create(":memory:", &message);
  require(again != nullptr);
  require(regfile::importBytes(*again, first, &message));
  require(exportAnsi(*again) == first);
  return 0;
}
