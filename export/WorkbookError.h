#pragma once

#include <stdexcept>

namespace orbek {

// A workbook operation that could not be carried out; the text says why in
// words a person can act on (for a save, the path and the system's reason).
class WorkbookError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// No workbook component could be started, so nothing was written.
class WorkbookUnavailable : public WorkbookError {
 public:
  using WorkbookError::WorkbookError;
};

}  // namespace orbek
