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
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>

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
QImage PngImage(const QString& resource) {
  QImageReader reader(resource, "png");
  reader.setAutoDetectImageFormat(false);
  return reader.read();
}

QPixmap Png(const QString& resource) {
  return QPixmap::fromImage(PngImage(resource));
}

qreal& BitmapGrowth() {
  static qreal growth = 1.0;
  return growth;
}

// What a bitmap looks like besides its id; read on the GUI thread, so that
// the bitmap can be made on any.
struct BitmapLook {
  qreal growth = 1.0;
  int pixels = 1;  // drawn at 1x, 2x or 3x
  std::optional<QPalette> palette;
  QLocale language;

  bool operator==(const BitmapLook&) const = default;
};

BitmapLook CurrentLook() {
  BitmapLook look;
  look.growth = BitmapGrowth();
  const qreal screenRatio = qGuiApp != nullptr ? qGuiApp->devicePixelRatio() : 1.0;
  look.pixels = std::clamp(static_cast<int>(std::ceil(screenRatio * look.growth)), 1, 3);
  if (qGuiApp != nullptr) look.palette = qGuiApp->palette();
  look.language = LanguageInUse();
  return look;
}

struct MadeBitmap {
  QImage image;
  qreal ratio = 1.0;  // its device pixel ratio
};

// The bitmaps come drawn at 1x, 2x and 3x (<id>@2x.png, <id>@3x.png); the
// one for the screen's scale (and the form's growth) is taken, so that a
// scaled window draws its faces from enough pixels rather than stretching
// the 1x ones. They are English on the light dialog face: a bitmap whose
// text the window's language translates, or any under a dark palette, is
// drawn afresh in the same look.
MadeBitmap MakeBitmap(int id, const BitmapLook& look) {
  const char* text = BitmapText(id);
  const auto translate = [](const char* english) {
    return QCoreApplication::translate("Artwork", english);
  };
  const bool dark = look.palette && IsDark(*look.palette);
  if (text != nullptr && (dark || translate(text) != QString::fromUtf8(text))) {
    const ArtworkColours colours = look.palette ? ColoursOf(*look.palette) : StockColours();
    return {DrawBitmap(id, colours, look.pixels, translate), look.pixels / look.growth};
  }
  for (int ratio = look.pixels; ratio > 1; --ratio) {
    QImage scaled = PngImage(QStringLiteral(":/bitmaps/%1@%2x.png").arg(id).arg(ratio));
    if (!scaled.isNull()) return {std::move(scaled), ratio / look.growth};
  }
  return {PngImage(QStringLiteral(":/bitmaps/%1.png").arg(id)), 1.0 / look.growth};
}

// The bitmaps made ahead, in one look, by PrepareBitmaps' job.
class PreparedBitmaps {
 public:
  void Begin(const BitmapLook& look) {
    const std::lock_guard lock(mutex_);
    look_ = look;
    made_.clear();
    making_ = true;
  }
  void Put(int id, MadeBitmap made) {
    const std::lock_guard lock(mutex_);
    made_[id] = std::move(made);
    ready_.notify_all();
  }
  void End() {
    const std::lock_guard lock(mutex_);
    making_ = false;
    ready_.notify_all();
  }
  // Bitmap `id` if it is, or is being, made in `look`.
  std::optional<MadeBitmap> Find(int id, const BitmapLook& look) {
    std::unique_lock lock(mutex_);
    if (look_ != look) return std::nullopt;
    ready_.wait(lock, [&] { return made_.count(id) > 0 || !making_; });
    const auto made = made_.find(id);
    if (made == made_.end()) return std::nullopt;
    return made->second;
  }

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::optional<BitmapLook> look_;
  std::map<int, MadeBitmap> made_;
  bool making_ = false;
};

PreparedBitmaps& Prepared() {
  static PreparedBitmaps prepared;
  return prepared;
}

}  // namespace

void SetBitmapGrowth(qreal growth) {
  BitmapGrowth() = std::max<qreal>(1.0, growth);
}

QPixmap LoadBitmap(int id) {
  EnsureResources();
  const BitmapLook look = CurrentLook();
  std::optional<MadeBitmap> made = Prepared().Find(id, look);
  if (!made) made = MakeBitmap(id, look);
  QPixmap bitmap = QPixmap::fromImage(made->image);
  bitmap.setDevicePixelRatio(made->ratio);
  return bitmap;
}

std::function<void()> PrepareBitmaps() {
  EnsureResources();
  const BitmapLook look = CurrentLook();
  return [look] {
    Prepared().Begin(look);
    try {
      for (const int id : BitmapIds())
        Prepared().Put(id, MakeBitmap(id, look));
    } catch (...) {
      // Nothing waits for this thread's errors: LoadBitmap makes the rest
      // itself, and meets the same error where it can be reported.
    }
    Prepared().End();
  };
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
