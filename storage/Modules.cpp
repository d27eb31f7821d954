#include "storage/Modules.h"

#include <QFileInfo>
#include <QLibrary>

namespace orbek {

// Found from the program's own file rather than QCoreApplication, which a
// report run makes through its module.
QString ModulePath(const QString& fileName) {
  const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
  return QFileInfo(program).absolutePath() + QStringLiteral("/" ORBEK_MODULES_FROM_BINDIR "/") +
         fileName;
}

QFunctionPointer ModuleEntry(const QString& fileName, const char* symbol, QString* why) {
  QLibrary module(ModulePath(fileName));
  const QFunctionPointer entry = module.resolve(symbol);
  if (entry == nullptr) *why = module.errorString();
  return entry;
}

}  // namespace orbek
