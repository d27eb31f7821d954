// orbek-log as its systemd unit starts it: the unit's own ExecStart line,
// with the options files and the broker's credentials where systemd puts
// them ($CREDENTIALS_DIRECTORY), run against a simulated meter.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "tests/support/Files.h"
#include "tests/support/LoggerProcess.h"
#include "tools/sim/MeterSimulator.h"

namespace orbek {
namespace {

using sim::MeterSimulator;
using test::Finish;
using test::ReadAll;
using test::WriteFile;

QString UnitText() {
  return QString::fromUtf8(ReadAll(ORBEK_SOURCE_DIR "/resources/systemd/orbek-log@.service"));
}

// The unit's setting `key`, all its lines joined by spaces.
QString UnitSetting(const QString& key) {
  QStringList values;
  for (const QString& line : UnitText().split('\n'))
    if (line.startsWith(key + '=')) values << line.mid(key.size() + 1);
  return values.join(' ');
}

// ExecStart as systemd would run it for `device`: its words (the line has
// no quotes), the specifiers and variables replaced, the state folder moved.
QStringList ServiceCommand(const QString& device, const QString& state, const QString& credentials,
                           const QStringList& wordOptions) {
  QStringList command;
  for (QString word : UnitSetting("ExecStart").split(' ', Qt::SkipEmptyParts)) {
    if (word == "$ORBEK_LOG_OPTIONS") {
      command += wordOptions;
      continue;
    }
    word.replace("%f", device)
        .replace("${CREDENTIALS_DIRECTORY}", credentials)
        .replace("/var/lib/orbek", state)
        .replace("/usr/bin/orbek-log", ORBEK_LOG);
    command << word;
  }
  return command;
}

TEST(ServiceTest, TheUnitsCommandTakesOptionsAsWrittenAndStopsForWhatAPersonMustMend) {
  // The unit's defaults where no file is loaded: a comment, a blank line.
  const QByteArray noOptions = "#", noBroker = "\n";
  const struct {
    const char* what;
    QByteArray options, instanceOptions, broker;
    QStringList wordOptions;  // ORBEK_LOG_OPTIONS
    int exitCode;
    QStringList says;        // on standard error
    QStringList fileHolds;   // lines of the dated CSV file
  } cases[] = {
      {"names with spaces and wildcards",
       "# every meter\n--interval 10s\n--operator   Ana Lima\n\n--note *  \"as is\"\n",
       "--sample S 12\n", noBroker, {}, 0, {}, {"# Operator: Ana Lima", "# Note: *  \"as is\"",
                                                "# Sample ID: S 12"}},
      {"the instance's options win", "--operator Ana Lima\n", "--operator=Rui Costa\n", noBroker,
       {"--baud", "9600"}, 0, {}, {"# Operator: Rui Costa"}},
      {"a line that is no option", "--interval 10s\nbaud 9600\n", noOptions, noBroker, {}, 2,
       {"options line 2", "is no option"}, {}},
      {"a credentials file every user can read", "--mqtt mqtt://127.0.0.1:9\n", noOptions,
       "meter\nsecret\n", {}, 8, {"every user of this machine can read the broker's password"},
       {"# Operator: (none)"}},
  };
  for (const auto& c : cases) {
    QTemporaryDir state, credentials;
    WriteFile(credentials.filePath("options"), c.options);
    WriteFile(credentials.filePath("instance-options"), c.instanceOptions);
    WriteFile(credentials.filePath("broker"), c.broker);
    ::chmod(QFile::encodeName(credentials.filePath("broker")).constData(), 0644);
    MeterSimulator meter(MeterSimulator::Paced(sim::GenerateRecords(20, 71)));
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("CREDENTIALS_DIRECTORY", credentials.path());
    environment.insert("XDG_STATE_HOME", state.path());
    program.setProcessEnvironment(environment);
    program.setStandardOutputFile(QProcess::nullDevice());
    const QStringList command =
        ServiceCommand(QString::fromStdString(meter.DevicePath()), state.path(),
                       credentials.path(), c.wordOptions);
    program.start(command.first(), command.mid(1));
    const auto run = Finish(program);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.what << ": " << run.err.toStdString();
    for (const QString& words : c.says)
      EXPECT_TRUE(run.err.contains(words)) << c.what << ": " << run.err.toStdString();
    const QStringList files = QDir(state.path()).entryList({"*.csv"}, QDir::Files);
    if (c.fileHolds.isEmpty()) {
      EXPECT_TRUE(files.isEmpty()) << c.what;
      continue;
    }
    ASSERT_EQ(files.size(), 1) << c.what;
    const QString device = QFileInfo(QString::fromStdString(meter.DevicePath())).fileName();
    EXPECT_TRUE(QRegularExpression("^" + QRegularExpression::escape(device) +
                                   "-\\d{8}-\\d{6}\\.csv$")
                    .match(files.first())
                    .hasMatch())
        << files.first().toStdString();
    const QString file = QString::fromUtf8(ReadAll(state.filePath(files.first())));
    for (const QString& line : c.fileHolds) {
      if (line.endsWith("(none)")) {
        EXPECT_FALSE(file.contains(line.chopped(7))) << c.what;
      } else {
        EXPECT_TRUE(file.contains(line + '\n')) << c.what << ": " << file.left(300).toStdString();
      }
    }
  }
  // What a person must mend is not retried every 10 s.
  const QStringList stops = UnitSetting("RestartPreventExitStatus").split(' ');
  EXPECT_TRUE(stops.contains("2") && stops.contains("7")) << stops.join(' ').toStdString();
}

}  // namespace
}  // namespace orbek
