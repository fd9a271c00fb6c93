#include "batch/csv_writer.h"

#include <array>
#include <charconv>

namespace tavrel::batch {

void CsvWriter::Separate() {
    if (rowStarted_) {
        buffer_ += delimiter_;
    }
    rowStarted_ = true;
}

void CsvWriter::Field(std::string_view text) {
    Separate();
    const bool special = text.find_first_of(delimiter_ == '\t' ? std::string_view("\t\r\n")
                                                               : std::string_view(",\"\r\n")) !=
                         std::string_view::npos;
    if (!special) {
        buffer_ += text;
    } else if (delimiter_ == '\t') {
        for (const char c : text) {
            buffer_ += (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
        }
    } else {
        buffer_ += '"';
        for (const char c : text) {
            if (c == '"') {
                buffer_ += '"';
            }
            buffer_ += c;
        }
        buffer_ += '"';
    }
}

void CsvWriter::PlainField(std::string_view text) {
    Separate();
    buffer_ += text;
}

void CsvWriter::Number(double value) {
    Separate();
    std::array<char, 32> digits; // NOLINT: written by to_chars
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
    buffer_.append(digits.data(), end);
}

void CsvWriter::EndRow() {
    buffer_ += '\n';
    rowStarted_ = false;
    if (buffer_.size() >= kFlushAt) {
        Flush();
    }
}

bool CsvWriter::Flush() {
    std::fwrite(buffer_.data(), 1, buffer_.size(), output_);
    buffer_.clear();
    // The error flag stays set, so a block that failed earlier (a full disk, say) is still
    // reported here, at the end.
    return std::fflush(output_) == 0 && std::ferror(output_) == 0;
}

} // namespace tavrel::batch
