#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;

namespace orbek {

struct LinkTls {
  QByteArray caFile;  // empty: the system's authorities
  bool insecure = false;
};

// One connection to a broker, plain TCP or TLS (OpenSSL, loaded when a
// run first asks for TLS). Reads and writes never block; a connection is
// made, handshake included, within a deadline.
class MqttLink {
 public:
  enum class Failure { None, Unreachable, Certificate, Handshake };

  // Loads OpenSSL, or throws MqttError saying why it cannot be.
  static void LoadTls();

  MqttLink() = default;
  ~MqttLink();
  MqttLink(const MqttLink&) = delete;
  MqttLink& operator=(const MqttLink&) = delete;

  // Connects to host:port, with TLS when `tls` is given. On failure the
  // link stays closed, and Problem() says why.
  Failure Open(const QByteArray& host, int port, const std::optional<LinkTls>& tls,
               std::chrono::milliseconds within);
  void Close();
  bool IsOpen() const { return socket_ >= 0; }
  int Descriptor() const { return socket_; }
  const QString& Problem() const { return problem_; }

  // Appends what has come to `into`; false once the broker closed the
  // connection or it failed (Problem() says which).
  bool Read(std::string& into);
  // Sends what the connection takes now from the front of `data`, and
  // drops it there; false once the connection failed.
  bool Write(std::string& data);
  // A TLS connection must be read before it can write, or the reverse.
  bool WantsRead() const { return wantsRead_; }

 private:
  Failure Connect(const QByteArray& host, int port, std::chrono::steady_clock::time_point until);
  Failure Handshake(const QByteArray& host, const LinkTls& tls,
                    std::chrono::steady_clock::time_point until);
  Failure Failed(Failure failure, const QString& problem);
  bool Fail(const QString& problem);
  bool TlsFailed(int result);

  int socket_ = -1;
  SSL_CTX* context_ = nullptr;
  SSL* tls_ = nullptr;
  bool wantsRead_ = false;
  QString problem_;
};

}  // namespace orbek
