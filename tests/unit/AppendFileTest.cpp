// The journal's and the spool's file on a disk that fills up and frees
// again: what waits in memory goes in, in order, and what memory had no
// room for is lost whole or in part as the file's kind asks, and counted.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QFile>

#include "storage/AppendFile.h"
#include "tests/support/Files.h"
#include "tests/support/SmallDisk.h"

namespace orbek {
namespace {

TEST(AppendFileTest, AFullDiskHoldsThenLosesAsTheFilesKindAsksAndCatchesUpInOrder) {
  test::SmallDisk disk(256 * 1024);
  if (!disk.Mounted()) GTEST_SKIP() << "needs root to mount a small file system";
  const struct {
    const char* what;
    AppendFile::Overflow overflow;
    std::size_t lostFromTheLast;  // of the 10-byte append past the 25-byte reserve
  } cases[] = {
      {"journal", AppendFile::Overflow::KeepWhatFits, 5},
      {"spool", AppendFile::Overflow::LoseWhole, 10},
  };
  for (const auto& c : cases) {
    const QString path = disk.FilePath(c.what);
    const int descriptor = ::open(QFile::encodeName(path).constData(),
                                  O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(descriptor, 0);
    // A whole page, so that the full disk has no room left in the file's own.
    QByteArray expected(4096, 'b');
    {
      AppendFile file(descriptor, 0, 25, c.overflow);
      EXPECT_EQ(file.Append(expected), 0u);
      disk.Fill();
      // Two appends wait (20 bytes); the third finds 5 bytes of room.
      for (const QByteArray line : {"line 0001\n", "line 0002\n"}) {
        EXPECT_EQ(file.Append(line), 0u) << c.what;
        expected += line;
      }
      EXPECT_EQ(file.Append("line 0003\n"), c.lostFromTheLast) << c.what;
      if (c.lostFromTheLast < 10) expected += "line ";
      EXPECT_EQ(file.End(), 4096) << c.what;
      EXPECT_EQ(file.Held(), expected.mid(4096)) << c.what;
      EXPECT_NE(file.Error().indexOf("full"), -1) << file.Error().toStdString();
      EXPECT_FALSE(file.Sync()) << c.what;

      QFile::remove(disk.FilePath(".filler"));
      EXPECT_TRUE(file.Sync()) << c.what;
      EXPECT_EQ(file.HeldBytes(), 0u) << c.what;
      EXPECT_EQ(file.Append("after\n"), 0u);
      expected += "after\n";
      EXPECT_EQ(file.End(), expected.size()) << c.what;
    }
    EXPECT_EQ(test::ReadAll(path), expected) << c.what;
  }
}

}  // namespace
}  // namespace orbek
