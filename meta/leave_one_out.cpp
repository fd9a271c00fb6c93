#include "meta/leave_one_out.h"

namespace tavrel::meta {

std::vector<Pooled> LeaveOneOut(std::span<const Study> studies, Method method, Test test,
                                double level) {
    std::vector<Pooled> fits;
    fits.reserve(studies.size());
    // The others, in order: study i leaves position i, and the study before it takes its
    // place for the next fit.
    std::vector<Study> rest(studies.begin() + 1, studies.end());
    for (std::size_t left = 0; left < studies.size(); ++left) {
        if (left > 0) {
            rest[left - 1] = studies[left - 1];
        }
        fits.push_back(Pool(rest, method, test, level, HeterogeneityIntervals::None));
    }
    return fits;
}

} // namespace tavrel::meta
