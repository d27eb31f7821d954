#include "ui/FocusFrame.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace orbek {

namespace {

constexpr double kLeastContrast = 3.0;

double Luminance(const QColor& colour) {
  const auto channel = [](double c) {
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
         0.0722 * channel(colour.blueF());
}

}  // namespace

double ContrastRatio(const QColor& one, const QColor& other) {
  const double a = Luminance(one), b = Luminance(other);
  return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

void DrawFocusFrame(QPainter& painter, const QRect& rect, const QPalette& palette,
                    const QColor& background) {
  QColor colour = palette.color(QPalette::Highlight);
  if (ContrastRatio(colour, background) < kLeastContrast)
    colour = Luminance(background) > 0.18 ? QColor(Qt::black) : QColor(Qt::white);
  painter.save();
  painter.setPen(QPen(colour, 2));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(QRectF(rect).adjusted(1, 1, -1, -1));
  painter.restore();
}

}  // namespace orbek
