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
    // Unbuffered: every block reaches Receive whole, and nothing stays behind in the stream
    // once the writer is redirected.
    std::setvbuf(memory_, nullptr, _IONBF, 0);
    writer_ = std::make_unique<csv::CsvWriter>(memory_, out.Delimiter());
    writer_->KeepRowEnds(&rowEnds_);
}

HeldTable::~HeldTable() {
    writer_.reset();
    std::fclose(memory_);
}

ssize_t HeldTable::Receive(void* cookie, const char* data, std::size_t size) {
    auto& table = *static_cast<HeldTable*>(cookie);
    table.text_.Append({data, size});
    if (table.rowEnds_.size() > table.mostRows_ + 1) {
        // Too many rows to hold: what is held goes out now, and the writer writes the rest
        // straight to the output, each row with the appended columns empty.
        table.spilled_ = true;
        table.Emit({table.text_.Data(), table.text_.Size()}, nullptr);
        table.text_.Release();
        table.out_.Flush();
        table.writer_->KeepRowEnds(nullptr);
        table.writer_->Redirect(table.out_.File(), table.appended_.size());
    }
    return static_cast<ssize_t>(size);
}

void HeldTable::Emit(std::string_view text, const Appender& append) {
    std::size_t start = 0; // where the part of `text` not yet written begins
    for (std::size_t row = 0; row < rowEnds_.size() && rowEnds_[row] < text.size(); ++row) {
        out_.RowStart(text.substr(start, rowEnds_[row] - start));
        if (row > 0 && append) {
            append(static_cast<long>(row), out_);
        } else {
            for (const std::string_view name : appended_) {
                out_.PlainField(row == 0 ? name : std::string_view{});
            }
        }
        out_.EndRow();
        start = rowEnds_[row] + 1; // past the line break
    }
    if (start < text.size()) {
        out_.RowStart(text.substr(start)); // a row the writer goes on with
    }
}

bool HeldTable::WriteTo(const Appender& append) {
    if (spilled_) {
        return writer_->Flush() && out_.Flush(); // the writer now writes the output itself
    }
    if (!writer_->Flush()) {
        throw std::bad_alloc(); // a stream in memory fails only for want of memory
    }
    Emit({text_.Data(), text_.Size()}, append);
    return out_.Flush();
}

} // namespace tavrel::cli
