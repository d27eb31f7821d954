// orbek-gen-artwork: draws the window's bitmaps and the application icon.
//
//   orbek-gen-artwork RESOURCES_DIR
//
// writes RESOURCES_DIR/bitmaps/<id>.png, drawn again at twice and three
// times the pixels as <id>@2x.png and <id>@3x.png for screens that scale
// (Qt picks the one that fits), and RESOURCES_DIR/icons/orbek-<n>.png. The
// results are committed; run it again after changing the artwork. They are
// the English bitmaps in the light dialog face; a window in another
// language or a dark palette draws its own from the same code.
#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "resources/Artwork.h"

namespace {

bool Save(const QImage& image, const QString& path) {
  if (image.save(path)) return true;
  std::fprintf(stderr, "orbek-gen-artwork: cannot write %s\n", qPrintable(path));
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: orbek-gen-artwork RESOURCES_DIR\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  out.mkpath(QStringLiteral("bitmaps"));
  out.mkpath(QStringLiteral("icons"));
  const auto english = [](const char* text) { return QString::fromUtf8(text); };
  bool ok = true;
  for (int scale = 1; scale <= 3; ++scale) {
    const QString suffix = scale == 1 ? QString() : QStringLiteral("@%1x").arg(scale);
    for (const int id : orbek::BitmapIds())
      ok = Save(orbek::DrawBitmap(id, orbek::StockColours(), scale, english),
                out.filePath(QStringLiteral("bitmaps/%1%2.png").arg(id).arg(suffix))) &&
           ok;
  }
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
    ok = Save(orbek::DrawAppIcon(size),
              out.filePath(QStringLiteral("icons/orbek-%1.png").arg(size))) &&
         ok;
  return ok ? 0 : 1;
}
