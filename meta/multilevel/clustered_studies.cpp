#include "meta/multilevel/clustered_studies.h"

#include <string_view>
#include <unordered_map>

namespace tavrel::meta {

namespace {

// Each study's cluster as a number, 0 for the first cluster seen, and how many there are.
std::vector<Eigen::Index> NumberClusters(std::span<const std::string> clusterOf,
                                         Eigen::Index& clusters) {
    std::unordered_map<std::string_view, Eigen::Index> numbers;
    std::vector<Eigen::Index> number(clusterOf.size());
    for (std::size_t i = 0; i < clusterOf.size(); ++i) {
        number[i] = numbers.try_emplace(clusterOf[i], static_cast<Eigen::Index>(numbers.size()))
                        .first->second;
    }
    clusters = static_cast<Eigen::Index>(numbers.size());
    return number;
}

} // namespace

Eigen::Index ClusteredStudies::LargestCluster() const {
    Eigen::Index largest = 0;
    for (Eigen::Index c = 0; c < Clusters(); ++c) {
        largest = std::max(largest, Size(c));
    }
    return largest;
}

std::size_t CountClusters(std::span<const std::string> clusterOf) {
    Eigen::Index clusters = 0;
    NumberClusters(clusterOf, clusters);
    return static_cast<std::size_t>(clusters);
}

ClusteredStudies ArrangeByCluster(std::span<const Study> studies, const Design& x,
                                  std::span<const std::string> clusterOf) {
    Eigen::Index clusters = 0;
    const std::vector<Eigen::Index> number = NumberClusters(clusterOf, clusters);
    ClusteredStudies arranged;
    // A counting sort: each cluster's first position, then each row in its place.
    arranged.starts.assign(static_cast<std::size_t>(clusters) + 1, 0);
    for (const Eigen::Index c : number) {
        ++arranged.starts[static_cast<std::size_t>(c) + 1];
    }
    for (std::size_t c = 1; c < arranged.starts.size(); ++c) {
        arranged.starts[c] += arranged.starts[c - 1];
    }
    std::vector<Eigen::Index> next(arranged.starts.begin(), arranged.starts.end() - 1);
    const auto k = static_cast<Eigen::Index>(studies.size());
    arranged.order.resize(studies.size());
    arranged.y.resize(k);
    arranged.v.resize(k);
    arranged.x.resize(k, x.cols());
    for (Eigen::Index i = 0; i < k; ++i) {
        const Eigen::Index at =
            next[static_cast<std::size_t>(number[static_cast<std::size_t>(i)])]++;
        arranged.order[static_cast<std::size_t>(at)] = i;
        arranged.y[at] = studies[static_cast<std::size_t>(i)].yi;
        arranged.v[at] = studies[static_cast<std::size_t>(i)].vi;
        arranged.x.row(at) = x.row(i);
    }
    return arranged;
}

} // namespace tavrel::meta
