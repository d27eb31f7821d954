#include "ui/WindowJournal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <stdexcept>

#include "storage/NativePath.h"

namespace orbek {

namespace {

const QString kPattern = QStringLiteral("window-*.capture");

// True when no running window holds the journal at `path`.
bool NobodyHolds(const QString& path) {
  const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return false;
  const bool free = ::flock(descriptor, LOCK_EX | LOCK_NB) == 0;
  ::close(descriptor);
  return free;
}

}  // namespace

WindowJournal::~WindowJournal() {
  if (lock_ >= 0) ::close(lock_);
}

std::optional<WindowJournal::Abandoned> WindowJournal::FindAbandoned() {
  const QDir folder(StateFolder());
  for (const QFileInfo& journal :
       folder.entryInfoList({kPattern}, QDir::Files, QDir::Time))  // newest first
    if (NobodyHolds(journal.filePath()))
      return WindowJournal::Abandoned{journal.filePath(), journal.lastModified()};
  return std::nullopt;
}

QString WindowJournal::AsideName(const Abandoned& journal) {
  const QString stamp = journal.lastArrival.toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
  QString name = QDir(StateFolder()).filePath(QStringLiteral("readings-%1.capture").arg(stamp));
  for (int n = 2; QFileInfo::exists(name); ++n)
    name = QDir(StateFolder()).filePath(QStringLiteral("readings-%1-%2.capture").arg(stamp).arg(n));
  return name;
}

bool WindowJournal::KeepAside(const Abandoned& journal) {
  return QFile::rename(journal.path, AsideName(journal));
}

std::unique_ptr<QFile> WindowJournal::StartNew() {
  Remove();
  if (!QDir().mkpath(StateFolder()))
    throw std::runtime_error(QStringLiteral("Cannot create the folder %1 for the journal")
                                 .arg(StateFolder())
                                 .toStdString());
  const QString path = QDir(StateFolder())
                           .filePath(QStringLiteral("window-%1-%2.capture")
                                         .arg(QCoreApplication::applicationPid())
                                         .arg(QDateTime::currentMSecsSinceEpoch()));
  auto file = std::make_unique<QFile>(path);
  if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate))
    throw std::runtime_error(QStringLiteral("Cannot create the journal %1: %2")
                                 .arg(path, file->errorString())
                                 .toStdString());
  Hold(path);
  return file;
}

void WindowJournal::Adopt(const Abandoned& journal) {
  Remove();
  Hold(journal.path);
}

void WindowJournal::Remove() {
  if (path_.isEmpty()) return;
  QFile::remove(path_);
  ::close(lock_);
  lock_ = -1;
  path_.clear();
}

void WindowJournal::Hold(const QString& path) {
  lock_ = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
  if (lock_ >= 0) ::flock(lock_, LOCK_EX | LOCK_NB);
  path_ = path;
}

}  // namespace orbek
