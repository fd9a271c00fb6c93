#include "table/pooled_rows.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>

namespace tavrel::table {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

} // namespace

PooledRows::~PooledRows() {
    std::free(studies_);
}

void PooledRows::Grow() {
    const std::size_t capacity = capacity_ == 0 ? kHugePage / sizeof(meta::Study) : 2 * capacity_;
    const std::size_t bytes = capacity * sizeof(meta::Study); // a whole number of huge pages
    auto* grown = static_cast<meta::Study*>(std::aligned_alloc(kHugePage, bytes));
    if (grown == nullptr) {
        throw std::bad_alloc();
    }
    madvise(grown, bytes, MADV_HUGEPAGE); // only advice: without huge pages all still works
    if (count_ > 0) {
        std::memcpy(grown, studies_, count_ * sizeof(meta::Study));
    }
    std::free(studies_);
    studies_ = grown;
    capacity_ = capacity;
}

} // namespace tavrel::table
