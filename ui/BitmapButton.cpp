#include "ui/BitmapButton.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>

#include "resources/Resources.h"
#include "ui/Bitmaps.h"
#include "ui/FocusFrame.h"

namespace orbek {

BitmapButton::BitmapButton(QWidget* parent) : QAbstractButton(parent) {
  setFocusPolicy(Qt::StrongFocus);
}

namespace {

// What each face says the button does, for a screen reader.
QString ActionOf(int faceId) {
  switch (faceId) {
    case bitmap::kConnect:
      return QCoreApplication::translate("BitmapButton", "Connect");
    case bitmap::kDisconnect:
      return QCoreApplication::translate("BitmapButton", "Disconnect");
    case bitmap::kReceive:
      return QCoreApplication::translate("BitmapButton", "Receive");
    case bitmap::kSaveExcel:
      return QCoreApplication::translate("BitmapButton", "Save as Excel");
    case bitmap::kSeach:
      return QCoreApplication::translate("BitmapButton", "Search for ports");
    case bitmap::kGraph:
      return QCoreApplication::translate("BitmapButton", "Graph");
    case bitmap::kBack:
      return QCoreApplication::translate("BitmapButton", "Back to the table");
    default:
      return {};
  }
}

}  // namespace

bool BitmapButton::LoadBitmaps(int normalId, int pressedId) {
  if (const QString action = ActionOf(normalId); !action.isEmpty()) setAccessibleName(action);
  normal_ = LoadBitmap(normalId);
  pressed_ = pressedId != 0 ? LoadBitmap(pressedId) : QPixmap();
  normalId_ = normalId;
  pressedId_ = pressedId;
  update();
  return !normal_.isNull() && (pressedId == 0 || !pressed_.isNull());
}

// Sizes are in the window's own pixels: on a screen that scales, the face
// has more pixels than that, and is drawn with all of them.
void BitmapButton::SizeToContent() {
  if (!normal_.isNull()) resize(normal_.deviceIndependentSize().toSize());
}

const QPixmap& BitmapButton::CurrentFace() const {
  return isDown() && !pressed_.isNull() ? pressed_ : normal_;
}

QSize BitmapButton::sizeHint() const {
  return normal_.isNull() ? QSize(193, 39) : normal_.deviceIndependentSize().toSize();
}

// The frame shows where the keyboard has the focus (the window marks that
// from the start), drawn to stand out from the face in any palette.
void BitmapButton::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.drawPixmap(rect(), CurrentFace());
  if (!hasFocus() || !window()->testAttribute(Qt::WA_KeyboardFocusChange)) return;
  // On the face's own colour where the frame runs.
  const QImage face = CurrentFace().toImage();
  const QColor under = face.isNull() ? palette().color(QPalette::Button)
                                     : face.pixelColor(face.width() / 2, 4);
  DrawFocusFrame(painter, rect().adjusted(3, 3, -3, -3), palette(), under);
}

void BitmapButton::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    click();
    return;
  }
  QAbstractButton::keyPressEvent(event);
}

}  // namespace orbek
