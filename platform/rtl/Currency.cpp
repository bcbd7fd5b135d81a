#include "platform/rtl/Currency.h"
#include "platform/rtl/Exceptions.h"

#include <cmath>

namespace {
// Round half to even on an exact-ish scaled value; the scaled double is rounded to 9 significant
// decimals after the point first so that 0.12345 (stored as 0.1234499999...) counts as a tie.
qint64 roundHalfEven(long double x) {
    long double fl = std::floor(x);
    long double diff = x - fl;
    const long double eps = 1e-9L * std::max<long double>(1.0L, std::fabs(x)) * 1e-3L;
    if (std::fabs(diff - 0.5L) <= eps) {
        qint64 f = qint64(fl);
        return (f % 2 == 0) ? f : f + 1;
    }
    return qint64(std::llroundl(x));
}
}  // namespace

qint64 Currency::FromDouble(double value) {
    if (std::isnan(value)) throw EInvalidOperation(QStringLiteral("Invalid floating point operation"));
    long double scaled = (long double)value * Scale;
    if (scaled > 9.2233720368547e18L || scaled < -9.2233720368547e18L)
        throw EOverflow(QStringLiteral("Floating point overflow"));
    return roundHalfEven(scaled);
}

Currency Currency::operator*(Currency o) const {
    long double r = (long double)FValue * (long double)o.FValue / Scale;
    return FromRaw(roundHalfEven(r));
}

Currency Currency::operator/(Currency o) const {
    if (o.FValue == 0) throw EZeroDivide(QStringLiteral("Floating point division by zero"));
    long double r = (long double)FValue * Scale / (long double)o.FValue;
    return FromRaw(roundHalfEven(r));
}
