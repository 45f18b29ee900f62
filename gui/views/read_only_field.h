// Display-only text fields: read-only, on the button-face colour that tells
// a Windows user the text cannot be changed.
#pragma once

#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>

namespace views {

template <typename Field>
void MakeReadOnly(Field* field) {
  field->setReadOnly(true);
  QPalette palette = field->palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    palette.setColor(group, QPalette::Base, palette.color(group, QPalette::Button));
  field->setPalette(palette);
}

}  // namespace views
