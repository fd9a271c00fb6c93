#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string_view>

namespace tavrel::csv {

// Buffers rows of CSV (or TSV) and writes them to a file in large blocks. CSV fields that hold
// the delimiter, a quote or a line break are quoted; TSV has no quoting, so such characters
// become spaces there. Separated by ';', numbers are written with a decimal comma, as R's
// write.csv2 and spreadsheets in those locales write them.
class CsvWriter {
  public:
    CsvWriter(std::FILE* output, char delimiter);

    void Field(std::string_view text);
    // A text known to hold no delimiter, quote or line break: written as it is.
    void PlainField(std::string_view text);
    void Number(double value); // the shortest text that reads back to the same double
    void Integer(std::int64_t value);
    void EndRow();
    // Text already written as CSV: the beginning of a row, whose fields follow it.
    void RowStart(std::string_view csv);
    char Delimiter() const { return delimiter_; }
    // Before the first field: the delimiter found in the input.
    void SetDelimiter(char delimiter) { delimiter_ = delimiter; }
    // Writes what is buffered; returns false when the file refused this or any earlier block.
    bool Flush();

  private:
    // Makes room for `size` more characters, flushing the buffer when it lacks them.
    char* Room(std::size_t size);
    void Put(char c);
    void Separate();
    // Makes room for the delimiter and `size` characters, writes the delimiter where one is
    // due, and returns where the field goes.
    char* StartField(std::size_t size);

    // Flushed once a row ends past this; a field longer than the slack goes out on its own.
    static constexpr std::size_t kFlushAt = 1 << 20;
    static constexpr std::size_t kCapacity = kFlushAt + (1 << 16);
    std::FILE* output_;
    char delimiter_;
    bool rowStarted_ = false;
    std::unique_ptr<char[]> buffer_;
    char* end_; // where the next character goes
    // Writes a text too long for the buffer's slack on its own, after what is buffered.
    void WriteDirectly(std::string_view text);
};

} // namespace tavrel::csv
