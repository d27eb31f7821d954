#pragma once

#include <sys/mount.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

namespace orbek::test {

// A folder on a file system of its own, `bytes` large, to fill up: a tmpfs
// mounted for the test (which needs root) and unmounted after.
class SmallDisk {
 public:
  explicit SmallDisk(qint64 bytes) {
    if (::geteuid() != 0 || !dir_.isValid()) return;
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0777";
    mounted_ = ::mount("tmpfs", QFile::encodeName(dir_.path()).constData(), "tmpfs", 0,
                       options.constData()) == 0;
  }
  ~SmallDisk() {
    if (mounted_) ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool Mounted() const { return mounted_; }
  QString FilePath(const QString& name) const { return dir_.filePath(name); }
  QString Path() const { return dir_.path(); }

  // Takes up all the room left.
  void Fill() {
    QFile filler(dir_.filePath(".filler"));
    if (!filler.open(QIODevice::Append | QIODevice::Unbuffered)) return;
    const QByteArray block(4096, 'f');
    while (filler.write(block) == block.size()) {
    }
  }
  // The names in the folder, hidden ones too, but the filler.
  QStringList Names() const {
    QStringList names =
        QDir(dir_.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System);
    names.removeAll(QStringLiteral(".filler"));
    return names;
  }

 private:
  QTemporaryDir dir_;
  bool mounted_ = false;
};

}  // namespace orbek::test
