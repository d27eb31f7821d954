#pragma once

#include <QFile>
#include <QLoggingCategory>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>

#include "link/CMscomm1.h"
#include "meter/RecordAligner.h"
#include "meter/RecordDecoder.h"

Q_DECLARE_LOGGING_CATEGORY(lcLink)

namespace orbek {

// What losing step cost one transfer, by row (the number of a reading since
// the start).
struct StepLoss {
  int times = 0;  // the stream was brought back in step this often
  std::size_t skippedBytes = 0;
  std::size_t lostReadings = 0;             // records the skipped bytes held, as far as can be told
  std::vector<std::int64_t> lostAfterRows;  // where they were; -1 before the first row
  std::set<std::int64_t> wrongRows;         // rows framed wrongly, or that may hold skipped bytes

  // Counts one skip of the aligner; `nextRow` is the number the next
  // reading will get.
  void Note(const RecordAligner::Event& skip, std::int64_t nextRow);
  // One paragraph for a person: what was affected and what was not.
  QString Describe() const;
};

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
  // Opens the port again the same way after the device came back, sending
  // nothing: a meter recording at an interval goes on sending, and its
  // readings go on from the same number.
  void Reopen(const QString& port);
  // Asks the port afresh every time; nothing is cached.
  bool IsOpen() const { return port_.PortOpen(); }
  QString PortName() const { return port_.CommPort(); }

  // Drops up to one record's worth of bytes already waiting and sends the
  // start byte for `intervalIndex` (0 "OFF" .. 5 "30 min."; -1, no choice,
  // sends 0xB0). The record count starts again from 0, and the stream is
  // kept in step from here (see RecordAligner).
  void Start(int intervalIndex);
  // Sends the stop byte, lets it leave, closes the port and drops anything
  // still queued.
  void Stop();
  // Closes without telling the meter.
  void Close();

  // Appends every byte received from now on (after a start's dropped read),
  // the end record included, to `path` as raw bytes, flushed as they come
  // and synced to the disk at least once a second; an empty path stops.
  // Returns false with `error` set when the file cannot be created.
  bool SetCapture(const QString& path, QString* error = nullptr);
  // The same to a file already open for writing, called `name` in messages;
  // nullptr stops.
  void SetCaptureFile(std::unique_ptr<QFileDevice> file, const QString& name);

  // What losing step has cost the transfer so far.
  const StepLoss& Loss() const { return loss_; }

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
  // The stream was out of step and is back in step; `loss` sums up the
  // transfer so far. `first` for the first time in this transfer.
  void StepRegained(const orbek::StepLoss& loss, bool first);

 private:
  void SetUpAndOpen(const QString& port, std::optional<int> baud);
  void OnComm();
  void TakeBytes();
  void Deliver(const std::vector<RecordAligner::Event>& events);
  void Deliver(const MeterRecord& record);
  void NoteSkip(const RecordAligner::Event& skip);
  void WatchForQuiet();
  void OnQuiet();
  void FlushHeld(bool honourEnd);
  static QString Hex(const MeterRecord& record);
  void NewTransfer(int intervalIndex);
  void FollowRecords();
  void EndTransfer();
  void Send(std::uint8_t command, const char* what);
  void Capture(const QByteArray& bytes);
  void SyncCapture();

  CMscomm1 port_;
  std::unique_ptr<QFileDevice> capture_;
  QString captureName_;
  QTimer captureSync_;
  bool captureDirty_ = false;
  RecordAligner aligner_;
  QTimer quiet_;  // ends a held end record once the line has fallen quiet
  StepLoss loss_;
  std::int64_t records_ = 0;  // passed on since the last start: the next row's number
};

}  // namespace orbek
