// The TCP/IP editor's lists without a window: reading addresses as the
// editor does, opening on an interface's buffers and the profile editor's
// fields, taking the lists back, the entry dialogs' items and the key
// filters of the numeric fields.
#include "views/tcpip_lists.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using views::AddressBoxes;
using views::InterfaceBuffers;
using views::MultiStringImage;
using views::MultiStringItems;
using views::TcpipLists;

TEST(TcpipListsTest, AddressesReadAsFourOctetsWithOutOfRangeAsZero) {
  const std::pair<const char*, const char*> cases[] = {{"192.168.1.2", "192.168.1.2"},
                                                       {"192.168.1.300", "192.168.1.0"},
                                                       {"10.1", "10.1.0.0"},
                                                       {"", "0.0.0.0"},
                                                       {"abc", "0.0.0.0"},
                                                       {" 10. 20.30.-4", "10.20.30.0"},
                                                       {"99999999999999.1.1.1", "0.1.1.1"}};
  for (const auto& [text, normal] : cases) EXPECT_EQ(views::NormalizeAddress(text), normal) << text;
  EXPECT_EQ(views::SplitPair("1.2.3.4 --- 20"),
            std::make_pair(std::string("1.2.3.4"), std::string("20")));
  EXPECT_EQ(views::SplitPair("1.2.3.4"), std::make_pair(std::string("1.2.3.4"), std::string()));
}

TEST(TcpipListsTest, OpenPairsFurtherAddressesAsTheSwitchAppliesThem) {
  InterfaceBuffers entry;
  entry.addressList = MultiStringImage({"192.168.1.2", "192.168.1.3", "192.168.1.4"});
  entry.maskList = MultiStringImage({"255.255.255.0", "255.255.0.0"});
  entry.gatewayList = MultiStringImage({"192.168.1.1", "192.168.1.254"});
  entry.gatewayMetricText = "0";
  entry.gatewayMetricList = MultiStringImage({"0"});
  entry.interfaceMetric = 25;
  AddressBoxes boxes{"192.168.1.300", "255.255.255.128", "192.168.1.1", "10.0.0.1,,10.0.0.2"};

  TcpipLists lists = views::OpenTcpipLists(entry, boxes, true);
  EXPECT_EQ(lists.addresses, (std::vector<std::string>{"192.168.1.0 --- 255.255.255.128",
                                                       "192.168.1.3 --- 255.255.0.0",
                                                       "192.168.1.4 --- 255.255.0.0"}));
  EXPECT_EQ(lists.gateways, (std::vector<std::string>{"192.168.1.1 --- 0", "192.168.1.254 --- 0"}));
  EXPECT_EQ(lists.dnsServers, (std::vector<std::string>{"10.0.0.1", "", "10.0.0.2"}));
  EXPECT_FALSE(lists.automaticMetric);
  EXPECT_EQ(lists.metricText, "25");
  // The fields' texts become the buffers' texts, as typed.
  EXPECT_EQ(entry.addressText, "192.168.1.300");
  EXPECT_EQ(entry.gatewayText, "192.168.1.1");

  // A metric stored as plain text serves every gateway.
  entry.gatewayMetricList.clear();
  entry.gatewayMetricText = "5";
  lists = views::OpenTcpipLists(entry, boxes, true);
  EXPECT_EQ(lists.gateways, (std::vector<std::string>{"192.168.1.1 --- 5", "192.168.1.254 --- 5"}));
}

TEST(TcpipListsTest, OpenOnEmptyFieldsMakesDhcpAndDropsGateways) {
  InterfaceBuffers entry;
  entry.addressList = MultiStringImage({"10.0.0.1", "10.0.0.2"});
  entry.gatewayList = MultiStringImage({"10.0.0.254"});
  AddressBoxes boxes{"", "255.0.0.0", "", ""};
  TcpipLists lists = views::OpenTcpipLists(entry, boxes, true);
  EXPECT_EQ(lists.addresses, (std::vector<std::string>{"0.0.0.0 --- 0.0.0.0"}));
  EXPECT_EQ(boxes.address, "0.0.0.0");
  EXPECT_EQ(boxes.mask, "0.0.0.0");
  EXPECT_EQ(entry.addressList, MultiStringImage({"0.0.0.0"}));
  EXPECT_TRUE(lists.gateways.empty());
  EXPECT_EQ(entry.gatewayList, "");
  EXPECT_TRUE(lists.dnsServers.empty());
  EXPECT_TRUE(lists.automaticMetric);
  EXPECT_EQ(lists.metricText, "");

  // Fields of another interface leave these buffers' kind alone.
  InterfaceBuffers other;
  AddressBoxes otherBoxes{"", "", "", ""};
  views::OpenTcpipLists(other, otherBoxes, false);
  EXPECT_EQ(otherBoxes.address, "");
}

TEST(TcpipListsTest, AcceptRewritesListsTextsAndFields) {
  InterfaceBuffers entry;
  entry.gatewayText = "10.0.0.254";
  entry.gatewayList = MultiStringImage({"10.0.0.254"});
  entry.interfaceMetric = 10;
  AddressBoxes boxes{"1.1.1.1", "255.0.0.0", "10.0.0.254", "10.0.0.53"};
  TcpipLists lists;
  lists.addresses = {"10.0.0.5 --- 255.0.0.0", "10.0.0.6 --- 255.255.0.0"};
  lists.automaticMetric = false;
  lists.metricText = "x";  // unreadable: the metric stays
  views::AcceptTcpipLists(lists, entry, boxes);
  EXPECT_EQ(boxes.address, "10.0.0.5");
  EXPECT_EQ(entry.maskText, "255.0.0.0");
  EXPECT_EQ(entry.addressList, MultiStringImage({"10.0.0.5", "10.0.0.6"}));
  EXPECT_EQ(entry.maskList, MultiStringImage({"255.0.0.0", "255.255.0.0"}));
  // No gateway items: gateways as they were. No DNS items: none left.
  EXPECT_EQ(boxes.gateway, "10.0.0.254");
  EXPECT_EQ(entry.gatewayList, MultiStringImage({"10.0.0.254"}));
  EXPECT_EQ(boxes.dns, "");
  EXPECT_EQ(entry.dnsText, "");
  EXPECT_EQ(entry.interfaceMetric, 10u);

  lists.gateways = {"10.0.0.1 --- 5", "10.0.0.2 --- "};
  lists.dnsServers = {"10.0.0.53", "10.0.0.54"};
  lists.metricText = "20";
  views::AcceptTcpipLists(lists, entry, boxes);
  EXPECT_EQ(entry.gatewayMetricText, "5");
  EXPECT_EQ(entry.gatewayMetricList, MultiStringImage({"5", "0"}));
  EXPECT_EQ(boxes.dns, "10.0.0.53,10.0.0.54");
  EXPECT_EQ(entry.interfaceMetric, 20u);
  lists.automaticMetric = true;
  views::AcceptTcpipLists(lists, entry, boxes);
  EXPECT_EQ(entry.interfaceMetric, 0u);
}

TEST(TcpipListsTest, ProblemsRefuseWhatCannotBeStored) {
  TcpipLists lists;
  lists.addresses = {"10.0.0.2 --- "};  // a further address without a mask
  ASSERT_TRUE(views::FindTcpipListProblem(lists));
  EXPECT_NE(views::FindTcpipListProblem(lists)->find("10.0.0.2 --- "), std::string::npos);

  lists.addresses = {"10.0.0.2 --- 255.0.0.0"};
  lists.gateways = {"10.0.0.1 --- "};  // no metric: automatic
  EXPECT_FALSE(views::FindTcpipListProblem(lists));
  lists.gateways = {"junk"};
  EXPECT_TRUE(views::FindTcpipListProblem(lists));

  lists.gateways.clear();
  lists.addresses.assign(15, "255.255.255.255 --- 255.255.255.255");  // 241 bytes
  EXPECT_FALSE(views::FindTcpipListProblem(lists));
  lists.addresses.push_back("100.100.100.100 --- 255.0.0.0");  // 16 more bytes
  EXPECT_TRUE(views::FindTcpipListProblem(lists));

  lists.addresses.clear();
  lists.dnsServers.assign(16, "255.255.255.255");  // 255 characters with commas
  EXPECT_FALSE(views::FindTcpipListProblem(lists));
  lists.dnsServers.push_back("1");
  EXPECT_TRUE(views::FindTcpipListProblem(lists));
}

TEST(TcpipListsTest, EntryDialogItemsAndBoxes) {
  EXPECT_EQ(views::AddressMaskItem({"10", "0", "0", "300", "255", "255", "255", "0"}),
            "10.0.0.0 --- 255.255.255.0");
  EXPECT_EQ(views::AddressMaskItem({"", " 7", "x", "1", "", "", "", ""}), "0.7.0.1 --- 0.0.0.0");
  EXPECT_EQ(views::GatewayItem({"192", "168", "0", "1"}, "20"), "192.168.0.1 --- 20");
  EXPECT_EQ(views::GatewayItem({"192", "168", "0", "256"}, "300"), "192.168.0.0 --- 300");
  EXPECT_EQ(views::DnsItem({"8", "8", "4", "4"}), "8.8.4.4");

  EXPECT_EQ(views::AddressMaskBoxes("192.168.1.2 --- 255.255.255.0"),
            (std::array<std::string, 8>{"192", "168", "  1", "  2", "255", "255", "255", "  0"}));
  auto [octets, metric] = views::GatewayBoxes("10.0.0.1 --- 20");
  EXPECT_EQ(octets, (std::array<std::string, 4>{" 10", "  0", "  0", "  1"}));
  EXPECT_EQ(metric, "20");
  EXPECT_EQ(views::DnsBoxes("1.2.3"), (std::array<std::string, 4>{"  1", "  2", "  3", "  0"}));
}

TEST(TcpipListsTest, KeyFiltersPassControlAndDoubleByteCodes) {
  struct Case {
    char key;
    bool address, dns, digits;
  };
  const Case cases[] = {
      {'0', true, true, true},        {'9', true, true, true},
      {'.', true, true, false},       {',', false, true, false},
      {'a', false, false, false},     {' ', false, false, false},
      {'\x7f', false, false, false},  {'\b', true, true, true},
      {'\x16', true, true, true},     {char(0x80), true, true, true},
      {char(0xB1), true, true, true}, {char(0xFF), true, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(static_cast<unsigned char>(c.key)));
    EXPECT_EQ(views::FilterKey(c.key, views::kAddressKeys), c.address ? c.key : 7);
    EXPECT_EQ(views::FilterKey(c.key, views::kDnsKeys), c.dns ? c.key : 7);
    EXPECT_EQ(views::FilterKey(c.key, views::kDigits), c.digits ? c.key : 7);
  }
}

}  // namespace
