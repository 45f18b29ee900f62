// The registry keys of the live system that the program reads, captures and
// switches, relative to their hive. A profile mirrors each of them under its
// Data key by the same relative path. Text is ANSI (code page 932).
#pragma once

namespace store {

// HKEY_LOCAL_MACHINE: one subkey per network adapter, named by its
// identifier; its IpConfig value names the adapter's TCP/IP settings key.
inline constexpr const char* kAdaptersKey =
    "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Adapters";
// HKEY_LOCAL_MACHINE: one subkey of TCP/IP settings per interface.
inline constexpr const char* kInterfacesKey =
    "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces";
// HKEY_LOCAL_MACHINE: an adapter's own TCP/IP settings; "%s" is the adapter
// identifier.
inline constexpr const char* kAdapterTcpipKeyFormat =
    "SYSTEM\\CurrentControlSet\\Services\\%s\\Parameters\\Tcpip";
// HKEY_LOCAL_MACHINE: the network adapter class, one subkey per adapter.
inline constexpr const char* kNetworkKey =
    "SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E972-E325-11CE-BFC1-08002BE10318}";
// kNetworkKey with its separator, for appending an adapter identifier.
inline constexpr const char* kNetworkKeyPrefix =
    "SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E972-E325-11CE-BFC1-08002BE10318}\\";
// HKEY_LOCAL_MACHINE: an adapter's Connection key, which holds the name the
// user sees; "%s" is the adapter identifier.
inline constexpr const char* kConnectionKeyFormat =
    "SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E972-E325-11CE-BFC1-08002BE10318}\\%s\\"
    "Connection";
// HKEY_LOCAL_MACHINE: the services key with its separator, for appending a
// path relative to it (such as an adapter's IpConfig value).
inline constexpr const char* kServicesKeyPrefix = "SYSTEM\\CurrentControlSet\\Services\\";
// HKEY_CURRENT_USER: the Internet Explorer proxy values.
inline constexpr const char* kInternetSettingsKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
// HKEY_LOCAL_MACHINE: the computer name in its value ComputerName.
inline constexpr const char* kComputerNameKey =
    "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName";
// HKEY_LOCAL_MACHINE: the server service's parameters; srvcomment is the
// computer description.
inline constexpr const char* kServerParametersKey =
    "SYSTEM\\CurrentControlSet\\Services\\lanmanserver\\parameters";
// HKEY_LOCAL_MACHINE: the emulated machine's own settings, which no real
// Windows system has.
inline constexpr const char* kEmulationKey = "SYSTEM\\Emulation";

}  // namespace store
