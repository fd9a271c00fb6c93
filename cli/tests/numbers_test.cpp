// Numbers beyond any real study: written one way that data tools read, never cut.
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
