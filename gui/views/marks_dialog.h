// The marks of one profile's network: the user reviews, removes or adds
// them and chooses what a match does. The window only edits a copy; save()
// stores it as one store command.
#pragma once

#include <QDialog>

#include <optional>
#include <string>

#include "store/context.h"
#include "store/network_marks.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTableWidget;

namespace app {

class MarksDialog : public QDialog {
  Q_OBJECT

 public:
  explicit MarksDialog(QWidget* parent = nullptr);

  // Shows the stored marks of the profile titled `ansiTitle`. Message boxes
  // go through ctx.
  void load(const store::Context& ctx, const std::string& ansiTitle);
  // Stores what the window shows; false when it was not stored (a message
  // then said why).
  bool save();
  // What the window shows.
  store::ProfileMarks edited() const { return marks_; }

 public slots:
  void AddButtonClick();
  void RemoveButtonClick();
  void AddLiveButtonClick();

 private:
  void addMark(const store::NetworkMark& mark);
  void showMarks();

  std::optional<store::Context> ctx_;
  std::string title_;
  store::ProfileMarks marks_;
  QLabel* titleLabel_ = nullptr;
  QTableWidget* table_ = nullptr;
  QComboBox* kindBox_ = nullptr;
  QComboBox* connectionBox_ = nullptr;
  QLineEdit* valueEdit_ = nullptr;
  QRadioButton* offerRadio_ = nullptr;
  QRadioButton* switchRadio_ = nullptr;
  QRadioButton* silentRadio_ = nullptr;
};

}  // namespace app
