// Each call asks Windows afresh and fails soft: a machine without the
// wireless service, an adapter that is not wireless or not connected, or a
// gateway with no neighbour entry simply shows nothing. Nothing is sent on
// the network to find a neighbour's address.
#include "platform/network_surroundings.h"

// <windows.h> came lean, without the old Winsock header, so Winsock 2's and
// IP Helper's can follow it.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <optional>

#include <iphlpapi.h>
#include <netioapi.h>
#include <wlanapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/code_page.h"

namespace win32 {

namespace {

using win::DWORD;

// "{GUID}" as Windows writes adapter identifiers, capitals included.
std::string guidText(const GUID& guid) {
  char text[39];
  std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                guid.Data4[6], guid.Data4[7]);
  return text;
}

bool sameIdentifier(const std::string& a, const char* b) {
  return b && _stricmp(a.c_str(), b) == 0;
}

// A dotted quad as an IPv4 address in network order; false for anything else.
bool parseIpv4(const std::string& text, IN_ADDR* address) {
  return InetPtonA(AF_INET, text.c_str(), address) == 1;
}

class WlanHandle {
 public:
  DWORD open() {
    DWORD negotiated = 0;
    return WlanOpenHandle(2, nullptr, &negotiated, &handle_);
  }
  ~WlanHandle() {
    if (handle_) WlanCloseHandle(handle_, nullptr);
  }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_ = nullptr;
};

class Win32Surroundings : public win::NetworkSurroundings {
 public:
  DWORD QueryConnectedSsid(const std::string& adapterId, std::string* ssid) override {
    if (!ssid) return ERROR_INVALID_PARAMETER;
    WlanHandle wlan;
    if (DWORD status = wlan.open(); status != ERROR_SUCCESS) return status;
    PWLAN_INTERFACE_INFO_LIST interfaces = nullptr;
    if (DWORD status = WlanEnumInterfaces(wlan.get(), nullptr, &interfaces);
        status != ERROR_SUCCESS)
      return status;
    DWORD result = ERROR_NOT_FOUND;
    for (DWORD i = 0; i < interfaces->dwNumberOfItems; ++i) {
      const WLAN_INTERFACE_INFO& info = interfaces->InterfaceInfo[i];
      if (_stricmp(guidText(info.InterfaceGuid).c_str(), adapterId.c_str()) != 0) continue;
      if (info.isState != wlan_interface_state_connected) break;
      DWORD size = 0;
      PWLAN_CONNECTION_ATTRIBUTES connection = nullptr;
      if (WlanQueryInterface(wlan.get(), &info.InterfaceGuid, wlan_intf_opcode_current_connection,
                             nullptr, &size, reinterpret_cast<PVOID*>(&connection),
                             nullptr) != ERROR_SUCCESS)
        break;
      const DOT11_SSID& raw = connection->wlanAssociationAttributes.dot11Ssid;
      ULONG length =
          raw.uSSIDLength < DOT11_SSID_MAX_LENGTH ? raw.uSSIDLength : DOT11_SSID_MAX_LENGTH;
      // SSIDs are bytes; Windows shows them as UTF-8, and so does the
      // program, in its own code page.
      std::string text =
          win::ansiFromUtf8(std::string_view(reinterpret_cast<const char*>(raw.ucSSID), length));
      WlanFreeMemory(connection);
      if (!text.empty()) {
        *ssid = std::move(text);
        result = ERROR_SUCCESS;
      }
      break;
    }
    WlanFreeMemory(interfaces);
    return result;
  }

  DWORD QueryDnsSuffix(const std::string& adapterId, std::string* suffix) override {
    if (!suffix) return ERROR_INVALID_PARAMETER;
    constexpr ULONG kFlags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST |
                             GAA_FLAG_SKIP_DNS_SERVER | GAA_FLAG_SKIP_UNICAST;
    // The list can grow between the call that sizes it and the one that
    // fills it; a few attempts cover that.
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG status = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 3 && status == ERROR_BUFFER_OVERFLOW; ++attempt) {
      buffer.resize(size);
      status = GetAdaptersAddresses(AF_UNSPEC, kFlags, nullptr,
                                    reinterpret_cast<PIP_ADAPTER_ADDRESSES>(buffer.data()), &size);
    }
    if (status == ERROR_NO_DATA) return ERROR_NOT_FOUND;
    if (status != ERROR_SUCCESS) return status;
    for (auto* adapter = reinterpret_cast<PIP_ADAPTER_ADDRESSES>(buffer.data()); adapter;
         adapter = adapter->Next) {
      if (!sameIdentifier(adapterId, adapter->AdapterName)) continue;
      if (!adapter->DnsSuffix || !*adapter->DnsSuffix) return ERROR_NOT_FOUND;
      std::optional<std::string> converted =
          win::wideToAnsi(reinterpret_cast<const char16_t*>(adapter->DnsSuffix));
      if (!converted) return ERROR_NO_UNICODE_TRANSLATION;
      *suffix = std::move(*converted);
      return ERROR_SUCCESS;
    }
    return ERROR_NOT_FOUND;
  }

  DWORD QueryNeighborMac(const std::string& address, std::string* mac) override {
    if (!mac) return ERROR_INVALID_PARAMETER;
    IN_ADDR wanted{};
    if (!parseIpv4(address, &wanted)) return ERROR_NOT_FOUND;
    PMIB_IPNET_TABLE2 table = nullptr;
    if (DWORD status = GetIpNetTable2(AF_INET, &table); status != NO_ERROR)
      return status == ERROR_NOT_FOUND ? ERROR_NOT_FOUND : status;
    DWORD result = ERROR_NOT_FOUND;
    for (ULONG i = 0; i < table->NumEntries; ++i) {
      const MIB_IPNET_ROW2& row = table->Table[i];
      if (row.Address.si_family != AF_INET ||
          row.Address.Ipv4.sin_addr.S_un.S_addr != wanted.S_un.S_addr)
        continue;
      // An entry still being resolved, or one that failed, has no address.
      if (row.State == NlnsUnreachable || row.State == NlnsIncomplete ||
          row.PhysicalAddressLength != 6)
        continue;
      char text[18];
      std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", row.PhysicalAddress[0],
                    row.PhysicalAddress[1], row.PhysicalAddress[2], row.PhysicalAddress[3],
                    row.PhysicalAddress[4], row.PhysicalAddress[5]);
      *mac = text;
      result = ERROR_SUCCESS;
      break;
    }
    FreeMibTable(table);
    return result;
  }
};

}  // namespace

}  // namespace win32

namespace win {

// The system is asked directly, whatever the machine object wraps.
std::unique_ptr<NetworkSurroundings> OpenSurroundings(Machine&) {
  return std::make_unique<win32::Win32Surroundings>();
}

}  // namespace win
