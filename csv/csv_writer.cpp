#include "csv/csv_writer.h"

#include "csv/round_trip_number.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace tavrel::csv {

namespace {

// Copies `text` to `out` and returns the end. Most fields are short: those are copied with at
// most two overlapping loads and stores rather than through a call to memcpy.
char* CopyText(char* out, std::string_view text) {
    const std::size_t size = text.size();
    const char* const from = text.data();
    if (size >= 8 && size <= 16) {
        std::memcpy(out, from, 8);
        std::memcpy(out + size - 8, from + size - 8, 8);
    } else if (size >= 4 && size < 8) {
        std::memcpy(out, from, 4);
        std::memcpy(out + size - 4, from + size - 4, 4);
    } else if (size > 16) {
        std::memcpy(out, from, size);
    } else {
        for (std::size_t i = 0; i < size; ++i) {
            out[i] = from[i];
        }
    }
    return out + size;
}

} // namespace

CsvWriter::CsvWriter(std::FILE* output, char delimiter)
    : output_(output), delimiter_(delimiter), buffer_(new char[kCapacity]), end_(buffer_.get()) {}

char* CsvWriter::Room(std::size_t size) {
    if (static_cast<std::size_t>(buffer_.get() + kCapacity - end_) < size) {
        Flush();
    }
    return end_;
}

void CsvWriter::Put(char c) {
    *Room(1) = c;
    ++end_;
}

void CsvWriter::Separate() {
    end_ = StartField(0);
}

char* CsvWriter::StartField(std::size_t size) {
    char* out = Room(size + 1);
    if (rowStarted_) {
        *out++ = delimiter_;
    }
    rowStarted_ = true;
    return out;
}

void CsvWriter::Field(std::string_view text) {
    // Whether the text needs care: one pass, no search per character.
    bool special = false;
    for (const char c : text) {
        special |= c == delimiter_ || c == '"' || c == '\r' || c == '\n';
    }
    if (!special) {
        PlainField(text);
        return;
    }
    Separate();
    if (delimiter_ == '\t') {
        for (const char c : text) {
            Put(c == '\t' || c == '\r' || c == '\n' ? ' ' : c);
        }
        return;
    }
    Put('"');
    for (const char c : text) {
        if (c == '"') {
            Put('"');
        }
        Put(c);
    }
    Put('"');
}

void CsvWriter::PlainField(std::string_view text) {
    if (text.size() > kCapacity - kFlushAt) {
        Separate();
        WriteDirectly(text);
        return;
    }
    end_ = CopyText(StartField(text.size()), text);
}

void CsvWriter::WriteDirectly(std::string_view text) {
    Flush();
    std::fwrite(text.data(), 1, text.size(), output_);
}

void CsvWriter::RowStart(std::string_view csv) {
    rowStarted_ = true;
    if (csv.size() > kCapacity - kFlushAt) {
        WriteDirectly(csv);
        return;
    }
    end_ = CopyText(Room(csv.size()), csv);
}

void CsvWriter::Number(double value) {
    char* const start = StartField(kShortestNumberMax);
    end_ = WriteShortest(value, start);
    if (delimiter_ == ';') {
        std::replace(start, end_, '.', ',');
    }
}

void CsvWriter::Integer(std::int64_t value) {
    char* const out = StartField(20);
    end_ = std::to_chars(out, out + 20, value).ptr;
}

void CsvWriter::EndRow() {
    Put('\n');
    rowStarted_ = false;
    if (static_cast<std::size_t>(end_ - buffer_.get()) >= kFlushAt) {
        Flush();
    }
}

bool CsvWriter::Flush() {
    const auto size = static_cast<std::size_t>(end_ - buffer_.get());
    std::fwrite(buffer_.get(), 1, size, output_);
    end_ = buffer_.get();
    // The error flag stays set, so a block that failed earlier (a full disk, say) is still
    // reported here, at the end.
    return std::fflush(output_) == 0 && std::ferror(output_) == 0;
}

} // namespace tavrel::csv
