#pragma once
// Run-time routines for text, numbers and dates with the settings of a Spanish workstation,
// whatever the machine's locale. The settings are a plain global the program may change.
#include "platform/rtl/Currency.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Variant.h"

#include <QChar>
#include <QDateTime>
#include <QString>
#include <array>
#include <initializer_list>
#include <type_traits>
#include <vector>

// ---------------------------------------------------------------------------------------------
// Format settings

struct TFormatSettings {
    QChar DecimalSeparator;
    QChar ThousandSeparator;
    QChar DateSeparator;
    QChar TimeSeparator;
    QString ShortDateFormat;
    QString LongDateFormat;
    QString ShortTimeFormat;
    QString LongTimeFormat;
    QString TimeAMString;
    QString TimePMString;
    std::array<QString, 12> ShortMonthNames;  // [0] = January
    std::array<QString, 12> LongMonthNames;
    std::array<QString, 7> ShortDayNames;  // [0] = Sunday
    std::array<QString, 7> LongDayNames;
    QString CurrencyString;
    int CurrencyFormat = 3;  // 0 "€1", 1 "1€", 2 "€ 1", 3 "1 €"
    int NegCurrFormat = 8;   // 0..15 as the class library numbers them; 8 = "-1 €"
    int CurrencyDecimals = 2;
    int TwoDigitYearCenturyWindow = 0;

    // The values of a Spanish (Spain) workstation.
    static TFormatSettings Spanish();
};

// The settings every routine below reads unless given its own.
extern TFormatSettings FormatSettings;

// ---------------------------------------------------------------------------------------------
// Formatting

// "%[index:][-][width][.prec]type" with d u s n f m x e g; "*" takes width or precision from the
// arguments. A bad format or a wrong argument raises EConvertError.
QString Format(const QString& fmt, const std::vector<Variant>& args);
QString Format(const QString& fmt, const std::vector<Variant>& args, const TFormatSettings& fs);
namespace platform::rtl {
// Wraps one argument of the Format convenience form: any integer (sizes, enums) as an integer,
// a character as text.
template <class T>
Variant FormatArg(const T& v) {
    if constexpr (std::is_same_v<T, bool>) return Variant(v);
    else if constexpr (std::is_same_v<T, char> || std::is_same_v<T, QChar>) return Variant(QString(QChar(v)));
    else if constexpr (std::is_integral_v<T> || std::is_enum_v<T>) return Variant(qint64(v));
    else if constexpr (std::is_floating_point_v<T>) return Variant(double(v));
    else return Variant(v);
}
}  // namespace platform::rtl

template <class... Args>
QString Format(const QString& fmt, const Args&... args) {
    return Format(fmt, std::vector<Variant>{platform::rtl::FormatArg(args)...});
}

// Picture formats: "positive;negative;zero" sections of 0 # , . E+ E- and literal text.
QString FormatFloat(const QString& fmt, double value);
QString FormatFloat(const QString& fmt, double value, const TFormatSettings& fs);
QString FormatCurr(const QString& fmt, Currency value);
QString FormatCurr(const QString& fmt, Currency value, const TFormatSettings& fs);

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };
QString FloatToStr(double value);
QString FloatToStr(double value, const TFormatSettings& fs);
QString FloatToStrF(double value, TFloatFormat format, int precision, int digits);
QString FloatToStrF(double value, TFloatFormat format, int precision, int digits, const TFormatSettings& fs);
QString CurrToStr(Currency value);
QString CurrToStrF(Currency value, TFloatFormat format, int digits);

QString FormatDateTime(const QString& fmt, TDateTime value);
QString FormatDateTime(const QString& fmt, TDateTime value, const TFormatSettings& fs);
QString DateToStr(TDateTime value);
QString TimeToStr(TDateTime value);
QString DateTimeToStr(TDateTime value);

// ---------------------------------------------------------------------------------------------
// Conversions from text ("'%s' is not a valid ..." EConvertError on failure)

QString IntToStr(int value);
QString IntToStr(qint64 value);
QString IntToHex(int value, int digits);
QString IntToHex(qint64 value, int digits);
int StrToInt(const QString& s);
int StrToIntDef(const QString& s, int def);
bool TryStrToInt(const QString& s, int& value);
qint64 StrToInt64(const QString& s);
qint64 StrToInt64Def(const QString& s, qint64 def);
bool TryStrToInt64(const QString& s, qint64& value);

double StrToFloat(const QString& s);
double StrToFloat(const QString& s, const TFormatSettings& fs);
double StrToFloatDef(const QString& s, double def);
bool TryStrToFloat(const QString& s, double& value);
bool TryStrToFloat(const QString& s, double& value, const TFormatSettings& fs);
Currency StrToCurr(const QString& s);
Currency StrToCurrDef(const QString& s, Currency def);
bool TryStrToCurr(const QString& s, Currency& value);

TDateTime StrToDate(const QString& s);
TDateTime StrToDateDef(const QString& s, TDateTime def);
bool TryStrToDate(const QString& s, TDateTime& value);
bool TryStrToDate(const QString& s, TDateTime& value, const TFormatSettings& fs);
TDateTime StrToTime(const QString& s);
TDateTime StrToTimeDef(const QString& s, TDateTime def);
bool TryStrToTime(const QString& s, TDateTime& value);
TDateTime StrToDateTime(const QString& s);
TDateTime StrToDateTimeDef(const QString& s, TDateTime def);
bool TryStrToDateTime(const QString& s, TDateTime& value);

// ---------------------------------------------------------------------------------------------
// Dates

inline constexpr std::array<std::array<int, 12>, 2> MonthDays{{
    {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
    {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
}};
bool IsLeapYear(int year);
// Years 1..9999; anything else raises EConvertError("Invalid argument to date encode").
TDateTime EncodeDate(int year, int month, int day);
bool TryEncodeDate(int year, int month, int day, TDateTime& date);
TDateTime EncodeTime(int hour, int min, int sec, int msec);
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& time);
void DecodeDate(TDateTime date, int& year, int& month, int& day);
// dow: 1 = Sunday; returns whether the year is a leap year.
bool DecodeDateFully(TDateTime date, int& year, int& month, int& day, int& dow);
void DecodeTime(TDateTime time, int& hour, int& min, int& sec, int& msec);
int DayOfWeek(TDateTime date);  // 1 = Sunday .. 7 = Saturday
TDateTime Date();
TDateTime Time();
// The order of day, month and year in a date format: that of the first of the letters D, M or Y
// (any case); DMY when there is none.
enum class TDateOrder { DMY, MDY, YMD };
TDateOrder DateOrderOf(const QString& dateFormat);
TDateTime Now();
namespace platform::rtl {
// The program's clock, which Date(), Time() and Now() read: the system's clock moved by an offset,
// zero unless a test puts the program at another moment (a run across midnight, a new year).
QDateTime ClockNow();
void SetClockOffset(qint64 msecs);
qint64 ClockOffset();
// The offset that makes the program's clock read `moment` now.
void SetClockTo(const QDateTime& moment);
}  // namespace platform::rtl
void ReplaceDate(TDateTime& dateTime, TDateTime newDate);
void ReplaceTime(TDateTime& dateTime, TDateTime newTime);

// ---------------------------------------------------------------------------------------------
// Strings; positions count from 1

QString Trim(const QString& s);  // strips blanks and control characters
QString TrimLeft(const QString& s);
QString TrimRight(const QString& s);
QString UpperCase(const QString& s);  // a..z only
QString LowerCase(const QString& s);
QString AnsiUpperCase(const QString& s);  // accents and ñ too
QString AnsiLowerCase(const QString& s);
int CompareStr(const QString& a, const QString& b);
int CompareText(const QString& a, const QString& b);  // ignores a..z case only
bool SameText(const QString& a, const QString& b);
// Spanish dictionary order: accents weigh less than letters, "ñ" follows "n".
int AnsiCompareStr(const QString& a, const QString& b);
int AnsiCompareText(const QString& a, const QString& b);
bool AnsiSameText(const QString& a, const QString& b);

int Pos(const QString& sub, const QString& s);  // 0 when absent
QString Copy(const QString& s, int index, int count);
void Delete(QString& s, int index, int count);
void Insert(const QString& sub, QString& s, int index);
QString StringOfChar(QChar ch, int count);

QString QuotedStr(const QString& s);
QString AnsiQuotedStr(const QString& s, QChar quote);
// Takes the quoted text at the start of src (doubled quotes undone) and leaves the rest in src;
// gives "" and leaves src alone when it does not start with the quote.
QString AnsiExtractQuotedStr(QString& src, QChar quote);

enum TReplaceFlag { rfReplaceAll = 1, rfIgnoreCase = 2 };
class TReplaceFlags {
public:
    TReplaceFlags() = default;
    TReplaceFlags(TReplaceFlag f) : FBits(unsigned(f)) {}
    TReplaceFlags(std::initializer_list<TReplaceFlag> flags) {
        for (TReplaceFlag f : flags) FBits |= unsigned(f);
    }
    bool Contains(TReplaceFlag f) const { return (FBits & unsigned(f)) != 0; }

private:
    unsigned FBits = 0;
};
QString StringReplace(const QString& s, const QString& oldPattern, const QString& newPattern, TReplaceFlags flags);
