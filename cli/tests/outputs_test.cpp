// All outputs or none: every destination is checked and opened before any work, and put in
// place only once all are complete; none may overwrite the input or another.
#include "batch_test_support.h"
#include "program_fixture.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace tavrel::cli {
namespace {

namespace fs = std::filesystem;
using batchtest::RunTool;

constexpr char kStudies[] = "study,m1,sd1,n1,m2,sd2,n2\n"
                            "A,100,15,20,110,15,20\n"
                            "B,100,15,40,104,16,35\n"
                            "C,100,15,25,99,14,30\n";

class OutputsTest : public batchtest::ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        std::ofstream(dir_ / "out.csv") << "old table";
        std::ofstream(dir_ / "summary.json") << "old summary";
    }
    // The old files as they were, and nothing else beside them.
    void ExpectUntouched(long files) {
        EXPECT_EQ(Read(dir_ / "out.csv"), "old table");
        EXPECT_EQ(Read(dir_ / "summary.json"), "old summary");
        EXPECT_EQ(FilesInDir(), files);
    }
};

TEST_F(OutputsTest, NoOutputMayOverwriteTheInputOrAnother) {
    std::ofstream(dir_ / "in.csv") << kStudies;
    const std::string in = Path("in.csv");
    const auto input = RunTool("", {in, "--summary", in});
    EXPECT_EQ(input.status, 2);
    EXPECT_NE(input.err.find("--summary " + in + " would overwrite the input"), std::string::npos)
        << input.err;
    EXPECT_EQ(Read(dir_ / "in.csv"), kStudies);

    const auto same = RunTool(kStudies, {"-o", Path("out.csv"), "--summary", Path("./out.csv")});
    EXPECT_EQ(same.status, 2);
    EXPECT_NE(same.err.find("-o and --summary name the same file"), std::string::npos) << same.err;
    const auto plot = RunTool(kStudies, {"--summary", Path("x.svg"), "--forest", Path("x.svg")});
    EXPECT_EQ(plot.status, 2);
    EXPECT_NE(plot.err.find("--summary and --forest name the same file"), std::string::npos)
        << plot.err;
    const auto plots = RunTool(kStudies, {"--forest", Path("x.svg"), "--funnel", Path("x.svg")});
    EXPECT_EQ(plots.status, 2);
    EXPECT_NE(plots.err.find("--forest and --funnel name the same file"), std::string::npos)
        << plots.err;
    ExpectUntouched(3);

    // The table may replace its own input: it is read whole first.
    EXPECT_EQ(RunTool("", {in, "-o", in}).status, 0);
    EXPECT_NE(Read(dir_ / "in.csv").find(",AllResults,"), std::string::npos);
}

TEST_F(OutputsTest, TheSummaryMayGoToStandardOutputAlone) {
    const auto json = RunTool(kStudies, {"--summary", "-", "-o", Path("out.csv")});
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out.substr(0, 20), "{\n  \"method\": \"REML\"");
    const auto both = RunTool(kStudies, {"--summary=-"});
    EXPECT_EQ(both.status, 2);
    EXPECT_NE(both.err.find("--summary - and the table would both go to standard output"),
              std::string::npos);
}

// The fits without each study may go to standard output where nothing else does; of two
// studies each fit is the other alone.
TEST_F(OutputsTest, LeaveOneOutToStandardOutputAndOfTwoStudies) {
    const std::string two = "study,m1,sd1,n1,m2,sd2,n2\nA,100,15,20,110,15,20\n"
                            "B,100,15,40,104,16,35\n";
    const auto fits = RunTool(two, {"--leave-one-out", "-", "-o", Path("out.csv")});
    ASSERT_EQ(fits.status, 0) << fits.err;
    EXPECT_TRUE(fits.out.starts_with("study,estimate,se,statistic,p,ci_low,ci_high,q,q_p,tau2"))
        << fits.out;
    EXPECT_NE(fits.out.find("\nA,0.2"), std::string::npos) << fits.out; // B's g alone
    EXPECT_NE(fits.out.find(",0,1,0,0,1\n"), std::string::npos) << fits.out;
    EXPECT_EQ(FilesInDir(), 2);

    const auto both = RunTool(two, {"--leave-one-out=-"});
    EXPECT_EQ(both.status, 2);
    EXPECT_NE(both.err.find("--leave-one-out - and the table would both go to standard output"),
              std::string::npos)
        << both.err;
    const auto withSummary =
        RunTool(two, {"--leave-one-out=-", "--summary=-", "-o", Path("out.csv")});
    EXPECT_EQ(withSummary.status, 2);
    EXPECT_NE(withSummary.err.find("--summary - and --leave-one-out - would both go"),
              std::string::npos)
        << withSummary.err;
}

// /dev/stdout and /dev/fd/1 are standard output, a pipe as much as a file.
TEST_F(OutputsTest, DeviceNamesOfStandardOutputReachAPipe) {
    for (const char* name : {"/dev/stdout", "/dev/fd/1"}) {
        int pipeEnds[2];
        ASSERT_EQ(pipe(pipeEnds), 0);
        std::ofstream(dir_ / "in.csv") << kStudies;
        const int input = open(Path("in.csv").c_str(), O_RDONLY);
        batchtest::ChildProcess child({"--summary", name, "-o", Path("out.csv")},
                                      {.input = input, .output = pipeEnds[1]});
        close(pipeEnds[1]);
        std::string json;
        char buffer[4096];
        for (ssize_t got; (got = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) {
            json.append(buffer, static_cast<std::size_t>(got));
        }
        close(pipeEnds[0]);
        close(input);
        EXPECT_EQ(child.Wait(), 0) << child.Errors();
        EXPECT_EQ(json.substr(0, 20), "{\n  \"method\": \"REML\"") << name << child.Errors();
    }
}

// Both plots in one run on a machine without a display, as on a server: each is drawn, and
// no temporary file is left beside them.
TEST_F(OutputsTest, BothPlotsWithoutADisplay) {
    TAVREL_SKIP_WITHOUT_PLOT_MODULE();
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    std::string errors;
    ASSERT_EQ(Run(kStudies,
                  {"-o", Path("out.csv"), "--forest", Path("f.svg"), "--funnel", Path("u.png")},
                  &errors),
              0)
        << errors;
    EXPECT_NE(Read(dir_ / "f.svg").find("</svg>"), std::string::npos);
    EXPECT_EQ(Read(dir_ / "u.png").substr(1, 3), "PNG");
    EXPECT_EQ(FilesInDir(), 5); // in.csv, out.csv, summary.json, and the plots
}

// A write error anywhere, a device that is full here, leaves every file as it was.
TEST_F(OutputsTest, AFailedWriteLeavesEveryFileAsItWas) {
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full here";
    }
    fs::create_symlink("/dev/full", dir_ / "full.json");
    const auto summary = RunTool(kStudies, {"-o", Path("out.csv"), "--summary", Path("full.json")});
    EXPECT_EQ(summary.status, 2);
    EXPECT_NE(summary.err.find("No space left on device"), std::string::npos) << summary.err;
    ExpectUntouched(3);
}

TEST_F(OutputsTest, APlotThatCannotBeWrittenLeavesEveryFileAsItWas) {
    TAVREL_SKIP_WITHOUT_PLOT_MODULE();
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full here";
    }
    for (const char* plot : {"full.svg", "full.PNG", "full.pdf"}) {
        fs::create_symlink("/dev/full", dir_ / plot);
        std::string errors;
        // Exit status 2 exactly: a leak report would end the sanitizer build otherwise.
        EXPECT_EQ(
            Run(kStudies,
                {"-o", Path("out.csv"), "--summary", Path("summary.json"), "--forest", Path(plot)},
                &errors),
            2)
            << errors;
        fs::remove(dir_ / plot);
    }
    ExpectUntouched(3); // and in.csv
}

// A run that cannot give what it was asked for writes nothing that looks like its result.
TEST_F(OutputsTest, NothingToPoolWritesNoResult) {
    const auto result = RunTool("m1,sd1,n1,m2,sd2,n2\n100,15,20,110,15,20\n",
                                {"-o", Path("out.csv"), "--summary", Path("summary.json")});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("cannot pool: 1 of 1 row has"), std::string::npos) << result.err;
    ExpectUntouched(2);
}

// Without its module a plot fails at once, before any work: no output is even opened.
TEST_F(OutputsTest, AMissingPlotModuleStopsTheRunBeforeAnyWork) {
    // The test program lies where no module is beside it.
    const auto result = RunTool(kStudies, {"-o", Path("new.csv"), "--forest", Path("f.svg")});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("--forest needs the plot module, which cannot be loaded"),
              std::string::npos)
        << result.err;
    ExpectUntouched(2);
}

// Every SVG is XML, whatever its labels hold, and every text is found as itself.
TEST_F(OutputsTest, EverySvgIsWellFormedWhateverItsLabels) {
    TAVREL_SKIP_WITHOUT_PLOT_MODULE();
    const std::string table = std::string("study,m1,sd1,n1,m2,sd2,n2\n") +
                              "M\xC3\xBCller & <Sons>,100,15,20,130,15,20\n" +
                              "\"esc\x1B bell\x07 vt\x0B\",100,15,40,104,16,35\n" +
                              "\"\xEF\xBF\xBE \x01 \xFF\",100,15,25,99,14,30\n" +
                              "D,100,15,20,135,15,20\n";
    ASSERT_EQ(Run(table, {"--forest", Path("plot.svg"), "--favours", "Favours placebo,Favours drug",
                          "-o", Path("out.csv")}),
              0);
    const std::string svg = Read(dir_ / "plot.svg");
    for (const char* text : {">M\xC3\xBCller &amp; &lt;Sons&gt;</text>", ">Favours placebo</text>",
                             ">Favours drug</text>", "<desc>", "p &lt; .001"}) {
        EXPECT_NE(svg.find(text), std::string::npos) << text;
    }
    for (const char* forbidden : {"\x1B", "\x07", "\x0B", "\x01", "\xEF\xBF\xBE"}) {
        EXPECT_EQ(svg.find(forbidden), std::string::npos);
    }
    if (std::system("command -v xmllint > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "xmllint is not installed (libxml2-utils)";
    }
    EXPECT_EQ(std::system(("xmllint --noout " + Path("plot.svg")).c_str()), 0);
}

} // namespace
} // namespace tavrel::cli
