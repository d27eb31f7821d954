#include "link/CMscomm1.h"

#include <algorithm>
#include <cerrno>

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>

#include "link/SerialDevice.h"
#include "link/SerialError.h"
#include "storage/NativePath.h"

namespace orbek {

namespace {

// The user meets these: the window has them in its language (context
// "Line"), orbek-log in English.
QString Said(const char* text) {
  return QCoreApplication::translate("Line", text);
}

// How long closing waits for queued bytes to leave: a stop command takes
// about 1 ms at 9600 baud, so this only bounds a stalled line.
constexpr int kDrainTimeoutMs = 250;
// How often an open port is checked for a hang-up that no read reports.
constexpr int kHangUpCheckMs = 200;
// What the terminal driver keeps for a reader that does not read (n_tty).
constexpr std::int64_t kDriverBufferBytes = 4096;

QSerialPort::Parity ParityOf(QChar letter) {
  switch (letter.toLower().unicode()) {
    case 'e':
      return QSerialPort::EvenParity;
    case 'o':
      return QSerialPort::OddParity;
    case 'm':
      return QSerialPort::MarkParity;
    case 's':
      return QSerialPort::SpaceParity;
    default:
      return QSerialPort::NoParity;
  }
}

QSerialPort::StopBits StopBitsOf(const QString& text) {
  if (text == QLatin1String("2")) return QSerialPort::TwoStop;
  if (text == QLatin1String("1.5")) return QSerialPort::OneAndHalfStop;
  return QSerialPort::OneStop;
}

// Clears a flag when the scope ends, also when a handler throws.
class FlagScope {
 public:
  explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~FlagScope() { flag_ = false; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& flag_;
};

}  // namespace

CMscomm1::CMscomm1(QObject* parent) : QObject(parent) {
  port_.setReadBufferSize(0);  // unbounded: nothing is lost while the GUI is busy
  connect(&port_, &QSerialPort::readyRead, this, &CMscomm1::ReadWaiting);
  connect(&port_, &QSerialPort::errorOccurred, this, &CMscomm1::HandleError);
  hangUpWatch_.setInterval(kHangUpCheckMs);
  connect(&hangUpWatch_, &QTimer::timeout, this, &CMscomm1::CheckHangUp);
  rest_.setSingleShot(true);
  connect(&rest_, &QTimer::timeout, this, &CMscomm1::EndRest);
}

CMscomm1::~CMscomm1() {
  hangUpWatch_.stop();
  if (port_.isOpen()) port_.close();
}

void CMscomm1::SetCommPort(const QString& path) {
  if (port_.isOpen())
    Fail(QStringLiteral("cannot change the port while %1 is open").arg(commPort_));
  commPort_ = path;
}

void CMscomm1::SetOutBufferCount(std::int16_t count) {
  if (count != 0) Fail(QStringLiteral("only 0 may be set as the output buffer count"));
  if (port_.isOpen()) port_.clear(QSerialPort::Output);
}

std::int16_t CMscomm1::OutBufferCount() const {
  return port_.isOpen() ? static_cast<std::int16_t>(port_.bytesToWrite()) : 0;
}

void CMscomm1::SetPortOpen(bool open) {
  if (open == port_.isOpen()) return;
  open ? Open() : Close();
}

void CMscomm1::SetSettings(const QString& settings) {
  line_ = ParseSettings(settings);
  settings_ = settings;
  if (port_.isOpen()) ApplySettings();
}

void CMscomm1::SetOutput(const QByteArray& bytes) {
  if (!port_.isOpen()) Fail(Said(QT_TRANSLATE_NOOP("Line", "cannot send: the port is not open")));
  if (port_.write(bytes) != bytes.size())
    Fail(Said(QT_TRANSLATE_NOOP("Line", "cannot send to %1: %2"))
             .arg(commPort_, PortErrorText(port_)));
  // Hand the bytes to the driver now rather than on the next event loop pass.
  port_.flush();
}

QByteArray CMscomm1::Input() {
  if (!port_.isOpen()) Fail(Said(QT_TRANSLATE_NOOP("Line", "cannot read: the port is not open")));
  const qsizetype count =
      inputLen_ > 0 ? std::min<qsizetype>(inputLen_, received_.size()) : received_.size();
  QByteArray bytes = received_.left(count);
  received_.remove(0, count);
  return bytes;
}

// "9600,n,8,1": the baud rate (2 to 7 digits), the parity (n, e, o, m or
// s), the data bits (5 to 8) and the stop bits (1, 1.5 or 2), with spaces
// around each allowed. Read by hand: a regular expression's compilation
// was a thirtieth of orbek-log's start-up.
CMscomm1::LineSettings CMscomm1::ParseSettings(const QString& settings) {
  QStringList fields = settings.split(QLatin1Char(','));
  for (QString& field : fields)
    field = field.trimmed();
  const auto digits = [](const QString& text) {
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
  };
  const auto oneOf = [](const QString& text, QLatin1String letters) {
    return text.size() == 1 && QString(letters).contains(text);
  };
  const bool valid = fields.size() == 4 && fields[0].size() >= 2 && fields[0].size() <= 7 &&
                     digits(fields[0]) && oneOf(fields[1], QLatin1String("nNeEoOmMsS")) &&
                     oneOf(fields[2], QLatin1String("5678")) &&
                     (fields[3] == QLatin1String("1") || fields[3] == QLatin1String("1.5") ||
                      fields[3] == QLatin1String("2"));
  if (!valid)
    throw SerialError(QStringLiteral("Invalid port settings \"%1\": expected baud,parity,data "
                                     "bits,stop bits, for example 9600,n,8,1")
                          .arg(settings)
                          .toStdString());
  return {fields[0].toInt(), ParityOf(fields[1].at(0)),
          static_cast<QSerialPort::DataBits>(fields[2].toInt()), StopBitsOf(fields[3])};
}

void CMscomm1::ApplySettings() {
  const bool applied = port_.setBaudRate(line_.baud) && port_.setParity(line_.parity) &&
                       port_.setDataBits(line_.dataBits) && port_.setStopBits(line_.stopBits) &&
                       port_.setFlowControl(QSerialPort::NoFlowControl);
  if (!applied)
    Fail(Said(QT_TRANSLATE_NOOP("Line", "cannot set %1 on %2: %3"))
             .arg(settings_, commPort_, PortErrorText(port_)));
}

void CMscomm1::Open() {
  deviceReads_ = 0;
  if (commPort_.isEmpty()) Fail(Said(QT_TRANSLATE_NOOP("Line", "no port has been chosen")));
  port_.setReadBufferSize(0);  // a rest of the last open is over
  const OpenResult result = OpenExclusive(port_, commPort_);
  if (!result.ok()) Fail(Said(QT_TRANSLATE_NOOP("Line", "cannot open %1: %2")).arg(commPort_, result.reason));
  try {
    ApplySettings();
  } catch (...) {
    port_.close();
    throw;
  }
  received_.clear();
  hangUpWatch_.start();
}

void CMscomm1::Close() {
  // Let queued bytes (a stop command, say) leave before the descriptor goes.
  drainProblem_ = DrainOutput();
  hangUpWatch_.stop();
  rest_.stop();
  port_.close();
  received_.clear();
}

// QSerialPort's readyRead. While the port rests, nothing is read (see
// Rest), and the rest's end reads.
void CMscomm1::ReadWaiting() {
  if (!rest_.isActive()) TakeArrived();
}

void CMscomm1::TakeArrived() {
  const QByteArray bytes = port_.readAll();
  ++deviceReads_;
  received_.append(bytes);
  const bool rest = pacingMs_ > 0 && RestAfter(bytes.size());
  RaiseReceiveEvents();
  if (rest && port_.isOpen()) Rest();
}

// The port rests only while records stream (the read before was less than
// two rests ago), and only at a pace where a rest pays: it delays every
// record in it, so it must gather three receive events' worth or more (at
// 9600 baud a rest of 20 ms gathers less than two records). A line that
// would fill more than a quarter of the driver's buffer meanwhile is
// faster than any serial meter (a pseudo-terminal, a USB device at full
// speed), and is read as it comes, each read bringing plenty. The pace is
// the line's over spans of four rests, not the time since the read before:
// the read that ends a rest is followed closely by the next record, which
// would make a slow line look fast and rest again.
// A stream after a quiet spell does not know its pace yet.
bool CMscomm1::RestAfter(qsizetype bytes) {
  const bool streaming = sinceRead_.isValid() && sinceRead_.elapsed() < 2 * pacingMs_;
  sinceRead_.start();
  if (!streaming) {
    span_.start();
    spanBytes_ = 0;
    gatheredInRest_ = -1;
    pacedRests_ = false;
    return false;
  }
  spanBytes_ += bytes;
  // The first span, before any rest, is one rest long; later ones, which
  // take in what rests gathered, four.
  const std::int64_t ns = span_.nsecsElapsed();
  if (ns >= (gatheredInRest_ < 0 ? 1LL : 4LL) * pacingMs_ * 1'000'000) {
    gatheredInRest_ = spanBytes_ * pacingMs_ * 1'000'000 / ns;
    span_.start();
    spanBytes_ = 0;
  }
  // Once resting, the port goes on resting down to two events' worth, so
  // a pace near the bound (19200 baud) does not flip to and fro.
  const std::int64_t event = std::max<std::int64_t>(rThreshold_, 1);
  pacedRests_ = gatheredInRest_ >= (pacedRests_ ? 2 : 3) * event &&
                gatheredInRest_ <= kDriverBufferBytes / 4;
  return pacedRests_;
}

// A read buffer of one byte is QSerialPort's own way to stop reading: the
// descriptor is left alone until the buffer is enlarged again. But it
// leaves its read notifier on until the next arrival has been read into
// that byte and the one after has woken it again: two wake-ups and a read
// each rest. Its notifier (its only child that watches for reading) is
// turned off here instead; enlarging the buffer turns it on again.
void CMscomm1::Rest() {
  port_.setReadBufferSize(1);
  for (auto* notifier : port_.findChildren<QSocketNotifier*>(Qt::FindDirectChildrenOnly))
    if (notifier->type() == QSocketNotifier::Read) notifier->setEnabled(false);
  rest_.start(pacingMs_);
}

void CMscomm1::EndRest() {
  if (!port_.isOpen()) return;
  port_.setReadBufferSize(0);
  // What came during the rest waits in the driver (and a byte of it in
  // QSerialPort): it is read now, and the port may rest again. Nothing
  // came: the line is idle, and the next byte is read when it comes.
  if (DriverHoldsBytes()) port_.waitForReadyRead(0);
  TakeHeld();
}

// The readyRead of waitForReadyRead takes what it reads, except within a
// readyRead already under way (a handler that closes the port), where
// QSerialPort raises none; what it read is taken here then.
void CMscomm1::TakeHeld() {
  if (port_.isOpen() && port_.bytesAvailable() > 0) TakeArrived();
}

void CMscomm1::ReadNow() {
  if (!port_.isOpen()) return;
  rest_.stop();
  EndRest();
}

QString CMscomm1::DrainOutput() {
  if (!port_.isOpen()) return {};
  QElapsedTimer waited;
  waited.start();
  while (port_.bytesToWrite() > 0 && waited.elapsed() < kDrainTimeoutMs)
    port_.waitForBytesWritten(static_cast<int>(kDrainTimeoutMs - waited.elapsed()));
  if (port_.bytesToWrite() > 0)
    return Said(QT_TRANSLATE_NOOP("Line", "%1 bytes were still waiting to leave"))
        .arg(port_.bytesToWrite());
  while (::tcdrain(port_.handle()) != 0)
    if (errno != EINTR) return ReasonFor(errno);
  return {};
}

bool CMscomm1::WaitForInput(int ms) {
  ReadNow();
  if (!port_.isOpen() || !port_.waitForReadyRead(ms)) return false;
  TakeHeld();
  return port_.isOpen();
}

bool CMscomm1::DriverHoldsBytes() const {
  int waiting = 0;
  return ::ioctl(port_.handle(), FIONREAD, &waiting) == 0 && waiting > 0;
}

// One event per threshold's worth of waiting bytes: a burst of records read at
// once still gives one event per record, in order, and a record that arrives
// byte by byte gives its event once complete.
void CMscomm1::RaiseReceiveEvents() {
  if (raising_ || rThreshold_ <= 0) return;
  const FlagScope scope(raising_);
  while (port_.isOpen() && received_.size() >= rThreshold_) {
    const qsizetype before = received_.size();
    RaiseEvent(kEventReceive);
    if (received_.size() >= before) break;  // not read: the next arrival raises again
  }
}

void CMscomm1::RaiseEvent(std::int16_t event) {
  commEvent_ = event;
  emit OnComm();
}

QString CMscomm1::ErrorString() const {
  return PortErrorText(port_);
}

void CMscomm1::HandleError(QSerialPort::SerialPortError error) {
  switch (error) {
    case QSerialPort::ResourceError:
      // The device is gone; reading again would only fail again.
      LoseDevice();
      return;
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
      if (!port_.isOpen()) return;
      HungUp() ? LoseDevice() : RaiseEvent(kEventIoError);
      return;
    default:
      return;  // open errors are thrown by Open; the rest needs no action
  }
}

// A pseudo-terminal whose other end closed reads as end of file with POLLHUP,
// which QSerialPort does not report; a USB adapter pulled out reads EIO,
// which it reports as ResourceError. Both end here.
bool CMscomm1::HungUp() const {
  pollfd device{port_.handle(), 0, 0};
  return ::poll(&device, 1, 0) == 1 && (device.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

void CMscomm1::CheckHangUp() {
  if (port_.isOpen() && HungUp()) LoseDevice();
}

void CMscomm1::LoseDevice() {
  if (!port_.isOpen()) return;
  // Hand on what had already been read before the device went away.
  rest_.stop();
  if (port_.bytesAvailable() > 0) {
    received_.append(port_.readAll());
    RaiseReceiveEvents();
  }
  if (!port_.isOpen()) return;
  hangUpWatch_.stop();
  port_.close();
  received_.clear();
  RaiseEvent(kEventDeviceLost);
}

void CMscomm1::Fail(const QString& what) const {
  throw SerialError(what.toStdString());
}

}  // namespace orbek
