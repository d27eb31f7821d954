#pragma once

#include <QLoggingCategory>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <optional>

#include "link/CMscomm1.h"
#include "link/LinkProblem.h"
#include "meter/ReadingPipeline.h"
#include "storage/Journal.h"

Q_DECLARE_LOGGING_CATEGORY(lcLink)

namespace orbek {

// One link to the meter, for the window and for orbek-log alike: it opens
// the port the way the meter needs it, sends the start and stop bytes, puts
// every byte that arrives in the journal, and runs the bytes through the
// ReadingPipeline that replay and --decode run too. What happens on the
// line afterwards arrives as signals, on the thread that owns the session.
//
// Errors: Open, Start and Stop throw SerialError when the port refuses (a
// user's action failed); everything later is a signal.
class MeterSession : public QObject, private ReadingSink {
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
  // Sends the stop byte, lets it leave, takes the records still on their
  // way (until the line has been quiet for 50 ms), closes the port and drops
  // anything still queued. The transfer is over: see Flush.
  void Stop();
  // Closes without telling the meter. The transfer is over: see Flush.
  void Close();
  // The transfer is over: what the pipeline still holds goes out as it was
  // framed, as a replay of the journal at its end does.
  void Flush();
  // Whether a lost device ends the transfer (the default: what was held
  // goes out at once) or may come back and go on (orbek-log --reconnect).
  void SetTransferOutlivesDevice(bool outlives) { outlivesDevice_ = outlives; }

  // Appends every byte received from now on (after a start's dropped read),
  // the end record included, to `journal`; nullptr stops. The session does
  // not own it.
  void SetJournal(Journal* journal);
  // Also keeps every byte the journal gets in `bytes` (the transfer's
  // original for the archive); nullptr stops. Not owned.
  void KeepBytesIn(QByteArray* bytes) { kept_ = bytes; }

  // What losing step has cost the transfer so far.
  const StepLoss& Loss() const { return pipeline_.Loss(); }
  // Readings delivered in this transfer.
  std::int64_t Count() const { return pipeline_.Count(); }

  // The port component itself, for code that looks at its properties.
  CMscomm1& Port() { return port_; }
  const CMscomm1& Port() const { return port_; }

 signals:
  // One reading, in arrival order.
  void ReadingArrived(const orbek::Reading& reading);
  // The records of one read from the port have all been handed on: what
  // gathers them can write them out together.
  void RecordsTaken();
  // A reading that arrived already was found to be out of step; it comes
  // again, marked.
  void ReadingCorrected(const orbek::Reading& reading);
  // The end-of-transfer record came: the stop byte has been sent and the
  // port closed.
  void TransferEnded();
  // The device went away while open; the port is closed. What came before
  // has been delivered.
  void DeviceLost(const QString& port);
  // Something on the line failed that the user should hear of; the link
  // stays as it is.
  void Failed(const orbek::LinkProblem& problem);
  // The journal took every byte again after a time it could not.
  void JournalCaughtUp(const QString& path);
  // The stream was out of step and is back in step; `loss` sums up the
  // transfer so far. `first` for the first time in this transfer.
  void StepRegained(const orbek::StepLoss& loss, bool first);

 private:
  void SetUpAndOpen(const QString& port, std::optional<int> baud);
  void OnComm();
  void TakeBytes();
  void WatchForQuiet();
  void OnQuiet();
  static QString Hex(const MeterRecord& record);
  void NewTransfer(int intervalIndex);
  void FollowRecords();
  void EndTransfer();
  void TakeResting();
  void TakeRecordsInFlight();
  void LetAnEarlierTransferEnd();
  void DropWaitingInput();
  void Send(std::uint8_t command, const char* what);
  void Capture(const QByteArray& bytes);

  // ReadingSink
  void OnReading(const Reading& reading) override;
  void OnOutOfStep(const Reading& corrected) override;
  void OnStepRegained(const StepLoss& loss) override;
  void OnEnd(const MeterRecord& end) override;

  CMscomm1 port_;
  Journal* journal_ = nullptr;
  QByteArray* kept_ = nullptr;
  Journal::State journalState_ = Journal::State::Written;  // after the last append
  ReadingPipeline pipeline_{*this};
  QTimer quiet_;  // ends a held end record once the line has fallen quiet
  bool closing_ = false;
  bool discarding_ = false;  // what is read now came before the start byte
  qsizetype droppedBytes_ = 0;
  bool outlivesDevice_ = false;
};

}  // namespace orbek
