// What a machine sees of its network fails soft: an adapter that does not
// exist, a network without a DNS suffix, or an address the neighbour table
// does not hold shows nothing, and no call fails in another way.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/network_surroundings.h"
#include "tests/conformance/conformance_machine.h"

namespace {

using win::DWORD;

// No adapter has this identifier. 198.51.100.1 is a documentation address
// no network here uses (192.0.2.1, another one, is the test machine's own
// gateway, whose entry Wine reads from the host's neighbour table).
constexpr const char* kNoAdapter = "{00000000-0000-0000-0000-000000000000}";
constexpr const char* kNoNeighbour = "198.51.100.1";

TEST(SurroundingsConformance, WhatIsNotThereIsNotFound) {
  auto machine = conformance::newConformanceMachine();
  std::unique_ptr<win::NetworkSurroundings> opened = win::OpenSurroundings(machine->machine());
  win::NetworkSurroundings& surroundings = *opened;
  std::string text = "untouched";

  DWORD ssid = surroundings.QueryConnectedSsid(kNoAdapter, &text);
  // Without a wireless service the WLAN API's own error comes back; Wine has
  // the service's API but no wireless interfaces.
  EXPECT_NE(ssid, DWORD(ERROR_SUCCESS));
  if (conformance::runningUnderWine()) {
    EXPECT_EQ(ssid, DWORD(ERROR_NOT_FOUND));
  }
  EXPECT_EQ(surroundings.QueryDnsSuffix(kNoAdapter, &text), DWORD(ERROR_NOT_FOUND));
  EXPECT_EQ(surroundings.QueryNeighborMac(kNoNeighbour, &text), DWORD(ERROR_NOT_FOUND));
  EXPECT_EQ(surroundings.QueryNeighborMac("not an address", &text), DWORD(ERROR_NOT_FOUND));
  EXPECT_EQ(text, "untouched");
}

}  // namespace
