#pragma once

#include "meta/fit/fit_design.h"
#include "meta/study/study.h"

#include <Eigen/Dense>
#include <span>
#include <string>
#include <vector>

namespace tavrel::meta {

// The studies arranged cluster by cluster, as the three-level model and the cluster-robust
// variance read them: each cluster's rows next to each other, so that every block of the
// block-diagonal covariance is a contiguous range. Clusters keep the order in which they are
// first seen, and rows their order within a cluster.
struct ClusteredStudies {
    Eigen::VectorXd y;
    Eigen::VectorXd v;
    Design x;
    std::vector<Eigen::Index> order;  // order[j]: which study stands at position j
    std::vector<Eigen::Index> starts; // cluster c holds positions [starts[c], starts[c + 1])

    Eigen::Index Clusters() const { return static_cast<Eigen::Index>(starts.size()) - 1; }
    Eigen::Index Rows() const { return y.size(); }
    Eigen::Index Size(Eigen::Index c) const { return Start(c + 1) - Start(c); }
    Eigen::Index Start(Eigen::Index c) const { return starts[static_cast<std::size_t>(c)]; }
    // The largest cluster's number of rows.
    Eigen::Index LargestCluster() const;
};

// `clusterOf[i]` names study i's cluster; rows of one cluster share the text exactly.
ClusteredStudies ArrangeByCluster(std::span<const Study> studies, const Design& x,
                                  std::span<const std::string> clusterOf);

// How many clusters the texts name.
std::size_t CountClusters(std::span<const std::string> clusterOf);

} // namespace tavrel::meta
