#pragma once

#include <QLibrary>
#include <QString>
#include <mutex>
#include <string>

namespace orbek {

// A system library only some runs need (the workbook writers, OpenSSL for
// a broker's TLS, SQLite's bulk insert), loaded at its first use instead of
// at every start: loading and relocating it, and what it pulls in (GLib,
// libxml2, libcrypto), costs more than the rest of a logger's start. The build names it by its SONAME, so
// the version loaded is the one the program was built against.
class LazyLibrary {
 public:
  explicit LazyLibrary(const char* soname) : library_(QString::fromLatin1(soname)) {}

  // The function `symbol`, loading the library first; nullptr if the library
  // or the function is missing, and Problem() says why.
  QFunctionPointer Resolve(const char* symbol);
  // The same, or the caller's own Error ("<what>: <why>") thrown.
  template <typename Error>
  QFunctionPointer ResolveOrThrow(const char* symbol, const char* what) {
    if (const QFunctionPointer function = Resolve(symbol)) return function;
    throw Error(std::string(what) + ": " + Problem().toStdString());
  }
  QString Problem() {
    const std::lock_guard lock(mutex_);
    return problem_;
  }

 private:
  std::mutex mutex_;  // the broker's sender thread resolves too
  QLibrary library_;
  QString problem_;
};

}  // namespace orbek

// `function` of the library `resolve` loads, typed as its declaration says:
// resolve(name) returns the function or throws the caller's own error. Each
// call site looks its function up once. Naming `function` inside decltype
// does not link to it.
#define ORBEK_LAZY(resolve, function)                                                       \
  ([]() -> decltype(&function) {                                                            \
    static const auto resolved = reinterpret_cast<decltype(&function)>(resolve(#function)); \
    return resolved;                                                                        \
  }())
