// What a hostile but fair user tries: options at their limits, outputs of every kind, lines
// that end oddly, and numbers beyond any real study.
#include "batch_test_support.h"
#include "scratch_dir.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel::cli {
namespace {

namespace fs = std::filesystem;
using batchtest::RunTool;

constexpr char kOneStudy[] = "m1,sd1,n1,m2,sd2,n2\n100,15,20,110,15,20\n";

using OutputTest = batchtest::ScratchDirTest;

TEST_F(OutputTest, LevelsWhoseIntervalIsInfiniteAreUsageErrors) {
    const std::string out = (dir_ / "res.csv").string();
    for (const char* level : {"0.9999999999999999", "0.99999999999999989"}) {
        const auto result = RunTool(kOneStudy, {"--level", level, "-o", out});
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.err.find("--level " + std::string(level) + " is too close to 1"),
                  std::string::npos)
            << result.err;
    }
    EXPECT_EQ(RunTool(kOneStudy, {"--level", "0.999999999999999"}).status, 0);
    EXPECT_EQ(FilesInDir(), 0);
}

TEST_F(OutputTest, DashIsStandardOutputAndAnEmptyNameIsRefused) {
    const auto dash = RunTool(kOneStudy, {"-o", "-"});
    EXPECT_EQ(dash.status, 0);
    EXPECT_NE(dash.out.find("AllResults"), std::string::npos);
    const auto empty = RunTool(kOneStudy, {"-o", ""});
    EXPECT_EQ(empty.status, 2);
    EXPECT_EQ(empty.out, "");
    EXPECT_NE(empty.err.find("-o needs a file name"), std::string::npos) << empty.err;
}

TEST_F(OutputTest, ALinkToAFileNotYetThereIsKeptAndItsTargetWritten) {
    fs::create_symlink("results/target.csv", dir_ / "link.csv");
    fs::create_directory(dir_ / "results");
    EXPECT_EQ(RunTool(kOneStudy, {"-o", (dir_ / "link.csv").string()}).status, 0);
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.csv"));
    EXPECT_NE(Read(dir_ / "results" / "target.csv").find("AllResults"), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "results"), {}), 1);
}

TEST_F(OutputTest, ANameAsLongAsTheFolderAllowsStillHasRoomForItsTemporary) {
    const fs::path out = dir_ / (std::string(251, 'a') + ".csv"); // 255 bytes
    const auto result = RunTool(kOneStudy, {"-o", out.string()});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(Read(out).find("AllResults"), std::string::npos);
    EXPECT_EQ(FilesInDir(), 1);
}

// The replaced file keeps its owner, group and mode, as `sed -i` keeps them.
TEST_F(OutputTest, TheReplacedFileKeepsItsOwnerGroupAndMode) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "giving a file to another user needs root";
    }
    const fs::path out = dir_ / "theirs.csv";
    std::ofstream(out) << "old";
    ASSERT_EQ(chown(out.c_str(), 65534, 100), 0);
    ASSERT_EQ(chmod(out.c_str(), 0640), 0);
    const auto result = RunTool(kOneStudy, {"-o", out.string()});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, ""); // root may keep them all, so nothing to say
    struct stat status {};
    ASSERT_EQ(stat(out.c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, 65534u);
    EXPECT_EQ(status.st_gid, 100u);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
}

// A huge effect: r is 1, not NaN; infinities and NaN are written one way, as data tools read
// them; a g or variance beyond a double is no effect size, and says so; the noncentral
// interval of very large groups is computed, and one that cannot be is said to be missing.
TEST(NumberFaults, HugeEffectsAndGroupsStillGiveReadableNumbers) {
    const auto result = RunTool("m1,sd1,n1,m2,sd2,n2\n"
                                "1,1,20,1e200,1,20\n"
                                "1,1,20,1e5,1,20\n"
                                "1,1e-200,20,2,1e-200,20\n"
                                "5,1e-200,20,5,1e-200,20\n"
                                "1,1,100000000,6,1,100000000\n"
                                "1,1,1000000000,2,1,1000000000\n",
                                {"--ci", "noncentral"});
    EXPECT_EQ(result.status, 1);
    const std::string& out = result.out;
    for (const char* wrong : {",inf", ",-inf", ",nan", ",-nan"}) {
        EXPECT_EQ(out.find(wrong), std::string::npos) << wrong;
    }
    EXPECT_NE(out.find(",1e+200,1,38,"), std::string::npos) << out; // cohen_d, r_value, df
    EXPECT_NE(out.find(",1e+200,Inf,1,38,"), std::string::npos) << out;
    EXPECT_NE(out.find(",0,0,0,NaN,NaN,38,"), std::string::npos) << out;
    EXPECT_NE(out.find("no noncentral interval: below 10000 degrees of freedom"),
              std::string::npos);
    EXPECT_NE(out.find("the effect size is not finite"), std::string::npos);
    // The approximation's bounds, inverted by hand: t (1 - 1/(4 df)) -+ z sqrt(1 + t^2/(2 df)).
    EXPECT_NE(out.find(",4.999437036953159,5.00056295054684\n"), std::string::npos) << out;
    EXPECT_NE(out.find(",0.9999070306201492,1.0000929691298508\n"), std::string::npos) << out;
}

// R's read.csv must see every numeric column as numbers, whatever the rows hold.
TEST(NumberFaults, RReadsNonFiniteColumnsAsNumbers) {
    if (std::system("command -v Rscript > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "R is not installed";
    }
    const auto result = RunTool("m1,sd1,n1,m2,sd2,n2\n1,1,20,1e200,1,20\n"
                                "1,1e-200,20,2,1e-200,20\n5,1e-200,20,5,1e-200,20\n"
                                "100,15,20,110,15,20\n");
    const fs::path path = fs::temp_directory_path() / "tavrel-batch-nonfinite.csv";
    std::ofstream(path) << result.out;
    const std::string script =
        "x <- read.csv('" + path.string() +
        "'); "
        "stopifnot(all(sapply(x[c('cohen_d','r_value','hedges_g','hedges_g_sd','cl_z','cles','yi',"
        "'vi','g_ci_low','g_ci_high')], is.numeric)))";
    EXPECT_EQ(std::system(("Rscript -e \"" + script + "\" > /dev/null 2>&1").c_str()), 0);
    fs::remove(path);
}

} // namespace
} // namespace tavrel::cli
