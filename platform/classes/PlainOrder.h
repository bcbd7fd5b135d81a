#pragma once
// The Spanish collation's first level (letters) on the common characters: blank, digits, and the
// letters of Spanish and its neighbours, with or without accent ("ñ" a letter of its own between
// "n" and "o"). It decides most comparisons of keys, years and names without opening a collator.
//
// Two texts whose letters first differ at a position where both hold such characters, with only
// such characters or the same other ones on both sides before it, and none that could bond with
// it right after it (a combining tilde after "n" makes it "ñ"; nothing in Latin-1 bonds), are
// ordered by those letters: nothing further on weighs against a difference of letters. Texts of
// such characters only, alike in their letters, are told apart by length, and then by case where
// no accent is involved; any other tie-break, and any other difference on the way, leaves the
// decision to the collator.

namespace platform::classes {

constexpr int kAskCollator = 2;

// What decides between texts with the same letters.
enum class TPlainTies {
    LettersOnly,    // nothing: they are equal
    CaseIgnored,    // accents (the collator); case does not count
    CapitalsFirst,  // accents (the collator), then case, capitals first
    AskCollator,    // accents and case (the collator)
};

namespace plain_detail {
// Rank of the letter, digit or blank a character weighs as; 0 for the others.
constexpr unsigned char Rank(unsigned c) {
    constexpr unsigned kLetters = 12;  // blank 1, digits 2-11, then two ranks per letter
    auto letter = [](char l) { return (unsigned char)(kLetters + 2 * unsigned(l - 'A')); };
    if (c == ' ') return 1;
    if (c >= '0' && c <= '9') return (unsigned char)(2 + c - '0');
    if (c >= 'A' && c <= 'Z') return letter(char(c));
    if (c >= 'a' && c <= 'z') return letter(char(c - 32));
    if (c < 0xC0 || c > 0xFF) return 0;
    if (c >= 0xE0 && c != 0xF7 && c != 0xFF) c -= 0x20;  // the small letters as capitals
    if (c >= 0xC0 && c <= 0xC5) return letter('A');
    if (c == 0xC7) return letter('C');
    if (c >= 0xC8 && c <= 0xCB) return letter('E');
    if (c >= 0xCC && c <= 0xCF) return letter('I');
    if (c == 0xD1) return (unsigned char)(letter('N') + 1);
    if (c >= 0xD2 && c <= 0xD6) return letter('O');
    if (c >= 0xD9 && c <= 0xDC) return letter('U');
    if (c == 0xDD || c == 0xFF) return letter('Y');
    return 0;  // Æ, Ð, Ø, Þ, ß and the signs weigh otherwise
}
struct TRanks {
    unsigned char Of[256] = {};
    constexpr TRanks() {
        for (unsigned c = 0; c < 256; ++c) Of[c] = Rank(c);
    }
};
inline constexpr TRanks kRanks;

// The character at `i` of a text of UTF-16 units or UTF-8 bytes, and its length in them; a
// character outside Latin-1 (or a malformed one) comes back as 0x100.
inline unsigned At(const char16_t* s, int i, int n, int& len) {
    (void)n;
    len = 1;
    return s[i] < 0x100 ? s[i] : 0x100;
}
inline unsigned At(const unsigned char* s, int i, int n, int& len) {
    len = 1;
    if (s[i] < 0x80) return s[i];
    if ((s[i] == 0xC2 || s[i] == 0xC3) && i + 1 < n && (s[i + 1] & 0xC0) == 0x80) {
        len = 2;
        return unsigned((s[i] & 0x1F) << 6) | (s[i + 1] & 0x3F);
    }
    return 0x100;
}
inline unsigned RankOf(unsigned c) { return c < 0x100 ? kRanks.Of[c] : 0; }
}  // namespace plain_detail

// Whether the character at `i` (or the end) cannot bond with the one before it: nothing in
// Latin-1 does.
template <class Char>
bool Unbonded(const Char* s, int i, int n) {
    int len = 0;
    return i >= n || plain_detail::At(s, i, n, len) < 0x100;
}

// -1, 0 or 1 when the letters decide; kAskCollator when they do not.
template <class Char>
int PlainCompare(const Char* a, int la, const Char* b, int lb, TPlainTies ties) {
    using namespace plain_detail;
    int ia = 0, ib = 0, firstCase = 0;
    bool accents = false, others = false;
    while (ia < la && ib < lb) {
        int na = 0, nb = 0;
        const unsigned ca = At(a, ia, la, na), cb = At(b, ib, lb, nb);
        const unsigned ra = RankOf(ca), rb = RankOf(cb);
        if (!ra || !rb) {
            // The same unit on both sides weighs the same on both.
            if (a[ia] != b[ib]) return kAskCollator;
            others = true;
            ++ia;
            ++ib;
            continue;
        }
        ia += na;
        ib += nb;
        if (ca == cb) continue;
        if (ra != rb) return Unbonded(a, ia, la) && Unbonded(b, ib, lb) ? (ra < rb ? -1 : 1) : kAskCollator;
        if (ca >= 0x80 || cb >= 0x80) accents = true;
        else if (!firstCase) firstCase = ca < cb ? -1 : 1;  // capitals come first in the code too
    }
    if (others) return kAskCollator;
    // Alike up to the shorter one's end: the longer one's rest must be such characters too (an
    // ignorable character adds nothing to the letters).
    for (int i = ia, len = 0; i < la; i += len)
        if (!RankOf(At(a, i, la, len))) return kAskCollator;
    for (int i = ib, len = 0; i < lb; i += len)
        if (!RankOf(At(b, i, lb, len))) return kAskCollator;
    if ((ia < la) != (ib < lb)) return ia < la ? 1 : -1;
    if (ties == TPlainTies::LettersOnly) return 0;
    if (accents) return kAskCollator;
    if (!firstCase || ties == TPlainTies::CaseIgnored) return 0;
    return ties == TPlainTies::CapitalsFirst ? firstCase : kAskCollator;
}

}  // namespace platform::classes
