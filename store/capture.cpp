// Capturing the live network settings as a profile: the adapter, interface
// and connection keys, the Internet Settings of the current user, the
// default printer and the membership are copied under the slot's Data key,
// where readers find them by the same relative paths as on the live system.
#include "store/capture.h"

#include <vector>

#include "platform/code_page.h"
#include "store/messages.h"
#include "store/network_marks.h"
#include "store/open_key.h"
#include "store/profile_store.h"
#include "store/profile_titles.h"
#include "store/registry_access.h"
#include "store/registry_reports.h"
#include "store/store_command.h"
#include "store/system_keys.h"

namespace store {

namespace {

using win::DWORD;

// A title is read back into a 256-byte buffer with its NUL.
constexpr std::size_t kMaxTitleBytes = kValueBufferSize - 1;
// The membership name is converted into a buffer of this many bytes.
constexpr std::size_t kDomainNameBufferSize = 1024;
// The default printer is read with a buffer of this many characters.
constexpr DWORD kPrinterBufferSize = 255;

constexpr const char* kEnterTitle = "登録名を入力してください。";
constexpr const char* kTitleTooLong = kTitleTooLongText;
constexpr const char* kStoreFull = kStoreFullText;
constexpr const char* kAskOverwrite = kAskOverwriteText;
constexpr const char* kAskNew =
    "現在のネットワーク設定をコンボボックスに記述された名称で登録します。\n新規に登録します。";
constexpr const char* kCaptured = "現在のﾈｯﾄﾜｰｸの設定を登録しました。";
constexpr const char* kLeftOut = "登録できないため除いたキー : %s";
constexpr const char* kStoreChanged =
    "他のVerantu!が登録内容を変更したため、登録しませんでした。\n"
    "もう一度実行してください。";

bool confirmed(const Context& ctx, const char* question) {
  return ctx.messageBox(win::ansiFromUtf8(question), win::ansiFromUtf8(kConfirmCaption),
                        MB_YESNO | MB_ICONWARNING) == IDYES;
}

// Whether a new profile has no slot left; a store that cannot be counted
// counts as empty.
bool storeIsFull(const Context& ctx) {
  int slotCount = 0;
  DWORD comboActive = 0;
  (void)ReadStoreInfo(ctx, slotCount, comboActive);
  return slotCount >= kMaxProfiles;
}

// "%s" of a key format filled with an adapter identifier.
std::string fill(const char* format, const std::string& identifier) {
  std::string text = format;
  return text.replace(text.find("%s"), 2, identifier);
}

// Makes the slot's mirror of a system key a copy of it: nothing an earlier
// capture left there stays. Only what differs is written, so that capturing
// over a profile costs what changed, journal included. A subkey that cannot
// exist inside the mirror (it would be too deep, or its name is refused
// there) is left out and named in `leftOut`. False when the mirror is
// incomplete.
bool replaceMirror(const Context& ctx, int slot, win::HKEY sourceHive,
                   const std::string& systemPath, std::vector<std::string>& leftOut) {
  std::string mirror = MirrorPath(slot, systemPath);
  std::size_t known = leftOut.size();
  bool copied = SyncKeyTree(ctx, sourceHive, systemPath, HKEY_LOCAL_MACHINE, mirror, &leftOut) == 0;
  const char* hive =
      sourceHive == HKEY_CURRENT_USER ? "HKEY_CURRENT_USER\\" : "HKEY_LOCAL_MACHINE\\";
  for (std::size_t i = known; i < leftOut.size(); ++i) leftOut[i] = hive + leftOut[i];
  return copied;
}

// The final message, with one line per subtree that was left out, named
// with its hive as regedit shows it.
std::string capturedText(const std::vector<std::string>& leftOut) {
  std::string text = win::ansiFromUtf8(kCaptured);
  for (const std::string& path : leftOut) {
    std::string line = win::ansiFromUtf8(kLeftOut);
    text += "\n" + line.replace(line.find("%s"), 2, path);
  }
  return text;
}

// Creates the slot key for a new profile and stores its title with the NUL.
// False when either step fails; the command then takes the slot key
// away again, since a slot without a readable Title would end every later
// lookup at it and so hide the store from every later command.
bool createSlot(const Context& ctx, int slot, const std::string& title) {
  win::Registry& registry = ctx.registry();
  win::HKEY key = nullptr;
  std::string path = SlotPath(slot);
  if (registry.RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, "", REG_OPTION_NON_VOLATILE,
                               KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  win::LONG written = registry.RegSetValueExA(key, "Title", 0, REG_SZ,
                                              reinterpret_cast<const win::BYTE*>(title.c_str()),
                                              DWORD(title.size() + 1));
  (void)registry.RegCloseKey(key);
  return written == ERROR_SUCCESS;
}

// The membership as DomainType and DomainName of the slot's Data key. When
// it cannot be read both stay as they were: an empty name would overwrite
// the profile's real one with nothing.
void captureMembership(const Context& ctx, int slot) {
  std::u16string wideName;
  DWORD status = NetSetupUnknownStatus;
  if (ctx.machine.membership().NetGetJoinInformation(nullptr, &wideName, &status) != NERR_Success)
    return;
  std::optional<std::string> converted = win::wideToAnsi(wideName);
  if (!converted || converted->size() >= kDomainNameBufferSize) return;
  const std::string& name = *converted;
  std::string data = DataPath(slot);
  // A write that fails is seen by the command, which then undoes it all.
  if (status == NetSetupWorkgroupName)
    (void)WriteDwordValue(ctx, HKEY_LOCAL_MACHINE, data, "DomainType", 0);
  else if (status == NetSetupDomainName)
    (void)WriteDwordValue(ctx, HKEY_LOCAL_MACHINE, data, "DomainType", 1);
  (void)WriteStringValue(ctx, HKEY_LOCAL_MACHINE, data, "DomainName", name);
}

// The copy and write steps into slot `index`+1, each run whatever the one
// before it did; a system key that is missing simply leaves its mirror
// absent. A write that fails is seen by the command, which then undoes the
// whole capture; false also for a copy that failed for want of memory.
bool captureInto(const Context& ctx, int index, std::vector<std::string>& leftOut) {
  bool complete = true;
  const int slot = index + 1;

  std::vector<std::string> adapterPaths;
  int adapterCount = 0;
  // Always 0: a missing Adapters key simply lists no adapter.
  (void)EnumerateSubkeyPaths(ctx, HKEY_LOCAL_MACHINE, kAdaptersKey, adapterPaths, adapterCount);
  const std::size_t prefix = std::string(kAdaptersKey).size() + 1;
  for (const std::string& path : adapterPaths) {
    std::string identifier = path.substr(prefix);
    // Only GUID-named adapters are network interfaces; pseudo-adapters such
    // as NdisWan entries stay listed in the Adapters mirror alone.
    if (identifier.empty() || identifier[0] != '{') continue;
    complete &= replaceMirror(ctx, slot, HKEY_LOCAL_MACHINE,
                              fill(kAdapterTcpipKeyFormat, identifier), leftOut);
    complete &= replaceMirror(ctx, slot, HKEY_LOCAL_MACHINE, fill(kConnectionKeyFormat, identifier),
                              leftOut);
  }
  complete &= replaceMirror(ctx, slot, HKEY_LOCAL_MACHINE, kAdaptersKey, leftOut);
  complete &= replaceMirror(ctx, slot, HKEY_LOCAL_MACHINE, kInterfacesKey, leftOut);

  // The values below are written into the Data key, which the mirrors
  // normally bring into being; on a machine without those keys it would be
  // missing and the printer and membership would silently not be stored.
  // A write that fails is seen by the command, which then undoes it all.
  {
    OpenKey data(ctx.registry());
    (void)data.create(HKEY_LOCAL_MACHINE, DataPath(slot));
  }
  (void)WriteStringValue(ctx, HKEY_LOCAL_MACHINE, DataPath(slot), "DefPrinter",
                         ReadDefaultPrinter(ctx));
  complete &= replaceMirror(ctx, slot, HKEY_CURRENT_USER, kInternetSettingsKey, leftOut);
  captureMembership(ctx, slot);
  CaptureNetworkMarks(ctx, slot);
  (void)WriteComboActive(ctx, DWORD(index));
  return complete;
}

}  // namespace

CaptureResult CaptureProfile(const Context& outer, const std::string& title,
                             ProfileSelector* selector) {
  CaptureResult result;
  if (title.empty()) {
    ShowError(outer, kEnterTitle);
    return result;
  }
  // A longer title would be stored but never read back, and the first slot
  // that cannot be read ends every lookup: refuse it before writing anything.
  if (title.size() > kMaxTitleBytes) {
    ShowError(outer, kTitleTooLong);
    return result;
  }

  // Asked before the store lock is taken, so that no other command waits
  // for the answer. Under the lock the title is looked up again: an
  // overwrite follows the profile to wherever it is by then, and when the
  // answer no longer fits (the profile is gone, or another command has just
  // registered the new title) nothing is written and the user is told.
  bool overwrite = false;
  {
    TitleLookup asked = FindProfileByTitle(outer, title);
    if (asked.interrupted) return result;
    overwrite = asked.index.has_value();
    if (!overwrite && storeIsFull(outer)) {
      ShowError(outer, kStoreFull);
      return result;
    }
    if (!confirmed(outer, overwrite ? kAskOverwrite : kAskNew)) return result;
  }

  // From the lookup to the last write no other command may change the
  // slots: the slot chosen here is the one written.
  StoreCommand command(outer, StoreChange::Capture);
  if (!command.locked()) return result;
  const Context& ctx = command.context();

  TitleLookup lookup = FindProfileByTitle(ctx, title);
  if (lookup.interrupted) return result;
  if (lookup.index.has_value() != overwrite) {
    ShowError(ctx, kStoreChanged);
    return result;
  }

  int index = 0;
  int newSlot = 0;
  if (overwrite) {
    // The slot keeps its Title and Count; only its captured content changes.
    index = *lookup.index;
  } else {
    if (storeIsFull(ctx)) {
      ShowError(ctx, kStoreFull);
      return result;
    }
    int slotCount = 0;
    DWORD comboActive = 0;
    (void)ReadStoreInfo(ctx, slotCount, comboActive);
    newSlot = slotCount + 1;
    index = slotCount;
  }

  // The new slot, its title and every copy are kept together or not at
  // all: a capture cut short never leaves a slot without a title or a
  // profile half old and half new.
  if (!command.beginWrites()) return result;
  std::vector<std::string> leftOut;
  // A slot that cannot be made is a failed write, which the commit reports.
  if (newSlot && !createSlot(ctx, newSlot, title)) {
    (void)command.commitWrites();
    return result;
  }
  // A copy can also fail for want of memory, which no registry call saw.
  if (!captureInto(ctx, index, leftOut)) command.noteFailure(ERROR_NOT_ENOUGH_MEMORY);
  if (!command.commitWrites()) return result;

  result.appendTitle = newSlot != 0;
  if (result.appendTitle && selector) selector->appendItem(title);
  ctx.messageBox(capturedText(leftOut), win::ansiFromUtf8(kInformationCaption),
                 MB_OK | MB_ICONINFORMATION);
  result.captured = true;
  return result;
}

std::string ReadDefaultPrinter(const Context& ctx) {
  char buffer[kPrinterBufferSize] = {};
  DWORD length = ctx.machine.profileStrings().GetProfileStringA("windows", "device", "", buffer,
                                                                sizeof buffer);
  // "name,driver,port": only the name is the printer.
  std::string device(buffer, length);
  return device.substr(0, device.find(','));
}

}  // namespace store
