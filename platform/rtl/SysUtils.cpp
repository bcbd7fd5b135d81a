// Format settings, text routines and number parsing.
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/SysUtils_convert.h"

#include <QLocale>
#include <cmath>
#include <limits>

TFormatSettings TFormatSettings::Spanish() {
    TFormatSettings fs;
    fs.DecimalSeparator = QLatin1Char(',');
    fs.ThousandSeparator = QLatin1Char('.');
    fs.DateSeparator = QLatin1Char('/');
    fs.TimeSeparator = QLatin1Char(':');
    fs.ShortDateFormat = QStringLiteral("dd/mm/yyyy");
    fs.LongDateFormat = QStringLiteral("dddd, d' de 'mmmm' de 'yyyy");
    fs.ShortTimeFormat = QStringLiteral("hh:nn");
    fs.LongTimeFormat = QStringLiteral("hh:nn:ss");
    fs.TimeAMString = QStringLiteral("a.m.");
    fs.TimePMString = QStringLiteral("p.m.");
    fs.LongMonthNames = {QStringLiteral("enero"),   QStringLiteral("febrero"),    QStringLiteral("marzo"),
                         QStringLiteral("abril"),   QStringLiteral("mayo"),       QStringLiteral("junio"),
                         QStringLiteral("julio"),   QStringLiteral("agosto"),     QStringLiteral("septiembre"),
                         QStringLiteral("octubre"), QStringLiteral("noviembre"), QStringLiteral("diciembre")};
    fs.ShortMonthNames = {QStringLiteral("ene"), QStringLiteral("feb"), QStringLiteral("mar"), QStringLiteral("abr"),
                          QStringLiteral("may"), QStringLiteral("jun"), QStringLiteral("jul"), QStringLiteral("ago"),
                          QStringLiteral("sep"), QStringLiteral("oct"), QStringLiteral("nov"), QStringLiteral("dic")};
    fs.LongDayNames = {QStringLiteral("domingo"), QStringLiteral("lunes"),   QStringLiteral("martes"),
                       QStringLiteral("miércoles"), QStringLiteral("jueves"), QStringLiteral("viernes"),
                       QStringLiteral("sábado")};
    fs.ShortDayNames = {QStringLiteral("dom"), QStringLiteral("lun"), QStringLiteral("mar"), QStringLiteral("mié"),
                        QStringLiteral("jue"), QStringLiteral("vie"), QStringLiteral("sáb")};
    fs.CurrencyString = QStringLiteral("€");
    fs.CurrencyFormat = 3;
    fs.NegCurrFormat = 8;
    fs.CurrencyDecimals = 2;
    fs.TwoDigitYearCenturyWindow = 0;
    return fs;
}

TFormatSettings FormatSettings = TFormatSettings::Spanish();

// ---------------------------------------------------------------------------------------------
// Integers

namespace {

// Leading blanks, a sign, decimal digits or "$"/"0x" hexadecimal; nothing may follow.
bool parseInteger(const QString& s, qint64 lo, qint64 hi, qint64& out) {
    int i = 0;
    const int n = s.size();
    while (i < n && s[i] == QLatin1Char(' ')) ++i;
    bool neg = false;
    if (i < n && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+'))) {
        neg = s[i] == QLatin1Char('-');
        ++i;
    }
    int base = 10;
    if (i < n && s[i] == QLatin1Char('$')) {
        base = 16;
        ++i;
    } else if (i + 1 < n && s[i] == QLatin1Char('0') && (s[i + 1] == QLatin1Char('x') || s[i + 1] == QLatin1Char('X'))) {
        base = 16;
        i += 2;
    }
    if (i >= n) return false;
    quint64 acc = 0;
    const quint64 limit = neg ? quint64(0) - quint64(lo) : quint64(hi);
    for (; i < n; ++i) {
        int d = s[i].unicode() < 128 ? QChar(s[i]).digitValue() : -1;
        if (base == 16 && d < 0) {
            char c = char(s[i].toLower().unicode());
            if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        }
        if (d < 0 || d >= base) return false;
        if (acc > (std::numeric_limits<quint64>::max() - quint64(d)) / quint64(base)) return false;
        acc = acc * quint64(base) + quint64(d);
        // Hexadecimal may fill the whole width, as the class library reads "$FFFFFFFF" as -1.
        if (base == 10 && acc > limit) return false;
    }
    if (base == 16) {
        if (hi == std::numeric_limits<int>::max()) {
            if (acc > 0xFFFFFFFFull) return false;
            out = qint32(quint32(acc));
        } else {
            out = qint64(acc);
        }
        if (neg) out = -out;
        return true;
    }
    out = neg ? qint64(quint64(0) - acc) : qint64(acc);
    return true;
}

}  // namespace

QString IntToStr(int value) { return QString::number(value); }
QString IntToStr(qint64 value) { return QString::number(value); }

QString IntToHex(int value, int digits) {
    QString s = QString::number(quint32(value), 16).toUpper();
    return s.size() < digits ? QString(digits - s.size(), QLatin1Char('0')) + s : s;
}

QString IntToHex(qint64 value, int digits) {
    QString s = QString::number(quint64(value), 16).toUpper();
    return s.size() < digits ? QString(digits - s.size(), QLatin1Char('0')) + s : s;
}

bool TryStrToInt(const QString& s, int& value) {
    qint64 v;
    if (!parseInteger(s, std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), v)) return false;
    value = int(v);
    return true;
}

namespace convert = platform::rtl::convert;

namespace {
// The readers the converters share, picked out of their overloads.
bool (*const readInt)(const QString&, int&) = TryStrToInt;
bool (*const readInt64)(const QString&, qint64&) = TryStrToInt64;
bool (*const readFloat)(const QString&, double&) = TryStrToFloat;
bool (*const readCurr)(const QString&, Currency&) = TryStrToCurr;
const char* const kNotAFloat = "'%1' is not a valid floating point value";
}  // namespace

int StrToInt(const QString& s) { return convert::Strict<int>(s, readInt, "'%1' is not a valid integer value"); }
int StrToIntDef(const QString& s, int def) { return convert::OrDefault(s, def, readInt); }

bool TryStrToInt64(const QString& s, qint64& value) {
    return parseInteger(s, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max(), value);
}

qint64 StrToInt64(const QString& s) { return convert::Strict<qint64>(s, readInt64, "'%1' is not a valid integer value"); }
qint64 StrToInt64Def(const QString& s, qint64 def) { return convert::OrDefault(s, def, readInt64); }

// ---------------------------------------------------------------------------------------------
// Floating point and currency text

namespace {

// Blanks, sign, digits with the decimal separator, an optional exponent, blanks. Gives the number
// in C notation so the C locale can read it; no thousands separators.
bool scanFloat(const QString& s, const TFormatSettings& fs, QByteArray& out) {
    int i = 0;
    const int n = s.size();
    out.clear();
    while (i < n && s[i] == QLatin1Char(' ')) ++i;
    if (i < n && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+'))) out += char(s[i++].unicode());
    int digits = 0;
    while (i < n && s[i].unicode() < 128 && s[i].isDigit()) {
        out += char(s[i++].unicode());
        ++digits;
    }
    if (i < n && s[i] == fs.DecimalSeparator) {
        out += '.';
        ++i;
        while (i < n && s[i].unicode() < 128 && s[i].isDigit()) {
            out += char(s[i++].unicode());
            ++digits;
        }
    }
    if (digits == 0) return false;
    if (i < n && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E'))) {
        out += 'e';
        ++i;
        if (i < n && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+'))) out += char(s[i++].unicode());
        int expDigits = 0;
        while (i < n && s[i].unicode() < 128 && s[i].isDigit()) {
            out += char(s[i++].unicode());
            ++expDigits;
        }
        if (expDigits == 0) return false;
    }
    while (i < n && s[i] == QLatin1Char(' ')) ++i;
    return i == n;
}

}  // namespace

bool TryStrToFloat(const QString& s, double& value, const TFormatSettings& fs) {
    QByteArray c;
    if (!scanFloat(s, fs, c)) return false;
    bool ok = false;
    double v = QLocale::c().toDouble(QLatin1String(c), &ok);
    if (!ok || !std::isfinite(v)) return false;
    value = v;
    return true;
}

bool TryStrToFloat(const QString& s, double& value) { return TryStrToFloat(s, value, FormatSettings); }

double StrToFloat(const QString& s, const TFormatSettings& fs) {
    return convert::Strict<double>(s, [&fs](const QString& t, double& v) { return TryStrToFloat(t, v, fs); }, kNotAFloat);
}

double StrToFloat(const QString& s) { return StrToFloat(s, FormatSettings); }
double StrToFloatDef(const QString& s, double def) { return convert::OrDefault(s, def, readFloat); }

bool TryStrToCurr(const QString& s, Currency& value) {
    QByteArray c;
    if (!scanFloat(s, FormatSettings, c)) return false;
    // Exact when the text has at most four decimals and no exponent; otherwise through a double.
    if (!c.contains('e')) {
        int dot = c.indexOf('.');
        QByteArray intPart = dot < 0 ? c : c.left(dot);
        QByteArray frac = dot < 0 ? QByteArray() : c.mid(dot + 1);
        if (frac.size() <= 4) {
            bool neg = intPart.startsWith('-');
            if (intPart.startsWith('-') || intPart.startsWith('+')) intPart.remove(0, 1);
            frac = frac.leftJustified(4, '0');
            QByteArray all = (intPart + frac);
            while (all.size() > 1 && all.startsWith('0')) all.remove(0, 1);
            bool ok = false;
            qint64 raw = all.toLongLong(&ok);
            if (ok) {
                value = Currency::FromRaw(neg ? -raw : raw);
                return true;
            }
            return false;
        }
    }
    bool ok = false;
    double v = QLocale::c().toDouble(QLatin1String(c), &ok);
    if (!ok || !std::isfinite(v) || std::fabs(v) >= 922337203685477.0) return false;
    value = Currency(v);
    return true;
}

Currency StrToCurr(const QString& s) { return convert::Strict<Currency>(s, readCurr, kNotAFloat); }
Currency StrToCurrDef(const QString& s, Currency def) { return convert::OrDefault(s, def, readCurr); }

// ---------------------------------------------------------------------------------------------
// Strings

namespace {
bool blank(QChar c) { return c.unicode() <= 32; }
}  // namespace

QString Trim(const QString& s) {
    int b = 0, e = s.size();
    while (b < e && blank(s[b])) ++b;
    while (e > b && blank(s[e - 1])) --e;
    return s.mid(b, e - b);
}

QString TrimLeft(const QString& s) {
    int b = 0;
    while (b < s.size() && blank(s[b])) ++b;
    return s.mid(b);
}

QString TrimRight(const QString& s) {
    int e = s.size();
    while (e > 0 && blank(s[e - 1])) --e;
    return s.left(e);
}

QString UpperCase(const QString& s) {
    QString r = s;
    for (QChar& c : r)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = QChar(c.unicode() - 32);
    return r;
}

QString LowerCase(const QString& s) {
    QString r = s;
    for (QChar& c : r)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) c = QChar(c.unicode() + 32);
    return r;
}

QString AnsiUpperCase(const QString& s) { return s.toUpper(); }
QString AnsiLowerCase(const QString& s) { return s.toLower(); }

int CompareStr(const QString& a, const QString& b) {
    const int n = std::min(a.size(), b.size());
    for (int i = 0; i < n; ++i)
        if (a[i] != b[i]) return int(a[i].unicode()) - int(b[i].unicode());
    return int(a.size()) - int(b.size());
}

int CompareText(const QString& a, const QString& b) { return CompareStr(UpperCase(a), UpperCase(b)); }

bool SameText(const QString& a, const QString& b) { return CompareText(a, b) == 0; }

namespace {

// Weights for Spanish dictionary order: letters by their base letter ("ñ" its own letter after
// "n"), then accents, then case (lower case first).
struct TCollationKey {
    uint Primary;
    uint Accent;
    uint Upper;
};

TCollationKey collationKey(QChar c) {
    const bool upper = c.isUpper();
    QChar low = c.toLower();
    if (low == QChar(0x00F1)) return {1000 + ('n' - 'a') * 2 + 1, 0, upper};  // ñ
    QChar base = low;
    uint accent = 0;
    if (low.decompositionTag() == QChar::Canonical) {
        QString dec = low.decomposition();
        base = dec[0];
        accent = dec.size() > 1 ? dec[1].unicode() : 1;
    }
    const ushort u = base.unicode();
    if (u >= 'a' && u <= 'z') return {1000u + uint(u - 'a') * 2, accent, upper};
    if (u >= '0' && u <= '9') return {500u + uint(u - '0'), accent, upper};
    if (u < 128) return {u, accent, upper};
    if (base.isLetter()) return {2000u + u, accent, upper};
    return {200000u + u, accent, upper};
}

int sign(long long v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

int spanishCompare(const QString& a, const QString& b, bool caseSensitive) {
    const int n = std::min(a.size(), b.size());
    std::vector<TCollationKey> ka, kb;
    ka.reserve(a.size());
    kb.reserve(b.size());
    for (QChar c : a) ka.push_back(collationKey(c));
    for (QChar c : b) kb.push_back(collationKey(c));
    for (int i = 0; i < n; ++i)
        if (ka[i].Primary != kb[i].Primary) return sign((long long)ka[i].Primary - kb[i].Primary);
    if (a.size() != b.size()) return sign((long long)a.size() - b.size());
    for (int i = 0; i < n; ++i)
        if (ka[i].Accent != kb[i].Accent) return sign((long long)ka[i].Accent - kb[i].Accent);
    if (caseSensitive)
        for (int i = 0; i < n; ++i)
            if (ka[i].Upper != kb[i].Upper) return sign((long long)ka[i].Upper - kb[i].Upper);
    return 0;
}

}  // namespace

int AnsiCompareStr(const QString& a, const QString& b) { return spanishCompare(a, b, true); }
int AnsiCompareText(const QString& a, const QString& b) { return spanishCompare(a, b, false); }
bool AnsiSameText(const QString& a, const QString& b) { return AnsiCompareText(a, b) == 0; }

int Pos(const QString& sub, const QString& s) {
    if (sub.isEmpty()) return 0;
    return int(s.indexOf(sub)) + 1;
}

QString Copy(const QString& s, int index, int count) {
    if (index < 1) index = 1;
    if (count <= 0 || index > s.size()) return QString();
    return s.mid(index - 1, count);
}

void Delete(QString& s, int index, int count) {
    if (index < 1 || index > s.size() || count <= 0) return;
    s.remove(index - 1, count);
}

void Insert(const QString& sub, QString& s, int index) {
    if (index < 1) index = 1;
    if (index > s.size() + 1) index = int(s.size()) + 1;
    s.insert(index - 1, sub);
}

QString StringOfChar(QChar ch, int count) { return count > 0 ? QString(count, ch) : QString(); }

QString AnsiQuotedStr(const QString& s, QChar quote) {
    QString r = s;
    r.replace(quote, QString(2, quote));
    return quote + r + quote;
}

QString QuotedStr(const QString& s) { return AnsiQuotedStr(s, QLatin1Char('\'')); }

QString AnsiExtractQuotedStr(QString& src, QChar quote) {
    if (src.isEmpty() || src[0] != quote) return QString();
    QString out;
    int i = 1;
    for (; i < src.size(); ++i) {
        if (src[i] == quote) {
            if (i + 1 < src.size() && src[i + 1] == quote) {
                out += quote;
                ++i;
            } else {
                ++i;
                break;
            }
        } else {
            out += src[i];
        }
    }
    src = src.mid(i);
    return out;
}

QString StringReplace(const QString& s, const QString& oldPattern, const QString& newPattern, TReplaceFlags flags) {
    if (oldPattern.isEmpty()) return s;
    const Qt::CaseSensitivity cs = flags.Contains(rfIgnoreCase) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    QString out;
    int from = 0;
    while (true) {
        int at = int(s.indexOf(oldPattern, from, cs));
        if (at < 0) break;
        out += QStringView(s).mid(from, at - from);
        out += newPattern;
        from = at + int(oldPattern.size());
        if (!flags.Contains(rfReplaceAll)) break;
    }
    out += QStringView(s).mid(from);
    return out;
}
