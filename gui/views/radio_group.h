// Radio buttons that Tab reaches as a Windows dialog's group does: on the
// ticked button only, so that Space there changes nothing by accident.
// Qt moves the Tab stop onto a button only once that button has had the
// focus; until then every button of the group is a stop, and Tab lands on
// the first one, ticked or not.
#pragma once

#include <QRadioButton>

#include <initializer_list>
#include <vector>

namespace views {

// Makes the ticked button of `group` its only Tab stop, now and each time
// the tick moves; with none ticked, every button is one. When the program
// moves the tick while the focus sits on the group, the focus follows the
// tick: Qt gives the Tab stop to whichever button has the focus.
inline void TabToCheckedButton(std::initializer_list<QRadioButton*> group) {
  const std::vector<QRadioButton*> buttons(group);
  auto update = [buttons] {
    QRadioButton* checked = nullptr;
    for (QRadioButton* button : buttons)
      if (button->isChecked()) checked = button;
    for (QRadioButton* button : buttons) {
      const bool stop = !checked || button == checked;
      button->setFocusPolicy(stop ? Qt::StrongFocus : Qt::ClickFocus);
      if (!stop && button->window()->focusWidget() == button) checked->setFocus();
    }
  };
  update();
  for (QRadioButton* button : buttons)
    QObject::connect(button, &QRadioButton::toggled, button, update);
}

}  // namespace views
