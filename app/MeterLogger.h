#pragma once

#include <QEventLoop>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QTextStream>
#include <QTimer>
#include <memory>

#include "app/ReadingLog.h"
#include "link/DeviceIdentity.h"
#include "link/MeterSession.h"

namespace orbek {

// orbek-log's exit codes.
enum LogExit {
  kExitComplete = 0,       // the transfer ended (end record, or stopped by a signal)
  kExitSaveFailed = 1,     // the readings could not be saved to --output
  kExitUsage = 2,          // the command line is wrong
  kExitPortError = 3,      // the port (or the capture file) cannot be opened
  kExitDeviceLost = 4,     // the meter went away during the transfer; what came is kept
  kExitPartialRecord = 5,  // a capture ends in a partial record, which is not decoded
};

// One unattended transfer over the meter session the window uses: opens
// the port, starts the transfer, prints each reading as a CSV line, and
// ends at the end-of-transfer record, on SIGINT or SIGTERM, or when the
// device goes away. The readings are then saved if asked.
class MeterLogger : public QObject {
  Q_OBJECT

 public:
  struct Options {
    QString port;
    int baud = 9600;
    int intervalIndex = 0;   // "OFF" .. "30 min."
    QString output;          // .csv, .xls or .xlsx; empty for none
    QString capture;         // raw records received; empty for none
    bool reconnect = false;  // wait for a lost device to come back
  };

  MeterLogger(Options options, QTextStream& out, QTextStream& err);
  ~MeterLogger() override;

  // Returns the exit code.
  int Run();

 private:
  void OnReading(const DecodedReading& reading);
  void OnDeviceLost();
  void LookForDevice();
  void OnSignal();
  void Finish(int exitCode);
  void StopMeter();
  int SaveOutput(int exitCode);

  Options options_;
  QTextStream& out_;
  QTextStream& err_;
  MeterSession session_;
  ReadingLog log_;
  QEventLoop loop_;
  std::unique_ptr<QSocketNotifier> signalWatch_;
  DeviceIdentity identity_;  // of the port opened, to find it again
  QTimer reconnectWatch_;
  int exitCode_ = kExitComplete;
};

// Decodes a raw capture of records to CSV on `out` (and `output`, if
// given), stopping at an end-of-transfer record. Returns the exit code.
int DecodeCapture(const QString& capture, const QString& output, QTextStream& out,
                  QTextStream& err);

// Prints the ports the scan finds, one a line with its description; the
// scan's report, with any permission hint, goes to `err`.
int ListPorts(const QStringList& extraPorts, QTextStream& out, QTextStream& err);

}  // namespace orbek
