#pragma once
// Spanish text order shared by indexes, ORDER BY and ranges.
#include <QString>

namespace platform::db {

// The orders' ICU language tags, which the database server's collations use too.
extern const char* const SpanishOrderTag;    // full order, capitals first
extern const char* const SpanishLettersTag;  // letters only
// The same orders as ICU locale ids: opening a collator from these skips translating the tags,
// which loads a table of keywords that costs more than the collator itself.
extern const char* const SpanishOrderLocale;
extern const char* const SpanishLettersLocale;

// Full order: letters first (accents folded, "ñ" between "n" and "o", case ignored), then
// accents, then case (capitals first), so that only identical texts compare equal.
int SpanishCompare(const QChar* a, int lenA, const QChar* b, int lenB);
// Letters only: accents and case ignored (case-insensitive indexes and searches).
int SpanishCompareCI(const QChar* a, int lenA, const QChar* b, int lenB);

// The same orders on UTF-8 texts, as the database stores them.
int SpanishCompareUtf8(const char* a, int lenA, const char* b, int lenB, bool caseInsensitive);

inline int SpanishCompare(const QString& a, const QString& b) {
    return SpanishCompare(a.constData(), int(a.size()), b.constData(), int(b.size()));
}
inline int SpanishCompareCI(const QString& a, const QString& b) {
    return SpanishCompareCI(a.constData(), int(a.size()), b.constData(), int(b.size()));
}

// Whether `text` is the `searched` one, or begins with it when `prefix`. The beginning is cut in
// whole letters: an accent written apart ("e" + U+0301, text pasted from elsewhere) is one letter
// with its "e" on either side. Without case, texts compare as the Spanish order does at its first
// level: "Vázquez" begins with "vaz".
bool TextMatches(QString text, QString searched, bool prefix, bool caseInsensitive);

}  // namespace platform::db
