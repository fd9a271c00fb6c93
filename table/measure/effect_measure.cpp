#include "table/measure/effect_measure.h"

#include <cmath>

namespace tavrel::table {

std::optional<Measure> MeasureNamed(std::string_view name) {
    for (const MeasureInfo& info : kMeasures) {
        bool same = name.size() == info.name.size();
        for (std::size_t i = 0; same && i < name.size(); ++i) {
            same = (name[i] & ~0x20) == info.name[i]; // the names are upper-case letters
        }
        if (same) {
            return info.measure;
        }
    }
    return std::nullopt;
}

double Shown(Transform transform, double value) {
    switch (transform) {
    case Transform::Exp:
        return std::exp(value);
    case Transform::ZToR:
        return std::tanh(value);
    case Transform::None:
        break;
    }
    return value;
}

} // namespace tavrel::table
