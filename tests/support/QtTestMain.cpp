// GoogleTest main with a Qt application, so tests can run event loops. The
// window tests get a QApplication on the offscreen platform.
#include <gtest/gtest.h>

#ifdef ORBEK_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  TestApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
