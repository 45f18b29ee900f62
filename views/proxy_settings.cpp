#include "views/proxy_settings.h"

#include "platform/code_page.h"
#include "store/registry_access.h"

namespace views {

namespace {

// ":", ";" and "=" are below 0x40, so none of them can be the second byte of
// a double-byte character: searching the ANSI bytes finds only real ones.
constexpr const char* kRowKeys[kProxyRowCount] = {"http=", "https=", "ftp=", "gopher=", "socks="};
constexpr const char* kLocalBypassSuffix = ";<local>";

void AppendHostPort(std::string& text, const HostPort& pair) {
  text += pair.host;
  if (!pair.port.empty()) {
    text += ':';
    text += pair.port;
  }
}

// Trims bytes of code 32 or less (blanks and control characters) from both
// ends; bytes from 0x80 up are text.
std::string TrimControls(const std::string& text) {
  auto isControl = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && isControl(text[begin])) ++begin;
  while (end > begin && isControl(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string TooLongMessage(const char* utf8What) {
  return win::ansiFromUtf8(std::string(utf8What) + "が長すぎます（半角255文字まで）。\n" +
                           "短くしてから保存してください。");
}

}  // namespace

const char* ProxyRowKey(std::size_t row) {
  return kRowKeys[row];
}

HostPort SplitHostPort(const std::string& text) {
  std::size_t colon = text.find(':');
  if (colon == std::string::npos) return {text, {}};
  return {text.substr(0, colon), text.substr(colon + 1)};
}

ProxyServerFields ParseProxyServer(const std::string& text) {
  ProxyServerFields fields;
  if (text.find('=') == std::string::npos) {
    fields.form = ProxyForm::Single;
    fields.single = SplitHostPort(text);
    for (std::size_t row = kHttp; row < kSocks; ++row) fields.rows[row] = fields.single;
    return fields;
  }
  fields.form = ProxyForm::PerProtocol;
  for (std::size_t row = 0; row < kProxyRowCount; ++row) {
    std::string key = kRowKeys[row];
    std::size_t at = text.find(key);
    if (at == std::string::npos) continue;
    std::size_t begin = at + key.size();
    std::size_t end = text.find(';', begin);
    if (end == std::string::npos) end = text.size();
    fields.rows[row] = SplitHostPort(text.substr(begin, end - begin));
  }
  return fields;
}

std::string ComposeProxyServer(ProxyForm form, const HostPort& single, const ProxyRows& rows) {
  std::string text;
  if (form == ProxyForm::Single) {
    AppendHostPort(text, single);
    return text;
  }
  for (std::size_t row = 0; row < kProxyRowCount; ++row) {
    if (rows[row].host.empty()) continue;
    if (!text.empty()) text += ';';
    text += kRowKeys[row];
    AppendHostPort(text, rows[row]);
  }
  return text;
}

ProxyOverrideFields ParseProxyOverride(const std::string& text) {
  ProxyOverrideFields fields;
  fields.bypassLocal = text.find(kLocalBypassEntry) != std::string::npos;
  if (text == kLocalBypassEntry) return fields;
  fields.exceptions = text;
  std::size_t at = text.find(kLocalBypassSuffix);
  if (at != std::string::npos) fields.exceptions.erase(at, std::string(kLocalBypassSuffix).size());
  return fields;
}

std::string ComposeProxyOverride(bool bypassLocal, const std::string& exceptions) {
  if (!bypassLocal) return exceptions;
  if (exceptions.empty()) return kLocalBypassEntry;
  return exceptions + kLocalBypassSuffix;
}

ProxyValues ReadProxyValues(const store::Context& ctx, win::HKEY hive, const std::string& path) {
  // A value that is missing reads as empty (or 0), as the browser takes it.
  ProxyValues values;
  (void)store::ReadStringValue(ctx, hive, path, "AutoConfigURL", values.autoConfigUrl);
  (void)store::ReadDwordValue(ctx, hive, path, "ProxyEnable", values.proxyEnable);
  (void)store::ReadStringValue(ctx, hive, path, "ProxyServer", values.proxyServer);
  (void)store::ReadStringValue(ctx, hive, path, "ProxyOverride", values.proxyOverride);
  return values;
}

bool SingleFieldsEnabled(const ProxyEditState& state) {
  return state.proxyOn && state.sameProxy;
}

bool ProxyDetailsEnabled(const ProxyEditState& state) {
  return state.proxyOn;
}

bool ProtocolRowEnabled(const ProxyEditState& state, std::size_t row) {
  return row == kHttp || !state.sameProxy;
}

void SetProxyOn(ProxyEditState& state, bool on) {
  // The toggle changes field states only, and those follow from the flags.
  state.proxyOn = on;
}

void SetSameProxy(ProxyEditState& state, bool on) {
  if (state.sameProxy == on) return;
  state.sameProxy = on;
  if (on) {
    for (std::size_t i = 0; i < state.held.size(); ++i) state.held[i] = state.rows[kSecure + i];
    for (std::size_t row = kSecure; row < kSocks; ++row) state.rows[row] = state.rows[kHttp];
    state.rows[kSocks] = {};
    state.single = state.rows[kHttp];
  } else {
    for (std::size_t i = 0; i < state.held.size(); ++i) state.rows[kSecure + i] = state.held[i];
    state.single = {};
  }
}

void ShowProxyEditor(ProxyEditState& state) {
  if (SingleFieldsEnabled(state)) {
    SetSameProxy(state, true);
    state.rows[kHttp] = state.single;
  } else {
    SetSameProxy(state, false);
  }
}

void AcceptProxyEditor(ProxyEditState& state) {
  if (state.sameProxy) state.single = state.rows[kHttp];
}

void LoadProxyState(ProxyEditState& state, const ProxyValues& values) {
  state.scriptAddress = values.autoConfigUrl;
  SetProxyOn(state, values.proxyEnable != 0);
  ProxyOverrideFields bypass = ParseProxyOverride(values.proxyOverride);
  state.bypassLocal = bypass.bypassLocal;
  state.exceptions = bypass.exceptions;
  // The toggle runs before the parsed fields arrive: turning the same-proxy
  // setting on puts the rows shown so far aside, so they come back if the
  // user turns it off again.
  ProxyServerFields server = ParseProxyServer(values.proxyServer);
  if (server.form == ProxyForm::Single) {
    SetSameProxy(state, true);
    state.single = server.single;
    state.rows = server.rows;
  } else {
    SetSameProxy(state, false);
    state.rows = server.rows;
    state.single = {};
  }
}

ProxyValues ComposeProxyValues(const ProxyEditState& state) {
  ProxyValues values;
  values.autoConfigUrl = TrimControls(state.scriptAddress);
  values.proxyEnable = state.proxyOn ? 1 : 0;
  values.proxyOverride = ComposeProxyOverride(state.bypassLocal, state.exceptions);
  values.proxyServer = ComposeProxyServer(
      state.sameProxy ? ProxyForm::Single : ProxyForm::PerProtocol, state.single, state.rows);
  return values;
}

std::optional<std::string> FindProxySaveProblem(const ProxyEditState& state) {
  ProxyValues values = ComposeProxyValues(state);
  if (values.autoConfigUrl.size() > kMaxProxyTextLength)
    return TooLongMessage("自動構成ｽｸﾘﾌﾟﾄｱﾄﾞﾚｽ");
  if (values.proxyOverride.size() > kMaxProxyTextLength) return TooLongMessage("ﾌﾟﾛｷｼの例外");
  if (values.proxyServer.size() > kMaxProxyTextLength) return TooLongMessage("ﾌﾟﾛｷｼｻｰﾊﾞの設定");
  return std::nullopt;
}

void WriteProxyValues(const store::Context& ctx, win::HKEY hive, const std::string& path,
                      const ProxyValues& values) {
  // Each write stands alone: a failed one leaves that value as it was.
  (void)store::WriteStringValue(ctx, hive, path, "AutoConfigURL", values.autoConfigUrl);
  (void)store::WriteDwordValue(ctx, hive, path, "ProxyEnable", values.proxyEnable);
  (void)store::WriteStringValue(ctx, hive, path, "ProxyOverride", values.proxyOverride);
  (void)store::WriteStringValue(ctx, hive, path, "ProxyServer", values.proxyServer);
}

}  // namespace views
