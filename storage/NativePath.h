#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace orbek {

// File names on Linux are bytes, not text. A name that is not valid UTF-8
// still has to reach open(2) exactly as the user typed it, so names travel
// as QString with every byte that is not part of valid UTF-8 held as the
// lone surrogate U+DC80 + byte (the "surrogateescape" of Python). Valid
// UTF-8 names are plain QStrings. Qt's own file classes would turn those
// surrogates into replacement characters, so such names are opened here.
QString PathFromNative(const QByteArray& native);
QByteArray NativeFromPath(const QString& path);

// `path` for a message: escaped bytes shown as \xHH.
QString DisplayPath(const QString& path);

// Opens `file` on `path` by its exact bytes: ReadOnly, or WriteOnly
// (created 0666 less the umask, truncated unless Append). On failure
// returns false with the system's reason in `error`.
bool OpenNative(QFile& file, const QString& path, QIODevice::OpenMode mode,
                QString* error = nullptr);

// stat(2) and unlink(2) by the exact bytes.
bool NativeExists(const QString& path);
bool IsFifo(const QString& path);
// What stops `path` from being read as a capture: it is missing, a folder,
// or a block device; empty for a regular file or a stream (a FIFO, a
// socket, a character device).
QString CaptureProblem(const QString& path);
bool RemoveNative(const QString& path);

}  // namespace orbek

namespace orbek {

// The system's error number in words a person can act on: "the disk is
// full" for ENOSPC and EDQUOT, the file-size limit for EFBIG, otherwise the
// system's own text. Take the number at the failed call, never later.
QString ReasonFor(int error);

// Where Orbek keeps what must outlive a run (the window's journals, the
// MQTT spools): $XDG_STATE_HOME/orbek, by default ~/.local/state/orbek.
QString StateFolder();

// Opens `file` on a new file in `folder` with no name (O_TMPFILE, or a
// name removed at once), for work that must not outlive the process.
bool OpenAnonymous(QFile& file, const QString& folder, QString* error = nullptr);

}  // namespace orbek
