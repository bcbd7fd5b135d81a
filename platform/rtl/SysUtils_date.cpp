// Calendar arithmetic, FormatDateTime and reading dates and times from text.
// Day 0 is 30/12/1899; before it the day is the whole part (towards zero) and the time is the
// absolute fraction, so -1.25 is 29/12/1899 06:00.
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/SysUtils_convert.h"

#include <QDateTime>
#include <atomic>
#include <cmath>

namespace {

constexpr qint64 MSecsInDay = 86400000;

// Day number counting 01/01/0001 as 1 and milliseconds into the day.
struct TStamp {
    qint64 Day = 0;
    qint64 MSec = 0;
};

TStamp toStamp(double dt) {
    TStamp t;
    if (!std::isfinite(dt) || std::fabs(dt) > 1e8) return t;
    double whole = std::trunc(dt);
    qint64 ms = std::llround(std::fabs(dt - whole) * MSecsPerDay);
    t.Day = qint64(whole) + DateDelta;
    if (ms >= MSecsInDay) {  // 23:59:59.9996 shows as the next midnight
        ms -= MSecsInDay;
        t.Day += 1;
    }
    t.MSec = ms;
    return t;
}

QString pad(int value, int digits) {
    QString s = QString::number(value);
    return s.size() < digits ? QString(digits - s.size(), QLatin1Char('0')) + s : s;
}

// pad() appended in place: dates print row after row in lists.
void appendPadded(QString& out, int value, int digits) {
    if (value < 0) {
        out += pad(value, digits);
        return;
    }
    char buf[12];
    int n = 0;
    do {
        buf[n++] = char('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (int i = n; i < digits; ++i) out += QLatin1Char('0');
    while (n > 0) out += QLatin1Char(buf[--n]);
}

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

bool TryEncodeDate(int year, int month, int day, TDateTime& date) {
    if (year < 1 || year > 9999 || month < 1 || month > 12) return false;
    const auto& days = MonthDays[IsLeapYear(year) ? 1 : 0];
    if (day < 1 || day > days[month - 1]) return false;
    for (int i = 0; i < month - 1; ++i) day += days[i];
    const int y = year - 1;
    date = TDateTime(double(qint64(y) * 365 + y / 4 - y / 100 + y / 400 + day - DateDelta));
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime d;
    if (!TryEncodeDate(year, month, day, d)) throw EConvertError(QStringLiteral("Invalid argument to date encode"));
    return d;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& time) {
    if (hour < 0 || hour >= 24 || min < 0 || min >= 60 || sec < 0 || sec >= 60 || msec < 0 || msec >= 1000)
        return false;
    time = TDateTime(double(qint64(hour) * 3600000 + min * 60000 + sec * 1000 + msec) / MSecsPerDay);
    return true;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
    TDateTime t;
    if (!TryEncodeTime(hour, min, sec, msec, t)) throw EConvertError(QStringLiteral("Invalid argument to time encode"));
    return t;
}

bool DecodeDateFully(TDateTime date, int& year, int& month, int& day, int& dow) {
    qint64 t = toStamp(date).Day;
    if (t <= 0) {
        year = month = day = dow = 0;
        return false;
    }
    dow = int(t % 7) + 1;
    --t;
    qint64 y = 1;
    constexpr qint64 D1 = 365, D4 = D1 * 4 + 1, D100 = D4 * 25 - 1, D400 = D100 * 4 + 1;
    y += (t / D400) * 400;
    t %= D400;
    qint64 i = t / D100, d = t % D100;
    if (i == 4) {
        --i;
        d += D100;
    }
    y += i * 100;
    i = d / D4;
    d %= D4;
    y += i * 4;
    i = d / D1;
    d %= D1;
    if (i == 4) {
        --i;
        d += D1;
    }
    y += i;
    const bool leap = IsLeapYear(int(y));
    const auto& days = MonthDays[leap ? 1 : 0];
    int m = 0;
    while (d >= days[m]) {
        d -= days[m];
        ++m;
    }
    year = int(y);
    month = m + 1;
    day = int(d) + 1;
    return leap;
}

void DecodeDate(TDateTime date, int& year, int& month, int& day) {
    int dow;
    DecodeDateFully(date, year, month, day, dow);
}

void DecodeTime(TDateTime time, int& hour, int& min, int& sec, int& msec) {
    qint64 ms = toStamp(time).MSec;
    hour = int(ms / 3600000);
    min = int(ms / 60000 % 60);
    sec = int(ms / 1000 % 60);
    msec = int(ms % 1000);
}

int DayOfWeek(TDateTime date) {
    qint64 t = toStamp(date).Day;
    return int(((t % 7) + 7) % 7) + 1;
}

namespace {
// Constant-initialised: the working year is read while the program's globals are made.
std::atomic<qint64> gClockOffset{0};
}  // namespace

QDateTime platform::rtl::ClockNow() {
    const qint64 offset = gClockOffset.load(std::memory_order_relaxed);
    const QDateTime now = QDateTime::currentDateTime();
    return offset == 0 ? now : now.addMSecs(offset);
}

void platform::rtl::SetClockOffset(qint64 msecs) { gClockOffset.store(msecs, std::memory_order_relaxed); }

qint64 platform::rtl::ClockOffset() { return gClockOffset.load(std::memory_order_relaxed); }

void platform::rtl::SetClockTo(const QDateTime& moment) {
    SetClockOffset(QDateTime::currentDateTime().msecsTo(moment));
}

TDateTime Date() {
    const QDate d = platform::rtl::ClockNow().date();
    return EncodeDate(d.year(), d.month(), d.day());
}

TDateTime Time() {
    const QTime t = platform::rtl::ClockNow().time();
    return EncodeTime(t.hour(), t.minute(), t.second(), t.msec());
}

TDateTime Now() {
    const QDateTime now = platform::rtl::ClockNow();
    const QDate d = now.date();
    const QTime t = now.time();
    return TDateTime(EncodeDate(d.year(), d.month(), d.day()) + EncodeTime(t.hour(), t.minute(), t.second(), t.msec()));
}

void ReplaceTime(TDateTime& dateTime, TDateTime newTime) {
    double day = std::trunc(dateTime.Val);
    double f = std::fabs(newTime.Val - std::trunc(newTime.Val));
    dateTime = TDateTime(day >= 0 ? day + f : day - f);
}

void ReplaceDate(TDateTime& dateTime, TDateTime newDate) {
    double f = std::fabs(dateTime.Val - std::trunc(dateTime.Val));
    double day = std::trunc(newDate.Val);
    dateTime = TDateTime(day >= 0 ? day + f : day - f);
}

// ---------------------------------------------------------------------------------------------
// FormatDateTime

namespace {

struct TDateParts {
    double Value;
    bool HaveDate = false, HaveTime = false;
    int Year = 0, Month = 0, Day = 0, Dow = 0;
    int Hour = 0, Min = 0, Sec = 0, MSec = 0;
    void NeedDate() {
        if (!HaveDate) DecodeDateFully(Value, Year, Month, Day, Dow);
        HaveDate = true;
    }
    void NeedTime() {
        if (!HaveTime) DecodeTime(Value, Hour, Min, Sec, MSec);
        HaveTime = true;
    }
};

bool startsWithNoCase(const QString& s, int i, const char* what) {
    return QStringView(s).mid(i).startsWith(QLatin1String(what), Qt::CaseInsensitive);
}

void appendFormat(QString& out, const QString& fmt, TDateParts& v, const TFormatSettings& fs, int depth) {
    if (depth >= 2) return;  // nested short/long formats stop here
    QChar lastToken;
    const int n = fmt.size();
    int i = 0;
    while (i < n) {
        const QChar c = fmt[i];
        int count = 1;
        while (i + count < n && fmt[i + count] == c) ++count;
        QChar token = c.toUpper();
        if (c.unicode() < 128 && c.isLetter()) {
            if (token == QLatin1Char('M') && lastToken == QLatin1Char('H')) token = QLatin1Char('N');
            lastToken = token;
        }
        switch (token.unicode()) {
            case 'Y':
                v.NeedDate();
                appendPadded(out, count <= 2 ? v.Year % 100 : v.Year, count <= 2 ? 2 : 4);
                i += count;
                break;
            case 'M':
                v.NeedDate();
                if (count <= 2) appendPadded(out, v.Month, count);
                else if (v.Month >= 1) out += count == 3 ? fs.ShortMonthNames[v.Month - 1] : fs.LongMonthNames[v.Month - 1];
                i += count;
                break;
            case 'D':
                v.NeedDate();
                if (count <= 2) appendPadded(out, v.Day, count);
                else if (count == 3) out += v.Dow >= 1 ? fs.ShortDayNames[v.Dow - 1] : QString();
                else if (count == 4) out += v.Dow >= 1 ? fs.LongDayNames[v.Dow - 1] : QString();
                else if (count == 5) appendFormat(out, fs.ShortDateFormat, v, fs, depth + 1);
                else appendFormat(out, fs.LongDateFormat, v, fs, depth + 1);
                i += count;
                break;
            case 'H': {
                v.NeedTime();
                // A 12-hour clock when an am/pm marker follows before the next hour.
                bool twelve = false, quoted = false;
                for (int j = i + count; j < n; ++j) {
                    QChar p = fmt[j];
                    if (p == QLatin1Char('\'') || p == QLatin1Char('"')) quoted = !quoted;
                    else if (!quoted && (p == QLatin1Char('a') || p == QLatin1Char('A'))) {
                        twelve = startsWithNoCase(fmt, j, "am/pm") || startsWithNoCase(fmt, j, "a/p") ||
                                 startsWithNoCase(fmt, j, "ampm");
                        break;
                    } else if (!quoted && (p == QLatin1Char('h') || p == QLatin1Char('H'))) {
                        break;
                    }
                }
                int h = v.Hour;
                if (twelve) {
                    h %= 12;
                    if (h == 0) h = 12;
                }
                appendPadded(out, h, std::min(count, 2));
                i += count;
                break;
            }
            case 'N':
                v.NeedTime();
                appendPadded(out, v.Min, std::min(count, 2));
                i += count;
                break;
            case 'S':
                v.NeedTime();
                appendPadded(out, v.Sec, std::min(count, 2));
                i += count;
                break;
            case 'Z':
                v.NeedTime();
                appendPadded(out, v.MSec, std::min(count, 3));
                i += count;
                break;
            case 'T':
                appendFormat(out, count == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, v, fs, depth + 1);
                i += count;
                break;
            case 'C':
                v.NeedTime();
                appendFormat(out, fs.ShortDateFormat, v, fs, depth + 1);
                if (v.Hour != 0 || v.Min != 0 || v.Sec != 0) {
                    out += QLatin1Char(' ');
                    appendFormat(out, fs.LongTimeFormat, v, fs, depth + 1);
                }
                i += count;
                break;
            case 'A':
                v.NeedTime();
                if (startsWithNoCase(fmt, i, "am/pm")) {
                    out += v.Hour >= 12 ? fmt.mid(i + 3, 2) : fmt.mid(i, 2);
                    i += 5;
                } else if (startsWithNoCase(fmt, i, "a/p")) {
                    out += v.Hour >= 12 ? fmt[i + 2] : fmt[i];
                    i += 3;
                } else if (startsWithNoCase(fmt, i, "ampm")) {
                    out += v.Hour >= 12 ? fs.TimePMString : fs.TimeAMString;
                    i += 4;
                } else {
                    out += c;
                    ++i;
                }
                break;
            case '/':
                out += fs.DateSeparator;
                ++i;
                break;
            case ':':
                out += fs.TimeSeparator;
                ++i;
                break;
            case '\'':
            case '"': {
                int j = fmt.indexOf(c, i + 1);
                if (j < 0) j = n;
                out += fmt.mid(i + 1, j - i - 1);
                i = j + 1;
                break;
            }
            default:
                out += c;
                ++i;
                break;
        }
    }
}

}  // namespace

QString FormatDateTime(const QString& fmt, TDateTime value, const TFormatSettings& fs) {
    TDateParts parts{value.Val};
    QString out;
    appendFormat(out, fmt.isEmpty() ? QStringLiteral("c") : fmt, parts, fs, 0);
    return out;
}

QString FormatDateTime(const QString& fmt, TDateTime value) { return FormatDateTime(fmt, value, FormatSettings); }
QString DateToStr(TDateTime value) { return FormatDateTime(FormatSettings.ShortDateFormat, value); }
QString TimeToStr(TDateTime value) { return FormatDateTime(FormatSettings.LongTimeFormat, value); }
QString DateTimeToStr(TDateTime value) { return FormatDateTime(QStringLiteral("c"), value); }

// ---------------------------------------------------------------------------------------------
// Reading dates and times

namespace {

class TScanner {
public:
    TScanner(const QString& s) : S(s) {}
    const QString& S;
    int Pos = 0;

    void Blanks() {
        while (Pos < S.size() && S[Pos] == QLatin1Char(' ')) ++Pos;
    }
    bool AtEnd() {
        Blanks();
        return Pos >= S.size();
    }
    // Digits until the value reaches four figures; `digits` tells how many were read.
    bool Number(int& value, int& digits) {
        Blanks();
        value = 0;
        digits = 0;
        while (Pos < S.size() && S[Pos].unicode() >= '0' && S[Pos].unicode() <= '9' && value < 1000) {
            value = value * 10 + (S[Pos].unicode() - '0');
            ++Pos;
            ++digits;
        }
        return digits > 0;
    }
    bool Char(QChar ch) {
        Blanks();
        if (Pos < S.size() && S[Pos] == ch) {
            ++Pos;
            return true;
        }
        return false;
    }
    bool Text(const QString& t) {
        Blanks();
        if (!t.isEmpty() && QStringView(S).mid(Pos).startsWith(t, Qt::CaseInsensitive)) {
            Pos += t.size();
            return true;
        }
        return false;
    }
};

int currentYear() { return platform::rtl::ClockNow().date().year(); }

bool scanDate(TScanner& sc, double& date, const TFormatSettings& fs) {
    int n1, n2, n3 = 0, l1, l2, l3 = 0;
    if (!sc.Number(n1, l1) || !sc.Char(fs.DateSeparator) || !sc.Number(n2, l2)) return false;
    int y, m, d, yDigits;
    const TDateOrder order = DateOrderOf(fs.ShortDateFormat);
    if (sc.Char(fs.DateSeparator)) {
        if (!sc.Number(n3, l3)) return false;
        switch (order) {
            case TDateOrder::DMY: d = n1; m = n2; y = n3; yDigits = l3; break;
            case TDateOrder::MDY: m = n1; d = n2; y = n3; yDigits = l3; break;
            default: y = n1; m = n2; d = n3; yDigits = l1; break;
        }
        if (yDigits <= 2) {
            const int base = currentYear() - fs.TwoDigitYearCenturyWindow;
            y += base / 100 * 100;
            if (fs.TwoDigitYearCenturyWindow > 0 && y < base) y += 100;
        }
    } else {
        y = currentYear();
        if (order == TDateOrder::DMY) {
            d = n1;
            m = n2;
        } else {
            m = n1;
            d = n2;
        }
    }
    sc.Char(fs.DateSeparator);  // "5/3/2024/" as a masked edit may leave it
    TDateTime dt;
    if (!TryEncodeDate(y, m, d, dt)) return false;
    date = dt.Val;
    return true;
}

bool scanTime(TScanner& sc, double& time, const TFormatSettings& fs) {
    auto amPm = [&]() -> int {
        if (sc.Text(fs.TimeAMString) || sc.Text(QStringLiteral("AM"))) return 0;
        if (sc.Text(fs.TimePMString) || sc.Text(QStringLiteral("PM"))) return 12;
        return -1;
    };
    int baseHour = amPm();
    int hour, min = 0, sec = 0, msec = 0, digits;
    if (!sc.Number(hour, digits)) return false;
    if (sc.Char(fs.TimeSeparator)) {
        if (!sc.Number(min, digits)) return false;
        if (sc.Char(fs.TimeSeparator)) {
            if (!sc.Number(sec, digits)) return false;
            if (sc.Char(fs.DecimalSeparator) && !sc.Number(msec, digits)) return false;
        }
    }
    if (baseHour < 0) baseHour = amPm();
    if (baseHour >= 0) {
        if (hour == 0 || hour > 12) return false;
        if (hour == 12) hour = 0;
        hour += baseHour;
    }
    TDateTime t;
    if (!TryEncodeTime(hour, min, sec, msec, t)) return false;
    time = t.Val;
    return true;
}

}  // namespace

TDateOrder DateOrderOf(const QString& dateFormat) {
    for (QChar c : dateFormat) {
        switch (c.toUpper().unicode()) {
        case 'D': return TDateOrder::DMY;
        case 'M': return TDateOrder::MDY;
        case 'Y': return TDateOrder::YMD;
        default: break;
        }
    }
    return TDateOrder::DMY;
}

bool TryStrToDate(const QString& s, TDateTime& value, const TFormatSettings& fs) {
    TScanner sc(s);
    double d;
    if (!scanDate(sc, d, fs) || !sc.AtEnd()) return false;
    value = TDateTime(d);
    return true;
}

bool TryStrToDate(const QString& s, TDateTime& value) { return TryStrToDate(s, value, FormatSettings); }

namespace convert = platform::rtl::convert;

namespace {
bool (*const readDate)(const QString&, TDateTime&) = TryStrToDate;
}  // namespace

TDateTime StrToDate(const QString& s) { return convert::Strict<TDateTime>(s, readDate, "'%1' is not a valid date"); }
TDateTime StrToDateDef(const QString& s, TDateTime def) { return convert::OrDefault(s, def, readDate); }

bool TryStrToTime(const QString& s, TDateTime& value) {
    TScanner sc(s);
    double t;
    if (!scanTime(sc, t, FormatSettings) || !sc.AtEnd()) return false;
    value = TDateTime(t);
    return true;
}

TDateTime StrToTime(const QString& s) { return convert::Strict<TDateTime>(s, TryStrToTime, "'%1' is not a valid time"); }
TDateTime StrToTimeDef(const QString& s, TDateTime def) { return convert::OrDefault(s, def, TryStrToTime); }

bool TryStrToDateTime(const QString& s, TDateTime& value) {
    TScanner sc(s);
    double d = 0, t = 0;
    if (scanDate(sc, d, FormatSettings)) {
        if (!sc.AtEnd() && (!scanTime(sc, t, FormatSettings) || !sc.AtEnd())) return false;
    } else {
        TDateTime only;
        if (!TryStrToTime(s, only)) return false;
        t = only.Val;
    }
    value = TDateTime(d >= 0 ? d + t : d - t);
    return true;
}

TDateTime StrToDateTime(const QString& s) {
    return convert::Strict<TDateTime>(s, TryStrToDateTime, "'%1' is not a valid date and time");
}
TDateTime StrToDateTimeDef(const QString& s, TDateTime def) { return convert::OrDefault(s, def, TryStrToDateTime); }
