#include "engine/summary_stats.h"

#include "engine/read_number.h"
#include "engine/truncate.h"

namespace tavrel::engine {

namespace {

bool Positive(double x) {
    return x > 0.0;
}

} // namespace

SummaryStats ReadSummaryStats(const InputTexts& texts) {
    const auto read = [&](Input input) { return ReadNumber(texts[Index(input)]); };
    SummaryStats s;
    s.M1 = read(Input::ControlMean);
    s.SD1 = read(Input::ControlSD);
    s.N1 = TruncateToInt32(read(Input::ControlSize));
    s.M2 = read(Input::ExperimentalMean);
    s.SD2 = read(Input::ExperimentalSD);
    s.N2 = TruncateToInt32(read(Input::ExperimentalSize));
    return s;
}

ModeChoice ChooseMode(const SummaryStats& s) {
    // NaN is neither positive nor "not positive" by comparison; "not positive" is written as
    // the negation so that a NaN mean counts as not entered, as 0 does.
    if (Positive(s.SD1) && Positive(s.SD2) && s.N1 > 2 && s.N2 > 2 && !Positive(s.M1) &&
        !Positive(s.M2)) {
        return CalcMode::PooledSDOnly;
    }
    if (Positive(s.SD1) && Positive(s.M1) && Positive(s.M2) &&
        (!Positive(s.SD2) || s.N1 <= 2 || s.N2 <= 2)) {
        return CalcMode::MeanDiffGlassOnly;
    }
    if (!Positive(s.M1)) {
        return InputError{"Mean of Control Group Must > 0.", Input::ControlMean};
    }
    if (!Positive(s.SD1)) {
        return InputError{"Standard Deviation of Control Group Must > 0.", Input::ControlSD};
    }
    if (s.N1 < 3) {
        return InputError{"Number of Subjects in Control Group Must > 2.", Input::ControlSize};
    }
    if (!Positive(s.M2)) {
        return InputError{"Mean of Experimental Group Must > 0.", Input::ExperimentalMean};
    }
    return CalcMode::AllResults;
}

} // namespace tavrel::engine
