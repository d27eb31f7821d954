// orbek-log: logs a meter's readings without a window.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QTextStream>

#include <cstdio>
#include <memory>
#include <string_view>

#include "archive/Archive.h"
#include "logger/ArchiveCommands.h"
#include "logger/MeterLogger.h"
#include "logger/OptionsFile.h"
#include "logger/ReportModule.h"
#include "logger/StopSignals.h"
#include "logger/UnfinishedJournals.h"
#include "meter/MeterCommands.h"
#include "storage/NativePath.h"
#include "storage/SaveError.h"

namespace {

constexpr const char* kDescription = R"(Logs the readings of a water-quality meter without a window.

  orbek-log --list [--port DEV]...
  orbek-log --journals [FOLDER]...
  orbek-log --port DEV [--baud RATE] [--interval INTERVAL] [--output FILE]
            [--capture FILE] [--reconnect] [--mqtt URL [--mqtt-topic PREFIX] ...]
            [--report FILE.pdf] [--sample ID] [--operator NAME] ...
  orbek-log --decode CAPTURE [--all] [--output FILE] [--report FILE.pdf] [--mqtt URL ...]
  orbek-log --history [TEXT] [--since DATE] [--until DATE]
  orbek-log --export ID [--output FILE] [--report FILE.pdf]
  orbek-log --audit [ID] | --verify-archive
  orbek-log --review ID --reviewer NAME --meaning TEXT
  orbek-log --change ID --reason TEXT [--sample ID] [--operator NAME] ...

A transfer sends the meter the same commands as the window and prints each
reading as a line of the CSV file both programs save (No., Date and Time,
Value, Unit, Temperature, Scale, Received (UTC), Out of step, Lost before),
after the sample's details as # comment lines and a header. It ends at the meter's
end-of-transfer record or on SIGINT/SIGTERM, after sending the stop byte,
and prints the count, minimum, maximum, mean and standard deviation of the
values (by unit) and temperatures on standard error.
--output also saves the readings as .csv, .xls or .xlsx (the window's
workbook layout). --capture keeps the raw records received, which
--decode turns into the same readings. In a transfer's file names,
{device} is the port's name and {start} the run's start (YYYYMMDD-HHMMSS),
as the service names its files. Messages go to standard error;
QT_LOGGING_RULES="orbek.link.debug=true" adds every record and command.

Exit codes: 0 complete, 1 output not saved, 2 usage error, 3 port (or
capture) cannot be opened or read, 4 device lost during the transfer (the
readings so far are printed and saved; with --reconnect the run waits for
the same device instead), 5 capture ends in a partial record, 6 standard
output could not take every reading and there was no --output, 7 the MQTT
broker refused the connection (or its certificate did not check out),
8 readings the broker has not acknowledged wait in the spool (they go out
first at the next run), 9 a second stop signal ended the run at once (the
journal keeps every byte received; the message says how to recover),
10 everything received was saved but the line lost readings, 11 most
records are not a meter's (random bytes or the wrong baud rate), 12
--verify-archive found something changed, 13 the archive cannot be
opened or read.

Every transfer is archived as it ends (its original bytes, its readings,
the files saved from it and an audit trail) in
$XDG_DATA_HOME/orbek/archive.sqlite, or the service's state folder; an
archive that cannot take it keeps it waiting beside it until it can.

--mqtt also publishes each reading as JSON on PREFIX/reading (QoS 1), with
PREFIX/status "online" or "offline" (retained, and the last will). Readings
wait in a spool under $XDG_STATE_HOME/orbek/ until the broker acknowledges
them, so a broker that is away loses none. See orbek-log(1) for the fields.

With --output, every byte received goes to FILE.capture as it arrives
(synced at least once a second) and FILE is made from it at the end; after
a crash, orbek-log --decode FILE.capture --output FILE recovers the
readings. SIGINT, SIGTERM, SIGHUP and SIGQUIT all stop the meter and save.)";

// "a, b or c".
QString Choices(const QStringList& words) {
  if (words.size() < 2) return words.join(QString());
  return words.mid(0, words.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" or ") +
         words.last();
}

// The meter's baud rates, slowest first.
QStringList BaudWords() {
  std::vector<int> bauds;
  for (const auto& choice : orbek::kBaudChoices)
    bauds.push_back(choice.baud);
  std::sort(bauds.begin(), bauds.end());
  QStringList words;
  for (const int baud : bauds)
    words << QString::number(baud);
  return words;
}

QStringList IntervalWords() {
  QStringList words;
  for (const auto& choice : orbek::kIntervalChoices)
    words << QString::fromLatin1(choice.option.data(),
                                 static_cast<qsizetype>(choice.option.size()));
  return words;
}

// The first word marked as the default.
QString WithDefault(QStringList words, const QString& fallback) {
  for (QString& word : words)
    if (word == fallback) word += QStringLiteral(" (default)");
  return Choices(words);
}

// The options, in the order --help lists them. The baud rate's and the
// interval's words come from the meter's own tables.
struct OptionText {
  const char* name;
  const char* valueName;  // empty for a switch
  const char* help;
};
constexpr OptionText kOptions[] = {
    {"list", "", "List the ports that can be opened."},
    {"journals", "",
     "List the journals of runs that did not finish in the folders given (by default this "
     "folder and the window's), with the command that recovers each."},
    {"port", "DEV", "The meter's serial device."},
    {"baud", "RATE", ""},
    {"interval", "INTERVAL", ""},
    {"output", "FILE", "Also save the readings as FILE (.csv, .xls, .xlsx)."},
    {"decode", "CAPTURE", "Decode a raw capture of records instead."},
    {"capture", "FILE", "Also keep every record received, as raw bytes, in FILE (for --decode)."},
    {"reconnect", "",
     "When the meter's device goes away, wait for that same device to come back and go on "
     "logging."},
    {"all", "", "With --decode, decode every transfer of the capture, not only the first."},
    {"mqtt", "URL",
     "Also publish each reading to the MQTT broker at URL (mqtt://host[:port] or "
     "mqtts://host[:port])."},
    {"mqtt-topic", "PREFIX", "Topic prefix (default orbek/<host name>/<device name>)."},
    {"mqtt-ca", "FILE",
     "With mqtts, check the broker's certificate against FILE instead of the system's "
     "authorities."},
    {"mqtt-credentials", "FILE",
     "Read the broker's user name (first line) and password (second line) from FILE."},
    {"mqtt-insecure", "", "With mqtts, do not check the broker's certificate."},
    {"options", "FILE",
     "Read more options from FILE, one a line (--name or --name value; the value is the rest "
     "of the line, spaces and all)."},
    {"report", "FILE",
     "Also make a PDF report of the transfer as FILE: the sample's details, the statistics, "
     "the chart and the table of readings."},
    {"sample", "ID",
     "The sample's ID, kept with the readings (in the file, each message, the "
     "report)."},
    {"operator", "NAME", "Who took the readings."},
    {"location", "PLACE", "Where they were taken."},
    {"probe", "SERIAL", "The meter's or the probe's serial number."},
    {"note", "TEXT", "Anything else to keep with the transfer."},
    {"archive", "PATH|URL",
     "Archive transfers in the SQLite file PATH or on the PostgreSQL server at "
     "postgresql://[user@]host[:port]/database instead of the default."},
    {"archive-credentials", "FILE",
     "Read the archive server's user name (first line) and password (second line) from FILE."},
    {"no-archive", "", "Do not archive the transfer."},
    {"history", "",
     "List the archived transfers whose details hold the text given after the options, newest "
     "first, as CSV."},
    {"since", "DATE", "With --history, only transfers started on or after DATE (YYYY-MM-DD)."},
    {"until", "DATE", "With --history, only transfers started on or before DATE."},
    {"export", "ID", "Save the archived transfer ID as --output and --report."},
    {"audit", "", "Print the archive's audit trail (of the transfer ID given, or all) as CSV."},
    {"verify-archive", "",
     "Check the audit trail's chain, every transfer's readings against its original bytes and "
     "every saved file against its hash."},
    {"review", "ID", "Record that the archived transfer ID has been reviewed."},
    {"reviewer", "NAME", "With --review, who reviewed it."},
    {"meaning", "TEXT", "With --review, what the review means (\"approved\")."},
    {"change", "ID",
     "Change the details given (--sample, --operator, ...) of the archived transfer ID."},
    {"reason", "TEXT", "With --change, why the details change."},
    {"replace", "",
     "Let --output, --capture and --report replace a file that exists (they refuse to "
     "otherwise)."},
};

int UsageError(QTextStream& err, const QString& message) {
  err << "orbek-log: " << message << "\n(see orbek-log --help)" << Qt::endl;
  return orbek::kExitUsage;
}

// The arguments with every byte kept: file names need not be UTF-8, and
// QCoreApplication::arguments() would replace what is not.
QStringList RawArguments(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i)
    arguments << orbek::PathFromNative(QByteArray(argv[i]));
  return arguments;
}

// The meter's interval number for an option word, or -1.
int IntervalIndex(const QString& word) {
  for (std::size_t i = 0; i < orbek::kIntervalChoices.size(); ++i)
    if (word == QLatin1String(orbek::kIntervalChoices[i].option)) return static_cast<int>(i);
  return -1;
}

// A report draws text, which needs the fonts of a QGuiApplication; a run
// without one does with less.
bool AsksForReport(const QStringList& arguments) {
  for (const QString& argument : arguments)
    if (argument == QLatin1String("--report") || argument.startsWith(QLatin1String("--report=")))
      return true;
  return false;
}

// Throws SaveError if the report module cannot be loaded.
std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char** argv, bool report) {
  if (!report) return std::make_unique<QCoreApplication>(argc, argv);
  return orbek::ReportModule().makeApplication(argc, argv);
}

// The details as their bytes were given, so that text that is not UTF-8
// is found and refused rather than turned into question marks.
orbek::SampleDetails DetailsFrom(const QCommandLineParser& parser) {
  orbek::SampleDetails details;
  for (const orbek::DetailField& field : orbek::kDetailFields)
    details.*field.member =
        orbek::NativeFromPath(parser.value(QString::fromLatin1(
                                  field.key.data(), static_cast<qsizetype>(field.key.size()))))
            .toStdString();
  return details;
}

// What is wrong with the details, as the option that gave it; empty when
// nothing is.
QString DetailsProblemText(const orbek::SampleDetails& details) {
  const auto problem = orbek::FindDetailsProblem(details);
  if (!problem) return {};
  return QStringLiteral("--%1: %2")
      .arg(QString::fromLatin1(problem->field->key.data(),
                               static_cast<qsizetype>(problem->field->key.size())),
           QString::fromStdString(orbek::ReasonOf(*problem, details)));
}

// Under systemd a server's credentials come as the service's credential
// `name` ("broker", "archive": LoadCredential=), which the unit makes a
// blank line when there is no file to load.
QString ServiceCredentials(const char* name) {
  const QString folder = qEnvironmentVariable("CREDENTIALS_DIRECTORY");
  if (folder.isEmpty()) return {};
  const QString path = folder + QLatin1Char('/') + QLatin1String(name);
  QFile file(path);
  if (!file.exists()) return {};
  // One that cannot be read is named, so that the reader says why.
  return file.open(QIODevice::ReadOnly) && file.readAll().trimmed().isEmpty() ? QString() : path;
}

// The archive --archive, --no-archive and --archive-credentials name; none,
// with the reason, when they cannot be used.
std::optional<orbek::ArchiveLocation> ArchiveFrom(const QCommandLineParser& parser,
                                                  QString* problem) {
  std::optional<orbek::ArchiveLocation> location = orbek::ArchiveLocation::FromOptions(
      parser.isSet(QStringLiteral("no-archive")), parser.value(QStringLiteral("archive")),
      parser.value(QStringLiteral("archive-credentials")), problem);
  if (location && location->credentialsFile.isEmpty() &&
      location->kind == orbek::ArchiveLocation::Kind::PostgreSQL)
    location->credentialsFile = ServiceCredentials("archive");
  return location;
}

// The detail options given, by key.
QStringList DetailsGiven(const QCommandLineParser& parser) {
  QStringList given;
  for (const orbek::DetailField& field : orbek::kDetailFields) {
    const QString key = QString::fromLatin1(field.key.data(), qsizetype(field.key.size()));
    if (parser.isSet(key)) given << key;
  }
  return given;
}

// The archive's commands; none when none was asked for.
std::optional<int> RunArchiveCommand(const QCommandLineParser& parser,
                                     const orbek::ArchiveLocation& archive, QTextStream& out,
                                     QTextStream& err) {
  const auto set = [&](const char* name) { return parser.isSet(QString::fromLatin1(name)); };
  const auto value = [&](const char* name) { return parser.value(QString::fromLatin1(name)); };
  const bool command = set("history") || set("audit") || set("verify-archive") || set("export") ||
                       set("review") || set("change");
  if (!command) return std::nullopt;
  if (archive.kind == orbek::ArchiveLocation::Kind::Off)
    return UsageError(err, QStringLiteral("the archive's commands need an archive, not --no-archive"));
  const QString text = parser.positionalArguments().join(QLatin1Char(' '));
  if (set("history")) {
    const QDateTime since = orbek::ParseHistoryDate(value("since"), false);
    const QDateTime until = orbek::ParseHistoryDate(value("until"), true);
    if ((set("since") && !since.isValid()) || (set("until") && !until.isValid()))
      return UsageError(err, QStringLiteral("--since and --until take YYYY-MM-DD or an ISO date "
                                            "and time"));
    return orbek::PrintHistory(archive, text, since, until, out, err);
  }
  if (set("audit")) return orbek::PrintAudit(archive, text, out, err);
  if (set("verify-archive")) return orbek::VerifyArchive(archive, err);
  if (set("export"))
    return orbek::ExportArchived(
        archive, {value("export"), value("output"), value("report"), set("replace")}, err);
  if (set("review"))
    return orbek::ReviewArchived(archive, value("review"), value("reviewer"), value("meaning"),
                                 err);
  const orbek::SampleDetails details = DetailsFrom(parser);
  if (const QString problem = DetailsProblemText(details); !problem.isEmpty())
    return UsageError(err, problem);
  return orbek::ChangeArchived(archive, value("change"), details, DetailsGiven(parser),
                               value("reason"), err);
}

}  // namespace

int main(int argc, char** argv) {
  orbek::InstallStopSignals();
  // Qt's own event dispatcher costs less a wake-up than GLib's, and a meter
  // wakes the logger a thousand times a second at 115200 baud.
  if (qEnvironmentVariableIsEmpty("QT_NO_GLIB")) qputenv("QT_NO_GLIB", "1");
  QTextStream out(stdout);
  QTextStream err(stderr);
  QString optionsProblem;
  const std::optional<QStringList> arguments =
      orbek::ExpandOptionsFiles(RawArguments(argc, argv), &optionsProblem);
  if (!arguments) return UsageError(err, optionsProblem);
  std::unique_ptr<QCoreApplication> app;
  try {
    app = MakeApplication(argc, argv, AsksForReport(*arguments));
  } catch (const orbek::SaveError& error) {
    err << "orbek-log: " << error.what() << Qt::endl;
    return orbek::kExitUsage;
  }
  QCoreApplication::setApplicationName(QStringLiteral("orbek-log"));
  QCoreApplication::setApplicationVersion(QStringLiteral(ORBEK_VERSION));
  if (orbek::StopSignalDescriptor() < 0)
    err << "orbek-log: cannot set up the stop signals (" << orbek::StopSignalsProblem()
        << "); Ctrl+C ends a run without saving, and the journal keeps its readings" << Qt::endl;

  QCommandLineParser parser;
  parser.setApplicationDescription(QString::fromLatin1(kDescription));
  const auto help = parser.addHelpOption();
  const auto version = parser.addVersionOption();
  const QString defaultBaud = QStringLiteral("9600");
  const QString defaultInterval = IntervalWords().first();
  for (const OptionText& option : kOptions) {
    QString help = QString::fromUtf8(option.help);
    QString value;
    if (option.name == std::string_view("baud")) {
      help = WithDefault(BaudWords(), defaultBaud) + '.';
      value = defaultBaud;
    } else if (option.name == std::string_view("interval")) {
      help = WithDefault(IntervalWords(), defaultInterval) + '.';
      value = defaultInterval;
    }
    parser.addOption(QCommandLineOption(QString::fromLatin1(option.name), help,
                                        QString::fromLatin1(option.valueName), value));
  }
  const auto set = [&](const char* name) { return parser.isSet(QString::fromLatin1(name)); };
  const auto value = [&](const char* name) { return parser.value(QString::fromLatin1(name)); };
  if (!parser.parse(*arguments)) return UsageError(err, parser.errorText());
  if (parser.isSet(help)) {
    out << parser.helpText();
    return 0;
  }
  if (parser.isSet(version)) {
    out << "orbek-log " << ORBEK_VERSION << Qt::endl;
    return 0;
  }
  if (set("journals")) return orbek::ListJournals(parser.positionalArguments(), out, err);
  QString archiveProblem;
  const std::optional<orbek::ArchiveLocation> archive = ArchiveFrom(parser, &archiveProblem);
  if (!archive) return UsageError(err, archiveProblem);
  if (const std::optional<int> done = RunArchiveCommand(parser, *archive, out, err)) return *done;
  if (!parser.positionalArguments().isEmpty())
    return UsageError(
        err, QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first()));

  orbek::MqttOptions broker;
  broker.url = value("mqtt");
  broker.topic = value("mqtt-topic");
  broker.caFile = value("mqtt-ca");
  broker.credentialsFile = value("mqtt-credentials");
  if (!set("mqtt-credentials") && !broker.url.isEmpty())
    broker.credentialsFile = ServiceCredentials("broker");
  broker.insecure = set("mqtt-insecure");
  if (broker.url.isEmpty() &&
      (set("mqtt-topic") || set("mqtt-ca") || set("mqtt-credentials") || set("mqtt-insecure")))
    return UsageError(err, QStringLiteral("the --mqtt-* options need --mqtt URL"));

  if (set("list")) return orbek::ListPorts(parser.values(QStringLiteral("port")), out, err);
  if (set("decode")) {
    orbek::DecodeOptions decode;
    decode.capture = value("decode");
    decode.output = value("output");
    decode.report = value("report");
    decode.all = set("all");
    decode.replace = set("replace");
    decode.mqtt = broker;
    decode.details = DetailsFrom(parser);
    decode.archive = *archive;
    if (const QString problem = DetailsProblemText(decode.details); !problem.isEmpty())
      return UsageError(err, problem);
    return orbek::DecodeCapture(decode, err);
  }
  if (!set("port"))
    return UsageError(err, QStringLiteral("say --list, --port DEV or --decode FILE"));
  if (parser.values(QStringLiteral("port")).size() > 1)
    return UsageError(err, QStringLiteral("a transfer takes one --port"));

  orbek::MeterLogger::Options options;
  options.port = value("port");
  bool number = false;
  options.baud = value("baud").toInt(&number);
  if (!number || !orbek::SettingsForBaud(options.baud))
    return UsageError(err, QStringLiteral("--baud takes %1").arg(Choices(BaudWords())));
  options.intervalIndex = IntervalIndex(value("interval"));
  if (options.intervalIndex < 0)
    return UsageError(err, QStringLiteral("--interval takes %1").arg(Choices(IntervalWords())));
  const QString start = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
  const auto named = [&](const char* name) {
    return orbek::WithNamePlaceholders(value(name), options.port, start);
  };
  options.output = named("output");
  options.capture = named("capture");
  options.reconnect = set("reconnect");
  options.replace = set("replace");
  options.mqtt = broker;
  options.details = DetailsFrom(parser);
  if (const QString problem = DetailsProblemText(options.details); !problem.isEmpty())
    return UsageError(err, problem);
  options.report = named("report");
  options.archive = *archive;
  orbek::MeterLogger logger(options, err);
  return logger.Run();
}
