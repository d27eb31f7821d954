#pragma once

#include <stdexcept>

namespace orbek {

// A file could not be saved; the text says why in words a person can act
// on: the path and the system's reason ("the disk is full").
class SaveError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace orbek
