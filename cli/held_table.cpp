#include "cli/held_table.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace tavrel::cli {

namespace {

std::FILE* TemporaryFile() {
    std::FILE* file = std::tmpfile(); // unlinked already: nothing is left behind
    if (file == nullptr) {
        throw std::bad_alloc();
    }
    return file;
}

} // namespace

HeldTable::HeldTable(csv::CsvWriter& out, std::span<const std::string_view> appended)
    : out_(out), appended_(appended), file_(TemporaryFile()), writer_(file_, out.Delimiter()) {}

HeldTable::~HeldTable() {
    std::fclose(file_);
}

void HeldTable::WriteRow(std::string_view row, long number, const Appender& append) {
    out_.RowStart(row);
    if (number > 0 && append) {
        append(number, out_);
    } else {
        for (const std::string_view name : appended_) {
            out_.PlainField(number == 0 ? name : std::string_view{});
        }
    }
    out_.EndRow();
}

bool HeldTable::WriteTo(const Appender& append) {
    if (!writer_.Flush() || std::fflush(file_) != 0) {
        return false;
    }
    std::rewind(file_);
    // A row ends at a line break outside quotes: the writer quotes every field that holds one
    // (and writes none in TSV), doubling the quotes inside, so an odd count of quotes before a
    // line break leaves it inside a field.
    std::vector<char> block(std::size_t{1} << 20);
    std::string carried; // the beginning of a row, read with the block before
    long number = 0;
    bool quoted = false;
    std::size_t got;
    while ((got = std::fread(block.data(), 1, block.size(), file_)) > 0) {
        const char* start = block.data();
        const char* scanned = start;
        const char* const end = block.data() + got;
        while (const void* found =
                   std::memchr(scanned, '\n', static_cast<std::size_t>(end - scanned))) {
            const char* lineBreak = static_cast<const char*>(found);
            quoted ^= (std::count(scanned, lineBreak, '"') % 2) != 0;
            scanned = lineBreak + 1;
            if (quoted) {
                continue;
            }
            const std::string_view piece(start, static_cast<std::size_t>(lineBreak - start));
            if (carried.empty()) {
                WriteRow(piece, number++, append);
            } else {
                WriteRow(carried.append(piece), number++, append);
                carried.clear();
            }
            start = scanned;
        }
        quoted ^= (std::count(scanned, end, '"') % 2) != 0;
        carried.append(start, end);
    }
    return !std::ferror(file_) && carried.empty() && out_.Flush();
}

} // namespace tavrel::cli
