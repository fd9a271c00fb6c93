// The analysis as a front end calls it: a request and the pooled rows in, one value out, and
// each reason it cannot be had said in the reader's words.
#include "analysis/analysis.h"

#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel::analysis {
namespace {

// Studies 0, 2, 4 with variance 1, in groups a, b, a, with a moderator 1, 2, 3.
void AddThree(table::PooledRows& rows) {
    const std::vector<std::string_view> doses[] = {{"1"}, {"2"}, {"3"}};
    const char* groups[] = {"a", "b", "a"};
    for (int i = 0; i < 3; ++i) {
        rows.Add(2.0 * i, 1, {}, {}, i + 1, groups[i], doses[i]);
    }
}

TEST(Analysis, EachPartIsThereWhereAskedFor) {
    table::PooledRows rows(true, true, 1);
    AddThree(rows);
    AnalysisRequest request;
    request.model.method = meta::Method::FE;
    request.bySubgroup = true;
    request.leaveOneOut = true;
    request.influence = true;
    const Analysis analysis = Analyse(request, rows);
    EXPECT_FALSE(analysis.model.HasModerators());
    EXPECT_DOUBLE_EQ(analysis.model.Pooled().estimate, 2);
    ASSERT_EQ(analysis.subgroups.size(), 2u);
    EXPECT_EQ(analysis.subgroups[0].name, "a");
    ASSERT_TRUE(analysis.differences);
    // Groups a (0 and 4: mean 2, se sqrt(1/2)) and b (2, se 1) do not differ at all.
    EXPECT_NEAR(analysis.differences->q, 0, 1e-15);
    EXPECT_TRUE(analysis.moderatorTest); // three studies, two groups: one df left
    ASSERT_TRUE(analysis.smallStudy);
    EXPECT_EQ(analysis.leftOneOut.size(), 3u);
    ASSERT_EQ(analysis.influence.size(), 3u);
    EXPECT_NEAR(analysis.influence[1].weight, 100.0 / 3, 1e-12);

    request.moderators = {"dose"};
    const Analysis regression = Analyse(request, rows);
    ASSERT_TRUE(regression.model.HasModerators());
    EXPECT_NEAR(regression.model.coefficients[1].estimate, 2, 1e-14);
    EXPECT_EQ(regression.design.names[1], "dose");
    EXPECT_EQ(regression.influence.size(), 3u);
}

TEST(Analysis, WhatCannotBeHadIsSaid) {
    table::PooledRows one(false);
    one.Add(0.5, 0.1, {}, {}, 1);
    one.LeaveOut(table::LeftOutReason::MissingValue);
    try {
        Analyse({}, one);
        FAIL() << "one study was pooled";
    } catch (const AnalysisError& e) {
        EXPECT_EQ(std::string(e.what()), "cannot pool: 1 of 2 rows has an effect size, and "
                                         "pooling needs at least 2; left out: 1 with a missing "
                                         "value");
    }
    AnalysisRequest request;
    request.moderators = {"dose"};
    table::PooledRows two(false, false, 1);
    const std::vector<std::string_view> dose[] = {{"1"}, {"2"}};
    two.Add(0, 1, {}, {}, 1, {}, dose[0]);
    two.Add(1, 1, {}, {}, 2, {}, dose[1]);
    try {
        Analyse(request, two);
        FAIL() << "two coefficients were fitted to two studies";
    } catch (const AnalysisError& e) {
        EXPECT_TRUE(std::string(e.what()).starts_with(
            "cannot fit the meta-regression: its 2 coefficients need at least 3 rows"))
            << e.what();
    }
}

// Long refits tell how far they have come, one call per study.
TEST(Analysis, RefitsReportTheirProgress) {
    table::PooledRows rows(false, false, 1);
    AddThree(rows);
    AnalysisRequest request;
    request.moderators = {"dose"};
    request.influence = true;
    std::size_t calls = 0;
    Analyse(request, rows, [&](const char*, std::size_t done, std::size_t total) {
        EXPECT_EQ(done, calls++);
        EXPECT_EQ(total, 3u);
    });
    EXPECT_EQ(calls, 3u);
}

} // namespace
} // namespace tavrel::analysis
