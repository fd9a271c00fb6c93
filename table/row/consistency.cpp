#include "table/row/consistency.h"

#include "meta/study/conversions.h"
#include "table/row/source_fields.h"
#include "table/row/source_range.h"
#include "table/row/written_number.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

namespace tavrel::table {

namespace {

std::string Fixed(double value, int decimals) {
    if (std::isinf(value)) {
        return value > 0 ? "Inf" : "-Inf";
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

constexpr std::array<std::string_view, kSources.size()> kSourceWords = {"the means and SDs give",
                                                                        "the t gives",
                                                                        "the F gives",
                                                                        "the p gives",
                                                                        "the d gives",
                                                                        "the g gives",
                                                                        "the es gives",
                                                                        "the counts give"};

class Report {
  public:
    explicit Report(std::string_view source) : source_(source) {}

    // Compares a reported number with the range the source allows; `by` says what gives the
    // range, where it is not the source.
    void Compare(const RowFields& row, Column column, Range allowed, std::string by = {}) {
        const std::string_view text = TrimBlanks(row.Text(column));
        if (column == Column::P) {
            if (const auto p = ReadReportedP(text)) {
                Holds(*p, allowed) ? Agreed()
                                   : Disagree(row.Name(column), text, by, allowed,
                                              std::max(3, p->bound.Decimals()));
                return;
            }
        } else if (const auto reported = ReadWrittenNumber(text)) {
            Overlap(Of(*reported), allowed)
                ? Agreed()
                : Disagree(row.Name(column), text, by, allowed, std::max(2, reported->Decimals()));
            return;
        }
        NotCompared(row.Name(column), text);
    }
    void Agreed() { ++compared_; }
    void Disagreed(std::string clause) {
        ++compared_;
        clauses_.push_back(std::move(clause));
    }
    void NotCompared(std::string_view name, std::string_view text) {
        notes_.push_back(std::string(name) + " not compared: " + Quoted(text));
    }
    std::string_view Source() const { return source_; }

    bool Disagrees() const { return !clauses_.empty(); }
    std::string Text() const {
        std::vector<std::string> parts = clauses_;
        if (clauses_.empty() && compared_ > 0) {
            parts.insert(parts.begin(), "consistent");
        }
        parts.insert(parts.end(), notes_.begin(), notes_.end());
        std::string text;
        for (const std::string& part : parts) {
            text += (text.empty() ? "" : "; ") + part;
        }
        return text;
    }

  private:
    static bool Holds(const ReportedP& p, Range allowed) {
        const double c = p.bound.value;
        switch (p.relation) {
        case ReportedP::Below:
            return allowed.low < c;
        case ReportedP::AtMost:
            return allowed.low <= c;
        case ReportedP::Above:
            return allowed.high > c;
        case ReportedP::AtLeast:
            return allowed.high >= c;
        case ReportedP::Equal:
            break;
        }
        return Overlap(Of(p.bound), allowed);
    }
    void Disagree(std::string_view name, std::string_view text, const std::string& by,
                  Range allowed, int decimals) {
        Disagreed(std::string(name) + ": reported " + std::string(text) + ", " +
                  (by.empty() ? std::string(source_) : by) + " " + Fixed(allowed.low, decimals) +
                  " to " + Fixed(allowed.high, decimals));
    }

    std::string_view source_;
    std::vector<std::string> clauses_;
    std::vector<std::string> notes_;
    int compared_ = 0; // agreements and disagreements
};

// An SE given beside an SD: SD / sqrt(n) (an SE given as an SD is a common slip); and an
// interval's midpoint beside its mean.
void CompareGroup(const RowFields& row, Report& report, const Group& group, double n) {
    const Column mean = group.mean;
    const Column sd = group.sd;
    const Column size = group.n;
    const Column se = group.se;
    const Column low = group.low;
    const Column high = group.high;
    if (!Given(row, se) && !Given(row, low) && !Given(row, high)) {
        return; // nothing to compare: most rows
    }
    const auto givenSd = ReadWrittenNumber(row.Text(sd));
    if (givenSd && Given(row, se)) {
        report.Compare(row, se, {givenSd->Low() / std::sqrt(n), givenSd->High() / std::sqrt(n)},
                       std::string(row.Name(sd)) + " / \u221a" + std::string(row.Name(size)) +
                           " gives");
    }
    const auto m = ReadWrittenNumber(row.Text(mean));
    const auto a = ReadWrittenNumber(row.Text(low));
    const auto b = ReadWrittenNumber(row.Text(high));
    if (m && a && b) {
        const Range midpoint{(a->Low() + b->Low()) / 2, (a->High() + b->High()) / 2};
        if (Overlap(midpoint, Of(*m))) {
            report.Agreed();
        } else {
            // One decimal more than the mean has, so that its rounding shows.
            const int decimals = std::max(2, m->Decimals() + 1);
            report.Disagreed(std::string(row.Name(low)) + " and " + std::string(row.Name(high)) +
                             ": their midpoint is " + Fixed(midpoint.low, decimals) + " to " +
                             Fixed(midpoint.high, decimals) + ", " + std::string(row.Name(mean)) +
                             " is " + Fixed(m->Low(), decimals) + " to " +
                             Fixed(m->High(), decimals));
        }
    }
}

} // namespace

Consistency CheckConsistency(const RowFields& row, const StudyRow& study) {
    Report report(kSourceWords[static_cast<std::size_t>(study.source)]);
    const double n1 = study.stats.N1;
    const double n2 = study.stats.N2;
    const double scale = std::sqrt(1 / n1 + 1 / n2);
    if (study.source == EffectSource::Means) {
        CompareGroup(row, report, kControl, n1);
        CompareGroup(row, report, kExperimental, n2);
    }
    // What the row reports beside its source; most rows report nothing more, and the ranges
    // (a p's needs Student's t distribution) are worked out only for what is there.
    constexpr std::array kStatistics = {Column::T, Column::F, Column::P,
                                        Column::D, Column::G, Column::Es};
    const bool signUsed = study.source == EffectSource::F || study.source == EffectSource::P;
    const bool anyStatistic =
        std::any_of(kStatistics.begin(), kStatistics.end(), [&](Column column) {
            return column != SourceColumn(study.source) && Given(row, column);
        });
    const std::optional<Range> t = anyStatistic || (!signUsed && Given(row, Column::Sign))
                                       ? SourceT(row, study)
                                       : std::nullopt;
    if (t) {
        const Range d{t->low * scale, t->high * scale};
        const double j = study.values.BiasFactor;
        const Range g{d.low * j, d.high * j};
        const double smallest =
            t->low <= 0 && t->high >= 0 ? 0 : std::min(std::fabs(t->low), std::fabs(t->high));
        const double largest = std::max(std::fabs(t->low), std::fabs(t->high));
        const double df = n1 + n2 - 2;
        for (const Column column : kStatistics) {
            if (column == SourceColumn(study.source) || !Given(row, column)) {
                continue;
            }
            switch (column) {
            case Column::T:
                report.Compare(row, column, *t);
                break;
            case Column::F:
                report.Compare(row, column, {smallest * smallest, largest * largest});
                break;
            case Column::P:
                report.Compare(row, column,
                               {meta::TwoSidedP(largest, df), meta::TwoSidedP(smallest, df)});
                break;
            case Column::D:
                report.Compare(row, column, d);
                break;
            default: // g and es, which is a g
                report.Compare(row, column, g);
                break;
            }
        }
        if (!signUsed && Given(row, Column::Sign)) {
            const std::string_view text = TrimBlanks(row.Text(Column::Sign));
            if (const auto sign = ReadSign(text)) {
                if ((*sign > 0 && t->high < 0) || (*sign < 0 && t->low > 0)) {
                    report.Disagreed(std::string(row.Name(Column::Sign)) + ": reported " +
                                     std::string(text) + ", " + std::string(report.Source()) +
                                     " t of " + Fixed(t->low, 2) + " to " + Fixed(t->high, 2));
                } else {
                    report.Agreed();
                }
            } else {
                report.NotCompared(row.Name(Column::Sign), text);
            }
        }
    }
    return {report.Text(), report.Disagrees()};
}

} // namespace tavrel::table
