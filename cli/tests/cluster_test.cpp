// --cluster and --robust without R: which rows count, what the summary holds, and the tables
// and option sets that cannot give a three-level model, each said. The values are checked
// against metafor's rma.mv and robust() by meta/crosscheck.
#include "batch_test_support.h"
#include "program_fixture.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace tavrel::cli {
namespace {

using batchtest::RunTool;

// Papers of two or three effect sizes each; `paperOf` overrides the paper column by row.
std::string Table(const std::vector<std::string>& paperOf = {}) {
    const std::vector<std::string> papers = {"P1", "P1", "P1", "P2", "P2", "P3", "P3", "P4", "P4"};
    const double yi[] = {0.1, 0.35, 0.2, 0.6, 0.75, -0.1, 0.05, 0.4, 0.2};
    std::string table = "study,yi,vi,paper\n";
    for (std::size_t i = 0; i < papers.size(); ++i) {
        table += "E" + std::to_string(i + 1) + "," + std::to_string(yi[i]) + ",0.02," +
                 (paperOf.empty() ? papers[i] : paperOf[i]) + "\n";
    }
    return table;
}

class ClusterTest : public batchtest::ProgramTest {};

TEST_F(ClusterTest, ClustersAreReadAndEveryRowCounted) {
    std::vector<std::string> papers = {"P1", "P1", "P1", "P2", "P2", "P3", "NA", "P4", "P4"};
    const auto result = RunTool(
        Table(papers), {"--cluster=Paper", "--robust", "--summary=-", "-o", Path("out.csv")});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("pooled 8 of 9 rows; left out: 1 with a missing cluster\n"
                              "Three-level model (REML), k = 8 in 4 clusters\n"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("Cluster-robust (CR2), 4 clusters:\n    g = "), std::string::npos);
    for (const char* key : {"\"model\": \"three-level\"", "\"k_clusters\": 4", "\"sigma2_between\"",
                            "\"sigma2_within_ci_high\"", "\"i2_between\"", "\"i2_within\"",
                            "\"robust_se\"", "\"robust_df\""}) {
        EXPECT_NE(result.out.find(key), std::string::npos) << key << "\n" << result.out;
    }
    EXPECT_EQ(result.out.find("\"tau2\""), std::string::npos) << "no tau^2 of three levels";
    // Each pooled row's weight, diag(V^-1), adds to 100; the other parts are left empty.
    std::istringstream rows(Read(dir_ / "out.csv"));
    std::string line;
    std::getline(rows, line);
    double weights = 0;
    while (std::getline(rows, line)) {
        const std::vector<std::string> fields = batchtest::Fields(line);
        const std::string weight = fields[fields.size() - 4];
        EXPECT_EQ(fields[fields.size() - 3] + fields[fields.size() - 2] + fields.back(), "")
            << line;
        if (line.starts_with("E7,")) {
            EXPECT_EQ(weight, "") << "a row left out has no weight";
        } else {
            weights += std::stod(weight);
        }
    }
    EXPECT_NEAR(weights, 100, 1e-9);
}

// The forest plot stands each cluster's rows together under its name, in the order the
// clusters are first seen, with the three-level model's diamond and components below.
TEST_F(ClusterTest, TheForestPlotGroupsRowsByCluster) {
    TAVREL_SKIP_WITHOUT_PLOT_MODULE();
    std::vector<std::string> papers = {"P2", "P1", "P2", "P1", "P3", "P3", "P1", "P3", "P2"};
    std::string errors;
    ASSERT_EQ(Run(Table(papers), {"--cluster=paper", "--forest", Path("plot.svg")}, &errors), 0)
        << errors;
    const std::string svg = Read(dir_ / "plot.svg");
    for (const char* text : {">P2</text>", ">P1</text>", ">P3</text>",
                             ">Three-level model (REML)</text>", ">σ² between clusters = "}) {
        EXPECT_NE(svg.find(text), std::string::npos) << text;
    }
    // The rows cluster by cluster: P2's E1, E3, E9, then P1's E2, E4, E7, then P3's.
    EXPECT_LT(svg.find(">E3</text>"), svg.find(">E9</text>"));
    EXPECT_LT(svg.find(">E9</text>"), svg.find(">E2</text>"));
    EXPECT_LT(svg.find(">E7</text>"), svg.find(">E5</text>"));
}

// --by: each subgroup by its own three-level model, or by the usual one where its rows are one
// cluster, said in its note.
TEST_F(ClusterTest, SubgroupsOfClusteredRows) {
    const auto result = RunTool("study,yi,vi,paper,arm\nE1,0.1,0.02,P1,a\nE2,0.35,0.02,P1,a\n"
                                "E3,0.2,0.02,P2,a\nE4,0.6,0.02,P2,a\nE5,0.75,0.02,P3,b\n"
                                "E6,-0.1,0.02,P3,b\nE7,0.05,0.02,P3,b\n",
                                {"--cluster=paper", "--by=arm", "--summary=-", "-o", "/dev/null"});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::size_t b = result.out.find("\"group\": \"b\"");
    ASSERT_NE(b, std::string::npos) << result.out;
    const std::string a = result.out.substr(0, b);
    EXPECT_NE(a.find("\"k_clusters\": 2"), std::string::npos) << a;
    EXPECT_NE(a.find("\"sigma2_between\""), std::string::npos) << a;
    const std::string second = result.out.substr(b, result.out.find("\"subgroup_q\"") - b);
    EXPECT_EQ(second.find("sigma2_between"), std::string::npos) << second;
    EXPECT_NE(second.find("its rows are all one cluster"), std::string::npos) << second;
}

TEST_F(ClusterTest, TablesWithoutTwoLevelsOfClusters) {
    // A cluster a row: the usual model, said.
    const auto single = RunTool(Table({"a", "b", "c", "d", "e", "f", "g", "h", "i"}),
                                {"--cluster=paper", "--summary=-", "-o", Path("out.csv")});
    ASSERT_EQ(single.status, 0) << single.err;
    EXPECT_NE(single.err.find("--cluster: every cluster has one row: the three-level model is "
                              "then the usual one"),
              std::string::npos)
        << single.err;
    EXPECT_NE(single.err.find("Random-effects model (REML), k = 9\n"), std::string::npos);
    EXPECT_EQ(single.out.find("sigma2_between"), std::string::npos);
    // A cluster's text given again further down: one cluster still, and said.
    const auto split = RunTool(Table({"A", "A", "B", "B", "A", "C", "C", "B", "D"}),
                               {"--cluster=paper", "-o", Path("split.csv")});
    EXPECT_NE(split.err.find("--cluster: 2 clusters have rows apart, other clusters' rows between "
                             "them (the first: \"A\", again at row 5)"),
              std::string::npos)
        << split.err;
    EXPECT_NE(split.err.find("k = 9 in 4 clusters"), std::string::npos) << split.err;
    // One cluster: refused, nothing written.
    const auto one = RunTool(Table(std::vector<std::string>(9, "P")),
                             {"--cluster=paper", "-o", Path("one.csv")});
    EXPECT_EQ(one.status, 2);
    EXPECT_NE(one.err.find("--cluster: all 9 rows are in one cluster"), std::string::npos)
        << one.err;
    const auto missing = RunTool(Table(), {"--cluster=district", "-o", Path("two.csv")});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("district"), std::string::npos) << missing.err;
}

TEST_F(ClusterTest, OptionsThatDoNotGoTogether) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"--robust"}, "--robust needs the clusters: give --cluster too"},
        {{"--cluster=paper", "--method=DL"},
         "--cluster fits the three-level model by REML or ML; with --method DL it serves "
         "--robust alone"},
        {{"--cluster=paper", "--trim-fill"}, "--trim-fill is of the two-level model"},
    };
    for (const auto& [options, message] : cases) {
        const auto result = RunTool(Table(), options);
        EXPECT_EQ(result.status, 2) << message;
        EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
    }
    // The usual model with clusters for --robust alone.
    const auto dl = RunTool(Table(), {"--cluster=paper", "--method=DL", "--robust", "--summary=-",
                                      "-o", Path("dl.csv")});
    ASSERT_EQ(dl.status, 0) << dl.err;
    EXPECT_NE(dl.out.find("\"model\": \"two-level\""), std::string::npos) << dl.out;
    EXPECT_NE(dl.out.find("\"tau2\""), std::string::npos);
    EXPECT_NE(dl.out.find("\"robust_df\""), std::string::npos);
}

} // namespace
} // namespace tavrel::cli
