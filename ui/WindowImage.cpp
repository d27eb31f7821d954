#include "ui/WindowImage.h"

#include <sys/mman.h>
#include <unistd.h>

#include <QBackingStore>
#include <QImage>
#include <QLoggingCategory>
#include <QWidget>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <system_error>

namespace orbek {

namespace {

Q_LOGGING_CATEGORY(lcWindowImage, "orbek.window", QtWarningMsg)

// Brings in the whole pages inside [data, data + size): the pages at either
// end may hold someone else's memory, and are left alone.
void BringIn(uchar* data, qsizetype size) {
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  if (pageSize <= 0) return;
  const auto page = static_cast<std::uintptr_t>(pageSize);
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (start + page - 1) & ~(page - 1);
  const std::uintptr_t end = (start + static_cast<std::uintptr_t>(size)) & ~(page - 1);
  if (end <= first) return;
  if (::madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE) != 0 &&
      errno != EINVAL)  // EINVAL: a kernel before 5.14; the writes below fault them in
    qCDebug(lcWindowImage, "the window's image was not mapped ahead: %s", std::strerror(errno));
  for (std::uintptr_t at = first; at < end; at += page)
    *reinterpret_cast<volatile uchar*>(at) = 0;  // the paint fills every pixel
}

std::future<void> Ready() {
  std::promise<void> done;
  done.set_value();
  return done.get_future();
}

}  // namespace

std::future<void> PrepareWindowImage(QWidget& window) {
  // A window already shown has its image, and may be drawn at any time.
  if (!window.isWindow() || window.isVisible()) return Ready();
  window.winId();  // the native window, and with it the backing store
  QBackingStore* store = window.backingStore();
  if (store == nullptr) return Ready();
  // The size the first paint asks for, so that it keeps this image.
  store->resize(window.size());
  QPaintDevice* device = store->paintDevice();
  if (device == nullptr || device->devType() != QInternal::Image) return Ready();
  auto* image = static_cast<QImage*>(device);
  uchar* data = image->bits();
  const qsizetype size = image->sizeInBytes();
  if (data == nullptr || size <= 0) return Ready();
  try {
    return std::async(std::launch::async, [data, size] { BringIn(data, size); });
  } catch (const std::system_error&) {  // no thread to be had: this one does it
    BringIn(data, size);
    return Ready();
  }
}

}  // namespace orbek
