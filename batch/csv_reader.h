#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel::batch {

// One record of the input: its fields, and the line on which it starts (blank lines and
// line breaks inside quoted fields count).
struct Record {
    std::vector<std::string_view> fields; // valid until the next record
    long line = 0;
};

// The input cannot be read as CSV: malformed quoting, or a read error. `line` is 0 when no
// line applies.
class InputError : public std::runtime_error {
  public:
    InputError(const std::string& message, long line) : std::runtime_error(message), line_(line) {}
    long Line() const { return line_; }

  private:
    long line_;
};

// Streams records from a file: RFC 4180 quoting (embedded delimiters, quotes and line breaks),
// LF or CRLF line ends, a leading UTF-8 byte-order mark skipped, blank lines skipped. Fields
// are passed on exactly as written, spaces included. With a tab delimiter there is no quoting:
// a tab-separated file has none.
class CsvReader {
  public:
    CsvReader(std::FILE* input, char delimiter);
    ~CsvReader();
    CsvReader(const CsvReader&) = delete;
    CsvReader& operator=(const CsvReader&) = delete;

    // Calls `onRecord` for every record, in order. Throws InputError.
    void ReadAll(const std::function<void(const Record&)>& onRecord);

  private:
    static void OnField(void* data, std::size_t size, void* self);
    static void OnRecordEnd(int terminator, void* self);
    void EndRecord(int terminator);
    void Check(std::size_t parsed, std::size_t size);

    struct Parser;
    std::FILE* input_;
    Parser* parser_;
    std::string arena_;                // the current record's field texts, end to end
    std::vector<std::size_t> offsets_; // where each field starts in the arena, plus the end
    Record record_;
    long line_ = 1; // the line the next record starts on
    long recordLine_ = 1;
    const std::function<void(const Record&)>* onRecord_ = nullptr;
};

} // namespace tavrel::batch
