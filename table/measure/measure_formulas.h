#pragma once

#include "meta/study/study.h"

#include <cstdint>

// One study's effect size (yi) and sampling variance (vi) in each measure, as metafor's escalc
// computes them with its default large-sample variances (Viechtbauer 2010, and escalc's
// documentation, which cites each formula's source below). Every direction is the
// experimental group (or the later occasion) minus, or over, the control group (the earlier
// occasion). The callers check the ranges; these compute what they are given.
namespace tavrel::table {

// A group's mean, SD and size.
struct GroupSummary {
    double mean, sd;
    std::int64_t n;
};

// The raw mean difference: yi = m2 - m1, vi = sd1^2/n1 + sd2^2/n2 (escalc "MD").
meta::Study MeanDifference(const GroupSummary& control, const GroupSummary& experimental);

// The log ratio of means, both above 0 (Hedges, Gurevitch & Curtis 1999): yi = ln(m2/m1),
// vi = sd1^2/(n1 m1^2) + sd2^2/(n2 m2^2) (escalc "ROM").
meta::Study LogRatioOfMeans(const GroupSummary& control, const GroupSummary& experimental);

// A 2x2 table: each group's events and non-events.
struct TwoByTwo {
    double experimentalEvents, experimentalNonEvents, controlEvents, controlNonEvents;
};

// The table as escalc pools it by default: 1/2 added to every cell of a table with a zero cell
// (add = 1/2, to = "only0"), a table without events in either group kept (drop00 = FALSE).
TwoByTwo Continuity(const TwoByTwo& table);

// On a table after Continuity: the log odds ratio, yi = ln(ad/bc), vi = 1/a + 1/b + 1/c + 1/d
// (Woolf 1955); the log risk ratio, vi = 1/a - 1/n2 + 1/c - 1/n1; the risk difference,
// vi = p2(1-p2)/n2 + p1(1-p1)/n1 (escalc "OR", "RR", "RD"; Fleiss & Berlin 2009).
meta::Study LogOddsRatio(const TwoByTwo& table);
meta::Study LogRiskRatio(const TwoByTwo& table);
meta::Study RiskDifference(const TwoByTwo& table);
// The log odds ratio as a standardized mean difference, d = ln(OR) sqrt(3)/pi and
// vi = vi(ln OR) 3/pi^2 (Chinn 2000; Hasselblad & Hedges 1995; escalc "OR2DL").
meta::Study LogOddsRatioAsD(const TwoByTwo& table);

// A correlation r of n pairs: r itself with vi = (1 - r^2)^2 / (n - 1) (escalc "COR"), or
// Fisher's z = atanh(r) with vi = 1 / (n - 3) (escalc "ZCOR").
meta::Study Correlation(double r, std::int64_t n);
meta::Study FisherZ(double r, std::int64_t n);

// One group measured twice, the occasions correlated by r: the raw mean change post - pre,
// vi = (sd_pre^2 + sd_post^2 - 2 r sd_pre sd_post) / n (escalc "MC"); the standardized mean
// change by the SD of the change scores, J(n-1) (post - pre) / sd_change with
// vi = 1/n + yi^2/(2n) (Gibbons, Hedeker & Davis 1993; escalc "SMCC"); and by the pre-test SD,
// J(n-1) (post - pre) / sd_pre with vi = 2(1 - r)/n + yi^2/(2n) (Becker 1988; escalc "SMCR").
meta::Study MeanChange(const GroupSummary& pre, const GroupSummary& post, double r);
meta::Study ChangeScoreStandardized(const GroupSummary& pre, const GroupSummary& post, double r);
meta::Study RawScoreStandardized(const GroupSummary& pre, const GroupSummary& post, double r);

} // namespace tavrel::table
