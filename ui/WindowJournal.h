#pragma once

#include <QDateTime>
#include <QFile>
#include <QString>
#include <memory>
#include <optional>

namespace orbek {

// The window's journal of its transfer: every byte the meter sends since
// Receive, in the capture format orbek-log --decode reads, in a file of its
// own in StateFolder() (by default ~/.local/state/orbek/). A
// window holds a lock on its journal for as long as it runs, so a journal
// nobody holds is one whose window ended without the close question: a
// crash, a kill, a power cut, a logout.
class WindowJournal {
 public:
  struct Abandoned {
    QString path;
    QDateTime lastArrival;  // when its last byte was written
  };

  WindowJournal() = default;
  ~WindowJournal();
  WindowJournal(const WindowJournal&) = delete;
  WindowJournal& operator=(const WindowJournal&) = delete;

  // The most recent journal no running window holds.
  static std::optional<Abandoned> FindAbandoned();
  // Where KeepAside puts a journal: a dated name in the same folder.
  static QString AsideName(const Abandoned& journal);
  // Renames the journal to AsideName; false when that fails.
  static bool KeepAside(const Abandoned& journal);

  // A new, empty journal for this window, replacing the one it had; the
  // session appends to the file returned. Throws std::runtime_error with a
  // message for the user.
  std::unique_ptr<QFile> StartNew();
  // Takes over an abandoned journal whose readings the window now shows.
  void Adopt(const Abandoned& journal);
  // The window closed normally: its journal goes.
  void Remove();
  const QString& Path() const { return path_; }

 private:
  void Hold(const QString& path);

  QString path_;
  int lock_ = -1;  // a descriptor of the journal holding its lock
};

}  // namespace orbek
