#pragma once
// What every text converter shares, for the run-time units only: the strict form raises
// EConvertError naming the text it could not read; the other falls back to a default.
#include "platform/rtl/Exceptions.h"

#include <QString>

namespace platform::rtl::convert {

template <typename T, typename Try>
T Strict(const QString& s, Try tryRead, const char* pattern) {
    T v{};
    if (!tryRead(s, v)) throw EConvertError(QString::fromLatin1(pattern).arg(s));
    return v;
}

template <typename T, typename Try>
T OrDefault(const QString& s, T def, Try tryRead) {
    T v{};
    return tryRead(s, v) ? v : def;
}

}  // namespace platform::rtl::convert
