#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace tavrel::batch {

// Buffers rows of CSV (or TSV) and writes them to a file in large blocks. CSV fields that hold
// the delimiter, a quote or a line break are quoted; TSV has no quoting, so such characters
// become spaces there.
class CsvWriter {
  public:
    CsvWriter(std::FILE* output, char delimiter) : output_(output), delimiter_(delimiter) {
        buffer_.reserve(kFlushAt + 4096);
    }

    void Field(std::string_view text);
    // A text known to hold no delimiter, quote or line break: written as it is.
    void PlainField(std::string_view text);
    void Number(double value); // the shortest text that reads back to the same double
    void EndRow();
    // Writes what is buffered; returns false when the file refused this or any earlier block.
    bool Flush();

  private:
    void Separate();

    static constexpr std::size_t kFlushAt = 1 << 20;
    std::FILE* output_;
    char delimiter_;
    bool rowStarted_ = false;
    std::string buffer_;
};

} // namespace tavrel::batch
