#pragma once

#include <QAbstractButton>
#include <QPixmap>

namespace orbek {

// A push button that paints a bitmap over its whole face instead of its
// text: the pressed bitmap while held down, where one is loaded, otherwise
// the normal one. Disabled shows the normal bitmap; focus reached from the
// keyboard draws a focus frame over it. Enter and Space press it. Its
// accessible name is what the face says it does.
class BitmapButton : public QAbstractButton {
  Q_OBJECT

 public:
  explicit BitmapButton(QWidget* parent = nullptr);

  // Replaces the faces with bitmaps by id; 0 loads no pressed face.
  // Returns false if a bitmap does not exist.
  bool LoadBitmaps(int normalId, int pressedId = 0);
  // Resizes the button to its normal bitmap.
  void SizeToContent();

  int NormalBitmapId() const { return normalId_; }
  int PressedBitmapId() const { return pressedId_; }
  // The face painted now.
  const QPixmap& CurrentFace() const;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QPixmap normal_, pressed_;
  int normalId_ = 0, pressedId_ = 0;
};

}  // namespace orbek
