#pragma once

#include "report/ReportEntry.h"

namespace orbek {

// The report module, loaded at the first call from the modules folder the
// build names from the program's folder; throws SaveError naming the
// module and the loader's reason if it cannot be.
const ReportEntry& ReportModule();

}  // namespace orbek
