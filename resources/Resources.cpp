#include "resources/Resources.h"

#include "resources/Artwork.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QIconEngine>
#include <QImageReader>
#include <QLibraryInfo>
#include <QPainter>
#include <QString>
#include <QTranslator>
#include <algorithm>
#include <cmath>
#include <map>

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

namespace {

// A picture of ours, read as the PNG it is: left to find the format,
// Qt's reader would load every image plugin (JPEG's library with them)
// to ask each whether it knows the bytes, a tenth of the window's start-up.
QPixmap Png(const QString& resource) {
  QImageReader reader(resource, "png");
  reader.setAutoDetectImageFormat(false);
  return QPixmap::fromImage(reader.read());
}

qreal& BitmapGrowth() {
  static qreal growth = 1.0;
  return growth;
}

}  // namespace

void SetBitmapGrowth(qreal growth) {
  BitmapGrowth() = std::max<qreal>(1.0, growth);
}

// The bitmaps come drawn at 1x, 2x and 3x (<id>@2x.png, <id>@3x.png); the
// one for the screen's scale (and the form's growth) is taken, so that a
// scaled window draws its faces from enough pixels rather than stretching
// the 1x ones. They are English on the light dialog face: a bitmap whose
// text the window's language translates, or any under a dark palette, is
// drawn afresh in the same look.
QPixmap LoadBitmap(int id) {
  EnsureResources();
  const qreal growth = BitmapGrowth();
  const qreal screenRatio = qGuiApp != nullptr ? qGuiApp->devicePixelRatio() : 1.0;
  const int pixels = std::clamp(static_cast<int>(std::ceil(screenRatio * growth)), 1, 3);
  const char* text = BitmapText(id);
  const auto translate = [](const char* english) {
    return QCoreApplication::translate("Artwork", english);
  };
  const bool dark = qGuiApp != nullptr && IsDark(qGuiApp->palette());
  if (text != nullptr && (dark || translate(text) != QString::fromUtf8(text))) {
    QPixmap drawn = QPixmap::fromImage(DrawBitmap(
        id, qGuiApp != nullptr ? ColoursOf(qGuiApp->palette()) : StockColours(), pixels,
        translate));
    drawn.setDevicePixelRatio(pixels / growth);
    return drawn;
  }
  for (int ratio = pixels; ratio > 1; --ratio) {
    QPixmap scaled = Png(QStringLiteral(":/bitmaps/%1@%2x.png").arg(id).arg(ratio));
    if (scaled.isNull()) continue;
    scaled.setDevicePixelRatio(ratio / growth);
    return scaled;
  }
  QPixmap plain = Png(QStringLiteral(":/bitmaps/%1.png").arg(id));
  plain.setDevicePixelRatio(1.0 / growth);
  return plain;
}

namespace {

QLocale& InUse() {
  static QLocale inUse(QLocale::English);
  return inUse;
}

}  // namespace

QLocale LanguageInUse() {
  return InUse();
}

bool UseLanguage(const QLocale& locale) {
  EnsureResources();
  static QTranslator own, qt;
  QCoreApplication::removeTranslator(&own);
  QCoreApplication::removeTranslator(&qt);
  const bool found =
      own.load(locale, QStringLiteral("orbek"), QStringLiteral("_"), QStringLiteral(":/i18n"));
  InUse() = found ? locale : QLocale(QLocale::English);
  if (!found) return false;
  QCoreApplication::installTranslator(&own);
  // Orbek's Portuguese is Brazil's, the only one Qt's own dialogs have.
  const QLocale qtLocale = locale.language() == QLocale::Portuguese
                               ? QLocale(QLocale::Portuguese, QLocale::Brazil)
                               : locale;
  if (qt.load(qtLocale, QStringLiteral("qtbase"), QStringLiteral("_"),
              QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(&qt);
  return true;
}

namespace {

// An icon drawn at several sizes, each decoded when it is first asked for:
// QIcon::addFile decodes every file at once, and decoding the eight sizes
// (the 256-pixel one above all) costs a twelfth of the window's start-up,
// where a desktop asks for one or two (an X11 window manager is given them
// all, and still is).
class SizedFilesIconEngine : public QIconEngine {
 public:
  explicit SizedFilesIconEngine(std::map<int, QString> files) : files_(std::move(files)) {}

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    const int wanted = std::max(size.width(), size.height());
    auto file = files_.lower_bound(wanted);  // the smallest that is large enough
    if (file == files_.end()) file = std::prev(files_.end());
    QPixmap& decoded = decoded_[file->first];
    if (decoded.isNull()) decoded = Png(file->second);
    // A plain icon of the one picture makes a disabled or selected look
    // the way the style makes it for any icon.
    return QIcon(decoded).pixmap(size, mode, state);
  }
  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    const qreal scale = painter->device()->devicePixelRatio();
    QPixmap drawn = pixmap(rect.size() * scale, mode, state);
    drawn.setDevicePixelRatio(scale);
    painter->drawPixmap(rect, drawn);
  }
  QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
    QList<QSize> sizes;
    for (const auto& [side, file] : files_)
      sizes << QSize(side, side);
    return sizes;
  }
  QIconEngine* clone() const override { return new SizedFilesIconEngine(*this); }

 private:
  std::map<int, QString> files_;
  std::map<int, QPixmap> decoded_;
};

}  // namespace

QIcon ApplicationIcon() {
  EnsureResources();
  std::map<int, QString> files;
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
    files[size] = QStringLiteral(":/icons/orbek-%1.png").arg(size);
  return QIcon(new SizedFilesIconEngine(std::move(files)));
}

}  // namespace orbek
