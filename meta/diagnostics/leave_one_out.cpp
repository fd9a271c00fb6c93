#include "meta/diagnostics/leave_one_out.h"

namespace tavrel::meta {

ModelSettings SettingsForTheRest(std::size_t studiesLeft, const ModelSettings& settings) {
    return studiesLeft > 1 ? settings : ModelSettings{Method::FE, Test::Z, settings.level};
}

Model FitOneLeftOut(std::span<const Study> rest, const Design& x,
                    std::span<const std::string> names, const ModelSettings& settings) {
    // A single study has nothing heterogeneous about it: Q = 0 with p = 1, tau^2 = 0, I^2 = 0,
    // H^2 = 1.
    Model fit =
        FitModel(rest, x, names, SettingsForTheRest(rest.size(), settings), ModelExtras::None);
    fit.settings.method = settings.method;
    return fit;
}

std::vector<Model> LeaveOneOut(std::span<const Study> studies, const ModelSettings& settings) {
    std::vector<Model> fits;
    fits.reserve(studies.size());
    // The others, in order: study i leaves position i, and the study before it takes its
    // place for the next fit.
    std::vector<Study> rest(studies.begin() + 1, studies.end());
    const Design x = InterceptOnly(rest.size());
    for (std::size_t left = 0; left < studies.size(); ++left) {
        if (left > 0) {
            rest[left - 1] = studies[left - 1];
        }
        fits.push_back(FitOneLeftOut(rest, x, std::span(&kInterceptName, 1), settings));
    }
    return fits;
}

} // namespace tavrel::meta
