#pragma once

#include "meta/model/model.h"

#include <span>
#include <string>
#include <vector>

namespace tavrel::meta {

// One subgroup's model: its name, its model without moderators, and why values are missing
// where they are (a group of one study has no heterogeneity to estimate).
struct Subgroup {
    std::string name;
    Model model;
    std::string note;
};

// The test for subgroup differences: Cochran's Q of the subgroup estimates, each weighted by
// 1 / se^2, under a fixed-effect model, with G - 1 degrees of freedom (Borenstein et al. 2009,
// ch. 19; metafor: rma(estimates, sei = se, method = "FE")'s QE and QEp).
struct SubgroupTest {
    double q;
    double df;
    double p;
    std::string note; // why q and p are NaN, where they are
};

// Pools each group of studies on its own (groupOf[i] names study i's group), in the order the
// groups are first seen, with the same method, test and level as the whole. A group of one
// study gives that study's estimate and normal interval. Given each study's cluster
// (`clusterOf`, or empty), a group is fitted by the three-level model, or by the usual one
// where its rows are one cluster or a cluster each (its note says which).
std::vector<Subgroup> PoolSubgroups(std::span<const Study> studies,
                                    std::span<const std::string> groupOf,
                                    const ModelSettings& settings,
                                    std::span<const std::string> clusterOf = {});

SubgroupTest SubgroupDifferences(std::span<const Subgroup> subgroups);

} // namespace tavrel::meta
