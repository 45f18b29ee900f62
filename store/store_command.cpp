#include "store/store_command.h"

#include <cstdio>

#include "platform/code_page.h"
#include "store/messages.h"

namespace store {

using win::BYTE;
using win::DWORD;
using win::HKEY;
using win::LONG;

namespace {

constexpr const char* kStoreBusy =
    "他のVerantu!が登録内容を変更中のため、実行できませんでした。\n"
    "しばらくしてからもう一度実行してください。";

constexpr const char* kRecordBusy = "他のVerantu!が登録内容を変更中のため、書き込めませんでした。";
constexpr const char* kCannotWrite = "レジストリに書き込めません（書き込みが許可されていません）。";
constexpr const char* kDiskFull = "ディスクの空き容量が足りないため、レジストリに書き込めません。";
constexpr const char* kCorrupt = "レジストリが壊れているため、書き込めません。";
constexpr const char* kInUse = "レジストリが他のプログラムに使用されているため、書き込めません。";
constexpr const char* kWriteFailed = "レジストリへの書き込みに失敗しました。（ｴﾗｰｺｰﾄﾞ : %d）";

// The second line of the failure message: what is still as it was.
const char* unchangedText(StoreChange change) {
  switch (change) {
    case StoreChange::Capture:
      return "現在のﾈｯﾄﾜｰｸの設定は登録されていません。";
    case StoreChange::Deletion:
      return "登録は抹消されていません。";
    case StoreChange::Save:
      return "変更は登録されていません。";
    case StoreChange::SwitchRecord:
      return "切り替えは実行されましたが、その記録（使用回数など）は保存されていません。";
    case StoreChange::DiscardEarlierStore:
      return "以前使用していた設定内容は削除されていません。";
    case StoreChange::Recovery:
      return "前回中断された変更を元に戻せませんでした。";
    case StoreChange::Import:
      return "登録ファイルの内容は登録されていません。";
    case StoreChange::Export:
      return "";
  }
  return "";
}

std::string causeText(LONG error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
      return kCannotWrite;
    case ERROR_DISK_FULL:
      return kDiskFull;
    case ERROR_REGISTRY_CORRUPT:
    case ERROR_BADDB:
      return kCorrupt;
    case ERROR_CANTWRITE:
      return kInUse;
    default: {
      char text[128];
      std::snprintf(text, sizeof text, kWriteFailed, int(error));
      return text;
    }
  }
}

// A read that fails for these reasons did not merely find nothing: the
// registry itself failed, and a copy made from it is incomplete.
bool isStorageFailure(LONG result) {
  switch (result) {
    case ERROR_REGISTRY_IO_FAILED:
    case ERROR_REGISTRY_CORRUPT:
    case ERROR_BADDB:
    case ERROR_CANTREAD:
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_DISK_FULL:
      return true;
    default:
      return false;
  }
}

}  // namespace

const std::string* WriteCheckedRegistry::pathOf(HKEY key) const {
  static const std::string hiveRoot;
  if (key == HKEY_LOCAL_MACHINE) return &hiveRoot;
  auto it = paths_.find(key);
  return it == paths_.end() ? nullptr : &it->second;
}

std::optional<std::string> WriteCheckedRegistry::join(HKEY key, const char* subKey) const {
  const std::string* parent = pathOf(key);
  if (!parent) return std::nullopt;
  if (!subKey || !*subKey) return *parent;
  return parent->empty() ? std::string(subKey) : *parent + "\\" + subKey;
}

void WriteCheckedRegistry::remember(LONG result, HKEY parent, const char* subKey, HKEY* opened) {
  if (result != ERROR_SUCCESS || !opened || !*opened) return;
  if (std::optional<std::string> path = join(parent, subKey)) paths_[*opened] = *path;
}

LONG WriteCheckedRegistry::beforeChange(const std::string* path, StoreJournal::Change change) {
  if (firstFailure_ != ERROR_SUCCESS) return firstFailure_;
  if (!journal_ || !path) return ERROR_SUCCESS;
  return noteWrite(journal_->beforeChange(*path, change));
}

LONG WriteCheckedRegistry::noteWrite(LONG result) {
  if (result != ERROR_SUCCESS && firstFailure_ == ERROR_SUCCESS) firstFailure_ = result;
  return result;
}

// Deleting what is not there leaves the registry as the command wants it.
LONG WriteCheckedRegistry::noteDeletion(LONG result) {
  return result == ERROR_FILE_NOT_FOUND ? result : noteWrite(result);
}

LONG WriteCheckedRegistry::noteRead(LONG result) {
  return isStorageFailure(result) ? noteWrite(result) : result;
}

LONG WriteCheckedRegistry::RegOpenKeyExA(HKEY key, const char* subKey, DWORD options,
                                         win::REGSAM sam, HKEY* result) {
  LONG status = noteRead(inner_.RegOpenKeyExA(key, subKey, options, sam, result));
  remember(status, key, subKey, result);
  return status;
}

LONG WriteCheckedRegistry::RegCreateKeyExA(HKEY key, const char* subKey, DWORD reserved,
                                           const char* keyClass, DWORD options, win::REGSAM sam,
                                           const void* security, HKEY* result, DWORD* disposition) {
  std::optional<std::string> path = join(key, subKey);
  if (LONG refused = beforeChange(path ? &*path : nullptr, StoreJournal::Change::Create))
    return refused;
  LONG status = inner_.RegCreateKeyExA(key, subKey, reserved, keyClass, options, sam, security,
                                       result, disposition);
  // A key refused for its depth or name changed nothing; the caller sees
  // the status and decides (capture leaves such a key out).
  if (status != ERROR_INVALID_PARAMETER && status != ERROR_BADKEY) (void)noteWrite(status);
  remember(status, key, subKey, result);
  return status;
}

LONG WriteCheckedRegistry::RegQueryInfoKeyA(HKEY key, char* keyClass, DWORD* keyClassLength,
                                            DWORD* reserved, DWORD* subKeys, DWORD* maxSubKeyLength,
                                            DWORD* maxClassLength, DWORD* values,
                                            DWORD* maxValueNameLength, DWORD* maxValueLength,
                                            DWORD* securityDescriptorSize,
                                            win::FILETIME* lastWriteTime) {
  return noteRead(inner_.RegQueryInfoKeyA(
      key, keyClass, keyClassLength, reserved, subKeys, maxSubKeyLength, maxClassLength, values,
      maxValueNameLength, maxValueLength, securityDescriptorSize, lastWriteTime));
}

LONG WriteCheckedRegistry::RegEnumKeyA(HKEY key, DWORD index, char* name, DWORD nameSize) {
  return noteRead(inner_.RegEnumKeyA(key, index, name, nameSize));
}

LONG WriteCheckedRegistry::RegEnumValueA(HKEY key, DWORD index, char* name, DWORD* nameLength,
                                         DWORD* reserved, DWORD* type, BYTE* data,
                                         DWORD* dataSize) {
  return noteRead(
      inner_.RegEnumValueA(key, index, name, nameLength, reserved, type, data, dataSize));
}

LONG WriteCheckedRegistry::RegQueryValueExA(HKEY key, const char* name, DWORD* reserved,
                                            DWORD* type, BYTE* data, DWORD* dataSize) {
  return noteRead(inner_.RegQueryValueExA(key, name, reserved, type, data, dataSize));
}

LONG WriteCheckedRegistry::RegSetValueExA(HKEY key, const char* name, DWORD reserved, DWORD type,
                                          const BYTE* data, DWORD dataSize) {
  if (LONG refused = beforeChange(pathOf(key), StoreJournal::Change::Values)) return refused;
  return noteWrite(inner_.RegSetValueExA(key, name, reserved, type, data, dataSize));
}

LONG WriteCheckedRegistry::RegDeleteValueA(HKEY key, const char* name) {
  if (LONG refused = beforeChange(pathOf(key), StoreJournal::Change::Values)) return refused;
  return noteDeletion(inner_.RegDeleteValueA(key, name));
}

LONG WriteCheckedRegistry::RegDeleteKeyA(HKEY key, const char* subKey) {
  std::optional<std::string> path = join(key, subKey);
  if (LONG refused = beforeChange(path ? &*path : nullptr, StoreJournal::Change::Remove))
    return refused;
  return noteDeletion(inner_.RegDeleteKeyA(key, subKey));
}

LONG WriteCheckedRegistry::RegCloseKey(HKEY key) {
  paths_.erase(key);
  return inner_.RegCloseKey(key);
}

DWORD WriteCheckedRegistry::SHDeleteKeyA(HKEY key, const char* subKey) {
  std::optional<std::string> path = join(key, subKey);
  if (LONG refused = beforeChange(path ? &*path : nullptr, StoreJournal::Change::Remove))
    return DWORD(refused);
  return DWORD(noteDeletion(LONG(inner_.SHDeleteKeyA(key, subKey))));
}

// A copy changes the destination's values and subkeys alike. A missing
// source copies nothing, like a read that finds nothing.
LONG WriteCheckedRegistry::RegCopyTreeA(HKEY keySrc, const char* subKey, HKEY keyDest) {
  if (LONG refused = beforeChange(pathOf(keyDest), StoreJournal::Change::Remove)) return refused;
  LONG status = inner_.RegCopyTreeA(keySrc, subKey, keyDest);
  return status == ERROR_FILE_NOT_FOUND ? status : noteWrite(status);
}

LONG WriteCheckedRegistry::beginBatch() {
  return inner_.beginBatch();
}

LONG WriteCheckedRegistry::endBatch(bool commit) {
  return inner_.endBatch(commit);
}

StoreCommand::StoreCommand(const Context& ctx, StoreChange change)
    : outer_(ctx),
      change_(change),
      machine_(std::make_unique<CheckedMachine>(ctx.machine)),
      context_(std::make_unique<Context>(Context{*machine_, ctx.prompter, ctx.owner})),
      journalMachine_(std::make_unique<CheckedMachine>(ctx.machine)),
      journalContext_(
          std::make_unique<Context>(Context{*journalMachine_, ctx.prompter, ctx.owner})),
      journal_(*journalContext_, &journalMachine_->registry()) {
  win::System& system = ctx.machine.system();
  mutex_ = system.CreateMutexA(nullptr, FALSE, kStoreMutexName);
  const DWORD patience =
      change == StoreChange::SwitchRecord ? kSwitchRecordLockWaitMs : kStoreLockWaitMs;
  DWORD wait = mutex_ ? system.WaitForSingleObject(mutex_, patience) : WAIT_FAILED;
  // An owner that ended without releasing it may have left its changes
  // half made: the journal it left undoes them below.
  locked_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
  if (!locked_) {
    // A switch's record tells what was done and what was not; other
    // commands did nothing and can be run again.
    if (change == StoreChange::SwitchRecord)
      ShowError(ctx, std::string(kRecordBusy) + "\n" + unchangedText(change));
    else
      ShowError(ctx, kStoreBusy);
    return;
  }
  // Nothing of the store may be read while a journal says it is half
  // changed. The recovery is one change of its own.
  if (!journal_.present()) {
    recovered_ = true;
    return;
  }
  win::RegistryBatch batch(ctx.registry());
  LONG status = journal_.recover();
  if (status == ERROR_SUCCESS)
    status = batch.commit();
  else
    batch.cancel();
  recovered_ = status == ERROR_SUCCESS;
  if (!recovered_) showFailure(status);
}

StoreCommand::~StoreCommand() {
  cancelWrites();
  win::System& system = outer_.machine.system();
  if (locked_) (void)system.ReleaseMutex(mutex_);
  if (mutex_) (void)system.CloseHandle(mutex_);
}

WriteCheckedRegistry& StoreCommand::checkedRegistry() {
  return machine_->registry();
}

bool StoreCommand::beginWrites() {
  WriteCheckedRegistry& registry = machine_->registry();
  registry.resetFailure();
  LONG status = registry.beginBatch();
  batchOpen_ = true;
  registry.setJournal(&journal_);
  if (status == ERROR_SUCCESS) return true;
  cancelWrites();
  showFailure(status);
  return false;
}

bool StoreCommand::commitWrites() {
  if (!batchOpen_) return false;
  WriteCheckedRegistry& registry = machine_->registry();
  registry.setJournal(nullptr);
  LONG failure = registry.firstFailure();
  // Removing the journal's "Open" is the write that makes the changes
  // stand; before it, the journal can still undo them.
  if (failure == ERROR_SUCCESS) failure = journal_.finish();
  if (failure != ERROR_SUCCESS) {
    cancelWrites();
    showFailure(failure);
    return false;
  }
  batchOpen_ = false;
  failure = registry.endBatch(true);
  if (failure == ERROR_SUCCESS) return true;
  showFailure(failure);
  return false;
}

void StoreCommand::cancelWrites() {
  if (!batchOpen_) return;
  batchOpen_ = false;
  machine_->registry().setJournal(nullptr);
  // When the undo cannot be written now, the journal stays and the next
  // command or start undoes the changes before it reads the store.
  (void)journal_.rollBack();
  (void)machine_->registry().endBatch(false);
}

bool StoreCommand::slotHeldBy(int slot, int heldBy) {
  WriteCheckedRegistry& registry = machine_->registry();
  if (!batchOpen_ || registry.firstFailure() != ERROR_SUCCESS) return false;
  LONG status = journal_.noteSlotHeldBy(slot, heldBy);
  if (status == ERROR_SUCCESS) return true;
  registry.noteFailure(status);
  return false;
}

void StoreCommand::failWrites(LONG error) {
  cancelWrites();
  showFailure(error);
}

void StoreCommand::showFailure(LONG error) const {
  std::string text = causeText(error) + "\n" + unchangedText(change_);
  ShowError(outer_, text);
}

bool RecoverStore(const Context& ctx) {
  if (!StoreJournal(ctx).present()) return true;
  StoreCommand command(ctx, StoreChange::Recovery);
  return command.locked();
}

}  // namespace store
