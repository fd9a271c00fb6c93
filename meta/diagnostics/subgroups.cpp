#include "meta/diagnostics/subgroups.h"

#include "meta/multilevel/clustered_studies.h"
#include "meta/multilevel/multilevel_model.h"

#include <boost/math/distributions/chi_squared.hpp>
#include <cmath>
#include <limits>
#include <map>

namespace tavrel::meta {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A study alone: its own estimate and normal interval; nothing of heterogeneity.
Model Alone(const Study& study, const ModelSettings& settings) {
    Model model =
        FitModel(std::span(&study, 1), {Method::FE, Test::Z, settings.level}, ModelExtras::None);
    model.settings = settings;
    for (double* value :
         {&model.tau2, &model.tau, &model.i2, &model.h2, &model.qe, &model.qeDf, &model.qeP}) {
        *value = kNaN;
    }
    return model;
}

// A group of clustered studies: by the three-level model where it can be.
Subgroup FitClusteredGroup(const std::string& name, const std::vector<Study>& group,
                           const std::vector<std::string>& clusters,
                           const ModelSettings& settings) {
    if (CountClusters(clusters) == 1) {
        return {name, FitModel(group, settings),
                "its rows are all one cluster: the usual model, with no variance between "
                "clusters to estimate"};
    }
    std::string note;
    Model model = FitClustered(group, clusters, InterceptOnly(group.size()),
                               std::span(&kInterceptName, 1), settings, note);
    return {name, std::move(model), note};
}

} // namespace

std::vector<Subgroup> PoolSubgroups(std::span<const Study> studies,
                                    std::span<const std::string> groupOf,
                                    const ModelSettings& settings,
                                    std::span<const std::string> clusterOf) {
    std::vector<std::string> order;
    std::map<std::string, std::vector<Study>> members;
    std::map<std::string, std::vector<std::string>> clusters;
    for (std::size_t i = 0; i < studies.size(); ++i) {
        auto [at, added] = members.try_emplace(groupOf[i]);
        if (added) {
            order.push_back(groupOf[i]);
        }
        at->second.push_back(studies[i]);
        if (!clusterOf.empty()) {
            clusters[groupOf[i]].push_back(clusterOf[i]);
        }
    }
    std::vector<Subgroup> subgroups;
    subgroups.reserve(order.size());
    for (const std::string& name : order) {
        const std::vector<Study>& group = members[name];
        if (group.size() == 1) {
            subgroups.push_back({name, Alone(group.front(), settings),
                                 "one study: its own estimate and interval, and no "
                                 "heterogeneity to estimate"});
        } else if (!clusterOf.empty() && FitsLevels(settings.method)) {
            subgroups.push_back(FitClusteredGroup(name, group, clusters[name], settings));
        } else {
            subgroups.push_back({name, FitModel(group, settings), {}});
        }
    }
    return subgroups;
}

SubgroupTest SubgroupDifferences(std::span<const Subgroup> subgroups) {
    const double df = static_cast<double>(subgroups.size()) - 1;
    for (const Subgroup& subgroup : subgroups) {
        // Knapp and Hartung's standard error is 0 where a group's studies agree exactly.
        if (!(subgroup.model.Pooled().se > 0)) {
            return {kNaN, df, kNaN,
                    "not computed: the estimate of " + subgroup.name +
                        " has a standard error of 0, so its weight would be infinite"};
        }
    }
    double sumW = 0;
    double sumWY = 0;
    for (const Subgroup& subgroup : subgroups) {
        const double w = 1 / (subgroup.model.Pooled().se * subgroup.model.Pooled().se);
        sumW += w;
        sumWY += w * subgroup.model.Pooled().estimate;
    }
    const double mean = sumWY / sumW;
    double q = 0;
    for (const Subgroup& subgroup : subgroups) {
        const double r = (subgroup.model.Pooled().estimate - mean) / subgroup.model.Pooled().se;
        q += r * r;
    }
    const double p = df > 0 ? boost::math::cdf(boost::math::complement(
                                  boost::math::chi_squared_distribution<double>(df), q))
                            : kNaN;
    return {q, df, p, {}};
}

} // namespace tavrel::meta
