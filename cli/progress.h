#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>

namespace tavrel::cli {

// Shows how far a long run has come, on standard error where it is a terminal only, on one
// line that is rewritten and cleared at the end; a run too short to notice shows nothing.
class Progress {
  public:
    explicit Progress(std::FILE* err);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // "262144 rows", every 2^18 rows read.
    void Rows(long rows);
    // "refitting without each study: 120 of 600", at most five times a second, from the
    // first second on.
    void Step(const char* what, std::size_t done, std::size_t total);
    // Clears the line.
    void Done();

  private:
    using Clock = std::chrono::steady_clock;
    static constexpr long kEveryRows = 1 << 18;

    std::FILE* err_;
    bool shown_;
    bool drawn_ = false;
    Clock::time_point started_;
    Clock::time_point lastDrawn_;
};

} // namespace tavrel::cli
