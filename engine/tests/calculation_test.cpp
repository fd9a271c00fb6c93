// From six texts to the texts the window shows: one whole press.
#include "engine/calculation.h"

#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace tavrel::engine {
namespace {

using enum Result;
using Shown = std::vector<ResultText>;

Shown Texts(const InputTexts& texts) {
    return std::get<Calculation>(Calculate(texts)).shown;
}

TEST(Calculate, WorkedRowsInWindowOrder) {
    EXPECT_EQ(Texts({"100", "15", "20", "110", "15", "20"}), (Shown{{MeanDifference, "+10.00"},
                                                                    {PooledSD, "15.00"},
                                                                    {GlassDelta, "+.667"},
                                                                    {CohensD, "+.667"},
                                                                    {R, "+.316"},
                                                                    {HedgesG, "+.653"},
                                                                    {HedgesGSD, "+.325"},
                                                                    {CommonLanguage, ".681"}}));
    EXPECT_EQ(Texts({"100", "15", "40", "90", "20", "60"}), (Shown{{MeanDifference, "-10.00"},
                                                                   {PooledSD, "18.18"},
                                                                   {GlassDelta, "-.667"},
                                                                   {CohensD, "-.550"},
                                                                   {R, "+.265"},
                                                                   {HedgesG, "-.546"},
                                                                   {HedgesGSD, "+.208"},
                                                                   {CommonLanguage, ".655"}}));
    EXPECT_EQ(Texts({"50", "10", "3", "55", "12", "3"}), (Shown{{MeanDifference, "+5.00"},
                                                                {PooledSD, "11.05"},
                                                                {GlassDelta, "+.500"},
                                                                {CohensD, "+.453"},
                                                                {R, "+.221"},
                                                                {HedgesG, "+.361"},
                                                                {HedgesGSD, "+.823"},
                                                                {CommonLanguage, ".626"}}));
}

TEST(Calculate, EqualMeansShowUnsignedZerosAndAlmostOneHalf) {
    EXPECT_EQ(Texts({"100", "15", "30", "100", "15", "30"}), (Shown{{MeanDifference, "+.00"},
                                                                    {PooledSD, "15.00"},
                                                                    {GlassDelta, "+.000"},
                                                                    {CohensD, "+.000"},
                                                                    {R, "+.000"},
                                                                    {HedgesG, "+.000"},
                                                                    {HedgesGSD, "+.258"},
                                                                    {CommonLanguage, ".500"}}));
}

TEST(Calculate, PartialModesNameOnlyTheirFields) {
    EXPECT_EQ(Texts({"", "10", "20", "", "12", "25"}), (Shown{{PooledSD, "11.16"}}));
    EXPECT_EQ(Texts({"100", "15", "", "110", "", ""}),
              (Shown{{MeanDifference, "+10.00"}, {GlassDelta, "+.667"}}));
}

TEST(Calculate, WideValuesKeepAllTheirDigits) {
    EXPECT_EQ(Texts({"1", ".00001", "", "999999", "", ""}),
              (Shown{{MeanDifference, "+999998.00"}, {GlassDelta, "+99999800000.000"}}));
}

TEST(Calculate, ResultsBeyondDoubleShowAsInfinityOrNaN) {
    // Variances underflow to 0, so d is infinite, and r is its limit, 1.
    const Shown texts = Texts({"1", "1e-200", "3", "2", "1e-200", "3"});
    ASSERT_EQ(texts.size(), 8u);
    EXPECT_EQ(texts[1].text, ".00");    // pooled SD
    EXPECT_EQ(texts[3].text, "+∞");     // d
    EXPECT_EQ(texts[4].text, "+1.000"); // r
    EXPECT_EQ(texts[7].text, "1.000");  // CLES
}

// An input error names its message and its input; nothing is computed.
TEST(Calculate, InputErrorsNameTheirInput) {
    const auto error = std::get<InputError>(Calculate({"100", "0", "30", "110", "15", "30"}));
    EXPECT_EQ(error,
              (InputError{"Standard Deviation of Control Group Must > 0.", Input::ControlSD}));
}

} // namespace
} // namespace tavrel::engine
