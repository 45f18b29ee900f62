// A stored profile as the profile editor (TForm3) shows and saves it: the
// interfaces with their editing buffers (the working set, which the advanced
// TCP/IP editor changes too), the default printer, the membership and the
// proxy values. Text is ANSI (code page 932). No widgets here: the window
// shows what these functions read and hands back what the user typed.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "store/context.h"
#include "store/multi_string.h"
#include "views/proxy_settings.h"

namespace views {

// The working set has room for this many interfaces; a profile with more
// shows and saves only the first ones.
inline constexpr int kMaxInterfaces = 32;
// Single texts live in 256-byte buffers.
inline constexpr std::size_t kMaxTextLength = 255;
// A stored list longer than this fails to read, both here and in the switch,
// so the editor never writes a longer one.
inline constexpr std::size_t kMaxStoredListBytes = 256;

// The editing buffers of one interface. The texts are what the address,
// mask, gateway and DNS fields show; the lists are multi-string images
// (strings each ended by a NUL, the whole ended by one more NUL; empty for
// an empty list) whose first string the texts replace on a save.
struct InterfaceBuffers {
  std::string addressText;
  std::string maskText;
  std::string gatewayText;
  std::string gatewayMetricText;
  std::string dnsText;  // servers joined by ","
  std::string addressList;
  std::string maskList;
  std::string gatewayList;
  std::string gatewayMetricList;
  win::DWORD interfaceMetric = 0;  // 0: automatic
};
using WorkingSet = std::array<InterfaceBuffers, kMaxInterfaces>;

// Multi-string images. Items are the strings up to the first empty one; the
// first string counts even when it is empty.
using store::MultiStringImage;
using store::MultiStringItems;
// `text` in place of the list's first string, the list's later strings
// after it; an empty list gives `text` alone.
std::string ReplaceFirstString(const std::string& image, const std::string& text);
// The bytes a list takes when written: up to and including its first pair
// of adjacent NULs (two NULs for an empty list).
std::string StoredImage(const std::string& image);

// One network interface of the profile, in tab order.
struct ProfileInterface {
  std::string adapterId;     // "{…}"
  std::string name;          // connection name, the tab's caption
  std::string interfaceKey;  // the profile's copy of the interface key
  // A stored list that is too long to read: the tab shows it as empty, so a
  // save leaves this interface alone rather than overwrite what it cannot show.
  bool unreadable = false;
  // The adapter names no interface key (its IpConfig is missing or empty):
  // there is nothing to show, and the interface is unreadable as well.
  bool withoutIpConfig = false;
};

// What one opening of the editor loaded.
struct ProfileContents {
  int slot = 0;  // the save writes to this slot
  std::string title;
  std::vector<ProfileInterface> interfaces;  // at most kMaxInterfaces
  int omittedInterfaces = 0;                 // interfaces past kMaxInterfaces
  std::string printer;                       // DefPrinter
  std::string domainName;                    // DomainName
  bool domain = false;                       // DomainType nonzero
  ProxyValues proxy;                         // the Internet Settings values
};

// Reads the profile of `slot` and refills `workingSet[j]` for every
// interface j it shows. Shows no message.
ProfileContents LoadProfile(const store::Context& ctx, int slot, const std::string& title,
                            WorkingSet& workingSet);
// The messages the editor shows after a load: more interfaces than the
// working set holds, and interfaces whose lists cannot be read.
void ReportLoadLimits(const store::Context& ctx, const ProfileContents& contents);

// Whether the profile stores `iface` as a DHCP interface (EnableDHCP
// nonzero; missing counts as static).
bool IsStoredDhcp(const store::Context& ctx, const ProfileInterface& iface);

// The installed printers, in the order the system lists them.
std::vector<std::string> ReadPrinterNames(const store::Context& ctx);

// What the editor's fields hold when the user saves, besides the working set.
struct EditorFields {
  int currentTab = 0;
  // The address, mask, gateway and DNS fields of the current tab.
  std::string address;
  std::string mask;
  std::string gateway;
  std::string dns;
  std::string printer;
  std::string domainName;
  bool domain = false;
  ProxyEditState proxy;
};

struct SaveOutcome {
  bool confirmed = false;  // the user answered Yes to the first question
  bool interfacesWritten = false;
  bool completed = false;  // everything was written, printer to membership
  // The current tab's address was empty and is now "0.0.0.0", and so is its
  // mask: the window shows both.
  bool currentTabSetToDhcp = false;
};

// The save of the editor, owned by ctx.owner: asks "変更を登録しますか？",
// takes the fields of the current tab into the working set, checks every
// value and refuses with a message (writing nothing) when one cannot be
// stored or applied as it is, then writes the interfaces, asks about a
// printer that is not installed, and writes the printer, the proxy values
// and the membership.
SaveOutcome SaveProfile(const store::Context& ctx, const ProfileContents& contents,
                        WorkingSet& workingSet, const EditorFields& fields);

// A stored profile as the editor shows it, for the command line.
struct InterfaceSummary {
  std::string name;
  bool dhcp = false;
  struct Pair {
    std::string left;
    std::string right;
  };
  std::vector<Pair> addresses;  // address and mask
  std::vector<Pair> gateways;   // gateway and metric
  std::vector<std::string> dnsServers;
  win::DWORD interfaceMetric = 0;
};
struct ProfileSummary {
  std::string title;
  std::vector<InterfaceSummary> interfaces;
  int omittedInterfaces = 0;
  std::string printer;
  std::string domainName;
  bool domain = false;
  ProxyEditState proxy;
};
// Reads the profile of `slot` the way the editor loads it.
ProfileSummary SummarizeProfile(const store::Context& ctx, int slot, const std::string& title);

}  // namespace views
