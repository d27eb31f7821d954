// orbek-log's saves where a user's folders are not simple: other users'
// files, full disks, links, and names in any byte encoding.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "tests/support/Files.h"
#include "tests/support/LoggerProcess.h"
#include "tests/support/SmallDisk.h"
#include "tools/sim/MeterSimulator.h"

namespace orbek {
namespace {

using sim::MeterSimulator;
using test::Finish;

const char* const kFormats[] = {".csv", ".xls", ".xlsx"};
const QString kUser = QStringLiteral("orbek-test");

using test::Quoted;
using test::ReadAll;
using test::Shell;
using test::WriteFile;

struct stat Stat(const QString& path) {
  struct stat info {};
  ::stat(QFile::encodeName(path).constData(), &info);
  return info;
}

// The names in a folder as the bytes the system keeps.
std::vector<QByteArray> RawNames(const QString& folder) {
  std::vector<QByteArray> names;
  if (DIR* dir = ::opendir(QFile::encodeName(folder).constData())) {
    while (const dirent* entry = ::readdir(dir))
      if (qstrcmp(entry->d_name, ".") != 0 && qstrcmp(entry->d_name, "..") != 0)
        names.emplace_back(entry->d_name);
    ::closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

QString Capture(const QString& folder, int readings) {
  const QString path = QDir(folder).filePath("meter.bin");
  WriteFile(path, test::Raw(sim::GenerateRecords(readings, 90)) + test::Raw({sim::EndRecord()}));
  return path;
}

bool MayRunAsTestUser() {
  return ::geteuid() == 0 &&
         QProcess::execute("runuser", {"-u", kUser, "--", "test", "-x", ORBEK_LOG}) == 0;
}

void Own(const QString& path, const char* owner, mode_t mode) {
  ASSERT_EQ(QProcess::execute("chown", {owner, path}), 0) << path.toStdString();
  ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
}

// A user who is not root, saving among files that are not all theirs: the
// save goes through where the user may write, keeps the file's owner, group
// and mode, and otherwise says why and leaves the file as it was.
TEST(SavesTest, AnotherUsersFilesAreKeptOrRefusedWithAReason) {
  if (!MayRunAsTestUser()) GTEST_SKIP() << "needs root and the user " << kUser.toStdString();
  QTemporaryDir dir;
  Own(dir.path(), "root", 0777);
  QDir(dir.path()).mkdir("locked");
  Own(dir.filePath("locked"), "root", 0755);
  const QString capture = Capture(dir.path(), 30);
  Own(capture, "root", 0644);
  const struct {
    const char* name;
    const char* owner;  // nullptr: no file there before
    mode_t mode;
    const char* says;  // nullptr: saved
  } cases[] = {
      {"shared", "root:orbek-test", 0664, nullptr},
      {"own", "orbek-test:orbek-test", 0600, nullptr},
      {"roots", "root:root", 0644, "no permission to write to it"},
      {"readonly", "orbek-test:orbek-test", 0444, "the file is read-only"},
      {"locked/new", nullptr, 0, "no permission to create files in"},
  };
  for (const auto& c : cases) {
    for (const char* format : kFormats) {
      const QString path = dir.filePath(QString(c.name) + format);
      const QString where = path + ": ";
      if (c.owner != nullptr) {
        WriteFile(path, "old");
        Own(path, c.owner, c.mode);
      }
      QProcess logger;
      logger.start("runuser", {"-u", kUser, "--", ORBEK_LOG, "--decode", capture, "--output", path,
                               "--replace"});
      const test::Run run = Finish(logger);
      if (c.says == nullptr) {
        EXPECT_EQ(run.exitCode, 0) << where.toStdString() << run.err.toStdString();
        EXPECT_NE(ReadAll(path), "old") << where.toStdString();
        const struct stat info = Stat(path);
        EXPECT_EQ(info.st_mode & 07777, c.mode) << where.toStdString();
        EXPECT_EQ(QFileInfo(path).owner() + ":" + QFileInfo(path).group(), c.owner)
            << where.toStdString();
      } else {
        EXPECT_EQ(run.exitCode, 2) << where.toStdString() << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(c.says)) << where.toStdString() << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(path)) << run.err.toStdString();
        if (c.owner != nullptr) {
          EXPECT_EQ(ReadAll(path), "old") << where.toStdString();
        }
      }
    }
  }
  const QStringList left =
      QDir(dir.path()).entryList({".orbek-*"}, QDir::AllEntries | QDir::Hidden);
  EXPECT_TRUE(left.isEmpty()) << left.join(' ').toStdString();
}

TEST(SavesTest, AFullDiskSaysSoForEveryFormatAndKeepsTheOldFile) {
  test::SmallDisk disk(256 * 1024);
  if (!disk.Mounted()) GTEST_SKIP() << "needs root to mount a small file system";
  QTemporaryDir dir;
  const QString capture = Capture(dir.path(), 20000);
  for (const char* format : kFormats) {
    const QString path = disk.FilePath(QString("readings") + format);
    WriteFile(path, "old");
    disk.Fill();
    QProcess logger;
    logger.start(ORBEK_LOG, {"--decode", capture, "--output", path, "--replace"});
    logger.closeReadChannel(QProcess::StandardOutput);
    const test::Run run = Finish(logger);
    EXPECT_EQ(run.exitCode, 1) << format << ": " << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("the disk is full")) << format << ": " << run.err.toStdString();
    EXPECT_EQ(ReadAll(path), "old") << format;
    EXPECT_EQ(disk.Names(), QStringList{QString("readings") + format});
    QFile::remove(path);
    QFile::remove(disk.FilePath(".filler"));
  }
}

// The real /tmp, where the build may be, as the logger with a /tmp of its
// own sees it.
QString BesideTmp(const QString& path) {
  return path.startsWith("/tmp/") ? "/mnt/" + path.mid(5) : path;
}

// The workbook library's work files go beside the workbook: a /tmp with no
// room does not stop a save to a disk that has it.
TEST(SavesTest, AFullTmpDoesNotStopAWorkbookSavedElsewhere) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root for a /tmp of its own";
  QTemporaryDir dir(QDir::current().filePath("saves-XXXXXX"));
  const QString capture = Capture(dir.path(), 3000);
  for (const char* format : kFormats) {
    const QString path = dir.filePath(QString("readings") + format);
    const test::Run run = Shell(
        "unshare -m bash -c 'mount --bind /tmp /mnt && mount -t tmpfs -o size=4k tmpfs /tmp && "
        "exec " +
        BesideTmp(ORBEK_LOG) + " --decode " + BesideTmp(capture) + " --output " + BesideTmp(path) +
        " >/dev/null'");
    if (run.err.contains("unshare:") || run.err.contains("mount:"))
      GTEST_SKIP() << "cannot give the logger its own /tmp: " << run.err.toStdString();
    EXPECT_EQ(run.exitCode, 0) << format << ": " << run.err.toStdString();
    EXPECT_GT(QFileInfo(path).size(), 10000) << format;
  }
}

// Names are bytes: one that is not UTF-8 is written, journaled and read
// under exactly those bytes.
TEST(SavesTest, NamesThatAreNotUtf8AreKeptByteForByte) {
  QTemporaryDir dir;
  const QString capture = Capture(dir.path(), 40);
  ASSERT_TRUE(QFile::rename(capture, dir.filePath("c.bin")));
  ASSERT_EQ(Shell("cd " + Quoted(dir.path()) + " && mv c.bin $'c\\xe9.bin'").exitCode, 0);
  const test::Run decoded = Shell("cd " + Quoted(dir.path()) + " && exec " + QString(ORBEK_LOG) +
                                  " --decode $'c\\xe9.bin' --output $'r\\xff\\xfe.csv' >/dev/null");
  EXPECT_EQ(decoded.exitCode, 0) << decoded.err.toStdString();
  EXPECT_TRUE(decoded.err.contains("r\\xff\\xfe.csv")) << decoded.err.toStdString();

  MeterSimulator meter(MeterSimulator::Paced(sim::GenerateRecords(40, 91)));
  const test::Run live =
      Shell("cd " + Quoted(dir.path()) + " && exec " + QString(ORBEK_LOG) + " --port " +
            QString::fromStdString(meter.DevicePath()) + " --output $'l\\xe4ufe.xlsx' >/dev/null");
  EXPECT_EQ(live.exitCode, 0) << live.err.toStdString();
  EXPECT_TRUE(live.err.contains("l\\xe4ufe.xlsx.capture")) << live.err.toStdString();
  EXPECT_EQ(RawNames(dir.path()),
            (std::vector<QByteArray>{"c\xE9.bin", "l\xE4ufe.xlsx", "r\xFF\xFE.csv"}));
  // Qt cannot remove what it cannot name.
  Shell("rm -rf " + Quoted(dir.path()));
}

TEST(SavesTest, ALinkAsTheOutputWritesTheFileItPointsTo) {
  QTemporaryDir dir;
  const QString capture = Capture(dir.path(), 25);
  QDir(dir.path()).mkdir("archive");
  for (const char* format : kFormats) {
    const QString file = dir.filePath(QString("archive/readings") + format);
    const QString link = dir.filePath(QString("latest") + format);
    WriteFile(file, "old");
    ASSERT_TRUE(QFile::link(QString("archive/readings") + format, link));
    QProcess logger;
    logger.start(ORBEK_LOG, {"--decode", capture, "--output", link, "--replace"});
    const test::Run run = Finish(logger);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(QFileInfo(link).isSymLink()) << format;
    EXPECT_GT(QFileInfo(file).size(), 100) << format;
  }
}

}  // namespace
}  // namespace orbek
