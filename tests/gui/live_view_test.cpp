// The live view on the notebook machine: what an opening shows, what a tab
// change shows, and what its two detail windows hold afterwards.
#include "gui/views/live_view.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>

#include <gtest/gtest.h>

#include "gui/views/proxy_view.h"
#include "gui/views/tcpip_details.h"
#include "tests/gui/gui_support.h"
#include "tests/support/scripted_prompter.h"
#include "tools/verantu-machine/reg_file.h"
#include "tools/verantu-machine/templates.h"

namespace {

const std::string kInternetSettings =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const std::string kNetwork =
    "SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E972-E325-11CE-BFC1-08002BE10318}\\";
const std::string kWirelessId = "{C1D7E4B9-2A63-4E58-B0F4-7A91D2C6E835}";

QStringList Items(QListWidget* list) {
  QStringList items;
  for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
  return items;
}

class LiveViewTest : public ::testing::Test {
 protected:
  LiveViewTest() {
    auto reg = machinetool::templateReg("notebook");
    std::string error;
    EXPECT_TRUE(reg && regfile::importBytes(machine.registry(),
                                            std::string_view(reg->constData(), size_t(reg->size())),
                                            &error))
        << error;
    form.Attach(ctx, dialogs, &details, &proxies);
  }

  QString text(const char* edit) { return form.findChild<QLineEdit*>(edit)->text(); }
  bool enabled(const char* name) { return form.findChild<QWidget*>(name)->isEnabled(); }
  QTabBar* tabs() { return form.findChild<QTabBar*>("TabControl1"); }
  QStringList tabCaptions() {
    QStringList captions;
    for (int i = 0; i < tabs()->count(); ++i) captions << tabs()->tabText(i);
    return captions;
  }
  QString kind() { return form.findChild<QLabel*>("Label2")->text(); }
  QStringList addressItems() { return Items(details.findChild<QListWidget*>("ListBox1")); }
  QStringList gatewayItems() { return Items(details.findChild<QListWidget*>("ListBox2")); }
  QString metric() { return details.findChild<QLineEdit*>("Edit1")->text(); }
  QString proxyRow(int row) {
    return proxies.findChild<QLineEdit*>(qPrintable(QStringLiteral("Edit%1").arg(row)))->text() +
           ":" +
           proxies.findChild<QLineEdit*>(qPrintable(QStringLiteral("Edit%1").arg(row + 5)))->text();
  }
  QString exceptions() { return proxies.findChild<QPlainTextEdit*>("Memo1")->toPlainText(); }

  testing_support::TestMachine machine;
  testing_support::ScriptedPrompter prompter;
  store::Context ctx{machine.machine(), prompter, nullptr};
  gui_testing::RecordingDialogRunner dialogs;
  TForm13 details;
  TForm9 proxies;
  TForm2 form;
};

TEST_F(LiveViewTest, OpeningShowsTheMachineAndItsFirstInterface) {
  form.show();
  EXPECT_EQ(text("Edit2"), "VERANTU-NB");
  EXPECT_EQ(text("Edit1"), "営業部 表計算用ノートPC");
  EXPECT_TRUE(form.findChild<QRadioButton*>("RadioButton2")->isChecked());
  EXPECT_EQ(text("Edit10"), "WORKGROUP");
  EXPECT_EQ(text("Edit3"), "EPSON PX-V630");

  EXPECT_EQ(tabCaptions(), QStringList({"ローカル エリア接続", "ワイヤレス ネットワーク接続"}));
  EXPECT_EQ(tabs()->currentIndex(), 0);
  EXPECT_EQ(kind(), "STATIC");
  EXPECT_EQ(text("Edit5"), "192.168.10.25");
  EXPECT_EQ(text("Edit6"), "255.255.255.0");
  EXPECT_EQ(text("Edit7"), "192.168.10.1");
  EXPECT_EQ(text("Edit8"), "192.168.10.2,192.168.10.3");
  EXPECT_EQ(addressItems(),
            QStringList({"192.168.10.25 --- 255.255.255.0", "192.168.10.26 --- 255.255.255.0"}));
  EXPECT_EQ(gatewayItems(), QStringList({"192.168.10.1 --- 自動", "192.168.10.254 --- 20"}));
  EXPECT_EQ(metric(), "20");

  // A single proxy server for all: HTTP to Gopher, no Socks.
  auto* proxyOn = form.findChild<QCheckBox*>("CheckBox1");
  auto* bypass = form.findChild<QCheckBox*>("CheckBox2");
  EXPECT_TRUE(proxyOn->isChecked());
  EXPECT_TRUE(bypass->isChecked());
  EXPECT_FALSE(proxyOn->isEnabled());
  EXPECT_FALSE(bypass->isEnabled());
  EXPECT_EQ(text("Edit4"), "proxy.example.co.jp");
  EXPECT_EQ(text("Edit9"), "8080");
  for (const char* name : {"Edit4", "Edit9", "Label4", "Label9", "Button2", "Label10"})
    EXPECT_TRUE(enabled(name)) << name;
  for (int row = 1; row <= 4; ++row) EXPECT_EQ(proxyRow(row), "proxy.example.co.jp:8080");
  EXPECT_EQ(proxyRow(5), ":");
  EXPECT_EQ(exceptions(), "*.example.co.jp");

  // Display only, except the description.
  EXPECT_TRUE(form.findChild<QLineEdit*>("Edit5")->isReadOnly());
  EXPECT_FALSE(form.findChild<QLineEdit*>("Edit1")->isReadOnly());
  form.hide();
}

TEST_F(LiveViewTest, PickingATabShowsThatInterface) {
  form.show();
  tabs()->setCurrentIndex(1);
  EXPECT_EQ(kind(), "DHCP");
  EXPECT_EQ(text("Edit5"), "192.168.1.34");
  EXPECT_EQ(text("Edit6"), "255.255.255.0");
  EXPECT_EQ(text("Edit7"), "");
  EXPECT_EQ(text("Edit8"), "none");
  EXPECT_EQ(addressItems(), QStringList({"DHCP有効"}));
  EXPECT_EQ(gatewayItems(), QStringList());
  EXPECT_EQ(metric(), "自動");

  // A tab change keeps the tabs as they were; the next opening rebuilds them
  // and shows the first interface again.
  machine.setString(HKEY_LOCAL_MACHINE, kNetwork + kWirelessId + "\\Connection", "Name", "WLAN");
  tabs()->setCurrentIndex(0);
  EXPECT_EQ(tabCaptions().last(), "ワイヤレス ネットワーク接続");
  EXPECT_EQ(kind(), "STATIC");
  tabs()->setCurrentIndex(1);
  form.hide();
  form.show();
  EXPECT_EQ(tabCaptions(), QStringList({"ローカル エリア接続", "WLAN"}));
  EXPECT_EQ(tabs()->currentIndex(), 0);
  EXPECT_EQ(kind(), "STATIC");
  form.hide();
}

TEST_F(LiveViewTest, PerProtocolProxyWithProxyOff) {
  machine.setString(HKEY_CURRENT_USER, kInternetSettings, "ProxyServer", "http=a:1;ftp=b");
  machine.setString(HKEY_CURRENT_USER, kInternetSettings, "ProxyOverride", "<local>");
  machine.setDword(HKEY_CURRENT_USER, kInternetSettings, "ProxyEnable", 0);
  form.Load(TForm2::LoadMode::Full);
  EXPECT_FALSE(form.findChild<QCheckBox*>("CheckBox1")->isChecked());
  EXPECT_TRUE(form.findChild<QCheckBox*>("CheckBox2")->isChecked());
  EXPECT_EQ(text("Edit4"), "");
  EXPECT_EQ(text("Edit9"), "");
  for (const char* name : {"Edit4", "Edit9", "Label4", "Label9", "Button2", "Label10"})
    EXPECT_FALSE(enabled(name)) << name;
  EXPECT_EQ(proxyRow(1), "a:1");
  EXPECT_EQ(proxyRow(2), ":");
  EXPECT_EQ(proxyRow(3), "b:");
  EXPECT_EQ(exceptions(), "");
}

TEST_F(LiveViewTest, WithoutInterfacesTheAddressBoxesKeepTheirTexts) {
  machine.registry().SHDeleteKeyA(
      HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Adapters");
  form.Load(TForm2::LoadMode::Full);
  EXPECT_EQ(tabs()->count(), 0);
  EXPECT_EQ(text("Edit5"), "0.0.0.0");
  EXPECT_EQ(text("Edit6"), "255.255.255.0");
  EXPECT_EQ(text("Edit7"), "0.0.0.0");
  EXPECT_EQ(text("Edit2"), "VERANTU-NB");
}

TEST_F(LiveViewTest, DetailButtonsOpenTheDetailWindows) {
  form.Load(TForm2::LoadMode::Full);
  form.findChild<QPushButton*>("Button1")->click();
  form.findChild<QPushButton*>("Button2")->click();
  EXPECT_EQ(dialogs.shown, (std::vector<std::string>{"TForm13", "TForm9"}));
}

}  // namespace
