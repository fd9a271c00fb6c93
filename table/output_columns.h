#pragma once

#include "csv/csv_writer.h"
#include "meta/study/intervals.h"
#include "table/measure/effect_measure.h"
#include "table/row/measure_row.h"
#include "table/row/study_row.h"

#include <cstddef>
#include <span>
#include <string_view>

namespace tavrel::table {

// What one output row is written from.
struct RowResults {
    std::string_view mode;
    std::string_view error;           // why the row gives no g, or no interval asked for
    std::string_view errorField;      // the input column the error names, as the header spells it
    const StudyRow* study;            // null for a row that could not be computed
    bool pooled;                      // it gives g with a finite variance: yi, vi and intervals
    std::string_view hedgesG;         // g's shortest text, written as hedges_g and as yi
    meta::Interval g;                 // the normal interval of g
    const meta::Interval* noncentral; // Cohen's d by the noncentral t; null where there is none
    // A row in a measure but SMD: its yi (whose shortest text is in `hedgesG`), vi and source;
    // `g` is then its interval. Null for SMD and for a row that could not be computed.
    const MeasureRow* measured = nullptr;
    Transform transform = Transform::None; // how the measure's values are shown to a reader
};

// One column the tool adds after a row's own: its name and how its field is written.
struct OutputColumn {
    std::string_view name;
    void (*write)(const RowResults& row, csv::CsvWriter& out);
    bool noncentralOnly = false; // only with --ci noncentral
};

// Every added column, in order: the header, each row and each count follow from this table.
// SMD adds every result of the window; another measure its yi, vi and interval, and where it
// is shown transformed (a ratio, a correlation) the same back-transformed.
// The first kStatusColumns (mode, error, error_field) are written for every row; the others
// are empty for a row that could not be computed.
std::span<const OutputColumn> OutputColumns(Measure measure = Measure::SMD);
inline constexpr std::size_t kStatusColumns = 3;

} // namespace tavrel::table
