#pragma once

#include <QString>
#include <QtGlobal>

namespace orbek {

// Where the modules some runs load (the report, the chart) are: the folder
// the build names from the program's own folder, the same in the build tree
// as installed.
QString ModulePath(const QString& fileName);

// The module's entry function, resolved; nullptr, with the loader's reason in
// *why, if the module cannot be loaded or lacks it. A loaded module stays:
// QLibrary does not unload a library when it is destroyed.
QFunctionPointer ModuleEntry(const QString& fileName, const char* symbol, QString* why);

}  // namespace orbek
