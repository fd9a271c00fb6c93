#include "meta/diagnostics/leave_one_out.h"

namespace tavrel::meta {

namespace {

// What metafor fits to a single study: the study itself under the z test, with nothing
// heterogeneous about it (Q = 0 with p = 1, tau^2 = 0, I^2 = 0, H^2 = 1), whatever the method.
Pooled OneStudy(const Study& study, const ModelSettings& settings) {
    Pooled fit = Pool(std::span(&study, 1), {Method::FE, Test::Z, settings.level},
                      HeterogeneityIntervals::None);
    fit.method = settings.method;
    fit.qP = 1;
    fit.i2 = 0;
    fit.h2 = 1;
    return fit;
}

} // namespace

std::vector<Pooled> LeaveOneOut(std::span<const Study> studies, const ModelSettings& settings) {
    std::vector<Pooled> fits;
    fits.reserve(studies.size());
    if (studies.size() == 2) {
        fits.push_back(OneStudy(studies[1], settings));
        fits.push_back(OneStudy(studies[0], settings));
        return fits;
    }
    // The others, in order: study i leaves position i, and the study before it takes its
    // place for the next fit.
    std::vector<Study> rest(studies.begin() + 1, studies.end());
    for (std::size_t left = 0; left < studies.size(); ++left) {
        if (left > 0) {
            rest[left - 1] = studies[left - 1];
        }
        fits.push_back(Pool(rest, settings, HeterogeneityIntervals::None));
    }
    return fits;
}

} // namespace tavrel::meta
