#pragma once

#include <mosquitto.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace orbek::test {

// A port on 127.0.0.1 that nothing listens on just now.
inline int FreePort() {
  const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(probe);
  return ntohs(address.sin_port);
}

inline bool Listening(int port) {
  const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  const bool up = ::connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(probe);
  return up;
}

// A Mosquitto broker of the test's own on 127.0.0.1, keeping its sessions
// across a restart. With a user, only that user and password are let in.
class MqttBroker {
 public:
  // `listenerConfig` goes with the listener (TLS files, say).
  explicit MqttBroker(int port = 0, const QString& user = {}, const QString& password = {},
                      const QString& listenerConfig = {})
      : port_(port != 0 ? port : FreePort()) {
    QFile config(dir_.filePath("mosquitto.conf"));
    config.open(QIODevice::WriteOnly);
    config.write(QStringLiteral("listener %1 127.0.0.1\n").arg(port_).toUtf8());
    config.write(listenerConfig.toUtf8());
    config.write(QStringLiteral("persistence true\npersistence_location %1/\n"
                                "autosave_interval 1\n"
                                "max_queued_messages 0\n")
                     .arg(dir_.path())
                     .toUtf8());
    if (::geteuid() == 0) config.write("user root\n");
    if (user.isEmpty()) {
      config.write("allow_anonymous true\n");
    } else {
      const QString passwords = dir_.filePath("passwords");
      QProcess::execute("mosquitto_passwd", {"-b", "-c", passwords, user, password});
      config.write(("allow_anonymous false\npassword_file " + passwords + "\n").toUtf8());
    }
    config.close();
    Start();
  }
  ~MqttBroker() { Stop(); }

  static bool Available() {
    return !QStandardPaths::findExecutable("mosquitto", {"/usr/sbin", "/usr/bin"}).isEmpty();
  }

  bool Running() const { return process_.state() == QProcess::Running && Listening(port_); }
  int Port() const { return port_; }
  QString Url() const { return QStringLiteral("mqtt://127.0.0.1:%1").arg(port_); }

  void Start() {
    const QString broker = QStandardPaths::findExecutable("mosquitto", {"/usr/sbin", "/usr/bin"});
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.setStandardOutputFile(dir_.filePath("broker.log"), QIODevice::Append);
    process_.start(broker, {"-c", dir_.filePath("mosquitto.conf")});
    process_.waitForStarted();
    QElapsedTimer waited;
    waited.start();
    while (!Listening(port_) && waited.elapsed() < 10000)
      QThread::msleep(20);
  }
  void Stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(10000)) process_.kill();
    process_.waitForFinished();
  }
  QByteArray Log() const {
    QFile log(dir_.filePath("broker.log"));
    log.open(QIODevice::ReadOnly);
    return log.readAll();
  }

 private:
  QTemporaryDir dir_;
  int port_;
  QProcess process_;
};

// A subscriber with a session the broker keeps (QoS 1), so that messages
// published while it reconnects still reach it.
class MqttSubscriber {
 public:
  struct Message {
    std::string topic;
    QByteArray payload;
    bool retained = false;
    std::chrono::system_clock::time_point arrived;
  };

  MqttSubscriber(int port, const std::string& topic, const std::string& id = "orbek-test-sub")
      : topic_(topic) {
    mosquitto_lib_init();
    client_ = mosquitto_new(id.c_str(), false, this);
    mosquitto_connect_callback_set(client_, [](mosquitto* client, void* self, int result) {
      if (result == 0)
        mosquitto_subscribe(client, nullptr, static_cast<MqttSubscriber*>(self)->topic_.c_str(), 1);
    });
    mosquitto_subscribe_callback_set(client_, [](mosquitto*, void* self, int, int, const int*) {
      auto& subscriber = *static_cast<MqttSubscriber*>(self);
      const std::lock_guard lock(subscriber.mutex_);
      subscriber.subscribed_ = true;
      subscriber.changed_.notify_all();
    });
    mosquitto_message_callback_set(
        client_, [](mosquitto*, void* self, const mosquitto_message* message) {
          auto& subscriber = *static_cast<MqttSubscriber*>(self);
          const std::lock_guard lock(subscriber.mutex_);
          subscriber.messages_.push_back(
              {message->topic,
               QByteArray(static_cast<const char*>(message->payload), message->payloadlen),
               message->retain, std::chrono::system_clock::now()});
          subscriber.changed_.notify_all();
        });
    mosquitto_reconnect_delay_set(client_, 1, 1, false);
    mosquitto_connect(client_, "127.0.0.1", port, 30);
    mosquitto_loop_start(client_);
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::seconds(10), [&] { return subscribed_; });
  }
  ~MqttSubscriber() {
    mosquitto_disconnect(client_);
    mosquitto_loop_stop(client_, false);
    mosquitto_destroy(client_);
  }

  bool Subscribed() {
    const std::lock_guard lock(mutex_);
    return subscribed_;
  }
  // Waits until `count` messages on topics ending in `suffix` are in.
  bool WaitFor(std::size_t count, const std::string& suffix, int timeoutMs = 30000) {
    std::unique_lock lock(mutex_);
    std::size_t scanned = 0, found = 0;
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
      for (; scanned < messages_.size(); ++scanned)
        found += EndsWith(messages_[scanned].topic, suffix) ? 1 : 0;
      return found >= count;
    });
  }
  std::vector<Message> Messages(const std::string& suffix) {
    const std::lock_guard lock(mutex_);
    std::vector<Message> found;
    for (const auto& message : messages_)
      if (EndsWith(message.topic, suffix)) found.push_back(message);
    return found;
  }

 private:
  static bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
  }

  std::string topic_;
  mosquitto* client_ = nullptr;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool subscribed_ = false;
  std::vector<Message> messages_;
};

}  // namespace orbek::test
