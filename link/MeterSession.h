#pragma once

#include <QFile>
#include <QLoggingCategory>
#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>

#include "intake/RecordDecoder.h"
#include "link/CMscomm1.h"

Q_DECLARE_LOGGING_CATEGORY(lcLink)

namespace orbek {

// One link to the meter, for the window and for orbek-log alike: it opens
// the port the way the meter needs it, sends the start and stop bytes, cuts
// what arrives into 12-byte records, decodes them and spots the end of the
// transfer. What happens on the line afterwards arrives as signals, on the
// thread that owns the session.
//
// Errors: Open, Start and Stop throw SerialError when the port refuses (a
// user's action failed); everything later is a signal.
class MeterSession : public QObject {
  Q_OBJECT

 public:
  explicit MeterSession(QObject* parent = nullptr);
  ~MeterSession() override;
  MeterSession(const MeterSession&) = delete;
  MeterSession& operator=(const MeterSession&) = delete;

  // Sets the port up for the meter's records (buffers, a read length and a
  // receive threshold of one record, binary input, the line settings for
  // `baud`) and opens it. Without a baud rate the settings of the last open
  // stay. Nothing is sent. Throws SerialError; the set-up made so far stays.
  void Open(const QString& port, std::optional<int> baud);
  // Asks the port afresh every time; nothing is cached.
  bool IsOpen() const { return port_.PortOpen(); }
  QString PortName() const { return port_.CommPort(); }

  // Drops up to one record's worth of bytes already waiting and sends the
  // start byte for `intervalIndex` (0 "OFF" .. 5 "30 min."; -1, no choice,
  // sends 0xB0). The record count starts again from 0.
  void Start(int intervalIndex);
  // Sends the stop byte, lets it leave, closes the port and drops anything
  // still queued.
  void Stop();
  // Closes without telling the meter.
  void Close();

  // Appends every record received from now on, the end record included, to
  // `path` as raw bytes, flushed as they come; an empty path stops. Returns
  // false with `error` set when the file cannot be created.
  bool SetCapture(const QString& path, QString* error = nullptr);

  // The port component itself, for code that looks at its properties.
  CMscomm1& Port() { return port_; }
  const CMscomm1& Port() const { return port_; }

 signals:
  // One reading, in arrival order. `record` is what the meter sent.
  void RecordDecoded(const orbek::MeterRecord& record, const orbek::DecodedReading& reading);
  // The end-of-transfer record came: the stop byte has been sent and the
  // port closed.
  void TransferEnded();
  // The device went away while open; the port is closed. What came before
  // has been delivered.
  void DeviceLost(const QString& port);
  // Something on the line failed that the user should hear of; the link
  // stays as it is.
  void Failed(const QString& message);

 private:
  void OnComm();
  void TakeRecord();
  void EndTransfer();
  void Send(std::uint8_t command, const char* what);
  void Capture(const QByteArray& bytes);

  CMscomm1 port_;
  QFile capture_;
  std::int64_t records_ = 0;  // since the last start, for the diagnostics
};

}  // namespace orbek
