#pragma once

#include <cstdint>

// A group reported by its median with its range, its quartiles or both (skewed data), turned
// into the mean and SD a meta-analysis of means needs: the mean by Luo, Wan, Liu & Tong (2018),
// Optimally estimating the sample mean from the sample size, median, mid-range, and/or
// mid-quartile range, Statistical Methods in Medical Research 27(6); the SD by Wan, Wang, Liu &
// Tong (2014), Estimating the sample mean and standard deviation from the sample size, median,
// range and/or interquartile range, BMC Medical Research Methodology 14:135, in their closed
// forms at every n (the papers' scenarios 1, 2 and 3: the range, the quartiles, both). Both
// assume normal data in the group.
namespace tavrel::meta {

struct MedianSummary {
    double median;
    bool hasRange = false; // min and max given
    double min = 0, max = 0;
    bool hasQuartiles = false; // q1 and q3 given
    double q1 = 0, q3 = 0;
};

// The estimated mean: from the range (scenario 1), the quartiles (2) or both (3), the weights
// depending on the group's size n.
double MeanFromMedian(const MedianSummary& group, std::int64_t n);

// The estimated SD: (max - min) / xi(n), (q3 - q1) / eta(n), or the mean of the two where
// both are given; xi(n) = 2 z((n - 0.375) / (n + 0.25)), eta(n) = 2 z((0.75 n - 0.125) /
// (n + 0.25)), z the standard normal quantile.
double SdFromMedian(const MedianSummary& group, std::int64_t n);

} // namespace tavrel::meta
