// orbek-gen-artwork: draws the window's bitmaps and the application icon.
//
//   orbek-gen-artwork RESOURCES_DIR
//
// writes RESOURCES_DIR/bitmaps/<id>.png, drawn again at twice and three
// times the pixels as <id>@2x.png and <id>@3x.png for screens that scale
// (Qt picks the one that fits), and RESOURCES_DIR/icons/orbek-<n>.png. The
// results are committed; run it again after changing the artwork.
#include <QDir>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <functional>

namespace {

const QColor kFace(240, 240, 240);
const QColor kPressedFace(206, 206, 206);
const QColor kText(32, 32, 32);
const QColor kValueGreen(100, 250, 0);  // the value series colour 0x00FA64
const QColor kTemperatureRed(255, 0, 0);

using Icon = std::function<void(QPainter&, QRectF)>;

QFont FontOfPixels(int pixels, bool bold) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(pixels);
  font.setBold(bold);
  font.setHintingPreference(QFont::PreferFullHinting);
  return font;
}

// The largest font up to `pixels` at which `text` fits `width`.
QFont FittingFont(const QString& text, int pixels, bool bold, qreal width) {
  QFont font = FontOfPixels(pixels, bold);
  while (pixels > 6 && QFontMetricsF(font).horizontalAdvance(text) > width)
    font = FontOfPixels(--pixels, bold);
  return font;
}

// The scale the bitmaps are drawn at: everything is drawn in the 1x
// coordinates, and the image has this many pixels for each.
int gScale = 1;

QImage Canvas(int width, int height, const QColor& fill = kFace) {
  QImage image(width * gScale, height * gScale, QImage::Format_RGB888);
  image.setDevicePixelRatio(gScale);
  image.fill(fill);
  return image;
}

void DrawMonitor(QPainter& p, QRectF box) {
  const QRectF screen(box.left() + box.width() * 0.08, box.top() + box.height() * 0.1,
                      box.width() * 0.84, box.height() * 0.6);
  p.setPen(QPen(QColor(60, 60, 70), 1.5));
  p.setBrush(QColor(70, 80, 95));
  p.drawRoundedRect(screen, 2, 2);
  p.setBrush(QColor(120, 190, 240));
  p.drawRect(screen.adjusted(3, 3, -3, -3));
  p.setBrush(QColor(90, 90, 100));
  const qreal cx = box.center().x();
  p.drawRect(
      QRectF(cx - box.width() * 0.08, screen.bottom(), box.width() * 0.16, box.height() * 0.14));
  p.drawRoundedRect(QRectF(cx - box.width() * 0.3, screen.bottom() + box.height() * 0.14,
                           box.width() * 0.6, box.height() * 0.1),
                    2, 2);
}

void DrawCross(QPainter& p, QRectF box) {
  DrawMonitor(p, box);
  p.setPen(QPen(QColor(215, 30, 30), 4, Qt::SolidLine, Qt::RoundCap));
  const QRectF c = box.adjusted(box.width() * 0.25, box.height() * 0.15, -box.width() * 0.25,
                                -box.height() * 0.35);
  p.drawLine(c.topLeft(), c.bottomRight());
  p.drawLine(c.topRight(), c.bottomLeft());
}

void DrawDownArrow(QPainter& p, QRectF box) {
  const qreal x = box.center().x(), w = box.width();
  QPainterPath arrow;
  arrow.moveTo(x - w * 0.16, box.top() + 2);
  arrow.lineTo(x + w * 0.16, box.top() + 2);
  arrow.lineTo(x + w * 0.16, box.top() + box.height() * 0.5);
  arrow.lineTo(x + w * 0.38, box.top() + box.height() * 0.5);
  arrow.lineTo(x, box.bottom() - 2);
  arrow.lineTo(x - w * 0.38, box.top() + box.height() * 0.5);
  arrow.lineTo(x - w * 0.16, box.top() + box.height() * 0.5);
  arrow.closeSubpath();
  p.setPen(QPen(QColor(20, 110, 20), 1.5));
  p.setBrush(QColor(40, 170, 40));
  p.drawPath(arrow);
}

void DrawSpreadsheet(QPainter& p, QRectF box) {
  const QRectF sheet = box.adjusted(3, 3, -3, -3);
  p.setPen(QPen(QColor(30, 100, 50), 1.5));
  p.setBrush(Qt::white);
  p.drawRect(sheet);
  p.setBrush(QColor(30, 130, 70));
  p.drawRect(QRectF(sheet.left(), sheet.top(), sheet.width(), sheet.height() / 4));
  p.setPen(QPen(QColor(30, 100, 50), 1));
  for (int i = 1; i < 4; ++i) {
    const qreal y = sheet.top() + sheet.height() * i / 4;
    p.drawLine(QPointF(sheet.left(), y), QPointF(sheet.right(), y));
    const qreal x = sheet.left() + sheet.width() * i / 4;
    p.drawLine(QPointF(x, sheet.top()), QPointF(x, sheet.bottom()));
  }
}

void DrawChart(QPainter& p, QRectF box) {
  const QRectF area = box.adjusted(4, 4, -4, -4);
  p.setPen(QPen(QColor(60, 60, 60), 1.5));
  p.drawLine(area.bottomLeft(), area.topLeft());
  p.drawLine(area.bottomLeft(), area.bottomRight());
  const QPointF points[] = {
      {area.left() + 2, area.bottom() - 6},
      {area.left() + area.width() * 0.3, area.top() + area.height() * 0.45},
      {area.left() + area.width() * 0.55, area.bottom() - area.height() * 0.3},
      {area.right(), area.top() + 2}};
  p.setPen(QPen(kValueGreen.darker(130), 2));
  p.drawPolyline(points, 4);
}

// A 193 x 39 button face: an optional icon at the left, then the label.
QImage ButtonFace(const QString& label, const Icon& icon, bool pressed) {
  QImage image = Canvas(193, 39, pressed ? kPressedFace : kFace);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF frame(0.5, 0.5, 192, 38);
  p.setPen(pressed ? QColor(120, 120, 120) : Qt::white);
  p.drawLine(frame.topLeft(), frame.topRight());
  p.drawLine(frame.topLeft(), frame.bottomLeft());
  p.setPen(pressed ? Qt::white : QColor(150, 150, 150));
  p.drawLine(frame.bottomLeft(), frame.bottomRight());
  p.drawLine(frame.topRight(), frame.bottomRight());
  const qreal shift = pressed ? 1 : 0;
  QRectF textArea(8 + shift, shift, 177, 39);
  if (icon) {
    icon(p, QRectF(12 + shift, 4 + shift, 32, 31));
    textArea.setLeft(52 + shift);
  }
  p.setPen(kText);
  p.setFont(FittingFont(label, 17, true, textArea.width()));
  p.drawText(textArea, (icon ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignVCenter, label);
  return image;
}

QImage TextBitmap(const QString& text, int width, int height, bool bold) {
  QImage image = Canvas(width, height);
  QPainter p(&image);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.setPen(kText);
  p.setFont(FittingFont(text, height - 3, bold, width - 1));
  p.drawText(QRectF(0, 0, width, height), Qt::AlignLeft | Qt::AlignVCenter, text);
  return image;
}

QImage LegendBitmap(const QString& text, const QColor& colour) {
  QImage image = Canvas(111, 17);
  QPainter p(&image);
  p.setPen(QColor(60, 60, 60));
  p.setBrush(colour);
  p.drawRect(2, 3, 11, 11);
  p.setPen(kText);
  p.setFont(FittingFont(text, 13, false, 92));
  p.drawText(QRectF(18, 0, 93, 17), Qt::AlignLeft | Qt::AlignVCenter, text);
  return image;
}

QImage Logo() {
  QImage image = Canvas(187, 40);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  DrawMonitor(p, QRectF(2, 2, 40, 36));
  p.setPen(QColor(20, 70, 140));
  p.setFont(FontOfPixels(22, true));
  p.drawText(QRectF(48, 0, 139, 25), Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("Orbek"));
  p.setPen(kText);
  const QString subtitle = QStringLiteral("Water Quality Meter");
  p.setFont(FittingFont(subtitle, 11, false, 137));
  p.drawText(QRectF(49, 25, 138, 14), Qt::AlignLeft | Qt::AlignVCenter, subtitle);
  return image;
}

// A blue drop on a rounded tile, drawn afresh at each size.
QImage AppIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = size;
  QLinearGradient tile(0, 0, 0, s);
  tile.setColorAt(0, QColor(40, 120, 200));
  tile.setColorAt(1, QColor(20, 70, 140));
  p.setPen(Qt::NoPen);
  p.setBrush(tile);
  p.drawRoundedRect(QRectF(s * 0.04, s * 0.04, s * 0.92, s * 0.92), s * 0.18, s * 0.18);
  QPainterPath drop;
  drop.moveTo(s * 0.5, s * 0.14);
  drop.cubicTo(s * 0.62, s * 0.36, s * 0.78, s * 0.5, s * 0.78, s * 0.64);
  drop.cubicTo(s * 0.78, s * 0.8, s * 0.65, s * 0.88, s * 0.5, s * 0.88);
  drop.cubicTo(s * 0.35, s * 0.88, s * 0.22, s * 0.8, s * 0.22, s * 0.64);
  drop.cubicTo(s * 0.22, s * 0.5, s * 0.38, s * 0.36, s * 0.5, s * 0.14);
  p.setBrush(QColor(235, 245, 255));
  p.drawPath(drop);
  if (size >= 32) {
    p.setPen(QPen(QColor(20, 90, 170), s * 0.05, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.36, s * 0.7), QPointF(s * 0.46, s * 0.6));
    p.drawLine(QPointF(s * 0.46, s * 0.6), QPointF(s * 0.54, s * 0.68));
    p.drawLine(QPointF(s * 0.54, s * 0.68), QPointF(s * 0.66, s * 0.52));
  }
  return image;
}

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

  struct Face {
    int normal, pressed;
    const char* label;
    Icon icon;
  };
  const Face faces[] = {
      {139, 138, "Connect", DrawMonitor},   {150, 149, "Disconnect", DrawCross},
      {143, 142, "Receive", DrawDownArrow}, {145, 144, "Save as Excel", DrawSpreadsheet},
      {147, 146, "Seach", nullptr},
  };
  bool ok = true;
  for (gScale = 1; gScale <= 3; ++gScale) {
    const QString suffix = gScale == 1 ? QString() : QStringLiteral("@%1x").arg(gScale);
    auto bitmap = [&](int id, const QImage& image) {
      ok = Save(image, out.filePath(QStringLiteral("bitmaps/%1%2.png").arg(id).arg(suffix))) && ok;
    };
    for (const auto& face : faces) {
      bitmap(face.normal, ButtonFace(face.label, face.icon, false));
      bitmap(face.pressed, ButtonFace(face.label, face.icon, true));
    }
    bitmap(160, ButtonFace(QStringLiteral("Graph"), nullptr, false));
    bitmap(159, ButtonFace(QStringLiteral("Graph"), DrawChart, true));
    bitmap(161, ButtonFace(QStringLiteral("Back"), nullptr, false));
    bitmap(136, TextBitmap(QStringLiteral("Baud Rate:"), 69, 15, false));
    bitmap(140, TextBitmap(QStringLiteral("Communication Port:"), 122, 21, false));
    bitmap(141, TextBitmap(QStringLiteral("Port Settings:"), 81, 19, true));
    bitmap(148, TextBitmap(QStringLiteral("Software version 3.0"), 100, 12, false));
    bitmap(153, TextBitmap(QStringLiteral("Interval Recording:"), 108, 17, false));
    bitmap(165, LegendBitmap(QStringLiteral("Measured Value"), kValueGreen));
    bitmap(166, LegendBitmap(QStringLiteral("Temperature"), kTemperatureRed));
    bitmap(137, Logo());
  }
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
    ok = Save(AppIcon(size), out.filePath(QStringLiteral("icons/orbek-%1.png").arg(size))) && ok;
  return ok ? 0 : 1;
}
