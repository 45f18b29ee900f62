// What keeps a switch to itself: one switch at a time on the machine, and the
// profile it applies being the one the user confirmed, wherever that profile
// is by the time the first step runs.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "store/context.h"
#include "store/store_command.h"

namespace switching {

// The named mutex a switch holds from its lookup to its record, in the
// window and in verantu-cli alike. Two switches at once would share the work
// files and leave a network that matches neither profile.
inline constexpr const char* kSwitchMutexName = "Verantu! switch";

class SwitchMutex {
 public:
  // Takes the mutex without waiting. When another switch holds it, says so
  // (owned by ctx.owner) and owned() is false: the switch must not start.
  explicit SwitchMutex(const store::Context& ctx);
  ~SwitchMutex();
  SwitchMutex(const SwitchMutex&) = delete;
  SwitchMutex& operator=(const SwitchMutex&) = delete;

  bool owned() const { return owned_; }

 private:
  win::System& system_;
  win::HANDLE mutex_ = nullptr;
  bool owned_ = false;
};

// The store locked while a switch reads the profile for its steps, so that
// no deletion moves the slots under it. The confirmation was shown without
// the lock, so the profile is found again first: still in its slot, moved to
// an earlier one by a deletion (then followed), or gone.
class ConfirmedProfile {
 public:
  // Takes the store lock and finds the profile titled `title` that the
  // confirmation showed from `offeredSlot` (1-based). When it is gone, or
  // the lock cannot be had, the user is told and slot() is empty.
  ConfirmedProfile(const store::Context& ctx, int offeredSlot, const std::string& title);
  ~ConfirmedProfile();
  ConfirmedProfile(const ConfirmedProfile&) = delete;
  ConfirmedProfile& operator=(const ConfirmedProfile&) = delete;

  // The slot to read the profile from from now on.
  const std::optional<int>& slot() const { return slot_; }
  // Ends the lock once the profile has been read for every step; the rest of
  // the switch (the script's run, the messages) must not keep other
  // commands waiting.
  void release();

 private:
  std::unique_ptr<store::StoreCommand> lock_;
  std::optional<int> slot_;
};

}  // namespace switching
