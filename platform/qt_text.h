#pragma once

#include <QString>
#include <string_view>

namespace tavrel::platform {

// Layout tables and the engine hold UTF-8 texts; Qt wants QString.
inline QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace tavrel::platform
