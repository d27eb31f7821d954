#pragma once

#include <QIcon>
#include <QLocale>
#include <QPixmap>
#include <functional>

namespace orbek {

// Bitmap `id` of the window ("139" is the Connect face); null if there is
// none. Its size in the window's pixels is the bitmap's times the growth set.
QPixmap LoadBitmap(int id);
// The window's form grown this much for a larger font (1: as drawn).
void SetBitmapGrowth(qreal growth);
// A job that makes every bitmap of the window in the look it has now (the
// screen's scale, the growth, the palette, the language), for a thread of
// its own while the form is built: LoadBitmap waits for one being made and
// takes it while the look stays; one in another look it makes afresh.
std::function<void()> PrepareBitmaps();

// The application icon in all its sizes, 16 to 256 pixels.
QIcon ApplicationIcon();

// Shows the window's texts in `locale`'s language (Qt's own, for its
// standard buttons, too), in place of the language set before; English, the
// sources' own, needs none. Returns whether Orbek has that language.
bool UseLanguage(const QLocale& locale);
// The language the window's texts are in now (English until one is
// loaded), for numbers written the way it writes them.
QLocale LanguageInUse();

}  // namespace orbek
