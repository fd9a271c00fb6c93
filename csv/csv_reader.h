#pragma once

#include <array>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel::csv {

// One record of the input: its fields, and the line on which it starts (blank lines and
// line breaks inside quoted fields count).
struct Record {
    std::vector<std::string_view> fields; // valid until the next record
    long line = 0;
    // No field was quoted, so none holds the delimiter, a quote or a line break.
    bool plain = true;
};

// What is wrong with a table, and on which line of it (0 where no line applies).
class TableLineError : public std::runtime_error {
  public:
    TableLineError(const std::string& message, long line)
        : std::runtime_error(message), line_(line) {}
    long Line() const { return line_; }

  private:
    long line_;
};

// The input cannot be read as CSV: malformed quoting, or a read error.
class MalformedInput : public TableLineError {
  public:
    using TableLineError::TableLineError;
};

// Streams records from a file: RFC 4180 quoting (embedded delimiters, quotes and line breaks;
// a quote anywhere else is malformed), lines ending in LF, CRLF or a lone CR, a leading UTF-8
// byte-order mark skipped, blank lines skipped. Fields are passed on exactly as written,
// spaces included. With a tab delimiter there is no quoting: a tab-separated file has none.
//
// Records are split where they lie in the read buffer, with no copy; a quoted field is
// unquoted in place, which only ever shortens it.
class CsvReader {
  public:
    // No real table has a record this long; past it the input is refused rather than let
    // memory grow without bound (a file with no line break, /dev/zero).
    static constexpr std::size_t kLongestRecord = std::size_t{64} << 20;

    // `buffer` is the read buffer's first size; it grows for a record longer than it, up to
    // `longestRecord`. A `delimiter` of kDetect takes ';' where the first line has more
    // semicolons than commas outside quotes (as R's write.csv2 and spreadsheets in many
    // locales write CSV), else ','.
    static constexpr char kDetect = '\0';
    CsvReader(std::FILE* input, char delimiter, std::size_t buffer = std::size_t{1} << 18,
              std::size_t longestRecord = kLongestRecord);

    // Calls `onRecord` for every record, in order. Throws MalformedInput.
    void ReadAll(const std::function<void(const Record&)>& onRecord);
    // The input's first bytes as read, to tell a file that is no table by what it is.
    const std::string& Beginning() const { return beginning_; }
    // The delimiter, once the first record is read where it was to be detected.
    char Delimiter() const { return delimiter_; }

  private:
    // Reads more input after what is buffered, keeping the unparsed rest. False at the end.
    bool Refill();
    void UseDelimiter(char delimiter);
    // Chooses the delimiter by the buffered first line (a header longer than the buffer is
    // judged by its beginning).
    void DetectDelimiter();
    // Splits the record at `from` when it has no quote and ends in the buffer. Returns its
    // line break (or the buffer's end at the end of input), or nullptr when it needs the
    // slow path or more input.
    char* SplitPlain(char* from);
    // The line break that ends the record at `from`, outside quotes, or the buffer's end.
    char* FindRecordEnd(char* from);
    // Splits the whole record [from, to), unquoting its quoted fields in place, and returns
    // the number of line breaks inside them. Throws MalformedInput for malformed quoting.
    long SplitQuoted(char* from, char* to);

    std::FILE* input_;
    char delimiter_ = kDetect;
    bool quoting_ = true;
    std::array<bool, 256> special_{}; // the bytes that stop a plain field
    std::vector<char> buffer_;        // one byte more than it holds, for a stopping sentinel
    std::size_t longestRecord_;
    std::size_t begin_ = 0; // the unparsed input is [begin_, end_)
    std::size_t end_ = 0;
    bool atEnd_ = false;
    Record record_;
    long line_ = 1; // the line the next record starts on
    static constexpr std::size_t kBeginningKept = 128; // an OpenDocument type ends at byte 84
    std::string beginning_;
};

} // namespace tavrel::csv
