#include "csv/round_trip_number.h"
#include "workbook/readers.h"
#include "workbook/table_rows.h"

#include <cmath>
#include <map>
#include <memory>
#include <readstat.h>
#include <string>
#include <vector>

// SPSS (.sav) and Stata (.dta) files through ReadStat: each variable a column, each case a row;
// a value with a label (a group coded 1 and 2) is read as its label.
namespace tavrel::workbook {

namespace {

struct Reading {
    std::vector<std::string> names;
    std::vector<std::string> labelSets; // per variable, its value labels' set, or empty
    // Per label set, each labelled value's label: numbers by their text, strings as they are.
    std::map<std::string, std::map<std::string, std::string>> labels;
    std::vector<std::vector<std::string>> cases;
    std::string error;
};

std::string NumberText(double value) {
    char digits[csv::kShortestNumberMax];
    return {digits, csv::WriteShortest(value, digits)};
}

// A value's text: a number's shortest text, a string as stored.
std::string ValueText(readstat_value_t value) {
    if (readstat_value_type_class(value) == READSTAT_TYPE_CLASS_STRING) {
        const char* text = readstat_string_value(value);
        return text != nullptr ? text : "";
    }
    return NumberText(readstat_double_value(value));
}

int OnVariable(int index, readstat_variable_t* variable, const char* labels, void* data) {
    auto* reading = static_cast<Reading*>(data);
    const auto at = static_cast<std::size_t>(index);
    reading->names.resize(std::max(reading->names.size(), at + 1));
    reading->labelSets.resize(reading->names.size());
    reading->names[at] = readstat_variable_get_name(variable);
    reading->labelSets[at] = labels != nullptr ? labels : "";
    return READSTAT_HANDLER_OK;
}

int OnLabel(const char* set, readstat_value_t value, const char* label, void* data) {
    auto* reading = static_cast<Reading*>(data);
    reading->labels[set][ValueText(value)] = label;
    return READSTAT_HANDLER_OK;
}

int OnValue(int row, readstat_variable_t* variable, readstat_value_t value, void* data) {
    auto* reading = static_cast<Reading*>(data);
    const auto at = static_cast<std::size_t>(row);
    if (reading->cases.size() <= at) {
        reading->cases.resize(at + 1, std::vector<std::string>(reading->names.size()));
    }
    const auto column = static_cast<std::size_t>(readstat_variable_get_index(variable));
    if (column < reading->cases[at].size() && !readstat_value_is_missing(value, variable)) {
        reading->cases[at][column] = ValueText(value);
    }
    return READSTAT_HANDLER_OK;
}

void OnError(const char* message, void* data) {
    static_cast<Reading*>(data)->error = message;
}

} // namespace

Table ReadDataFile(const std::string& path, Kind kind) {
    const std::unique_ptr<readstat_parser_t, void (*)(readstat_parser_t*)> parser(
        readstat_parser_init(), &readstat_parser_free);
    readstat_set_variable_handler(parser.get(), &OnVariable);
    readstat_set_value_label_handler(parser.get(), &OnLabel);
    readstat_set_value_handler(parser.get(), &OnValue);
    readstat_set_error_handler(parser.get(), &OnError);
    Reading reading;
    const readstat_error_t error = kind == Kind::Sav
                                       ? readstat_parse_sav(parser.get(), path.c_str(), &reading)
                                       : readstat_parse_dta(parser.get(), path.c_str(), &reading);
    if (error != READSTAT_OK) {
        throw WorkbookError("cannot read it: " + std::string(readstat_error_message(error)) +
                            (reading.error.empty() ? "" : " (" + reading.error + ")"));
    }
    // Labelled values are looked up once all is read: a Stata file keeps its labels after
    // its data.
    TableRows rows;
    for (std::size_t column = 0; column < reading.names.size(); ++column) {
        rows.Cell(column, reading.names[column]);
    }
    rows.EndRow();
    for (std::vector<std::string>& values : reading.cases) {
        for (std::size_t column = 0; column < values.size(); ++column) {
            const std::string& set = reading.labelSets[column];
            if (!set.empty() && !values[column].empty()) {
                const auto& labels = reading.labels[set];
                if (const auto found = labels.find(values[column]); found != labels.end()) {
                    values[column] = found->second;
                }
            }
            rows.Cell(column, std::move(values[column]));
        }
        rows.EndRow();
    }
    return {rows.Take(), {}};
}

} // namespace tavrel::workbook
