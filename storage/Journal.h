#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "storage/AppendFile.h"

namespace orbek {

// Every byte a meter sends, kept on disk as it comes, in the raw capture
// format orbek-log --decode reads: the window's journal of its transfer,
// orbek-log's FILE.capture and a capture asked for with --capture alike.
//
// Appending never waits for the disk (an AppendFile): the bytes go to the
// file at once (the page cache), and a thread of the file's own syncs them to the
// disk at least once a second, so a crash or a power cut loses at most the
// last second. The process holds a lock (flock) on the journal for as long
// as it has it open, so a journal that nobody holds is one whose run ended
// without finishing: a crash, a kill, a power cut, a logout.
class Journal {
 public:
  // A journal left behind by a run that did not finish.
  struct Abandoned {
    QString path;
    QDateTime lastArrival;  // when its last byte was written
    std::int64_t bytes = 0;
  };

  ~Journal();
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  // Creates a new journal at `path` and holds it. An existing file is
  // replaced only with `replace`. Throws SaveError with the reason.
  static std::unique_ptr<Journal> Create(const QString& path, bool replace);
  // Holds an abandoned journal again and appends to it. Throws SaveError.
  static std::unique_ptr<Journal> Adopt(const QString& path);

  // How the journal stands after an append.
  enum class State {
    Written,  // everything appended is in the file
    Holding,  // the file refuses bytes (Error() says why); they wait in memory
    Dropping  // and memory is full too: bytes are being lost (DroppedBytes())
  };
  // Bytes wait in memory up to this much while the file refuses them: 64
  // MiB, or ORBEK_JOURNAL_MEMORY bytes where that is set (for tests that
  // outlast it).
  static std::size_t MostHeldBytes();
  // "64 MiB": the same, for messages.
  static QString MostHeldText();

  // Appends bytes. Bytes the file refuses (a full disk, a failing device)
  // wait in memory and go in, in order, at the next append or Sync.
  State Append(const char* data, std::size_t size);
  State Append(const QByteArray& bytes) {
    return Append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  }
  // Writes what waits in memory and waits until everything is on the disk;
  // false when it is not (Error() says why).
  bool Sync();
  // What waits in memory, after the file's bytes, and what was lost.
  QByteArray HeldBytes() const;
  std::uint64_t DroppedBytes() const { return dropped_; }
  // Where bytes were lost, in order: `bytes` missing after the first `at`
  // bytes kept (in the file, then in memory). A replay needs them to keep
  // the readings' numbers and never join bytes from both sides of a gap.
  struct Gap {
    std::uint64_t at = 0, bytes = 0;
  };
  const std::vector<Gap>& Gaps() const { return gaps_; }

  // A tag kept with the journal's file (an extended attribute), such as the
  // transfer id its readings are published under. False where the file
  // system keeps none.
  bool SetTag(const char* name, const QByteArray& value);
  static QByteArray Tag(const QString& path, const char* name);
  // Closes and removes the file: only once what it holds is safe elsewhere.
  // False, with `Error()`, when it could not be removed.
  bool Remove();
  const QString& Path() const { return path_; }
  QString Error() const;

  // True when a journal exists at `path` and a running process holds it.
  static bool Held(const QString& path);
  // The newest journal matching `pattern` (a file-name glob) in `folder`
  // that nobody holds.
  static std::optional<Abandoned> FindAbandoned(const QString& folder, const QString& pattern);
  // The names of the window's journals in its state folder: a transfer's
  // while it runs, and one kept aside (AsideName).
  static inline const QString kWindowPattern = QStringLiteral("window-*.capture");
  static inline const QString kAsidePattern = QStringLiteral("readings-*.capture");
  // Every journal matching one of `patterns` in `folder` that nobody holds,
  // oldest first: what earlier runs left to be recovered.
  static std::vector<Abandoned> Unfinished(const QString& folder, const QStringList& patterns);
  // A dated name in the journal's folder to keep it aside under:
  // "readings-DATE.capture", numbered on where that exists.
  static QString AsideName(const Abandoned& journal);
  // Renames the journal to AsideName; the name it got, or an empty string
  // with the reason in `error`.
  static QString KeepAside(const Abandoned& journal, QString* error);

 private:
  Journal(QString path, int descriptor, std::int64_t end);
  void NoteKept(std::size_t kept, std::size_t lost);

  QString path_;
  AppendFile file_;
  QString removeError_;
  std::uint64_t dropped_ = 0;
  std::uint64_t kept_ = 0;  // bytes appended and not lost
  std::vector<Gap> gaps_;
};

}  // namespace orbek
