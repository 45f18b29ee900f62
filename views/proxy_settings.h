// The Internet Explorer proxy values of a profile or of the live machine:
// the grammar of the proxy server string and of the bypass list, and the
// proxy editing state that the profile editor (TForm3) and the proxy editor
// (TForm10) share for the whole program run. Text is ANSI (code page 932).
//
// The windows keep no proxy logic of their own: they show a ProxyEditState,
// write what the user types into it, and call the operations below for the
// toggles, the proxy editor's opening and OK, the load and the save.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>

#include "platform/win_types.h"
#include "store/context.h"
#include "store/system_keys.h"

namespace views {

// The key the proxy values are read from and written to, live or mirrored.
using store::kInternetSettingsKey;
inline constexpr const char* kLocalBypassEntry = "<local>";
// Composed values and single fields live in 256-byte buffers.
inline constexpr std::size_t kMaxProxyTextLength = 255;

// The rows of the per-protocol form, in the order they are parsed, composed
// and shown.
enum ProxyRow : std::size_t { kHttp = 0, kSecure, kFtp, kGopher, kSocks, kProxyRowCount };
// "http=", "https=", "ftp=", "gopher=", "socks=" by row.
const char* ProxyRowKey(std::size_t row);

struct HostPort {
  std::string host;
  std::string port;
  bool operator==(const HostPort&) const = default;
};
using ProxyRows = std::array<HostPort, kProxyRowCount>;

// Splits at the first ":"; the port keeps any further ":". Without ":" the
// whole text is the host.
HostPort SplitHostPort(const std::string& text);

enum class ProxyForm { Single, PerProtocol };

struct ProxyServerFields {
  ProxyForm form = ProxyForm::Single;
  HostPort single;  // empty in the per-protocol form
  ProxyRows rows;   // single form: HTTP..Gopher repeat `single`, Socks empty
};
// A string with an "=" anywhere is the per-protocol form; any other string,
// the empty one included, is the single form.
ProxyServerFields ParseProxyServer(const std::string& text);
// Single form: host[:port]. Per-protocol form: the rows with a host, each as
// key host[:port], joined by ";". Hosts and ports are written as given.
std::string ComposeProxyServer(ProxyForm form, const HostPort& single, const ProxyRows& rows);

struct ProxyOverrideFields {
  bool bypassLocal = false;
  std::string exceptions;  // the list without its ";<local>" entry
};
ProxyOverrideFields ParseProxyOverride(const std::string& text);
std::string ComposeProxyOverride(bool bypassLocal, const std::string& exceptions);

// The four stored values as read from, or to be written to, an Internet
// Settings key.
struct ProxyValues {
  std::string autoConfigUrl;
  win::DWORD proxyEnable = 0;
  std::string proxyServer;
  std::string proxyOverride;
};
// Reads the four values of `path`: a missing or over-long string reads as
// empty, a missing ProxyEnable as 0.
ProxyValues ReadProxyValues(const store::Context& ctx, win::HKEY hive, const std::string& path);

// What the user edits while a profile is open. One instance lives for the
// whole program run; both windows keep showing it between openings.
struct ProxyEditState {
  bool proxyOn = false;       // TForm3 CheckBox1
  bool bypassLocal = false;   // TForm3 CheckBox2
  std::string scriptAddress;  // TForm3 Edit2
  HostPort single;            // TForm3 Edit4 (host) and Edit9 (port)
  bool sameProxy = false;     // TForm10 CheckBox1
  ProxyRows rows;             // TForm10 LabeledEdit1..5 (hosts) and Edit6..10 (ports)
  std::string exceptions;     // TForm10 Memo1
  // The Secure, FTP, Gopher and Socks rows put aside while the same-proxy
  // setting is on, so turning it off again brings them back.
  std::array<HostPort, kProxyRowCount - 1> held;
};

// Field states; a label follows its field.
// TForm3 Edit4/Label4 and Edit9/Label9.
bool SingleFieldsEnabled(const ProxyEditState& state);
// TForm3 Button2 ("詳細...") and CheckBox2.
bool ProxyDetailsEnabled(const ProxyEditState& state);
// TForm10 rows Secure..Socks (the HTTP row is always enabled).
bool ProtocolRowEnabled(const ProxyEditState& state, std::size_t row);

// Setting a toggle runs its toggle operation only when the state changes,
// as a click on the check box would. Turning proxy on or off changes field
// states only. Turning the same-proxy setting on puts the Secure..Socks
// rows aside, fills Secure..Gopher from the HTTP row, empties Socks and
// copies the HTTP row into the single fields; turning it off brings the
// rows back and empties the single fields.
void SetProxyOn(ProxyEditState& state, bool on);
void SetSameProxy(ProxyEditState& state, bool on);

// The proxy editor opens: with the single fields enabled the same-proxy
// setting goes on and the HTTP row takes the single fields; otherwise the
// setting goes off.
void ShowProxyEditor(ProxyEditState& state);
// OK in the proxy editor: with the same-proxy setting on, the single fields
// take the HTTP row.
void AcceptProxyEditor(ProxyEditState& state);

// The proxy part of a profile load, in the order the toggles must run.
void LoadProxyState(ProxyEditState& state, const ProxyValues& values);

// The values a save writes: the script address trimmed of characters of
// code 32 or less at both ends, ProxyEnable 1 or 0, the composed bypass list,
// and the proxy server string in the single form when the same-proxy setting
// is on, else in the per-protocol form.
ProxyValues ComposeProxyValues(const ProxyEditState& state);

// Why the state cannot be saved as it is, as the ANSI text of an error box
// (caption "エラーメッセージ"), or nothing when it can. A value that would not
// fit its 256-byte buffer is refused rather than cut into a different one.
std::optional<std::string> FindProxySaveProblem(const ProxyEditState& state);

// Writes AutoConfigURL, ProxyEnable, ProxyOverride and ProxyServer in that
// order to `path` (the profile's Internet Settings mirror). A failed write
// does not stop the next one. Callers check FindProxySaveProblem first.
void WriteProxyValues(const store::Context& ctx, win::HKEY hive, const std::string& path,
                      const ProxyValues& values);

}  // namespace views
