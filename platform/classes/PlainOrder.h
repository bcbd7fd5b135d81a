#pragma once
// The Spanish collation's order on the plain characters (blank, digits, unaccented letters),
// which decides most comparisons of keys, years and names without opening a collator.
//
// On those characters the order is plain: blank, then digits, then letters without regard to
// case; texts alike in that are told apart by their first change of case. So two texts whose
// first difference of letters falls inside a plain start are ordered here, and so are texts of
// those characters only. Any other character (which may bond with the one before it, as a
// combining tilde does with "n") before that leaves the decision to the collator; one after it
// cannot undo it, for a bond only ever moves "n" to "ñ", still before "o".

namespace platform::classes {

constexpr int kAskCollator = 2;

// How texts alike but for case are ordered.
enum class TPlainCase { Ignored, CapitalsFirst, AskCollator };

namespace plain_detail {
constexpr unsigned char Folded(unsigned c) {
    return c == ' ' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ? (unsigned char)c
           : c >= 'a' && c <= 'z'                                       ? (unsigned char)(c - 32)
                                                                        : 0;
}
struct TPlainTable {
    unsigned char Fold[128] = {};
    constexpr TPlainTable() {
        for (unsigned c = 0; c < 128; ++c) Fold[c] = Folded(c);
    }
};
inline constexpr TPlainTable kPlain;
}  // namespace plain_detail

// -1, 0 or 1 when the plain order decides; kAskCollator when it does not. `Char` is a UTF-16
// unit or a UTF-8 byte.
template <class Char>
int PlainCompare(const Char* a, int la, const Char* b, int lb, TPlainCase cases) {
    using plain_detail::kPlain;
    auto plain = [](unsigned c) { return c < 128 && kPlain.Fold[c]; };
    const int n = la < lb ? la : lb;
    int firstCase = 0;
    for (int i = 0; i < n; ++i) {
        const unsigned ca = static_cast<unsigned>(a[i]), cb = static_cast<unsigned>(b[i]);
        if (!plain(ca) || !plain(cb)) return kAskCollator;
        if (ca == cb) continue;
        const unsigned fa = kPlain.Fold[ca], fb = kPlain.Fold[cb];
        if (fa != fb) return fa < fb ? -1 : 1;
        if (!firstCase) firstCase = ca < cb ? -1 : 1;  // capitals come first in the code too
    }
    // Alike up to the shorter one's end: the longer one's rest must be plain too (an ignorable
    // character adds nothing to the letters).
    const Char* rest = la > lb ? a : b;
    for (int i = n; i < (la > lb ? la : lb); ++i)
        if (!plain(static_cast<unsigned>(rest[i]))) return kAskCollator;
    if (la != lb) return la < lb ? -1 : 1;
    if (!firstCase || cases == TPlainCase::Ignored) return 0;
    return cases == TPlainCase::CapitalsFirst ? firstCase : kAskCollator;
}

}  // namespace platform::classes
