#include "mqtt/MqttPublisher.h"

#include <fcntl.h>
#include <mosquitto.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
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
#include <string_view>
#include <vector>

#include "storage/AppendFile.h"
#include "storage/Credentials.h"
#include "storage/LazyLibrary.h"
#include "storage/NativePath.h"

Q_LOGGING_CATEGORY(lcMqtt, "orbek.mqtt", QtWarningMsg)

namespace orbek {

namespace {

// libmosquitto, with the OpenSSL it brings, is loaded when a run first
// publishes.
QFunctionPointer Mosquitto(const char* function) {
  static LazyLibrary library(ORBEK_MOSQUITTO_SONAME);
  return library.ResolveOrThrow<MqttError>(function, "cannot start the MQTT client");
}
#define MOSQ(function) ORBEK_LAZY(Mosquitto, function)

// Messages sent and not yet acknowledged, at most; the rest wait in the spool.
constexpr std::size_t kWindow = 1000;
constexpr int kKeepAliveSeconds = 30;
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

// This process's open Unix stream sockets, by descriptor.
std::vector<int> UnixSockets() {
  std::vector<int> sockets;
  const QDir folder(QStringLiteral("/proc/self/fd"));
  for (const QString& name : folder.entryList(QDir::System | QDir::NoDotAndDotDot)) {
    bool number = false;
    const int fd = name.toInt(&number);
    int domain = 0, type = 0;
    socklen_t size = sizeof domain;
    if (!number || ::getsockopt(fd, SOL_SOCKET, SO_DOMAIN, &domain, &size) != 0) continue;
    size = sizeof type;
    if (domain == AF_UNIX && ::getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &size) == 0 &&
        type == SOCK_STREAM)
      sockets.push_back(fd);
  }
  return sockets;
}

// The pair opened between two looks; none unless exactly two were.
std::vector<int> NewSince(const std::vector<int>& before, const std::vector<int>& after) {
  std::vector<int> added;
  for (const int fd : after)
    if (std::find(before.begin(), before.end(), fd) == before.end()) added.push_back(fd);
  return added.size() == 2 ? added : std::vector<int>{};
}

bool Connected(int from, int to) {
  const char probe = 0;
  char got = 1;
  return ::send(from, &probe, 1, MSG_DONTWAIT | MSG_NOSIGNAL) == 1 &&
         ::recv(to, &got, 1, MSG_DONTWAIT) == 1 && got == probe;
}

// libmosquitto writes a byte to a socket pair of its own at every publish,
// to wake a loop of its own, which is not run here: nothing reads the
// pair, it fills, and every later write fails, a system call a message for
// nothing. Both ends, once shown to be one pair, become /dev/null, whose
// writes cost nothing; the library still closes them when it is done.
void SilenceWakePair(const std::vector<int>& pair) {
  if (pair.size() != 2 || !Connected(pair[0], pair[1]) || !Connected(pair[1], pair[0])) return;
  const int nowhere = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  if (nowhere < 0) return;
  for (const int end : pair)
    ::dup3(nowhere, end, O_CLOEXEC);
  ::close(nowhere);
}

// The messages of one pump leave in as few segments as they fill: the
// broker is woken, and the loopback's or the network's work done, once a
// batch rather than once a message. Uncorking sends what is left.
class Corked {
 public:
  Corked(int socket, bool cork) : socket_(cork ? socket : -1) { Set(1); }
  ~Corked() { Set(0); }
  Corked(const Corked&) = delete;
  Corked& operator=(const Corked&) = delete;

 private:
  void Set(int on) const {
    if (socket_ >= 0) ::setsockopt(socket_, IPPROTO_TCP, TCP_CORK, &on, sizeof on);
  }
  int socket_;
};

void AppendJsonText(QByteArray& json, std::string_view text) {
  json += '"';
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      json += '\\';
      json += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      json += escaped;
    } else {
      json += c;
    }
  }
  json += '"';
}

// With the meter's places after the point ("7.00"): valid JSON, and what
// the meter showed.
void AppendJsonFixedOrNull(QByteArray& json, std::optional<double> number, int decimals) {
  if (!number || !std::isfinite(*number)) {
    json += "null";
    return;
  }
  json += QByteArray::number(*number, 'f', decimals);
}

void AppendJsonTextOrNull(QByteArray& json, std::optional<std::string_view> text) {
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

void InitLibrary() {
  static std::once_flag once;
  std::call_once(once, [] { MOSQ(mosquitto_lib_init)(); });
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
  QByteArray json;
  json.reserve(400);
  json += "{\"transfer\":";
  AppendJsonText(json, transfer);
  json += ",\"reading\":" + QByteArray::number(static_cast<qint64>(reading.number));
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
  json += ",\"lost_before\":" + QByteArray::number(static_cast<qulonglong>(reading.lostBefore));
  // The sample's details a subscriber files the reading under.
  for (const DetailField& field : kDetailFields) {
    if (!field.perReading) continue;
    json += ",\"" + QByteArray(field.key.data(), static_cast<qsizetype>(field.key.size())) + "\":";
    const std::string& text = details.*field.member;
    AppendJsonTextOrNull(json, text.empty() ? std::nullopt : std::optional<std::string_view>(text));
  }
  json += '}';
  return json;
}

MqttPublisher::MqttPublisher(const MqttOptions& options, std::function<void(const QString&)> notice)
    : notice_(std::move(notice)) {
  InitLibrary();
  wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wake_ < 0) throw MqttError("cannot set up the MQTT sender: " + SystemReason().toStdString());
  Configure(options);
  OpenSpool();
}

MqttPublisher::~MqttPublisher() {
  StopSender();
  if (client_ != nullptr) MOSQ(mosquitto_destroy)(client_);
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

  const std::vector<int> before = UnixSockets();
  client_ = MOSQ(mosquitto_new)(nullptr, true, this);
  SilenceWakePair(NewSince(before, UnixSockets()));
  if (client_ == nullptr) throw MqttError("cannot set up the MQTT client");
  MOSQ(mosquitto_int_option)(client_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
  MOSQ(mosquitto_max_inflight_messages_set)(client_, 0);
  MOSQ(mosquitto_connect_callback_set)(client_, OnConnect);
  MOSQ(mosquitto_disconnect_callback_set)(client_, OnDisconnect);
  MOSQ(mosquitto_publish_callback_set)(client_, OnPublish);
  MOSQ(mosquitto_will_set)(client_, statusTopic_.constData(), 7, "offline", 1, true);
  if (!options.credentialsFile.isEmpty()) {
    QString problem;
    const std::optional<Credentials> credentials =
        ReadCredentials(options.credentialsFile, &problem);
    if (!credentials) throw MqttError(problem.toStdString());
    if (credentials->othersCanRead) WarnOthersCanRead(options.credentialsFile);
    MOSQ(mosquitto_username_pw_set)
    (client_, credentials->user.constData(), credentials->password.constData());
  }
  if (tls) {
    const QByteArray ca = NativeFromPath(options.caFile);
    if (!options.caFile.isEmpty() && !NativeExists(options.caFile))
      throw MqttError(QStringLiteral("--mqtt-ca %1 does not exist")
                          .arg(DisplayPath(options.caFile))
                          .toStdString());
    if (MOSQ(mosquitto_tls_set)(client_, ca.isEmpty() ? nullptr : ca.constData(),
                                ca.isEmpty() ? "/etc/ssl/certs" : nullptr, nullptr, nullptr,
                                nullptr) != MOSQ_ERR_SUCCESS)
      throw MqttError("cannot set up TLS for the broker");
    if (options.insecure) {
      MOSQ(mosquitto_tls_opts_set)(client_, 0, nullptr, nullptr);
      MOSQ(mosquitto_tls_insecure_set)(client_, true);
    }
  }
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
  const int result =
      MOSQ(mosquitto_connect_async)(client_, host_.constData(), port_, kKeepAliveSeconds);
  std::unique_lock lock(mutex_);
  // The handshake may already have run (and failed) within the connect.
  if (result == MOSQ_ERR_TLS) tlsFailed_ = true;
  nextAttempt_ = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  sender_ = std::thread([this] { Send(); });
  // A broker that refused the line outright is tried again in the
  // background; there is no answer to wait for now.
  if (result == MOSQ_ERR_SUCCESS)
    changed_.wait_for(lock, std::chrono::milliseconds(waitMs),
                      [&] { return connected_ || refusal_ >= 0 || tlsFailed_; });
  if (tlsFailed_ && !connected_)
    throw MqttRefused(QStringLiteral("the TLS handshake with the broker at %1 failed: its "
                                     "certificate could not be verified (give the authority "
                                     "that signed it with --mqtt-ca FILE, or turn the check off "
                                     "with --mqtt-insecure)")
                          .arg(url_)
                          .toStdString());
  if (refusal_ >= 0)
    throw MqttRefused(QStringLiteral("the broker at %1 refused the connection: %2")
                          .arg(url_, QString::fromUtf8(MOSQ(mosquitto_connack_string)(refusal_)))
                          .toStdString());
  if (!connected_) {
    lostNoticed_ = true;
    lock.unlock();
    notice_(QStringLiteral("cannot reach the broker at %1 yet (%2); readings wait in %3 until it "
                           "can be reached")
                .arg(url_,
                     result == MOSQ_ERR_SUCCESS
                         ? QStringLiteral("no answer")
                         : QString::fromUtf8(MOSQ(mosquitto_strerror)(result)),
                     DisplayPath(spoolPath_)));
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
  gathered_.clear();
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

// The sender thread: every call into the client library is made here, so
// the reader of the meter never waits on the network or on the library's
// locks. It waits for the broker's socket or for a wake-up.
void MqttPublisher::Send() {
  for (;;) {
    {
      const std::lock_guard lock(mutex_);
      if (stopping_) break;
    }
    const int socket = MOSQ(mosquitto_socket)(client_);
    if (socket < 0) Reconnect();
    pollfd polled[2] = {
        {wake_, POLLIN, 0},
        {socket, static_cast<short>(POLLIN | (MOSQ(mosquitto_want_write)(client_) ? POLLOUT : 0)),
         0}};
    ::poll(polled, socket < 0 ? 1 : 2, socket < 0 ? 200 : 500);
    if (polled[0].revents & POLLIN) {
      std::uint64_t count = 0;
      [[maybe_unused]] const auto got = ::read(wake_, &count, sizeof count);
      woken_ = false;
    }
    int result = MOSQ_ERR_SUCCESS;
    if (socket >= 0 && (polled[1].revents & (POLLIN | POLLERR | POLLHUP)))
      result = MOSQ(mosquitto_loop_read)(client_, 1);
    if (socket >= 0 && MOSQ(mosquitto_socket)(client_) >= 0 && (polled[1].revents & POLLOUT))
      result = MOSQ(mosquitto_loop_write)(client_, 1);
    if (result == MOSQ_ERR_TLS) NoteTlsFailure();
    MOSQ(mosquitto_loop_misc)(client_);
    SendStatusWhenAsked();
    Pump();
  }
  if (MOSQ(mosquitto_socket)(client_) >= 0) {
    MOSQ(mosquitto_disconnect)(client_);
    while (MOSQ(mosquitto_want_write)(client_) &&
           MOSQ(mosquitto_loop_write)(client_, 1) == MOSQ_ERR_SUCCESS) {
    }
  }
}

// A TLS handshake that fails is almost always a certificate that does not
// check out; the library says no more than that.
void MqttPublisher::NoteTlsFailure() {
  std::unique_lock lock(mutex_);
  const bool say = !tlsFailed_ && everConnected_;
  tlsFailed_ = true;
  changed_.notify_all();
  lock.unlock();
  if (say) notice_(QStringLiteral("the TLS handshake with the broker at %1 failed").arg(url_));
}

void MqttPublisher::Reconnect() {
  const auto now = std::chrono::steady_clock::now();
  if (now < nextAttempt_) return;
  const int result = MOSQ(mosquitto_reconnect_async)(client_);
  const std::lock_guard lock(mutex_);
  retryDelay_ = std::min<std::chrono::milliseconds>(retryDelay_ * 2, kLongestRetry);
  nextAttempt_ = now + retryDelay_;
  if (result != MOSQ_ERR_SUCCESS)
    qCDebug(lcMqtt) << "reconnect:" << MOSQ(mosquitto_strerror)(result);
}

void MqttPublisher::SendStatusWhenAsked() {
  const std::lock_guard lock(mutex_);
  if (!statusAsked_ || !connected_) return;
  statusAsked_ = false;
  const int result = MOSQ(mosquitto_publish)(client_, &statusMid_, statusTopic_.constData(), 7,
                                             "offline", 1, true);
  // Finish() then does not wait for an answer that cannot come; the broker
  // still says "offline", as the last will, once the connection ends.
  if (result != MOSQ_ERR_SUCCESS) {
    qCWarning(lcMqtt) << "cannot publish the status offline:" << MOSQ(mosquitto_strerror)(result);
    statusAcknowledged_ = true;
    changed_.notify_all();
  }
}

// Sends what waits in the spool, in order, while the window has room.
void MqttPublisher::Pump() {
  if (!connected_) return;
  const std::int64_t end = spool_->End();
  const Corked corked(MOSQ(mosquitto_socket)(client_), sent_ < end);
  while (inFlight_.size() < kWindow && sent_ < end) {
    chunk_.resize(static_cast<qsizetype>(std::min<std::int64_t>(end - sent_, 1 << 16)));
    const ssize_t got =
        ::pread(spool_->Descriptor(), chunk_.data(), static_cast<size_t>(chunk_.size()), sent_);
    if (got <= 0) return;
    qsizetype at = 0;
    for (qsizetype newline;
         inFlight_.size() < kWindow && (newline = chunk_.indexOf('\n', at)) >= 0 && newline < got;
         at = newline + 1) {
      int mid = 0;
      const int result = MOSQ(mosquitto_publish)(client_, &mid, readingTopic_.constData(),
                                                 static_cast<int>(newline - at),
                                                 chunk_.constData() + at, 1, false);
      if (result != MOSQ_ERR_SUCCESS) {
        qCDebug(lcMqtt) << "publish deferred:" << MOSQ(mosquitto_strerror)(result);
        return;
      }
      sent_ += newline - at + 1;
      inFlight_.push_back({mid, sent_, false});
    }
    if (at == 0) return;  // no whole line: the spool is damaged past here
  }
}

void MqttPublisher::OnPublish(mosquitto*, void* self, int mid) {
  auto& publisher = *static_cast<MqttPublisher*>(self);
  auto& flight = publisher.inFlight_;
  // Acknowledgements come in order, as a rule: the message is the first.
  for (InFlight& message : flight) {
    if (message.mid != mid) continue;
    message.acknowledged = true;
    break;
  }
  std::int64_t acknowledged = -1;
  while (!flight.empty() && flight.front().acknowledged) {
    acknowledged = flight.front().end;
    flight.pop_front();
  }
  if (mid == publisher.statusMid_) publisher.statusAcknowledged_ = true;
  if (acknowledged >= 0) {
    publisher.acknowledged_ = acknowledged;
    publisher.WriteAcknowledged(false);
    publisher.RestartSpoolWhenDone();
  }
  // Finish() looks again within 100 ms should this come between its look
  // and its wait.
  publisher.changed_.notify_all();
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

// Notices are said once the lock is let go: no thread waits on the lock
// while standard error is slow.
void MqttPublisher::OnConnect(mosquitto*, void* self, int result) {
  auto& publisher = *static_cast<MqttPublisher*>(self);
  QString notice;
  {
    const std::lock_guard lock(publisher.mutex_);
    notice = publisher.Connected(result);
  }
  if (!notice.isEmpty()) publisher.notice_(notice);
}

QString MqttPublisher::Connected(int result) {
  MqttPublisher& publisher = *this;
  QString notice;
  if (result != 0) {
    if (publisher.refusal_ != result && publisher.everConnected_)
      notice = QStringLiteral("the broker at %1 refused the connection: %2")
                   .arg(publisher.url_, QString::fromUtf8(MOSQ(mosquitto_connack_string)(result)));
    publisher.refusal_ = result;
    publisher.changed_.notify_all();
    return notice;
  }
  qCDebug(lcMqtt) << "connected to" << publisher.url_;
  if (publisher.lostNoticed_)
    notice = QStringLiteral("the broker at %1 is reachable; waiting readings go out now")
                 .arg(publisher.url_);
  publisher.connected_ = true;
  publisher.everConnected_ = true;
  publisher.lostNoticed_ = false;
  publisher.refusal_ = -1;
  publisher.tlsFailed_ = false;
  publisher.retryDelay_ = kFirstRetry;
  // What was in flight when the line went may never be acknowledged on the
  // new connection: it is sent again from the spool, in order. A reading
  // can so arrive twice; its transfer and number tell the copies apart.
  publisher.inFlight_.clear();
  publisher.sent_ = publisher.acknowledged_;
  if (const int result = MOSQ(mosquitto_publish)(
          publisher.client_, nullptr, publisher.statusTopic_.constData(), 6, "online", 1, true);
      result != MOSQ_ERR_SUCCESS)
    qCWarning(lcMqtt) << "cannot publish the status online:" << MOSQ(mosquitto_strerror)(result);
  publisher.changed_.notify_all();
  return notice;
}

void MqttPublisher::OnDisconnect(mosquitto*, void* self, int result) {
  auto& publisher = *static_cast<MqttPublisher*>(self);
  QString notice;
  {
    const std::lock_guard lock(publisher.mutex_);
    publisher.connected_ = false;
    publisher.nextAttempt_ = std::chrono::steady_clock::now() + publisher.retryDelay_;
    if (result != 0 && !publisher.lostNoticed_) {
      publisher.lostNoticed_ = true;
      notice =
          QStringLiteral("lost the broker at %1; readings wait in %2 and go out when it is back")
              .arg(publisher.url_, DisplayPath(publisher.spoolPath_));
    }
    publisher.changed_.notify_all();
  }
  if (!notice.isEmpty()) publisher.notice_(notice);
}

}  // namespace orbek
