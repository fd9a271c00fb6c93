#include "cli/held_table.h"

#include <cstring>
#include <new>
#include <stdio.h> // fopencookie
#include <sys/mman.h>

namespace tavrel::cli {

HeldText::~HeldText() {
    Release();
}

void HeldText::Release() {
    if (data_ != nullptr) {
        munmap(data_, capacity_);
    }
    data_ = nullptr;
    size_ = capacity_ = 0;
}

void HeldText::Append(std::string_view text) {
    if (size_ + text.size() > capacity_) {
        std::size_t capacity = capacity_ == 0 ? kFirstCapacity : capacity_;
        while (capacity < size_ + text.size()) {
            capacity *= 2;
        }
        void* grown = data_ == nullptr ? mmap(nullptr, capacity, PROT_READ | PROT_WRITE,
                                              MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)
                                       : mremap(data_, capacity_, capacity, MREMAP_MAYMOVE);
        if (grown == MAP_FAILED) {
            throw std::bad_alloc();
        }
        madvise(grown, capacity, MADV_HUGEPAGE); // only advice: without huge pages all works
        data_ = static_cast<char*>(grown);
        capacity_ = capacity;
    }
    std::memcpy(data_ + size_, text.data(), text.size());
    size_ += text.size();
}

HeldTable::HeldTable(csv::CsvWriter& out, std::span<const std::string_view> appended,
                     std::size_t mostRows)
    : out_(out), appended_(appended), mostRows_(mostRows),
      memory_(fopencookie(this, "w", {nullptr, &Receive, nullptr, nullptr})) {
    if (memory_ == nullptr) {
        throw std::bad_alloc();
    }
    writer_ = std::make_unique<csv::CsvWriter>(memory_, out.Delimiter());
    writer_->KeepRowEnds(&rowEnds_);
}

HeldTable::~HeldTable() {
    writer_.reset();
    std::fclose(memory_);
}

ssize_t HeldTable::Receive(void* cookie, const char* data, std::size_t size) {
    auto& table = *static_cast<HeldTable*>(cookie);
    const std::uint64_t offset = table.received_;
    table.received_ += size;
    if (table.spilled_) {
        table.Emit({data, size}, offset, nullptr);
        return static_cast<ssize_t>(size);
    }
    table.text_.Append({data, size});
    if (table.rowEnds_.size() > table.mostRows_ + 1) {
        // Too many rows to hold: what is held goes out now, and the rest as it comes.
        table.spilled_ = true;
        table.Emit({table.text_.Data(), table.text_.Size()}, 0, nullptr);
        table.text_.Release();
    }
    return static_cast<ssize_t>(size);
}

void HeldTable::Emit(std::string_view text, std::uint64_t offset, const Appender& append) {
    std::uint64_t start = offset; // where the part of `text` not yet written begins
    const std::uint64_t end = offset + text.size();
    std::size_t next = 0; // rowEnds_ holds the ends of the rows not yet emitted
    for (; next < rowEnds_.size() && rowEnds_[next] < end; ++next, ++rowsEmitted_) {
        out_.RowStart(text.substr(start - offset, rowEnds_[next] - start));
        if (rowsEmitted_ > 0 && append) {
            append(rowsEmitted_, out_);
        } else {
            for (const std::string_view name : appended_) {
                out_.PlainField(rowsEmitted_ == 0 ? name : std::string_view{});
            }
        }
        out_.EndRow();
        start = rowEnds_[next] + 1; // past the line break
    }
    rowEnds_.erase(rowEnds_.begin(), rowEnds_.begin() + static_cast<std::ptrdiff_t>(next));
    if (start < end) {
        out_.RowStart(text.substr(start - offset)); // a row that goes on in the next text
    }
}

bool HeldTable::WriteTo(const Appender& append) {
    if (!writer_->Flush()) {
        throw std::bad_alloc(); // a stream in memory fails only for want of memory
    }
    if (!spilled_) {
        Emit({text_.Data(), text_.Size()}, 0, append);
    }
    return out_.Flush();
}

} // namespace tavrel::cli
