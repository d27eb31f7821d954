// The image a top-level window is drawn into, made before its first paint.
#pragma once

#include <future>

class QWidget;

namespace orbek {

// Makes the native window and its image at the window's size now, for a
// `window` not yet shown, and has another thread bring the image's pages
// in; the future is ready when it has. Nothing may resize or draw into the
// window until then.
//
// The first paint of a window fills its whole image, and on a virtual
// machine each page of it touched for the first time costs about 10 µs (a
// fault in the guest, and another in the host): for the main window's 2 MB,
// more than drawing its every widget. The kernel maps the pages in bulk
// (MADV_POPULATE_WRITE, Linux 5.14) for a tenth of that, and a write to
// each page takes the host's share off the window's thread. A platform
// whose image comes later returns a future already ready, and the paint
// faults the pages in as always.
std::future<void> PrepareWindowImage(QWidget& window);

}  // namespace orbek
