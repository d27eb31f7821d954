#pragma once

#include "storage/SaveError.h"

namespace orbek {

// A workbook operation that could not be carried out; the text says why in
// words a person can act on (for a save, the path and the system's reason).
class WorkbookError : public SaveError {
 public:
  using SaveError::SaveError;
};

// No workbook component could be started, so nothing was written.
class WorkbookUnavailable : public WorkbookError {
 public:
  using WorkbookError::WorkbookError;
};

}  // namespace orbek
