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
    // Writes `text`, which starts at `offset` in the table, to out_: each whole row with its
    // appended fields, and a row's beginning where `text` ends within it.
    void Emit(std::string_view text, std::uint64_t offset, const Appender& append);
    // What the writer flushes: held, or once spilled passed on.
    static ssize_t Receive(void* cookie, const char* data, std::size_t size);

    csv::CsvWriter& out_;
    std::span<const std::string_view> appended_;
    std::size_t mostRows_;
    bool spilled_ = false;
    HeldText text_;
    std::uint64_t received_ = 0;         // how much of the table the writer flushed
    long rowsEmitted_ = 0;               // the header and the data rows written to out_
    std::vector<std::uint64_t> rowEnds_; // where each row not yet emitted ends
    std::FILE* memory_;
    std::unique_ptr<csv::CsvWriter> writer_;
};

} // namespace tavrel::cli
