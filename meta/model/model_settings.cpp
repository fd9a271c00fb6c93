#include "meta/model/model_settings.h"

namespace tavrel::meta {

namespace {

template <class T, std::size_t N>
std::string_view NameIn(const std::array<Named<T>, N>& names, T value) {
    for (const auto& [name, named] : names) {
        if (named == value) {
            return name;
        }
    }
    return {};
}

} // namespace

std::string_view Name(Method method) {
    return NameIn(kMethodNames, method);
}

std::string_view Name(Test test) {
    return NameIn(kTestNames, test);
}

} // namespace tavrel::meta
