#include "cli/held_table.h"

#include <new>
#include <stdio.h> // fopencookie

namespace tavrel::cli {

namespace {

// A stream whose writes append to a string: the string grows by doubling, where an
// open_memstream buffer is copied and cleared in small steps (four times slower for a
// million rows).
ssize_t Append(void* cookie, const char* data, std::size_t size) {
    static_cast<std::string*>(cookie)->append(data, size);
    return static_cast<ssize_t>(size);
}

} // namespace

HeldTable::HeldTable(char delimiter)
    : memory_(fopencookie(&text_, "w", {nullptr, &Append, nullptr, nullptr})) {
    if (memory_ == nullptr) {
        throw std::bad_alloc();
    }
    writer_ = std::make_unique<csv::CsvWriter>(memory_, delimiter);
    writer_->KeepRowEnds(&rowEnds_);
}

HeldTable::~HeldTable() {
    writer_.reset();
    std::fclose(memory_);
}

bool HeldTable::WriteTo(csv::CsvWriter& out, std::span<const std::string_view> names,
                        const Appender& append) {
    if (!writer_->Flush()) {
        throw std::bad_alloc(); // a stream in memory fails only for want of memory
    }
    std::uint64_t start = 0;
    for (std::size_t row = 0; row < rowEnds_.size(); ++row) {
        out.RowStart({text_.data() + start, static_cast<std::size_t>(rowEnds_[row] - start)});
        if (row == 0) {
            for (const std::string_view name : names) {
                out.PlainField(name);
            }
        } else {
            append(static_cast<long>(row), out);
        }
        out.EndRow();
        start = rowEnds_[row] + 1; // past the line break
    }
    return out.Flush();
}

} // namespace tavrel::cli
