#pragma once

#include "meta/model/model.h"

#include <span>
#include <string>

namespace tavrel::meta {

// The three-level model of studies nested in clusters (`clusterOf[i]` names study i's), as
// metafor fits rma.mv(yi, vi, mods, random = ~ 1 | cluster/row, method, test) (Konstantopoulos
// 2011, Research Synthesis Methods 2, 61-76; Van den Noortgate et al. 2013, Behavior Research
// Methods 45, 576-594): by REML or ML, the coefficients' tests z, or under Knapp and Hartung's
// option t with k - p degrees of freedom and no scaling factor (rma.mv's test = "t" with its
// default dfs = "residual"); Q and I^2 as the two-level model has them, and the components'
// profile-likelihood intervals among the extras. Needs two clusters or more; throws
// std::invalid_argument otherwise, RankDeficient, and NotConverged naming the component.
Model FitMultilevel(std::span<const Study> studies, std::span<const std::string> clusterOf,
                    const Design& x, std::span<const std::string> names,
                    const ModelSettings& settings, ModelExtras extras = ModelExtras::All);

// The model of clustered studies: the three-level model, or where every cluster has one row
// the usual (two-level) model, which the three-level one then is, with `note` saying so.
Model FitClustered(std::span<const Study> studies, std::span<const std::string> clusterOf,
                   const Design& x, std::span<const std::string> names,
                   const ModelSettings& settings, std::string& note,
                   ModelExtras extras = ModelExtras::All);

} // namespace tavrel::meta
