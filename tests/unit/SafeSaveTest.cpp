// Saves over what a user's folder may hold: links, other owners, read-only
// files, full disks, and names that are not UTF-8.
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "export/ExcelAutomation.h"
#include "export/WorkbookError.h"
#include "storage/Journal.h"
#include "storage/NativePath.h"
#include "storage/SafeSave.h"
#include "tests/support/Files.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/WorkbookCheck.h"

namespace orbek {
namespace {

using test::ReadAll;
using test::WriteFile;

struct stat Stat(const QString& path) {
  struct stat info {};
  ::lstat(QFile::encodeName(path).constData(), &info);
  return info;
}

QString LinkText(const QString& link) {
  char text[4096];
  const ssize_t length = ::readlink(QFile::encodeName(link).constData(), text, sizeof text);
  return length < 0 ? QString() : QFile::decodeName(QByteArray(text, length));
}

// The message of a save that must fail, or "saved".
std::string SaveMessage(const QString& path, const QByteArray& bytes) {
  try {
    SaveBytes(path, bytes);
  } catch (const SaveError& error) {
    return error.what();
  }
  return "saved";
}

QStringList Hidden(const QString& folder) {
  return QDir(folder).entryList({".orbek-*"}, QDir::Files | QDir::Hidden);
}

TEST(NativePathTest, EveryByteSequenceSurvivesTheRoundTrip) {
  const struct {
    QByteArray native;
    bool plainUtf8;
  } cases[] = {
      {"readings.csv", true},
      {"Messwerte-\xC3\xBC\xC3\x9F.csv", true},
      {"\xF0\x9F\x92\xA7.xlsx", true},
      {"r\xFF\xFE.csv", false},
      {"latin1-\xE9t\xE9.csv", false},
      {"\xC0\xAF-overlong.csv", false},
      {"\xED\xA0\x80-surrogate.csv", false},
      {"cut-\xE2\x82", false},
      {"\xF4\x90\x80\x80-beyond.csv", false},
      {"\x80\xBF", false},
  };
  for (const auto& c : cases) {
    const QString path = PathFromNative(c.native);
    EXPECT_EQ(NativeFromPath(path), c.native) << c.native.toHex().toStdString();
    EXPECT_EQ(path == QString::fromUtf8(c.native), c.plainUtf8) << c.native.toHex().toStdString();
  }
  EXPECT_EQ(DisplayPath(PathFromNative("r\xFF.csv")), "r\\xff.csv");
}

TEST(NativePathTest, ANameThatIsNotUtf8IsWrittenAndReadByItsBytes) {
  QTemporaryDir dir;
  const QByteArray name = "r\xFF\xFE.csv";
  const QString path = PathFromNative(QFile::encodeName(dir.path()) + '/' + name);
  SaveBytes(path, "1,2,3\n");
  const QByteArray listed = QFile::encodeName(QDir(dir.path()).entryList(QDir::Files).value(0));
  QFile file;
  ASSERT_TRUE(OpenNative(file, path, QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), "1,2,3\n");
  EXPECT_TRUE(NativeExists(path));
  EXPECT_FALSE(NativeExists(PathFromNative(QFile::encodeName(dir.path()) + "/r\xFF.csv")));
  EXPECT_TRUE(Hidden(dir.path()).isEmpty());
  // Qt lists the name with replacement characters; the bytes on disk are ours.
  EXPECT_NE(listed, name);
  EXPECT_TRUE(RemoveNative(path));
}

TEST(SafeSaveLinkTest, ALinkedFileIsWrittenAndTheLinkStays) {
  QTemporaryDir dir;
  QDir(dir.path()).mkpath("archive/old");
  const struct {
    const char* link;
    const char* pointsAt;  // as the link holds it
    const char* file;      // where the content must land
  } cases[] = {
      {"data.csv", "archive/data.csv", "archive/data.csv"},
      {"absolute.csv", nullptr, "archive/absolute.csv"},
      {"chain.csv", "data.csv", "archive/data.csv"},
      {"archive/up.csv", "../top.csv", "top.csv"},
      {"dangling.csv", "archive/old/new.csv", "archive/old/new.csv"},
  };
  WriteFile(dir.filePath("archive/data.csv"), "old");
  WriteFile(dir.filePath("archive/absolute.csv"), "old");
  WriteFile(dir.filePath("top.csv"), "old");
  for (const auto& c : cases) {
    const QString link = dir.filePath(c.link);
    const QString target = c.pointsAt ? QString(c.pointsAt) : dir.filePath(c.file);
    ASSERT_TRUE(QFile::link(target, link)) << c.link;
    const QByteArray content = QByteArray("new for ") + c.link;
    EXPECT_EQ(SaveMessage(link, content), "saved") << c.link;
    EXPECT_TRUE(S_ISLNK(Stat(link).st_mode)) << c.link << " is no longer a link";
    EXPECT_EQ(LinkText(link), target) << c.link;
    EXPECT_EQ(ReadAll(dir.filePath(c.file)), content) << c.link;
  }
  EXPECT_TRUE(Hidden(dir.filePath("archive")).isEmpty());
}

TEST(SafeSaveLinkTest, AFileWithOtherHardLinksKeepsThem) {
  QTemporaryDir dir;
  const QString path = dir.filePath("readings.csv");
  const QString other = dir.filePath("backup/readings.csv");
  QDir(dir.path()).mkdir("backup");
  WriteFile(path, "the old readings, longer than the new ones");
  ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(other).constData()), 0);
  const ino_t inode = Stat(path).st_ino;
  for (const QByteArray& content : {QByteArray("new"), QByteArray(200000, 'n')}) {
    EXPECT_EQ(SaveMessage(path, content), "saved");
    EXPECT_EQ(Stat(path).st_ino, inode);
    EXPECT_EQ(Stat(path).st_nlink, 2u);
    EXPECT_EQ(ReadAll(other), content);
  }
  EXPECT_TRUE(Hidden(dir.path()).isEmpty());
}

TEST(SafeSaveModeTest, TheReplacedFileKeepsItsModeAndWhatCannotBeSavedSaysWhy) {
  QTemporaryDir dir;
  QDir(dir.path()).mkdir("folder.xls");
  const struct {
    const char* name;
    mode_t mode;       // 0: no file there before
    const char* says;  // nullptr: saved, keeping the mode
  } cases[] = {
      {"shared.csv", 0664, nullptr},
      {"private.csv", 0600, nullptr},
      {"group.csv", 0640, nullptr},
      {"sticky.csv", 0644 | S_ISGID, nullptr},
      {"readonly.csv", 0444, "the file is read-only"},
      {"mine-only.csv", 0400, "the file is read-only"},
      {"folder.xls", 0, "it is a folder"},
      {"missing/readings.csv", 0, "does not exist"},
  };
  for (const auto& c : cases) {
    const QString path = dir.filePath(c.name);
    if (c.mode != 0) {
      WriteFile(path, "old");
      ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), c.mode), 0);
    }
    const std::string message = SaveMessage(path, "new");
    if (c.says == nullptr) {
      EXPECT_EQ(message, "saved") << c.name;
      EXPECT_EQ(Stat(path).st_mode & 07777, c.mode) << c.name;
      EXPECT_EQ(ReadAll(path), "new") << c.name;
    } else {
      EXPECT_NE(message.find(c.says), std::string::npos) << c.name << ": " << message;
      EXPECT_NE(message.find(path.toStdString()), std::string::npos) << message;
      if (c.mode != 0) {
        EXPECT_EQ(ReadAll(path), "old") << c.name;
      }
    }
  }
  EXPECT_TRUE(Hidden(dir.path()).isEmpty());
}

TEST(SafeSaveModeTest, ANewFileGetsTheModeTheUmaskGives) {
  QTemporaryDir dir;
  const mode_t before = ::umask(027);
  EXPECT_EQ(SaveMessage(dir.filePath("new.csv"), "new"), "saved");
  ::umask(before);
  EXPECT_EQ(Stat(dir.filePath("new.csv")).st_mode & 07777, 0640u);
}

TEST(SafeSaveModeTest, RootSavingOverAnotherUsersFileLeavesItTheirs) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to own a file for another user";
  QTemporaryDir dir;
  const QString path = dir.filePath("theirs.xlsx");
  WriteFile(path, "old");
  ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
  ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
  EXPECT_EQ(SaveMessage(path, "new"), "saved");
  const struct stat info = Stat(path);
  EXPECT_EQ(info.st_uid, 65534u);
  EXPECT_EQ(info.st_gid, 65534u);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(ReadAll(path), "new");
}

// Links and files planted by another user in a sticky folder anyone may
// write to, aimed at a file only root may write: a save (the window's
// exports, orbek-log's outputs and report) and a journal (the capture) write
// through them only when they are root's own or the folder's owner's, as the
// kernel would; a shared folder that is not sticky, and the user's own
// links, are followed as before.
TEST(SafeSaveLinkTest, PlantedLinksInASharedFolderAreNotWrittenThrough) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to plant a link as another user";
  constexpr uid_t kOther = 65534;
  QTemporaryDir dir;
  const QString secret = dir.filePath("private/secret");
  QDir(dir.path()).mkpath("private");
  const struct {
    const char* name;
    mode_t folderMode;
    uid_t folderOwner;
    bool link;  // a link to `secret`, else a regular file
    uid_t owner;
    bool writtenThrough;
  } cases[] = {
      {"sticky-others-link", 01777, 0, true, kOther, false},
      {"sticky-others-file", 01777, 0, false, kOther, false},
      {"sticky-own-link", 01777, 0, true, 0, true},
      {"sticky-folder-owners-link", 01777, kOther, true, kOther, true},
      {"not-sticky-others-link", 0777, 0, true, kOther, true},
  };
  for (const auto& c : cases) {
    const QString folder = dir.filePath(c.name);
    ASSERT_TRUE(QDir(dir.path()).mkdir(c.name));
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), c.folderMode), 0);
    ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), c.folderOwner, 0), 0);
    for (const char* writer : {"save", "journal"}) {
      const QString planted = folder + "/readings-" + writer;
      const QString reached = c.link ? secret : planted;
      WriteFile(secret, "root only");
      if (c.link) {
        ASSERT_TRUE(QFile::link(secret, planted));
      } else {
        WriteFile(planted, "root only");
      }
      ASSERT_EQ(::lchown(QFile::encodeName(planted).constData(), c.owner, c.owner), 0);
      std::string message = "saved";
      try {
        if (QByteArray(writer) == "save") {
          SaveBytes(planted, "readings");
        } else {
          Journal::Create(planted, true)->Append("readings", 8);
        }
      } catch (const SaveError& error) {
        message = error.what();
      }
      const std::string where = std::string(c.name) + " by " + writer;
      if (c.writtenThrough) {
        EXPECT_EQ(message, "saved") << where;
        EXPECT_EQ(ReadAll(reached), "readings") << where;
      } else {
        EXPECT_NE(message.find("belongs to another user in the shared folder"), std::string::npos)
            << where << ": " << message;
        EXPECT_EQ(ReadAll(reached), "root only") << where;
      }
      EXPECT_TRUE(Hidden(folder).isEmpty()) << where;
    }
  }
}

// A save that runs long (orbek-log writing its file) keeps its temporary
// file through other saves into the folder, however old the file looks.
TEST(SafeSaveTest, ASaveStillRunningKeepsItsTemporaryFile) {
  QTemporaryDir dir;
  SafeSaveFile running(dir.filePath("long.csv"));
  WriteFile(running.TemporaryPath(), "readings so far");
  {
    QFile file(running.TemporaryPath());
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                     QFileDevice::FileModificationTime);
  }
  EXPECT_EQ(SaveMessage(dir.filePath("other.csv"), "other"), "saved");
  ASSERT_TRUE(QFile::exists(running.TemporaryPath()));
  running.Commit();
  EXPECT_EQ(ReadAll(dir.filePath("long.csv")), "readings so far");
  EXPECT_TRUE(Hidden(dir.path()).isEmpty());
}

// The window's export to a disk with no room: the same words for both
// workbook formats (and for plain bytes), the old file kept, nothing left.
TEST(SafeSaveDiskTest, AFullDiskSaysSoAndKeepsTheOldFile) {
  test::SmallDisk disk(512 * 1024);
  if (!disk.Mounted()) GTEST_SKIP() << "needs root to mount a small file system";
  const QByteArray old = "yesterday's readings";
  for (const QString name : {"readings.xls", "readings.xlsx", "readings.csv"}) {
    const QString path = disk.FilePath(name);
    WriteFile(path, old);
    disk.Fill();
    std::string message;
    try {
      if (name.endsWith(".csv")) {
        SaveBytes(path, QByteArray(1 << 20, 'x'));
      } else {
        ExportToExcel(test::ReadingsTextTable(5001), path);
      }
      message = "saved";
    } catch (const SaveError& error) {
      message = error.what();
    }
    EXPECT_NE(message.find("the disk is full"), std::string::npos) << message;
    EXPECT_EQ(ReadAll(path), old) << name.toStdString();
    EXPECT_EQ(disk.Names(), QStringList{name});
    QFile::remove(path);
    QFile::remove(disk.FilePath(".filler"));
  }
}

// The window's export as a user who is not root, in a child that becomes
// the test script's user: a file of root's that the user's group may write
// keeps its owner; one the user may not write is refused by name.
TEST(SafeSaveModeTest, AnotherUsersWorkbookIsKeptOrRefusedWithAReason) {
  const passwd* user = ::getpwnam("orbek-test");
  if (::geteuid() != 0 || user == nullptr) GTEST_SKIP() << "needs root and the user orbek-test";
  QTemporaryDir dir;
  ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0777), 0);
  const struct {
    const char* name;
    gid_t group;
    mode_t mode;
    const char* says;  // nullptr: saved
  } cases[] = {
      {"shared.xlsx", user->pw_gid, 0664, nullptr},
      {"shared.xls", user->pw_gid, 0660, nullptr},
      {"roots.xlsx", 0, 0644, "no permission to write to it"},
      {"roots.xls", 0, 0644, "no permission to write to it"},
  };
  const test::TextTable table = test::ReadingsTextTable(50);
  for (const auto& c : cases) {
    const QString path = dir.filePath(c.name);
    WriteFile(path, "old");
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 0, c.group), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), c.mode), 0);
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    const pid_t child = ::fork();
    if (child == 0) {
      std::string message = "saved";
      if (::setgroups(0, nullptr) != 0 || ::setgid(user->pw_gid) != 0 ||
          ::setuid(user->pw_uid) != 0)
        message = "could not become the user";
      else
        try {
          ExportToExcel(table, path);
        } catch (const SaveError& error) {
          message = error.what();
        }
      (void)!::write(pipe[1], message.data(), message.size());
      ::_exit(0);
    }
    ::close(pipe[1]);
    QFile reader;
    reader.open(pipe[0], QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    const std::string message = reader.readAll().toStdString();
    ::waitpid(child, nullptr, 0);
    const struct stat info = Stat(path);
    EXPECT_EQ(info.st_uid, 0u) << c.name;
    EXPECT_EQ(info.st_gid, c.group) << c.name;
    EXPECT_EQ(info.st_mode & 07777, c.mode) << c.name;
    if (c.says == nullptr) {
      EXPECT_EQ(message, "saved") << c.name;
      EXPECT_GT(info.st_size, 1000) << c.name;
    } else {
      EXPECT_NE(message.find(c.says), std::string::npos) << c.name << ": " << message;
      EXPECT_EQ(ReadAll(path), "old") << c.name;
    }
  }
  EXPECT_TRUE(Hidden(dir.path()).isEmpty());
}

// The workbook library stages its parts beside the workbook, so a /tmp
// with no room does not stop a save to a disk that has it. The save runs in
// a child with a /tmp of its own; the real one, where the build may be, is
// still there at /mnt.
TEST(SafeSaveDiskTest, AFullTmpDoesNotStopAWorkbookSavedElsewhere) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root for a /tmp of its own";
  QTemporaryDir dir(QDir::current().filePath("save-XXXXXX"));
  const QString path = dir.filePath("readings.xlsx");
  const QString inChild = path.startsWith("/tmp/") ? "/mnt/" + path.mid(5) : path;
  const test::TextTable table = test::ReadingsTextTable(5001);
  const pid_t child = ::fork();
  if (child == 0) {
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("/tmp", "/mnt", nullptr, MS_BIND | MS_REC, nullptr) != 0 ||
        ::mount("tmpfs", "/tmp", "tmpfs", 0, "size=4k") != 0)
      ::_exit(2);
    try {
      ExportToExcel(table, inChild);
    } catch (const SaveError&) {
      ::_exit(1);
    }
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 2) GTEST_SKIP() << "cannot mount a small /tmp";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  EXPECT_GT(QFileInfo(path).size(), 10000);
}

}  // namespace
}  // namespace orbek
