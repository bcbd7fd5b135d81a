#include "controls/visual/StrHelpers.h"

TCharSet::TCharSet(QStringView members) {
    for (QChar c : members)
        Include(c);
}

TCharSet TCharSet::Range(char16_t first, char16_t last) {
    TCharSet r;
    for (unsigned c = first; c <= last && c < 256; ++c)
        r.FBits.set(c);
    return r;
}

TCharSet& TCharSet::Include(QChar c) {
    if (c.unicode() < 256)
        FBits.set(c.unicode());
    return *this;
}

TCharSet TCharSet::operator+(const TCharSet& other) const {
    TCharSet r;
    r.FBits = FBits | other.FBits;
    return r;
}

TCharSet TCharSet::operator-(const TCharSet& other) const {
    TCharSet r;
    r.FBits = FBits & ~other.FBits;
    return r;
}

bool AllCharsInSet(const QString& s, const TCharSet& chars) {
    for (QChar c : s)
        if (!chars.Contains(c))
            return false;
    return true;
}

QString ReplaceStr(const QString& s, const QString& search, const QString& replacement) {
    if (search.isEmpty())
        return s;
    QString r;
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = s.indexOf(search, from);
        if (at < 0)
            break;
        r += QStringView(s).mid(from, at - from);
        r += replacement;
        from = at + search.size();
    }
    r += QStringView(s).mid(from);
    return r;
}

QString DelChars(const QString& s, QChar c) {
    QString r = s;
    r.remove(c);
    return r;
}

QString TrimLeadingBlanks(const QString& s) {
    qsizetype i = 0;
    while (i < s.size() && s.at(i) == QLatin1Char(' '))
        ++i;
    return s.mid(i);
}

QString TrimTrailingBlanks(const QString& s) {
    qsizetype n = s.size();
    while (n > 0 && s.at(n - 1) == QLatin1Char(' '))
        --n;
    return s.left(n);
}

QString TrimSpaces(const QString& s) { return TrimLeadingBlanks(TrimTrailingBlanks(s)); }

QString MakeStr(QChar c, int n) { return n < 1 ? QString() : QString(n, c); }

int WordCount(const QString& s, const TCharSet& delims) {
    int count = 0;
    bool inWord = false;
    for (QChar c : s) {
        const bool isDelim = delims.Contains(c);
        if (!isDelim && !inWord)
            ++count;
        inWord = !isDelim;
    }
    return count;
}

int WordPosition(int n, const QString& s, const TCharSet& delims) {
    int count = 0;
    qsizetype i = 0;
    const qsizetype len = s.size();
    while (i < len) {
        while (i < len && delims.Contains(s.at(i)))
            ++i;
        if (i < len && ++count == n)
            return int(i + 1);
        while (i < len && !delims.Contains(s.at(i)))
            ++i;
    }
    return 0;
}

QString ExtractWord(int n, const QString& s, const TCharSet& delims) {
    const int pos = WordPosition(n, s, delims);
    if (pos == 0)
        return QString();
    qsizetype end = pos - 1;
    while (end < s.size() && !delims.Contains(s.at(end)))
        ++end;
    return s.mid(pos - 1, end - (pos - 1));
}
