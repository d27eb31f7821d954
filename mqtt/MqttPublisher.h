#pragma once

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <thread>

#include "meter/ReadingPipeline.h"
#include "meter/Transfer.h"
#include "mqtt/MqttLink.h"
#include "mqtt/MqttPackets.h"

Q_DECLARE_LOGGING_CATEGORY(lcMqtt)

namespace orbek {

class AppendFile;

// A broker, topic or credentials the user gave that cannot be used, or a
// broker that refused them. The text is for the user.
class MqttError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The broker answered, and refused the connection.
class MqttRefused : public MqttError {
 public:
  using MqttError::MqttError;
};

struct MqttOptions {
  QString url;              // mqtt://host[:port] or mqtts://host[:port]; empty: no publishing
  QString topic;            // the prefix; empty: orbek/<host name>/<device name>
  QString caFile;           // mqtts: the authority the broker's certificate is checked against
  QString credentialsFile;  // user name on the first line, password on the second
  bool insecure = false;    // mqtts without checking the broker's certificate
  QString spool;            // empty: under $XDG_STATE_HOME/orbek/
};

// The topic prefix used when none is given, for a port (or capture) path.
QString DefaultTopic(const QString& devicePath);

// One reading as the JSON message published on PREFIX/reading, made from
// its typed fields.
QByteArray ReadingMessage(std::string_view transfer, const Reading& reading,
                          const SampleDetails& details = {});

// Publishes messages to PREFIX/reading at QoS 1, in order, through a spool
// file: each message is appended to the spool first, and leaves it only once
// the broker has acknowledged it. The caller never waits for the network;
// while the broker is away messages wait on disk and go out in order when it
// is back. A spool left by a run that ended with messages unsent is sent
// first. PREFIX/status is "online" (retained) while connected and "offline"
// at the end, and the broker's last will says "offline" if the process
// vanishes. Notices for the user (the broker lost or back) go to `notice`,
// from any thread.
class MqttPublisher {
 public:
  MqttPublisher(const MqttOptions& options, std::function<void(const QString&)> notice);
  ~MqttPublisher();
  MqttPublisher(const MqttPublisher&) = delete;
  MqttPublisher& operator=(const MqttPublisher&) = delete;

  const QString& Topic() const { return topic_; }
  const QString& SpoolPath() const { return spoolPath_; }

  // Connects, waiting up to `waitMs` for the broker's answer. Throws
  // MqttRefused when the broker refuses, or its certificate fails the check; a broker that cannot
  // be reached yet is only a notice, and is tried again every few seconds.
  void Connect(int waitMs);
  void Publish(const QByteArray& message);
  // While gathering, messages wait until Flush() and go to the spool with
  // one write and one wake of the sender: the records of one read cost a
  // system call or two, not two a reading. Ending the gathering flushes.
  void Gather(bool gather);
  void Flush();
  // Messages the spool could not take: waiting in memory, or lost when
  // memory was full too; and why the spool refused them.
  std::int64_t Unspooled() const;
  QString SpoolError() const;
  // How many times messages have gone to the broker together.
  std::int64_t Batches() const { return batches_; }
  // Waits up to `waitMs` for every message to be acknowledged, says
  // "offline" and disconnects. Returns how many messages still wait in the
  // spool (which is removed when none do).
  std::int64_t Finish(int waitMs);

 private:
  struct InFlight {
    std::uint16_t packetId;
    std::int64_t end;  // spool offset after the message
    bool acknowledged;
  };

  void Configure(const MqttOptions& options);
  void ConfigureTls(const MqttOptions& options, bool tls);
  void OpenSpool();
  void Wake();
  // The sender thread's: every exchange with the broker happens there.
  void Send();
  void Reconnect();
  void ReadBroker();
  void Received(const mqtt::Packet& packet);
  void WriteBroker();
  void KeepAlive();
  void Lost(const QString& why);
  void SayGoodbye();
  std::uint16_t NextPacketId();
  void NoteTlsFailure(MqttLink::Failure failure);
  void SendStatusWhenAsked();
  void StopSender();
  int RestMs() const;
  void Pump();
  // `now` from any thread while the sender is not running or has nothing
  // in flight; otherwise the sender's, a few times a second.
  void WriteAcknowledged(bool now);
  std::int64_t SpoolEnd(int descriptor);
  void RestartSpoolWhenDone();
  void SyncSpool();
  std::int64_t Pending() const;
  // Under the mutex; each returns the notice to say once it is let go.
  QString Connected(int result);
  QString Disconnected(bool wasConnected);
  void Acknowledged(std::uint16_t packetId);

  void WarnOthersCanRead(const QString& path) const;
  std::function<void(const QString&)> notice_;
  QString url_;
  QByteArray host_;
  int port_ = 1883;
  QString topic_;
  QByteArray readingTopic_, statusTopic_;
  QString spoolPath_;
  std::optional<LinkTls> tls_;
  mqtt::ConnectRequest request_;
  std::thread sender_;
  int wake_ = -1;  // an eventfd the sender waits on beside the broker's socket
  std::atomic<bool> woken_{false};
  std::atomic<bool> hurry_{false};  // finishing: every message goes at once
  std::atomic<std::int64_t> batches_{0};

  // Up to where the broker has the messages (a spool offset; the spool's
  // End() is where the next goes). Only the caller's thread appends; only
  // the sender acknowledges.
  std::atomic<std::int64_t> acknowledged_{0};
  std::atomic<bool> connected_{false};
  std::atomic<bool> statusAcknowledged_{false};
  std::unique_ptr<AppendFile> spool_;
  std::int64_t lastNotedMs_ = 0;  // the sender's

  // The sender's own.
  MqttLink link_;
  bool answered_ = false;  // the broker's CONNACK came on this connection
  mqtt::PacketReader reader_;
  std::string incoming_, outgoing_;
  std::uint16_t lastPacketId_ = 0;
  std::chrono::steady_clock::time_point opened_, lastSent_, pingSent_;
  bool pinging_ = false;
  std::int64_t sent_ = 0;  // spool offset of the next message to send
  std::deque<InFlight> inFlight_;
  std::chrono::steady_clock::time_point lastPumped_;
  bool trickling_ = false;  // the last messages taken were few, and all there were
  QByteArray chunk_;

  // The appender's and the restart's, under their own mutex: messages lost
  // while the spool refused them and memory was full too.
  mutable std::mutex spoolMutex_;
  std::int64_t lost_ = 0;
  // The appender's own: messages gathered for the next flush.
  bool gathering_ = false;
  QByteArray gathered_;
  static constexpr std::size_t kMostHeldBytes = 64 << 20;

  // Shared, under the mutex.
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::chrono::steady_clock::time_point nextAttempt_;
  std::chrono::milliseconds retryDelay_{1000};
  bool stopping_ = false;
  bool statusAsked_ = false;
  bool everConnected_ = false;
  bool lostNoticed_ = false;
  int refusal_ = -1;  // the broker's CONNACK code when it refused
  MqttLink::Failure tlsFailure_ = MqttLink::Failure::None;
  QString tlsProblem_;
  QString unreachable_;  // why the last attempt could not reach the broker
  int statusMid_ = -1;
};

}  // namespace orbek
