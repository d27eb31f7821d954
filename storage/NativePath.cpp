#include "storage/NativePath.h"

#include <QCoreApplication>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <cerrno>
#include <cstring>

namespace orbek {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at `at`, or 0. Overlong forms,
// surrogates and code points past U+10FFFF are not valid.
int SequenceLength(const QByteArray& bytes, qsizetype at, char32_t* code) {
  const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[at + i]); };
  const unsigned char lead = byte(0);
  int length = 0;
  char32_t value = 0;
  if (lead < 0x80) return *code = lead, 1;
  if (lead >= 0xC2 && lead <= 0xDF)
    length = 2, value = lead & 0x1F;
  else if (lead >= 0xE0 && lead <= 0xEF)
    length = 3, value = lead & 0x0F;
  else if (lead >= 0xF0 && lead <= 0xF4)
    length = 4, value = lead & 0x07;
  else
    return 0;
  if (at + length > bytes.size()) return 0;
  for (int i = 1; i < length; ++i) {
    if (!IsContinuation(byte(i))) return 0;
    value = (value << 6) | (byte(i) & 0x3F);
  }
  if ((length == 3 && value < 0x800) || (length == 4 && value < 0x10000) || value > 0x10FFFF ||
      (value >= 0xD800 && value <= 0xDFFF))
    return 0;
  *code = value;
  return length;
}

bool IsEscapedByte(char16_t unit) {
  return unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF;
}

}  // namespace

QString PathFromNative(const QByteArray& native) {
  QString path;
  path.reserve(native.size());
  for (qsizetype at = 0; at < native.size();) {
    char32_t code = 0;
    if (const int length = SequenceLength(native, at, &code); length > 0) {
      path += QString::fromUcs4(&code, 1);
      at += length;
    } else {
      path += QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(native[at])));
      ++at;
    }
  }
  return path;
}

QByteArray NativeFromPath(const QString& path) {
  QByteArray native;
  native.reserve(path.size());
  qsizetype plainFrom = 0;
  for (qsizetype i = 0; i < path.size(); ++i) {
    const char16_t unit = path[i].unicode();
    if (!IsEscapedByte(unit) || (i > 0 && path[i - 1].isHighSurrogate())) continue;
    native += path.mid(plainFrom, i - plainFrom).toUtf8();
    native += static_cast<char>(unit - kEscapeBase);
    plainFrom = i + 1;
  }
  native += path.mid(plainFrom).toUtf8();
  return native;
}

QString DisplayPath(const QString& path) {
  QString shown;
  for (const QChar c : path)
    shown += IsEscapedByte(c.unicode())
                 ? QStringLiteral("\\x%1").arg(c.unicode() - kEscapeBase, 2, 16, QLatin1Char('0'))
                 : QString(c);
  return shown;
}

bool OpenNative(QFile& file, const QString& path, QIODevice::OpenMode mode, QString* error) {
  int flags = O_CLOEXEC;
  if (mode & QIODevice::WriteOnly)
    flags |= O_WRONLY | O_CREAT | ((mode & QIODevice::Append) ? O_APPEND : O_TRUNC);
  else
    flags |= O_RDONLY;
  const int descriptor = ::open(NativeFromPath(path).constData(), flags, 0666);
  if (descriptor < 0) {
    if (error) *error = ReasonFor(errno);
    return false;
  }
  if (file.open(descriptor, mode, QFileDevice::AutoCloseHandle)) return true;
  ::close(descriptor);
  if (error) *error = file.errorString();
  return false;
}

bool NativeExists(const QString& path) {
  struct stat info {};
  return ::stat(NativeFromPath(path).constData(), &info) == 0;
}

bool RemoveNative(const QString& path) {
  return ::unlink(NativeFromPath(path).constData()) == 0;
}

}  // namespace orbek

namespace orbek {

bool IsFifo(const QString& path) {
  struct stat info {};
  return ::stat(NativeFromPath(path).constData(), &info) == 0 && S_ISFIFO(info.st_mode);
}

QString CaptureProblem(const QString& path) {
  struct stat info {};
  if (::stat(NativeFromPath(path).constData(), &info) != 0) return ReasonFor(errno);
  if (S_ISDIR(info.st_mode)) return QStringLiteral("it is a folder, not a capture");
  if (S_ISBLK(info.st_mode)) return QStringLiteral("it is a disk, not a capture");
  return {};
}

// The causes a user meets most, in words the window can translate
// (context "Save"); any other is the system's own text.
QString ReasonFor(int error) {
  const auto said = [](const char* text) { return QCoreApplication::translate("Save", text); };
  switch (error) {
    case ENOSPC:
    case EDQUOT:
      return said(QT_TRANSLATE_NOOP("Save", "the disk is full"));
    case EFBIG:
      return said(QT_TRANSLATE_NOOP(
          "Save", "the file would be larger than the file size limit (ulimit -f) allows"));
    case EACCES:
    case EPERM:
      return said(QT_TRANSLATE_NOOP("Save", "permission denied"));
    case ENOENT:
      return said(QT_TRANSLATE_NOOP("Save", "no such file or folder"));
    case EROFS:
      return said(QT_TRANSLATE_NOOP("Save", "the file system is read-only"));
    case EIO:
      return said(QT_TRANSLATE_NOOP("Save", "the device reported an input/output error"));
    default:
      return QString::fromLocal8Bit(std::strerror(error));
  }
}

QString StateFolder() {
  const QByteArray state = qgetenv("XDG_STATE_HOME");
  const QString base = !state.isEmpty() && state.startsWith('/')
                           ? PathFromNative(state)
                           : QDir::home().filePath(QStringLiteral(".local/state"));
  return QDir(base).filePath(QStringLiteral("orbek"));
}

bool OpenAnonymous(QFile& file, const QString& folder, QString* error) {
  const QByteArray native = NativeFromPath(folder);
  int descriptor = ::open(native.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (descriptor < 0 && (errno == EOPNOTSUPP || errno == EISDIR)) {
    QByteArray name = native + "/.orbek-work-XXXXXX";
    descriptor = ::mkostemp(name.data(), O_CLOEXEC);
    if (descriptor >= 0) ::unlink(name.constData());
  }
  if (descriptor < 0) {
    if (error) *error = ReasonFor(errno);
    return false;
  }
  if (file.open(descriptor, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle)) return true;
  ::close(descriptor);
  if (error) *error = file.errorString();
  return false;
}

}  // namespace orbek
