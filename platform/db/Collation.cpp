#include "platform/db/Collation.h"

#include <array>

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

inline quint32 Primary(QChar ch) {
    ushort u = ch.unicode();
    if (u < 256) return W().primary[u];
    QString d = QString(ch).normalized(QString::NormalizationForm_D);
    return quint32(d.at(0).toLower().unicode()) * 2;
}
inline quint32 Accent(QChar ch) {
    ushort u = ch.unicode();
    if (u < 256) return W().accent[u];
    return u;
}

int ComparePrimary(const QChar* a, int la, const QChar* b, int lb) {
    int n = la < lb ? la : lb;
    for (int i = 0; i < n; ++i) {
        if (a[i] == b[i]) continue;
        quint32 pa = Primary(a[i]), pb = Primary(b[i]);
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
    for (int i = 0; i < la; ++i) {
        quint32 x = Accent(a[i]), y = Accent(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    for (int i = 0; i < la; ++i)
        if (a[i] != b[i]) return a[i].unicode() < b[i].unicode() ? -1 : 1;
    return 0;
}

}  // namespace platform::db
