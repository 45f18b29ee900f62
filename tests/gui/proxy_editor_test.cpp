// The proxy editor as a user works it: the same-proxy box with the rows it
// holds aside, typing into the shared state, opening and OK.
#include "gui/views/proxy_editor.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextCursor>

#include <gtest/gtest.h>

#include "platform/code_page.h"

namespace {

using views::HostPort;

class ProxyEditorTest : public ::testing::Test {
 protected:
  void load(const char* server, win::DWORD enable = 1, const char* bypass = "") {
    views::LoadProxyState(form.state(), {"", enable, server, bypass});
    form.ShowState();
  }
  QLineEdit* edit(const char* name) { return form.findChild<QLineEdit*>(name); }
  QCheckBox* sameProxy() { return form.findChild<QCheckBox*>("CheckBox1"); }
  // Host and port texts of the five rows, "host:port" each.
  QStringList rows() {
    QStringList texts;
    for (int row = 1; row <= 5; ++row)
      texts << edit(qPrintable(QStringLiteral("LabeledEdit%1").arg(row)))->text() + ":" +
                   edit(qPrintable(QStringLiteral("Edit%1").arg(row + 5)))->text();
    return texts;
  }
  std::vector<bool> rowsEnabled() {
    std::vector<bool> enabled;
    for (int row = 1; row <= 5; ++row) {
      bool host = edit(qPrintable(QStringLiteral("LabeledEdit%1").arg(row)))->isEnabled();
      bool port = edit(qPrintable(QStringLiteral("Edit%1").arg(row + 5)))->isEnabled();
      bool label =
          form.findChild<QLabel*>(qPrintable(QStringLiteral("LabeledEdit%1Label").arg(row)))
              ->isEnabled();
      EXPECT_EQ(host, port);
      EXPECT_EQ(host, label);
      enabled.push_back(host);
    }
    return enabled;
  }

  TForm10 form;
};

TEST_F(ProxyEditorTest, SameProxyBoxHoldsTheOtherRowsAndBringsThemBack) {
  load("http=h:8;https=s:443;ftp=f;gopher=g:70;socks=k:1080");
  EXPECT_FALSE(sameProxy()->isChecked());
  EXPECT_EQ(rows(), QStringList({"h:8", "s:443", "f:", "g:70", "k:1080"}));
  EXPECT_EQ(rowsEnabled(), std::vector<bool>(5, true));

  QSignalSpy changed(&form, &TForm10::SingleFieldsChanged);
  sameProxy()->click();
  EXPECT_EQ(rows(), QStringList({"h:8", "h:8", "h:8", "h:8", ":"}));
  EXPECT_EQ(rowsEnabled(), (std::vector<bool>{true, false, false, false, false}));
  EXPECT_EQ(form.state().single, (HostPort{"h", "8"}));
  EXPECT_EQ(changed.count(), 1);

  // A new HTTP row while the box is on does not reach the held rows.
  QTest::keyClicks(edit("LabeledEdit1"), "x");
  sameProxy()->click();
  EXPECT_EQ(rows(), QStringList({"hx:8", "s:443", "f:", "g:70", "k:1080"}));
  EXPECT_EQ(rowsEnabled(), std::vector<bool>(5, true));
  EXPECT_EQ(form.state().single, HostPort{});
  EXPECT_EQ(changed.count(), 2);
}

TEST_F(ProxyEditorTest, TypingGoesIntoTheSharedState) {
  load("http=a:1");
  QTest::keyClicks(edit("LabeledEdit3"), "ftp.example");
  QTest::keyClicks(edit("Edit8"), "21");
  EXPECT_EQ(form.state().rows[views::kFtp], (HostPort{"ftp.example", "21"}));

  auto* memo = form.findChild<QPlainTextEdit*>("Memo1");
  memo->setFocus();
  QTest::keyClicks(memo, "a.com");
  QTest::keyClick(memo, Qt::Key_Return);
  QTest::keyClicks(memo, "b.com");
  // Line breaks are kept as a Windows memo hands them over.
  EXPECT_EQ(form.state().exceptions, "a.com\r\nb.com");

  // Showing the state back changes nothing in it.
  form.ShowState();
  EXPECT_EQ(form.state().exceptions, "a.com\r\nb.com");
  EXPECT_EQ(memo->toPlainText(), "a.com\nb.com");
}

TEST_F(ProxyEditorTest, CharactersTheCodePageLacksAreRefused) {
  load("http=a:1", 1, "a.com");
  edit("LabeledEdit1")->insert(QStringLiteral("\U0001F600"));
  EXPECT_EQ(edit("LabeledEdit1")->text(), "a");
  edit("LabeledEdit1")->insert(QStringLiteral("ｰﾌﾟﾛｷｼ"));
  EXPECT_EQ(form.state().rows[views::kHttp].host, win::ansiFromUtf8("aｰﾌﾟﾛｷｼ"));

  auto* memo = form.findChild<QPlainTextEdit*>("Memo1");
  memo->moveCursor(QTextCursor::End);
  memo->insertPlainText(QStringLiteral(";b\u00FC.com"));
  EXPECT_EQ(memo->toPlainText(), "a.com");
  EXPECT_EQ(form.state().exceptions, "a.com");
  memo->insertPlainText(QStringLiteral(";例.jp"));
  EXPECT_EQ(form.state().exceptions, win::ansiFromUtf8("a.com;例.jp"));
}

TEST_F(ProxyEditorTest, OpeningTakesTheSingleFieldsAndOkGivesThemBack) {
  load("proxy:8080", 1, "a.com;<local>");
  form.state().single = {"typed", "3128"};  // edited in the profile editor meanwhile
  form.show();
  EXPECT_TRUE(sameProxy()->isChecked());
  EXPECT_EQ(rows().first(), "typed:3128");
  EXPECT_EQ(form.findChild<QPlainTextEdit*>("Memo1")->toPlainText(), "a.com");

  edit("LabeledEdit1")->clear();
  QTest::keyClicks(edit("LabeledEdit1"), "edited");
  QSignalSpy changed(&form, &TForm10::SingleFieldsChanged);
  form.findChild<QPushButton*>("BitBtn1")->click();
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_EQ(form.state().single, (HostPort{"edited", "3128"}));
  EXPECT_EQ(changed.count(), 1);
  EXPECT_FALSE(form.isVisible());
}

TEST_F(ProxyEditorTest, ClosingWithoutOkLeavesTheSingleFields) {
  load("proxy:8080");
  form.show();
  QTest::keyClicks(edit("LabeledEdit1"), "-changed");
  QTest::keyClick(&form, Qt::Key_Escape);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.state().single, (HostPort{"proxy", "8080"}));
  // The row itself keeps what was typed, for the next opening to replace.
  EXPECT_EQ(form.state().rows[views::kHttp].host, "proxy-changed");
}

TEST_F(ProxyEditorTest, OpeningWithProxyOffTurnsTheSameProxySettingOff) {
  load("http=h;https=s", 1);
  sameProxy()->click();  // held: s
  form.state().proxyOn = false;
  form.show();
  EXPECT_FALSE(sameProxy()->isChecked());
  EXPECT_EQ(rows(), QStringList({"h:", "s:", ":", ":", ":"}));
  form.hide();
}

TEST_F(ProxyEditorTest, EnterInAFieldActsAsOk) {
  load("proxy:8080");
  form.show();
  edit("LabeledEdit1")->setFocus();
  QTest::keyClicks(edit("LabeledEdit1"), "2");
  QTest::keyClick(edit("LabeledEdit1"), Qt::Key_Return);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_EQ(form.state().single.host, "proxy2");
}

}  // namespace
