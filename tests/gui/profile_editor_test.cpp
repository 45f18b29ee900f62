// The profile editor, the advanced TCP/IP editor and the entry dialogs as a
// user works them, on a notebook profile: the load, tabs that keep typed
// values, the key filters, the save, and the lists of the TCP/IP editor
// with their Show, OK, cancel and entry dialogs.
#include "gui/views/profile_editor.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>

#include "gui/common/code_page_validator.h"
#include "gui/common/dialog_runner.h"
#include "gui/views/address_dialogs.h"
#include "gui/views/proxy_editor.h"
#include "gui/views/tcpip_editor.h"
#include "store/profile_store.h"
#include "store/registry_access.h"
#include "tests/support/notebook_profile.h"
#include "tests/support/scripted_prompter.h"

namespace {

using testing_support::NotebookProfile;
using testing_support::ScriptedPrompter;

const std::string kInfo = "情報メッセージ";
const std::string kError = "エラーメッセージ";
constexpr win::UINT kQuestion = MB_YESNO | MB_ICONINFORMATION;
constexpr win::UINT kRefusal = MB_OK | MB_ICONERROR;

// Shows each dialog for real (so that its Show runs) and lets the test act
// in it; the dialog's own result is what the runner returns.
class ActingDialogRunner : public app::DialogRunner {
 public:
  using Action = std::function<void(QDialog&)>;
  void then(Action action) { actions_.push_back(std::move(action)); }
  int run(QDialog& dialog) override {
    shown.push_back(dialog.objectName().toStdString());
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    if (!actions_.empty()) {
      Action action = std::move(actions_.front());
      actions_.pop_front();
      action(dialog);
    } else {
      ADD_FAILURE() << "no action for " << shown.back();
    }
    dialog.hide();
    return dialog.result();
  }
  bool done() const { return actions_.empty(); }
  std::vector<std::string> shown;

 private:
  std::deque<Action> actions_;
};

template <typename T>
T* child(QWidget& window, const char* name) {
  T* found = window.findChild<T*>(name);
  EXPECT_NE(found, nullptr) << name;
  return found;
}

// Typing a character that has no key of its own, as an input method or a
// Japanese keyboard layout delivers it.
void typeCharacters(QWidget* widget, const QString& text) {
  for (QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &press);
  }
}

// Ctrl+V as the keyboard sends it.
void pasteByKey(QWidget* widget) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, QString(QChar(0x16)));
  QApplication::sendEvent(widget, &press);
}

QStringList items(QListWidget* list) {
  QStringList texts;
  for (int row = 0; row < list->count(); ++row) texts << list->item(row)->text();
  return texts;
}

class ProfileEditorTest : public ::testing::Test {
 protected:
  ProfileEditorTest() {
    form3.attach(notebook.machine(), prompter, dialogs, &form10, &form14,
                 [this] { return win::ansiFromUtf8(title); });
    form14.attach(&form3, &form15, &form16, &form17, prompter, dialogs);
  }
  ~ProfileEditorTest() override {
    form3.hide();
    EXPECT_TRUE(dialogs.done());
  }

  QLineEdit* edit(const char* name) { return child<QLineEdit>(form3, name); }
  QTabBar* tabs() { return child<QTabBar>(form3, "TabControl1"); }
  QString label1() { return child<QLabel>(form3, "Label1")->text(); }
  QStringList boxes() {
    return {edit("Edit5")->text(), edit("Edit6")->text(), edit("Edit7")->text(),
            edit("Edit8")->text()};
  }
  void click(QWidget& window, const char* name) { child<QPushButton>(window, name)->click(); }
  QListWidget* list(const char* name) { return child<QListWidget>(form14, name); }
  void select(const char* name, int row) {
    list(name)->setCurrentRow(row);
    list(name)->item(row)->setSelected(true);
  }
  std::string stored(const std::string& name) {
    std::string bytes;
    win::DWORD length = 0;
    store::Context ctx{notebook.machine(), prompter, nullptr};
    (void)store::ReadRawValue(ctx, HKEY_LOCAL_MACHINE,
                              NotebookProfile::interfaceKey(1, NotebookProfile::kWired), name,
                              bytes, length);
    return bytes;
  }

  store::Context context() { return {notebook.machine(), prompter, nullptr}; }
  void storeList(const char* name, const std::vector<std::string>& items) {
    (void)store::WriteMultiStringValue(context(), HKEY_LOCAL_MACHINE,
                                       NotebookProfile::interfaceKey(1, NotebookProfile::kWired),
                                       name, views::MultiStringImage(items));
  }
  void save() {
    prompter.expect("変更を登録しますか？", kInfo, kQuestion, IDYES);
    click(form3, "Button3");
  }

  NotebookProfile notebook;
  ScriptedPrompter prompter;
  ActingDialogRunner dialogs;
  std::string title = "会社";
  TForm3 form3;
  TForm10 form10;
  TForm14 form14;
  TForm15 form15;
  TForm16 form16;
  TForm17 form17;
};

TEST_F(ProfileEditorTest, ShowLoadsTheProfileNamedInTheSelector) {
  form3.show();
  EXPECT_EQ(form3.windowTitle(), QStringLiteral("[会社]の詳細"));
  EXPECT_EQ(edit("Edit10")->text(), QStringLiteral("会社"));
  ASSERT_EQ(tabs()->count(), 2);
  EXPECT_EQ(tabs()->tabText(0), QStringLiteral("ローカル エリア接続"));
  EXPECT_EQ(tabs()->tabText(1), QStringLiteral("ワイヤレス ネットワーク接続"));
  EXPECT_EQ(tabs()->currentIndex(), 0);
  EXPECT_EQ(label1(), "STATIC");
  EXPECT_EQ(boxes(), QStringList({"192.168.10.25", "255.255.255.0", "192.168.10.1",
                                  "192.168.10.2,192.168.10.3"}));

  QComboBox* printer = child<QComboBox>(form3, "ComboBox1");
  EXPECT_EQ(printer->currentText(), "EPSON PX-V630");
  EXPECT_EQ(printer->count(), 2);
  EXPECT_TRUE(child<QRadioButton>(form3, "RadioButton2")->isChecked());
  EXPECT_EQ(edit("Edit1")->text(), "WORKGROUP");

  EXPECT_TRUE(child<QCheckBox>(form3, "CheckBox1")->isChecked());
  EXPECT_TRUE(child<QCheckBox>(form3, "CheckBox2")->isChecked());
  EXPECT_EQ(edit("Edit4")->text(), "proxy.example.co.jp");
  EXPECT_EQ(edit("Edit9")->text(), "8080");
  EXPECT_TRUE(edit("Edit4")->isEnabled());
  EXPECT_TRUE(child<QPushButton>(form3, "Button2")->isEnabled());
}

TEST_F(ProfileEditorTest, UnknownTitleKeepsWhatWasShownAndCannotBeSaved) {
  form3.show();
  form3.hide();
  title = "未登録";
  prompter.expect("この登録名では登録されていません。", kError, kRefusal);
  form3.show();
  EXPECT_EQ(prompter.shown().back().owner, nullptr);
  EXPECT_EQ(form3.windowTitle(), QStringLiteral("[会社]の詳細"));
  EXPECT_EQ(tabs()->count(), 2);
  EXPECT_FALSE(child<QPushButton>(form3, "Button3")->isEnabled());
}

TEST_F(ProfileEditorTest, TabsKeepTypedValuesUntilTheWindowCloses) {
  form3.show();
  edit("Edit5")->setText("10.1.1.1");
  tabs()->setCurrentIndex(1);
  EXPECT_EQ(label1(), "DHCP");
  EXPECT_EQ(boxes(), QStringList({"0.0.0.0", "0.0.0.0", "", ""}));
  edit("Edit8")->setText("10.1.1.53");

  tabs()->setCurrentIndex(0);
  EXPECT_EQ(label1(), "STATIC");
  EXPECT_EQ(edit("Edit5")->text(), "10.1.1.1");
  tabs()->setCurrentIndex(1);
  EXPECT_EQ(edit("Edit8")->text(), "10.1.1.53");

  // A new opening reloads the stored profile.
  form3.hide();
  form3.show();
  EXPECT_EQ(edit("Edit5")->text(), "192.168.10.25");
}

TEST_F(ProfileEditorTest, KeyFiltersLetThroughOnlyWhatEachFieldTakes) {
  form3.show();
  QLineEdit* address = edit("Edit5");
  address->clear();
  QTest::keyClicks(address, "1a9. x,2");
  EXPECT_EQ(address->text(), "19.2");
  QTest::keyClick(address, Qt::Key_Backspace);
  EXPECT_EQ(address->text(), "19.");
  // The bytes of half-width katakana and double-byte characters pass.
  typeCharacters(address, QStringLiteral("ｱあ"));
  EXPECT_EQ(address->text(), QStringLiteral("19.ｱあ"));

  QLineEdit* dns = edit("Edit8");
  dns->clear();
  QTest::keyClicks(dns, "1.2,3;4");
  EXPECT_EQ(dns->text(), "1.2,34");

  QLineEdit* port = edit("Edit9");
  port->clear();
  QTest::keyClicks(port, "80.8a0");
  EXPECT_EQ(port->text(), "8080");

  EXPECT_EQ(form3.Edit5KeyPress('\x7f'), 7);
  EXPECT_EQ(form3.Edit5KeyPress(char(0x82)), char(0x82));
  EXPECT_EQ(form3.Edit8Press(' '), 7);
  EXPECT_EQ(form3.Edit9KeyPress('\b'), '\b');
}

TEST_F(ProfileEditorTest, SaveWritesTheFieldsAndShowsTheDhcpAddress) {
  form3.show();
  edit("Edit5")->setText("192.168.10.40");
  prompter.expect("変更を登録しますか？", kInfo, kQuestion, IDYES);
  click(form3, "Button3");
  EXPECT_EQ(prompter.shown().back().owner, static_cast<win::HWND>(&form3));
  EXPECT_EQ(stored("IPAddress"), views::MultiStringImage({"192.168.10.40", "192.168.10.26"}));

  edit("Edit5")->clear();
  prompter.expect("変更を登録しますか？", kInfo, kQuestion, IDYES);
  click(form3, "Button3");
  EXPECT_EQ(edit("Edit5")->text(), "0.0.0.0");
  EXPECT_EQ(edit("Edit6")->text(), "0.0.0.0");
  EXPECT_EQ(stored("DhcpIPAddress"), "0.0.0.0");
}

TEST_F(ProfileEditorTest, TcpipEditorShowsTheListsAndOkWritesThemBack) {
  form3.show();
  edit("Edit8")->setText("192.168.10.9");  // typed since the tab was shown
  dialogs.then([&](QDialog&) {
    EXPECT_EQ(items(list("ListBox1")),
              QStringList({"192.168.10.25 --- 255.255.255.0", "192.168.10.26 --- 255.255.255.0"}));
    EXPECT_EQ(items(list("ListBox2")),
              QStringList({"192.168.10.1 --- 0", "192.168.10.254 --- 20"}));
    EXPECT_EQ(items(list("ListBox3")), QStringList({"192.168.10.9"}));
    EXPECT_FALSE(child<QCheckBox>(form14, "CheckBox1")->isChecked());
    EXPECT_EQ(child<QLineEdit>(form14, "Edit1")->text(), "20");

    // All DNS servers and all gateways removed, the metric made automatic.
    prompter.expect("選択された設定を削除します。", kInfo, kQuestion, IDYES)
        .expect("選択された設定を削除します。", kInfo, kQuestion, IDYES)
        .expect("選択された設定を削除します。", kInfo, kQuestion, IDYES);
    select("ListBox3", 0);
    click(form14, "Button9");
    select("ListBox2", 1);
    click(form14, "Button6");
    select("ListBox2", 0);
    click(form14, "Button6");
    child<QCheckBox>(form14, "CheckBox1")->click();
    EXPECT_FALSE(child<QLineEdit>(form14, "Edit1")->isEnabled());
    click(form14, "BitBtn1");
  });
  click(form3, "Button1");
  EXPECT_EQ(dialogs.shown, std::vector<std::string>({"TForm14"}));
  EXPECT_EQ(form14.tag(), 0);
  EXPECT_EQ(boxes(), QStringList({"192.168.10.25", "255.255.255.0", "192.168.10.1", ""}));
  EXPECT_EQ(form3.workingSet()[0].interfaceMetric, 0u);
  EXPECT_EQ(views::MultiStringItems(form3.workingSet()[0].gatewayList),
            (std::vector<std::string>{"192.168.10.1", "192.168.10.254"}));
}

TEST_F(ProfileEditorTest, TcpipEditorOnAnEmptyAddressMakesItDhcpEvenWhenCancelled) {
  form3.show();
  edit("Edit5")->clear();
  edit("Edit7")->clear();
  dialogs.then([&](QDialog&) {
    EXPECT_EQ(items(list("ListBox1")), QStringList({"0.0.0.0 --- 0.0.0.0"}));
    EXPECT_TRUE(items(list("ListBox2")).isEmpty());
    EXPECT_EQ(items(list("ListBox3")).size(), 2);
    click(form14, "BitBtn2");
  });
  click(form3, "Button1");
  EXPECT_EQ(boxes(), QStringList({"0.0.0.0", "0.0.0.0", "", "192.168.10.2,192.168.10.3"}));
  EXPECT_TRUE(form3.workingSet()[0].gatewayList.empty());
}

TEST_F(ProfileEditorTest, TcpipEditorAsksForASelectionAndKeepsAnItemOnNo) {
  form3.show();
  dialogs.then([&](QDialog& dialog) {
    for (const char* button : {"Button2", "Button3", "Button5", "Button6", "Button8", "Button9"}) {
      prompter.expect("項目を選択してください。", kError, kRefusal);
      click(form14, button);
      EXPECT_EQ(prompter.shown().back().owner, static_cast<win::HWND>(&dialog));
    }
    select("ListBox1", 1);
    prompter.expect("選択された設定を削除します。", kInfo, kQuestion, IDNO);
    click(form14, "Button3");
    EXPECT_EQ(list("ListBox1")->count(), 2);
    // A list the profile cannot store keeps the window open.
    for (int i = 0; i < 15; ++i) list("ListBox1")->addItem("192.168.100.100 --- 255.255.255.255");
    prompter.expect(
        "IPｱﾄﾞﾚｽの一覧が長すぎるため登録できません。\n"
        "256ﾊﾞｲﾄ以内に収まるように項目を減らしてください。",
        kError, kRefusal);
    click(form14, "BitBtn1");
    EXPECT_TRUE(dialog.isVisible());
    // A full list ignores its add button.
    while (list("ListBox3")->count() < views::kMaxListItems) list("ListBox3")->addItem("1.1.1.1");
    click(form14, "Button7");
    click(form14, "BitBtn2");
  });
  click(form3, "Button1");
}

TEST_F(ProfileEditorTest, EntryDialogsAddAndEditItemsOfTheEditorsLists) {
  form3.show();
  dialogs.then([&](QDialog&) {
    dialogs.then([&](QDialog& dialog) {
      EXPECT_EQ(dialog.objectName(), "TForm15");
      EXPECT_EQ(child<QPushButton>(dialog, "Button1")->text(), QStringLiteral("追加(&A)"));
      const char* typed[] = {"10", "0", "0", "300", "255", "255", "255", ""};
      for (int k = 0; k < 8; ++k) {
        QLineEdit* box = child<QLineEdit>(dialog, qPrintable(QStringLiteral("Edit%1").arg(k + 1)));
        box->clear();
        QTest::keyClicks(box, typed[k]);
      }
      QLineEdit* first = child<QLineEdit>(dialog, "Edit1");
      QTest::keyClicks(first, ".a");  // refused
      EXPECT_EQ(first->text(), "10");
      EXPECT_FALSE(first->testAttribute(Qt::WA_InputMethodEnabled));
      click(dialog, "Button1");
    });
    click(form14, "Button1");
    EXPECT_EQ(items(list("ListBox1")).last(), "10.0.0.0 --- 255.255.255.0");

    select("ListBox2", 1);
    dialogs.then([&](QDialog& dialog) {
      EXPECT_EQ(child<QPushButton>(dialog, "Button1")->text(), QStringLiteral("編集(&E)"));
      EXPECT_EQ(child<QLineEdit>(dialog, "Edit1")->text(), "192");
      EXPECT_EQ(child<QLineEdit>(dialog, "Edit4")->text(), "254");
      EXPECT_EQ(child<QLineEdit>(dialog, "Edit5")->text(), "20");
      child<QLineEdit>(dialog, "Edit3")->setText("  1");
      child<QLineEdit>(dialog, "Edit5")->setText("300");
      click(dialog, "Button1");
    });
    click(form14, "Button5");
    EXPECT_EQ(items(list("ListBox2")),
              QStringList({"192.168.10.1 --- 0", "192.168.1.254 --- 300"}));

    // Add right after an edit starts from the edit's values; cancel adds nothing.
    dialogs.then([&](QDialog& dialog) {
      EXPECT_EQ(child<QLineEdit>(dialog, "Edit3")->text(), "  1");
      EXPECT_EQ(child<QPushButton>(dialog, "Button1")->text(), QStringLiteral("追加(&A)"));
      click(dialog, "BitBtn1");
    });
    click(form14, "Button4");
    EXPECT_EQ(list("ListBox2")->count(), 2);

    select("ListBox3", 0);
    dialogs.then([&](QDialog& dialog) {
      EXPECT_EQ(child<QLineEdit>(dialog, "Edit3")->text(), " 10");  // right-aligned
      click(dialog, "Button1");
    });
    click(form14, "Button8");
    EXPECT_EQ(items(list("ListBox3")), QStringList({"192.168.10.2", "192.168.10.3"}));
    click(form14, "BitBtn1");
  });
  click(form3, "Button1");
  EXPECT_EQ(dialogs.shown,
            std::vector<std::string>({"TForm14", "TForm15", "TForm16", "TForm16", "TForm17"}));
  EXPECT_EQ(views::MultiStringItems(form3.workingSet()[0].addressList),
            (std::vector<std::string>{"192.168.10.25", "192.168.10.26", "10.0.0.0"}));
  EXPECT_EQ(views::MultiStringItems(form3.workingSet()[0].gatewayMetricList),
            (std::vector<std::string>{"0", "300"}));
}

TEST_F(ProfileEditorTest, MetricTypedIntoTheTcpipEditorIsSaved) {
  form3.show();
  tabs()->setCurrentIndex(1);  // the DHCP interface, automatic metric
  dialogs.then([&](QDialog&) {
    QCheckBox* automatic = child<QCheckBox>(form14, "CheckBox1");
    QLineEdit* metric = child<QLineEdit>(form14, "Edit1");
    EXPECT_TRUE(automatic->isChecked());
    EXPECT_FALSE(metric->isEnabled());
    EXPECT_EQ(metric->text(), "");
    automatic->click();
    EXPECT_TRUE(metric->isEnabled());
    QTest::keyClicks(metric, "2x0");
    EXPECT_EQ(metric->text(), "20");
    click(form14, "BitBtn1");
  });
  click(form3, "Button1");
  prompter.expect("変更を登録しますか？", kInfo, kQuestion, IDYES);
  click(form3, "Button3");
  std::string bytes;
  win::DWORD length = 0;
  store::Context ctx{notebook.machine(), prompter, nullptr};
  (void)store::ReadRawValue(ctx, HKEY_LOCAL_MACHINE,
                            NotebookProfile::interfaceKey(1, NotebookProfile::kWireless),
                            "InterfaceMetric", bytes, length);
  EXPECT_EQ(bytes, std::string("\x14\0\0\0", 4));
}

// What is typed into a field ends up in the profile in code page 932: a
// character the code page lacks is refused as typed, in every field.
TEST_F(ProfileEditorTest, FieldsRefuseCharactersTheCodePageLacks) {
  form3.show();
  QLineEdit* printer = child<QComboBox>(form3, "ComboBox1")->lineEdit();
  for (QLineEdit* field : {edit("Edit1"), edit("Edit2"), edit("Edit4"), printer}) {
    field->clear();
    typeCharacters(field, QStringLiteral("Café€😀 あ"));
    EXPECT_EQ(field->text(), QStringLiteral("Caf あ")) << field->objectName().toStdString();
  }
  EXPECT_EQ(form10.state().single.host, "Caf " + win::ansiFromUtf8("あ"));
  for (QLineEdit* field : {edit("Edit5"), edit("Edit8"), edit("Edit9")}) {
    field->clear();
    typeCharacters(field, QStringLiteral("1é2"));
    EXPECT_EQ(field->text(), "12") << field->objectName().toStdString();
  }

  dialogs.then([&](QDialog&) {
    QLineEdit* metric = child<QLineEdit>(form14, "Edit1");
    metric->clear();
    typeCharacters(metric, QStringLiteral("1é2"));
    EXPECT_EQ(metric->text(), "12");
    dialogs.then([&](QDialog& dialog) {
      for (const char* name : {"Edit1", "Edit5"}) {
        QLineEdit* box = child<QLineEdit>(dialog, name);
        box->clear();
        typeCharacters(box, QStringLiteral("1é2"));
        EXPECT_EQ(box->text(), "12") << name;
      }
      click(dialog, "BitBtn1");
    });
    click(form14, "Button4");
    click(form14, "BitBtn2");
  });
  click(form3, "Button1");
}

// The number fields take what they take however it arrives: typed, pasted
// or committed by the input method, a character a key press would not
// insert is left out, and a paste is cut to the field's places as a Windows
// edit cuts it, also over a selection.
TEST_F(ProfileEditorTest, NumberFieldsFilterAndCutTextHoweverItArrives) {
  enum class Way { Typed, Pasted, Committed, PastedOverAll };
  struct Case {
    QWidget* window;
    const char* field;
    Way way;
    QString before;
    QString arriving;
    QString after;
  };
  const Case cases[] = {
      {&form3, "Edit9", Way::Committed, "", "8080a b", "8080"},
      {&form3, "Edit9", Way::Pasted, "80", "8\t0x", "8080"},
      {&form3, "Edit5", Way::Committed, "", "192.168.0.1a", "192.168.0.1"},
      {&form3, "Edit8", Way::Pasted, "1.2", ",3;4", "1.2,34"},
      {&form14, "Edit1", Way::Committed, "", "20x", "20"},
      {&form14, "Edit1", Way::Pasted, "1", "2345x6", "1234"},
      {&form15, "Edit1", Way::Typed, "", "1a2345", "123"},
      {&form15, "Edit1", Way::Pasted, "", "12345", "123"},
      {&form15, "Edit1", Way::Committed, "", "12345", "123"},
      {&form15, "Edit1", Way::Pasted, "12", "abc", "12"},
      {&form16, "Edit5", Way::PastedOverAll, "80", "12345", "1234"},
      {&form17, "Edit4", Way::PastedOverAll, "1", "x", "1"},
  };
  for (const Case& c : cases) {
    c.window->show();
    QLineEdit* field = child<QLineEdit>(*c.window, c.field);
    field->setEnabled(true);
    app::ShowFieldText(field, c.before);
    field->end(false);
    switch (c.way) {
      case Way::Typed:
        QTest::keyClicks(field, c.arriving);
        break;
      case Way::PastedOverAll:
        field->selectAll();
        [[fallthrough]];
      case Way::Pasted:
        QGuiApplication::clipboard()->setText(c.arriving);
        pasteByKey(field);
        break;
      case Way::Committed: {
        QInputMethodEvent commit;
        commit.setCommitString(c.arriving);
        QApplication::sendEvent(field, &commit);
        break;
      }
    }
    EXPECT_EQ(field->text(), c.after) << c.window->objectName().toStdString() << " " << c.field
                                      << " <- " << c.arriving.toStdString();
    c.window->hide();
  }
  // What arrived is what the editor keeps for the save.
  EXPECT_EQ(form10.state().single.port, "8080");
}

// A field's length limit holds back typing only: a longer stored value is
// shown whole and goes back unchanged, and it can still be shortened.
TEST_F(ProfileEditorTest, LongerStoredValuesAreShownWholeAndKept) {
  (void)store::WriteDwordValue(context(), HKEY_LOCAL_MACHINE,
                               NotebookProfile::interfaceKey(1, NotebookProfile::kWired),
                               "InterfaceMetric", 12345);
  storeList("DefaultGatewayMetric", {"0", "54321"});
  storeList("IPAddress", {"192.168.10.25", "10.0.0.1000"});
  form3.show();
  dialogs.then([&](QDialog&) {
    EXPECT_EQ(child<QLineEdit>(form14, "Edit1")->text(), "12345");
    EXPECT_EQ(items(list("ListBox1")).last(), "10.0.0.1000 --- 255.255.255.0");

    select("ListBox1", 1);
    dialogs.then([&](QDialog& dialog) {
      EXPECT_EQ(child<QLineEdit>(dialog, "Edit4")->text(), "1000");
      click(dialog, "BitBtn1");
    });
    click(form14, "Button2");

    select("ListBox2", 1);
    dialogs.then([&](QDialog& dialog) {
      QLineEdit* box = child<QLineEdit>(dialog, "Edit5");
      EXPECT_EQ(box->text(), "54321");
      box->end(false);
      QTest::keyClicks(box, "9");
      EXPECT_EQ(box->text(), "54321");
      QTest::keyClick(box, Qt::Key_Backspace);
      QTest::keyClicks(box, "1");
      EXPECT_EQ(box->text(), "5432");  // four places when typed
      click(dialog, "BitBtn1");
    });
    click(form14, "Button5");
    dialogs.then([&](QDialog& dialog) {
      EXPECT_EQ(child<QLineEdit>(dialog, "Edit5")->text(), "54321");
      click(dialog, "Button1");
    });
    click(form14, "Button5");
    EXPECT_EQ(items(list("ListBox2")).last(), "192.168.10.254 --- 54321");

    QLineEdit* octet = nullptr;
    dialogs.then([&](QDialog& dialog) {
      octet = child<QLineEdit>(dialog, "Edit1");
      octet->clear();
      QTest::keyClicks(octet, "1921");
      EXPECT_EQ(octet->text(), "192");
      // Places are bytes of code page 932: a double-byte character takes two.
      octet->clear();
      typeCharacters(octet, QStringLiteral("1あ2"));
      EXPECT_EQ(octet->text(), QStringLiteral("1あ"));
      click(dialog, "BitBtn1");
    });
    click(form14, "Button7");
    click(form14, "BitBtn1");
  });
  click(form3, "Button1");
  save();

  std::string metric;
  win::DWORD length = 0;
  (void)store::ReadRawValue(context(), HKEY_LOCAL_MACHINE,
                            NotebookProfile::interfaceKey(1, NotebookProfile::kWired),
                            "InterfaceMetric", metric, length);
  EXPECT_EQ(metric, std::string("\x39\x30\0\0", 4));  // 12345
  EXPECT_EQ(stored("DefaultGatewayMetric"), views::MultiStringImage({"0", "54321"}));
}

TEST_F(ProfileEditorTest, SaveKeepsTheSecondAndThirdStoredAddresses) {
  storeList("IPAddress", {"192.168.10.25", "192.168.10.26", "192.168.10.27"});
  storeList("SubnetMask", {"255.255.255.0", "255.255.0.0", "255.0.0.0"});
  form3.show();
  edit("Edit5")->setText("192.168.10.40");
  edit("Edit6")->setText("255.255.255.128");
  save();
  EXPECT_EQ(stored("IPAddress"),
            views::MultiStringImage({"192.168.10.40", "192.168.10.26", "192.168.10.27"}));
  EXPECT_EQ(stored("SubnetMask"),
            views::MultiStringImage({"255.255.255.128", "255.255.0.0", "255.0.0.0"}));
}

// The profile's name is shown, not edited: it looks read-only and the
// window opens on the membership, whose Tab stop is the ticked kind.
TEST_F(ProfileEditorTest, NameIsReadOnlyAndTabReachesTheTickedMembership) {
  form3.show();
  QApplication::setActiveWindow(&form3);
  QLineEdit* name = edit("Edit10");
  EXPECT_TRUE(name->isReadOnly());
  EXPECT_EQ(name->palette().color(QPalette::Base), name->palette().color(QPalette::Button));
  auto* domain = child<QRadioButton>(form3, "RadioButton1");
  auto* workgroup = child<QRadioButton>(form3, "RadioButton2");
  EXPECT_EQ(QApplication::focusWidget(), workgroup);

  // Back into the group from the name field beside it.
  edit("Edit1")->setFocus();
  QTest::keyClick(edit("Edit1"), Qt::Key_Backtab);
  EXPECT_EQ(QApplication::focusWidget(), workgroup);
  QTest::keyClick(workgroup, Qt::Key_Space);
  EXPECT_TRUE(workgroup->isChecked());

  // A domain profile: the stop moves with the tick.
  form3.hide();
  (void)store::WriteDwordValue(context(), HKEY_LOCAL_MACHINE, store::DataPath(1), "DomainType", 1);
  form3.show();
  QApplication::setActiveWindow(&form3);
  EXPECT_TRUE(domain->isChecked());
  edit("Edit1")->setFocus();
  QTest::keyClick(edit("Edit1"), Qt::Key_Backtab);
  EXPECT_EQ(QApplication::focusWidget(), domain);
}

}  // namespace
