#pragma once

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace tavrel::cli {

// A run that cannot go on: an output that cannot be opened or written, a plot module that
// cannot be loaded, a pooling that cannot be had, outputs that would overwrite each other.
// The message says why, in words for the user.
class RunError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The run was called off by whoever started it (a window, for a newer edit): no error, and
// nothing to report.
struct RunCancelled {};

// errno's text, for a message: "No space left on device".
inline std::string ErrnoText() {
    return std::strerror(errno);
}

} // namespace tavrel::cli
