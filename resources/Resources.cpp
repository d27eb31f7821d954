#include "resources/Resources.h"

#include <QGuiApplication>
#include <QString>
#include <algorithm>
#include <cmath>

// The resources are compiled into this static library; the program and the
// tests register them on first use.
static void InitResources() {
  Q_INIT_RESOURCE(orbek);
}

namespace orbek {

namespace {

void EnsureResources() {
  static const bool registered = [] {
    InitResources();
    return true;
  }();
  (void)registered;
}

}  // namespace

// The bitmaps come drawn at 1x, 2x and 3x (<id>@2x.png, <id>@3x.png); the
// one for the screen's scale is taken, so that a scaled window draws its
// faces from enough pixels rather than stretching the 1x ones.
QPixmap LoadBitmap(int id) {
  EnsureResources();
  const qreal screenRatio = qGuiApp != nullptr ? qGuiApp->devicePixelRatio() : 1.0;
  for (int ratio = std::clamp(static_cast<int>(std::ceil(screenRatio)), 1, 3); ratio > 1; --ratio) {
    QPixmap scaled(QStringLiteral(":/bitmaps/%1@%2x.png").arg(id).arg(ratio));
    if (scaled.isNull()) continue;
    scaled.setDevicePixelRatio(ratio);
    return scaled;
  }
  return QPixmap(QStringLiteral(":/bitmaps/%1.png").arg(id));
}

QIcon ApplicationIcon() {
  EnsureResources();
  QIcon icon;
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/icons/orbek-%1.png").arg(size), QSize(size, size));
  return icon;
}

}  // namespace orbek
