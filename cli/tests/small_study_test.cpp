// The tests of small-study effects and the funnel plot without R: what a test short of
// studies says and leaves null, and the plot's structure. The values themselves are checked
// against metafor by meta/crosscheck.
#include "batch_test_support.h"
#include "program_fixture.h"

#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <string>

namespace tavrel::cli {
namespace {

using batchtest::RunTool;

// Studies given as effect and variance, so that the variances are the test's to choose.
std::string Effects(const std::vector<std::pair<double, double>>& studies) {
    std::string table = "study,es,es_var\n";
    for (std::size_t i = 0; i < studies.size(); ++i) {
        table += "S" + std::to_string(i + 1) + "," + std::to_string(studies[i].first) + "," +
                 std::to_string(studies[i].second) + "\n";
    }
    return table;
}

// The summary's value of `key` as written ("null", "2.5", "\"left\"").
std::string Value(const std::string& json, const std::string& key) {
    const std::size_t at = json.find("\"" + key + "\": ");
    if (at == std::string::npos) {
        return "(absent)";
    }
    const std::size_t start = at + key.size() + 4;
    return json.substr(start, json.find_first_of(",\n", start) - start);
}

TEST(SmallStudyEffects, ATestShortOfStudiesIsNullAndSaysWhy) {
    const auto two = RunTool(Effects({{0.2, 0.04}, {0.5, 0.09}}),
                             {"--trim-fill", "--summary=-", "--test=knha", "-o", "/dev/null"});
    ASSERT_EQ(two.status, 0) << two.err;
    for (const char* key : {"egger_statistic", "egger_df", "egger_p", "egger_limit",
                            "peese_statistic", "peese_limit_ci_high", "trimfill_k0",
                            "trimfill_side", "trimfill_estimate", "trimfill_tau2"}) {
        EXPECT_EQ(Value(two.out, key), "null") << key;
    }
    EXPECT_NE(Value(two.out, "rank_tau"), "null");
    EXPECT_EQ(Value(two.out, "fail_safe_n"),
              "1"); // z = 1 and 5/3: 2 (2.667 / 1.645)^2 / 2 - 2 = 0.63
    for (const char* line :
         {"  Egger's test: not computed: it needs at least 3 studies, and there are 2\n",
          "  PEESE: not computed: it needs at least 3 studies, and there are 2\n",
          "  Trim-and-fill: not computed: it needs at least 3 studies, and there are 2\n"}) {
        EXPECT_NE(two.err.find(line), std::string::npos) << line << two.err;
    }
    // A model without tau^2 fills from two studies, as metafor does.
    const auto fixed = RunTool(Effects({{0.2, 0.04}, {0.5, 0.09}}),
                               {"--trim-fill", "--summary=-", "--method=FE", "-o", "/dev/null"});
    EXPECT_NE(Value(fixed.out, "trimfill_k0"), "null") << fixed.err;

    // Without trim-and-fill its keys are not there at all.
    const auto plain = RunTool(Effects({{0.2, 0.04}, {0.5, 0.09}, {0.1, 0.01}}),
                               {"--summary=-", "-o", "/dev/null"});
    EXPECT_EQ(Value(plain.out, "trimfill_k0"), "(absent)");
    EXPECT_EQ(Value(plain.out, "egger_df"), "null"); // z has no degrees of freedom
    EXPECT_NE(plain.err.find("  Egger's test: z = "), std::string::npos) << plain.err;
}

TEST(SmallStudyEffects, EqualVariancesHaveNoSlopeAndNoRanks) {
    const auto alike = RunTool(Effects({{0.2, 0.04}, {0.5, 0.04}, {0.1, 0.04}, {0.3, 0.04}}),
                               {"--trim-fill", "--summary=-", "-o", "/dev/null"});
    ASSERT_EQ(alike.status, 0) << alike.err;
    for (const char* key : {"egger_p", "peese_p", "rank_tau", "rank_p", "trimfill_k0"}) {
        EXPECT_EQ(Value(alike.out, key), "null") << key;
    }
    for (const char* line :
         {"  Egger's test: not computed: every study has the same standard error\n",
          "  Trim-and-fill: not computed: every study has the same standard error\n",
          "  Begg's test: not computed: every study has the same variance or the same "
          "standardized effect\n"}) {
        EXPECT_NE(alike.err.find(line), std::string::npos) << line << alike.err;
    }
}

TEST(SmallStudyEffects, FunnelAndTrimFillAreForAModelWithoutModerators) {
    for (const char* option : {"--funnel=f.svg", "--trim-fill"}) {
        const auto result = RunTool(Effects({{0.2, 0.04}}), {"--mods=es", option});
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.err.find("--mods cannot be combined with"), std::string::npos)
            << result.err;
    }
    const auto contours = RunTool(Effects({{0.2, 0.04}}), {"--funnel-contours"});
    EXPECT_EQ(contours.status, 2);
    EXPECT_NE(contours.err.find("--funnel-contours shades the funnel plot: give --funnel too"),
              std::string::npos)
        << contours.err;
}

class FunnelPlotTest : public batchtest::ProgramTest {};

// The circles of an SVG by their fill colour: Qt writes each in a group of its own style.
std::map<std::string, int> Circles(const std::string& svg) {
    std::map<std::string, int> circles;
    const std::regex circle(R"re(<g fill="(#[0-9a-f]{6})"[^>]*>\s*<circle )re");
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), circle);
         it != std::sregex_iterator(); ++it) {
        ++circles[(*it)[1].str()];
    }
    return circles;
}

// One circle per study, filled; one per filled-in study, open; the legend's sign of each too;
// and every text as text.
TEST_F(FunnelPlotTest, EveryStudyIsACircleAndTheFilledOnesAreOpen) {
    TAVREL_SKIP_WITHOUT_PLOT_MODULE();
    // Small studies only with large effects: some are missing on the left.
    const std::string table = Effects({{0.30, 0.005},
                                       {0.28, 0.01},
                                       {0.33, 0.01},
                                       {0.55, 0.05},
                                       {0.60, 0.06},
                                       {0.75, 0.1},
                                       {0.90, 0.15},
                                       {1.10, 0.2},
                                       {0.41, 0.02}});
    std::string errors;
    ASSERT_EQ(Run(table,
                  {"--funnel", Path("f.svg"), "--funnel-contours", "--trim-fill", "--summary",
                   Path("s.json"), "-o", Path("out.csv")},
                  &errors),
              0)
        << errors;
    const int filled = std::stoi(Value(Read(dir_ / "s.json"), "trimfill_k0"));
    ASSERT_GT(filled, 0);
    const std::string svg = Read(dir_ / "f.svg");
    std::map<std::string, int> circles = Circles(svg);
    EXPECT_EQ(circles["#000000"], 9 + 1);
    EXPECT_EQ(circles["#ffffff"], filled + 1);
    for (const char* text :
         {">Hedges's g</text>", ">Standard error</text>", ">Studies</text>",
          ">Filled studies</text>", ">95% pseudo-confidence region</text>", ">p &lt; .01</text>"}) {
        EXPECT_NE(svg.find(text), std::string::npos) << text;
    }
    // A plain funnel plot has no legend.
    ASSERT_EQ(Run(table, {"--funnel", Path("plain.svg"), "-o", Path("out.csv")}), 0);
    const std::string plain = Read(dir_ / "plain.svg");
    EXPECT_EQ(plain.find(">Studies</text>"), std::string::npos);
    circles = Circles(plain);
    EXPECT_EQ(circles["#000000"], 9);
    EXPECT_EQ(circles["#ffffff"], 0);
}

// Many studies are one path of dots, each place once: a file of tens of bytes a study, where a
// circle each took hundreds.
TEST_F(FunnelPlotTest, ManyStudiesAreOnePathOfDots) {
    TAVREL_SKIP_WITHOUT_PLOT_MODULE();
    std::vector<std::pair<double, double>> studies;
    for (int i = 0; i < 8000; ++i) {
        const double variance = 0.01 + (i % 97) * 0.002;
        studies.emplace_back(0.3 + ((i * 7919) % 1000 - 500) * 0.001, variance);
    }
    ASSERT_EQ(Run(Effects(studies), {"--funnel", Path("f.svg"), "-o", Path("out.csv")}), 0);
    const std::string svg = Read(dir_ / "f.svg");
    EXPECT_TRUE(Circles(svg).empty());
    EXPECT_NE(svg.find(R"(stroke-linecap="round")"), std::string::npos);
    EXPECT_LT(svg.size(), 8000u * 40);
}

} // namespace
} // namespace tavrel::cli
