#include "platform/db/Collation.h"

#include <QVarLengthArray>
#include <array>
#include <cstring>

namespace platform::db {
namespace {

// Primary weight of a character: the base letter (case and accent removed) doubled, so that
// "ñ" can sit on the odd weight right after "n".
struct Weights {
    std::array<quint32, 256> primary{};
    std::array<quint16, 256> accent{};
    Weights() {
        for (int c = 0; c < 256; ++c) {
            QChar ch(c);
            QChar base = ch;
            QString d = QString(ch).normalized(QString::NormalizationForm_D);
            if (!d.isEmpty() && d.size() > 1 && d.at(0).unicode() < 128) base = d.at(0);
            base = base.toLower();
            primary[c] = quint32(base.unicode()) * 2;
            accent[c] = (base == ch.toLower()) ? 0 : quint16(ch.toLower().unicode());
        }
        primary[0xF1] = primary[0xD1] = quint32('n') * 2 + 1;  // ñ Ñ
        accent[0xF1] = accent[0xD1] = 0;
    }
};
const Weights& W() {
    static const Weights w;
    return w;
}

inline quint32 Primary(const Weights& w, QChar ch) {
    ushort u = ch.unicode();
    if (u < 256) return w.primary[u];
    QString d = QString(ch).normalized(QString::NormalizationForm_D);
    return quint32(d.at(0).toLower().unicode()) * 2;
}
inline quint32 Accent(const Weights& w, QChar ch) {
    ushort u = ch.unicode();
    if (u < 256) return w.accent[u];
    return u;
}

int ComparePrimary(const QChar* a, int la, const QChar* b, int lb) {
    const Weights& w = W();
    int n = la < lb ? la : lb;
    for (int i = 0; i < n; ++i) {
        if (a[i] == b[i]) continue;
        quint32 pa = Primary(w, a[i]), pb = Primary(w, b[i]);
        if (pa != pb) return pa < pb ? -1 : 1;
    }
    return la == lb ? 0 : (la < lb ? -1 : 1);
}

}  // namespace

int SpanishCompareCI(const QChar* a, int la, const QChar* b, int lb) {
    return ComparePrimary(a, la, b, lb);
}

int SpanishCompare(const QChar* a, int la, const QChar* b, int lb) {
    int r = ComparePrimary(a, la, b, lb);
    if (r != 0) return r;
    // Same letters and length: accents decide, then case.
    const Weights& w = W();
    for (int i = 0; i < la; ++i) {
        quint32 x = Accent(w, a[i]), y = Accent(w, b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    for (int i = 0; i < la; ++i)
        if (a[i] != b[i]) return a[i].unicode() < b[i].unicode() ? -1 : 1;
    return 0;
}

namespace {
// UTF-8 to UTF-16 into a buffer on the stack for the usual key lengths; anything but one- to
// three-byte sequences (four-byte or malformed ones) goes through the full decoder.
using TUnits = QVarLengthArray<QChar, 256>;
void Decode(const char* p, int n, TUnits& out, QString& spill) {
    const auto* s = reinterpret_cast<const unsigned char*>(p);
    out.clear();
    int i = 0;
    while (i < n) {
        const unsigned c = s[i];
        if (c < 0x80) {
            out.append(QChar(char16_t(c)));
            ++i;
        } else if (c >= 0xC2 && c < 0xE0 && i + 1 < n && (s[i + 1] & 0xC0) == 0x80) {
            out.append(QChar(char16_t(((c & 0x1F) << 6) | (s[i + 1] & 0x3F))));
            i += 2;
        } else if ((c & 0xF0) == 0xE0 && i + 2 < n && (s[i + 1] & 0xC0) == 0x80 && (s[i + 2] & 0xC0) == 0x80) {
            const unsigned u = ((c & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F);
            if (u < 0x800 || (u >= 0xD800 && u <= 0xDFFF)) break;
            out.append(QChar(char16_t(u)));
            i += 3;
        } else {
            break;
        }
    }
    if (i == n) return;
    spill = QString::fromUtf8(p, n);
    out.clear();
    out.append(spill.constData(), spill.size());
}
}  // namespace

int SpanishCompareUtf8(const char* a, int la, const char* b, int lb, bool caseInsensitive) {
    const auto* sa = reinterpret_cast<const unsigned char*>(a);
    const auto* sb = reinterpret_cast<const unsigned char*>(b);
    // Keys of one table mostly share their start ("2024", "0001..."): equal leading characters
    // never decide either order, and an ASCII byte is a whole character wherever it stands, so
    // the common ASCII start is skipped without decoding.
    if (la == lb && (la == 0 || std::memcmp(a, b, size_t(la)) == 0)) return 0;  // identical texts
    const int n = la < lb ? la : lb;
    int i = 0;
    while (i < n && sa[i] == sb[i] && sa[i] < 0x80) ++i;
    sa += i;
    sb += i;
    la -= i;
    lb -= i;
    if (la == 0 && lb == 0) return 0;
    auto ascii = [](const unsigned char* p, int len) {
        for (int k = 0; k < len; ++k)
            if (p[k] >= 0x80) return false;
        return true;
    };
    if (ascii(sa, la) && ascii(sb, lb)) {
        // ASCII carries no accents: letters, then length, then capitals first (by code).
        const Weights& w = W();
        const int m = la < lb ? la : lb;
        int firstDiff = -1;
        for (int k = 0; k < m; ++k) {
            if (sa[k] == sb[k]) continue;
            if (firstDiff < 0) firstDiff = k;
            const quint32 pa = w.primary[sa[k]], pb = w.primary[sb[k]];
            if (pa != pb) return pa < pb ? -1 : 1;
        }
        if (la != lb) return la < lb ? -1 : 1;
        if (caseInsensitive || firstDiff < 0) return 0;
        return sa[firstDiff] < sb[firstDiff] ? -1 : 1;
    }
    TUnits ua, ub;
    QString spillA, spillB;
    Decode(reinterpret_cast<const char*>(sa), la, ua, spillA);
    Decode(reinterpret_cast<const char*>(sb), lb, ub, spillB);
    return caseInsensitive ? SpanishCompareCI(ua.constData(), int(ua.size()), ub.constData(), int(ub.size()))
                           : SpanishCompare(ua.constData(), int(ua.size()), ub.constData(), int(ub.size()));
}

}  // namespace platform::db
