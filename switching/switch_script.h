// The network step of a switch: the interface list of a profile, the batch
// script "relay4.bat" of `netsh interface ip` commands that applies the
// ticked interfaces, and the result file "relay4err.txt" that the script's
// commands write their output into. Both files live in the Windows directory.
//
// Text is ANSI (code page 932); the script is written in text mode, so each
// "\n" becomes CR LF on disk.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system.h"
#include "store/context.h"
#include "store/profile_interfaces.h"
#include "store/profile_store.h"
#include "store/script_safe_text.h"

namespace switching {

inline constexpr const char* kScriptFileName = "relay4.bat";
inline constexpr const char* kResultFileName = "relay4err.txt";

struct WorkFiles {
  std::string script;  // "C:\WINDOWS\relay4.bat"
  std::string result;  // "C:\WINDOWS\relay4err.txt"
};
// The two work files in the Windows directory. A directory that ends with a
// backslash (a drive root) gets no second one.
WorkFiles WorkFilePaths(win::System& system);

using store::BuildInterfaceList;
using store::InterfaceEntry;
using store::kMaxAdapterIdLength;

// A registry string list as the script reads it. A REG_MULTI_SZ value gives
// its strings up to the first empty one (at least one, possibly empty) and
// is `multi`; anything else (REG_SZ, a one-byte REG_MULTI_SZ, an absent or
// oversized value) gives exactly one string.
struct StringList {
  std::vector<std::string> items;
  bool multi = false;
  // Item `index`, or the last one when the list is shorter: a shorter second
  // list of a pair repeats its last entry.
  const std::string& at(std::size_t index) const;
};
StringList ReadStringList(const store::Context& ctx, win::HKEY hive, const std::string& path,
                          const std::string& name);

using store::kMaxDnsPieceLength;
using store::kMaxDnsPieces;
using store::ReadDnsList;
using store::SplitDnsList;

// A stored value that the script cannot carry as what it is: a connection
// name no quoting holds, or an address-like value that is not one.
struct UnsafeValue {
  std::string interfaceName;  // connection name of the interface (ANSI)
  std::string valueName;      // "Name", "IPAddress", "SubnetMask", … , "NameServer"
  std::string text;           // the offending value (ANSI)
};

// What the script sets on one ticked interface: how the interface reads
// once every command has taken. Values are as netsh receives them, without
// the blanks around them; commands that cannot set anything (an empty
// address to add) add nothing here.
struct InterfaceTarget {
  std::string name;                     // connection name
  bool dhcp = false;                    // the DHCP form: only DHCP and the DNS servers are set
  std::vector<std::string> addresses;   // static form, in order
  std::vector<std::string> masks;       // one per address
  std::vector<std::string> gateways;    // static form, in order; empty for "gateway=none"
  std::vector<std::string> metrics;     // one per gateway
  std::vector<std::string> dnsServers;  // in order; empty for "static none"
};

struct ScriptText {
  std::string text;  // ANSI with "\n" line ends
  int sectionCount = 0;
  std::vector<InterfaceTarget> targets;  // one per ticked interface, in script order
  std::optional<UnsafeValue> unsafe;     // first value that makes the text unsafe to run
};
// The script for the ticked interfaces (`ticked[i]` belongs to
// `interfaces[i]`; a missing flag counts as not ticked), with the result
// file at `resultPath`. Reads the profile and, for the DHCP form, the live
// interface; writes nothing.
ScriptText ComposeSwitchScript(const store::Context& ctx, const store::ProfileKey& slot,
                               const std::vector<InterfaceEntry>& interfaces,
                               const std::vector<bool>& ticked, const std::string& resultPath);

// The same for the result file in the machine's Windows directory: the text
// that WriteSwitchScript would write.
ScriptText ComposeSwitchScript(const store::Context& ctx, const store::ProfileKey& slot,
                               const std::vector<InterfaceEntry>& interfaces,
                               const std::vector<bool>& ticked);

enum class ScriptStatus {
  Created,
  NotCreated,  // the file could not be created or written completely
  Unsafe,      // a stored value cannot be carried: nothing was written
};
struct ScriptResult {
  ScriptStatus status = ScriptStatus::NotCreated;
  int sectionCount = 0;
  std::vector<InterfaceTarget> targets;
  std::optional<UnsafeValue> unsafe;
};
// Writes "relay4.bat" into the Windows directory. The result file is left
// alone: the switch deletes it just before it starts the script.
ScriptResult WriteSwitchScript(const store::Context& ctx, const store::ProfileKey& slot,
                               const std::vector<InterfaceEntry>& interfaces,
                               const std::vector<bool>& ticked);

// The first value among everything the script would carry for the ticked
// interfaces that it cannot carry as what it is. A connection name stands
// quoted (and escaped in the headers), so only what no quoting carries is
// refused: a double quote, a control character such as CR or LF, or a
// double-byte character cut off at its end. Bytes that are the second half
// of a double-byte character are text, as the command interpreter of a
// Japanese system reads them ("ポ" is 0x83 0x7C). Addresses, masks,
// gateways, metrics and DNS servers reach netsh unquoted and may hold only
// digits and dots. The switch checks this before it changes anything.
std::optional<UnsafeValue> FindUnsafeValue(const store::Context& ctx, const store::ProfileKey& slot,
                                           const std::vector<InterfaceEntry>& interfaces,
                                           const std::vector<bool>& ticked);
// The checks of single values, which the profile import makes too.
using store::IsAddressText;
using store::IsScriptSafeText;
using store::TrimBlanks;

// The refusal shown for an unsafe value (ANSI), shown as an error box
// through the context's prompter.
std::string UnsafeValueMessage(const UnsafeValue& value);
void ReportUnsafeValue(const store::Context& ctx, const UnsafeValue& value);

}  // namespace switching
