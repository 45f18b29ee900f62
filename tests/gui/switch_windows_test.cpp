// The windows of a switch: the confirmation dialog filled from a profile and
// read back, the result and script viewers with their refresh loop, and the
// switch button driving the main window's indicator, cursor, progress bar,
// status bar and applied-profile label.
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <fstream>
#include <functional>
#include <optional>

#include <gtest/gtest.h>

#include "gui/shell/main_window.h"
#include "gui/shell/switch_view.h"
#include "gui/shell/tray_icon.h"
#include "gui/switching/confirmation_dialog.h"
#include "gui/switching/work_file_viewer.h"
#include "store/capture.h"
#include "store/profile_store.h"
#include "store/program_options.h"
#include "store/system_keys.h"
#include "tests/gui/gui_support.h"
#include "tests/support/scripted_prompter.h"
#include "tools/verantu-machine/templates.h"

namespace {

using gui_testing::ansi;
using testing_support::ScriptedPrompter;

constexpr const char* kError = "エラーメッセージ";
constexpr const char* kInformation = "情報メッセージ";

// Shows each dialog as exec() would (so its Show handler runs), lets the
// test act on it and returns the result the dialog was closed with. A
// dialog without a scripted action is closed with its close box.
class ActingDialogRunner : public app::DialogRunner {
 public:
  using Action = std::function<void(QDialog&)>;
  ActingDialogRunner& then(Action action) {
    actions_.push_back(std::move(action));
    return *this;
  }
  int run(QDialog& dialog) override {
    shown.push_back(dialog.objectName().toStdString());
    dialog.setResult(0);
    dialog.show();
    if (actions_.empty()) {
      dialog.close();
    } else {
      Action action = std::move(actions_.front());
      actions_.pop_front();
      action(dialog);
    }
    dialog.hide();
    return dialog.result();
  }
  std::vector<std::string> shown;

 private:
  std::deque<Action> actions_;
};

template <typename T>
T* child(QWidget& parent, const char* name) {
  T* found = parent.findChild<T*>(name);
  EXPECT_NE(found, nullptr) << name;
  return found;
}

void press(QWidget& dialog, const char* button) {
  child<QPushButton>(dialog, button)->click();
}

QString memoText(QWidget& dialog) {
  return child<QPlainTextEdit>(dialog, "Memo1")->toPlainText();
}

QColor indicatorColour(TForm1& window) {
  return child<QLabel>(window, "Label2")->palette().color(QPalette::WindowText);
}

bool hourglass() {
  return QApplication::overrideCursor() &&
         QApplication::overrideCursor()->shape() == Qt::WaitCursor;
}

// ---------------------------------------------------------------------------
// The confirmation dialog

switching::SwitchOffer offer(win::DWORD steps, const char* printer) {
  switching::SwitchOffer offer;
  offer.title = ansi("本社");
  offer.rememberedSteps = steps;
  offer.interfaces = {{"{A}", ansi("ローカル エリア接続")}, {"{B}", ansi("ワイヤレス")}};
  if (printer) offer.defaultPrinter = ansi(printer);
  return offer;
}

struct DialogState {
  bool network, printer, proxy, domain, remember;
  bool listEnabled, printerEnabled;
  QString printerText;
};

DialogState state(TForm11& dialog) {
  auto checked = [&](const char* name) { return child<QCheckBox>(dialog, name)->isChecked(); };
  return {checked("CheckBox1"),
          checked("CheckBox2"),
          checked("CheckBox3"),
          checked("CheckBox5"),
          checked("CheckBox4"),
          child<QListWidget>(dialog, "CheckListBox1")->isEnabled() &&
              child<QLabel>(dialog, "Label2")->isEnabled() &&
              child<QPlainTextEdit>(dialog, "Memo1")->isEnabled(),
          child<QLabel>(dialog, "Label3")->isEnabled(),
          child<QLabel>(dialog, "Label3")->text()};
}

TEST(ConfirmationDialogTest, ShowsTheProfileAndItsRememberedSteps) {
  TForm11 dialog;
  EXPECT_EQ(dialog.windowTitle(), "情報ﾒｯｾｰｼﾞ");
  EXPECT_TRUE(state(dialog).remember);  // ticked when the program starts

  dialog.prepare(offer(switching::kDefaultSteps, "LBP-1310"));
  EXPECT_EQ(child<QLabel>(dialog, "Label1")->text(), "ﾈｯﾄﾜｰｸの設定を [ 本社 ] に切り替えます。");
  EXPECT_TRUE(child<QLabel>(dialog, "Label1")->font().bold());
  DialogState s = state(dialog);
  EXPECT_TRUE(s.network && s.printer && s.proxy && !s.domain);
  EXPECT_TRUE(s.listEnabled && s.printerEnabled);
  EXPECT_EQ(s.printerText, "[ LBP-1310 ]");
  auto* list = child<QListWidget>(dialog, "CheckListBox1");
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(0)->text(), "ローカル エリア接続");
  EXPECT_EQ(list->item(1)->text(), "ワイヤレス");
  EXPECT_EQ(list->item(0)->checkState(), Qt::Checked);
  EXPECT_EQ(list->item(1)->checkState(), Qt::Checked);
  QPalette note = child<QPlainTextEdit>(dialog, "Memo1")->palette();
  EXPECT_EQ(note.color(QPalette::Base), note.color(QPalette::Button));  // read-only look
  EXPECT_EQ(child<QPlainTextEdit>(dialog, "Memo1")->toPlainText(),
            "※切り替えに関係のないｲﾝﾀﾌｪｰｽをﾘｽﾄから外すと、切り替え処\n"
            "理が早く完了します。\n"
            "※切り替えが失敗するときは、そのｲﾝﾀﾌｪｰｽが現在使用できる\n"
            "状態にないことが考えられます。切り替えに関係のないｲﾝﾀ\n"
            "ﾌｪｰｽであれば、切り替えﾘｽﾄから外して実行してみてください。");
  QStringList captions;
  for (const char* name : {"CheckBox1", "CheckBox2", "CheckBox3", "CheckBox5", "CheckBox4"})
    captions << child<QCheckBox>(dialog, name)->text();
  for (const char* name : {"Label2", "Label4"}) captions << child<QLabel>(dialog, name)->text();
  EXPECT_EQ(captions, QStringList({"ﾈｯﾄﾜｰｸ", "通常使うﾌﾟﾘﾝﾀ", "IEﾌﾟﾛｷｼｻｰﾊﾞ", "ﾄﾞﾒｲﾝまたはﾜｰｸｸﾞﾙｰﾌﾟ",
                                   "ﾁｪｯｸﾎﾞｯｸｽの状態を記憶する。（設定毎）",
                                   "切り替えたいﾈｯﾄﾜｰｸｲﾝﾀﾌｪｰｽを指定してください。",
                                   "※外した場合は、前の状態を引継ぎます。"}));

  // Domain only: the interface list and the printer dim with their boxes.
  // The next profile has no printer, so none is shown.
  dialog.prepare(offer(switching::kStepDomain, nullptr));
  s = state(dialog);
  EXPECT_TRUE(!s.network && !s.printer && !s.proxy && s.domain);
  EXPECT_FALSE(s.listEnabled);
  EXPECT_FALSE(s.printerEnabled);
  EXPECT_EQ(s.printerText, "");

  // A user click on the box brings them back.
  child<QCheckBox>(dialog, "CheckBox1")->click();
  child<QCheckBox>(dialog, "CheckBox2")->click();
  EXPECT_TRUE(state(dialog).listEnabled);
  EXPECT_TRUE(state(dialog).printerEnabled);
}

TEST(ConfirmationDialogTest, ReadsBackTheBoxesAndInterfaceTicks) {
  TForm11 dialog;
  dialog.prepare(offer(0xFFFFFFF0 | switching::kStepNetwork, "LBP"));
  child<QListWidget>(dialog, "CheckListBox1")->item(0)->setCheckState(Qt::Unchecked);
  child<QCheckBox>(dialog, "CheckBox3")->click();
  child<QCheckBox>(dialog, "CheckBox4")->click();

  switching::SwitchChoice choice = dialog.choice();
  EXPECT_EQ(choice.steps, switching::kStepNetwork | switching::kStepProxy);
  EXPECT_EQ(choice.tickedInterfaces, std::vector<bool>({false, true}));
  EXPECT_FALSE(choice.remember);

  // The next switch ticks every interface again, but the remember box keeps
  // what the user left it at.
  dialog.prepare(offer(switching::kDefaultSteps, "LBP"));
  choice = dialog.choice();
  EXPECT_EQ(choice.steps, switching::kDefaultSteps);
  EXPECT_EQ(choice.tickedInterfaces, std::vector<bool>({true, true}));
  EXPECT_FALSE(choice.remember);

  // No interfaces at all: an empty list.
  switching::SwitchOffer bare = offer(switching::kDefaultSteps, nullptr);
  bare.interfaces.clear();
  dialog.prepare(bare);
  EXPECT_EQ(child<QListWidget>(dialog, "CheckListBox1")->count(), 0);
  EXPECT_TRUE(dialog.choice().tickedInterfaces.empty());
}

TEST(ConfirmationDialogTest, OnlyYesConfirms) {
  QWidget window;
  QLabel indicator, status, applied;
  QProgressBar progress;
  TForm11 dialog;
  ActingDialogRunner runner;
  app::WindowSwitchView view({&window, &indicator, &progress, &status, &applied}, &dialog, runner);

  runner.then([](QDialog& d) { press(d, "BitBtn1"); });
  switching::SwitchChoice choice = view.confirm(offer(switching::kDefaultSteps, nullptr));
  EXPECT_TRUE(choice.confirmed);
  EXPECT_EQ(choice.steps, switching::kDefaultSteps);

  runner.then([](QDialog& d) { press(d, "BitBtn2"); });
  EXPECT_FALSE(view.confirm(offer(switching::kDefaultSteps, nullptr)).confirmed);
  EXPECT_EQ(dialog.result(), TForm11::kNoResult);
  // Closing the window cancels as well.
  EXPECT_FALSE(view.confirm(offer(switching::kDefaultSteps, nullptr)).confirmed);
  EXPECT_EQ(runner.shown, std::vector<std::string>(3, "TForm11"));

  app::WindowSwitchView withoutDialog({&window, &indicator, &progress, &status, &applied}, nullptr,
                                      runner);
  EXPECT_FALSE(withoutDialog.confirm(offer(switching::kDefaultSteps, nullptr)).confirmed);
}

// ---------------------------------------------------------------------------
// The viewers, opened from the main window's option menu

class ViewerTest : public ::testing::Test {
 protected:
  ViewerTest() {
    gui_testing::installProgram(machine);
    EXPECT_TRUE(machine.machine().files().createDirectory("C:\\WINDOWS"));
    window = std::make_unique<TForm1>(machine.machine(), prompter, runner);
    window->setWindows(app::CreateOtherWindows(window.get(), machine.machine()));
  }
  void write(const char* windowsPath, const std::string& bytes) {
    std::ofstream out(machine.machine().files().hostPath(windowsPath), std::ios::binary);
    out << bytes;
  }

  testing_support::TestMachine machine;
  ScriptedPrompter prompter;
  ActingDialogRunner runner;
  std::unique_ptr<TForm1> window;
};

TEST_F(ViewerTest, ResultViewerReloadsUntilClosed) {
  QStringList seen;
  // Before any switch the text is empty; the refresh button shows the viewer
  // anew, which reads the result file written meanwhile, once.
  runner
      .then([&](QDialog& d) {
        seen << memoText(d);
        write("C:\\WINDOWS\\relay4err.txt",
              ansi("s ○○○ 切り替え処理の開始 \r\n====  1 [LAN] DNS の設定 === \r\nOK\r\n\r\n"
                   "e ○○○ 切り替え処理の終了 "));
        press(d, "BitBtn2");
        // Closing for the retry leaves the old text: the file is read when
        // the viewer is shown again, not twice.
        seen << memoText(d);
      })
      .then([&](QDialog& d) {
        seen << memoText(d);
        write("C:\\WINDOWS\\relay4err.txt", ansi("s\r\nインターフェイスがありません。\r\nx"));
        press(d, "BitBtn2");
      })
      .then([&](QDialog& d) {
        seen << memoText(d);
        press(d, "BitBtn1");
      });
  window->N1Click();

  const QString success =
      " ○○○ 切り替え処理の開始 \n===  1 [LAN] DNS の設定 === \nOK\n ○○○ 切り替え処理の終了 ";
  // The bare start marker leaves an empty line; the last line keeps its "x".
  EXPECT_EQ(seen, QStringList({"", "", success, "\nインターフェイスがありません。\nx"}));
  EXPECT_EQ(runner.shown, std::vector<std::string>(3, "TForm4"));

  auto* viewer = window->windows().form4;
  EXPECT_EQ(viewer->windowTitle(), "実行結果");
  EXPECT_EQ(child<QGroupBox>(*viewer, "GroupBox1")->title(), "最後に切り替えた時の処理結果");
  EXPECT_EQ(child<QLabel>(*viewer, "Label1")->text(),
            "※何らかのメッセージがある場合、エラーの可能性があります。");
  EXPECT_EQ(child<QPushButton>(*viewer, "BitBtn2")->text(), "表示更新(&R)");
}

TEST_F(ViewerTest, ScriptViewerNumbersTheCommandsAndReloads) {
  QStringList seen;
  runner
      .then([&](QDialog& d) {
        seen << memoText(d);
        write(
            "C:\\WINDOWS\\relay4.bat",
            "echo s > C:\\WINDOWS\\relay4err.txt\r\n"
            "echo ====  1 [LAN] >> C:\\WINDOWS\\relay4err.txt\r\n"
            "netsh interface ip set dns name=\"LAN\" static none >> C:\\WINDOWS\\relay4err.txt\r\n"
            "echo e >> C:\\WINDOWS\\relay4err.txt\r\n");
        press(d, "BitBtn2");
      })
      .then([&](QDialog& d) {
        seen << memoText(d);
        d.close();
      });
  window->B1Click();

  EXPECT_EQ(seen, QStringList({"", " 1> netsh interface ip set dns name=\"LAN\" static none "}));
  EXPECT_EQ(runner.shown, std::vector<std::string>(2, "TForm12"));
  auto* viewer = window->windows().form12;
  EXPECT_EQ(viewer->windowTitle(), "実行ﾊﾞｯﾁﾌｧｲﾙ内容");
  EXPECT_EQ(child<QGroupBox>(*viewer, "GroupBox1")->title(), "実行ｺﾏﾝﾄﾞ");
  EXPECT_EQ(viewer->findChild<QLabel*>("Label1"), nullptr);
}

// ---------------------------------------------------------------------------
// The switch button on the main window

// Sends a left click to `widget` as the window system would.
void mouseClick(QWidget& widget) {
  const QPointF pos = QRectF(widget.rect()).center();
  const QPointF global = widget.mapToGlobal(pos);
  QMouseEvent press(QEvent::MouseButtonPress, pos, global, Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(&widget, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, pos, global, Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(&widget, &release);
}

TEST(SwitchViewTest, BusyWindowShowsItAndTakesNoInput) {
  testing_support::TestMachine machine;
  gui_testing::installProgram(machine);
  ScriptedPrompter prompter;
  gui_testing::RecordingDialogRunner runner;
  TForm1 window(machine.machine(), prompter, runner);
  window.show();
  auto* button = child<QPushButton>(window, "Button4");
  int clicks = 0;
  QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
  // A dialog the switch raises meanwhile (a message box) stays usable.
  QDialog box(&window);
  QPushButton ok(&box);
  int boxClicks = 0;
  QObject::connect(&ok, &QPushButton::clicked, [&] { ++boxClicks; });
  box.show();

  auto* progress = child<QProgressBar>(window, "ProgressBar1");
  app::WindowSwitchView view(
      {&window, child<QLabel>(window, "Label2"), progress,
       window.findChild<QLabel*>("StatusBar1Panel"), child<QLabel>(window, "Label1")},
      nullptr, runner);
  EXPECT_EQ(indicatorColour(window), QColor(128, 128, 128));
  view.setBusy(true);
  EXPECT_EQ(indicatorColour(window), QColor(255, 0, 0));
  EXPECT_TRUE(hourglass());

  mouseClick(*button);
  mouseClick(ok);
  QCloseEvent close;
  QApplication::sendEvent(&window, &close);
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(boxClicks, 1);
  EXPECT_TRUE(window.isVisible());

  view.setProgressRange(0);  // a script without sections: an empty bar, not a busy pattern
  EXPECT_EQ(progress->maximum(), 1);
  view.setProgressRange(3);
  view.setProgress(2);
  EXPECT_EQ(progress->value(), 2);
  view.setProgress(7);
  EXPECT_EQ(progress->value(), 3);
  view.setStatusText(ansi("[LAN] DNS の設定中"));
  EXPECT_EQ(window.statusText(), "[LAN] DNS の設定中");

  view.setBusy(false);
  EXPECT_EQ(indicatorColour(window), QColor(128, 128, 128));
  EXPECT_FALSE(hourglass());
  EXPECT_EQ(window.statusText(), "Verantu!");
  mouseClick(*button);
  EXPECT_EQ(clicks, 1);

  // A view dropped while busy leaves the window as it found it.
  {
    app::WindowSwitchView abandoned(
        {&window, child<QLabel>(window, "Label2"), progress,
         window.findChild<QLabel*>("StatusBar1Panel"), child<QLabel>(window, "Label1")},
        nullptr, runner);
    abandoned.setBusy(true);
  }
  EXPECT_FALSE(hourglass());
  EXPECT_EQ(indicatorColour(window), QColor(128, 128, 128));
}

// The notebook sample machine with one profile, "Office", captured from it.
class SwitchButtonTest : public ::testing::Test {
 protected:
  SwitchButtonTest() {
    auto reg = machinetool::templateReg("notebook");
    std::string error;
    if (reg)
      machine = machinetool::createMachine(dir.path().toStdString() + "/machine",
                                           std::string_view(reg->constData(), size_t(reg->size())),
                                           "notebook", false, &error);
    if (!machine) {
      ADD_FAILURE() << "no notebook machine: " << error;
      return;
    }
    ScriptedPrompter capturing;
    capturing
        .expect(
            "現在のネットワーク設定をコンボボックスに記述された名称で登録します。\n新規に登録します"
            "。",
            "確認メッセージ", MB_YESNO | MB_ICONWARNING, IDYES)
        .expect("現在のﾈｯﾄﾜｰｸの設定を登録しました。", kInformation, MB_ICONINFORMATION);
    store::CaptureProfile({*machine, capturing, nullptr}, "Office");

    window = std::make_unique<TForm1>(*machine, prompter, runner);
    window->setWindows(app::CreateOtherWindows(window.get(), *machine));
    child<QComboBox>(*window, "ComboBox1")->setEditText("Office");
  }

  void setValue(const std::string& path, const char* name, win::DWORD type,
                const std::string& bytes) {
    win::HKEY key = nullptr;
    auto& registry = machine->registry();
    ASSERT_EQ(registry.RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, "", 0, KEY_ALL_ACCESS,
                                       nullptr, &key, nullptr),
              ERROR_SUCCESS);
    registry.RegSetValueExA(key, name, 0, type, reinterpret_cast<const win::BYTE*>(bytes.data()),
                            win::DWORD(bytes.size()));
    registry.RegCloseKey(key);
  }
  std::optional<win::DWORD> dword(const std::string& path, const char* name) {
    win::DWORD type = 0, value = 0, size = sizeof value;
    win::HKEY key = nullptr;
    auto& registry = machine->registry();
    if (registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
      return std::nullopt;
    const bool found =
        registry.RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<win::BYTE*>(&value),
                                  &size) == ERROR_SUCCESS;
    registry.RegCloseKey(key);
    return found ? std::optional<win::DWORD>(value) : std::nullopt;
  }

  // What the window shows whenever a message box comes up.
  struct Seen {
    QColor indicator;
    bool hourglass;
    QString status;
    QString applied;
  };
  class WatchingPrompter : public ScriptedPrompter {
   public:
    explicit WatchingPrompter(SwitchButtonTest& test) : test_(test) {}
    int messageBox(win::HWND owner, const std::string& text, const std::string& caption,
                   win::UINT flags) override {
      TForm1& w = *test_.window;
      seen.push_back(
          {indicatorColour(w), hourglass(), w.statusText(), child<QLabel>(w, "Label1")->text()});
      return ScriptedPrompter::messageBox(owner, text, caption, flags);
    }
    std::vector<Seen> seen;

   private:
    SwitchButtonTest& test_;
  };

  QTemporaryDir dir;
  std::unique_ptr<emu::EmulatedMachine> machine;
  WatchingPrompter prompter{*this};
  ActingDialogRunner runner;
  std::unique_ptr<TForm1> window;
};

TEST_F(SwitchButtonTest, SuccessfulSwitchNamesTheProfileAndReturnsToIdle) {
  ASSERT_TRUE(machine);
  QStringList interfaces;
  runner.then([&](QDialog& d) {
    auto* list = child<QListWidget>(d, "CheckListBox1");
    for (int i = 0; i < list->count(); ++i) interfaces << list->item(i)->text();
    press(d, "BitBtn1");
  });
  prompter.expect("ネットワーク設定の切り替え完了！", kInformation, MB_ICONINFORMATION);
  child<QToolButton>(*window, "SpeedButton1")->click();

  EXPECT_EQ(interfaces, QStringList({"ローカル エリア接続", "ワイヤレス ネットワーク接続"}));
  ASSERT_EQ(prompter.seen.size(), 1u);
  EXPECT_EQ(prompter.seen[0].indicator, QColor(128, 128, 128));
  EXPECT_FALSE(prompter.seen[0].hourglass);
  EXPECT_EQ(prompter.seen[0].status, "Verantu!");
  EXPECT_EQ(prompter.seen[0].applied, "Office");
  EXPECT_EQ(child<QProgressBar>(*window, "ProgressBar1")->value(), 0);
  EXPECT_EQ(window->statusText(), "Verantu!");
  EXPECT_EQ(dword(store::kSettingKey, "Active"), 0u);
  EXPECT_EQ(dword(store::SlotPath(1), "Count"), 1u);
  EXPECT_EQ(dword(store::DataPath(1), "InitCheck"), switching::kDefaultSteps);
}

TEST_F(SwitchButtonTest, BoxesDuringTheSwitchSeeTheBusyWindow) {
  ASSERT_TRUE(machine);
  const win::DWORD domain = 1;
  setValue(store::DataPath(1), "DomainType", REG_DWORD,
           std::string(reinterpret_cast<const char*>(&domain), sizeof domain));
  setValue(store::DataPath(1), "DomainName", REG_SZ, std::string("NOWHERE", 8));
  // Membership only, and not remembered.
  runner.then([](QDialog& d) {
    child<QCheckBox>(d, "CheckBox1")->click();
    child<QCheckBox>(d, "CheckBox2")->click();
    child<QCheckBox>(d, "CheckBox3")->click();
    child<QCheckBox>(d, "CheckBox5")->click();
    child<QCheckBox>(d, "CheckBox4")->click();
    press(d, "BitBtn1");
  });
  prompter
      .expect(
          "ドメインまたはワークグループの切替ができませんでした。\n詳細：指定されたドメインがみつか"
          "りません。\n処理は継続されます。",
          kError, MB_ICONERROR)
      .expect("次の設定が切り替えられませんでした：ﾄﾞﾒｲﾝまたはﾜｰｸｸﾞﾙｰﾌﾟ", kError, MB_ICONERROR);
  window->SpeedButton1Click();

  ASSERT_EQ(prompter.seen.size(), 2u);
  EXPECT_EQ(prompter.seen[0].indicator, QColor(255, 0, 0));
  EXPECT_TRUE(prompter.seen[0].hourglass);
  EXPECT_EQ(prompter.seen[0].applied, "なし");
  EXPECT_EQ(prompter.seen[1].indicator, QColor(128, 128, 128));
  EXPECT_FALSE(prompter.seen[1].hourglass);
  // The membership did not take, so the profile is not the applied one.
  EXPECT_EQ(child<QLabel>(*window, "Label1")->text(), "なし");
  EXPECT_EQ(dword(store::SlotPath(1), "Count"), 1u);
  EXPECT_FALSE(dword(store::DataPath(1), "InitCheck"));
}

TEST_F(SwitchButtonTest, NoInTheDialogChangesNothing) {
  ASSERT_TRUE(machine);
  runner.then([](QDialog& d) { press(d, "BitBtn2"); });
  window->SpeedButton1Click();
  EXPECT_EQ(runner.shown, std::vector<std::string>({"TForm11"}));
  EXPECT_EQ(child<QLabel>(*window, "Label1")->text(), "なし");
  EXPECT_EQ(indicatorColour(*window), QColor(128, 128, 128));
  EXPECT_FALSE(hourglass());
  EXPECT_FALSE(dword(store::SlotPath(1), "Count"));
  EXPECT_FALSE(dword(store::kSettingKey, "Active"));
}

// A netsh command that takes 10 s does not freeze the window: its event
// loop keeps turning (timers, paints) all through the wait. The test takes
// about 10 s.
TEST_F(SwitchButtonTest, TheWindowKeepsTurningWhileTheScriptStalls) {
  ASSERT_TRUE(machine);
  const win::DWORD delay = 10000;
  setValue(store::kEmulationKey, "NetshDelay", REG_DWORD,
           std::string(reinterpret_cast<const char*>(&delay), sizeof delay));
  // The network of the wireless card only: already on DHCP, so its one
  // section is its DNS, one netsh command.
  runner.then([](QDialog& d) {
    child<QListWidget>(d, "CheckListBox1")->item(0)->setCheckState(Qt::Unchecked);
    child<QCheckBox>(d, "CheckBox2")->click();
    child<QCheckBox>(d, "CheckBox3")->click();
    press(d, "BitBtn1");
  });
  prompter.expect("ネットワーク設定の切り替え完了！", kInformation, MB_ICONINFORMATION);

  using Clock = std::chrono::steady_clock;
  std::vector<Clock::time_point> turns;
  QTimer timer;
  timer.setInterval(10);
  QObject::connect(&timer, &QTimer::timeout, [&] { turns.push_back(Clock::now()); });
  timer.start();
  const Clock::time_point start = Clock::now();
  window->SpeedButton1Click();
  const Clock::time_point end = Clock::now();
  timer.stop();

  ASSERT_GE(end - start, std::chrono::milliseconds(delay));
  ASSERT_FALSE(turns.empty());
  Clock::duration longest = std::max(turns.front() - start, end - turns.back());
  for (std::size_t i = 1; i < turns.size(); ++i)
    longest = std::max(longest, turns[i] - turns[i - 1]);
  EXPECT_LE(longest, std::chrono::milliseconds(150))
      << std::chrono::duration_cast<std::chrono::milliseconds>(longest).count() << " ms";
}

// A profile whose printer value exists but is empty shows its empty
// brackets, even right after one that had a printer.
TEST_F(SwitchButtonTest, AnEmptyStoredPrinterShowsEmptyBrackets) {
  ASSERT_TRUE(machine);
  QStringList printers;
  auto readAndDecline = [&](QDialog& d) {
    printers << child<QLabel>(d, "Label3")->text();
    press(d, "BitBtn2");
  };
  runner.then(readAndDecline);
  window->SpeedButton1Click();
  setValue(store::DataPath(1), "DefPrinter", REG_SZ, std::string(1, '\0'));
  runner.then(readAndDecline);
  window->SpeedButton1Click();
  EXPECT_EQ(printers, QStringList({"[ EPSON PX-V630 ]", "[  ]"}));
}

// The result viewer on what a real switch wrote: netsh's message for an
// interface that cannot be configured stands under its section's header.
TEST_F(SwitchButtonTest, ResultViewerShowsTheNetshErrorOfAFailedSwitch) {
  ASSERT_TRUE(machine);
  setValue(store::kEmulationKey, "UnavailableInterfaces", REG_MULTI_SZ,
           ansi("ワイヤレス ネットワーク接続") + std::string(2, '\0'));
  // The failed command matters: the live DNS is not the profile's.
  setValue(
      "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\"
      "{C1D7E4B9-2A63-4E58-B0F4-7A91D2C6E835}",
      "NameServer", REG_SZ, std::string("10.0.0.1", 9));
  runner.then([](QDialog& d) { press(d, "BitBtn1"); });
  prompter.expect("切り替えが失敗したようです。「ｵﾌﾟｼｮﾝ」から実行結果を確認してください。", kError,
                  MB_ICONERROR);
  window->SpeedButton1Click();

  QString text;
  runner.then([&](QDialog& d) {
    text = memoText(d);
    press(d, "BitBtn1");
  });
  window->N1Click();

  const QStringList lines = text.split('\n');
  ASSERT_GE(lines.size(), 4);
  EXPECT_EQ(lines.first(), " ○○○ 切り替え処理の開始 ");
  EXPECT_TRUE(lines.contains(" ○○○ 切り替え処理の終了 "));
  // After the end line, what the read-back found.
  EXPECT_EQ(lines.last(), "[ワイヤレス ネットワーク接続] DNSｻｰﾊﾞ：指定 なし ／ 現在 10.0.0.1");
  const qsizetype error =
      lines.indexOf("インターフェイスが使用できる状態にないため、構成できませんでした。");
  ASSERT_GT(error, 0) << text.toStdString();
  EXPECT_TRUE(lines[error - 1].startsWith("===  "));
  EXPECT_TRUE(lines[error - 1].contains("[ワイヤレス ネットワーク接続]"));
  EXPECT_FALSE(lines.contains(QString()));  // the blank line after each OK is skipped
}

// The notification-area menu lists the profiles and runs the switch
// button's own command for the one chosen: the confirmation dialog, the
// switch, the label and the selector.
TEST_F(SwitchButtonTest, TrayMenuSwitchesThroughTheSwitchButtonsCommand) {
  ASSERT_TRUE(machine);
  child<QComboBox>(*window, "ComboBox1")->setEditText("未設定");
  app::TrayMenu menu(*window);
  // "*" ticked, "~" greyed.
  auto entries = [&] {
    QStringList texts;
    for (QAction* action : menu.actions())
      texts << (action->isSeparator() ? "-"
                                      : action->text() + (action->isChecked() ? "*" : "") +
                                            (action->isEnabled() ? "" : "~"));
    return texts;
  };
  QAction* undo1 = window->findChild<QAction*>("Undo1");
  ASSERT_TRUE(undo1);
  EXPECT_FALSE(undo1->isEnabled());
  EXPECT_EQ(entries(), QStringList({"Office", "-", "Verantu! を開く(&O)",
                                    "直前の切り替えを元に戻す(&U)~", "-", "終了"}));

  runner.then([](QDialog& d) { press(d, "BitBtn1"); });
  prompter.expect("ネットワーク設定の切り替え完了！", kInformation, MB_ICONINFORMATION);
  menu.actions().front()->trigger();

  EXPECT_EQ(runner.shown, std::vector<std::string>({"TForm11"}));
  EXPECT_EQ(child<QComboBox>(*window, "ComboBox1")->currentText(), "Office");
  EXPECT_EQ(child<QLabel>(*window, "Label1")->text(), "Office");
  EXPECT_EQ(dword(store::kSettingKey, "Active"), 0u);
  EXPECT_EQ(dword(store::SlotPath(1), "Count"), 1u);
  menu.refresh();
  EXPECT_EQ(entries().front(), "Office*");

  // The switch can now be undone, from either menu, through the same dialog
  // under its own caption.
  EXPECT_TRUE(undo1->isEnabled());
  EXPECT_EQ(entries()[3], "直前の切り替えを元に戻す(&U)");
  QString caption;
  runner.then([&](QDialog& d) {
    caption = d.windowTitle();
    press(d, "BitBtn1");
  });
  prompter.expect("ネットワーク設定の切り替え完了！", kInformation, MB_ICONINFORMATION);
  menu.findChild<QAction*>("TrayUndo")->trigger();
  EXPECT_EQ(caption, "直前の切り替えを元に戻す");
  EXPECT_EQ(dword(store::SlotPath(1), "Count"), 1u);
}

// Without a notification area (as on the offscreen platform) there is no
// icon, and the option cannot hide the window with no way back: closing it
// still ends the program.
TEST_F(SwitchButtonTest, WithoutANotificationAreaClosingEndsTheProgramWhateverTheOption) {
  ASSERT_TRUE(machine);
  ASSERT_EQ(store::WriteStayInTray({*machine, prompter, nullptr}, true), 0);
  app::TrayIcon tray(*window);
  ASSERT_FALSE(tray.shown());
  window->show();
  EXPECT_TRUE(window->close());
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(QApplication::quitOnLastWindowClosed());
}

}  // namespace
