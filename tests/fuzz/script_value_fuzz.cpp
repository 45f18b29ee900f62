// The switch script's value check: whatever it lets into the script must not
// be able to end the command line it stands in. A CR or LF byte (never the
// second byte of a double-byte character) would start a command of its own.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "switching/switch_script.h"
#include "tests/fuzz/fuzz_require.h"

using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  if (switching::IsScriptSafeText(text)) {
    require(text.find('\r') == std::string_view::npos);
    require(text.find('\n') == std::string_view::npos);
    require(text.find('\0') == std::string_view::npos);
    require(text.find('\x1A') == std::string_view::npos);
  }
  auto pieces = switching::SplitDnsList(text);
  require(!pieces.empty() && pieces.size() <= switching::kMaxDnsPieces);
  for (const auto& piece : pieces) require(piece.size() <= switching::kMaxDnsPieceLength);
  return 0;
}
