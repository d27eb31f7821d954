// GoogleTest main with a Qt application, so tests can run event loops. The
// window tests get a QApplication on the offscreen platform.
#include <gtest/gtest.h>

#include <QFile>
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
// that one test's window never finds another's journal at start, and its
// archive in a data folder of its own.
class OwnStateFolder : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override {
    folder_ = std::make_unique<QTemporaryDir>();
    qputenv("XDG_STATE_HOME", folder_->path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", (folder_->path() + QStringLiteral("/data")).toLocal8Bit());
  }
  void OnTestEnd(const ::testing::TestInfo&) override { folder_.reset(); }

  std::unique_ptr<QTemporaryDir> folder_;
};

// The offscreen platform's screen is 800×600 unless told otherwise, where
// the window would scroll (COrbekDlg::FitInto); the tests get a desktop's.
void UseDesktopSizedScreen(const QTemporaryDir& folder) {
  const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
  if (!platform.isEmpty() && platform != QLatin1String("offscreen")) return;
  const QString config = folder.filePath(QStringLiteral("screen.json"));
  QFile file(config);
  if (!file.open(QIODevice::WriteOnly)) return;
  file.write(R"({"screens": [{"name": "Desktop", "x": 0, "y": 0, "width": 1920,
                 "height": 1080, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
  file.close();
  qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toLocal8Bit());
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const QTemporaryDir platformFolder;
  UseDesktopSizedScreen(platformFolder);
  TestApplication app(argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new OwnStateFolder);
  return RUN_ALL_TESTS();
}
