#include "controls/visual/DateHelpers.h"
#include "controls/visual/BitmapHelpers.h"
#include "platform/rtl/SysUtils.h"

#include "platform/rtl/Exceptions.h"

#include <QDate>

#include <cmath>

quint8 CenturyWindow = 30;
bool FourDigitYear = true;

namespace controls::visual {
void InitDateHelpers() { FourDigitYear = FormatSettings.ShortDateFormat.toUpper().contains(QLatin1String("YYYY")); }
}  // namespace controls::visual

namespace {

constexpr int kMonthDays[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
// 01/01/0001 and 01/01/10000 as day numbers.
constexpr double kFirstDay = -693593.0;
constexpr double kPastLastDay = 2958466.0;

bool Decodable(TDateTime date) {
    const double v = date;
    return std::isfinite(v) && v >= kFirstDay && v < kPastLastDay;
}

void SafeDecode(TDateTime date, int& y, int& m, int& d) {
    if (!Decodable(date))
        throw EConvertError(QStringLiteral("Invalid argument to date decode"));
    DecodeDate(date, y, m, d);
}

bool IsDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// Positions are 1-based as the scanning rules count them.
class Scanner {
public:
    explicit Scanner(const QString& s, int& pos) : S(s), Pos(pos) {}

    void SkipBlanks() {
        while (Pos >= 1 && Pos <= S.size() && S.at(Pos - 1) == QLatin1Char(' '))
            ++Pos;
    }

    // Digits end at the first non-digit or once the value reaches four digits.
    bool Number(int& value) {
        SkipBlanks();
        quint16 n = 0;
        bool any = false;
        while (Pos >= 1 && Pos <= S.size() && IsDigit(S.at(Pos - 1)) && n < 1000) {
            n = quint16(n * 10 + (S.at(Pos - 1).unicode() - '0'));
            ++Pos;
            any = true;
        }
        if (any)
            value = n;
        return any;
    }

    bool Char(QChar c) {
        SkipBlanks();
        if (Pos >= 1 && Pos <= S.size() && S.at(Pos - 1) == c) {
            ++Pos;
            return true;
        }
        return false;
    }

    const QString& S;
    int& Pos;
};

int MonthByName(const QString& text) {
    for (int m = 1; m <= 12; ++m) {
        const QString& name = FormatSettings.LongMonthNames[m - 1];
        if (name.isEmpty() || name.size() < text.size())
            continue;
        if (QStringView(name).left(text.size()).compare(text, Qt::CaseInsensitive) == 0)
            return m;
    }
    return -1;
}

// One field of the text at the place the format gives it.
int MaskField(const QString& fmt, const QString& s, QChar letter, int width, int defaultValue, int failValue) {
    if (s.size() > fmt.size())
        return defaultValue;
    const qsizetype counted = s.size();
    const QString upper = fmt.toUpper();
    const QChar key = letter.toUpper();
    qsizetype p = upper.indexOf(QString(width, key));
    if (p < 0)
        return defaultValue;
    QString collected;
    while (p < counted && upper.at(p) == key && collected.size() < 20) {
        if (s.at(p) != QLatin1Char(' '))
            collected += s.at(p);
        ++p;
    }
    if (collected.isEmpty())
        return failValue;
    if (width < 2) {
        bool ok = false;
        const int v = collected.toInt(&ok, 10);
        return ok ? v : failValue;
    }
    const int m = MonthByName(collected);
    return m > 0 ? m : failValue;
}

}  // namespace

int DaysPerMonth(int year, int month) {
    if (month < 1 || month > 12)
        return 0;
    return kMonthDays[month] + ((month == 2 && IsLeapYear(year)) ? 1 : 0);
}

int ExtractDay(TDateTime date) {
    int y, m, d;
    SafeDecode(date, y, m, d);
    return d;
}

int ExtractMonth(TDateTime date) {
    int y, m, d;
    SafeDecode(date, y, m, d);
    return m;
}

int ExtractYear(TDateTime date) {
    int y, m, d;
    SafeDecode(date, y, m, d);
    return y;
}

TDateTime IncDate(TDateTime date, int days, int months, int years) {
    int y, m, d;
    SafeDecode(date, y, m, d);
    y += years + months / 12;
    m += months % 12;
    if (m < 1) {
        m += 12;
        --y;
    } else if (m > 12) {
        m -= 12;
        ++y;
    }
    const int last = DaysPerMonth(y, m);
    if (d > last)
        d = last;
    const double time = double(date) - std::trunc(double(date));
    return TDateTime(double(EncodeDate(y, m, d)) + days + time);
}

TDateTime IncDay(TDateTime date, int days) { return TDateTime(double(date) + days); }

TDateTime IncMonth(TDateTime date, int months) { return IncDate(date, 0, months, 0); }

TDateTime IncYear(TDateTime date, int years) { return IncDate(date, 0, 0, years); }

bool ValidDateParts(int year, int month, int day) {
    if (year <= 0 || year > 9999 || month <= 0 || month > 12 || day <= 0)
        return false;
    return day <= DaysPerMonth(year, month);
}

bool IsValidDate(TDateTime date) {
    try {
        int y, m, d;
        SafeDecode(date, y, m, d);
        return ValidDateParts(y, m, d);
    } catch (const Exception&) {
        return false;
    }
}

int CurrentYear() { return platform::rtl::ClockNow().date().year(); }

int ExpandYear(int year) {
    if (year >= 100)
        return year;
    const int current = CurrentYear();
    const int century = (current / 100) * 100;
    const int twoDigits = current - century;
    return year > twoDigits + int(CenturyWindow) - 100 ? century + year : century + 100 + year;
}

bool ScanDate(const QString& s, const QString& dateFormat, int& pos, int& year, int& month, int& day) {
    year = month = day = 0;
    const TDateOrder order = DateOrderOf(dateFormat);
    const QChar sep = FormatSettings.DateSeparator;
    Scanner sc(s, pos);
    int n1 = 0, n2 = 0, n3 = 0;
    if (!sc.Number(n1) || !sc.Char(sep) || !sc.Number(n2))
        return false;
    if (sc.Char(sep)) {
        if (!sc.Number(n3))
            return false;
        switch (order) {
        case TDateOrder::MDY: month = n1; day = n2; year = n3; break;
        case TDateOrder::DMY: day = n1; month = n2; year = n3; break;
        case TDateOrder::YMD: year = n1; month = n2; day = n3; break;
        }
        year = ExpandYear(year);
    } else {
        year = CurrentYear();
        if (order == TDateOrder::DMY) {
            day = n1;
            month = n2;
        } else {
            month = n1;
            day = n2;
        }
    }
    sc.Char(sep);
    sc.SkipBlanks();
    return ValidDateParts(year, month, day) && pos > s.size();
}

bool ScanDateByMask(const QString& dateFormat, const QString& s, int& day, int& year, int& month) {
    month = MaskField(dateFormat, s, QLatin1Char('m'), 3, 0, -1);
    if (month == 0)
        month = MaskField(dateFormat, s, QLatin1Char('m'), 1, 0, -1);
    day = MaskField(dateFormat, s, QLatin1Char('d'), 1, 1, -1);
    year = MaskField(dateFormat, s, QLatin1Char('y'), 1, CurrentYear(), -1);
    // An unreadable year stays unreadable: widening the failure mark would invent a year.
    if (year >= 0)
        year = ExpandYear(year);
    if (ValidDateParts(year, month, day))
        return true;
    int pos = 1;
    return ScanDate(s, dateFormat, pos, year, month, day);
}

bool StrToDateFmtCore(const QString& dateFormat, const QString& s, TDateTime& date) {
    if (s.isEmpty()) {
        date = TDateTime(0.0);
        return true;
    }
    int d = 0, y = 0, m = 0;
    if (!ScanDateByMask(dateFormat, s, d, y, m))
        return false;
    try {
        date = EncodeDate(y, m, d);
        return true;
    } catch (const Exception&) {
        return false;
    }
}

TDateTime StrToDateFmt(const QString& dateFormat, const QString& s) {
    TDateTime date;
    if (!StrToDateFmtCore(dateFormat, s, date))
        throw EConvertError(Format(ResStr(61599), s));
    return date;
}

TDateTime StrToDateFmtDef(const QString& dateFormat, const QString& s, TDateTime defaultDate) {
    TDateTime date;
    if (!StrToDateFmtCore(dateFormat, s, date))
        return TDateTime(std::trunc(double(defaultDate)));
    return date;
}

QString DefDateFormat(bool fourDigitYear) {
    switch (DateOrderOf(FormatSettings.ShortDateFormat)) {
    case TDateOrder::MDY: return fourDigitYear ? QStringLiteral("MM/DD/YYYY") : QStringLiteral("MM/DD/YY");
    case TDateOrder::YMD: return fourDigitYear ? QStringLiteral("YYYY/MM/DD") : QStringLiteral("YY/MM/DD");
    case TDateOrder::DMY: break;
    }
    return fourDigitYear ? QStringLiteral("DD/MM/YYYY") : QStringLiteral("DD/MM/YY");
}

QString DefDateMask(QChar blank, bool fourDigitYear) {
    QString mask;
    if (!fourDigitYear)
        mask = QStringLiteral("!99/99/99;1;");
    else if (DateOrderOf(FormatSettings.ShortDateFormat) == TDateOrder::YMD)
        mask = QStringLiteral("!9999/99/99;1;");
    else
        mask = QStringLiteral("!99/99/9999;1;");
    return mask + blank;
}
