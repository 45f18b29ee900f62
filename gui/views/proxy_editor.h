// TForm10, the proxy editor: the per-protocol proxy servers and the
// exception list of the profile being edited. Opened modally from the
// profile editor (TForm3), with which it shares one proxy editing state for
// the whole run; it owns that state, so both windows keep their contents
// between openings. There is no cancel: the close box closes it without
// the OK step, and the toggles take effect at once.
#pragma once

#include <QDialog>

#include <memory>

#include "views/proxy_settings.h"

namespace Ui {
class TForm10;
}

class TForm10 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm10(QWidget* parent = nullptr);
  ~TForm10() override;

  // The proxy editing state shared with the profile editor. After changing
  // it from outside, call ShowState so the fields follow.
  views::ProxyEditState& state() { return state_; }
  const views::ProxyEditState& state() const { return state_; }
  // Puts the state into the fields and sets their enabled states.
  void ShowState();

 signals:
  // The same-proxy toggle or OK changed fields that the profile editor
  // shows (its single host and port and their enabled state).
  void SingleFieldsChanged();

 public slots:
  // Runs each time the window opens.
  void Show();
  // The same-proxy setting was toggled, by the user or by code.
  void CheckBox1Click();
  void BitBtn1Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void readMemo();

  std::unique_ptr<Ui::TForm10> ui_;
  views::ProxyEditState state_;
};
