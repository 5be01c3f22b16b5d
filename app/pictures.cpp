#include "app/pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace shotsweep {
namespace {

using Drawing = std::function<void(QPainter&)>;

// Each picture is drawn on a 100 x 100 canvas and scaled to its size, once at normal and once
// at double density; into `icon` when one is given.
QIcon Draw(int size, const Drawing& draw, QIcon icon = QIcon()) {
  for (int density : {1, 2}) {
    QPixmap pixmap(size * density, size * density);
    pixmap.fill(Qt::transparent);
    {
      QPainter painter(&pixmap);
      painter.setRenderHint(QPainter::Antialiasing);
      painter.scale(size * density / 100.0, size * density / 100.0);
      draw(painter);
    }
    pixmap.setDevicePixelRatio(density);
    icon.addPixmap(pixmap);
  }
  return icon;
}

QPen Outline(const QColor& color, double width) {
  return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QLinearGradient Vertical(const QColor& top, const QColor& bottom) {
  QLinearGradient gradient(0, 0, 0, 100);
  gradient.setColorAt(0, top);
  gradient.setColorAt(1, bottom);
  return gradient;
}

// The program's picture: a camera with its lens.
void DrawCamera(QPainter& p) {
  p.setPen(Outline(QColor(40, 40, 48), 6));
  p.setBrush(Vertical(QColor(110, 110, 122), QColor(58, 58, 68)));
  p.drawRoundedRect(QRectF(5, 28, 90, 62), 12, 12);
  p.drawRect(QRectF(30, 14, 34, 16));
  p.setBrush(QColor(192, 0, 0));
  p.drawEllipse(QPointF(50, 59), 22, 22);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(90, 150, 230));
  p.drawEllipse(QPointF(50, 59), 10, 10);
}

}  // namespace

QIcon WindowPicture() {
  // Drawn at every size a desktop asks for, from the title bar to the task switcher.
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) icon = Draw(size, DrawCamera, icon);
  return icon;
}

QIcon CleanupPicture() {
  return Draw(25, [](QPainter& p) {
    p.setPen(Outline(QColor(70, 70, 78), 5));
    p.setBrush(Vertical(QColor(236, 236, 240), QColor(170, 170, 182)));
    QPainterPath bin;
    bin.moveTo(18, 28);
    bin.lineTo(82, 28);
    bin.lineTo(75, 94);
    bin.lineTo(25, 94);
    bin.closeSubpath();
    p.drawPath(bin);
    p.drawRoundedRect(QRectF(10, 16, 80, 12), 4, 4);
    p.drawRoundedRect(QRectF(38, 6, 24, 10), 3, 3);
    p.setPen(Outline(QColor(192, 0, 0), 6));
    for (double x : {36.0, 50.0, 64.0}) p.drawLine(QPointF(x, 40), QPointF(x + (50 - x) * 0.08, 84));
  });
}

QIcon ExitPicture() {
  return Draw(38, [](QPainter& p) {
    // The frame and the open door.
    p.setPen(Outline(QColor(60, 44, 30), 4));
    p.setBrush(QColor(250, 246, 236));
    p.drawRect(QRectF(14, 8, 46, 84));
    p.setBrush(Vertical(QColor(176, 120, 70), QColor(120, 76, 40)));
    QPainterPath door;
    door.moveTo(14, 8);
    door.lineTo(44, 18);
    door.lineTo(44, 98);
    door.lineTo(14, 92);
    door.closeSubpath();
    p.drawPath(door);
    p.setBrush(QColor(240, 200, 80));
    p.drawEllipse(QPointF(37, 56), 3.5, 3.5);
    // The arrow leaving.
    p.setPen(Outline(QColor(0, 128, 48), 9));
    p.drawLine(QPointF(56, 50), QPointF(88, 50));
    p.drawLine(QPointF(76, 37), QPointF(90, 50));
    p.drawLine(QPointF(76, 63), QPointF(90, 50));
  });
}

QIcon RefreshPicture() {
  return Draw(24, [](QPainter& p) {
    const QColor green(0, 140, 60);
    p.setPen(Outline(green, 11));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(16, 16, 68, 68), 100 * 16, 290 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(green);
    QPainterPath head;
    head.moveTo(40, 2);
    head.lineTo(64, 18);
    head.lineTo(40, 36);
    head.closeSubpath();
    p.drawPath(head);
  });
}

QIcon NewFolderPicture() {
  return Draw(24, [](QPainter& p) {
    p.setPen(Outline(QColor(150, 110, 20), 5));
    p.setBrush(Vertical(QColor(255, 222, 120), QColor(232, 176, 40)));
    QPainterPath folder;
    folder.moveTo(6, 26);
    folder.lineTo(36, 26);
    folder.lineTo(44, 34);
    folder.lineTo(88, 34);
    folder.lineTo(88, 86);
    folder.lineTo(6, 86);
    folder.closeSubpath();
    p.drawPath(folder);
    p.setPen(Outline(Qt::white, 20));
    p.drawLine(QPointF(76, 42), QPointF(76, 88));
    p.drawLine(QPointF(53, 65), QPointF(99, 65));
    p.setPen(Outline(QColor(0, 140, 60), 11));
    p.drawLine(QPointF(76, 44), QPointF(76, 86));
    p.drawLine(QPointF(55, 65), QPointF(97, 65));
  });
}

}  // namespace shotsweep
