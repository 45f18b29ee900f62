// The main window: what it shows of the store when it opens, and its
// commands as a user runs them (the message boxes are scripted).
#include "gui/shell/main_window.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>

#include <cstring>
#include <optional>

#include <gtest/gtest.h>

#include "gui/shell/help_links.h"
#include "store/startup.h"
#include "tests/gui/gui_support.h"
#include "tests/support/scripted_prompter.h"

namespace {

using gui_testing::addProfiles;
using gui_testing::ansi;
using testing_support::ScriptedPrompter;
using testing_support::TestMachine;

constexpr const char* kError = "エラーメッセージ";
constexpr const char* kInformation = "情報メッセージ";
constexpr const char* kConfirm = "確認メッセージ";
constexpr win::UINT kQuestion = MB_YESNO | MB_ICONWARNING;

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() { gui_testing::installProgram(machine); }

  std::unique_ptr<TForm1> open(ScriptedPrompter& prompter) {
    auto window = std::make_unique<TForm1>(shellMachine, prompter, dialogs);
    window->setWindows(app::CreateOtherWindows(window.get(), shellMachine));
    return window;
  }
  static QComboBox* selector(TForm1& window) { return window.findChild<QComboBox*>("ComboBox1"); }
  static QStringList items(TForm1& window) {
    QStringList list;
    for (int i = 0; i < selector(window)->count(); ++i) list << selector(window)->itemText(i);
    return list;
  }
  static QString selectorText(TForm1& window) { return selector(window)->currentText(); }
  static void type(TForm1& window, const QString& text) { selector(window)->setEditText(text); }
  static QString applied(TForm1& window) { return window.findChild<QLabel*>("Label1")->text(); }
  static void trigger(TForm1& window, const char* action) {
    window.findChild<QAction*>(action)->trigger();
  }
  std::optional<win::DWORD> dword(const std::string& path, const char* name) {
    win::DWORD type = 0;
    std::string bytes;
    if (!machine.value(HKEY_LOCAL_MACHINE, path, name, &type, &bytes) || bytes.size() != 4)
      return std::nullopt;
    win::DWORD value = 0;
    std::memcpy(&value, bytes.data(), 4);
    return value;
  }

  TestMachine machine;
  gui_testing::MachineWithRecordingShell shellMachine{machine.machine()};
  gui_testing::RecordingDialogRunner dialogs;
};

TEST_F(MainWindowTest, EmptyStoreShowsNoProfileInAFixedWindow) {
  ScriptedPrompter prompter;
  auto window = open(prompter);
  EXPECT_EQ(selectorText(*window), "未設定");
  EXPECT_TRUE(items(*window).isEmpty());
  EXPECT_EQ(applied(*window), "なし");
  EXPECT_EQ(window->statusText(), "Verantu!");
  EXPECT_EQ(window->windowTitle(), "Verantu!");

  window->show();
  QWidget* client = window->centralWidget();
  EXPECT_EQ(client->width(), 322);
  EXPECT_EQ(client->height() + window->statusBar()->height(), 259);
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
}

TEST_F(MainWindowTest, DecliningTheEarlierStoreAtStartUpOpensOnAnEmptyStore) {
  addProfiles(machine, {"Office", "Home"}, 1);
  machine.setDword(HKEY_LOCAL_MACHINE, store::kSettingKey, "Active", 1);
  ScriptedPrompter prompter;
  prompter.expect("以前使用していた設定内容が見つかりました。\n設定を引き継ぎますか？",
                  kInformation, MB_YESNO | MB_ICONWARNING, IDNO);
  store::StartupResult startup = store::RunStartupChecks(shellMachine, prompter, "");
  ASSERT_TRUE(startup.proceed);
  auto window = open(prompter);
  EXPECT_EQ(selectorText(*window), "未設定");
  EXPECT_TRUE(items(*window).isEmpty());
  EXPECT_EQ(applied(*window), "なし");
  store::ReleaseSingleInstance(shellMachine, startup.mutex);
}

TEST_F(MainWindowTest, OpensOnTheSelectedProfileAndNamesTheOneAppliedLast) {
  addProfiles(machine, {"Office", "Home", "Customer"}, 1);
  {
    // Never switched: nothing applied, the selection stays where it was.
    ScriptedPrompter prompter;
    auto window = open(prompter);
    EXPECT_EQ(items(*window), QStringList({"Office", "Home", "Customer"}));
    EXPECT_EQ(selectorText(*window), "Home");
    EXPECT_EQ(applied(*window), "なし");
  }
  {
    // The profile applied last becomes the selection.
    machine.setDword(HKEY_LOCAL_MACHINE, store::kSettingKey, "Active", 2);
    ScriptedPrompter prompter;
    auto window = open(prompter);
    EXPECT_EQ(selectorText(*window), "Customer");
    EXPECT_EQ(applied(*window), "Customer");
    EXPECT_EQ(dword(store::kSettingKey, "ComboActive"), 2u);
  }
  {
    // Active beyond the last slot is forgotten and the first profile selected.
    machine.setDword(HKEY_LOCAL_MACHINE, store::kSettingKey, "Active", 5);
    ScriptedPrompter prompter;
    auto window = open(prompter);
    EXPECT_EQ(selectorText(*window), "Office");
    EXPECT_EQ(applied(*window), "なし");
    EXPECT_EQ(dword(store::kSettingKey, "ComboActive"), 0u);
    EXPECT_FALSE(dword(store::kSettingKey, "Active"));
  }
  {
    // A slot that cannot be read ends the list; the titles before it stay and
    // the text is left alone.
    machine.setDword(HKEY_LOCAL_MACHINE, store::kSettingKey, "ComboActive", 2);
    machine.registry().SHDeleteKeyA(HKEY_LOCAL_MACHINE, store::SlotPath(2).c_str());
    machine.createKey(HKEY_LOCAL_MACHINE, store::SlotPath(2));
    ScriptedPrompter prompter;
    auto window = open(prompter);
    EXPECT_EQ(items(*window), QStringList({"Office"}));
    EXPECT_EQ(selectorText(*window), "未設定");
  }
}

TEST_F(MainWindowTest, CaptureUnderATitleInAnotherLetterCaseAddsAProfile) {
  addProfiles(machine, {"Office"});
  ScriptedPrompter prompter;
  auto window = open(prompter);
  type(*window, "office");
  prompter
      .expect(
          "現在のネットワーク設定をコンボボックスに記述された名称で登録します。\n新規に登録します"
          "。",
          kConfirm, kQuestion, IDYES)
      .expect("現在のﾈｯﾄﾜｰｸの設定を登録しました。", kInformation, MB_ICONINFORMATION);
  trigger(*window, "Option1");

  EXPECT_EQ(items(*window), QStringList({"Office", "office"}));
  EXPECT_EQ(selectorText(*window), "office");
  EXPECT_EQ(dword(store::kSettingKey, "ComboActive"), 1u);
  ASSERT_FALSE(prompter.shown().empty());
  EXPECT_EQ(prompter.shown().front().owner, static_cast<QWidget*>(window.get()));
}

TEST_F(MainWindowTest, CaptureIntoAnEmptyStoreListsTheFirstProfile) {
  ScriptedPrompter prompter;
  auto window = open(prompter);
  type(*window, "Home");
  prompter
      .expect(
          "現在のネットワーク設定をコンボボックスに記述された名称で登録します。\n新規に登録します"
          "。",
          kConfirm, kQuestion, IDYES)
      .expect("現在のﾈｯﾄﾜｰｸの設定を登録しました。", kInformation, MB_ICONINFORMATION);
  trigger(*window, "Option1");
  EXPECT_EQ(items(*window), QStringList({"Home"}));
  EXPECT_EQ(selectorText(*window), "Home");
}

// The profile file commands sit in the File menu and open the standard file
// dialogs; an export of an unknown title is refused before any dialog.
TEST_F(MainWindowTest, FileMenuExportsAndImportsThroughTheFileDialogs) {
  addProfiles(machine, {"Office"});
  ScriptedPrompter prompter;
  auto window = open(prompter);
  QStringList commands;
  for (QAction* action : window->findChild<QMenu*>("File1")->actions())
    if (!action->isSeparator()) commands << action->text();
  EXPECT_EQ(commands, QStringList({"ｴｸｽﾎﾟｰﾄ(&E)...", "ｲﾝﾎﾟｰﾄ(&I)...", "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)"}));

  type(*window, "Nobody");
  prompter.expect("この登録名では登録されていません。", kError, MB_ICONERROR);
  trigger(*window, "Export1");
  EXPECT_TRUE(dialogs.shown.empty());
  type(*window, "Office");
  trigger(*window, "Export1");
  trigger(*window, "Import1");
  EXPECT_EQ(dialogs.shown, (std::vector<std::string>{"ExportDialog", "ImportDialog"}));
}

// A title is stored in code page 932: a character it lacks cannot be typed,
// and a selector text holding one (here from a stored title with an
// unassigned code) is neither captured nor deleted.
TEST_F(MainWindowTest, TitlesRefuseCharactersTheCodePageLacks) {
  // Text values are kept as Unicode, so only a title stored as bytes can
  // carry a code the code page does not assign.
  const std::string unassigned("A\x85\x40", 3);
  machine.setValue(HKEY_LOCAL_MACHINE, store::SlotPath(1), "Title", REG_BINARY, unassigned);
  machine.setDword(HKEY_LOCAL_MACHINE, store::kSettingKey, "ComboActive", 0);
  ScriptedPrompter prompter;
  auto window = open(prompter);
  const std::string refusal = "登録名に使用できない文字が含まれています。";
  for (const char* command : {"Option1", "Delete1"}) {
    prompter.expect(refusal, kError, MB_ICONERROR);
    trigger(*window, command);
  }
  EXPECT_EQ(items(*window).size(), 1);
  EXPECT_FALSE(machine.keyExists(HKEY_LOCAL_MACHINE, store::SlotPath(2)));

  QLineEdit* field = selector(*window)->lineEdit();
  field->clear();
  for (QChar c : QStringLiteral("Café 表")) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(field, &press);
  }
  EXPECT_EQ(selectorText(*window), QStringLiteral("Caf 表"));
}

TEST_F(MainWindowTest, A257thProfileIsRefusedButAnExistingOneMayBeOverwritten) {
  std::vector<std::string> titles;
  for (int i = 1; i <= 256; ++i) titles.push_back("P" + std::to_string(i));
  addProfiles(machine, titles);
  ScriptedPrompter prompter;
  auto window = open(prompter);
  ASSERT_EQ(selector(*window)->count(), 256);

  type(*window, "New");
  prompter.expect("登録は２５６個までです。", kError, MB_ICONERROR);
  trigger(*window, "Option1");
  EXPECT_EQ(selector(*window)->count(), 256);
  EXPECT_FALSE(machine.keyExists(HKEY_LOCAL_MACHINE, store::SlotPath(257)));

  type(*window, "P3");
  prompter.expect(
      "現在のネットワーク設定をコンボボックスに記述された名称で登録します。\n登録名は既に使用されて"
      "いますが上書きしますか？",
      kConfirm, kQuestion, IDNO);
  trigger(*window, "Option1");
  EXPECT_EQ(selector(*window)->count(), 256);
}

TEST_F(MainWindowTest, DeletingTheSecondOfFourMovesTheLaterProfilesUp) {
  addProfiles(machine, {"A", "B", "C", "D"}, 3);
  machine.setDword(HKEY_LOCAL_MACHINE, store::kSettingKey, "Active", 3);
  ScriptedPrompter prompter;
  auto window = open(prompter);
  ASSERT_EQ(applied(*window), "D");

  type(*window, "B");
  prompter.expect("リストに表示されている登録を削除しますか？", kConfirm, kQuestion, IDNO);
  trigger(*window, "Delete1");
  EXPECT_EQ(items(*window), QStringList({"A", "B", "C", "D"}));
  EXPECT_EQ(selectorText(*window), "B");

  prompter.expect("リストに表示されている登録を削除しますか？", kConfirm, kQuestion, IDYES)
      .expect("登録を抹消しました。", kInformation, MB_ICONINFORMATION);
  trigger(*window, "Delete1");
  EXPECT_EQ(items(*window), QStringList({"A", "C", "D"}));
  EXPECT_EQ(selectorText(*window), "D");
  EXPECT_EQ(applied(*window), "D");
  EXPECT_EQ(dword(store::kSettingKey, "ComboActive"), 2u);
  EXPECT_EQ(dword(store::kSettingKey, "Active"), 2u);
  EXPECT_FALSE(machine.keyExists(HKEY_LOCAL_MACHINE, store::SlotPath(4)));
}

// The label names the profile applied last until the next switch, even
// when that profile is deleted.
TEST_F(MainWindowTest, DeletingTheAppliedProfileKeepsItsName) {
  addProfiles(machine, {"A", "B"}, 1);
  machine.setDword(HKEY_LOCAL_MACHINE, store::kSettingKey, "Active", 1);
  ScriptedPrompter prompter;
  auto window = open(prompter);
  ASSERT_EQ(applied(*window), "B");
  prompter.expect("リストに表示されている登録を削除しますか？", kConfirm, kQuestion, IDYES)
      .expect("登録を抹消しました。", kInformation, MB_ICONINFORMATION);
  trigger(*window, "Delete1");
  EXPECT_EQ(items(*window), QStringList({"A"}));
  EXPECT_EQ(applied(*window), "B");
}

TEST_F(MainWindowTest, DeletingTheOnlyProfileLeavesNoSelection) {
  addProfiles(machine, {"Solo"});
  ScriptedPrompter prompter;
  auto window = open(prompter);
  prompter.expect("リストに表示されている登録を削除しますか？", kConfirm, kQuestion, IDYES)
      .expect("登録を抹消しました。", kInformation, MB_ICONINFORMATION);
  trigger(*window, "Delete1");
  EXPECT_TRUE(items(*window).isEmpty());
  EXPECT_EQ(selectorText(*window), "未設定");
  EXPECT_FALSE(dword(store::kSettingKey, "ComboActive"));
  EXPECT_TRUE(machine.keyExists(HKEY_LOCAL_MACHINE, store::kSettingKey));
  EXPECT_FALSE(machine.keyExists(HKEY_LOCAL_MACHINE, store::SlotPath(1)));
}

// The detail editor and the switch button act only on a stored title, matched
// exactly.
TEST_F(MainWindowTest, DetailAndSwitchNeedAnExactlyMatchingProfile) {
  {
    ScriptedPrompter prompter;
    auto window = open(prompter);
    prompter.expect("何も登録されていません。", kError, MB_ICONERROR)
        .expect("何も登録されていません。", kError, MB_ICONERROR);
    window->findChild<QPushButton*>("Button3")->click();
    window->findChild<QToolButton*>("SpeedButton1")->click();
  }
  addProfiles(machine, {"Office"});
  ScriptedPrompter prompter;
  auto window = open(prompter);
  type(*window, "OFFICE");
  prompter.expect("この登録名では登録されていません。", kError, MB_ICONERROR)
      .expect("この登録名では登録されていません。", kError, MB_ICONERROR);
  window->Button3Click();
  window->SpeedButton1Click();
  EXPECT_TRUE(dialogs.shown.empty());

  type(*window, "Office");
  window->Button3Click();
  window->SpeedButton1Click();
  // The switch asks first; the runner's default answer declines it.
  EXPECT_EQ(dialogs.shown, std::vector<std::string>({"TForm3", "TForm11"}));
}

TEST_F(MainWindowTest, ViewersAreShownAgainWhileTheyAskForARefresh) {
  ScriptedPrompter prompter;
  auto window = open(prompter);
  dialogs.answer({4, 4, QDialog::Accepted});
  trigger(*window, "N1");
  EXPECT_EQ(dialogs.shown, std::vector<std::string>(3, "TForm4"));

  dialogs.shown.clear();
  dialogs.answer({4, QDialog::Rejected});
  trigger(*window, "B1");
  EXPECT_EQ(dialogs.shown, std::vector<std::string>(2, "TForm12"));

  dialogs.shown.clear();
  window->findChild<QPushButton*>("Button4")->click();
  EXPECT_EQ(dialogs.shown, std::vector<std::string>({"TForm2"}));
}

TEST_F(MainWindowTest, HelpOpensTheManualAndTheSupportPage) {
  ScriptedPrompter prompter;
  auto window = open(prompter);
  auto& calls = shellMachine.recordingShell().calls;
  trigger(*window, "Contents1");
  machine.setString(HKEY_LOCAL_MACHINE, store::kRootKey, "InsDir", "C:\\Program Files\\Verantu\\");
  trigger(*window, "Contents1");
  trigger(*window, "S1");

  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].file, "verantu.pdf");  // the current directory
  EXPECT_EQ(calls[1].file, "C:\\Program Files\\Verantu\\verantu.pdf");
  EXPECT_EQ(calls[2].file, app::kSupportPageAddress);
  for (const auto& call : calls) {
    EXPECT_EQ(call.verb, "open");
    EXPECT_FALSE(call.hasParams);
    EXPECT_FALSE(call.hasDirectory);
    EXPECT_EQ(call.show, SW_SHOWNORMAL);
  }
}

TEST_F(MainWindowTest, ExitAndCloseButtonCloseTheWindow) {
  ScriptedPrompter prompter;
  auto window = open(prompter);
  window->show();
  trigger(*window, "X1");
  EXPECT_FALSE(window->isVisible());
  window->show();
  window->findChild<QPushButton*>("BitBtn1")->click();
  EXPECT_FALSE(window->isVisible());
}

}  // namespace
