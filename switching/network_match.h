// Recognising the place: which stored profiles the network the machine is
// on now belongs to, and what to do about it when the network changes. The
// notification-area icon and `verantu-cli match` share it.
//
// A profile matches when one of its marks equals a live mark of the same
// kind on the same connection: the connection name and a DNS suffix or MAC
// address compared without regard to letter case, an SSID exactly (an SSID
// is case-sensitive). A profile without marks never matches.
#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "store/network_marks.h"
#include "switching/switch_flow.h"

namespace switching {

struct ProfileMatch {
  int index = 0;      // 0-based slot index
  std::string title;  // ANSI
  store::MatchAction action = store::MatchAction::Offer;
};

bool MarksMatch(const store::NetworkMarks& profile, const store::NetworkMarks& live);

// The profiles whose marks match `live`, first slot first. Stops at a slot
// whose title cannot be read, as every scan of the store does.
std::vector<ProfileMatch> FindMatchingProfiles(const store::Context& ctx,
                                               const store::NetworkMarks& live);

// What the program does about a network it recognised.
struct NetworkSuggestion {
  ProfileMatch profile;  // profile.action says whether to offer or to switch
};

// Decides, reading by reading, when a network change deserves an offer. It
// keeps no clock of its own: every call says what time it is.
class NetworkWatch {
 public:
  using Clock = std::chrono::steady_clock;
  // The same network seen again within this time is not offered again.
  static constexpr std::chrono::seconds kRepeatInterval{60};
  // A switch changes the network itself; what is seen until this long after
  // it ends is the switch's doing, not a new place.
  static constexpr std::chrono::seconds kQuietAfterSwitch{10};

  // True when `live` differs from the reading before and no switch is
  // running or just ended: the caller then looks for matching profiles.
  // The first reading counts as a change.
  bool networkChanged(const store::NetworkMarks& live, Clock::time_point now);
  // What to do about the first of `matches` (first slot first) for the
  // network `live`: nothing when it is the profile applied last or this
  // network was suggested less than kRepeatInterval ago.
  std::optional<NetworkSuggestion> suggest(const store::NetworkMarks& live,
                                           const std::vector<ProfileMatch>& matches,
                                           std::optional<int> appliedIndex, Clock::time_point now);

  void switchStarted() { switching_ = true; }
  void switchEnded(Clock::time_point now) {
    switching_ = false;
    quietUntil_ = now + kQuietAfterSwitch;
  }

 private:
  std::optional<store::NetworkMarks> previous_;
  std::map<std::string, Clock::time_point> suggested_;  // by network, when last suggested
  bool switching_ = false;
  std::optional<Clock::time_point> quietUntil_;
};

// One look at the network: reads the live marks and, when they changed,
// the profiles they match and the profile applied last.
std::optional<NetworkSuggestion> CheckNetwork(const store::Context& ctx, NetworkWatch& watch,
                                              NetworkWatch::Clock::time_point now);

// A switch started by a match for a profile set to switch without the
// confirmation: the dialog is answered as if the user had accepted it with
// the profile's remembered steps and every interface ticked, and nothing is
// remembered. Everything else is the window's view.
class PreconfirmedSwitchView : public SwitchView {
 public:
  explicit PreconfirmedSwitchView(SwitchView& inner) : inner_(inner) {}
  SwitchChoice confirm(const SwitchOffer& offer) override;
  void setBusy(bool busy) override { inner_.setBusy(busy); }
  void setProgressRange(int maximum) override { inner_.setProgressRange(maximum); }
  void setProgress(int position) override { inner_.setProgress(position); }
  void setStatusText(const std::string& ansiText) override { inner_.setStatusText(ansiText); }
  void setAppliedTitle(const std::string& ansiTitle) override { inner_.setAppliedTitle(ansiTitle); }

 private:
  SwitchView& inner_;
};

// The notification offering the profile titled `ansiTitle`, in ANSI:
// "[本社] のネットワークに接続しました。切り替えますか？".
std::string OfferText(const std::string& ansiTitle);

}  // namespace switching
