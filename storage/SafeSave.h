#pragma once

#include <sys/stat.h>

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

namespace orbek {

// A file being made at a temporary path in the target's folder, which
// replaces the target only once Commit() has synced it to the disk. Until
// then the target is untouched; a SafeSaveFile dropped without a commit
// removes its temporary file. Throws SaveError naming the target.
//
// A symbolic link is followed (see FollowLinksSafely): the file it points
// to is replaced and the link stays. A file that cannot simply be replaced without losing
// something (other hard links to it, or an owner the saver may not give
// the new file) gets the new content copied into it once that content is
// complete and synced. The replaced file keeps its mode, owner and group.
// Paths may carry escaped bytes (see NativePath.h). Temporary files a
// crash left in the folder are removed first (RemoveLeftTemporaries).
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
  [[noreturn]] void FailWith(const QString& reason) const;
  [[noreturn]] void FailWithSystemError(int error) const;
  void CheckTarget();
  void CreateTemporary();
  bool TakeOverOwnership(int descriptor) const;
  void CopyIntoTarget(int from);
  void ReplaceTarget();

  QString target_;        // as the user named it
  QByteArray file_;       // where the content goes: the target, links followed
  QByteArray folder_;     // the folder of file_
  QByteArray temporary_;  // the temporary file, beside file_
  QString temporaryPath_;
  std::optional<struct stat> old_;  // the file being replaced, if any
  int lock_ = -1;                   // holds the temporary file's lock
  bool committed_ = false;
};

// Removes from `folder` the temporary files of saves that crashed: the
// user's own, that no running save holds and untouched for a minute. Every
// save does this first in its folder.
void RemoveLeftTemporaries(const QByteArray& folder);

// Where a write to `path` lands once its symbolic links are followed as the
// kernel would follow them for this user: in a sticky folder anyone may
// write to (/tmp), a link or a file is written through only when it belongs
// to the user or to the folder's owner; `refusal` says why not, otherwise
// it is empty. Saves resolve links themselves (to replace the file a link
// points at), so the kernel's own protection would never apply to them.
struct LinkTarget {
  QByteArray file;  // absolute, native bytes
  QString refusal;
};
LinkTarget FollowLinksSafely(const QString& path);

// Has `write` make the file at a temporary path in the target's folder and
// renames it over `path` only once it is complete, so a failure never leaves
// a truncated file and never destroys the file that was there. `write`
// throws SaveError with the reason on failure; this throws it on with
// the target's path.
void SaveThroughTemporary(const QString& path, const std::function<void(const QString&)>& write);

// Writes `bytes` to `path` the same way.
void SaveBytes(const QString& path, const QByteArray& bytes);

}  // namespace orbek
