#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace orbek {

// A file being made at a temporary path in the target's folder, which
// replaces the target only once Commit() has synced it to the disk. Until
// then the target is untouched; a SafeSaveFile dropped without a commit
// removes its temporary file. Throws WorkbookError naming the target.
class SafeSaveFile {
 public:
  explicit SafeSaveFile(const QString& target);
  ~SafeSaveFile();
  SafeSaveFile(const SafeSaveFile&) = delete;
  SafeSaveFile& operator=(const SafeSaveFile&) = delete;

  const QString& TemporaryPath() const { return temporaryPath_; }
  void Commit();
  // Throws for the target with the reason a writer gave.
  [[noreturn]] void Fail(const QString& reason) const;

 private:
  QString target_;
  QString temporaryPath_;
  bool committed_ = false;
};

// Has `write` make the file at a temporary path in the target's folder and
// renames it over `path` only once it is complete, so a failure never leaves
// a truncated file and never destroys the file that was there. `write`
// throws WorkbookError with the reason on failure; this throws it on with
// the target's path.
void SaveThroughTemporary(const QString& path, const std::function<void(const QString&)>& write);

// Writes `bytes` to `path` the same way.
void SaveBytes(const QString& path, const QByteArray& bytes);

}  // namespace orbek
