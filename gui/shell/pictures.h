// The main window's pictures, drawn rather than shipped: the background
// behind the controls and the glyph of the switch button.
#pragma once

#include <QPixmap>
#include <QSize>

namespace app {

// A pale sky with a faint network of linked stations.
QPixmap BackgroundPicture(QSize size);
// Two opposed arrows on a blue tile: "change over".
QPixmap SwitchGlyph(int side);

}  // namespace app
