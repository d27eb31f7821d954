// orbek-log's parts below the whole program: standard output's writer and
// the options files the service reads.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QTemporaryDir>

#include "logger/LineWriter.h"
#include "logger/OptionsFile.h"
#include "tests/support/Files.h"

namespace orbek {
namespace {

// Each write is one packet on a SOCK_SEQPACKET pair, so the reader counts
// the writer's system calls.
TEST(LineWriterTest, GatheredLinesLeaveInOneWriteAtTheFlush) {
  for (const bool gather : {true, false}) {
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends), 0);
    {
      LineWriter out(ends[0], 100, nullptr);
      out.Gather(gather);
      for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(out.TryPush(QByteArray("reading ") + QByteArray::number(i)));
      if (gather) {
        EXPECT_EQ(out.Written(), 0) << "a gathered line left before the flush";
      }
      out.Flush();
      EXPECT_TRUE(out.Drain(std::chrono::seconds(5)));
      EXPECT_EQ(out.Written(), 10);
    }
    QByteArray all;
    int packets = 0;
    char packet[4096];
    ::shutdown(ends[0], SHUT_WR);
    for (ssize_t got; (got = ::read(ends[1], packet, sizeof packet)) > 0; ++packets)
      all.append(packet, got);
    EXPECT_EQ(packets, gather ? 1 : 10) << "gather " << gather;
    EXPECT_EQ(all.count('\n'), 10);
    EXPECT_TRUE(all.startsWith("reading 0\nreading 1\n"));
    ::close(ends[0]);
    ::close(ends[1]);
  }
}

TEST(OptionsFileTest, EachLineIsOneOptionAsWrittenAndWhatIsNotSaysWhere) {
  QTemporaryDir dir;
  const struct {
    QByteArray file;
    QStringList expanded;  // of: --baud 9600 --options FILE --interval 10s
    const char* problem;
  } cases[] = {
      {"# a comment\n\n  --operator   Ana Lima  \n--note *.csv \"x\"\n",
       {"--baud", "9600", "--operator", "Ana Lima", "--note", "*.csv \"x\"", "--interval", "10s"},
       nullptr},
      {"--replace\r\n--sample=S 12\n", {"--baud", "9600", "--replace", "--sample=S 12",
                                        "--interval", "10s"}, nullptr},
      {"--interval 10s\nbaud 9600\n", {}, "line 2: \"baud 9600\" is no option"},
      {"--options other\n", {}, "line 1: an options file cannot name another"},
      {"--baud 9600\n--options=other\n", {}, "line 2: an options file cannot name another"},
  };
  for (const auto& c : cases) {
    const QString path = dir.filePath("options");
    test::WriteFile(path, c.file);
    QString problem;
    const auto expanded =
        ExpandOptionsFiles({"--baud", "9600", "--options", path, "--interval", "10s"}, &problem);
    if (c.problem == nullptr) {
      ASSERT_TRUE(expanded.has_value()) << problem.toStdString();
      EXPECT_EQ(*expanded, c.expanded);
    } else {
      EXPECT_FALSE(expanded.has_value());
      EXPECT_TRUE(problem.contains(c.problem)) << problem.toStdString();
    }
  }
  QString problem;
  EXPECT_FALSE(ExpandOptionsFiles({"--options=" + dir.filePath("missing")}, &problem));
  EXPECT_TRUE(problem.contains("missing")) << problem.toStdString();
  EXPECT_EQ(WithNamePlaceholders("/var/lib/orbek/{device}-{start}.csv", "/dev/serial/by-id/usb-1",
                                 "20261209-080000"),
            "/var/lib/orbek/usb-1-20261209-080000.csv");
}

}  // namespace
}  // namespace orbek
