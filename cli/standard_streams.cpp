#include "cli/standard_streams.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace tavrel::cli {

namespace {

// Whether `fd` was closed; if so, /dev/null now holds its number (the lowest free one).
bool TakeIfClosed(int fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) {
        return false;
    }
    open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    return true;
}

} // namespace

StandardStreams ClaimStandardStreams() {
    // In order: each open takes the lowest free number, which is the one being checked.
    const bool inClosed = TakeIfClosed(STDIN_FILENO);
    const bool outClosed = TakeIfClosed(STDOUT_FILENO);
    TakeIfClosed(STDERR_FILENO); // messages to a closed standard error are simply not seen
    return {inClosed ? nullptr : stdin, outClosed ? nullptr : stdout};
}

} // namespace tavrel::cli
