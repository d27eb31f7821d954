#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>
#include <cstdint>

namespace orbek {

// The serial port component the main window drives: the properties and the
// OnComm event of a communications control, over QSerialPort, on the thread
// that owns it. Operations it cannot carry out throw SerialError.
class CMscomm1 : public QObject {
  Q_OBJECT

 public:
  // CommEvent values.
  static constexpr std::int16_t kEventReceive = 2;
  // The device went away while open (unplugged, the other end of a
  // pseudo-terminal closed); the port has been closed.
  static constexpr std::int16_t kEventDeviceLost = 1012;
  // A read or write failed but the device is still there.
  static constexpr std::int16_t kEventIoError = 1013;

  explicit CMscomm1(QObject* parent = nullptr);
  ~CMscomm1() override;

  // The device path, for example /dev/ttyUSB0.
  void SetCommPort(const QString& path);
  QString CommPort() const { return commPort_; }

  // Kept for the callers that set them; the receive buffer grows as needed,
  // so no byte is dropped while the thread is busy elsewhere.
  void SetInBufferSize(std::int16_t size) { inBufferSize_ = size; }
  std::int16_t InBufferSize() const { return inBufferSize_; }
  void SetOutBufferSize(std::int16_t size) { outBufferSize_ = size; }
  std::int16_t OutBufferSize() const { return outBufferSize_; }

  // Most bytes one Input read takes; 0 takes all that wait.
  void SetInputLen(std::int16_t length) { inputLen_ = length; }
  std::int16_t InputLen() const { return inputLen_; }

  // Bytes queued for sending; setting 0 drops them (also on a closed port).
  void SetOutBufferCount(std::int16_t count);
  std::int16_t OutBufferCount() const;

  bool PortOpen() const { return port_.isOpen(); }
  // true: opens CommPort with the current Settings; false: lets queued bytes
  // leave (within a short bound), then closes.
  void SetPortOpen(bool open);

  // OnComm is raised whenever at least this many bytes wait; 0 raises none.
  void SetRThreshold(std::int16_t threshold) { rThreshold_ = threshold; }
  std::int16_t RThreshold() const { return rThreshold_; }

  // How long the port rests after it has read, while bytes keep coming:
  // what arrives meanwhile waits in the driver's buffer and is read in one
  // go, so a steady stream costs a wake-up a rest, not one a record. An
  // idle line is read as soon as a byte comes, and a line too slow or too
  // fast for a rest to pay is read as it comes (see RestAfter). 0, the
  // default, reads every arrival at once.
  void SetReceivePacing(int ms) { pacingMs_ = ms; }
  int ReceivePacing() const { return pacingMs_; }
  // Reads of the device since the port was opened: one a record on a
  // slow line, one a rest on a streaming one.
  std::int64_t DeviceReads() const { return deviceReads_; }
  // Reads at once, resting or not, what the device has delivered, and
  // raises the receive events for it.
  void ReadNow();
  // Waits until what was written has left the port (a quarter second at
  // most); why it may not have, or an empty text.
  QString DrainOutput();
  // Why the bytes written last may not have left when the port closed.
  const QString& DrainProblem() const { return drainProblem_; }
  // Waits up to `ms` for bytes to arrive and raises the receive events for
  // them; false when none came (or the port closed meanwhile).
  bool WaitForInput(int ms);

  // "baud,parity,data,stop", for example "9600,n,8,1".
  void SetSettings(const QString& settings);
  QString Settings() const { return settings_; }

  // 0 text, 1 binary. Input returns the raw bytes either way.
  void SetInputMode(std::int32_t mode) { inputMode_ = mode; }
  std::int32_t InputMode() const { return inputMode_; }

  // Queues bytes for sending.
  void SetOutput(const QByteArray& bytes);
  // Removes and returns up to InputLen waiting bytes.
  QByteArray Input();
  // Bytes waiting to be read.
  qsizetype InBufferCount() const { return received_.size(); }

  std::int16_t CommEvent() const { return commEvent_; }
  // The system's words for the last failure of the device.
  QString ErrorString() const;

 signals:
  void OnComm();

 public:
  struct LineSettings {
    qint32 baud;
    QSerialPort::Parity parity;
    QSerialPort::DataBits dataBits;
    QSerialPort::StopBits stopBits;
  };
  // "9600,n,8,1" and the like; throws SerialError for anything else.
  static LineSettings ParseSettings(const QString& settings);

 private:
  void ApplySettings();
  void Open();
  void Close();
  void ReadWaiting();
  void TakeArrived();
  bool RestAfter(qsizetype bytes);
  void Rest();
  void EndRest();
  void TakeHeld();
  bool DriverHoldsBytes() const;
  void RaiseReceiveEvents();
  void RaiseEvent(std::int16_t event);
  void HandleError(QSerialPort::SerialPortError error);
  bool HungUp() const;
  void CheckHangUp();
  void LoseDevice();
  [[noreturn]] void Fail(const QString& what) const;

  QSerialPort port_;
  // Looks for a hang-up while open. QSerialPort keeps the one read notifier
  // the descriptor may have; a second one would take its place under some
  // event dispatchers, and no byte would be read.
  QTimer hangUpWatch_;
  QTimer rest_;  // running while the port rests
  int pacingMs_ = 0;
  QElapsedTimer sinceRead_;  // since the last read of the device
  // The line's pace, over spans of several rests: bytes read since the
  // span began, and the bytes a rest would gather at the last span's pace
  // (-1 until a span has been measured).
  QElapsedTimer span_;
  std::int64_t spanBytes_ = 0;
  std::int64_t gatheredInRest_ = -1;
  bool pacedRests_ = false;  // the last read was followed by a rest
  std::int64_t deviceReads_ = 0;
  QString commPort_;
  QString settings_ = QStringLiteral("9600,n,8,1");
  LineSettings line_ = ParseSettings(settings_);
  QByteArray received_;
  QString drainProblem_;
  std::int16_t inBufferSize_ = 1024;
  std::int16_t outBufferSize_ = 512;
  std::int16_t inputLen_ = 0;
  std::int16_t rThreshold_ = 0;
  std::int32_t inputMode_ = 0;
  std::int16_t commEvent_ = 0;
  bool raising_ = false;
};

}  // namespace orbek
