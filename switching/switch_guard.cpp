#include "switching/switch_guard.h"

#include "platform/code_page.h"
#include "store/messages.h"
#include "store/profile_store.h"
#include "store/profile_titles.h"

namespace switching {

namespace {

constexpr const char* kSwitchRunning =
    "他のVerantu!がネットワーク設定を切り替え中のため、切り替えできませんでした。\n"
    "切り替えが終わってからもう一度実行してください。";
constexpr const char* kNotRegistered = "この登録名では登録されていません。";

}  // namespace

SwitchMutex::SwitchMutex(const store::Context& ctx) : system_(ctx.machine.system()) {
  mutex_ = system_.CreateMutexA(nullptr, FALSE, kSwitchMutexName);
  const win::DWORD wait = mutex_ ? system_.WaitForSingleObject(mutex_, 0) : WAIT_FAILED;
  // A switch that ended without releasing it has no script left running
  // (scripts end with the program that started them): the mutex is ours.
  owned_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
  if (!owned_) store::ShowError(ctx, kSwitchRunning);
}

SwitchMutex::~SwitchMutex() {
  if (owned_) (void)system_.ReleaseMutex(mutex_);
  if (mutex_) (void)system_.CloseHandle(mutex_);
}

ConfirmedProfile::ConfirmedProfile(const store::Context& ctx, int offeredSlot,
                                   const std::string& title)
    : lock_(std::make_unique<store::StoreCommand>(ctx, store::StoreChange::SwitchRecord)) {
  if (!lock_->locked()) {
    lock_.reset();
    return;
  }
  // A deletion only moves later profiles down, so a profile that left its
  // slot is found again by its title.
  std::string stored;
  if (store::ReadSlotTitle(ctx, offeredSlot, stored) == 0 && stored == title) {
    slot_ = offeredSlot;
    return;
  }
  if (std::optional<int> index = store::FindProfileByTitle(ctx, title).index) {
    slot_ = *index + 1;
    return;
  }
  release();
  store::ShowError(ctx, kNotRegistered);
}

ConfirmedProfile::~ConfirmedProfile() = default;

void ConfirmedProfile::release() {
  lock_.reset();
}

}  // namespace switching
