#include "resources/pictures.h"

namespace tavrel::pictures {

namespace {

template <int Number> platform::PictureRef Permanent() {
    static platform::PermanentPicture slot(Number);
    return slot.Get();
}

} // namespace

platform::PictureRef VeskhzSm() {
    return Permanent<168>();
}
platform::PictureRef d() {
    return Permanent<169>();
}
platform::PictureRef SpEqt() {
    return Permanent<170>();
}
platform::PictureRef duEqt() {
    return Permanent<171>();
}
platform::PictureRef dEqt() {
    return Permanent<172>();
}
platform::PictureRef CLEqt() {
    return Permanent<173>();
}
platform::PictureRef SdEqt() {
    return Permanent<174>();
}
platform::PictureRef Question() {
    return Permanent<175>();
}

} // namespace tavrel::pictures
