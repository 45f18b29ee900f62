// The emulated machine's `netsh`: the `interface ip` commands that set and
// add addresses, gateways and DNS servers of a connection, changing the live
// TCP/IP values in the registry as Windows does. The command interpreter
// calls it in-process; `verantu-machine netsh …` calls the same function.
//
// It speaks as the machine's version does. The netsh of Windows XP prints
// "OK" after a successful command. That of Windows Vista and later (major
// version 6 and above) prints one empty line instead, refuses a process
// that is not elevated, and says "DHCP is already enabled on this
// interface." From Windows 7 on (6.1) it also asks a DNS server whether it
// answers before storing it, unless given "validate=no": a server that does
// not answer (one not listed in the REG_MULTI_SZ ReachableAddresses of
// HKEY_LOCAL_MACHINE "SYSTEM\Emulation") gets a message, and is stored all
// the same. Its messages of its own are the English texts Windows prints;
// those it shares with XP stay as XP's netsh words them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace emu {
class EmulatedMachine;
}

namespace machinetool {

struct NetshResult {
  int exitCode = 0;    // 0 success, 1 failure
  std::string output;  // ANSI, "\n" line ends: "OK\n\n" or "\n", or the message lines
};

// Runs netsh with its arguments (ANSI, split as the C runtime splits a
// command line). Waits the machine's NetshDelay first. A failed command
// changes nothing.
NetshResult RunNetsh(emu::EmulatedMachine& machine, const std::vector<std::string>& args);

// Splits an argument text as a Windows program's C runtime does: blanks
// separate, double quotes group and are removed, a backslash escapes a quote.
// The second byte of a double-byte character is never a backslash or quote.
std::vector<std::string> SplitCommandLine(std::string_view ansi);

// netsh's texts, UTF-8 as in the sources; netsh writes them in ANSI.
namespace netsh_text {
inline constexpr const char* kOk = "OK";
inline constexpr const char* kMissingParameter = "1 つ以上の必須パラメータが入力されていません。";
inline constexpr const char* kInvalidParameter = "次のパラメータは無効です: %s";
inline constexpr const char* kBadAddress = "指定された IP アドレスは無効です: %s";
inline constexpr const char* kBadMask = "指定されたサブネット マスクは無効です: %s";
inline constexpr const char* kBadGateway = "指定されたゲートウェイ アドレスは無効です: %s";
inline constexpr const char* kBadMetric =
    "ゲートウェイ メトリックには 0 から 9999 の値を指定してください: %s";
inline constexpr const char* kBadDnsServer = "指定された DNS サーバーのアドレスは無効です: %s";
inline constexpr const char* kUnknownInterface =
    "この名前のインターフェイスはルーターに登録されていません。";
inline constexpr const char* kUnavailableInterface =
    "インターフェイスが使用できる状態にないため、構成できませんでした。";
inline constexpr const char* kDhcpAlreadyEnabled = "このインターフェイスでは DHCP は既に有効です。";
inline constexpr const char* kCommandNotFound = "次のコマンドが見つかりませんでした: %s";
inline constexpr const char* kWriteFailed = "構成を保存できませんでした。";
// The texts of the netsh of Windows Vista and later.
inline constexpr const char* kModernDhcpAlreadyEnabled =
    "DHCP is already enabled on this interface.";
inline constexpr const char* kModernDnsNotAnswering =
    "The configured DNS server is incorrect or does not exist.";
inline constexpr const char* kModernRequiresElevation =
    "The requested operation requires elevation (Run as administrator).";
inline constexpr const char* kUsage =
    "使用法: netsh interface ip set address [name=]<接続名>\n"
    "          [source=]{dhcp | static [addr=]<IP アドレス> [mask=]<サブネット マスク>\n"
    "          [gateway=]{none | <ゲートウェイ> [gwmetric=]<メトリック>}}\n"
    "        netsh interface ip add address [name=]<接続名>\n"
    "          [[addr=]<IP アドレス> [mask=]<サブネット マスク>]\n"
    "          [[gateway=]<ゲートウェイ> [gwmetric=]<メトリック>]\n"
    "        netsh interface ip set dns [name=]<接続名>\n"
    "          [source=]{dhcp | static [addr=]{<IP アドレス> | none}\n"
    "          [[register=]{none | primary | both}]}\n"
    "        netsh interface ip add dns [name=]<接続名> [addr=]<IP アドレス>\n";
}  // namespace netsh_text

}  // namespace machinetool
