#pragma once
// Money as 64-bit fixed point with four decimals; conversions from floating point round half to even.
#include <QtGlobal>
#include <compare>

class Currency {
public:
    static constexpr qint64 Scale = 10000;
    constexpr Currency() = default;
    Currency(double value) : FValue(FromDouble(value)) {}
    Currency(int value) : FValue(qint64(value) * Scale) {}
    Currency(qint64 value) : FValue(value * Scale) {}

    static constexpr Currency FromRaw(qint64 raw) { Currency c; c.FValue = raw; return c; }
    constexpr qint64 Raw() const { return FValue; }
    double ToDouble() const { return double(FValue) / double(Scale); }
    explicit operator double() const { return ToDouble(); }

    Currency operator-() const { return FromRaw(-FValue); }
    Currency operator+(Currency o) const { return FromRaw(FValue + o.FValue); }
    Currency operator-(Currency o) const { return FromRaw(FValue - o.FValue); }
    Currency operator*(Currency o) const;
    Currency operator/(Currency o) const;
    Currency& operator+=(Currency o) { FValue += o.FValue; return *this; }
    Currency& operator-=(Currency o) { FValue -= o.FValue; return *this; }
    Currency& operator*=(Currency o) { return *this = *this * o; }
    Currency& operator/=(Currency o) { return *this = *this / o; }
    constexpr bool operator==(const Currency&) const = default;
    constexpr std::strong_ordering operator<=>(const Currency&) const = default;

    // Rounds a double scaled by 10000 to the nearest unit, ties to even; raises EOverflow out of range.
    static qint64 FromDouble(double value);

private:
    qint64 FValue = 0;
};
