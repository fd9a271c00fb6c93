#include "report/sources_text.h"

#include <numeric>

namespace tavrel::report {

namespace {

std::string Rows(long count) {
    return std::to_string(count) + (count == 1 ? " row has" : " rows have");
}

} // namespace

std::string SourcesText(const table::StudyTable& table) {
    std::string text;
    if (!table.ReplacedColumns().empty()) {
        std::string names;
        for (const std::string& name : table.ReplacedColumns()) {
            names += (names.empty() ? "" : ", ") + name;
        }
        text += "the input's columns " + names + " are replaced by the computed ones\n";
    }
    if (const std::vector<std::string>& escalc = table.EscalcColumns(); !escalc.empty()) {
        std::string names;
        for (const std::string& name : escalc) {
            names += (names.empty() ? "" : ", ") + name;
        }
        const bool groups = table.EscalcNamesGroups();
        text += "the columns named as metafor's escalc names them (" + names +
                ") are read as escalc reads them" +
                (groups ? ": group 1 is the experimental group, and every effect is group 1 "
                          "against group 2"
                        : "") +
                "\n";
    }
    const auto& bySource = table.RowsBySource();
    const long rows = std::accumulate(bySource.begin(), bySource.end(), 0L);
    if (rows == bySource[0] && table.RowsWithDisagreements() == 0) {
        return text;
    }
    std::string counts;
    for (std::size_t source = 0; source < bySource.size(); ++source) {
        if (bySource[source] > 0) {
            counts += (counts.empty() ? "" : ", ") + std::string(table::kSourceNames[source]) +
                      " " + std::to_string(bySource[source]);
        }
    }
    text += "effect sizes from " + counts + "; " + Rows(table.RowsWithDisagreements()) +
            " reported numbers that disagree";
    if (const long passedOver = table.RowsPassedOver(); passedOver > 0) {
        text += "; " + Rows(passedOver) +
                " a value that could not be used, passed over for a less direct source (see "
                "consistency)";
    }
    return text + "\n";
}

} // namespace tavrel::report
