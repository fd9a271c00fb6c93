#include "engine/presentation.h"

#include "engine/field_names.h"

namespace tavrel::engine {

std::vector<FieldText> PresentResults(CalcMode mode, const EffectSizeResults& r,
                                      NumberToText format) {
    // Each text is returned by `format` straight into its place in the vector: the element is
    // made from a converter whose result it is, so no string is moved or copied after.
    struct Presented {
        std::string_view field;
        double value;
        std::string_view pattern;
        NumberToText format;
        operator FieldText() const { return {field, format(value, pattern)}; }
    };
    std::vector<FieldText> texts;
    texts.reserve(8);
    const auto add = [&](std::string_view field, double value, std::string_view pattern) {
        texts.emplace_back(Presented{field, value, pattern, format});
    };
    switch (mode) {
    case CalcMode::PooledSDOnly:
        add(fields::PooledSDFld, r.PooledSD, patterns::PooledSD);
        break;
    case CalcMode::MeanDiffGlassOnly:
        add(fields::MeanDiffFld, r.MeanDiff, patterns::MeanDiff);
        add(fields::gFld, r.GlassDelta, patterns::Index);
        break;
    case CalcMode::AllResults:
        add(fields::MeanDiffFld, r.MeanDiff, patterns::MeanDiff);
        add(fields::PooledSDFld, r.PooledSD, patterns::PooledSD);
        add(fields::gFld, r.GlassDelta, patterns::Index);
        add(fields::dFld, r.CohenD, patterns::Index);
        add(fields::dCorrectFld, r.R, patterns::Index);
        add(fields::HedgesFld, r.HedgesD, patterns::Index);
        add(fields::sdFld, r.HedgesSD, patterns::Index);
        add(fields::CLEFFld, r.CLES, patterns::Probability);
        break;
    }
    return texts;
}

} // namespace tavrel::engine
