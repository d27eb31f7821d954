#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPalette>
#include <functional>
#include <vector>

namespace orbek {

// The colours the window's bitmaps are drawn in.
struct ArtworkColours {
  QColor face;         // a label's background, a button's face
  QColor pressedFace;  // a button held down
  QColor text;
  QColor light, shadow;  // a button's raised edge
  QColor brand;          // the product's name in the logo
};
// Those of the committed bitmaps: the light dialog face of the window.
ArtworkColours StockColours();
// Those of a palette: a dark one gets dark faces and light texts.
ArtworkColours ColoursOf(const QPalette& palette);
// Whether a palette is dark: its window darker than its text.
bool IsDark(const QPalette& palette);

// The texts of the bitmaps go through this (for a language of its own).
using ArtworkTranslate = std::function<QString(const char* english)>;
// The text a bitmap shows, untranslated; null for the logo's own words.
const char* BitmapText(int id);
// Every bitmap the window uses.
const std::vector<int>& BitmapIds();

// Bitmap `id` drawn at `scale` times its pixels in `colours`, its text
// through `translate`: what the committed bitmaps are made from, and what a
// window in another language or a dark palette shows.
QImage DrawBitmap(int id, const ArtworkColours& colours, int scale,
                  const ArtworkTranslate& translate);

// The pixel size bitmap `id` draws `text` at: the largest, up to its own,
// at which it fits.
int FittedTextPixels(int id, const QString& text);

// The application icon at `size` pixels: a blue drop on a rounded tile.
QImage DrawAppIcon(int size);

}  // namespace orbek
