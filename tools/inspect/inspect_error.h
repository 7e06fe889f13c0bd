// What the inspect tool reports about a file it cannot read as an installer: one line, without
// the file's name (the caller puts that in front).
#pragma once

#include <stdexcept>

namespace inspect {

class InspectError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace inspect
