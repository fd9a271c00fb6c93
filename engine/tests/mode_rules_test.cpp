// Which mode a press takes, and which of the four messages it shows, for the six inputs.
#include "engine/summary_stats.h"

#include <gtest/gtest.h>
#include <string>

namespace tavrel::engine {
namespace {

ModeChoice Choose(const InputTexts& texts) {
    return ChooseMode(ReadSummaryStats(texts));
}

struct ModeCase {
    const char* name;

    friend void PrintTo(const ModeCase& c, std::ostream* os) { *os << c.name; }
    InputTexts texts; // M1, SD1, N1, M2, SD2, N2
    CalcMode mode;
};

class ModeRules : public testing::TestWithParam<ModeCase> {};

TEST_P(ModeRules, ChoosesTheMode) {
    const ModeChoice choice = Choose(GetParam().texts);
    const auto* mode = std::get_if<CalcMode>(&choice);
    ASSERT_NE(mode, nullptr) << std::get<InputError>(choice).Message;
    EXPECT_EQ(*mode, GetParam().mode);
}

INSTANTIATE_TEST_SUITE_P(Cases, ModeRules,
                         testing::Values(ModeCase{"ZeroMeansGivePooledOnly",
                                                  {"0", "10", "20", "0", "12", "25"},
                                                  CalcMode::PooledSDOnly},
                                         ModeCase{"NegativeMeanCountsAsNotEntered",
                                                  {"-5", "10", "20", "0", "12", "25"},
                                                  CalcMode::PooledSDOnly},
                                         ModeCase{"EmptyMeansGivePooledOnly",
                                                  {"", "10", "20", "", "12", "25"},
                                                  CalcMode::PooledSDOnly},
                                         ModeCase{"PooledOnlyNeedsSizesAboveTwo",
                                                  {"", "10", "3", "", "12", "3"},
                                                  CalcMode::PooledSDOnly},
                                         ModeCase{"NoSecondSdOrSizesGivesGlass",
                                                  {"100", "15", "0", "110", "0", "0"},
                                                  CalcMode::MeanDiffGlassOnly},
                                         ModeCase{"SmallControlSizeGivesGlassWithoutMessage",
                                                  {"100", "15", "2", "110", "15", "30"},
                                                  CalcMode::MeanDiffGlassOnly},
                                         ModeCase{"SmallExperimentalSizeGivesGlass",
                                                  {"100", "15", "30", "110", "15", "2"},
                                                  CalcMode::MeanDiffGlassOnly},
                                         ModeCase{"NegativeSecondSdGivesGlass",
                                                  {"100", "15", "30", "110", "-1", "30"},
                                                  CalcMode::MeanDiffGlassOnly},
                                         ModeCase{"SmallestSizesGiveAll",
                                                  {"100", "15", "3", "110", "15", "3"},
                                                  CalcMode::AllResults},
                                         ModeCase{"FractionalSizesTruncateToThree",
                                                  {"100", "15", "3.9", "110", "15", "3.2"},
                                                  CalcMode::AllResults},
                                         ModeCase{"OverlongSizesSaturate",
                                                  {"100", "15", "1e12", "110", "15", "99999999999"},
                                                  CalcMode::AllResults}),
                         [](const testing::TestParamInfo<ModeCase>& info) {
                             return std::string(info.param.name);
                         });

struct ErrorCase {
    const char* name;

    friend void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.name; }
    InputTexts texts;
    InputError error;
};

class InputChecks : public testing::TestWithParam<ErrorCase> {};

TEST_P(InputChecks, NamesTheFirstFailedCheckAndItsField) {
    const ModeChoice choice = Choose(GetParam().texts);
    const auto* error = std::get_if<InputError>(&choice);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(*error, GetParam().error);
}

const InputError kMean1{"Mean of Control Group Must > 0.", Input::ControlMean};
const InputError kSd1{"Standard Deviation of Control Group Must > 0.", Input::ControlSD};
const InputError kN1{"Number of Subjects in Control Group Must > 2.", Input::ControlSize};
const InputError kMean2{"Mean of Experimental Group Must > 0.", Input::ExperimentalMean};

INSTANTIATE_TEST_SUITE_P(
    Cases, InputChecks,
    testing::Values(ErrorCase{"ZeroControlMean", {"0", "15", "30", "110", "15", "30"}, kMean1},
                    ErrorCase{"AllEmpty", {"", "", "", "", "", ""}, kMean1},
                    ErrorCase{"ZeroControlSd", {"100", "0", "30", "110", "15", "30"}, kSd1},
                    ErrorCase{"NegativeControlSd", {"100", "-15", "30", "110", "15", "30"}, kSd1},
                    ErrorCase{"SmallControlSizeWhenSecondMeanMissing",
                              {"100", "15", "2", "0", "15", "30"},
                              kN1},
                    ErrorCase{"NegativeControlSize", {"100", "15", "-30", "", "15", "30"}, kN1},
                    ErrorCase{"MissingSecondMean", {"100", "15", "30", "0", "15", "30"}, kMean2},
                    ErrorCase{"NegativeSecondMean", {"100", "15", "3", "-110", "15", "3"}, kMean2},
                    // Only the control group's SD and size entered, second group all empty: the
                    // first check that fails is the experimental mean.
                    ErrorCase{"OnlyControlGroup", {"100", "15", "30", "", "", ""}, kMean2},
                    // Pooled-only needs both sizes above 2; otherwise the checks run.
                    ErrorCase{"PooledOnlyWithSmallSize", {"", "10", "2", "", "12", "25"}, kMean1}),
    [](const testing::TestParamInfo<ErrorCase>& info) { return std::string(info.param.name); });

TEST(ReadSummaryStats, ReadsEachFieldInOrder) {
    const SummaryStats s = ReadSummaryStats({"1.5", "2.5", "3.9", "-4", "5e1", "-6.9"});
    EXPECT_EQ(s.M1, 1.5);
    EXPECT_EQ(s.SD1, 2.5);
    EXPECT_EQ(s.N1, 3);
    EXPECT_EQ(s.M2, -4.0);
    EXPECT_EQ(s.SD2, 50.0);
    EXPECT_EQ(s.N2, -6);
}

TEST(ChooseMode, NanInputsCountAsNotPositive) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(std::get<InputError>(ChooseMode({nan, 15, 30, 110, 15, 30})), kMean1);
    EXPECT_EQ(std::get<CalcMode>(ChooseMode({100, 15, 30, 110, nan, 30})),
              CalcMode::MeanDiffGlassOnly);
    EXPECT_EQ(std::get<CalcMode>(ChooseMode({nan, 15, 30, nan, 15, 30})), CalcMode::PooledSDOnly);
}

} // namespace
} // namespace tavrel::engine
