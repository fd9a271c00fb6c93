#pragma once

#include <stdexcept>

namespace tavrel::outputs {

// An output that cannot be opened, written or put in place; the message names it and says
// why, in words for the user ("cannot write out.csv: No space left on device").
class OutputError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

} // namespace tavrel::outputs
