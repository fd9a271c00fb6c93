#include "cli/progress.h"

#include <unistd.h>

namespace tavrel::cli {

Progress::Progress(std::FILE* err)
    : err_(err), shown_(isatty(fileno(err)) != 0), started_(Clock::now()), lastDrawn_() {}

Progress::~Progress() {
    Done();
}

void Progress::Rows(long rows) {
    if (shown_ && rows % kEveryRows == 0) {
        std::fprintf(err_, "\r%ld rows", rows);
        std::fflush(err_);
        drawn_ = true;
    }
}

void Progress::Step(const char* what, std::size_t done, std::size_t total) {
    if (!shown_) {
        return;
    }
    const Clock::time_point now = Clock::now();
    if (now - started_ < std::chrono::seconds(1) ||
        now - lastDrawn_ < std::chrono::milliseconds(200)) {
        return;
    }
    lastDrawn_ = now;
    std::fprintf(err_, "\r\033[K%s: %zu of %zu", what, done, total);
    std::fflush(err_);
    drawn_ = true;
}

void Progress::Done() {
    if (drawn_) {
        std::fprintf(err_, "\r\033[K");
        std::fflush(err_);
        drawn_ = false;
    }
}

} // namespace tavrel::cli
