#include "resources/Resources.h"

#include <QString>

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

QPixmap LoadBitmap(int id) {
  EnsureResources();
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
