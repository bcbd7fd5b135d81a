#pragma once
// TDateTime: days since 30/12/1899 with the time as fraction; 0 means "no date".
// A thin strong type over double, so overloads (Variant, fields) can tell dates from numbers
// while arithmetic reads as it does on a double.
struct TDateTime {
    double Val = 0.0;
    constexpr TDateTime() = default;
    constexpr TDateTime(double v) : Val(v) {}
    constexpr operator double() const { return Val; }
    TDateTime& operator+=(double d) { Val += d; return *this; }
    TDateTime& operator-=(double d) { Val -= d; return *this; }
};

// Days between 01/01/0001 and 30/12/1899, for conversions through day counts.
inline constexpr int DateDelta = 693594;
inline constexpr double MSecsPerDay = 86400000.0;
