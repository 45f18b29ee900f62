// TForm13, the full address, gateway and metric lists of the interface the
// live view shows. The live view fills it on every load that shows an
// interface; shown modally from there, it shows what that load put in.
#pragma once

#include <QDialog>

#include <memory>

#include "views/live_settings.h"

namespace Ui {
class TForm13;
}

class TForm13 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm13(QWidget* parent = nullptr);
  ~TForm13() override;

  // Replaces both lists and the interface metric with the interface's.
  void ShowInterface(const views::LiveInterface& entry);

 private:
  std::unique_ptr<Ui::TForm13> ui_;
};
