// From six texts to the texts the window shows: the whole engine with the host's Val and
// Format.
#include "engine/field_names.h"
#include "engine/presentation.h"
#include "platform/format.h"
#include "platform/real_to_int.h"
#include "platform/val.h"

#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace tavrel::engine {
namespace {

using namespace fields;

std::vector<FieldText> Press(const InputTexts& texts) {
    const CalcOutcome outcome = Calculate(texts, &platform::Val, &platform::RealToInt32);
    const auto& calc = std::get<Calculation>(outcome);
    return PresentResults(calc.Mode, ComputeResults(calc.Stats, calc.Mode), &platform::Format);
}

TEST(PresentResults, WorkedRowsInWindowOrder) {
    EXPECT_EQ(Press({"100", "15", "20", "110", "15", "20"}),
              (std::vector<FieldText>{{MeanDiffFld, "+10.00"},
                                      {PooledSDFld, "15.00"},
                                      {gFld, "+.667"},
                                      {dFld, "+.667"},
                                      {dCorrectFld, "+.316"},
                                      {HedgesFld, "+.653"},
                                      {sdFld, "+.325"},
                                      {CLEFFld, ".681"}}));
    EXPECT_EQ(Press({"100", "15", "40", "90", "20", "60"}),
              (std::vector<FieldText>{{MeanDiffFld, "-10.00"},
                                      {PooledSDFld, "18.18"},
                                      {gFld, "-.667"},
                                      {dFld, "-.550"},
                                      {dCorrectFld, "+.265"},
                                      {HedgesFld, "-.546"},
                                      {sdFld, "+.208"},
                                      {CLEFFld, ".655"}}));
    EXPECT_EQ(Press({"50", "10", "3", "55", "12", "3"}),
              (std::vector<FieldText>{{MeanDiffFld, "+5.00"},
                                      {PooledSDFld, "11.05"},
                                      {gFld, "+.500"},
                                      {dFld, "+.453"},
                                      {dCorrectFld, "+.221"},
                                      {HedgesFld, "+.361"},
                                      {sdFld, "+.823"},
                                      {CLEFFld, ".626"}}));
}

TEST(PresentResults, EqualMeansShowUnsignedZerosAndAlmostOneHalf) {
    EXPECT_EQ(Press({"100", "15", "30", "100", "15", "30"}),
              (std::vector<FieldText>{{MeanDiffFld, "+.00"},
                                      {PooledSDFld, "15.00"},
                                      {gFld, "+.000"},
                                      {dFld, "+.000"},
                                      {dCorrectFld, "+.000"},
                                      {HedgesFld, "+.000"},
                                      {sdFld, "+.258"},
                                      {CLEFFld, ".500"}}));
}

TEST(PresentResults, PartialModesNameOnlyTheirFields) {
    EXPECT_EQ(Press({"", "10", "20", "", "12", "25"}),
              (std::vector<FieldText>{{PooledSDFld, "11.16"}}));
    EXPECT_EQ(Press({"100", "15", "", "110", "", ""}),
              (std::vector<FieldText>{{MeanDiffFld, "+10.00"}, {gFld, "+.667"}}));
}

TEST(PresentResults, WideValuesKeepAllTheirDigits) {
    EXPECT_EQ(Press({"1", ".00001", "", "999999", "", ""}),
              (std::vector<FieldText>{{MeanDiffFld, "+999998.00"}, {gFld, "+99999800000.000"}}));
}

TEST(PresentResults, ResultsBeyondDoubleShowAsInfinityOrNaN) {
    // Variances underflow to 0, so d is infinite, and r is its limit, 1.
    const std::vector<FieldText> texts = Press({"1", "1e-200", "3", "2", "1e-200", "3"});
    ASSERT_EQ(texts.size(), 8u);
    EXPECT_EQ(texts[1].Text, ".00");    // pooled SD
    EXPECT_EQ(texts[3].Text, "+∞");     // d
    EXPECT_EQ(texts[4].Text, "+1.000"); // r
    EXPECT_EQ(texts[7].Text, "1.000");  // CLES
}

} // namespace
} // namespace tavrel::engine
