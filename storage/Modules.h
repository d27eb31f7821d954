#pragma once

#include <QString>

namespace orbek {

// Where the modules some runs load (the report, the chart) are: the folder
// the build names from the program's own folder, the same in the build tree
// as installed.
QString ModulePath(const QString& fileName);

}  // namespace orbek
