// Message boxes: MessageBoxA's flags become QMessageBox icons and buttons,
// and the button pressed comes back as MessageBoxA's answer.
#include "gui/common/qt_prompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

#include "platform/code_page.h"

namespace {

// Shows a box and, once it is up, hands it to `act` (which must close it).
int showAndAct(win::UINT flags, std::function<void(QMessageBox&)> act,
               QMessageBox::Icon* icon = nullptr, QString* caption = nullptr,
               QString* text = nullptr) {
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    if (icon) *icon = box->icon();
    if (caption) *caption = box->windowTitle();
    if (text) *text = box->text();
    act(*box);
  });
  app::QtPrompter prompter;
  return prompter.messageBox(nullptr, win::ansiFromUtf8("登録を抹消しました。"),
                             win::ansiFromUtf8("情報メッセージ"), flags);
}

void press(QMessageBox& box, QMessageBox::StandardButton which) {
  box.button(which)->click();
}

TEST(QtPrompterTest, FlagsChooseIconAndButtonsAndTheAnswerComesBack) {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString caption;
  QString text;
  EXPECT_EQ(showAndAct(
                MB_ICONINFORMATION, [](QMessageBox& box) { press(box, QMessageBox::Ok); }, &icon,
                &caption, &text),
            IDOK);
  EXPECT_EQ(icon, QMessageBox::Information);
  EXPECT_EQ(caption, "情報メッセージ");
  EXPECT_EQ(text, "登録を抹消しました。");

  EXPECT_EQ(
      showAndAct(
          MB_YESNO | MB_ICONWARNING, [](QMessageBox& box) { press(box, QMessageBox::Yes); }, &icon),
      IDYES);
  EXPECT_EQ(icon, QMessageBox::Warning);
  EXPECT_EQ(showAndAct(MB_YESNO | MB_ICONINFORMATION,
                       [](QMessageBox& box) { press(box, QMessageBox::No); }),
            IDNO);
  EXPECT_EQ(showAndAct(
                MB_ICONERROR, [](QMessageBox& box) { press(box, QMessageBox::Ok); }, &icon),
            IDOK);
  EXPECT_EQ(icon, QMessageBox::Critical);
}

// The buttons speak Japanese through Qt's own translations, as the buttons
// of a Japanese Windows do.
TEST(QtPrompterTest, ButtonsReadInJapanese) {
  QStringList texts;
  auto read = [&](QMessageBox& box) {
    for (QMessageBox::StandardButton which :
         {QMessageBox::Yes, QMessageBox::No, QMessageBox::Ok, QMessageBox::Cancel})
      if (QAbstractButton* button = box.button(which)) texts << button->text();
    box.reject();
  };
  showAndAct(MB_YESNO | MB_ICONWARNING, read);
  showAndAct(MB_OKCANCEL | MB_ICONINFORMATION, read);
  EXPECT_EQ(texts, QStringList({"はい(&Y)", "いいえ(&N)", "OK", "キャンセル"}));
}

TEST(QtPrompterTest, ABoxClosedWithoutAChoiceNeverAnswersYes) {
  auto reject = [](QMessageBox& box) { box.reject(); };
  auto close = [](QMessageBox& box) { box.close(); };
  EXPECT_EQ(showAndAct(MB_YESNO | MB_ICONWARNING, reject), IDNO);
  EXPECT_EQ(showAndAct(MB_YESNO | MB_ICONWARNING, close), IDNO);
  EXPECT_EQ(showAndAct(MB_ICONERROR, reject), IDOK);
}

}  // namespace
