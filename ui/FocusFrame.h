#pragma once

#include <QColor>
#include <QPalette>
#include <QRect>

class QPainter;

namespace orbek {

// The keyboard focus, drawn as a 2-pixel frame in a colour that stands out
// at least 3:1 from what surrounds it (WCAG 1.4.11), light palette or dark:
// the palette's highlight where it does, else black or white.
// `background` is the colour the frame is drawn on.
void DrawFocusFrame(QPainter& painter, const QRect& rect, const QPalette& palette,
                    const QColor& background);

// The WCAG contrast ratio of two colours, 1 to 21.
double ContrastRatio(const QColor& one, const QColor& other);

}  // namespace orbek
