// A library loaded at first use: found, or a reason a person can act on.
#include "storage/LazyLibrary.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <stdexcept>

namespace orbek {
namespace {

TEST(LazyLibraryTest, AFunctionIsFoundOrTheReasonIsGiven) {
  const struct {
    const char* soname;
    const char* function;
    bool found;
    const char* problem;  // part of what Problem() says
  } cases[] = {{"libz.so.1", "zlibVersion", true, ""},
               {"libz.so.1", "no_such_function", false, "no_such_function"},
               {"libnosuch-orbek.so.7", "zlibVersion", false, "libnosuch-orbek.so.7"}};
  for (const auto& c : cases) {
    LazyLibrary library(c.soname);
    EXPECT_EQ(library.Resolve(c.function) != nullptr, c.found) << c.soname << " " << c.function;
    EXPECT_TRUE(library.Problem().contains(QLatin1String(c.problem)))
        << library.Problem().toStdString();
  }
}

QFunctionPointer Zlib(const char* function) {
  static LazyLibrary library("libz.so.1");
  return library.ResolveOrThrow<std::runtime_error>(function, "zlib");
}

QFunctionPointer Missing(const char* function) {
  static LazyLibrary library("libnosuch-orbek.so.7");
  return library.ResolveOrThrow<std::runtime_error>(function, "no such library");
}

// Called as the library's own function would be, with its own types; a
// library that is not there is the caller's error, thrown at each call.
TEST(LazyLibraryTest, ACallGoesToTheLoadedFunctionOrThrowsTheCallersError) {
  EXPECT_STREQ(ORBEK_LAZY(Zlib, zlibVersion)(), zlibVersion());
  const unsigned char bytes[] = "123456789";
  EXPECT_EQ(ORBEK_LAZY(Zlib, crc32)(0, bytes, 9), 0xCBF43926u);
  for (int call = 0; call < 2; ++call) {
    try {
      ORBEK_LAZY(Missing, zlibVersion)();
      ADD_FAILURE() << "called a function of a library that is not there";
    } catch (const std::runtime_error& error) {
      EXPECT_TRUE(std::string(error.what()).starts_with("no such library: ")) << error.what();
    }
  }
}

}  // namespace
}  // namespace orbek
