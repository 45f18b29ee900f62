// Gives a line edit a KeyPress handler in the manner of the system's
// windows: the handler sees each typed character as its byte in the ANSI
// code page and answers the key to insert, or 7 (bell) for one that the
// field refuses. Keys that type nothing (arrows, function keys) are not
// shown to it; what arrives otherwise (a paste, the input method's text)
// loses the characters it would refuse.
#pragma once

#include <QObject>

#include <functional>

class QLineEdit;

namespace views {

using KeyPressHandler = std::function<char(char)>;

class KeyPressFilter : public QObject {
  Q_OBJECT

 public:
  KeyPressFilter(KeyPressHandler handler, QObject* parent);
  // Installs the filter on `edit`; the filter lives as long as `owner`.
  static void install(QLineEdit* edit, KeyPressHandler handler, QObject* owner);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  KeyPressHandler handler_;
};

}  // namespace views
