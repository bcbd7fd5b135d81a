#pragma once
// Character-set tests, replacing, trimming, filling and word extraction.
#include <QString>
#include <QStringView>

#include <bitset>

// A set of Latin-1 characters; a character above code 255 is in no set.
class TCharSet {
public:
    TCharSet() = default;
    // The set of the characters of `members` (those above code 255 are left out).
    explicit TCharSet(QStringView members);
    // Source text is UTF-8: TCharSet(" ,;ñ").
    TCharSet(const char* members) : TCharSet(QString::fromUtf8(members)) {}
    static TCharSet Range(char16_t first, char16_t last);

    bool Contains(QChar c) const { return c.unicode() < 256 && FBits.test(c.unicode()); }
    TCharSet& Include(QChar c);
    TCharSet operator+(const TCharSet& other) const;
    TCharSet operator-(const TCharSet& other) const;
    bool operator==(const TCharSet& other) const = default;
    bool IsEmpty() const { return FBits.none(); }

private:
    std::bitset<256> FBits;
};

bool AllCharsInSet(const QString& s, const TCharSet& chars);
// Every occurrence, left to right without overlap; inserted text is not searched again.
QString ReplaceStr(const QString& s, const QString& search, const QString& replacement);
QString DelChars(const QString& s, QChar c);
// Only the space character (code 32) is trimmed; tabs stay.
QString TrimLeadingBlanks(const QString& s);
QString TrimTrailingBlanks(const QString& s);
QString TrimSpaces(const QString& s);
QString MakeStr(QChar c, int n);
// Words are the maximal runs of characters outside `delims`; positions count from 1.
int WordCount(const QString& s, const TCharSet& delims);
int WordPosition(int n, const QString& s, const TCharSet& delims);
QString ExtractWord(int n, const QString& s, const TCharSet& delims);
