// A network's marks: captured with a profile from what the machine sees,
// carried by a deletion's slot moves, matched against the live network, and
// the decisions the notification-area icon takes on a network change.
#include "store/network_marks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/code_page.h"
#include "store/deletion.h"
#include "store/profile_store.h"
#include "switching/network_match.h"
#include "tests/support/notebook_profile.h"

namespace {

using store::MarkKind;
using store::MatchAction;
using store::NetworkMark;
using store::NetworkMarks;

const std::string kWired = win::ansiFromUtf8("ローカル エリア接続");
const std::string kWireless = win::ansiFromUtf8("ワイヤレス ネットワーク接続");

class Prompter : public win::Prompter {
 public:
  int messageBox(win::HWND, const std::string& text, const std::string&, win::UINT flags) override {
    shown.push_back(win::ansiToUtf8(text));
    return (flags & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
  }
  std::vector<std::string> shown;
};

// What the emulated notebook sees: "name=value" entries (ANSI) per value.
void setSurroundings(emu::EmulatedMachine& machine, const char* value,
                     const std::vector<std::string>& entries) {
  std::string image;
  for (const std::string& entry : entries) image += entry + '\0';
  image += '\0';
  win::HKEY key = nullptr;
  auto& registry = machine.registry();
  ASSERT_EQ(registry.RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\Emulation", 0, "", 0,
                                     KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(registry.RegSetValueExA(key, value, 0, REG_MULTI_SZ,
                                    reinterpret_cast<const win::BYTE*>(image.data()),
                                    win::DWORD(image.size())),
            ERROR_SUCCESS);
  (void)registry.RegCloseKey(key);
}

TEST(NetworkMarksTest, CapturedWithTheProfileAndCarriedByADeletion) {
  // The sample notebook at the office (wired) with the home network in reach.
  testing_support::NotebookProfile notebook("会社");
  Prompter prompter;
  store::Context ctx{notebook.machine(), prompter, nullptr};
  const NetworkMarks office = {
      {MarkKind::Ssid, kWireless, "verantu-home"},
      {MarkKind::DnsSuffix, kWired, "office.example.co.jp"},
      {MarkKind::DnsSuffix, kWireless, "home.example.jp"},
      {MarkKind::GatewayMac, kWired, "00-0C-29-5E-81-3F"},
      {MarkKind::GatewayMac, kWireless, "00-1D-73-4A-2B-10"},
  };
  EXPECT_EQ(store::ReadProfileMarks(ctx, 1).marks, office);

  // Elsewhere: another SSID, no suffix, the wired gateway's address in small
  // letters as a neighbour table might hold it.
  setSurroundings(notebook.machine(), "WirelessNetworks", {kWireless + "=cafe=free"});
  setSurroundings(notebook.machine(), "DnsSuffixes", {});
  setSurroundings(notebook.machine(), "Neighbors", {"192.168.10.1=00-0c-29-aa-bb-cc"});
  notebook.capture("出張先");
  const NetworkMarks away = {{MarkKind::Ssid, kWireless, "cafe=free"},
                             {MarkKind::GatewayMac, kWired, "00-0C-29-AA-BB-CC"}};
  ASSERT_EQ(store::ReadProfileMarks(ctx, 2).marks, away);
  ASSERT_TRUE(store::UpdateProfileMarks(ctx, win::ansiFromUtf8("出張先"), [](auto& marks) {
    marks.action = MatchAction::SwitchWithoutConfirmation;
  }));

  // A recapture replaces the marks and keeps what a match does.
  notebook.capture("出張先");
  EXPECT_EQ(store::ReadProfileMarks(ctx, 2).action, MatchAction::SwitchWithoutConfirmation);

  ASSERT_TRUE(store::DeleteProfile(ctx, win::ansiFromUtf8("会社")).deleted);
  store::ProfileMarks moved = store::ReadProfileMarks(ctx, 1);
  EXPECT_EQ(moved.marks, away);
  EXPECT_EQ(moved.action, MatchAction::SwitchWithoutConfirmation);
}

TEST(NetworkMarksTest, TypedMarksAreCheckedAndPutIntoStoredForm) {
  struct Case {
    NetworkMark mark;
    std::string stored;  // the value as stored, empty when refused
  };
  const Case cases[] = {
      {{MarkKind::GatewayMac, kWired, "00:1d:73:4a:2b:10"}, "00-1D-73-4A-2B-10"},
      {{MarkKind::GatewayMac, kWired, "00-1D-73-4A-2B"}, ""},
      {{MarkKind::GatewayMac, kWired, "00-1D-73-4A-2B-1G"}, ""},
      {{MarkKind::Ssid, kWired, std::string(32, 'x')}, std::string(32, 'x')},
      {{MarkKind::Ssid, kWired, std::string(33, 'x')}, ""},
      {{MarkKind::Ssid, "a=b", "net"}, ""},
      {{MarkKind::DnsSuffix, kWired, "a\nb"}, ""},
      {{MarkKind::DnsSuffix, "", "example.jp"}, ""},
      {{MarkKind::DnsSuffix, kWired, ""}, ""},
  };
  for (const Case& c : cases) {
    NetworkMark mark = c.mark;
    std::optional<std::string> problem = store::NormaliseMark(mark);
    EXPECT_EQ(!problem, !c.stored.empty()) << c.mark.value;
    if (!problem) {
      EXPECT_EQ(mark.value, c.stored);
    }
  }
}

// Profiles A, B and C with marks on the notebook; which one the live
// network matches first.
TEST(NetworkMatchTest, TheFirstSlotWhoseMarkIsSeenOnTheSameConnectionWins) {
  testing_support::NotebookProfile notebook("A");
  notebook.capture("B");
  notebook.capture("C");
  Prompter prompter;
  store::Context ctx{notebook.machine(), prompter, nullptr};
  const std::vector<std::pair<const char*, NetworkMarks>> stored = {
      {"A", {{MarkKind::Ssid, kWireless, "HQ-Net"}}},
      {"B", {{MarkKind::GatewayMac, kWired, "0A-1B-2C-3D-4E-5F"}}},
      {"C",
       {{MarkKind::DnsSuffix, kWired, "branch.example.jp"}, {MarkKind::Ssid, kWireless, "hq-net"}}},
  };
  for (const auto& [title, marks] : stored)
    ASSERT_TRUE(
        store::UpdateProfileMarks(ctx, title, [&](auto& profile) { profile.marks = marks; }));

  struct Case {
    const char* what;
    std::vector<std::string> ssids, suffixes, neighbors;
    std::vector<std::string> matches;
  };
  const Case cases[] = {
      {"SSID", {kWireless + "=HQ-Net"}, {}, {}, {"A"}},
      {"SSID in another letter case", {kWireless + "=hq-net"}, {}, {}, {"C"}},
      {"gateway MAC in small letters", {}, {}, {"192.168.10.1=0a-1b-2c-3d-4e-5f"}, {"B"}},
      {"DNS suffix in capitals", {}, {kWired + "=BRANCH.example.jp"}, {}, {"C"}},
      {"SSID on another connection", {kWired + "=HQ-Net"}, {}, {}, {}},
      {"MAC of a neighbour that is not the gateway",
       {},
       {},
       {"192.168.10.254=0A-1B-2C-3D-4E-5F"},
       {}},
      {"two profiles", {kWireless + "=HQ-Net"}, {}, {"192.168.10.1=0A-1B-2C-3D-4E-5F"}, {"A", "B"}},
      {"nothing seen", {}, {}, {}, {}},
  };
  for (const Case& c : cases) {
    setSurroundings(notebook.machine(), "WirelessNetworks", c.ssids);
    setSurroundings(notebook.machine(), "DnsSuffixes", c.suffixes);
    setSurroundings(notebook.machine(), "Neighbors", c.neighbors);
    std::vector<std::string> titles;
    for (const switching::ProfileMatch& match :
         switching::FindMatchingProfiles(ctx, store::ReadLiveMarks(ctx)))
      titles.push_back(match.title);
    EXPECT_EQ(titles, c.matches) << c.what;
  }
  EXPECT_TRUE(prompter.shown.empty());
}

using Clock = switching::NetworkWatch::Clock;
using std::chrono::seconds;

switching::ProfileMatch profile(int index, MatchAction action = MatchAction::Offer) {
  return {index, "P" + std::to_string(index), action};
}

TEST(NetworkWatchTest, OffersANetworkOnceAMinuteAndNeverBecauseOfItsOwnSwitch) {
  switching::NetworkWatch watch;
  const Clock::time_point t0{};
  const NetworkMarks office = {{MarkKind::Ssid, kWireless, "HQ"}};
  const NetworkMarks cafe = {{MarkKind::Ssid, kWireless, "cafe"}};
  const NetworkMarks home = {{MarkKind::Ssid, kWireless, "home"}};
  // Each reading: is it a change, and what is suggested for the office's
  // profile 1 while profile `applied` was applied last.
  auto look = [&](const NetworkMarks& live, Clock::time_point now,
                  std::optional<int> applied = 0) -> std::optional<int> {
    if (!watch.networkChanged(live, now)) return std::nullopt;
    if (live != office) return -1;  // a change, to a network no profile has
    auto suggestion = watch.suggest(live, {profile(1)}, applied, now);
    return suggestion ? std::optional<int>(suggestion->profile.index) : std::optional<int>(-2);
  };
  EXPECT_EQ(look(office, t0), 1);                          // offered
  EXPECT_EQ(look(office, t0 + seconds(4)), std::nullopt);  // no change
  EXPECT_EQ(look(cafe, t0 + seconds(8)), -1);
  EXPECT_EQ(look(office, t0 + seconds(50)), -2);  // back within the minute: not again
  EXPECT_EQ(look(cafe, t0 + seconds(55)), -1);
  EXPECT_EQ(look(office, t0 + seconds(61)), 1);  // a minute after the offer
  EXPECT_EQ(look(cafe, t0 + seconds(65)), -1);
  EXPECT_EQ(look(office, t0 + seconds(300), 1), -2);  // the applied profile is never offered

  // What a switch does to the network is not a new place: not while it
  // runs, nor in the quiet time after it.
  watch.switchStarted();
  EXPECT_EQ(look(home, t0 + seconds(400)), std::nullopt);
  watch.switchEnded(t0 + seconds(402));
  EXPECT_EQ(look(cafe, t0 + seconds(405)), std::nullopt);
  EXPECT_EQ(look(cafe, t0 + seconds(413)), std::nullopt);  // seen before, no change
  EXPECT_EQ(look(office, t0 + seconds(420)), 1);
}

TEST(NetworkWatchTest, AProfileSetToSwitchAtOnceIsSuggestedForASwitchWithItsRememberedSteps) {
  switching::NetworkWatch watch;
  const NetworkMarks live = {{MarkKind::DnsSuffix, kWired, "example.jp"}};
  ASSERT_TRUE(watch.networkChanged(live, Clock::time_point{}));
  auto suggestion =
      watch.suggest(live, {profile(2, MatchAction::SwitchWithoutConfirmation), profile(3)}, 0,
                    Clock::time_point{});
  ASSERT_TRUE(suggestion);
  EXPECT_EQ(suggestion->profile.index, 2);
  EXPECT_EQ(suggestion->profile.action, MatchAction::SwitchWithoutConfirmation);

  // Without the dialog: the remembered steps, every interface, nothing
  // remembered; the rest goes to the window.
  struct Window : switching::SwitchView {
    switching::SwitchChoice confirm(const switching::SwitchOffer&) override {
      ADD_FAILURE() << "the dialog was shown";
      return {};
    }
    void setBusy(bool) override {}
    void setProgressRange(int) override {}
    void setProgress(int) override {}
    void setStatusText(const std::string&) override {}
    void setAppliedTitle(const std::string& title) override { applied = title; }
    std::string applied;
  } window;
  switching::PreconfirmedSwitchView view(window);
  switching::SwitchOffer offer;
  offer.rememberedSteps = switching::kStepNetwork | switching::kStepProxy;
  offer.interfaces.resize(3);
  switching::SwitchChoice choice = view.confirm(offer);
  EXPECT_TRUE(choice.confirmed);
  EXPECT_EQ(choice.steps, switching::kStepNetwork | switching::kStepProxy);
  EXPECT_EQ(choice.tickedInterfaces, std::vector<bool>(3, true));
  EXPECT_FALSE(choice.remember);
  view.setAppliedTitle("P2");
  EXPECT_EQ(window.applied, "P2");
  EXPECT_EQ(win::ansiToUtf8(switching::OfferText(win::ansiFromUtf8("本社"))),
            "[本社] のネットワークに接続しました。切り替えますか？");
}

}  // namespace
