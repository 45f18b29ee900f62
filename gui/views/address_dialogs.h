// The small entry dialogs of the advanced TCP/IP editor (TForm14), each
// adding one item to one of its lists or changing the selected one: the
// address and subnet mask (TForm15), the default gateway and its metric
// (TForm16) and a DNS server (TForm17). Every address is typed into four
// octet boxes that take digits only. The boxes keep their contents between
// openings: the editor fills them for an edit and leaves them for an add.
#pragma once

#include <QDialog>

#include <array>
#include <memory>
#include <string>
#include <vector>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace Ui {
class TForm15;
class TForm16;
class TForm17;
}  // namespace Ui

namespace views {

// What the three dialogs share: the OK button `Button1` with the caption and
// mode flag the editor gives it, the cancel button `BitBtn1`, the key filter
// of the boxes and the list the item goes into.
class EntryDialog : public QDialog {
  Q_OBJECT

 public:
  // Mode flags of Button1's Tag.
  static constexpr int kAddMode = 0;
  static constexpr int kEditMode = 1;

  using QDialog::QDialog;

  // The editor's list that OK appends to or changes.
  void setTarget(QListWidget* list) { target_ = list; }
  // Button1's caption ("追加(&A)" or "編集(&E)") and its mode flag.
  void setMode(const QString& caption, int flag);
  int mode() const { return mode_; }

  // The boxes' key filter: digits pass, and so do control characters and
  // the bytes 128 to 255; anything else becomes 7 and is not inserted.
  char KeyPress(char key);

 public slots:
  // Puts the item into the list (appended in add mode, in place of the
  // selected item in edit mode) and closes the dialog.
  void Button1Click();
  void BitBtn1Click();

 protected:
  // Called by each dialog's constructor once its widgets exist: the octet
  // boxes take three places, the gateway metric box, if any, four.
  void setUp(QPushButton* okButton, QPushButton* cancelButton,
             const std::vector<QLineEdit*>& octetBoxes, QLineEdit* metricBox = nullptr);
  // The item the boxes make.
  virtual std::string composeItem() const = 0;

 private:
  QPushButton* okButton_ = nullptr;
  QListWidget* target_ = nullptr;
  int mode_ = kAddMode;
};

}  // namespace views

// One address and subnet mask: Edit1..Edit4 and Edit5..Edit8.
class TForm15 : public views::EntryDialog {
  Q_OBJECT

 public:
  explicit TForm15(QWidget* parent = nullptr);
  ~TForm15() override;
  void setBoxes(const std::array<std::string, 8>& boxes);

 protected:
  std::string composeItem() const override;

 private:
  std::unique_ptr<Ui::TForm15> ui_;
};

// One default gateway, Edit1..Edit4, and its metric, Edit5.
class TForm16 : public views::EntryDialog {
  Q_OBJECT

 public:
  explicit TForm16(QWidget* parent = nullptr);
  ~TForm16() override;
  void setBoxes(const std::array<std::string, 4>& octets, const std::string& metric);

 protected:
  std::string composeItem() const override;

 private:
  std::unique_ptr<Ui::TForm16> ui_;
};

// One DNS server address: Edit1..Edit4.
class TForm17 : public views::EntryDialog {
  Q_OBJECT

 public:
  explicit TForm17(QWidget* parent = nullptr);
  ~TForm17() override;
  void setBoxes(const std::array<std::string, 4>& octets);

 protected:
  std::string composeItem() const override;

 private:
  std::unique_ptr<Ui::TForm17> ui_;
};
