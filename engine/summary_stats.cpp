#include "engine/summary_stats.h"

#include "engine/field_names.h"

namespace tavrel::engine {

namespace {

bool Positive(double x) {
    return x > 0.0;
}

} // namespace

SummaryStats ReadSummaryStats(const InputTexts& texts, TextToNumber val, NumberToInteger toInt) {
    SummaryStats s;
    s.M1 = val(texts[0]);
    s.SD1 = val(texts[1]);
    s.N1 = toInt(val(texts[2]));
    s.M2 = val(texts[3]);
    s.SD2 = val(texts[4]);
    s.N2 = toInt(val(texts[5]));
    return s;
}

CalcOutcome ChooseMode(const SummaryStats& s) {
    // NaN is neither positive nor "not positive" by comparison; "not positive" is written as
    // the negation so that a NaN mean counts as not entered, as 0 does.
    if (Positive(s.SD1) && Positive(s.SD2) && s.N1 > 2 && s.N2 > 2 && !Positive(s.M1) &&
        !Positive(s.M2)) {
        return Calculation{CalcMode::PooledSDOnly, s};
    }
    if (Positive(s.SD1) && Positive(s.M1) && Positive(s.M2) &&
        (!Positive(s.SD2) || s.N1 <= 2 || s.N2 <= 2)) {
        return Calculation{CalcMode::MeanDiffGlassOnly, s};
    }
    if (!Positive(s.M1)) {
        return InputError{"Mean of Control Group Must > 0.", fields::M1Fld};
    }
    if (!Positive(s.SD1)) {
        return InputError{"Standard Deviation of Control Group Must > 0.", fields::SD1Fld};
    }
    if (s.N1 < 3) {
        return InputError{"Number of Subjects in Control Group Must > 2.", fields::N1Fld};
    }
    if (!Positive(s.M2)) {
        return InputError{"Mean of Experimental Group Must > 0.", fields::M2Fld};
    }
    return Calculation{CalcMode::AllResults, s};
}

CalcOutcome Calculate(const InputTexts& texts, TextToNumber val, NumberToInteger toInt) {
    return ChooseMode(ReadSummaryStats(texts, val, toInt));
}

} // namespace tavrel::engine
