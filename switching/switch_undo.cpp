#include "switching/switch_undo.h"

#include <optional>
#include <set>
#include <string_view>

#include "platform/code_page.h"
#include "store/capture.h"
#include "store/live_tcpip.h"
#include "store/open_key.h"
#include "store/registry_access.h"
#include "store/registry_reports.h"
#include "store/store_command.h"
#include "store/system_keys.h"
#include "switching/switch_flow.h"
#include "switching/switch_verification.h"

namespace switching {

namespace {

using win::DWORD;

// Written last and taken away first: an undo key without it holds nothing
// to undo, whatever else it holds.
constexpr const char* kCompleteValue = "Complete";
constexpr const char* kRedoValue = "Redo";

constexpr const char* kUndoCaption = "直前の切り替えを元に戻す";
constexpr const char* kUndoHeading =
    " ] への切り替えを元に戻し、ﾈｯﾄﾜｰｸの設定を切り替える前の状態に戻します。";
constexpr const char* kRedoHeading = " ] への切り替えをやり直し、元に戻す前の状態に戻します。";
constexpr const char* kNothingToUndo = "元に戻せる切り替えはありません。";

store::ProfileKey undoKey() {
  return store::ProfileKey::At(store::kUndoKey);
}

void createKey(const store::Context& ctx, const std::string& path) {
  store::OpenKey key(ctx.registry());
  // A failure is seen by the checked registry the state is written through.
  (void)key.create(HKEY_LOCAL_MACHINE, path);
}

void removeCompletion(const store::Context& ctx, const std::string& path) {
  store::OpenKey key(ctx.registry());
  if (key.open(HKEY_LOCAL_MACHINE, path, KEY_ALL_ACCESS) == ERROR_SUCCESS)
    (void)ctx.registry().RegDeleteValueA(key.get(), kCompleteValue);
}

// False when the copy is not whole.
bool mirror(const store::Context& ctx, const std::string& systemPath) {
  return store::CopyKeyTree(ctx, HKEY_LOCAL_MACHINE, systemPath, HKEY_LOCAL_MACHINE,
                            store::MirrorPath(undoKey(), systemPath)) == 0;
}

// The keys the script and its read-back take an interface from: the
// adapter with its IpConfig, the TCP/IP key that names, and the connection
// name.
bool keepInterface(const store::Context& ctx, const std::string& adapterId) {
  const std::string adapter = std::string(store::kAdaptersKey) + "\\" + adapterId;
  std::string ipConfig;
  // Without IpConfig the adapter names no TCP/IP key to keep.
  (void)store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE, adapter, "IpConfig", ipConfig);
  bool whole = mirror(ctx, adapter);
  if (!ipConfig.empty()) whole &= mirror(ctx, store::kServicesKeyPrefix + ipConfig);
  whole &= mirror(ctx, store::kNetworkKeyPrefix + adapterId + "\\Connection");
  return whole;
}

// The live interfaces the script will set: the first of each connection
// name, as netsh and the read-back find it. False when none is there;
// `whole` turns false when a copy is not whole.
bool keepInterfaces(const store::Context& ctx, const std::vector<std::string>& names, bool& whole) {
  const std::vector<store::LiveTcpip> live = store::ReadLiveTcpip(ctx);
  std::set<std::string> kept;
  for (const std::string& name : names) {
    for (const store::LiveTcpip& entry : live) {
      if (!SameNameIgnoringCase(entry.name, name)) continue;
      if (kept.insert(entry.adapterId).second) whole &= keepInterface(ctx, entry.adapterId);
      break;
    }
  }
  return !kept.empty();
}

// The four values the proxy step writes. A text the live key lacks is kept
// empty and a missing ProxyEnable as 0, which Internet Explorer reads the
// same way: the step only writes what the profile holds, so a value left
// out would keep whatever the switch put there. A missing AutoConfigURL
// stays missing, since the step removes it then. Without the live key
// nothing is kept, and the step leaves it missing.
void keepProxy(const store::Context& ctx) {
  {
    store::OpenKey live(ctx.registry());
    if (live.open(HKEY_CURRENT_USER, store::kInternetSettingsKey, KEY_READ) != ERROR_SUCCESS)
      return;
  }
  const std::string path = store::MirrorPath(undoKey(), store::kInternetSettingsKey);
  createKey(ctx, path);
  for (const char* name : {"ProxyServer", "ProxyOverride", "AutoConfigURL"}) {
    std::string text;
    const bool present = store::ReadStringValue(ctx, HKEY_CURRENT_USER, store::kInternetSettingsKey,
                                                name, text) == 0;
    if (present || std::string_view(name) != "AutoConfigURL")
      (void)store::WriteStringValue(ctx, HKEY_LOCAL_MACHINE, path, name, text);
  }
  DWORD enabled = 0;
  (void)store::ReadDwordValue(ctx, HKEY_CURRENT_USER, store::kInternetSettingsKey, "ProxyEnable",
                              enabled);
  (void)store::WriteDwordValue(ctx, HKEY_LOCAL_MACHINE, path, "ProxyEnable", enabled);
}

// The membership as the membership step reads it. False when it cannot be
// read or held: the undo then leaves the membership alone.
bool keepMembership(const store::Context& ctx) {
  std::u16string wide;
  DWORD status = NetSetupUnknownStatus;
  if (ctx.machine.membership().NetGetJoinInformation(nullptr, &wide, &status) != NERR_Success)
    return false;
  if (status != NetSetupDomainName && status != NetSetupWorkgroupName) return false;
  const std::optional<std::string> name = win::wideToAnsi(wide);
  if (!name) return false;
  const std::string data = store::DataPath(undoKey());
  (void)store::WriteDwordValue(ctx, HKEY_LOCAL_MACHINE, data, "DomainType",
                               status == NetSetupDomainName ? 1 : 0);
  (void)store::WriteStringValue(ctx, HKEY_LOCAL_MACHINE, data, "DomainName", *name);
  return true;
}

// False when a copy of a live key is not whole (a write the checked
// registry did not see fail, such as a key too deep for the copy).
bool writeState(const store::Context& ctx, const UndoPlan& plan) {
  bool whole = true;
  const std::string data = store::DataPath(undoKey());
  createKey(ctx, data);
  (void)store::WriteStringValue(ctx, HKEY_LOCAL_MACHINE, store::kUndoKey, "Title", plan.title);
  (void)store::WriteDwordValue(ctx, HKEY_LOCAL_MACHINE, store::kUndoKey, kRedoValue,
                               plan.redo ? 1 : 0);
  // The steps to tick again: only those whose state could be kept.
  DWORD steps = 0;
  if ((plan.steps & kStepNetwork) && keepInterfaces(ctx, plan.interfaceNames, whole))
    steps |= kStepNetwork;
  if (plan.steps & kStepPrinter) {
    (void)store::WriteStringValue(ctx, HKEY_LOCAL_MACHINE, data, "DefPrinter",
                                  store::ReadDefaultPrinter(ctx));
    steps |= kStepPrinter;
  }
  if (plan.steps & kStepProxy) {
    keepProxy(ctx);
    steps |= kStepProxy;
  }
  if ((plan.steps & kStepDomain) && keepMembership(ctx)) steps |= kStepDomain;
  (void)store::WriteDwordValue(ctx, HKEY_LOCAL_MACHINE, data, "InitCheck", steps);
  return whole;
}

bool complete(const store::Context& ctx, const std::string& path) {
  DWORD mark = 0;
  return store::ReadDwordValue(ctx, HKEY_LOCAL_MACHINE, path, kCompleteValue, mark) == 0 &&
         mark == 1;
}

}  // namespace

bool PlanChangesAnything(const UndoPlan& plan) {
  if (plan.steps & (kStepPrinter | kStepProxy | kStepDomain)) return true;
  return (plan.steps & kStepNetwork) && !plan.interfaceNames.empty();
}

bool KeepUndoState(const store::Context& outer, const UndoPlan& plan) {
  store::CheckedMachine machine(outer.machine);
  const store::Context ctx{machine, outer.prompter, outer.owner};
  store::WriteCheckedRegistry& registry = machine.registry();
  bool kept = false;
  {
    // One batch where the registry has them; on Windows each write stands
    // alone, and the completion mark alone tells a whole state.
    win::RegistryBatch batch(registry);
    removeCompletion(ctx, store::kUndoKey);
    (void)store::DeleteKeyTree(ctx, HKEY_LOCAL_MACHINE, store::kUndoKey);
    const bool whole = writeState(ctx, plan);
    if (whole && registry.firstFailure() == ERROR_SUCCESS)
      (void)store::WriteDwordValue(ctx, HKEY_LOCAL_MACHINE, store::kUndoKey, kCompleteValue, 1);
    kept = whole && registry.firstFailure() == ERROR_SUCCESS && batch.commit() == ERROR_SUCCESS;
    if (!kept) batch.cancel();
  }
  // An earlier state left in place would undo some other switch.
  if (!kept) {
    removeCompletion(outer, store::kUndoKey);
    (void)store::DeleteKeyTree(outer, HKEY_LOCAL_MACHINE, store::kUndoKey);
  }
  return kept;
}

bool UndoAvailable(const store::Context& ctx) {
  return complete(ctx, store::kUndoKey);
}

UndoSummary ReadUndoSummary(const store::Context& ctx) {
  UndoSummary summary;
  // Parts that cannot be read show empty; the state was checked complete.
  (void)store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE, store::kUndoKey, "Title", summary.title);
  DWORD redo = 0;
  (void)store::ReadDwordValue(ctx, HKEY_LOCAL_MACHINE, store::kUndoKey, kRedoValue, redo);
  summary.redo = redo != 0;
  return summary;
}

bool CopyUndoSource(const store::Context& outer) {
  store::CheckedMachine machine(outer.machine);
  const store::Context ctx{machine, outer.prompter, outer.owner};
  (void)store::DeleteKeyTree(ctx, HKEY_LOCAL_MACHINE, kUndoSourceKey);
  const bool copied = store::CopyKeyTree(ctx, HKEY_LOCAL_MACHINE, store::kUndoKey,
                                         HKEY_LOCAL_MACHINE, kUndoSourceKey) == 0;
  return copied && machine.registry().firstFailure() == ERROR_SUCCESS &&
         complete(ctx, kUndoSourceKey);
}

void RemoveUndoSource(const store::Context& ctx) {
  (void)store::DeleteKeyTree(ctx, HKEY_LOCAL_MACHINE, kUndoSourceKey);
}

std::string UndoHeading(const std::string& ansiTitle, bool redo) {
  return "[ " + ansiTitle + win::ansiFromUtf8(redo ? kRedoHeading : kUndoHeading);
}

std::string UndoCaption() {
  return win::ansiFromUtf8(kUndoCaption);
}

std::string NothingToUndoMessage() {
  return win::ansiFromUtf8(kNothingToUndo);
}

}  // namespace switching
