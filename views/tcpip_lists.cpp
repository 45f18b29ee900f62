#include "views/tcpip_lists.h"

#include <climits>
#include <cstdio>

#include "platform/code_page.h"
#include "store/messages.h"

namespace views {

namespace {

// UTF-8 sources of the refusals; they become ANSI where a box is shown.
constexpr const char* kIncompleteAddress =
    "「%s」は IPｱﾄﾞﾚｽとｻﾌﾞﾈｯﾄﾏｽｸの組になっていません。\n"
    "この項目を編集するか削除してください。";
constexpr const char* kIncompleteGateway =
    "「%s」は ﾃﾞﾌｫﾙﾄｹﾞｰﾄｳｪｲのｱﾄﾞﾚｽになっていません。\n"
    "この項目を編集するか削除してください。";
constexpr const char* kListTooLong =
    "%sの一覧が長すぎるため登録できません。\n%dﾊﾞｲﾄ以内に収まるように項目を減らしてください。";
constexpr const char* kDnsTooLong =
    "DNSｻｰﾊﾞｱﾄﾞﾚｽの一覧が長すぎるため登録できません。\n"
    "%dﾊﾞｲﾄ以内に収まるように項目を減らしてください。";

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

using store::FormatAnsi;

// A number as "%d" stores it; one that does not fit an int reads as 0.
int readInt(std::string_view text) {
  std::size_t pos = 0;
  std::optional<long long> value = ScanNumber(text, pos);
  if (!value || *value < INT_MIN || *value > INT_MAX) return 0;
  return int(*value);
}

int clampOctet(long long value) {
  return value < 0 || value > 255 ? 0 : int(value);
}

std::array<int, 4> readOctets(std::string_view text) {
  std::size_t pos = 0;
  return ScanAddress(text, pos).octets;
}

bool isCompleteAddress(std::string_view text) {
  std::size_t pos = 0;
  return ScanAddress(text, pos).count == 4;
}

// The partner of the further item at `index`: the one at the same
// position, else the last one of the list, so that a single mask serves
// every address, as the switch applies them.
const std::string& partnerAt(const std::vector<std::string>& partners, std::size_t index) {
  return index < partners.size() ? partners[index] : partners.back();
}

}  // namespace

std::optional<long long> ScanNumber(std::string_view text, std::size_t& pos) {
  std::size_t i = pos;
  while (i < text.size() && isBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::size_t digitsStart = i;
  long long value = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    // Saturate: a number this long is out of every range the callers accept.
    if (value < 1000000000000LL) value = value * 10 + (text[i] - '0');
    ++i;
  }
  if (i == digitsStart) return std::nullopt;
  pos = i;
  return negative ? -value : value;
}

ScannedAddress ScanAddress(std::string_view text, std::size_t& pos) {
  ScannedAddress scanned;
  for (int k = 0; k < 4; ++k) {
    if (k > 0) {
      if (pos >= text.size() || text[pos] != '.') break;
      ++pos;
    }
    std::optional<long long> value = ScanNumber(text, pos);
    if (!value) break;
    scanned.octets[std::size_t(k)] =
        *value < INT_MIN || *value > INT_MAX ? 0 : static_cast<int>(*value);
    scanned.count = k + 1;
  }
  return scanned;
}

std::array<int, 4> ClampOctets(const std::array<int, 4>& octets) {
  std::array<int, 4> clamped{};
  for (std::size_t k = 0; k < 4; ++k) clamped[k] = clampOctet(octets[k]);
  return clamped;
}

std::string FormatAddress(const std::array<int, 4>& octets) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%d.%d.%d.%d", octets[0], octets[1], octets[2], octets[3]);
  return buffer;
}

std::string NormalizeAddress(std::string_view text) {
  return FormatAddress(ClampOctets(readOctets(text)));
}

std::pair<std::string, std::string> SplitPair(const std::string& item) {
  std::size_t at = item.find(kPairSeparator);
  if (at == std::string::npos) return {item, std::string()};
  return {item.substr(0, at), item.substr(at + std::string_view(kPairSeparator).size())};
}

TcpipLists OpenTcpipLists(InterfaceBuffers& entry, AddressBoxes& boxes, bool showsInterface) {
  TcpipLists lists;

  // An empty address field marks a DHCP interface in the profile editor.
  if (showsInterface && boxes.address.empty()) {
    entry.addressText = entry.maskText = "0.0.0.0";
    entry.addressList = entry.maskList = MultiStringImage({"0.0.0.0"});
    boxes.address = boxes.mask = "0.0.0.0";
  }
  entry.addressText = boxes.address;
  entry.maskText = boxes.mask;

  lists.addresses.push_back(
      JoinPair(NormalizeAddress(entry.addressText), NormalizeAddress(entry.maskText)));
  const std::vector<std::string> addresses = MultiStringItems(entry.addressList);
  // The masks as a save would store them: the mask field's text first.
  const std::vector<std::string> masks =
      MultiStringItems(ReplaceFirstString(entry.maskList, entry.maskText));
  for (std::size_t i = 1; i < addresses.size(); ++i)
    lists.addresses.push_back(JoinPair(addresses[i], partnerAt(masks, i)));

  if (showsInterface && boxes.gateway.empty()) {
    entry.gatewayText.clear();
    entry.gatewayList.clear();
  } else {
    entry.gatewayText = boxes.gateway;
    lists.gateways.push_back(
        JoinPair(NormalizeAddress(entry.gatewayText), entry.gatewayMetricText));
    const std::vector<std::string> gateways = MultiStringItems(entry.gatewayList);
    // Without a stored metric list the metric field's text is the metric,
    // as a save stores it.
    std::vector<std::string> metrics = MultiStringItems(entry.gatewayMetricList);
    if (metrics.front().empty()) metrics = {entry.gatewayMetricText};
    for (std::size_t i = 1; i < gateways.size(); ++i)
      lists.gateways.push_back(JoinPair(gateways[i], partnerAt(metrics, i)));
  }

  // The DNS field rather than the buffer: what the user typed there since
  // the tab was shown is what the list starts from.
  if (!boxes.dns.empty()) {
    std::size_t start = 0;
    while (true) {
      std::size_t comma = boxes.dns.find(',', start);
      lists.dnsServers.push_back(boxes.dns.substr(start, comma - start));
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
  }

  lists.automaticMetric = entry.interfaceMetric == 0;
  lists.metricText = lists.automaticMetric ? std::string() : std::to_string(entry.interfaceMetric);
  return lists;
}

std::optional<std::string> FindTcpipListProblem(const TcpipLists& lists) {
  std::vector<std::string> addresses, masks, gateways, metrics;
  for (const std::string& item : lists.addresses) {
    auto [left, right] = SplitPair(item);
    if (item.find(kPairSeparator) == std::string::npos || !isCompleteAddress(left) ||
        !isCompleteAddress(right))
      return FormatAnsi(kIncompleteAddress, item.c_str());
    addresses.push_back(FormatAddress(readOctets(left)));
    masks.push_back(FormatAddress(readOctets(right)));
  }
  for (const std::string& item : lists.gateways) {
    auto [left, right] = SplitPair(item);
    // A gateway without a metric reads as metric 0, automatic.
    if (item.find(kPairSeparator) == std::string::npos || !isCompleteAddress(left))
      return FormatAnsi(kIncompleteGateway, item.c_str());
    gateways.push_back(FormatAddress(readOctets(left)));
    metrics.push_back(std::to_string(readInt(right)));
  }
  const std::pair<const char*, const std::vector<std::string>*> stored[] = {
      {"IPｱﾄﾞﾚｽ", &addresses},
      {"ｻﾌﾞﾈｯﾄﾏｽｸ", &masks},
      {"ﾃﾞﾌｫﾙﾄｹﾞｰﾄｳｪｲ", &gateways},
      {"ｹﾞｰﾄｳｪｲﾒﾄﾘｯｸ", &metrics}};
  for (const auto& [utf8Name, items] : stored)
    if (MultiStringImage(*items).size() > kMaxStoredListBytes)
      return FormatAnsi(kListTooLong, win::ansiFromUtf8(utf8Name).c_str(),
                        int(kMaxStoredListBytes));

  std::size_t dnsLength = 0;
  for (const std::string& server : lists.dnsServers) dnsLength += server.size() + 1;
  if (dnsLength > kMaxTextLength + 1) return FormatAnsi(kDnsTooLong, int(kMaxTextLength));
  return std::nullopt;
}

void AcceptTcpipLists(const TcpipLists& lists, InterfaceBuffers& entry, AddressBoxes& boxes) {
  if (!lists.addresses.empty()) {
    std::vector<std::string> addresses, masks;
    for (const std::string& item : lists.addresses) {
      auto [left, right] = SplitPair(item);
      addresses.push_back(FormatAddress(readOctets(left)));
      masks.push_back(FormatAddress(readOctets(right)));
    }
    entry.addressText = boxes.address = addresses.front();
    entry.maskText = boxes.mask = masks.front();
    entry.addressList = MultiStringImage(addresses);
    entry.maskList = MultiStringImage(masks);
  }
  if (!lists.gateways.empty()) {
    std::vector<std::string> gateways, metrics;
    for (const std::string& item : lists.gateways) {
      auto [left, right] = SplitPair(item);
      gateways.push_back(FormatAddress(readOctets(left)));
      metrics.push_back(std::to_string(readInt(right)));
    }
    entry.gatewayText = boxes.gateway = gateways.front();
    entry.gatewayMetricText = metrics.front();
    entry.gatewayList = MultiStringImage(gateways);
    entry.gatewayMetricList = MultiStringImage(metrics);
  }
  std::string dns;
  for (std::size_t i = 0; i < lists.dnsServers.size(); ++i)
    dns += (i ? "," : "") + lists.dnsServers[i];
  entry.dnsText = boxes.dns = dns;

  if (lists.automaticMetric) {
    entry.interfaceMetric = 0;
  } else {
    // A metric that cannot be read leaves the stored one as it is.
    std::size_t pos = 0;
    std::optional<long long> metric = ScanNumber(lists.metricText, pos);
    if (metric && *metric >= 0 && *metric <= INT_MAX) entry.interfaceMetric = win::DWORD(*metric);
  }
}

std::string OctetBoxText(int octet) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%3d", octet);
  return buffer;
}

std::string AddressMaskItem(const std::array<std::string, 8>& boxes) {
  std::array<int, 4> address{}, mask{};
  for (std::size_t k = 0; k < 4; ++k) {
    address[k] = clampOctet(readInt(boxes[k]));
    mask[k] = clampOctet(readInt(boxes[k + 4]));
  }
  return JoinPair(FormatAddress(address), FormatAddress(mask));
}

std::string GatewayItem(const std::array<std::string, 4>& octets, const std::string& metric) {
  std::array<int, 4> gateway{};
  for (std::size_t k = 0; k < 4; ++k) gateway[k] = clampOctet(readInt(octets[k]));
  return JoinPair(FormatAddress(gateway), std::to_string(readInt(metric)));
}

std::string DnsItem(const std::array<std::string, 4>& octets) {
  std::array<int, 4> server{};
  for (std::size_t k = 0; k < 4; ++k) server[k] = clampOctet(readInt(octets[k]));
  return FormatAddress(server);
}

std::array<std::string, 8> AddressMaskBoxes(const std::string& item) {
  auto [left, right] = SplitPair(item);
  std::array<int, 4> address = readOctets(left);
  std::array<int, 4> mask = readOctets(right);
  std::array<std::string, 8> boxes;
  for (std::size_t k = 0; k < 4; ++k) {
    boxes[k] = OctetBoxText(address[k]);
    boxes[k + 4] = OctetBoxText(mask[k]);
  }
  return boxes;
}

std::pair<std::array<std::string, 4>, std::string> GatewayBoxes(const std::string& item) {
  auto [left, right] = SplitPair(item);
  std::array<int, 4> gateway = readOctets(left);
  std::array<std::string, 4> boxes;
  for (std::size_t k = 0; k < 4; ++k) boxes[k] = OctetBoxText(gateway[k]);
  return {boxes, std::to_string(readInt(right))};
}

std::array<std::string, 4> DnsBoxes(const std::string& item) {
  std::array<int, 4> server = readOctets(item);
  std::array<std::string, 4> boxes;
  for (std::size_t k = 0; k < 4; ++k) boxes[k] = OctetBoxText(server[k]);
  return boxes;
}

char FilterKey(char key, std::string_view accepted) {
  unsigned char code = static_cast<unsigned char>(key);
  if (code < 32 || code >= 128) return key;
  return accepted.find(key) != std::string_view::npos ? key : kRefusedKey;
}

}  // namespace views
