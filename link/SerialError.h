#pragma once

#include <stdexcept>
#include <string>

namespace orbek {

// An operation the serial component could not carry out. The text names the
// port and the system's reason, so it can be shown to the user as it is.
class SerialError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace orbek
