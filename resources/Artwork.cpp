#include "resources/Artwork.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <map>

namespace orbek {

namespace {

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
int FittingPixels(const QString& text, int pixels, bool bold, qreal width) {
  while (pixels > 6 && QFontMetricsF(FontOfPixels(pixels, bold)).horizontalAdvance(text) > width)
    --pixels;
  return pixels;
}

// Everything is drawn in the 1x coordinates; the image has `scale` pixels
// for each.
QImage Canvas(int width, int height, int scale, const QColor& fill) {
  QImage image(width * scale, height * scale, QImage::Format_RGB888);
  image.setDevicePixelRatio(scale);
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

// Where a face's label goes: beside the icon, or across the face.
QRectF FaceTextArea(bool icon, qreal shift) {
  QRectF area(8 + shift, shift, 177, 39);
  if (icon) area.setLeft(52 + shift);
  return area;
}
constexpr int kFacePixels = 17, kLegendPixels = 13, kLegendWidth = 92, kSubtitlePixels = 11,
              kSubtitleWidth = 137;

// A 193 x 39 button face: an optional icon at the left, then the label.
QImage ButtonFace(const QString& label, int pixels, const Icon& icon, bool pressed,
                  const ArtworkColours& c, int scale) {
  QImage image = Canvas(193, 39, scale, pressed ? c.pressedFace : c.face);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF frame(0.5, 0.5, 192, 38);
  p.setPen(pressed ? c.shadow.darker(125) : c.light);
  p.drawLine(frame.topLeft(), frame.topRight());
  p.drawLine(frame.topLeft(), frame.bottomLeft());
  p.setPen(pressed ? c.light : c.shadow);
  p.drawLine(frame.bottomLeft(), frame.bottomRight());
  p.drawLine(frame.topRight(), frame.bottomRight());
  const qreal shift = pressed ? 1 : 0;
  const QRectF textArea = FaceTextArea(static_cast<bool>(icon), shift);
  if (icon) icon(p, QRectF(12 + shift, 4 + shift, 32, 31));
  p.setPen(c.text);
  p.setFont(FontOfPixels(pixels, true));
  p.drawText(textArea, (icon ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignVCenter, label);
  return image;
}

QImage TextBitmap(const QString& text, int pixels, int width, int height, bool bold,
                  const ArtworkColours& c, int scale) {
  QImage image = Canvas(width, height, scale, c.face);
  QPainter p(&image);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.setPen(c.text);
  p.setFont(FontOfPixels(pixels, bold));
  p.drawText(QRectF(0, 0, width, height), Qt::AlignLeft | Qt::AlignVCenter, text);
  return image;
}

QImage LegendBitmap(const QString& text, int pixels, const QColor& colour, const ArtworkColours& c,
                    int scale) {
  QImage image = Canvas(111, 17, scale, c.face);
  QPainter p(&image);
  p.setPen(QColor(60, 60, 60));
  p.setBrush(colour);
  p.drawRect(2, 3, 11, 11);
  p.setPen(c.text);
  p.setFont(FontOfPixels(pixels, false));
  p.drawText(QRectF(18, 0, 93, 17), Qt::AlignLeft | Qt::AlignVCenter, text);
  return image;
}

QImage Logo(const ArtworkColours& c, int scale, const QString& subtitle, int pixels) {
  QImage image = Canvas(187, 40, scale, c.face);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  DrawMonitor(p, QRectF(2, 2, 40, 36));
  p.setPen(c.brand);
  p.setFont(FontOfPixels(22, true));
  p.drawText(QRectF(48, 0, 139, 25), Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("Orbek"));
  p.setPen(c.text);
  p.setFont(FontOfPixels(pixels, false));
  p.drawText(QRectF(49, 25, 138, 14), Qt::AlignLeft | Qt::AlignVCenter, subtitle);
  return image;
}

enum class Kind { Face, PressedFace, Text, BoldText, Legend, Logo };

struct Bitmap {
  Kind kind;
  const char* text;  // English; lupdate finds each in the "Artwork" context
  Icon icon;
  int width = 0, height = 0;  // of a text
};

const std::map<int, Bitmap>& Bitmaps() {
  static const std::map<int, Bitmap> bitmaps = {
      {136, {Kind::Text, QT_TRANSLATE_NOOP("Artwork", "Baud Rate:"), nullptr, 69, 15}},
      {137, {Kind::Logo, QT_TRANSLATE_NOOP("Artwork", "Water Quality Meter"), nullptr}},
      {138, {Kind::PressedFace, QT_TRANSLATE_NOOP("Artwork", "Connect"), DrawMonitor}},
      {139, {Kind::Face, QT_TRANSLATE_NOOP("Artwork", "Connect"), DrawMonitor}},
      {140, {Kind::Text, QT_TRANSLATE_NOOP("Artwork", "Communication Port:"), nullptr, 122, 21}},
      {141, {Kind::BoldText, QT_TRANSLATE_NOOP("Artwork", "Port Settings:"), nullptr, 81, 19}},
      {142, {Kind::PressedFace, QT_TRANSLATE_NOOP("Artwork", "Receive"), DrawDownArrow}},
      {143, {Kind::Face, QT_TRANSLATE_NOOP("Artwork", "Receive"), DrawDownArrow}},
      {144, {Kind::PressedFace, QT_TRANSLATE_NOOP("Artwork", "Save as Excel"), DrawSpreadsheet}},
      {145, {Kind::Face, QT_TRANSLATE_NOOP("Artwork", "Save as Excel"), DrawSpreadsheet}},
      {146, {Kind::PressedFace, QT_TRANSLATE_NOOP("Artwork", "Seach"), nullptr}},
      {147, {Kind::Face, QT_TRANSLATE_NOOP("Artwork", "Seach"), nullptr}},
      {148, {Kind::Text, QT_TRANSLATE_NOOP("Artwork", "Software version 3.0"), nullptr, 100, 12}},
      {149, {Kind::PressedFace, QT_TRANSLATE_NOOP("Artwork", "Disconnect"), DrawCross}},
      {150, {Kind::Face, QT_TRANSLATE_NOOP("Artwork", "Disconnect"), DrawCross}},
      {153, {Kind::Text, QT_TRANSLATE_NOOP("Artwork", "Interval Recording:"), nullptr, 108, 17}},
      {159, {Kind::PressedFace, QT_TRANSLATE_NOOP("Artwork", "Graph"), DrawChart}},
      {160, {Kind::Face, QT_TRANSLATE_NOOP("Artwork", "Graph"), nullptr}},
      {161, {Kind::Face, QT_TRANSLATE_NOOP("Artwork", "Back"), nullptr}},
      {165, {Kind::Legend, QT_TRANSLATE_NOOP("Artwork", "Measured Value"), nullptr}},
      {166, {Kind::Legend, QT_TRANSLATE_NOOP("Artwork", "Temperature"), nullptr}},
  };
  return bitmaps;
}

}  // namespace

ArtworkColours StockColours() {
  return {QColor(240, 240, 240), QColor(206, 206, 206), QColor(32, 32, 32), Qt::white,
          QColor(150, 150, 150), QColor(20, 70, 140)};
}

bool IsDark(const QPalette& palette) {
  return palette.color(QPalette::Window).lightness() <
         palette.color(QPalette::WindowText).lightness();
}

ArtworkColours ColoursOf(const QPalette& palette) {
  if (!IsDark(palette)) return StockColours();
  const QColor face = palette.color(QPalette::Window);
  return {face,
          face.lighter(130),
          palette.color(QPalette::WindowText),
          face.lighter(180),
          face.darker(160),
          QColor(110, 170, 240)};
}

const char* BitmapText(int id) {
  const auto bitmap = Bitmaps().find(id);
  return bitmap == Bitmaps().end() ? nullptr : bitmap->second.text;
}

const std::vector<int>& BitmapIds() {
  static const std::vector<int> ids = [] {
    std::vector<int> all;
    for (const auto& [id, bitmap] : Bitmaps())
      all.push_back(id);
    return all;
  }();
  return ids;
}

QImage DrawBitmap(int id, const ArtworkColours& colours, int scale,
                  const ArtworkTranslate& translate) {
  const auto found = Bitmaps().find(id);
  if (found == Bitmaps().end()) return {};
  const Bitmap& b = found->second;
  const QString text = translate(b.text);
  const int pixels = FittedTextPixels(id, text);
  switch (b.kind) {
    case Kind::Face:
    case Kind::PressedFace:
      return ButtonFace(text, pixels, b.icon, b.kind == Kind::PressedFace, colours, scale);
    case Kind::Text:
    case Kind::BoldText:
      return TextBitmap(text, pixels, b.width, b.height, b.kind == Kind::BoldText, colours, scale);
    case Kind::Legend: {
      // Both legends' texts are drawn at one size: the largest at which both fit.
      const int other = id == 165 ? 166 : 165;
      return LegendBitmap(text,
                          std::min(pixels, FittedTextPixels(other, translate(BitmapText(other)))),
                          id == 165 ? kValueGreen : kTemperatureRed, colours, scale);
    }
    case Kind::Logo:
      return Logo(colours, scale, text, pixels);
  }
  return {};
}

// A translated text is drawn no larger than the English one, so that the
// pictures keep their look whatever the language.
int FittedTextPixels(int id, const QString& text) {
  const auto found = Bitmaps().find(id);
  if (found == Bitmaps().end()) return 0;
  const Bitmap& b = found->second;
  const auto fit = [&b](const QString& words) {
    switch (b.kind) {
      case Kind::Face:
      case Kind::PressedFace:
        return FittingPixels(words, kFacePixels, true,
                             FaceTextArea(static_cast<bool>(b.icon), 0).width());
      case Kind::Text:
      case Kind::BoldText:
        return FittingPixels(words, b.height - 3, b.kind == Kind::BoldText, b.width - 1);
      case Kind::Legend:
        return FittingPixels(words, kLegendPixels, false, kLegendWidth);
      case Kind::Logo:
        return FittingPixels(words, kSubtitlePixels, false, kSubtitleWidth);
    }
    return 0;
  };
  return std::min(fit(text), fit(QString::fromUtf8(b.text)));
}

QImage DrawAppIcon(int size) {
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

}  // namespace orbek
