#pragma once

#include "meta/model/model_settings.h"
#include "meta/study/intervals.h"
#include "table/measure/effect_measure.h"
#include "table/row/study_row.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace tavrel::table {

// A pooled study as a plot and the leave-one-out table name it: its label (empty where the
// table has none), its row number and its interval.
struct PlotRow {
    std::string label;
    meta::Interval interval;
    long row;
};

// The rows that go into the meta-analysis: each row with g and a finite, positive variance
// (yi, vi), and its label and interval where a plot needs them; the rest are counted as left
// out, by why.
class PooledRows {
  public:
    // `labelled`: keep each study's label and interval, for a plot or the leave-one-out table;
    // `grouped`: keep each study's group; `moderators`: how many moderators each study has;
    // `measure`: the scale of every yi.
    // `clustered`: keep each study's cluster.
    explicit PooledRows(bool labelled, bool grouped = false, std::size_t moderators = 0,
                        Measure measure = Measure::SMD, bool clustered = false)
        : labelled_(labelled), grouped_(grouped), clustered_(clustered),
          moderatorCount_(moderators), measure_(measure) {}

    // `label` empty: the study is known by its row number; `group` empty: the group
    // "(empty)"; `moderators`: the texts of the study's moderators, none missing; `cluster`: the
    // study the row belongs to, not missing.
    void Add(double yi, double vi, meta::Interval interval, std::string_view label, long row,
             std::string_view group = {}, std::span<const std::string_view> moderators = {},
             std::string_view cluster = {}) {
        if (!std::isfinite(yi) || !std::isfinite(vi) || !(vi > 0)) {
            LeaveOut(LeftOutReason::NotFinite); // no weight a pool can use
            return;
        }
        studies_.push_back({yi, vi});
        const auto at = static_cast<std::size_t>(row);
        if (rowPooled_.size() <= at) {
            rowPooled_.resize(at + 1);
        }
        rowPooled_[at] = true;
        if (labelled_) {
            plotRows_.push_back({std::string(label), interval, row});
        }
        if (grouped_) {
            groups_.emplace_back(group.empty() ? std::string_view("(empty)") : group);
        }
        moderators_.insert(moderators_.end(), moderators.begin(), moderators.end());
        if (clustered_) {
            NoteCluster(cluster, row);
            clusters_.emplace_back(cluster);
        }
    }
    void LeaveOut(LeftOutReason reason) {
        ++leftOut_;
        ++leftOutBy_[static_cast<std::size_t>(reason)];
    }

    std::span<const meta::Study> Studies() const { return studies_; }
    const std::vector<PlotRow>& PlotRows() const { return plotRows_; }
    // Whether the row numbered `row` was pooled (the studies are the pooled rows in order).
    bool Pooled(long row) const {
        const auto at = static_cast<std::size_t>(row);
        return at < rowPooled_.size() && rowPooled_[at];
    }
    // Each pooled study's group, where the rows are grouped.
    const std::vector<std::string>& Groups() const { return groups_; }
    // Each pooled study's cluster, where the rows are clustered.
    const std::vector<std::string>& Clusters() const { return clusters_; }
    // Clusters whose rows stand apart, other clusters' rows between them: one study's number
    // given again to another, often. The first such cluster and the row where it came back.
    std::size_t SplitClusters() const { return splitClusters_; }
    const std::string& FirstSplitCluster() const { return firstSplit_; }
    long FirstSplitRow() const { return firstSplitRow_; }
    bool Clustered() const { return clustered_; }
    // Each pooled study's moderators, study by study (ModeratorCount() to a study).
    const std::vector<std::string>& Moderators() const { return moderators_; }
    std::size_t ModeratorCount() const { return moderatorCount_; }
    Measure EffectMeasure() const { return measure_; }
    std::size_t LeftOut() const { return leftOut_; }
    std::size_t LeftOut(LeftOutReason reason) const {
        return leftOutBy_[static_cast<std::size_t>(reason)];
    }

  private:
    void NoteCluster(std::string_view cluster, long row) {
        if (!clusters_.empty() && cluster == clusters_.back()) {
            return;
        }
        if (!seenClusters_.emplace(cluster).second && splitClusters_++ == 0) {
            firstSplit_ = cluster;
            firstSplitRow_ = row;
        }
    }

    bool labelled_;
    bool grouped_;
    bool clustered_;
    std::vector<std::string> groups_;
    std::vector<std::string> clusters_;
    std::unordered_set<std::string> seenClusters_;
    std::size_t splitClusters_ = 0;
    std::string firstSplit_;
    long firstSplitRow_ = 0;
    std::size_t moderatorCount_;
    Measure measure_;
    std::vector<std::string> moderators_;
    std::vector<meta::Study> studies_;
    std::vector<PlotRow> plotRows_;
    std::vector<bool> rowPooled_; // a bit a row: a million rows in 125 kB
    std::size_t leftOut_ = 0;
    std::array<std::size_t, kLeftOutReasons> leftOutBy_{};
};

} // namespace tavrel::table
