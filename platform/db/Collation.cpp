// The Spanish orders, defined once with ICU's Spanish collation so that the database server's
// ICU collations ("es-u-kf-upper", and "es-u-ks-level1" without case and accents) sort exactly
// as the data folder's file does.
#include "platform/db/Collation.h"
#include "platform/classes/PlainOrder.h"

#include <cstring>
#include <unicode/ucol.h>
#include <unicode/ustring.h>

namespace platform::db {
namespace {

// Read-only use of a collator is safe from any thread.
struct TCollators {
    UCollator* Full = nullptr;
    UCollator* Letters = nullptr;
    static UCollator* Open(const char* id) {
        UErrorCode e = U_ZERO_ERROR;
        UCollator* c = ucol_open(id, &e);
        if (U_FAILURE(e)) {
            e = U_ZERO_ERROR;
            c = ucol_open("es", &e);
        }
        return U_FAILURE(e) ? nullptr : c;
    }
    TCollators() : Full(Open(SpanishOrderLocale)), Letters(Open(SpanishLettersLocale)) {}
    ~TCollators() {
        if (Full) ucol_close(Full);
        if (Letters) ucol_close(Letters);
    }
};
const TCollators& C() {
    static const TCollators c;
    return c;
}

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

const char16_t* Units(const QChar* s) { return reinterpret_cast<const char16_t*>(s); }

using platform::classes::kAskCollator;
using platform::classes::PlainCompare;
using platform::classes::TPlainTies;

}  // namespace

const char* const SpanishOrderTag = "es-u-kf-upper";
const char* const SpanishLettersTag = "es-u-ks-level1";
const char* const SpanishOrderLocale = "es@colcasefirst=upper";
const char* const SpanishLettersLocale = "es@colstrength=primary";

int SpanishCompareCI(const QChar* a, int la, const QChar* b, int lb) {
    const int plain = PlainCompare(Units(a), la, Units(b), lb, TPlainTies::LettersOnly);
    if (plain != kAskCollator) return plain;
    return Sign(ucol_strcoll(C().Letters, reinterpret_cast<const UChar*>(a), la, reinterpret_cast<const UChar*>(b), lb));
}

int SpanishCompare(const QChar* a, int la, const QChar* b, int lb) {
    const int plain = PlainCompare(Units(a), la, Units(b), lb, TPlainTies::CapitalsFirst);
    if (plain != kAskCollator) return plain;
    const int r = ucol_strcoll(C().Full, reinterpret_cast<const UChar*>(a), la, reinterpret_cast<const UChar*>(b), lb);
    if (r != UCOL_EQUAL) return Sign(r);
    // Texts the collation cannot tell apart are ordered by their characters, so only identical
    // texts are equal (as the server does with a deterministic collation).
    return Sign(u_strCompare(reinterpret_cast<const UChar*>(a), la, reinterpret_cast<const UChar*>(b), lb, true));
}

int SpanishCompareUtf8(const char* a, int la, const char* b, int lb, bool caseInsensitive) {
    if (la == lb && (la == 0 || std::memcmp(a, b, size_t(la)) == 0)) return 0;  // identical texts
    const int plain = PlainCompare(reinterpret_cast<const unsigned char*>(a), la, reinterpret_cast<const unsigned char*>(b), lb,
                                   caseInsensitive ? TPlainTies::LettersOnly : TPlainTies::CapitalsFirst);
    if (plain != kAskCollator) return plain;
    UErrorCode e = U_ZERO_ERROR;
    const int r = ucol_strcollUTF8(caseInsensitive ? C().Letters : C().Full, a, la, b, lb, &e);
    if (r != UCOL_EQUAL || caseInsensitive) return Sign(r);
    // UTF-8 bytes sort as their characters do.
    const int n = la < lb ? la : lb;
    const int m = std::memcmp(a, b, size_t(n));
    if (m != 0) return Sign(m);
    return la < lb ? -1 : (la > lb ? 1 : 0);
}

bool TextMatches(QString text, QString searched, bool prefix, bool caseInsensitive) {
    if (prefix) {
        text = text.normalized(QString::NormalizationForm_C);
        searched = searched.normalized(QString::NormalizationForm_C);
        text.truncate(searched.size());
    }
    return caseInsensitive ? SpanishCompareCI(text, searched) == 0 : text == searched;
}

}  // namespace platform::db
