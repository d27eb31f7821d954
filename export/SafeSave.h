#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace orbek {

// Has `write` make the file at a temporary path in the target's folder and
// renames it over `path` only once it is complete, so a failure never leaves
// a truncated file and never destroys the file that was there. `write`
// throws WorkbookError with the reason on failure; this throws it on with
// the target's path.
void SaveThroughTemporary(const QString& path, const std::function<void(const QString&)>& write);

// Writes `bytes` to `path` the same way.
void SaveBytes(const QString& path, const QByteArray& bytes);

}  // namespace orbek
