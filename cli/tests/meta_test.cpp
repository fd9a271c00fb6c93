// --meta, --summary and --forest without R: counts, messages, exit statuses, the JSON's keys,
// the plot's structure and its limit. The values themselves are checked against metafor by
// meta/crosscheck.
#include "batch_test_support.h"
#include "program_fixture.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <string>

namespace tavrel::cli {
namespace {

namespace fs = std::filesystem;
using batchtest::RunTool;

constexpr char kHeader[] = "study,m1,sd1,n1,m2,sd2,n2\n";

std::string Studies(int count) {
    std::string table = kHeader;
    for (int i = 1; i <= count; ++i) {
        table += "S" + std::to_string(i) + ",100,15," + std::to_string(10 + i) + "," +
                 std::to_string(100 + i % 7) + ",15,20\n";
    }
    return table;
}

// Runs write the table to out.csv.
class MetaTest : public batchtest::ProgramTest {
  protected:
    int Run(const std::string& table, std::vector<std::string> args,
            std::string* errors = nullptr) {
        args.insert(args.end(), {"-o", Path("out.csv")});
        return ProgramTest::Run(table, args, errors);
    }
};

TEST_F(MetaTest, RowsWithoutAnEffectSizeAreLeftOutAndCountedByWhy) {
    const auto result = RunTool(Studies(3) + "S4,NA,15,20,110,15,20\nS5,100,15,,110,,\n"
                                             "S6,100,15,1,110,15,20\nS7,100,15,20\n",
                                {"--meta"});
    EXPECT_EQ(result.status, 1); // the rows' errors, as without --meta
    EXPECT_NE(result.err.find("pooled 3 of 7 rows; left out: 2 with a missing value, 1 with a "
                              "value out of range, 1 with the wrong number of fields\n"
                              "Random-effects model (REML), k = 3\n  g = "),
              std::string::npos)
        << result.err;

    // Nothing to pool is a run that cannot give what was asked for.
    std::ofstream(dir_ / "out.csv") << "precious";
    std::string errors;
    EXPECT_EQ(Run(Studies(1) + "S2,100,15,,110,,\n", {"--method=DL"}, &errors), 2);
    EXPECT_NE(errors.find("cannot pool: 1 of 2 rows has an effect size, and pooling needs at "
                          "least 2; left out: 1 with a missing value"),
              std::string::npos)
        << errors;
    EXPECT_EQ(errors.find("model"), std::string::npos);
    EXPECT_EQ(Read(dir_ / "out.csv"), "precious");
}

// --mods: a text column is categorical and says so, a missing moderator leaves its row out
// and is counted, every pooled row gains its part in the model (the weights add to 100),
// dependent columns are named, and a plot of a meta-regression is refused.
TEST_F(MetaTest, ModeratorsAreReadAndEveryStudyCounted) {
    const std::string table = "study,m1,sd1,n1,m2,sd2,n2,dose,arm,double\n"
                              "S1,100,15,11,101,15,20,1,b,2\nS2,100,15,12,106,15,20,2,a,4\n"
                              "S3,100,15,13,103,15,20,3,b,6\nS4,100,15,14,109,15,20,4,a,8\n"
                              "S5,100,15,15,104,15,20,NA,b,10\nS6,100,15,16,108,15,20,6,a,12\n";
    const auto result = RunTool(table, {"--mods=dose,arm", "--summary=-", "-o", Path("out.csv")});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("meta-regression on 5 of 6 rows; left out: 1 with a missing "
                              "moderator\n  arm is categorical, as not all its values are "
                              "numbers: levels a, b, against a\n"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.out.find("\"name\": \"arm=b\""), std::string::npos) << result.out;
    std::istringstream rows(Read(dir_ / "out.csv"));
    std::string line;
    std::getline(rows, line);
    EXPECT_TRUE(line.ends_with(",weight,residual,hat,cooks_distance")) << line;
    double weights = 0;
    while (std::getline(rows, line)) {
        const std::vector<std::string> fields = batchtest::Fields(line);
        const std::string weight = fields[fields.size() - 4];
        if (line.starts_with("S5,")) {
            EXPECT_EQ(weight + fields.back(), "") << "a row left out has no part in the model";
        } else {
            weights += std::stod(weight);
        }
    }
    EXPECT_NEAR(weights, 100, 1e-12);

    std::string errors;
    EXPECT_EQ(Run(table, {"--mods=dose,double"}, &errors), 2);
    EXPECT_NE(errors.find("the moderators are linearly dependent: double is a combination"),
              std::string::npos)
        << errors;
    // Levels are the texts as written, as --by's groups and R's factors: " a" is not "a".
    std::string spaced = table;
    spaced.replace(spaced.find(",4,a,8"), 6, ", 4 , a,8");
    const auto levels = RunTool(spaced, {"--mods=dose,arm", "-o", Path("out.csv")});
    EXPECT_NE(levels.err.find("levels \" a\", \"a\", \"b\", against \" a\"\n"), std::string::npos)
        << levels.err;
    EXPECT_EQ(Run(table, {"--mods=dose", "--forest", Path("plot.svg")}, &errors), 2);
    EXPECT_NE(errors.find("--mods cannot be combined with --forest"), std::string::npos) << errors;
}

// A table too long to gain the model's columns stops waiting for the model at its 50,001st row:
// every row is written once, in order, with the columns empty, and standard error says why.
TEST_F(MetaTest, ALongTableIsWrittenWholeWithTheModelsColumnsEmpty) {
    constexpr int kRows = 50'002;
    std::string errors;
    ASSERT_EQ(Run(Studies(kRows), {"--meta", "--method=DL"}, &errors), 0) << errors;
    EXPECT_NE(errors.find("weight, residual, hat and cooks_distance are left empty: they are "
                          "written for tables of up to 50000 rows"),
              std::string::npos)
        << errors;
    std::istringstream rows(Read(dir_ / "out.csv"));
    std::string line;
    std::getline(rows, line);
    EXPECT_TRUE(line.ends_with(",weight,residual,hat,cooks_distance")) << line;
    int row = 0;
    while (std::getline(rows, line)) {
        ++row;
        ASSERT_TRUE(line.starts_with("S" + std::to_string(row) + ",")) << line;
        ASSERT_TRUE(line.ends_with(",,,,")) << line;
    }
    EXPECT_EQ(row, kRows);
}

// --by groups the pooled rows by the column's text, in first-seen order, and says which column
// it could not find.
TEST_F(MetaTest, SubgroupsByAColumnsText) {
    const auto grouped = RunTool("study,m1,sd1,n1,m2,sd2,n2,arm\n"
                                 "S1,100,15,11,101,15,20,b\nS2,100,15,12,105,15,20,a\n"
                                 "S3,100,15,13,103,15,20,b\nS4,100,15,14,104,15,20,\n",
                                 {"--by=ARM", "--summary=-", "-o", "/dev/null"});
    ASSERT_EQ(grouped.status, 0) << grouped.err;
    const std::regex group("\"group\": \"([^\"]*)\"");
    std::string order;
    for (auto it = std::sregex_iterator(grouped.out.begin(), grouped.out.end(), group);
         it != std::sregex_iterator(); ++it) {
        order += (*it)[1].str() + " ";
    }
    EXPECT_EQ(order, "b a (empty) ");
    EXPECT_NE(grouped.out.find("\"subgroup_q_df\": 2"), std::string::npos) << grouped.out;
    EXPECT_NE(grouped.err.find("Test for subgroup differences: Q(2)"), std::string::npos);
    const auto missing = RunTool(Studies(3), {"--by=arm"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("--by names no column: \"arm\""), std::string::npos);
}

// With --by, each group's studies stand together under its name, above its own diamond named
// for the group with its heterogeneity under it, and the test for their differences stands
// under the whole table's heterogeneity.
TEST_F(MetaTest, TheForestPlotDrawsSubgroupsAsBlocks) {
    TAVREL_SKIP_WITHOUT_PLOT_MODULE();
    const std::string table = "study,arm,m1,sd1,n1,m2,sd2,n2\n"
                              "S1,b,100,15,11,101,15,20\nS2,a,100,15,12,105,15,20\n"
                              "S3,b,100,15,13,103,15,20\n";
    ASSERT_EQ(Run(table, {"--by", "arm", "--forest", (dir_ / "plot.svg").string()}), 0);
    const std::string svg = Read(dir_ / "plot.svg");
    for (const char* text :
         {">b</text>", ">a</text>", ">b: RE model, k = 2</text>", ">a: RE model, k = 1</text>",
          ">one study: its own estimate", ">Test for subgroup differences: Q(1) = "}) {
        EXPECT_NE(svg.find(text), std::string::npos) << text;
    }
    // The studies in their groups' order: b's S1 and S3, then a's S2.
    EXPECT_LT(svg.find(">S1</text>"), svg.find(">S3</text>"));
    EXPECT_LT(svg.find(">S3</text>"), svg.find(">S2</text>"));
    // b's heterogeneity, without the intervals the footer gives the whole table.
    EXPECT_TRUE(std::regex_search(svg, std::regex(">I² = [0-9.]+%, Q\\(1\\) = "))) << svg;
}

TEST_F(MetaTest, UnknownChoicesAreUsageErrors) {
    const auto method = RunTool(Studies(2), {"--meta", "--method=GENQ"});
    EXPECT_EQ(method.status, 2);
    EXPECT_NE(method.err.find("--method takes one of REML, ML, DL, PM, SJ, HE, HS, EB, FE, EE, CE, "
                              "not \"GENQ\""),
              std::string::npos)
        << method.err;
    // FE, EE and CE are one model, and the summary keeps the name asked for.
    const auto common = RunTool(Studies(3), {"--method=CE", "--summary=-", "-o", "/dev/null"});
    EXPECT_NE(common.out.find("\"method\": \"CE\""), std::string::npos) << common.out;
    EXPECT_NE(common.err.find("Common-effect model"), std::string::npos) << common.err;
    EXPECT_EQ(RunTool(Studies(2), {"--forest=plot.jpg"}).status, 2);
    const auto unnamed = RunTool(Studies(2), {"--label=author"});
    EXPECT_EQ(unnamed.status, 2);
    EXPECT_NE(unnamed.err.find("--label names no column: \"author\""), std::string::npos);
    // The label's column in any case, as the inputs; but not one named twice.
    EXPECT_EQ(RunTool(Studies(2), {"--label=STUDY"}).status, 0);
    const auto twice = RunTool("study,m1,sd1,n1,m2,sd2,n2,Study\n", {"--label=study"});
    EXPECT_EQ(twice.status, 2);
    EXPECT_NE(twice.err.find("the column study is given more than once"), std::string::npos)
        << twice.err;
}

// Every study a row of text, long labels shortened, the pooled diamond, the axis; the SVG's
// text stays text.
TEST_F(MetaTest, TheForestPlotShowsEveryStudyAsText) {
    TAVREL_SKIP_WITHOUT_PLOT_MODULE();
    std::string table = Studies(3) + std::string(300, 'L') + ",100,15,30,104,15,20\n";
    ASSERT_EQ(Run(table, {"--forest", (dir_ / "plot.svg").string()}), 0);
    const std::string svg = Read(dir_ / "plot.svg");
    for (const char* text :
         {">S1</text>", ">S3</text>", ">Hedges's g</text>", ">Weight</text>",
          ">Random-effects model (REML)</text>", ">Prediction interval</text>"}) {
        EXPECT_NE(svg.find(text), std::string::npos) << text;
    }
    EXPECT_NE(svg.find("LLL\u2026LLL"), std::string::npos); // shortened in the middle
    EXPECT_EQ(svg.find(std::string(300, 'L')), std::string::npos);

    // PNG: twice the size, and each study one more row of 20 points.
    const auto size = [&](int studies) {
        EXPECT_EQ(Run(Studies(studies), {"--forest", (dir_ / "plot.png").string()}), 0);
        const std::string png = Read(dir_ / "plot.png");
        const auto number = [&](std::size_t at) {
            return (static_cast<unsigned char>(png[at]) << 24) |
                   (static_cast<unsigned char>(png[at + 1]) << 16) |
                   (static_cast<unsigned char>(png[at + 2]) << 8) |
                   static_cast<unsigned char>(png[at + 3]);
        };
        EXPECT_EQ(png.substr(1, 3), "PNG");
        return std::pair{number(16), number(20)};
    };
    const auto [width, height] = size(5);
    EXPECT_EQ(size(6), std::pair(width, height + 40));
}

// Labels that differ only in their middle would read the same shortened there: they are
// wrapped onto two lines instead, so every study can be told apart.
TEST_F(MetaTest, LabelsThatWouldReadTheSameAreWrapped) {
    TAVREL_SKIP_WITHOUT_PLOT_MODULE();
    std::string table = kHeader;
    for (const char* cohort : {"Alpha", "Beta", "Gamma"}) {
        table += std::string(
                     "\"The Northern Regional Multicentre Consortium on Effects of Something, ") +
                 cohort +
                 " cohort, followed for many years at every participating hospital\",100,15,30,"
                 "110,15,30\n";
    }
    ASSERT_EQ(Run(table, {"--forest", Path("plot.svg")}), 0);
    const std::string svg = Read(dir_ / "plot.svg");
    for (const char* cohort : {"Alpha", "Beta", "Gamma"}) {
        EXPECT_NE(svg.find(cohort), std::string::npos) << cohort;
    }
}

// A plot of too many studies cannot be read: refused before any file is written.
TEST_F(MetaTest, APlotOfTooManyStudiesIsRefusedAndNothingWritten) {
    TAVREL_SKIP_WITHOUT_PLOT_MODULE();
    std::ofstream(dir_ / "out.csv") << "precious";
    std::string errors;
    EXPECT_EQ(Run(Studies(251),
                  {"--forest", (dir_ / "plot.pdf").string(), "--summary",
                   (dir_ / "summary.json").string()},
                  &errors),
              2);
    EXPECT_NE(errors.find("a forest plot of 251 studies cannot be read; 250 is the most"),
              std::string::npos)
        << errors;
    EXPECT_EQ(Read(dir_ / "out.csv"), "precious");
    EXPECT_EQ(FilesInDir(), 2); // in.csv and out.csv
    EXPECT_EQ(Run(Studies(250), {"--forest", (dir_ / "plot.pdf").string()}), 0);
    EXPECT_EQ(Read(dir_ / "plot.pdf").substr(0, 5), "%PDF-");
}

} // namespace
} // namespace tavrel::cli
