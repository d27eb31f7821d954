#include "ui/BitmapButton.h"

#include <QPainter>

#include "resources/Resources.h"

namespace orbek {

BitmapButton::BitmapButton(QWidget* parent) : QAbstractButton(parent) {
  setFocusPolicy(Qt::StrongFocus);
}

bool BitmapButton::LoadBitmaps(int normalId, int pressedId) {
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

void BitmapButton::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.drawPixmap(rect(), CurrentFace());
}

}  // namespace orbek
