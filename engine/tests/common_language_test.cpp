#include "engine/common_language.h"

#include <cmath>
#include <gtest/gtest.h>

namespace tavrel::engine {
namespace {

double StandardNormal(double z) {
    return 0.5 * std::erfc(-z / std::sqrt(2.0));
}

TEST(NormalProbability, AgreesWithTheStandardNormalToTheApproximationError) {
    for (double z = -6.0; z <= 6.0; z += 0.01) {
        EXPECT_NEAR(NormalProbability(z), StandardNormal(z), 1e-7) << "z " << z;
    }
    EXPECT_NEAR(NormalProbability(1.0), 0.841344746, 1e-7);
    EXPECT_NEAR(NormalProbability(-1.0), 0.158655254, 1e-7);
    EXPECT_NEAR(NormalProbability(1.96), 0.975002105, 1e-7);
}

// The approximation's coefficients do not sum to one half exactly: at 0 it falls just short,
// which the window's common language effect size of equal means shows as .500.
TEST(NormalProbability, AtZeroFallsJustShortOfOneHalf) {
    EXPECT_LT(NormalProbability(0.0), 0.5);
    EXPECT_GT(NormalProbability(0.0), 0.5 - 1e-8);
}

TEST(NormalProbability, StaysAProbabilityFarOut) {
    EXPECT_EQ(NormalProbability(1e300), 1.0);
    EXPECT_EQ(NormalProbability(-1e300), 0.0);
    EXPECT_EQ(NormalProbability(INFINITY), 1.0);
}

TEST(CommonLanguage, SymmetricInWhichGroupIsHigher) {
    const CommonLanguageResult up = CommonLanguage(100, 110, 225, 225);
    EXPECT_DOUBLE_EQ(up.CLZ, 10 / std::sqrt(450.0));
    EXPECT_NEAR(up.CLES, 0.681, 5e-4);

    const CommonLanguageResult down = CommonLanguage(100, 90, 225, 400);
    const CommonLanguageResult mirror = CommonLanguage(90, 100, 225, 400);
    EXPECT_EQ(down.CLZ, 0.4);
    EXPECT_NEAR(down.CLES, 0.655, 5e-4);
    EXPECT_EQ(down.CLES, mirror.CLES);
}

TEST(CommonLanguage, EqualMeansGiveZeroDistance) {
    const CommonLanguageResult equal = CommonLanguage(50, 50, 100, 144);
    EXPECT_EQ(equal.CLZ, 0.0);
    EXPECT_EQ(equal.CLES, NormalProbability(0.0));
}

} // namespace
} // namespace tavrel::engine
