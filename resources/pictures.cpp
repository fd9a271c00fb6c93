#include "resources/pictures.h"

namespace tavrel::pictures {

namespace {

// Each picture has its own slot, filled on first use.
template <const char* Name> platform::PictureRef Cached() {
    static platform::CachedPicture slot(QString::fromLatin1(Name));
    return slot.Get();
}

constexpr char kNameBadge[] = "name-badge";
constexpr char kNormalCurves[] = "normal-curves";
constexpr char kPooledSD[] = "pooled-sd-equation";
constexpr char kUnbiasedD[] = "unbiased-d-equation";
constexpr char kCohensD[] = "cohens-d-equation";
constexpr char kCommonLanguage[] = "common-language-equation";
constexpr char kUnbiasedDSD[] = "unbiased-d-sd-equation";
constexpr char kInformationIcon[] = "information-icon";

} // namespace

platform::PictureRef NameBadge() {
    return Cached<kNameBadge>();
}
platform::PictureRef NormalCurves() {
    return Cached<kNormalCurves>();
}
platform::PictureRef PooledSDEquation() {
    return Cached<kPooledSD>();
}
platform::PictureRef UnbiasedDEquation() {
    return Cached<kUnbiasedD>();
}
platform::PictureRef CohensDEquation() {
    return Cached<kCohensD>();
}
platform::PictureRef CommonLanguageEquation() {
    return Cached<kCommonLanguage>();
}
platform::PictureRef UnbiasedDSDEquation() {
    return Cached<kUnbiasedDSD>();
}
platform::PictureRef InformationIcon() {
    return Cached<kInformationIcon>();
}

} // namespace tavrel::pictures
