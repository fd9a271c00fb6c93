#pragma once

#include "csv/csv_writer.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace tavrel::cli {

// Text held in memory: an anonymous mapping that mremap grows without copying, in huge pages
// where the system gives them (in 4 KiB pages, the page faults of a 400 MB table cost more than
// writing it).
class HeldText {
  public:
    HeldText() = default;
    ~HeldText();
    HeldText(const HeldText&) = delete;
    HeldText& operator=(const HeldText&) = delete;

    void Append(std::string_view text);
    // Gives the memory back: the text is empty again.
    void Release();
    const char* Data() const { return data_; }
    std::size_t Size() const { return size_; }

  private:
    static constexpr std::size_t kFirstCapacity = std::size_t{4} << 20;
    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

// The output table held in memory while the rows are read, so that columns only the fitted
// model can fill (each study's weight, residual, ...) can be added to the end of every row
// before the table is written to `out`. A table of more than `mostRows` data rows is not held:
// from that row on it is written as it comes, every row with those columns empty (Spilled()).
class HeldTable {
  public:
    HeldTable(csv::CsvWriter& out, std::span<const std::string_view> appended,
              std::size_t mostRows);
    ~HeldTable();
    HeldTable(const HeldTable&) = delete;
    HeldTable& operator=(const HeldTable&) = delete;

    // Where the table's rows are written, header first.
    csv::CsvWriter& Writer() { return *writer_; }
    // Whether the table outgrew what is held, and went out with the columns empty.
    bool Spilled() const { return spilled_; }

    // Writes what is still held to `out`, each data row (numbered from 1) with the fields
    // `append` writes after it, as many as the appended columns; once spilled, with them empty.
    // Returns false where `out` refused the table.
    using Appender = std::function<void(long row, csv::CsvWriter& out)>;
    bool WriteTo(const Appender& append);

  private:
    // Writes the held `text` to out_: each whole row with its appended fields (the header
    // with their names, a data row with what `append` writes, or empty where it is null), and
    // the beginning of a row the writer has not ended yet.
    void Emit(std::string_view text, const Appender& append);
    // What the writer flushes, held until there are too many rows.
    static ssize_t Receive(void* cookie, const char* data, std::size_t size);

    csv::CsvWriter& out_;
    std::span<const std::string_view> appended_;
    std::size_t mostRows_;
    bool spilled_ = false;
    HeldText text_;
    std::vector<std::uint64_t> rowEnds_; // where each held row ends
    std::FILE* memory_;
    std::unique_ptr<csv::CsvWriter> writer_;
};

} // namespace tavrel::cli
