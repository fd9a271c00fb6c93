#include "meta/multilevel/level_likelihood.h"

#include "meta/model/model_settings.h"
#include "meta/model/quiet_policy.h"

#include <algorithm>
#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/tools/roots.hpp>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace tavrel::meta {

namespace {

constexpr int kMostSteps = 200;
constexpr int kMostHalvings = 60;
constexpr double kRelativeStep = 1e-10;

// A component is moved where it is free and not held at the boundary by a score pointing out.
FreeComponents Moving(const LevelFit& fit, Components at, FreeComponents free) {
    FreeComponents moving{};
    for (int j = 0; j < 2; ++j) {
        moving[static_cast<std::size_t>(j)] =
            free[static_cast<std::size_t>(j)] && !(at[j] == 0 && !(fit.score[j] > 0));
    }
    return moving;
}

// The Newton step on the moving components: by the observed information where it is positive
// definite, by the expected one otherwise (which always is, away from a singular design).
Eigen::Vector2d NewtonStep(const LevelFit& fit, FreeComponents moving) {
    for (const Eigen::Matrix2d* information : {&fit.observed, &fit.expected}) {
        // A held component's row and column become the identity's and its score 0: no step.
        Eigen::Matrix2d h = *information;
        Eigen::Vector2d score = fit.score;
        for (int j = 0; j < 2; ++j) {
            if (!moving[static_cast<std::size_t>(j)]) {
                h.row(j).setZero();
                h.col(j).setZero();
                h(j, j) = 1;
                score[j] = 0;
            }
        }
        const Eigen::LLT<Eigen::Matrix2d> llt(h);
        if (llt.info() == Eigen::Success) {
            const Eigen::Vector2d step = llt.solve(score);
            if (step.allFinite()) {
                return step;
            }
        }
    }
    return Eigen::Vector2d::Zero();
}

// `at` moved by `step`, a component that would fall below 0 stopped at 0.
Components Moved(Components at, const Eigen::Vector2d& step) {
    return {std::max(0.0, at.between + step[0]), std::max(0.0, at.within + step[1])};
}

} // namespace

const char* ComponentName(int component) {
    return component == 0 ? "sigma^2 between clusters" : "sigma^2 within clusters";
}

LevelEstimate ClimbLikelihood(LevelFitter& fitter, Likelihood likelihood, Components start,
                              FreeComponents free, double largest) {
    Components at = start;
    LevelFit fit = fitter.Fit(at, likelihood);
    for (int steps = 1; steps <= kMostSteps; ++steps) {
        const FreeComponents moving = Moving(fit, at, free);
        Eigen::Vector2d step = NewtonStep(fit, moving);
        // Halved until the likelihood does not fall; where it cannot rise, the top is reached
        // within rounding.
        const double tolerance = 1e-13 * (1 + std::fabs(fit.logLikelihood));
        LevelFit next;
        Components moved = at;
        for (int halvings = 0;; ++halvings) {
            moved = Moved(at, step);
            next = fitter.Fit(moved, likelihood);
            if (next.logLikelihood >= fit.logLikelihood - tolerance || halvings == kMostHalvings) {
                break;
            }
            step /= 2;
        }
        if (next.logLikelihood < fit.logLikelihood - tolerance) {
            return {at, fit.logLikelihood, steps};
        }
        bool small = true;
        for (int j = 0; j < 2; ++j) {
            small = small && std::fabs(moved[j] - at[j]) <= kRelativeStep * (moved[j] + largest);
        }
        at = moved;
        fit = std::move(next);
        if (small) {
            return {at, fit.logLikelihood, steps};
        }
    }
    // Which component still moved: the one whose score is furthest from 0 in its own scale.
    const int stuck = std::fabs(fit.score[0]) * std::sqrt(1 / fit.expected(0, 0)) >
                              std::fabs(fit.score[1]) * std::sqrt(1 / fit.expected(1, 1))
                          ? 0
                          : 1;
    throw NotConverged(std::string("the three-level model did not converge: ") +
                       ComponentName(stuck) + " still changed after " + std::to_string(kMostSteps) +
                       " steps");
}

LevelEstimate MaximizeLevels(LevelFitter& fitter, Likelihood likelihood, Components start,
                             double largest) {
    LevelEstimate best = ClimbLikelihood(fitter, likelihood, start, {true, true}, largest);
    const double tolerance = 1e-12 * (1 + std::fabs(best.logLikelihood));
    const auto compare = [&](Components from, FreeComponents free) {
        const LevelEstimate other = ClimbLikelihood(fitter, likelihood, from, free, largest);
        best.iterations += other.iterations;
        if (other.logLikelihood > best.logLikelihood + tolerance) {
            best = {other.components, other.logLikelihood, best.iterations};
        }
    };
    compare({0, start.within + start.between}, {false, true});
    compare({start.within + start.between, 0}, {true, false});
    compare({0, 0}, {false, false});
    return best;
}

namespace {

// The likelihood with `component` held at `value`, maximized over the other from where the last
// profile point had it (`from`, which then moves there), and compared with the other at 0.
double ProfileAt(LevelFitter& fitter, Likelihood likelihood, Components& from, int component,
                 double value, double largest) {
    Components start = from;
    start[component] = value;
    FreeComponents free{};
    free[static_cast<std::size_t>(1 - component)] = true;
    const LevelEstimate climbed = ClimbLikelihood(fitter, likelihood, start, free, largest);
    from = climbed.components;
    start[1 - component] = 0;
    return std::max(climbed.logLikelihood,
                    fitter.Fit(start, likelihood, LevelParts::Likelihood).logLikelihood);
}

} // namespace

Interval ProfileInterval(LevelFitter& fitter, Likelihood likelihood, const LevelEstimate& best,
                         int component, double level, double searchLimit, double largest) {
    const double objective =
        boost::math::quantile(boost::math::chi_squared_distribution<double, QuietPolicy>(1), level);
    Components from = best.components; // each climb starts where the one before ended
    const auto excess = [&](double value) {
        return 2 * (best.logLikelihood -
                    ProfileAt(fitter, likelihood, from, component, value, largest)) -
               objective;
    };
    const double estimate = best.components[component];
    const auto solve = [&](double low, double high, double atLow, double atHigh) {
        std::uintmax_t evaluations = 100;
        const auto [a, b] = boost::math::tools::toms748_solve(
            excess, low, high, atLow, atHigh, boost::math::tools::eps_tolerance<double>(30),
            evaluations);
        return a + (b - a) / 2;
    };
    Interval interval{0, std::numeric_limits<double>::quiet_NaN()};
    const double atEstimate = -objective;
    if (estimate > 0) {
        if (const double atZero = excess(0); atZero > 0) {
            interval.low = solve(0, estimate, atZero, atEstimate);
        }
    }
    from = best.components;
    if (const double atLimit = excess(searchLimit); atLimit > 0) {
        interval.high = solve(estimate, searchLimit, atEstimate, atLimit);
    }
    return interval;
}

} // namespace tavrel::meta
