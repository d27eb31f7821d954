// A window's image made before it is shown is the one its first paint
// draws into, and the window looks as it would have without it.
#include <gtest/gtest.h>

#include <QBackingStore>
#include <QImage>
#include <QTest>
#include <QWidget>

#include "tests/support/EventLoop.h"
#include "ui/WindowImage.h"

namespace orbek {
namespace {

const QImage* ImageOf(const QWidget& window) {
  QPaintDevice* device = window.backingStore() ? window.backingStore()->paintDevice() : nullptr;
  return device && device->devType() == QInternal::Image ? static_cast<QImage*>(device) : nullptr;
}

TEST(WindowImageTest, TheFirstPaintDrawsIntoTheImageMadeAhead) {
  QWidget window;
  window.resize(640, 480);
  QPalette palette = window.palette();
  palette.setColor(QPalette::Window, QColor(0x20, 0x80, 0xC0));
  window.setPalette(palette);
  PrepareWindowImage(window).wait();
  const QImage* made = ImageOf(window);
  ASSERT_NE(made, nullptr);
  const uchar* pixels = made->constBits();
  ASSERT_EQ(made->size(), window.size());

  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  test::Pump(20);
  const QImage* drawn = ImageOf(window);
  ASSERT_NE(drawn, nullptr);
  EXPECT_EQ(drawn->constBits(), pixels);
  for (const QPoint at : {QPoint(0, 0), QPoint(320, 240), QPoint(639, 479)})
    EXPECT_EQ(drawn->pixelColor(at), QColor(0x20, 0x80, 0xC0)) << at.x();

  // Once shown, the window keeps the image it has.
  PrepareWindowImage(window).wait();
  EXPECT_EQ(ImageOf(window)->constBits(), pixels);
}

}  // namespace
}  // namespace orbek
