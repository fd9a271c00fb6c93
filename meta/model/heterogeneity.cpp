#include "meta/model/heterogeneity.h"

#include <algorithm>

namespace tavrel::meta {

Heterogeneity FixedEffectHeterogeneity(std::span<const Study> studies) {
    double sumW = 0;
    double sumW2 = 0;
    double sumWY = 0;
    for (const Study& study : studies) {
        const double w = 1 / study.vi;
        sumW += w;
        sumW2 += w * w;
        sumWY += w * study.yi;
    }
    const double mean = sumWY / sumW;
    double q = 0;
    for (const Study& study : studies) {
        const double r = study.yi - mean;
        q += r * r / study.vi;
    }
    const double df = static_cast<double>(studies.size()) - 1;
    const double traceP = sumW - sumW2 / sumW;
    return {q, std::max(0.0, (q - df) / traceP), df / traceP};
}

WeightedMean Mean(std::span<const Study> studies, double tau2) {
    double weightSum = 0;
    double weighted = 0;
    for (const Study& study : studies) {
        const double w = 1 / (study.vi + tau2);
        weightSum += w;
        weighted += w * study.yi;
    }
    return {weighted / weightSum, weightSum};
}

double GeneralizedQ(std::span<const Study> studies, double tau2) {
    const double mean = Mean(studies, tau2).mean;
    double q = 0;
    for (const Study& study : studies) {
        const double r = study.yi - mean;
        q += r * r / (study.vi + tau2);
    }
    return q;
}

double SquaresAboutTheMean(std::span<const Study> studies) {
    double sum = 0;
    for (const Study& study : studies) {
        sum += study.yi;
    }
    const double mean = sum / static_cast<double>(studies.size());
    double squares = 0;
    for (const Study& study : studies) {
        squares += (study.yi - mean) * (study.yi - mean);
    }
    return squares;
}

} // namespace tavrel::meta
