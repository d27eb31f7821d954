// GoogleTest main with a Qt application, so tests can run event loops. The
// window tests get a QApplication on the offscreen platform.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <memory>

#ifdef ORBEK_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

namespace {

// Each test keeps the window's journals in a state folder of its own, so
// that one test's window never finds another's journal at start.
class OwnStateFolder : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override {
    folder_ = std::make_unique<QTemporaryDir>();
    qputenv("XDG_STATE_HOME", folder_->path().toLocal8Bit());
  }
  void OnTestEnd(const ::testing::TestInfo&) override { folder_.reset(); }

  std::unique_ptr<QTemporaryDir> folder_;
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  TestApplication app(argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new OwnStateFolder);
  return RUN_ALL_TESTS();
}
