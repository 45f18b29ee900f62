// TForm11, the question before a switch: it names the profile, lists its
// network interfaces with a tick each and offers a box for each step
// (network, default printer, proxy, domain or workgroup). Shown modally
// from the main window; one instance lives for the whole run, so the
// remember box keeps its state from one switch to the next.
#pragma once

#include <QDialog>

#include <memory>

#include "switching/switch_flow.h"

namespace Ui {
class TForm11;
}

class TForm11 : public QDialog {
  Q_OBJECT

 public:
  // Modal results of the two buttons.
  static constexpr int kYesResult = 1;
  static constexpr int kNoResult = 2;

  explicit TForm11(QWidget* parent = nullptr);
  ~TForm11() override;

  // Fills the dialog for one switch: the step boxes from the remembered
  // mask, every interface ticked, the printer and the heading. The remember
  // box is left as the user last set it.
  void prepare(const switching::SwitchOffer& offer);
  // What the boxes and the interface list say now. `confirmed` is left for
  // the caller, who knows how the dialog was closed.
  switching::SwitchChoice choice() const;

 public slots:
  void CheckBox1Click();
  void CheckBox2Click();
  void BitBtn1Click();
  void BitBtn2Click();

 private:
  std::unique_ptr<Ui::TForm11> ui_;
  QString caption_;  // the caption of an ordinary switch
};
