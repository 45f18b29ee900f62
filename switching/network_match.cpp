#include "switching/network_match.h"

#include <algorithm>
#include <cctype>

#include "platform/code_page.h"
#include "store/profile_store.h"
#include "store/profile_titles.h"

namespace switching {

namespace {

bool sameIgnoringCase(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

bool sameMark(const store::NetworkMark& a, const store::NetworkMark& b) {
  if (a.kind != b.kind || !sameIgnoringCase(a.connection, b.connection)) return false;
  return a.kind == store::MarkKind::Ssid ? a.value == b.value : sameIgnoringCase(a.value, b.value);
}

// One text for a whole reading, the same whatever order the marks came in.
std::string networkKey(const store::NetworkMarks& live) {
  std::vector<std::string> entries;
  for (const store::NetworkMark& mark : live)
    entries.push_back(std::to_string(int(mark.kind)) + '\n' + mark.connection + '\n' + mark.value);
  std::sort(entries.begin(), entries.end());
  std::string key;
  for (const std::string& entry : entries) key += entry + '\0';
  return key;
}

}  // namespace

bool MarksMatch(const store::NetworkMarks& profile, const store::NetworkMarks& live) {
  return std::any_of(profile.begin(), profile.end(), [&](const store::NetworkMark& mark) {
    return std::any_of(live.begin(), live.end(),
                       [&](const store::NetworkMark& seen) { return sameMark(mark, seen); });
  });
}

std::vector<ProfileMatch> FindMatchingProfiles(const store::Context& ctx,
                                               const store::NetworkMarks& live) {
  std::vector<ProfileMatch> matches;
  if (live.empty()) return matches;
  int slotCount = 0;
  win::DWORD comboActive = 0;
  // A store that cannot be read has no profile to match.
  (void)store::ReadStoreInfo(ctx, slotCount, comboActive);
  for (int slot = 1; slot <= slotCount; ++slot) {
    std::string title;
    if (store::ReadSlotTitle(ctx, slot, title) != 0) break;
    store::ProfileMarks stored = store::ReadProfileMarks(ctx, slot);
    if (MarksMatch(stored.marks, live)) matches.push_back({slot - 1, title, stored.action});
  }
  return matches;
}

bool NetworkWatch::networkChanged(const store::NetworkMarks& live, Clock::time_point now) {
  bool changed = !previous_ || networkKey(*previous_) != networkKey(live);
  previous_ = live;
  if (switching_ || (quietUntil_ && now < *quietUntil_)) return false;
  return changed;
}

std::optional<NetworkSuggestion> NetworkWatch::suggest(const store::NetworkMarks& live,
                                                       const std::vector<ProfileMatch>& matches,
                                                       std::optional<int> appliedIndex,
                                                       Clock::time_point now) {
  if (matches.empty() || matches.front().index == appliedIndex) return std::nullopt;
  // Forget networks suggested long ago, so the list stays short.
  std::erase_if(suggested_,
                [&](const auto& entry) { return now - entry.second >= kRepeatInterval; });
  auto [entry, added] = suggested_.try_emplace(networkKey(live), now);
  if (!added) return std::nullopt;
  return NetworkSuggestion{matches.front()};
}

std::optional<NetworkSuggestion> CheckNetwork(const store::Context& ctx, NetworkWatch& watch,
                                              NetworkWatch::Clock::time_point now) {
  store::NetworkMarks live = store::ReadLiveMarks(ctx);
  if (!watch.networkChanged(live, now)) return std::nullopt;
  std::vector<ProfileMatch> matches = FindMatchingProfiles(ctx, live);
  win::DWORD active = 0;
  std::optional<int> applied;
  if (store::ReadActive(ctx, active) == 0) applied = int(active);
  return watch.suggest(live, matches, applied, now);
}

SwitchChoice PreconfirmedSwitchView::confirm(const SwitchOffer& offer) {
  SwitchChoice choice;
  choice.confirmed = true;
  choice.steps = offer.rememberedSteps;
  choice.tickedInterfaces.assign(offer.interfaces.size(), true);
  choice.remember = false;
  return choice;
}

std::string OfferText(const std::string& ansiTitle) {
  return "[" + ansiTitle + win::ansiFromUtf8("] のネットワークに接続しました。切り替えますか？");
}

}  // namespace switching
