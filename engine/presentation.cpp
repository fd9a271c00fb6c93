#include "engine/presentation.h"

#include "engine/field_names.h"

namespace tavrel::engine {

std::vector<FieldText> PresentResults(CalcMode mode, const EffectSizeResults& r,
                                      NumberToText format) {
    switch (mode) {
    case CalcMode::PooledSDOnly:
        return {{fields::PooledSDFld, format(r.PooledSD, patterns::PooledSD)}};
    case CalcMode::MeanDiffGlassOnly:
        return {{fields::MeanDiffFld, format(r.MeanDiff, patterns::MeanDiff)},
                {fields::gFld, format(r.GlassDelta, patterns::Index)}};
    case CalcMode::AllResults:
        return {{fields::MeanDiffFld, format(r.MeanDiff, patterns::MeanDiff)},
                {fields::PooledSDFld, format(r.PooledSD, patterns::PooledSD)},
                {fields::gFld, format(r.GlassDelta, patterns::Index)},
                {fields::dFld, format(r.CohenD, patterns::Index)},
                {fields::dCorrectFld, format(r.R, patterns::Index)},
                {fields::HedgesFld, format(r.HedgesD, patterns::Index)},
                {fields::sdFld, format(r.HedgesSD, patterns::Index)},
                {fields::CLEFFld, format(r.CLES, patterns::Probability)}};
    }
    return {};
}

} // namespace tavrel::engine
