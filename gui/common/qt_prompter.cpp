#include "gui/common/qt_prompter.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QWidget>

#include "gui/common/owner_handle.h"
#include "gui/common/qt_text.h"

namespace app {

using namespace win;

namespace {

QMessageBox::Icon iconFor(UINT flags) {
  switch (flags & MB_ICONMASK) {
    case MB_ICONERROR:
      return QMessageBox::Critical;
    case MB_ICONQUESTION:
      return QMessageBox::Question;
    case MB_ICONWARNING:
      return QMessageBox::Warning;
    case MB_ICONINFORMATION:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

QMessageBox::StandardButtons buttonsFor(UINT flags) {
  switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case MB_YESNOCANCEL:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MB_YESNO:
      return QMessageBox::Yes | QMessageBox::No;
    default:
      return QMessageBox::Ok;
  }
}

// The answer for the button pressed; a box closed without one (Escape, the
// title bar, the window going away) answers as Windows would: Cancel where
// there is one, No on a Yes/No box, OK on an OK box.
int answerFor(QMessageBox::StandardButton button, UINT flags) {
  switch (button) {
    case QMessageBox::Yes:
      return IDYES;
    case QMessageBox::No:
      return IDNO;
    case QMessageBox::Cancel:
      return IDCANCEL;
    case QMessageBox::Ok:
      return IDOK;
    default:
      break;
  }
  switch (flags & MB_TYPEMASK) {
    case MB_YESNO:
      return IDNO;
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
      return IDCANCEL;
    default:
      return IDOK;
  }
}

}  // namespace

int QtPrompter::messageBox(win::HWND owner, const std::string& text, const std::string& caption,
                           UINT flags) {
  QMessageBox box(iconFor(flags), fromAnsi(caption), fromAnsi(text), buttonsFor(flags),
                  OwnerWidget(owner));
  if ((flags & MB_TYPEMASK) == MB_YESNO) box.setEscapeButton(QMessageBox::No);
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  return answerFor(clicked ? box.standardButton(clicked) : QMessageBox::NoButton, flags);
}

}  // namespace app
