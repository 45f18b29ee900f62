// The machine's live network settings as the live view (TForm2 with its
// detail windows TForm13 and TForm9) and `verantu-cli show` present them:
// computer name and description, membership, one entry per network
// interface, the default printer and the Internet Explorer proxy values.
// Reads only. Text is ANSI (code page 932).
#pragma once

#include <string>
#include <vector>

#include "store/context.h"
#include "store/live_tcpip.h"
#include "store/system_keys.h"
#include "views/display_pair.h"
#include "views/proxy_settings.h"

namespace views {

// The adapters key the live view enumerates.
using store::kAdaptersKey;
using store::kMaxAdapterNameLength;
using store::kMaxLiveAdapterKeys;
using store::kMaxLiveInterfaces;

struct DisplayPairItem {
  std::string left;
  std::string right;
};

// One network interface: what the view's address boxes and the TCP/IP
// detail window show when its tab is selected.
struct LiveInterface {
  std::string name;      // connection name, the tab caption
  bool dhcp = false;     // EnableDHCP nonzero
  std::string kindText;  // "DHCP" or "STATIC"
  std::string address;   // first address (the lease's on DHCP)
  std::string mask;      // first mask (the lease's on DHCP)
  std::string gateway;   // first gateway, empty when there is none
  std::string dns;       // DNS servers as stored ("none" on DHCP when empty)
  // "address --- mask" items, or the single item "DHCP有効" on DHCP.
  std::vector<std::string> addressItems;
  // "gateway --- metric" items; the first shows "自動" for a metric of "0".
  std::vector<std::string> gatewayItems;
  std::string interfaceMetric;  // "自動" for 0, else the number
  // The same lists as pairs, for scripts: addresses with their masks
  // (static only) and gateways with their metrics as stored; 0 for an
  // automatic interface metric.
  std::vector<DisplayPairItem> addressPairs;
  std::vector<DisplayPairItem> gatewayPairs;
  win::DWORD metric = 0;
};

enum class JoinKind {
  Other,      // not joined or not known: the view leaves its choice alone
  Workgroup,  // "WORKGROUP"
  Domain,     // "DOMAIN"
};

struct LiveSettings {
  std::string computerName;
  std::string description;
  JoinKind joinKind = JoinKind::Other;
  std::string joinName;  // empty unless joinKind is Workgroup or Domain
  std::string printer;   // WIN.INI default printer, cut at the first ","
  std::string autoConfigUrl;
  bool proxyOn = false;
  bool bypassLocal = false;
  HostPort single;                        // empty in the per-protocol form
  ProxyRows rows;                         // HTTP, Secure, FTP, Gopher, Socks
  std::string exceptions;                 // the bypass list without its ";<local>" entry
  std::vector<LiveInterface> interfaces;  // in adapter enumeration order
};

// Reads everything the live view shows. Missing keys and values read as
// empty (or the defaults named above); nothing is written and no message
// box is raised except those the registry layer raises itself.
LiveSettings ReadLiveSettings(const store::Context& ctx);

using store::SplitMultiString;

}  // namespace views
