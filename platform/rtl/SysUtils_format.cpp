// Number to text: FloatToStr(F), FormatFloat/FormatCurr pictures and Format.
// Every number first becomes a decimal digit string (15 significant digits for a double, exact for
// Currency); rounding is then half away from zero on those digits, as the Spanish printouts expect
// 1,005 to show as "1,01".
#include "platform/rtl/SysUtils.h"

#include <QStringList>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

// value = 0.Digits x 10^Exponent; Digits has no leading or trailing zeros; empty means zero.
struct TDecimal {
    bool Negative = false;
    QString Digits;
    int Exponent = 0;
    bool IsZero() const { return Digits.isEmpty(); }
    // Digit for 10^power ('0' outside the stored digits).
    QChar DigitAt(int power) const {
        int i = Exponent - 1 - power;
        return (i >= 0 && i < Digits.size()) ? Digits[i] : QLatin1Char('0');
    }
};

void normalize(TDecimal& d) {
    int lead = 0;
    while (lead < d.Digits.size() && d.Digits[lead] == QLatin1Char('0')) ++lead;
    if (lead) {
        d.Digits.remove(0, lead);
        d.Exponent -= lead;
    }
    int end = d.Digits.size();
    while (end > 0 && d.Digits[end - 1] == QLatin1Char('0')) --end;
    d.Digits.truncate(end);
    if (d.Digits.isEmpty()) d.Exponent = 0;
}

TDecimal fromDouble(double v, int precision) {
    TDecimal d;
    precision = std::clamp(precision, 1, 17);
    // Correctly rounded like printf's "%.*e", without its locale and stream machinery.
    char buf[64];
    const std::to_chars_result r =
        std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, precision - 1);
    const char* p = buf;
    const char* const end = r.ptr;
    if (p < end && *p == '-') {
        d.Negative = true;
        ++p;
    }
    char digits[24];
    int n = 0;
    while (p < end && *p != 'e') {
        if (*p >= '0' && *p <= '9' && n < int(sizeof digits)) digits[n++] = *p;
        ++p;
    }
    int exp = 0;
    if (p < end && *p == 'e') {
        ++p;
        const bool negative = p < end && *p == '-';
        if (p < end && (*p == '-' || *p == '+')) ++p;
        std::from_chars(p, end, exp);
        if (negative) exp = -exp;
    }
    d.Digits = QString::fromLatin1(digits, n);
    d.Exponent = exp + 1;
    normalize(d);
    return d;
}

TDecimal fromCurrency(Currency c) {
    TDecimal d;
    qint64 raw = c.Raw();
    d.Negative = raw < 0;
    quint64 mag = raw < 0 ? quint64(0) - quint64(raw) : quint64(raw);
    d.Digits = QString::number(mag);
    d.Exponent = d.Digits.size() - 4;
    normalize(d);
    return d;
}

// Keeps `keep` leading digits, rounding half away from zero.
void roundKeep(TDecimal& d, int keep) {
    if (keep >= d.Digits.size()) return;
    if (keep < 0) {
        d.Digits.clear();
        d.Exponent = 0;
        return;
    }
    bool up = d.Digits[keep] >= QLatin1Char('5');
    d.Digits.truncate(keep);
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.Digits[i] == QLatin1Char('9')) {
            d.Digits[i] = QLatin1Char('0');
            --i;
        }
        if (i >= 0) {
            d.Digits[i] = QChar(d.Digits[i].unicode() + 1);
        } else {
            d.Digits.prepend(QLatin1Char('1'));
            d.Exponent += 1;
        }
    }
    normalize(d);
}

void roundDecimals(TDecimal& d, int decimals) {
    if (d.IsZero()) return;
    roundKeep(d, d.Exponent + decimals);
}

QString padLeft(QString s, int width, QChar ch) {
    if (s.size() < width) s.prepend(QString(width - s.size(), ch));
    return s;
}

// Unsigned fixed text with `decimals` digits after the separator.
QString fixedText(const TDecimal& d, int decimals, bool thousands, const TFormatSettings& fs) {
    QString out;
    int top = std::max(d.Exponent - 1, 0);
    for (int p = top; p >= 0; --p) {
        out += d.DigitAt(p);
        if (thousands && p > 0 && p % 3 == 0) out += fs.ThousandSeparator;
    }
    if (decimals > 0) {
        out += fs.DecimalSeparator;
        for (int p = -1; p >= -decimals; --p) out += d.DigitAt(p);
    }
    return out;
}

QString exponentPart(int exp, int expDigits, bool plus) {
    QString s = QStringLiteral("E");
    if (exp < 0) s += QLatin1Char('-');
    else if (plus) s += QLatin1Char('+');
    s += padLeft(QString::number(std::abs(exp)), expDigits, QLatin1Char('0'));
    return s;
}

// Unsigned scientific text with `precision` significant digits, all shown.
QString exponentText(TDecimal d, int precision, int expDigits, const TFormatSettings& fs) {
    roundKeep(d, precision);
    QString out = d.IsZero() ? QStringLiteral("0") : QString(d.Digits[0]);
    if (precision > 1) {
        out += fs.DecimalSeparator;
        for (int i = 1; i < precision; ++i) out += i < d.Digits.size() ? d.Digits[i] : QLatin1Char('0');
    }
    int exp = d.IsZero() ? 0 : d.Exponent - 1;
    return out + exponentPart(exp, expDigits, true);
}

// Unsigned shortest text with at most `precision` significant digits.
QString generalText(TDecimal d, int precision, int expDigits, const TFormatSettings& fs) {
    roundKeep(d, precision);
    if (d.IsZero()) return QStringLiteral("0");
    if (d.Exponent > precision || d.Exponent < -3) {
        QString out(d.Digits[0]);
        if (d.Digits.size() > 1) out += fs.DecimalSeparator + d.Digits.mid(1);
        return out + exponentPart(d.Exponent - 1, expDigits, false);
    }
    int decimals = std::max(0, int(d.Digits.size()) - d.Exponent);
    return fixedText(d, decimals, false, fs);
}

QString withSign(const TDecimal& d, const QString& body) {
    return (d.Negative && !d.IsZero()) ? QLatin1Char('-') + body : body;
}

// Places the currency text and the sign as CurrencyFormat / NegCurrFormat say.
QString currencyText(const TDecimal& d, const QString& number, const TFormatSettings& fs) {
    const QString& c = fs.CurrencyString;
    if (!d.Negative || d.IsZero()) {
        switch (fs.CurrencyFormat) {
            case 0: return c + number;
            case 1: return number + c;
            case 2: return c + QLatin1Char(' ') + number;
            default: return number + QLatin1Char(' ') + c;
        }
    }
    const QString& n = number;
    switch (fs.NegCurrFormat) {
        case 0: return QLatin1Char('(') + c + n + QLatin1Char(')');
        case 1: return QLatin1Char('-') + c + n;
        case 2: return c + QLatin1Char('-') + n;
        case 3: return c + n + QLatin1Char('-');
        case 4: return QLatin1Char('(') + n + c + QLatin1Char(')');
        case 5: return QLatin1Char('-') + n + c;
        case 6: return n + QLatin1Char('-') + c;
        case 7: return n + c + QLatin1Char('-');
        case 8: return QLatin1Char('-') + n + QLatin1Char(' ') + c;
        case 9: return QLatin1Char('-') + c + QLatin1Char(' ') + n;
        case 10: return n + QLatin1Char(' ') + c + QLatin1Char('-');
        case 11: return c + QLatin1Char(' ') + n + QLatin1Char('-');
        case 12: return c + QLatin1Char(' ') + QLatin1Char('-') + n;
        case 13: return n + QLatin1Char('-') + QLatin1Char(' ') + c;
        case 14: return QLatin1Char('(') + c + QLatin1Char(' ') + n + QLatin1Char(')');
        default: return QLatin1Char('(') + n + QLatin1Char(' ') + c + QLatin1Char(')');
    }
}

std::optional<QString> specialText(double v) {
    if (std::isnan(v)) return QStringLiteral("NAN");
    if (std::isinf(v)) return v < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    return std::nullopt;
}

// The text of a decimal in one of the float formats; precision counts significant digits
// (already applied for doubles), digits is decimals or exponent digits.
QString decimalToStrF(TDecimal d, TFloatFormat format, int precision, int digits, const TFormatSettings& fs) {
    switch (format) {
        case ffGeneral: {
            roundKeep(d, precision);
            return withSign(d, generalText(d, precision, std::clamp(digits, 0, 4), fs));
        }
        case ffExponent: {
            roundKeep(d, precision);
            return withSign(d, exponentText(d, precision, std::clamp(digits, 0, 4), fs));
        }
        case ffFixed:
        case ffNumber:
        case ffCurrency: {
            digits = std::clamp(digits, 0, 18);
            roundDecimals(d, digits);
            if (d.Exponent > precision) return withSign(d, generalText(d, precision, 0, fs));
            QString body = fixedText(d, digits, format != ffFixed, fs);
            if (format == ffCurrency) return currencyText(d, body, fs);
            return withSign(d, body);
        }
    }
    return QString();
}

// ---- picture formats ----

struct TPicture {
    bool Thousands = false;
    bool Scientific = false;
    int IntPlaces = 0;    // digit places before the point
    int MinInt = 0;       // from the first '0' before the point
    int DecPlaces = 0;    // digit places after the point
    int MinDec = 0;       // up to the last '0' after the point
};

bool isQuote(QChar c) { return c == QLatin1Char('"') || c == QLatin1Char('\''); }

// Index just past the exponent marker "E+"/"e-" at i and its zeros, or -1 when i starts none.
int exponentEnd(const QString& s, int i) {
    if (i + 1 >= s.size()) return -1;
    QChar c = s[i], sign = s[i + 1];
    if ((c != QLatin1Char('E') && c != QLatin1Char('e')) || (sign != QLatin1Char('+') && sign != QLatin1Char('-')))
        return -1;
    int j = i + 2;
    while (j < s.size() && s[j] == QLatin1Char('0')) ++j;
    return j;
}

TPicture scanPicture(const QString& s) {
    TPicture p;
    bool point = false;
    int firstZero = -1;
    for (int i = 0; i < s.size(); ++i) {
        QChar c = s[i];
        if (isQuote(c)) {
            int j = s.indexOf(c, i + 1);
            i = j < 0 ? s.size() : j;
        } else if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
            if (!point) {
                if (c == QLatin1Char('0') && firstZero < 0) firstZero = p.IntPlaces;
                ++p.IntPlaces;
            } else {
                ++p.DecPlaces;
                if (c == QLatin1Char('0')) p.MinDec = p.DecPlaces;
            }
        } else if (c == QLatin1Char('.')) {
            point = true;
        } else if (c == QLatin1Char(',')) {
            p.Thousands = true;
        } else if (!p.Scientific && exponentEnd(s, i) >= 0) {
            p.Scientific = true;
            i = exponentEnd(s, i) - 1;
        }
    }
    p.MinInt = firstZero < 0 ? 0 : p.IntPlaces - firstZero;
    return p;
}

QStringList splitSections(const QString& fmt) {
    QStringList out;
    QString cur;
    for (int i = 0; i < fmt.size(); ++i) {
        QChar c = fmt[i];
        if (isQuote(c)) {
            int j = fmt.indexOf(c, i + 1);
            if (j < 0) j = fmt.size() - 1;
            cur += fmt.mid(i, j - i + 1);
            i = j;
        } else if (c == QLatin1Char(';')) {
            out << cur;
            cur.clear();
        } else {
            cur += c;
        }
    }
    out << cur;
    return out;
}

// Lays the digits of an unsigned, already rounded value into one picture section.
QString applyPicture(const QString& sec, const TPicture& p, TDecimal d, bool minus, const TFormatSettings& fs) {
    QString intStr, fracStr;
    int exp = 0;
    if (p.Scientific) {
        roundKeep(d, std::max(1, p.IntPlaces + p.DecPlaces));
        if (!d.IsZero()) exp = d.Exponent - p.IntPlaces;
        for (int i = 0; i < p.IntPlaces; ++i) intStr += i < d.Digits.size() ? d.Digits[i] : QLatin1Char('0');
        for (int i = p.IntPlaces; i < p.IntPlaces + p.DecPlaces; ++i)
            fracStr += i < d.Digits.size() ? d.Digits[i] : QLatin1Char('0');
    } else {
        for (int pw = d.Exponent - 1; pw >= 0; --pw) intStr += d.DigitAt(pw);
        intStr = padLeft(intStr, p.MinInt, QLatin1Char('0'));
        for (int pw = -1; pw >= -p.DecPlaces; --pw) fracStr += d.DigitAt(pw);
    }
    int fracLen = fracStr.size();
    while (fracLen > p.MinDec && fracStr[fracLen - 1] == QLatin1Char('0')) --fracLen;
    fracStr.truncate(fracLen);

    QString out = minus ? QStringLiteral("-") : QString();
    const int n = intStr.size();
    const int extra = n - p.IntPlaces;
    auto emitInt = [&](int k) {
        out += intStr[k];
        int rest = n - 1 - k;
        if (p.Thousands && !p.Scientific && rest > 0 && rest % 3 == 0) out += fs.ThousandSeparator;
    };
    int intSeen = 0, decSeen = 0;
    bool point = false, expDone = false;
    auto flushLeading = [&] {
        for (int k = 0; k < extra; ++k) emitInt(k);
    };
    for (int i = 0; i < sec.size(); ++i) {
        QChar c = sec[i];
        if (isQuote(c)) {
            int j = sec.indexOf(c, i + 1);
            if (j < 0) j = sec.size();
            out += sec.mid(i + 1, j - i - 1);
            i = j;
        } else if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
            if (!point) {
                if (intSeen == 0) flushLeading();
                int k = extra + intSeen;
                if (k >= 0) emitInt(k);
                ++intSeen;
            } else {
                if (decSeen < fracStr.size()) out += fracStr[decSeen];
                ++decSeen;
            }
        } else if (c == QLatin1Char('.')) {
            if (point) continue;
            point = true;
            if (p.IntPlaces == 0) flushLeading();
            if (!fracStr.isEmpty()) out += fs.DecimalSeparator;
        } else if (c == QLatin1Char(',')) {
            continue;
        } else if (!expDone && p.Scientific && exponentEnd(sec, i) >= 0) {
            int end = exponentEnd(sec, i);
            expDone = true;
            out += c;
            if (exp < 0) out += QLatin1Char('-');
            else if (sec[i + 1] == QLatin1Char('+')) out += QLatin1Char('+');
            out += padLeft(QString::number(std::abs(exp)), end - i - 2, QLatin1Char('0'));
            i = end - 1;
        } else {
            out += c;
        }
    }
    return out;
}

QString formatPicture(const QString& fmt, const TDecimal& value, const TFormatSettings& fs) {
    // A column prints one picture row after row: its sections are split once.
    thread_local QString lastFmt;
    thread_local QStringList lastSections;
    if (lastSections.isEmpty() || fmt != lastFmt) {
        lastSections = splitSections(fmt);
        lastFmt = fmt;
    }
    const QStringList sections = lastSections;
    int idx = 0;
    bool minus = false;
    if (value.Negative && !value.IsZero()) {
        if (sections.size() > 1 && !sections[1].isEmpty()) idx = 1;
        else minus = true;
    }
    TPicture p = scanPicture(sections[idx]);
    TDecimal d = value;
    d.Negative = false;
    if (!p.Scientific) roundDecimals(d, p.DecPlaces);
    if (d.IsZero()) {
        minus = false;
        if (sections.size() > 2 && !sections[2].isEmpty()) idx = 2;
        else idx = 0;
        p = scanPicture(sections[idx]);
    }
    return applyPicture(sections[idx], p, d, minus, fs);
}

// ---- Format ----

[[noreturn]] void formatError(const QString& fmt) {
    throw EConvertError(QStringLiteral("Format '%1' invalid or incompatible with argument").arg(fmt));
}

QString hexDigits(qint64 v) {
    quint64 u = (v < 0 && v >= INT32_MIN) ? quint64(quint32(qint32(v))) : quint64(v);
    return QString::number(u, 16).toUpper();
}

}  // namespace

// ---------------------------------------------------------------------------------------------

QString FloatToStrF(double value, TFloatFormat format, int precision, int digits, const TFormatSettings& fs) {
    if (auto s = specialText(value)) return *s;
    precision = std::clamp(precision, 1, 15);
    return decimalToStrF(fromDouble(value, precision), format, precision, digits, fs);
}

QString FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
    return FloatToStrF(value, format, precision, digits, FormatSettings);
}

QString FloatToStr(double value, const TFormatSettings& fs) { return FloatToStrF(value, ffGeneral, 15, 0, fs); }
QString FloatToStr(double value) { return FloatToStr(value, FormatSettings); }

QString CurrToStrF(Currency value, TFloatFormat format, int digits) {
    return decimalToStrF(fromCurrency(value), format, 19, digits, FormatSettings);
}

QString CurrToStr(Currency value) { return CurrToStrF(value, ffGeneral, 0); }

QString FormatFloat(const QString& fmt, double value, const TFormatSettings& fs) {
    if (auto s = specialText(value)) return *s;
    if (fmt.isEmpty()) return FloatToStr(value, fs);
    return formatPicture(fmt, fromDouble(value, 15), fs);
}

QString FormatFloat(const QString& fmt, double value) { return FormatFloat(fmt, value, FormatSettings); }

QString FormatCurr(const QString& fmt, Currency value, const TFormatSettings& fs) {
    if (fmt.isEmpty()) return decimalToStrF(fromCurrency(value), ffGeneral, 19, 0, fs);
    return formatPicture(fmt, fromCurrency(value), fs);
}

QString FormatCurr(const QString& fmt, Currency value) { return FormatCurr(fmt, value, FormatSettings); }

QString Format(const QString& fmt, const std::vector<Variant>& args, const TFormatSettings& fs) {
    QString out;
    size_t next = 0;
    const int len = fmt.size();
    auto nextArg = [&]() -> const Variant& {
        if (next >= args.size()) formatError(fmt);
        return args[next++];
    };
    auto intArg = [&]() -> qint64 {
        const Variant& v = nextArg();
        if (v.VarType() != TVarType::varInteger) formatError(fmt);
        return v.AsInt64();
    };
    auto readNumber = [&](int& i, int& value) -> bool {  // digits or '*'
        if (i < len && fmt[i] == QLatin1Char('*')) {
            value = int(intArg());
            ++i;
            return true;
        }
        if (i >= len || !fmt[i].isDigit()) return false;
        value = 0;
        while (i < len && fmt[i].isDigit()) {
            value = value * 10 + fmt[i].digitValue();
            if (value > 1000000) formatError(fmt);
            ++i;
        }
        return true;
    };

    for (int i = 0; i < len; ++i) {
        QChar c = fmt[i];
        if (c != QLatin1Char('%')) {
            out += c;
            continue;
        }
        ++i;
        if (i >= len) formatError(fmt);
        if (fmt[i] == QLatin1Char('%')) {
            out += QLatin1Char('%');
            continue;
        }
        // An index is a number followed by ':'; look ahead without consuming '*' arguments.
        {
            int j = i;
            while (j < len && fmt[j].isDigit()) ++j;
            if (j < len && fmt[j] == QLatin1Char(':') && j > i) {
                int index = fmt.mid(i, j - i).toInt();
                next = size_t(index);
                i = j + 1;
            } else if (i + 1 < len && fmt[i] == QLatin1Char('*') && fmt[i + 1] == QLatin1Char(':')) {
                next = size_t(std::max<qint64>(0, intArg()));
                i += 2;
            }
        }
        bool left = false;
        if (i < len && fmt[i] == QLatin1Char('-')) {
            left = true;
            ++i;
        }
        int width = 0, prec = -1;
        if (readNumber(i, width) && width < 0) {  // a negative "*" width justifies left
            left = true;
            width = -width;
        }
        if (i < len && fmt[i] == QLatin1Char('.')) {
            ++i;
            if (!readNumber(i, prec)) prec = 0;
            if (prec < 0) prec = -1;
        }
        if (i >= len) formatError(fmt);
        const ushort tc = fmt[i].toLower().unicode();
        const char type = tc < 128 ? char(tc) : 0;
        QString text;
        switch (type) {
            case 'd':
            case 'u':
            case 'x': {
                qint64 v = intArg();
                QString digits;
                bool neg = false;
                if (type == 'x') {
                    digits = hexDigits(v);
                } else if (type == 'u') {
                    quint64 u = (v < 0 && v >= INT32_MIN) ? quint64(quint32(qint32(v))) : quint64(v);
                    digits = QString::number(u);
                } else {
                    neg = v < 0;
                    digits = neg ? QString::number(v).mid(1) : QString::number(v);
                }
                if (prec > 0) digits = padLeft(digits, prec, QLatin1Char('0'));
                text = neg ? QLatin1Char('-') + digits : digits;
                break;
            }
            case 's': {
                const Variant& v = nextArg();
                if (v.VarType() != TVarType::varString) formatError(fmt);
                text = v.AsString();
                if (prec >= 0 && prec < text.size()) text.truncate(prec);
                break;
            }
            case 'e':
            case 'f':
            case 'g':
            case 'n':
            case 'm': {
                const Variant& v = nextArg();
                TDecimal d;
                int sig = 15;
                switch (v.VarType()) {
                    case TVarType::varDouble:
                    case TVarType::varDate: {
                        double x = v.AsFloat();
                        if (auto s = specialText(x)) {
                            text = *s;
                            goto pad;
                        }
                        d = fromDouble(x, 15);
                        break;
                    }
                    case TVarType::varCurrency:
                        d = fromCurrency(v.AsCurrency());
                        sig = 19;
                        break;
                    default: formatError(fmt);
                }
                switch (type) {
                    case 'e': text = decimalToStrF(d, ffExponent, std::clamp(prec < 0 ? 15 : prec, 1, sig), 3, fs); break;
                    case 'g': text = decimalToStrF(d, ffGeneral, std::clamp(prec < 0 ? 15 : prec, 1, sig), 3, fs); break;
                    case 'f': text = decimalToStrF(d, ffFixed, 18, prec < 0 ? 2 : prec, fs); break;
                    case 'n': text = decimalToStrF(d, ffNumber, 18, prec < 0 ? 2 : prec, fs); break;
                    default: text = decimalToStrF(d, ffCurrency, 18, prec < 0 ? fs.CurrencyDecimals : prec, fs); break;
                }
                break;
            }
            default: formatError(fmt);
        }
    pad:
        if (width > text.size()) {
            QString fill(width - text.size(), QLatin1Char(' '));
            text = left ? text + fill : fill + text;
        }
        out += text;
    }
    return out;
}

QString Format(const QString& fmt, const std::vector<Variant>& args) { return Format(fmt, args, FormatSettings); }
