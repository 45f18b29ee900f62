// The sample notebook machine in a temporary folder with its live settings
// stored as profile 1, for the tests of the profile editor: a wired static
// interface with two addresses, two gateways and two DNS servers, a wireless
// DHCP interface, a dial-up adapter that is no interface, two printers, a
// proxy and workgroup membership.
#pragma once

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/code_page.h"
#include "store/capture.h"
#include "store/profile_store.h"
#include "tools/verantu-machine/templates.h"

namespace testing_support {

class NotebookProfile {
 public:
  static constexpr const char* kWired = "{8E3A5D21-6C4B-4F1A-9E27-3B5C8D0F1A42}";
  static constexpr const char* kWireless = "{C1D7E4B9-2A63-4E58-B0F4-7A91D2C6E835}";

  // `utf8Title` names the captured profile.
  explicit NotebookProfile(const std::string& utf8Title = "会社") {
    folder_ = dir_.path().toStdString() + "/machine";
    auto reg = machinetool::templateReg("notebook");
    std::string error;
    if (reg)
      machine_ = machinetool::createMachine(
          folder_, std::string_view(reg->constData(), std::size_t(reg->size())), "notebook", false,
          &error);
    if (!machine_) {
      ADD_FAILURE() << "cannot create the notebook machine: " << error;
      return;
    }
    capture(utf8Title);
  }

  emu::EmulatedMachine& machine() { return *machine_; }

  // Stores the live settings as one more profile.
  void capture(const std::string& utf8Title) {
    YesPrompter yes;
    store::Context ctx{*machine_, yes, nullptr};
    if (!store::CaptureProfile(ctx, win::ansiFromUtf8(utf8Title)).captured)
      ADD_FAILURE() << "capture failed";
  }

  // The profile's copy of an interface key.
  static std::string interfaceKey(int slot, const std::string& id) {
    return store::MirrorPath(slot,
                             "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\"
                             "Interfaces\\" +
                                 id);
  }

 private:
  class YesPrompter : public win::Prompter {
   public:
    int messageBox(win::HWND, const std::string&, const std::string&, win::UINT flags) override {
      return (flags & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
    }
  };

  QTemporaryDir dir_;
  std::string folder_;
  std::unique_ptr<emu::EmulatedMachine> machine_;
};

}  // namespace testing_support
