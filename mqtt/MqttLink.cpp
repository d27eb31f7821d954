#include "mqtt/MqttLink.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "mqtt/MqttPublisher.h"
#include "storage/LazyLibrary.h"
#include "storage/NativePath.h"

namespace orbek {

namespace {

using Clock = std::chrono::steady_clock;

// OpenSSL (libssl, and libcrypto through it) is loaded when a run first
// asks for TLS, and every function the link calls is looked up then, in
// the caller's thread: a library or function that is missing is the
// user's error at the start (MqttError), never a throw in the sender.
QFunctionPointer OpenSslFunction(const char* function) {
  static LazyLibrary library(ORBEK_LIBSSL_SONAME);
  return library.ResolveOrThrow<MqttError>(function, "cannot start TLS");
}

#define ORBEK_SSL_FUNCTION(function) \
  decltype(&::function) function =   \
      reinterpret_cast<decltype(&::function)>(OpenSslFunction(#function));

struct OpenSsl {
  ORBEK_SSL_FUNCTION(ERR_clear_error)
  ORBEK_SSL_FUNCTION(ERR_error_string_n)
  ORBEK_SSL_FUNCTION(ERR_get_error)
  ORBEK_SSL_FUNCTION(SSL_CTX_free)
  ORBEK_SSL_FUNCTION(SSL_CTX_load_verify_locations)
  ORBEK_SSL_FUNCTION(SSL_CTX_new)
  ORBEK_SSL_FUNCTION(SSL_CTX_set_verify)
  ORBEK_SSL_FUNCTION(SSL_connect)
  ORBEK_SSL_FUNCTION(SSL_ctrl)
  ORBEK_SSL_FUNCTION(SSL_free)
  ORBEK_SSL_FUNCTION(SSL_get0_param)
  ORBEK_SSL_FUNCTION(SSL_get_error)
  ORBEK_SSL_FUNCTION(SSL_get_verify_result)
  ORBEK_SSL_FUNCTION(SSL_new)
  ORBEK_SSL_FUNCTION(SSL_read)
  ORBEK_SSL_FUNCTION(SSL_set1_host)
  ORBEK_SSL_FUNCTION(SSL_set_fd)
  ORBEK_SSL_FUNCTION(SSL_write)
  ORBEK_SSL_FUNCTION(TLS_client_method)
  ORBEK_SSL_FUNCTION(X509_VERIFY_PARAM_set1_ip_asc)
  ORBEK_SSL_FUNCTION(X509_verify_cert_error_string)
};

const OpenSsl& Ssl() {
  static const OpenSsl functions;  // looked up again at the next call if this throws
  return functions;
}
#define SSL(function) Ssl().function

constexpr std::size_t kReadChunk = 1 << 16;

int MillisecondsLeft(Clock::time_point until) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
  return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

// Waits for `events` on `socket` until the deadline; false when it passed.
bool WaitFor(int socket, short events, Clock::time_point until) {
  for (;;) {
    pollfd polled{socket, events, 0};
    const int ready = ::poll(&polled, 1, MillisecondsLeft(until));
    if (ready > 0) return true;
    if (ready == 0 || errno != EINTR) return false;
  }
}

QString OpenSslReason() {
  QString reason;
  while (const unsigned long error = SSL(ERR_get_error)()) {
    char text[256];
    SSL(ERR_error_string_n)(error, text, sizeof text);
    // The queue is drained; its first error is the one nearest the cause.
    if (reason.isEmpty()) reason = QString::fromLatin1(text);
  }
  return reason.isEmpty() ? QStringLiteral("the connection ended") : reason;
}

bool IsAddress(const QByteArray& host) {
  in6_addr address;
  return ::inet_pton(AF_INET, host.constData(), &address) == 1 ||
         ::inet_pton(AF_INET6, host.constData(), &address) == 1;
}

}  // namespace

void MqttLink::LoadTls() {
  Ssl();
}

MqttLink::~MqttLink() {
  Close();
}

void MqttLink::Close() {
  if (tls_ != nullptr) SSL(SSL_free)(tls_);
  if (context_ != nullptr) SSL(SSL_CTX_free)(context_);
  tls_ = nullptr;
  context_ = nullptr;
  if (socket_ >= 0) ::close(socket_);
  socket_ = -1;
  wantsRead_ = false;
}

MqttLink::Failure MqttLink::Open(const QByteArray& host, int port,
                                 const std::optional<LinkTls>& tls,
                                 std::chrono::milliseconds within) {
  Close();
  problem_.clear();
  const auto until = Clock::now() + within;
  Failure failure = Connect(host, port, until);
  if (failure == Failure::None && tls) failure = Handshake(host, *tls, until);
  if (failure != Failure::None) Close();
  return failure;
}

MqttLink::Failure MqttLink::Connect(const QByteArray& host, int port, Clock::time_point until) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (const int error =
          ::getaddrinfo(host.constData(), QByteArray::number(port).constData(), &hints, &found);
      error != 0) {
    problem_ =
        error == EAI_SYSTEM ? ReasonFor(errno) : QString::fromLocal8Bit(::gai_strerror(error));
    return Failure::Unreachable;
  }
  const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> addresses(found, ::freeaddrinfo);
  for (const addrinfo* address = found; address != nullptr; address = address->ai_next) {
    socket_ = ::socket(address->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (socket_ < 0) {
      problem_ = ReasonFor(errno);
      continue;
    }
    int error = 0;
    if (::connect(socket_, address->ai_addr, address->ai_addrlen) != 0) {
      error = errno;
      if (error == EINPROGRESS) {
        socklen_t size = sizeof error;
        error = !WaitFor(socket_, POLLOUT, until)                                 ? ETIMEDOUT
                : ::getsockopt(socket_, SOL_SOCKET, SO_ERROR, &error, &size) != 0 ? errno
                                                                                  : error;
      }
    }
    if (error == 0) {
      const int on = 1;  // a lone message (the status) goes out at once
      ::setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
      return Failure::None;
    }
    problem_ = ReasonFor(error);
    ::close(socket_);
    socket_ = -1;
  }
  return Failure::Unreachable;
}

// The broker's certificate is checked against the authority given, or the
// system's, and must name the host (or its address) the user gave.
MqttLink::Failure MqttLink::Handshake(const QByteArray& host, const LinkTls& tls,
                                      Clock::time_point until) {
  context_ = SSL(SSL_CTX_new)(SSL(TLS_client_method)());
  if (context_ == nullptr) return Failed(Failure::Handshake, OpenSslReason());
  SSL(SSL_CTX_set_verify)(context_, tls.insecure ? SSL_VERIFY_NONE : SSL_VERIFY_PEER, nullptr);
  if (!tls.insecure && SSL(SSL_CTX_load_verify_locations)(
                           context_, tls.caFile.isEmpty() ? nullptr : tls.caFile.constData(),
                           tls.caFile.isEmpty() ? "/etc/ssl/certs" : nullptr) != 1)
    return Failed(Failure::Certificate,
                  QStringLiteral("cannot read the authorities: ") + OpenSslReason());
  tls_ = SSL(SSL_new)(context_);
  if (tls_ == nullptr || SSL(SSL_set_fd)(tls_, socket_) != 1)
    return Failed(Failure::Handshake, OpenSslReason());
  SSL(SSL_ctrl)
  (tls_, SSL_CTRL_MODE, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER,
   nullptr);
  if (!IsAddress(host))
    SSL(SSL_ctrl)
    (tls_, SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name,
     const_cast<char*>(host.constData()));
  if (!tls.insecure && IsAddress(host))
    SSL(X509_VERIFY_PARAM_set1_ip_asc)(SSL(SSL_get0_param)(tls_), host.constData());
  else if (!tls.insecure)
    SSL(SSL_set1_host)(tls_, host.constData());
  for (;;) {
    SSL(ERR_clear_error)();
    const int result = SSL(SSL_connect)(tls_);
    if (result == 1) return Failure::None;
    const int error = SSL(SSL_get_error)(tls_, result);
    const short events = error == SSL_ERROR_WANT_READ    ? POLLIN
                         : error == SSL_ERROR_WANT_WRITE ? POLLOUT
                                                         : 0;
    if (events == 0) break;
    if (!WaitFor(socket_, events, until))
      return Failed(Failure::Handshake, QStringLiteral("no answer to the TLS handshake"));
  }
  if (const long verified = SSL(SSL_get_verify_result)(tls_); verified != X509_V_OK)
    return Failed(Failure::Certificate,
                  QString::fromLatin1(SSL(X509_verify_cert_error_string)(verified)));
  return Failed(Failure::Handshake, OpenSslReason());
}

MqttLink::Failure MqttLink::Failed(Failure failure, const QString& problem) {
  problem_ = problem;
  return failure;
}

bool MqttLink::Fail(const QString& problem) {
  problem_ = problem;
  return false;
}

bool MqttLink::TlsFailed(int result) {
  const int error = SSL(SSL_get_error)(tls_, result);
  if (error == SSL_ERROR_ZERO_RETURN)
    return Fail(QStringLiteral("the broker closed the connection"));
  if (error == SSL_ERROR_SYSCALL && errno != 0) return Fail(ReasonFor(errno));
  return Fail(OpenSslReason());
}

bool MqttLink::Read(std::string& into) {
  char chunk[kReadChunk];
  wantsRead_ = false;
  for (;;) {
    if (tls_ != nullptr) {
      SSL(ERR_clear_error)();
      const int got = SSL(SSL_read)(tls_, chunk, sizeof chunk);
      if (got > 0) {
        into.append(chunk, static_cast<std::size_t>(got));
        continue;
      }
      const int error = SSL(SSL_get_error)(tls_, got);
      if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) return true;
      errno = 0;
      return TlsFailed(got);
    }
    const ssize_t got = ::recv(socket_, chunk, sizeof chunk, MSG_DONTWAIT);
    if (got > 0) {
      into.append(chunk, static_cast<std::size_t>(got));
      if (static_cast<std::size_t>(got) < sizeof chunk) return true;
      continue;
    }
    if (got == 0) return Fail(QStringLiteral("the broker closed the connection"));
    if (errno == EAGAIN || errno == EWOULDBLOCK) return true;
    if (errno != EINTR) return Fail(ReasonFor(errno));
  }
}

bool MqttLink::Write(std::string& data) {
  while (!data.empty()) {
    if (tls_ != nullptr) {
      SSL(ERR_clear_error)();
      const int sent = SSL(SSL_write)(
          tls_, data.data(), static_cast<int>(std::min<std::size_t>(data.size(), 1 << 30)));
      if (sent > 0) {
        data.erase(0, static_cast<std::size_t>(sent));
        continue;
      }
      const int error = SSL(SSL_get_error)(tls_, sent);
      wantsRead_ = error == SSL_ERROR_WANT_READ;
      if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) return true;
      errno = 0;
      return TlsFailed(sent);
    }
    const ssize_t sent = ::send(socket_, data.data(), data.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (sent > 0) {
      data.erase(0, static_cast<std::size_t>(sent));
      continue;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK) return true;
    if (errno != EINTR) return Fail(ReasonFor(errno));
  }
  return true;
}

}  // namespace orbek
