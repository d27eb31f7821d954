// orbek-log: logs a meter's readings without a window.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <csignal>
#include <cstdio>

#include "app/MeterLogger.h"
#include "export/NativePath.h"
#include "link/MeterCommands.h"

namespace {

constexpr const char* kDescription = R"(Logs the readings of a water-quality meter without a window.

  orbek-log --list [--port DEV]...
  orbek-log --port DEV [--baud RATE] [--interval INTERVAL] [--output FILE]
            [--capture FILE] [--reconnect]
  orbek-log --decode CAPTURE [--all] [--output FILE]

A transfer sends the meter the same commands as the window and prints each
reading as a CSV line on standard output (number, date and time, value,
temperature, value number, temperature number). It ends at the meter's
end-of-transfer record or on SIGINT/SIGTERM, after sending the stop byte.
--output also saves the readings as .csv, .xls or .xlsx (the window's
workbook layout). --capture keeps the raw records received, which
--decode turns into the same readings. Messages go to standard error;
QT_LOGGING_RULES="orbek.link.debug=true" adds every record and command.

Exit codes: 0 complete, 1 output not saved, 2 usage error, 3 port (or
capture) cannot be opened, 4 device lost during the transfer (the readings
so far are printed and saved; with --reconnect the run waits for the same
device instead), 5 capture ends in a partial record, 6 standard output
could not be written and there was no --output (the meter is stopped).

With --output, every byte received goes to FILE.capture as it arrives
(synced at least once a second) and FILE is made from it at the end; after
a crash, orbek-log --decode FILE.capture --output FILE recovers the
readings. SIGINT, SIGTERM, SIGHUP and SIGQUIT all stop the meter and save.)";

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

}  // namespace

int main(int argc, char** argv) {
  // A file-size limit makes a write fail with a reason to report, instead of
  // killing the logger before it can stop the meter or say why.
  std::signal(SIGXFSZ, SIG_IGN);
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("orbek-log"));
  QCoreApplication::setApplicationVersion(QStringLiteral(ORBEK_VERSION));
  QTextStream out(stdout);
  QTextStream err(stderr);

  QCommandLineParser parser;
  parser.setApplicationDescription(QString::fromLatin1(kDescription));
  const auto help = parser.addHelpOption();
  const auto version = parser.addVersionOption();
  const QCommandLineOption list(QStringLiteral("list"),
                                QStringLiteral("List the ports that can be opened."));
  const QCommandLineOption port(
      QStringLiteral("port"), QStringLiteral("The meter's serial device."), QStringLiteral("DEV"));
  const QCommandLineOption baud(QStringLiteral("baud"),
                                QStringLiteral("9600 (default), 19200 or 115200."),
                                QStringLiteral("RATE"), QStringLiteral("9600"));
  const QCommandLineOption interval(
      QStringLiteral("interval"), QStringLiteral("OFF (default), 10s, 30s, 1min, 10min or 30min."),
      QStringLiteral("INTERVAL"), QStringLiteral("OFF"));
  const QCommandLineOption output(
      QStringLiteral("output"),
      QStringLiteral("Also save the readings as FILE (.csv, .xls, .xlsx)."),
      QStringLiteral("FILE"));
  const QCommandLineOption decode(QStringLiteral("decode"),
                                  QStringLiteral("Decode a raw capture of records instead."),
                                  QStringLiteral("CAPTURE"));
  const QCommandLineOption capture(
      QStringLiteral("capture"),
      QStringLiteral("Also keep every record received, as raw bytes, in FILE (for --decode)."),
      QStringLiteral("FILE"));
  const QCommandLineOption reconnect(
      QStringLiteral("reconnect"),
      QStringLiteral("When the meter's device goes away, wait for that same device to come back "
                     "and go on logging."));
  const QCommandLineOption all(
      QStringLiteral("all"),
      QStringLiteral("With --decode, decode every transfer of the capture, not only the first."));
  parser.addOptions({list, port, baud, interval, output, decode, capture, reconnect, all});
  if (!parser.parse(RawArguments(argc, argv))) return UsageError(err, parser.errorText());
  if (parser.isSet(help)) {
    out << parser.helpText();
    return 0;
  }
  if (parser.isSet(version)) {
    out << "orbek-log " << ORBEK_VERSION << Qt::endl;
    return 0;
  }
  if (!parser.positionalArguments().isEmpty())
    return UsageError(
        err, QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first()));

  if (parser.isSet(list)) return orbek::ListPorts(parser.values(port), out, err);
  if (parser.isSet(decode))
    return orbek::DecodeCapture(parser.value(decode), parser.value(output), parser.isSet(all), err);
  if (!parser.isSet(port))
    return UsageError(err, QStringLiteral("say --list, --port DEV or --decode FILE"));
  if (parser.values(port).size() > 1)
    return UsageError(err, QStringLiteral("a transfer takes one --port"));

  orbek::MeterLogger::Options options;
  options.port = parser.value(port);
  bool number = false;
  options.baud = parser.value(baud).toInt(&number);
  if (!number || !orbek::SettingsForBaud(options.baud))
    return UsageError(err, QStringLiteral("--baud takes 9600, 19200 or 115200"));
  options.intervalIndex = IntervalIndex(parser.value(interval));
  if (options.intervalIndex < 0)
    return UsageError(err, QStringLiteral("--interval takes OFF, 10s, 30s, 1min, 10min or 30min"));
  options.output = parser.value(output);
  options.capture = parser.value(capture);
  options.reconnect = parser.isSet(reconnect);
  orbek::MeterLogger logger(options, err);
  return logger.Run();
}
