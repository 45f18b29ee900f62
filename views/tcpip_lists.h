// The lists of the advanced TCP/IP editor (TForm14) and the items its entry
// dialogs (TForm15 to TForm17) make: addresses with masks, gateways with
// metrics and DNS servers, shown as display pairs "left --- right". The
// editor works on one interface's buffers of the working set and on the
// profile editor's address, mask, gateway and DNS fields. Text is ANSI.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "views/display_pair.h"
#include "views/profile_data.h"

namespace views {

// Each list of the editor holds at most this many items.
inline constexpr int kMaxListItems = 32;

// Numbers as "%d" reads them: leading blanks, an optional sign, digits.
// Nothing readable gives nothing; `pos` moves past what was read.
std::optional<long long> ScanNumber(std::string_view text, std::size_t& pos);

// "%d.%d.%d.%d": the octets that could be read, in order, the rest 0.
struct ScannedAddress {
  std::array<int, 4> octets{};
  int count = 0;  // how many were read
};
ScannedAddress ScanAddress(std::string_view text, std::size_t& pos);
// Each octet outside 0 to 255 becomes 0.
std::array<int, 4> ClampOctets(const std::array<int, 4>& octets);
std::string FormatAddress(const std::array<int, 4>& octets);
// The address read as four octets, an unreadable or out-of-range one as 0.
std::string NormalizeAddress(std::string_view text);

// Split at the first " --- "; without it the whole item is the left part.
std::pair<std::string, std::string> SplitPair(const std::string& item);

// The profile editor's four fields of the interface being edited.
struct AddressBoxes {
  std::string address;
  std::string mask;
  std::string gateway;
  std::string dns;
};

// What the TCP/IP editor works on in the profile editor while it is open:
// the working set, the four fields of the shown interface and which
// interface that is (-1 without interfaces).
class TcpipEditorHost {
 public:
  virtual WorkingSet& workingSet() = 0;
  virtual AddressBoxes addressBoxes() const = 0;
  virtual void setAddressBoxes(const AddressBoxes& boxes) = 0;
  virtual int currentTab() const = 0;

 protected:
  ~TcpipEditorHost() = default;
};

// What the TCP/IP editor shows.
struct TcpipLists {
  std::vector<std::string> addresses;   // "address --- mask"
  std::vector<std::string> gateways;    // "gateway --- metric"
  std::vector<std::string> dnsServers;  // one address each
  bool automaticMetric = true;
  std::string metricText;  // the interface metric field
};

// The editor opens on `entry`. `showsInterface` tells whether the profile
// editor's fields belong to this interface: then an empty address field
// turns the interface into a DHCP one ("0.0.0.0" in the fields and buffers)
// and an empty gateway field empties the gateway list. The fields' texts
// become the buffers' texts.
TcpipLists OpenTcpipLists(InterfaceBuffers& entry, AddressBoxes& boxes, bool showsInterface);

// Why the lists cannot be taken as they are (an item that is not a complete
// address pair, a list too long to store), as the ANSI text of an error box,
// or nothing when they can.
std::optional<std::string> FindTcpipListProblem(const TcpipLists& lists);
// OK: the lists become the buffers' lists, their first items the texts and
// the profile editor's fields, the DNS servers the DNS text and field, and
// the metric field the interface metric. An empty address or gateway list
// changes nothing of its own kind.
void AcceptTcpipLists(const TcpipLists& lists, InterfaceBuffers& entry, AddressBoxes& boxes);

// Entry dialogs. A box shows one octet right-aligned in three places.
std::string OctetBoxText(int octet);
// The items a dialog makes from its boxes: every box read as "%d" (an
// empty or unreadable one is 0), octets outside 0 to 255 as 0, the gateway
// metric as typed.
std::string AddressMaskItem(const std::array<std::string, 8>& boxes);
std::string GatewayItem(const std::array<std::string, 4>& octets, const std::string& metric);
std::string DnsItem(const std::array<std::string, 4>& octets);
// The boxes an item fills when it is edited.
std::array<std::string, 8> AddressMaskBoxes(const std::string& item);
std::pair<std::array<std::string, 4>, std::string> GatewayBoxes(const std::string& item);
std::array<std::string, 4> DnsBoxes(const std::string& item);

// Key filters of the numeric fields. `key` is the typed character's byte in
// the ANSI code page; the result is the key to insert, or 7 (bell), which
// the field does not insert. Control codes and the bytes 128 to 255 (the
// halves of double-byte and half-width katakana characters) always pass.
inline constexpr char kRefusedKey = 7;
char FilterKey(char key, std::string_view accepted);
inline constexpr std::string_view kDigits = "0123456789";
inline constexpr std::string_view kAddressKeys = "0123456789.";
inline constexpr std::string_view kDnsKeys = "0123456789.,";

}  // namespace views
