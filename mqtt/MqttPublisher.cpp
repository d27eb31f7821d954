#include "mqtt/MqttPublisher.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <optional>
#include <random>
#include <string_view>
#include <vector>

#include "storage/AppendFile.h"
#include "storage/Credentials.h"
#include "storage/NativePath.h"

Q_LOGGING_CATEGORY(lcMqtt, "orbek.mqtt", QtWarningMsg)

namespace orbek {

namespace {

// Messages sent and not yet acknowledged, at most; the rest wait in the spool.
constexpr std::size_t kWindow = 1000;
// A send costs the broker and us nearly as much for a few messages as for
// many (a TCP segment each way, a wake-up on each side). While a meter's
// readings trickle in, a read's few at a time, the sender takes new ones at
// most this often and reads the broker's acknowledgements together at the
// end of each wait. A send that took many (more than a meter at 115200 baud
// sends meanwhile) or left some behind (a backlog, a capture decoded at
// full speed) is followed by the next at once, and so is a reading that
// comes after a quiet spell.
constexpr std::chrono::milliseconds kTrickleSendEvery{100};
constexpr std::size_t kTrickleMessages = 256;
constexpr int kKeepAliveSeconds = 30;
// A connection, TLS handshake included, and the broker's answer to it.
constexpr std::chrono::seconds kConnectWithin{10};
constexpr std::chrono::seconds kAnswerWithin{10};
// What waits to be written to the broker, at most, before the spool is
// read again.
constexpr std::size_t kMostOutgoingBytes = 1 << 20;
constexpr int kStatusWaitMs = 2000;
constexpr int kAwayWaitMs = 5000;
// A lost broker is tried again after 1 s, then every 2 s.
constexpr std::chrono::milliseconds kFirstRetry{1000};
constexpr std::chrono::milliseconds kLongestRetry{2000};
constexpr std::int64_t kNoteEveryMs = 200;
constexpr std::int64_t kRestartSpoolBytes = 4 << 20;
// The spool starts with this line, the number being where the messages the
// broker has not acknowledged begin.
constexpr char kSpoolHeader[] = "orbek-mqtt-spool acked=%016lld\n";
constexpr std::int64_t kHeaderSize = 40;

QString SystemReason(int error = errno) {
  return ReasonFor(error);
}

// Told apart from every other client of the broker: a broker drops the
// older of two connections with one id.
std::string ClientId() {
  std::random_device random;
  char id[32];
  std::snprintf(id, sizeof id, "orbek-%08x%08x", random(), random());
  return id;
}

// Runs of plain characters go in whole; quotes, backslashes and control
// characters escaped.
void AppendJsonText(std::string& json, std::string_view text) {
  json += '"';
  std::size_t plain = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '"' && c != '\\' && static_cast<unsigned char>(c) >= 0x20) continue;
    json.append(text.data() + plain, i - plain);
    plain = i + 1;
    if (c == '"' || c == '\\') {
      json += '\\';
      json += c;
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      json += escaped;
    }
  }
  json.append(text.data() + plain, text.size() - plain);
  json += '"';
}

// With the meter's places after the point ("7.00"): valid JSON, and what
// the meter showed.
void AppendJsonFixedOrNull(std::string& json, std::optional<double> number, int decimals) {
  const FixedText text =
      number && std::isfinite(*number) ? FixedNumberText(*number, decimals) : FixedText{};
  json += text.size > 0 ? text.View() : std::string_view("null");
}

void AppendJsonTextOrNull(std::string& json, std::optional<std::string_view> text) {
  if (text) return AppendJsonText(json, *text);
  json += "null";
}

// "YYYY-MM-DDThh:mm:ss", for a clock that names a real moment (every field
// then has its width: a year of four digits, the rest of two).
std::optional<std::string> IsoText(const MeterClock& clock) {
  if (!clock.real) return std::nullopt;
  std::string text = "0000-00-00T00:00:00";
  const auto put = [&](std::size_t at, unsigned value, int digits) {
    for (int i = digits - 1; i >= 0; --i, value /= 10)
      text[at + static_cast<std::size_t>(i)] = static_cast<char>('0' + value % 10);
  };
  put(0, static_cast<unsigned>(clock.year), 4);
  put(5, clock.month, 2);
  put(8, clock.day, 2);
  put(11, clock.hour, 2);
  put(14, clock.minute, 2);
  put(17, clock.second, 2);
  return text;
}

QString Sanitized(QString text) {
  for (QChar& c : text)
    if (c == QLatin1Char('+') || c == QLatin1Char('#')) c = QLatin1Char('_');
  return text;
}

// One spool a topic: what one run could not publish goes out with the next
// run that publishes the same readings' topic, to whichever broker.
QString DefaultSpool(const QString& topic) {
  QString name = topic;
  for (QChar& c : name)
    if (!c.isLetterOrNumber() && c != QLatin1Char('.') && c != QLatin1Char('-')) c = '_';
  return StateFolder() + QStringLiteral("/mqtt-") + name.left(180) + QStringLiteral(".spool");
}

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

QString DefaultTopic(const QString& devicePath) {
  QString device = devicePath.startsWith(QLatin1String("/dev/"))
                       ? devicePath.mid(5).replace(QLatin1Char('/'), QLatin1Char('-'))
                       : QFileInfo(devicePath).completeBaseName();
  return Sanitized(QStringLiteral("orbek/%1/%2").arg(QSysInfo::machineHostName(), device));
}

QByteArray ReadingMessage(std::string_view transfer, const Reading& reading,
                          const SampleDetails& details) {
  const DecodedReading& r = reading.decoded;
  // Composed in a standard string: piece by piece into a QByteArray cost
  // more than the rest of a reading's publishing.
  std::string json;
  json.reserve(512);
  json += "{\"transfer\":";
  AppendJsonText(json, transfer);
  json += ",\"reading\":";
  json += IntegerText(reading.number).View();
  json += ",\"meter_time\":";
  AppendJsonText(json, r.TimestampText);
  json += ",\"meter_time_iso\":";
  const auto iso = IsoText(r.Clock);
  AppendJsonTextOrNull(json, iso ? std::optional<std::string_view>(*iso) : std::nullopt);
  json += ",\"value_text\":";
  AppendJsonText(json, r.ValueText);
  json += ",\"value\":";
  AppendJsonFixedOrNull(json, r.Value, r.ValueDecimals);
  json += ",\"unit\":";
  AppendJsonTextOrNull(json, r.Unit);
  json += ",\"unit_ucum\":";
  AppendJsonTextOrNull(json, r.UnitCode);
  json += ",\"temperature_text\":";
  AppendJsonText(json, r.TemperatureText);
  json += ",\"temperature\":";
  AppendJsonFixedOrNull(json, r.TemperatureNumber, 1);
  json += ",\"temperature_unit\":";
  AppendJsonText(json, r.TemperatureUnit());
  json += ",\"received\":";
  const std::string received = UtcIsoText(reading.received);
  AppendJsonTextOrNull(json, received.empty() ? std::nullopt
                                              : std::optional<std::string_view>(received));
  json += reading.outOfStep ? ",\"out_of_step\":true" : ",\"out_of_step\":false";
  json += ",\"lost_before\":";
  json += IntegerText(static_cast<std::int64_t>(reading.lostBefore)).View();
  // The sample's details a subscriber files the reading under.
  for (const DetailField& field : kDetailFields) {
    if (!field.perReading) continue;
    json += ",\"";
    json += field.key;
    json += "\":";
    const std::string& text = details.*field.member;
    AppendJsonTextOrNull(json, text.empty() ? std::nullopt : std::optional<std::string_view>(text));
  }
  json += '}';
  return QByteArray(json.data(), static_cast<qsizetype>(json.size()));
}

MqttPublisher::MqttPublisher(const MqttOptions& options, std::function<void(const QString&)> notice)
    : notice_(std::move(notice)) {
  wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wake_ < 0) throw MqttError("cannot set up the MQTT sender: " + SystemReason().toStdString());
  Configure(options);
  OpenSpool();
}

MqttPublisher::~MqttPublisher() {
  StopSender();
  spool_.reset();
  if (wake_ >= 0) ::close(wake_);
}

// A password others can read is no secret: said, and still used, since
// refusing would stop a logger that ran yesterday.
void MqttPublisher::WarnOthersCanRead(const QString& path) const {
  notice_(QStringLiteral("every user of this machine can read the broker's password "
                           "in %1; make it readable by its owner only (chmod 600 %1)")
                .arg(DisplayPath(path)));
}

void MqttPublisher::Configure(const MqttOptions& options) {
  const QUrl url(options.url, QUrl::StrictMode);
  const bool tls = url.scheme() == QLatin1String("mqtts");
  if (!url.isValid() || (!tls && url.scheme() != QLatin1String("mqtt")) || url.host().isEmpty() ||
      !(url.path().isEmpty() || url.path() == QLatin1String("/")) || !url.userInfo().isEmpty())
    throw MqttError(QStringLiteral("--mqtt %1: give mqtt://host[:port] or mqtts://host[:port] "
                                   "(credentials go in --mqtt-credentials)")
                        .arg(options.url)
                        .toStdString());
  url_ = url.toString();
  host_ = url.host().toUtf8();
  port_ = url.port(tls ? 8883 : 1883);
  topic_ = options.topic;
  if (topic_.isEmpty() || topic_.contains(QLatin1Char('+')) || topic_.contains(QLatin1Char('#')))
    throw MqttError(
        QStringLiteral("--mqtt-topic %1: a topic prefix may not be empty or hold + or #")
            .arg(topic_)
            .toStdString());
  readingTopic_ = (topic_ + QStringLiteral("/reading")).toUtf8();
  statusTopic_ = (topic_ + QStringLiteral("/status")).toUtf8();
  spoolPath_ = options.spool.isEmpty() ? DefaultSpool(topic_) : options.spool;

  request_.clientId = ClientId();
  request_.keepAliveSeconds = kKeepAliveSeconds;
  request_.willTopic = statusTopic_.toStdString();
  request_.willMessage = "offline";
  if (!options.credentialsFile.isEmpty()) {
    QString problem;
    const std::optional<Credentials> credentials =
        ReadCredentials(options.credentialsFile, &problem);
    if (!credentials) throw MqttError(problem.toStdString());
    if (credentials->othersCanRead) WarnOthersCanRead(options.credentialsFile);
    request_.user = credentials->user.toStdString();
    request_.password = credentials->password.toStdString();
  }
  ConfigureTls(options, tls);
}

void MqttPublisher::ConfigureTls(const MqttOptions& options, bool tls) {
  if (!tls) return;
  if (!options.caFile.isEmpty() && !NativeExists(options.caFile))
    throw MqttError(QStringLiteral("--mqtt-ca %1 does not exist")
                        .arg(DisplayPath(options.caFile))
                        .toStdString());
  MqttLink::LoadTls();
  tls_ = LinkTls{NativeFromPath(options.caFile), options.insecure};
}

// The spool is locked for this run. A spool of an earlier run keeps what
// the broker did not acknowledge; a last line cut short by a crash is
// dropped (the message before it was the last one the run completed).
void MqttPublisher::OpenSpool() {
  const QString folder = QFileInfo(spoolPath_).absolutePath();
  if (!QDir().mkpath(folder))
    throw MqttError(QStringLiteral("cannot create the folder %1 for the spool")
                        .arg(DisplayPath(folder))
                        .toStdString());
  const QByteArray path = NativeFromPath(spoolPath_);
  const int descriptor = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (descriptor < 0)
    throw MqttError(QStringLiteral("cannot open the spool %1: %2")
                        .arg(DisplayPath(spoolPath_), SystemReason())
                        .toStdString());
  try {
    const std::int64_t end = SpoolEnd(descriptor);
    spool_ = std::make_unique<AppendFile>(descriptor, end, kMostHeldBytes,
                                          AppendFile::Overflow::LoseWhole);
  } catch (...) {
    ::close(descriptor);
    throw;
  }
  WriteAcknowledged(true);
  if (const std::int64_t waiting = Pending(); waiting > 0)
    notice_(QStringLiteral("%1 readings of an earlier run wait in %2; they go first")
                .arg(waiting)
                .arg(DisplayPath(spoolPath_)));
}

// Where an opened spool's messages end, its acknowledged part noted; a
// stale tail is cut off. Throws MqttError.
std::int64_t MqttPublisher::SpoolEnd(int descriptor) {
  const auto fail = [&](const QString& what) {
    throw MqttError(QStringLiteral("%1 the spool %2: %3")
                        .arg(what, DisplayPath(spoolPath_), SystemReason())
                        .toStdString());
  };
  if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0)
    throw MqttError(QStringLiteral("the spool %1 is in use by another orbek-log publishing to %2")
                        .arg(DisplayPath(spoolPath_), topic_)
                        .toStdString());
  // A spool read as empty would be cut below, and an earlier run's
  // unsent messages with it.
  struct stat info {};
  if (::fstat(descriptor, &info) != 0) fail(QStringLiteral("cannot look at"));
  std::int64_t written = info.st_size;
  char header[kHeaderSize + 1] = {};
  long long acknowledged = kHeaderSize;
  if (written >= kHeaderSize && ::pread(descriptor, header, kHeaderSize, 0) == kHeaderSize &&
      std::sscanf(header, "orbek-mqtt-spool acked=%16lld", &acknowledged) == 1) {
    while (written > kHeaderSize) {
      char last = 0;
      const ssize_t got = ::pread(descriptor, &last, 1, written - 1);
      if (got < 0) fail(QStringLiteral("cannot read"));
      if (got != 1 || last == '\n') break;
      --written;
    }
  } else if (written != 0) {
    throw MqttError(QStringLiteral("%1 is not a spool of orbek-log; move it away")
                        .arg(DisplayPath(spoolPath_))
                        .toStdString());
  } else {
    written = kHeaderSize;
  }
  acknowledged_ = sent_ = std::clamp<std::int64_t>(acknowledged, kHeaderSize, written);
  // A last line cut short by a crash; the message before it was the last
  // one the run completed.
  if (written < info.st_size && ::ftruncate(descriptor, written) != 0)
    fail(QStringLiteral("cannot cut the unfinished last line of"));
  return written;
}

void MqttPublisher::Connect(int waitMs) {
  std::unique_lock lock(mutex_);
  nextAttempt_ = std::chrono::steady_clock::now();
  sender_ = std::thread([this] { Send(); });
  changed_.wait_for(lock, std::chrono::milliseconds(waitMs), [&] {
    return connected_ || refusal_ >= 0 || tlsFailure_ != MqttLink::Failure::None ||
           !unreachable_.isEmpty();
  });
  if (tlsFailure_ == MqttLink::Failure::Certificate && !connected_)
    throw MqttRefused(QStringLiteral("the TLS handshake with the broker at %1 failed: its "
                                     "certificate could not be verified (%2; give the authority "
                                     "that signed it with --mqtt-ca FILE, or turn the check off "
                                     "with --mqtt-insecure)")
                          .arg(url_, tlsProblem_)
                          .toStdString());
  if (tlsFailure_ == MqttLink::Failure::Handshake && !connected_)
    throw MqttRefused(QStringLiteral("the TLS handshake with the broker at %1 failed: %2")
                          .arg(url_, tlsProblem_)
                          .toStdString());
  if (refusal_ >= 0)
    throw MqttRefused(QStringLiteral("the broker at %1 refused the connection: %2")
                          .arg(url_, QString::fromLatin1(mqtt::RefusalText(refusal_)))
                          .toStdString());
  if (!connected_) {
    lostNoticed_ = true;
    const QString why = unreachable_.isEmpty() ? QStringLiteral("no answer") : unreachable_;
    lock.unlock();
    notice_(QStringLiteral("cannot reach the broker at %1 yet (%2); readings wait in %3 until it "
                           "can be reached")
                .arg(url_, why, DisplayPath(spoolPath_)));
  }
}

// Only this thread appends; the sender reads behind it, and starts the
// spool again once the broker has everything. A message the spool refuses
// (a full disk) waits in memory, in order, until it takes it.
void MqttPublisher::Publish(const QByteArray& message) {
  gathered_ += message;
  gathered_ += '\n';
  if (!gathering_) Flush();
}

void MqttPublisher::Gather(bool gather) {
  gathering_ = gather;
  if (!gather) Flush();
}

void MqttPublisher::Flush() {
  if (gathered_.isEmpty()) return;
  bool startsHolding = false;
  {
    const std::lock_guard lock(spoolMutex_);
    const bool wasHolding = spool_->HeldBytes() > 0;
    // A batch the spool cannot take, nor memory hold, is lost whole.
    if (spool_->Append(gathered_) > 0) lost_ += gathered_.count('\n');
    startsHolding = !wasHolding && spool_->HeldBytes() > 0;
  }
  gathered_.resize(0);  // keeps its room for the next batch
  if (startsHolding)
    notice_(QStringLiteral("cannot write the spool %1: %2; readings wait in memory until it takes "
                           "them")
                .arg(DisplayPath(spoolPath_), spool_->Error()));
  Wake();
}

QString MqttPublisher::SpoolError() const {
  return spool_->Error();
}

std::int64_t MqttPublisher::Unspooled() const {
  const std::lock_guard lock(spoolMutex_);
  return spool_->Held().count('\n') + lost_;
}

// The sender's: once the broker has every message of a long spool, the
// spool starts again, under the mutex the appender takes.
void MqttPublisher::RestartSpoolWhenDone() {
  if (acknowledged_.load() <= kRestartSpoolBytes) return;
  const std::lock_guard lock(spoolMutex_);
  if (acknowledged_.load() != spool_->End() || !spool_->Restart(kHeaderSize)) return;
  acknowledged_ = sent_ = kHeaderSize;
  WriteAcknowledged(true);
}

void MqttPublisher::Wake() {
  if (woken_.exchange(true)) return;
  const std::uint64_t one = 1;
  [[maybe_unused]] const auto written = ::write(wake_, &one, sizeof one);
}

// The sender thread: every exchange with the broker is made here, so the
// reader of the meter never waits on the network. It waits for the
// broker's socket or for a wake-up; what it has to say goes out with one
// write a wake-up, however many messages that is.
void MqttPublisher::Send() {
  for (;;) {
    {
      const std::lock_guard lock(mutex_);
      if (stopping_) break;
    }
    if (!link_.IsOpen()) Reconnect();
    const bool open = link_.IsOpen();
    const bool writing = !outgoing_.empty() && !link_.WantsRead();
    // A rest waits out wake-ups (poll skips a negative descriptor; the
    // appender, seeing its wake-up unread, writes no more) and the broker's
    // acknowledgements, which come a few at a time and are read together
    // at its end. Only what is still to be written goes on meanwhile.
    const int rest = RestMs();
    const bool watchBroker = rest == 0 || writing;
    pollfd polled[2] = {{rest > 0 ? -1 : wake_, POLLIN, 0},
                        {watchBroker ? link_.Descriptor() : -1,
                         static_cast<short>(POLLIN | (writing ? POLLOUT : 0)), 0}};
    ::poll(polled, open ? 2 : 1, rest > 0 ? rest : open ? 500 : 200);
    if (polled[0].revents & POLLIN) {
      std::uint64_t count = 0;
      [[maybe_unused]] const auto got = ::read(wake_, &count, sizeof count);
      woken_ = false;
    }
    if (open && (polled[1].revents & (POLLIN | POLLERR | POLLHUP))) ReadBroker();
    KeepAlive();
    SendStatusWhenAsked();
    if (RestMs() == 0) Pump();
    WriteBroker();
  }
  SayGoodbye();
}

// Ends the connection as the protocol asks, so the broker does not publish
// the last will: the status already says "offline".
void MqttPublisher::SayGoodbye() {
  if (link_.IsOpen() && answered_) {
    mqtt::AppendDisconnect(outgoing_);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (!outgoing_.empty() && link_.Write(outgoing_) &&
           std::chrono::steady_clock::now() < until) {
      pollfd polled{link_.Descriptor(), static_cast<short>(link_.WantsRead() ? POLLIN : POLLOUT),
                    0};
      ::poll(&polled, 1, 100);
    }
  }
  link_.Close();
}

// A TLS handshake that fails after the broker was reached once is said
// once; at the start it ends the run (see Connect).
void MqttPublisher::NoteTlsFailure(MqttLink::Failure failure) {
  std::unique_lock lock(mutex_);
  const bool say = tlsFailure_ == MqttLink::Failure::None && everConnected_;
  tlsFailure_ = failure;
  tlsProblem_ = link_.Problem();
  changed_.notify_all();
  lock.unlock();
  if (say)
    notice_(QStringLiteral("the TLS handshake with the broker at %1 failed: %2")
                .arg(url_, link_.Problem()));
}

void MqttPublisher::Reconnect() {
  const auto now = std::chrono::steady_clock::now();
  {
    const std::lock_guard lock(mutex_);
    if (now < nextAttempt_) return;
    nextAttempt_ = now + retryDelay_;
    retryDelay_ = std::min<std::chrono::milliseconds>(retryDelay_ * 2, kLongestRetry);
  }
  const MqttLink::Failure failure = link_.Open(host_, port_, tls_, kConnectWithin);
  if (failure == MqttLink::Failure::Certificate || failure == MqttLink::Failure::Handshake)
    return NoteTlsFailure(failure);
  if (failure != MqttLink::Failure::None) {
    qCDebug(lcMqtt) << "cannot reach the broker:" << link_.Problem();
    const std::lock_guard lock(mutex_);
    unreachable_ = link_.Problem();
    changed_.notify_all();
    return;
  }
  reader_ = {};
  outgoing_.clear();
  answered_ = pinging_ = false;
  opened_ = lastSent_ = std::chrono::steady_clock::now();
  mqtt::AppendConnect(outgoing_, request_);
}

void MqttPublisher::ReadBroker() {
  incoming_.clear();
  const bool open = link_.Read(incoming_);
  reader_.Take(incoming_);
  while (const std::optional<mqtt::Packet> packet = reader_.Next()) {
    Received(*packet);
    if (!link_.IsOpen()) return;
  }
  if (reader_.Broken()) return Lost(QStringLiteral("the broker sent what is not MQTT"));
  if (!open) Lost(link_.Problem());
}

void MqttPublisher::Received(const mqtt::Packet& packet) {
  pinging_ = false;  // any answer shows the broker is there
  if (const std::optional<std::uint16_t> id = mqtt::PubackId(packet)) return Acknowledged(*id);
  const std::optional<int> code = mqtt::ConnackCode(packet);
  if (!code || answered_) return;
  answered_ = *code == 0;
  QString notice;
  {
    const std::lock_guard lock(mutex_);
    notice = Connected(*code);
  }
  if (!notice.isEmpty()) notice_(notice);
  if (*code != 0) Lost(QStringLiteral("refused"));
}

void MqttPublisher::WriteBroker() {
  if (outgoing_.empty() || !link_.IsOpen()) return;
  const std::size_t before = outgoing_.size();
  if (!link_.Write(outgoing_)) return Lost(link_.Problem());
  if (outgoing_.size() < before) lastSent_ = std::chrono::steady_clock::now();
}

// The broker hears from us at least once a keep-alive period, and must
// answer a ping within one; a broker that does not answer the connection
// in time is tried again.
void MqttPublisher::KeepAlive() {
  if (!link_.IsOpen()) return;
  const auto now = std::chrono::steady_clock::now();
  const std::chrono::seconds period(kKeepAliveSeconds);
  if (!answered_ && now - opened_ > kAnswerWithin)
    return Lost(QStringLiteral("no answer to the connection"));
  if (pinging_ && now - pingSent_ > period) return Lost(QStringLiteral("no answer to a ping"));
  if (answered_ && !pinging_ && now - lastSent_ >= period) {
    mqtt::AppendPingRequest(outgoing_);
    pinging_ = true;
    pingSent_ = now;
  }
}

void MqttPublisher::Lost(const QString& why) {
  qCDebug(lcMqtt) << "connection ended:" << why;
  const bool wasConnected = answered_;
  link_.Close();
  outgoing_.clear();
  answered_ = pinging_ = false;
  QString notice;
  {
    const std::lock_guard lock(mutex_);
    notice = Disconnected(wasConnected);
  }
  if (!notice.isEmpty()) notice_(notice);
}

std::uint16_t MqttPublisher::NextPacketId() {
  lastPacketId_ = lastPacketId_ == 0xffff ? 1 : lastPacketId_ + 1;
  return lastPacketId_;
}

void MqttPublisher::SendStatusWhenAsked() {
  const std::lock_guard lock(mutex_);
  if (!statusAsked_ || !connected_) return;
  statusAsked_ = false;
  statusMid_ = NextPacketId();
  mqtt::AppendPublish(outgoing_, statusTopic_.toStdString(), "offline",
                      static_cast<std::uint16_t>(statusMid_), true);
}

// How long the sender still waits before it takes more messages (see
// kTrickleSendEvery); 0 when it may now.
int MqttPublisher::RestMs() const {
  if (!trickling_ || hurry_) return 0;
  const auto left = kTrickleSendEvery - (std::chrono::steady_clock::now() - lastPumped_);
  return left > std::chrono::milliseconds(0)
             ? static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count())
             : 0;
}

// Sends what waits in the spool, in order, while the window has room.
void MqttPublisher::Pump() {
  trickling_ = false;
  if (!connected_) return;
  const std::int64_t end = spool_->End();
  const std::size_t before = inFlight_.size();
  const std::string_view topic(readingTopic_.constData(),
                               static_cast<std::size_t>(readingTopic_.size()));
  while (inFlight_.size() < kWindow && sent_ < end && outgoing_.size() < kMostOutgoingBytes) {
    chunk_.resize(static_cast<qsizetype>(std::min<std::int64_t>(end - sent_, 1 << 16)));
    const ssize_t got =
        ::pread(spool_->Descriptor(), chunk_.data(), static_cast<size_t>(chunk_.size()), sent_);
    if (got <= 0) return;
    qsizetype at = 0;
    for (qsizetype newline;
         inFlight_.size() < kWindow && (newline = chunk_.indexOf('\n', at)) >= 0 && newline < got;
         at = newline + 1) {
      const std::uint16_t id = NextPacketId();
      mqtt::AppendPublish(
          outgoing_, topic,
          std::string_view(chunk_.constData() + at, static_cast<std::size_t>(newline - at)), id,
          false);
      sent_ += newline - at + 1;
      inFlight_.push_back({id, sent_, false});
    }
    if (at == 0) return;  // no whole line: the spool is damaged past here
  }
  const std::size_t taken = inFlight_.size() - before;
  if (taken == 0) return;
  ++batches_;
  lastPumped_ = std::chrono::steady_clock::now();
  trickling_ = sent_ >= end && taken < kTrickleMessages;
}

void MqttPublisher::Acknowledged(std::uint16_t packetId) {
  auto& flight = inFlight_;
  // Acknowledgements come in order, as a rule: the message is the first.
  for (InFlight& message : flight) {
    if (message.packetId != packetId) continue;
    message.acknowledged = true;
    break;
  }
  std::int64_t acknowledged = -1;
  while (!flight.empty() && flight.front().acknowledged) {
    acknowledged = flight.front().end;
    flight.pop_front();
  }
  if (packetId == statusMid_) statusAcknowledged_ = true;
  if (acknowledged >= 0) {
    acknowledged_ = acknowledged;
    WriteAcknowledged(false);
    RestartSpoolWhenDone();
  }
  // Finish() looks again within 100 ms should this come between its look
  // and its wait.
  changed_.notify_all();
}
void MqttPublisher::WriteAcknowledged(bool now) {
  if (!now) {
    const std::int64_t ms = NowMs();
    if (ms - lastNotedMs_ < kNoteEveryMs) return;
    lastNotedMs_ = ms;
  }
  char header[kHeaderSize + 1];
  std::snprintf(header, sizeof header, kSpoolHeader, static_cast<long long>(acknowledged_.load()));
  if (::pwrite(spool_->Descriptor(), header, kHeaderSize, 0) != kHeaderSize)
    qCWarning(lcMqtt) << "cannot note the acknowledged messages:" << SystemReason();
}

// Said, since the disk may then lose what the broker has not acknowledged.
void MqttPublisher::SyncSpool() {
  if (!spool_->Sync())
    notice_(QStringLiteral("cannot sync the spool %1 to the disk: %2")
                .arg(DisplayPath(spoolPath_), spool_->Error()));
}

std::int64_t MqttPublisher::Pending() const {
  std::int64_t lines = 0;
  QByteArray chunk(1 << 16, '\0');
  for (std::int64_t at = acknowledged_.load(); at < spool_->End();) {
    const ssize_t got =
        ::pread(spool_->Descriptor(), chunk.data(), static_cast<size_t>(chunk.size()), at);
    if (got <= 0) break;
    lines += std::count(chunk.constData(), chunk.constData() + got, '\n');
    at += got;
  }
  return lines;
}

// A broker that is away at the end gets a short while to come back; one
// that is there gets `waitMs` to acknowledge what it has been sent.
std::int64_t MqttPublisher::Finish(int waitMs) {
  hurry_ = true;
  Gather(false);
  {
    const std::lock_guard spool(spoolMutex_);
    spool_->WriteHeld();
  }
  Wake();
  std::unique_lock lock(mutex_);
  const auto start = std::chrono::steady_clock::now();
  const auto waited = [&] { return std::chrono::steady_clock::now() - start; };
  while (acknowledged_.load() != spool_->End() &&
         waited() < std::chrono::milliseconds(connected_ ? waitMs : kAwayWaitMs))
    changed_.wait_for(lock, std::chrono::milliseconds(100));
  if (connected_) {
    statusAsked_ = true;
    statusAcknowledged_ = false;
    lock.unlock();
    Wake();
    lock.lock();
    changed_.wait_for(lock, std::chrono::milliseconds(kStatusWaitMs),
                      [&] { return statusAcknowledged_.load(); });
  }
  lock.unlock();
  StopSender();
  lock.lock();
  WriteAcknowledged(true);
  SyncSpool();
  const std::int64_t waiting = Pending() + Unspooled();
  lock.unlock();
  // The spool goes only when the broker has every message.
  if (waiting == 0 && ::unlink(NativeFromPath(spoolPath_).constData()) != 0)
    notice_(QStringLiteral("cannot remove the spool %1: %2 (it is empty; remove it by hand)")
                .arg(DisplayPath(spoolPath_), ReasonFor(errno)));
  return waiting;
}

void MqttPublisher::StopSender() {
  if (!sender_.joinable()) return;
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  woken_ = false;
  Wake();
  sender_.join();
}

QString MqttPublisher::Connected(int result) {
  QString notice;
  if (result != 0) {
    if (refusal_ != result && everConnected_)
      notice = QStringLiteral("the broker at %1 refused the connection: %2")
                   .arg(url_, QString::fromLatin1(mqtt::RefusalText(result)));
    refusal_ = result;
    changed_.notify_all();
    return notice;
  }
  qCDebug(lcMqtt) << "connected to" << url_;
  if (lostNoticed_)
    notice = QStringLiteral("the broker at %1 is reachable; waiting readings go out now").arg(url_);
  connected_ = true;
  everConnected_ = true;
  lostNoticed_ = false;
  refusal_ = -1;
  tlsFailure_ = MqttLink::Failure::None;
  unreachable_.clear();
  retryDelay_ = kFirstRetry;
  // What was in flight when the line went may never be acknowledged on the
  // new connection: it is sent again from the spool, in order. A reading
  // can so arrive twice; its transfer and number tell the copies apart.
  inFlight_.clear();
  sent_ = acknowledged_;
  mqtt::AppendPublish(outgoing_, statusTopic_.toStdString(), "online", NextPacketId(), true);
  changed_.notify_all();
  return notice;
}

// Notices are said by the caller once the lock is let go: no thread waits
// on the lock while standard error is slow.
QString MqttPublisher::Disconnected(bool wasConnected) {
  connected_ = false;
  nextAttempt_ = std::chrono::steady_clock::now() + retryDelay_;
  changed_.notify_all();
  if (!wasConnected || lostNoticed_) return {};
  lostNoticed_ = true;
  return QStringLiteral("lost the broker at %1; readings wait in %2 and go out when it is back")
      .arg(url_, DisplayPath(spoolPath_));
}

}  // namespace orbek
