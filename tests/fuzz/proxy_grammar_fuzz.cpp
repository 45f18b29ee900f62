// The proxy server string and bypass list grammar, and the editing state
// that a profile's stored values are loaded into and saved from. The input
// is split at NUL bytes into the four stored values.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_require.h"
#include "views/proxy_settings.h"

using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> parts(4);
  std::size_t part = 0;
  for (char c : input) {
    if (c == '\0' && part + 1 < parts.size()) {
      ++part;
    } else {
      parts[part] += c;
    }
  }

  views::ProxyServerFields server = views::ParseProxyServer(parts[2]);
  std::string composed = views::ComposeProxyServer(server.form, server.single, server.rows);
  views::ParseProxyServer(composed);
  views::ProxyOverrideFields bypass = views::ParseProxyOverride(parts[3]);
  views::ParseProxyOverride(views::ComposeProxyOverride(bypass.bypassLocal, bypass.exceptions));

  views::ProxyValues values;
  values.autoConfigUrl = parts[0];
  values.proxyEnable = parts[1].empty() ? 0 : static_cast<unsigned char>(parts[1][0]) & 1;
  values.proxyServer = parts[2];
  values.proxyOverride = parts[3];
  views::ProxyEditState state;
  views::LoadProxyState(state, values);
  views::ShowProxyEditor(state);
  views::SetSameProxy(state, !state.sameProxy);
  views::AcceptProxyEditor(state);
  views::SetSameProxy(state, !state.sameProxy);
  for (std::size_t row = 0; row < views::kProxyRowCount; ++row)
    views::ProtocolRowEnabled(state, row);
  // A state that passes the save check composes values that fit their
  // 256-byte buffers.
  if (!views::FindProxySaveProblem(state)) {
    views::ProxyValues saved = views::ComposeProxyValues(state);
    require(saved.proxyServer.size() <= views::kMaxProxyTextLength);
    require(saved.proxyOverride.size() <= views::kMaxProxyTextLength);
    require(saved.autoConfigUrl.size() <= views::kMaxProxyTextLength);
  }
  return 0;
}
