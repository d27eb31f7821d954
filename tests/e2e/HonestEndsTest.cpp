// orbek-log never replaces a file unasked, never waits for ever on a
// standard output nobody reads, and says when its input is no capture.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "tests/support/EventLoop.h"
#include "tests/support/Files.h"
#include "tests/support/LoggerProcess.h"
#include "tools/sim/MeterSimulator.h"

namespace orbek {
namespace {

using sim::MeterSimulator;
using test::ReadAll;
using test::WriteFile;

TEST(HonestEndsTest, AFileThatExistsIsReplacedOnlyWhenAskedAndAFolderIsNoCapture) {
  QTemporaryDir dir;
  const QString keep = dir.filePath("keep.csv"), capture = dir.filePath("keep.bin");
  QDir(dir.path()).mkdir("folder");
  const struct {
    QStringList arguments;  // %port is the meter's
    int exitCode;
    const char* says;
  } cases[] = {
      {{"--port", "%port", "--output", keep}, 2, "exists already (--replace replaces it)"},
      {{"--port", "%port", "--capture", capture}, 2, "exists already (--replace replaces it)"},
      {{"--decode", dir.filePath("folder"), "--output", dir.filePath("new.csv")}, 3, "is a folder"},
      {{"--decode", capture, "--output", keep}, 2, "exists already"},
  };
  for (const auto& c : cases) {
    WriteFile(keep, "20 readings");
    WriteFile(capture, "an unrecovered journal");
    MeterSimulator meter(MeterSimulator::Paced(sim::GenerateRecords(5, 91)));
    QStringList arguments = c.arguments;
    arguments.replaceInStrings("%port", QString::fromStdString(meter.DevicePath()));
    QProcess program;
    program.start(ORBEK_LOG, arguments);
    const auto run = test::Finish(program);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(c.says)) << run.err.toStdString();
    EXPECT_EQ(ReadAll(keep), "20 readings");
    EXPECT_EQ(ReadAll(capture), "an unrecovered journal");
    EXPECT_FALSE(QFile::exists(dir.filePath("new.csv")));
    test::Pump(20);
    EXPECT_TRUE(meter.Received().empty());
  }
  // Asked, it replaces.
  MeterSimulator meter(MeterSimulator::Paced(sim::GenerateRecords(5, 92)));
  QProcess program;
  program.start(ORBEK_LOG, {"--port", QString::fromStdString(meter.DevicePath()), "--output", keep,
                            "--replace"});
  EXPECT_EQ(test::Finish(program).exitCode, 0);
  EXPECT_EQ(ReadAll(keep).count('\n'), 6);
}

TEST(HonestEndsTest, RandomBytesAreDecodedWithAWarning) {
  QTemporaryDir dir;
  QByteArray noise(120000, '\0');
  QRandomGenerator random(7);
  for (char& byte : noise)
    byte = static_cast<char>(random.bounded(256));
  WriteFile(dir.filePath("noise.bin"), noise);
  QProcess program;
  program.start(ORBEK_LOG, {"--decode", dir.filePath("noise.bin"), "--all"});
  const auto run = test::Finish(program);
  EXPECT_TRUE(run.err.contains("does not look like a meter's records")) << run.err.toStdString();
  EXPECT_EQ(run.exitCode, 11);
}

// Standard output that nobody reads: a FIFO whose reader never reads.
class BlockedStdout {
 public:
  explicit BlockedStdout(const QString& path) : path_(path) {
    ::mkfifo(QFile::encodeName(path).constData(), 0600);
    reader_ = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  }
  ~BlockedStdout() { Close(); }
  const QString& Path() const { return path_; }
  // The reader goes away without having read.
  void Close() {
    if (reader_ >= 0) ::close(reader_);
    reader_ = -1;
  }

 private:
  QString path_;
  int reader_ = -1;
};

TEST(HonestEndsTest, AStopWhileStandardOutputIsBlockedEndsAndCountsWhatItMissed) {
  QTemporaryDir dir;
  const struct {
    bool withOutput;
    bool secondSignal;
    bool readerDies;  // instead of a stop: the reader goes away after the transfer
    int exitCode;
    const char* says;
  } cases[] = {
      {false, false, false, 6, "lines did not reach standard output"},
      {true, true, false, 9, "every reading"},
      {false, false, true, 6, "cannot write to standard output: Broken pipe"},
  };
  for (const auto& c : cases) {
    BlockedStdout out(dir.filePath(QString("stdout-%1").arg(c.exitCode)));
    MeterSimulator meter(
        MeterSimulator::Paced(sim::GenerateRecords(6000, 93), MeterSimulator::Pace::Max));
    QStringList arguments = {"--port", QString::fromStdString(meter.DevicePath())};
    const QString output = dir.filePath(QString("log-%1.csv").arg(c.exitCode));
    if (c.withOutput) arguments << "--output" << output;
    QProcess program;
    program.setStandardOutputFile(out.Path());
    program.start(ORBEK_LOG, arguments);
    ASSERT_TRUE(test::WaitUntil([&] { return meter.RecordsSent() >= 6000; }, 20000));
    QElapsedTimer clock;
    clock.start();
    if (c.readerDies) {
      test::Pump(300);
      out.Close();
    } else {
      program.terminate();
    }
    if (c.secondSignal) {
      test::Pump(200);
      program.terminate();
    }
    const auto run = test::Finish(program, 30000);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
    EXPECT_LT(clock.elapsed(), 15000);
    EXPECT_TRUE(run.err.contains(c.says)) << run.err.toStdString();
    if (c.withOutput) {
      // Saved already, or still in the journal the message names.
      EXPECT_TRUE(QFile::exists(output) || QFile::exists(output + ".capture"));
    }
  }
}

}  // namespace
}  // namespace orbek
