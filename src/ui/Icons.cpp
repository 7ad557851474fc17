#include "ui/Icons.h"

#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>
#include <vector>

#include "pages/RowTexts.h"

namespace {

constexpr int Size = 16;

QIcon Draw(const std::function<void(QPainter&)>& paint) {
  QPixmap pixmap(Size, Size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  paint(p);
  p.end();
  return QIcon(pixmap);
}

void Circle(QPainter& p, const QColor& fill) {
  p.setPen(QPen(fill.darker(140), 1));
  p.setBrush(fill);
  p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
}

void Tick(QPainter& p) {
  p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  QPainterPath path;
  path.moveTo(4.5, 8.5);
  path.lineTo(7, 11);
  path.lineTo(11.5, 5);
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
}

void Cross(QPainter& p, const QColor& color, qreal inset, qreal width) {
  p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(inset, inset), QPointF(Size - inset, Size - inset));
  p.drawLine(QPointF(Size - inset, inset), QPointF(inset, Size - inset));
}

QIcon Floppy() {
  return Draw([](QPainter& p) {
    p.setPen(QPen(QColor(30, 50, 110), 1));
    p.setBrush(QColor(60, 90, 170));
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(QRectF(3.5, 9.5, 9, 5));
  });
}

QIcon Computer() {
  return Draw([](QPainter& p) {
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(QColor(210, 210, 210));
    p.drawRect(QRectF(1.5, 1.5, 13, 9));
    p.setBrush(QColor(70, 130, 200));
    p.drawRect(QRectF(3.5, 3.5, 9, 5));
    p.setBrush(QColor(160, 160, 160));
    p.drawRect(QRectF(6.5, 10.5, 3, 2));
    p.drawRect(QRectF(3.5, 12.5, 9, 2));
  });
}

QIcon Folder() {
  return Draw([](QPainter& p) {
    p.setPen(QPen(QColor(150, 110, 0), 1));
    p.setBrush(QColor(240, 200, 60));
    QPainterPath path;
    path.moveTo(1.5, 3.5);
    path.lineTo(6, 3.5);
    path.lineTo(7.5, 5);
    path.lineTo(14.5, 5);
    path.lineTo(14.5, 13.5);
    path.lineTo(1.5, 13.5);
    path.closeSubpath();
    p.drawPath(path);
  });
}

QIcon GreenTick() {
  return Draw([](QPainter& p) {
    Circle(p, QColor(40, 160, 60));
    Tick(p);
  });
}

QIcon RedCircleCross() {
  return Draw([](QPainter& p) {
    Circle(p, QColor(200, 40, 40));
    Cross(p, Qt::white, 5, 2);
  });
}

QIcon RedCross() {
  return Draw([](QPainter& p) { Cross(p, QColor(200, 30, 30), 3, 3); });
}

QIcon Page() {
  return Draw([](QPainter& p) {
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    QPainterPath path;
    path.moveTo(3.5, 1.5);
    path.lineTo(10, 1.5);
    path.lineTo(12.5, 4);
    path.lineTo(12.5, 14.5);
    path.lineTo(3.5, 14.5);
    path.closeSubpath();
    p.drawPath(path);
    p.setPen(QPen(QColor(70, 130, 200), 1));
    for (qreal y : {6.5, 9.0, 11.5}) p.drawLine(QPointF(5.5, y), QPointF(10.5, y));
  });
}

const QIcon& Pick(const std::vector<QIcon>& icons, int index) {
  static const QIcon none;
  return index >= 0 && index < static_cast<int>(icons.size()) ? icons[static_cast<std::size_t>(index)] : none;
}

}  // namespace

const QIcon& ResultIcon(int index) {
  // Built on first use: pictures need the application object.
  static const std::vector<QIcon> icons = [] {
    std::vector<QIcon> v(6);
    v[ImageSave] = Floppy();
    v[ImageClear] = RedCross();
    v[ImageHost] = Computer();
    v[ImageTick] = GreenTick();
    v[ImageHostFailed] = RedCircleCross();
    v[ImageFolder] = Folder();
    return v;
  }();
  return Pick(icons, index);
}

const QIcon& ReplyIcon(int index) {
  static const std::vector<QIcon> icons = [] {
    std::vector<QIcon> v(2);
    v[ImageReplyReceived] = GreenTick();
    v[ImageReplyMissing] = RedCircleCross();
    return v;
  }();
  return Pick(icons, index);
}

const QIcon& PageIcon(int index) {
  static const std::vector<QIcon> icons{Page()};
  return Pick(icons, index);
}
