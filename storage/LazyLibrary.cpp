#include "storage/LazyLibrary.h"

namespace orbek {

QFunctionPointer LazyLibrary::Resolve(const char* symbol) {
  const std::lock_guard lock(mutex_);
  // load() may be called again after a failure; resolve() would load too,
  // but say less about why it could not.
  if (!library_.isLoaded() && !library_.load()) {
    problem_ = library_.errorString();
    return nullptr;
  }
  const QFunctionPointer function = library_.resolve(symbol);
  if (function == nullptr)
    problem_ = QStringLiteral("%1 has no function %2")
                   .arg(library_.fileName(), QString::fromLatin1(symbol));
  return function;
}

}  // namespace orbek
