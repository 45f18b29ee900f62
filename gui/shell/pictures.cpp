#include "gui/shell/pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <array>
#include <cstddef>
#include <utility>

namespace app {

namespace {

// Station positions as fractions of the picture, kept to the free band
// below the controls, and the links between them.
constexpr std::array<QPointF, 8> kStations = {{{0.05, 0.74},
                                               {0.27, 0.97},
                                               {0.30, 0.74},
                                               {0.46, 0.90},
                                               {0.60, 0.77},
                                               {0.64, 0.97},
                                               {0.16, 0.70},
                                               {0.38, 0.99}}};
constexpr std::array<std::pair<std::size_t, std::size_t>, 10> kLinks = {
    {{0, 1}, {0, 2}, {1, 2}, {1, 3}, {2, 3}, {3, 4}, {4, 5}, {0, 6}, {3, 7}, {1, 7}}};

void drawArrow(QPainter& painter, QPointF from, QPointF to, qreal head) {
  painter.drawLine(from, to);
  qreal direction = to.x() > from.x() ? -1 : 1;
  QPainterPath tip;
  tip.moveTo(to);
  tip.lineTo(to.x() + direction * head, to.y() - head * 0.8);
  tip.lineTo(to.x() + direction * head, to.y() + head * 0.8);
  tip.closeSubpath();
  painter.fillPath(tip, painter.pen().color());
}

}  // namespace

QPixmap BackgroundPicture(QSize size) {
  QPixmap picture(size);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);

  QLinearGradient sky(0, 0, 0, size.height());
  sky.setColorAt(0.0, QColor(0xf4, 0xf8, 0xfd));
  sky.setColorAt(1.0, QColor(0xd6, 0xe6, 0xf5));
  painter.fillRect(picture.rect(), sky);

  auto at = [&](QPointF fraction) {
    return QPointF(fraction.x() * size.width(), fraction.y() * size.height());
  };
  painter.setPen(QPen(QColor(0x8c, 0xb2, 0xd8, 120), 1.2));
  for (auto [a, b] : kLinks) painter.drawLine(at(kStations[a]), at(kStations[b]));
  for (const QPointF& station : kStations) {
    QPointF centre = at(station);
    QRadialGradient glow(centre, 6);
    glow.setColorAt(0, QColor(0x5f, 0x93, 0xc9, 170));
    glow.setColorAt(1, QColor(0x5f, 0x93, 0xc9, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(glow);
    painter.drawEllipse(centre, 6, 6);
    painter.setBrush(QColor(0x4a, 0x7f, 0xb8, 190));
    painter.drawEllipse(centre, 2.2, 2.2);
  }
  return picture;
}

QPixmap SwitchGlyph(int side) {
  QPixmap glyph(side, side);
  glyph.fill(Qt::transparent);
  QPainter painter(&glyph);
  painter.setRenderHint(QPainter::Antialiasing);

  QRectF tile(side * 0.04, side * 0.04, side * 0.92, side * 0.92);
  QLinearGradient face(tile.topLeft(), tile.bottomLeft());
  face.setColorAt(0, QColor(0x4f, 0x9b, 0xe8));
  face.setColorAt(1, QColor(0x1d, 0x5f, 0xb0));
  painter.setPen(QPen(QColor(0x17, 0x4a, 0x8a), side * 0.02));
  painter.setBrush(face);
  painter.drawRoundedRect(tile, side * 0.18, side * 0.18);

  qreal left = side * 0.22;
  qreal right = side * 0.78;
  qreal head = side * 0.12;
  painter.setPen(QPen(Qt::white, side * 0.08, Qt::SolidLine, Qt::RoundCap));
  drawArrow(painter, {left, side * 0.36}, {right, side * 0.36}, head);
  painter.setPen(QPen(QColor(0xc8, 0xf0, 0xc0), side * 0.08, Qt::SolidLine, Qt::RoundCap));
  drawArrow(painter, {right, side * 0.64}, {left, side * 0.64}, head);
  return glyph;
}

}  // namespace app
