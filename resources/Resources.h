#pragma once

#include <QIcon>
#include <QPixmap>

namespace orbek {

// Bitmap `id` of the window ("139" is the Connect face); null if there is none.
QPixmap LoadBitmap(int id);

// The application icon in all its sizes, 16 to 256 pixels.
QIcon ApplicationIcon();

}  // namespace orbek
