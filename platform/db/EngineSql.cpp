#include "platform/db/EngineSql.h"

#include "platform/rtl/Exceptions.h"

#include <algorithm>

namespace platform::db::engine {

// Text as the engine stores it: a lone surrogate (half of a pair) becomes the replacement
// character instead of taking the next character with it.
QString ValidText(const QString& s) {
    const qsizetype n = s.size();
    qsizetype i = 0;
    for (; i < n; ++i) {
        const QChar c = s[i];
        if (c.isHighSurrogate() && i + 1 < n && s[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate()) break;
    }
    if (i == n) return s;
    QString out = s;
    for (i = 0; i < n; ++i) {
        if (out[i].isHighSurrogate() && i + 1 < n && out[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (out[i].isSurrogate()) out[i] = QChar::ReplacementCharacter;
    }
    return out;
}

// What follows the first statement of a text: blanks, semicolons and comments only, or else
// the rest, which must not be dropped without a word.
QString ExtraStatement(const QChar* tail, const QChar* end) {
    const QChar* p = tail;
    while (p < end) {
        if (p->isSpace() || *p == QLatin1Char(';')) {
            ++p;
        } else if (*p == QLatin1Char('-') && p + 1 < end && p[1] == QLatin1Char('-')) {
            while (p < end && *p != QLatin1Char('\n')) ++p;
        } else if (*p == QLatin1Char('/') && p + 1 < end && p[1] == QLatin1Char('*')) {
            p += 2;
            while (p + 1 < end && !(*p == QLatin1Char('*') && p[1] == QLatin1Char('/'))) ++p;
            p = std::min(p + 2, end);
        } else {
            return QString(p, end - p).trimmed();
        }
    }
    return QString();
}

[[noreturn]] void RefuseExtraStatement(const QString& extra) {
    EngineError(ecSqlError, QString::fromUtf8("Sólo se admite una sentencia; sobra: %1").arg(extra.left(80)));
}

// Byte offset of a record in the lock file: 62 bits of an FNV-1a hash of table and identity.
namespace {
void Mix(quint64& h, quint8 b) {
    h ^= b;
    h *= 1099511628211ull;
}
}  // namespace

quint64 LockSeed(const QString& table) {
    quint64 h = 1469598103934665603ull;
    const QByteArray t = StorageName(table).toUtf8();
    for (char c : t) Mix(h, quint8(c));
    Mix(h, 0);
    return h;
}

quint64 LockOffset(quint64 seed, qint64 id) {
    for (int i = 0; i < 8; ++i) Mix(seed, quint8(quint64(id) >> (8 * i)));
    return seed & ((1ull << 62) - 1);
}

quint64 LockOffset(const QString& table, qint64 id) { return LockOffset(LockSeed(table), id); }


namespace {
// The word each column type is declared with, and read back by.
const std::pair<const char*, TColumnType> kTypeWords[] = {
    {"TEXT", TColumnType::Text},         {"INTEGER", TColumnType::Integer},   {"SMALLINT", TColumnType::Short},
    {"FLOAT", TColumnType::Float},       {"CURRENCY", TColumnType::Currency}, {"DATE", TColumnType::Date},
    {"TIME", TColumnType::Time},         {"DATETIME", TColumnType::DateTime}, {"LOGICAL", TColumnType::Logical},
    {"MEMOTEXT", TColumnType::Memo},     {"BLOB", TColumnType::Blob},         {"AUTOINC", TColumnType::AutoInc}};
}  // namespace

QString TypeWord(TColumnType t) {
    for (auto& [name, type] : kTypeWords)
        if (type == t) return QString::fromLatin1(name);
    return QStringLiteral("TEXT");
}

bool IsDeclarationWord(QStringView w) {
    if (w.isEmpty()) return false;
    // Told by the first letter before the whole word: every column's words pass here.
    const char16_t first = w.front().unicode() | 0x20;
    auto is = [&](const char* name) { return char16_t(uchar(name[0]) | 0x20) == first && IsKeyword(w, name); };
    if (is("REQUIRED")) return true;
    for (auto& [name, type] : kTypeWords)
        if (is(name)) return true;
    return false;
}

// "WORD [REQUIRED] [(size)]", read by hand: a pattern here costs more to build than every
// layout of a data folder takes to read.
bool ParseType(const QString& decl, TColumnDesc& c) {
    const QString d = decl.trimmed();
    const qsizetype n = d.size();
    auto isWordChar = [](QChar ch) { return ch.isLetterOrNumber() || ch == QLatin1Char('_'); };
    auto skipSpace = [&](qsizetype& i) {
        const qsizetype from = i;
        while (i < n && d[i].isSpace()) ++i;
        return i > from;
    };
    qsizetype i = 0;
    while (i < n && isWordChar(d[i])) ++i;
    if (i == 0) return false;
    const QStringView word = QStringView(d).left(i);
    bool required = false;
    if (skipSpace(i) && QStringView(d).mid(i, 8).compare(QLatin1String("REQUIRED"), Qt::CaseInsensitive) == 0 &&
        (i + 8 == n || !isWordChar(d[i + 8]))) {
        required = true;
        i += 8;
        skipSpace(i);
    }
    int size = 0;
    if (i < n && d[i] == QLatin1Char('(')) {
        const qsizetype digits = ++i;
        while (i < n && d[i] >= QLatin1Char('0') && d[i] <= QLatin1Char('9')) ++i;
        if (i == digits || i >= n || d[i] != QLatin1Char(')')) return false;
        size = QStringView(d).mid(digits, i - digits).toInt();
        ++i;
    }
    if (i != n) return false;
    for (auto& [name, type] : kTypeWords)
        if (word.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) {
            c.Type = type;
            c.Required = required;
            c.Size = size;
            return true;
        }
    return false;
}

QString Quote(const QString& name) {
    QString q;
    AppendQuoted(q, name);
    return q;
}
void AppendQuoted(QString& to, const QString& name) {
    to.reserve(to.size() + name.size() + 2);
    to += QLatin1Char('"');
    if (name.contains(QLatin1Char('"'))) to += QString(name).replace(QLatin1Char('"'), QLatin1String("\"\""));
    else to += name;
    to += QLatin1Char('"');
}

bool IsTextType(TColumnType t) { return t == TColumnType::Text || t == TColumnType::Memo; }

QVariant BlankOf(TColumnType t) {
    if (t == TColumnType::Text) return QVariant(QString(QLatin1String("")));
    if (t == TColumnType::Float || t == TColumnType::Currency || t == TColumnType::Date || t == TColumnType::Time ||
        t == TColumnType::DateTime)
        return QVariant(0.0);
    return QVariant(qlonglong(0));
}

// ---------------------------------------------------------------- SQL translation

std::vector<TToken> Tokenize(const QString& s) {
    std::vector<TToken> out;
    int i = 0, n = int(s.size());
    while (i < n) {
        QChar c = s[i];
        int j = i + 1;
        if (c.isSpace()) {
            while (j < n && s[j].isSpace()) ++j;
            out.push_back({TToken::Space, s.mid(i, j - i)});
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            while (j < n) {
                if (s[j] == c) {
                    if (j + 1 < n && s[j + 1] == c) { j += 2; continue; }
                    ++j;
                    break;
                }
                ++j;
            }
            out.push_back({c == QLatin1Char('\'') ? TToken::Str : TToken::Quoted, s.mid(i, j - i)});
        } else if (c.isLetter() || c == QLatin1Char('_')) {
            while (j < n && (s[j].isLetterOrNumber() || s[j] == QLatin1Char('_'))) ++j;
            out.push_back({TToken::Word, s.mid(i, j - i)});
        } else if (c.isDigit()) {
            while (j < n && (s[j].isDigit() || s[j] == QLatin1Char('.'))) ++j;
            out.push_back({TToken::Num, s.mid(i, j - i)});
        } else if (c == QLatin1Char(':') && j < n && (s[j].isLetter() || s[j] == QLatin1Char('_'))) {
            while (j < n && (s[j].isLetterOrNumber() || s[j] == QLatin1Char('_'))) ++j;
            out.push_back({TToken::Word, s.mid(i, j - i)});
        } else {
            if ((c == QLatin1Char('|') || c == QLatin1Char('<') || c == QLatin1Char('>') || c == QLatin1Char('!')) && j < n &&
                (s[j] == QLatin1Char('|') || s[j] == QLatin1Char('=') || s[j] == QLatin1Char('>')))
                ++j;
            out.push_back({TToken::Op, s.mid(i, j - i)});
        }
        i = j;
    }
    return out;
}

bool IsKeyword(QStringView text, const char* w) {
    const QChar* p = text.data();
    const qsizetype n = text.size();
    qsizetype i = 0;
    for (; i < n && w[i]; ++i) {
        const char16_t c = p[i].unicode();
        const char16_t k = char16_t(uchar(w[i]));
        if (c == k) continue;
        const char16_t lower = k | 0x20;
        if (lower < u'a' || lower > u'z' || (c | 0x20) != lower) return false;
    }
    return i == n && !w[i];
}

bool IsWord(const TToken& t, const char* w) { return t.kind == TToken::Word && IsKeyword(t.text, w); }


QVariant KeyValue(const TTableDesc& d, const QString& col, const QVariant& v) {
    // A text that holds characters is never null.
    if (v.typeId() == QMetaType::QString && !static_cast<const QString*>(v.constData())->isEmpty()) return v;
    if (v.isValid() && !v.isNull()) return v;
    const int c = d.ColumnIndex(col);
    return c >= 0 ? BlankOf(d.Columns[size_t(c)].Type) : v;
}

bool OrderIsUnique(const TCursorSpec& s, const TTableDesc& d) {
    for (const TIndexDesc& ix : d.Indexes) {
        if (!(ix.Primary || ix.Unique) || ix.Fields.isEmpty()) continue;
        // Texts that differ in case only tie in an order without case, unless the index
        // refuses them too.
        if (s.CaseInsensitive && !ix.CaseInsensitive) continue;
        const bool covered = std::all_of(ix.Fields.begin(), ix.Fields.end(), [&](const QString& f) {
            return std::any_of(s.OrderCols.begin(), s.OrderCols.end(),
                               [&](int oc) { return s.Columns[oc].compare(f.trimmed(), Qt::CaseInsensitive) == 0; });
        });
        if (covered) return true;
    }
    return false;
}

bool MatchBlank(const TCursorSpec::TMatch& m, bool text) {
    if (m.Value.typeId() == QMetaType::QString) {
        // A text that holds characters is never null.
        if (!static_cast<const QString*>(m.Value.constData())->isEmpty()) return false;
        return text || m.Value.isNull();
    }
    return !m.Value.isValid() || m.Value.isNull() || (text && m.Value.toString().isEmpty());
}

QString TCursorWords::Param(const std::vector<QVariant>& args) const {
    return Numbered ? QStringLiteral("$%1").arg(args.size()) : QStringLiteral("?");
}

QString TCursorWords::Key(const TTableDesc& d, const QString& col, bool noCase) const {
    const int c = d.ColumnIndex(col);
    QString e = Column(col);
    if (noCase && c >= 0 && IsTextType(d.Columns[size_t(c)].Type)) e += NoCase;
    return e;
}

namespace {
// The position of the first "?" at or after `from` outside quoted names and texts.
qsizetype PlaceholderAfter(const QString& sql, qsizetype from) {
    QChar quote;
    for (qsizetype i = from; i < sql.size(); ++i) {
        const QChar c = sql[i];
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
        } else if (c == QLatin1Char('?')) {
            return i;
        }
    }
    return sql.size();
}
}  // namespace

void CursorRestriction(const TCursorSpec& s, const TTableDesc& d, const TCursorWords& w, QString* where, std::vector<QVariant>& args) {
    QStringList conds;
    auto bound = [&](const std::vector<QVariant>& vals, const char* op) {
        const size_t n = std::min(vals.size(), s.OrderCols.size());
        if (n == 0) return;
        QStringList l, r;
        for (size_t i = 0; i < n; ++i) {
            const QString& col = s.Columns[s.OrderCols[i]];
            args.push_back(KeyValue(d, col, vals[i]));
            if (!where) continue;
            l << w.Key(d, col, s.CaseInsensitive);
            r << w.Param(args);
        }
        if (where) conds << QStringLiteral("(%1) %2 (%3)").arg(l.join(QLatin1Char(',')), QLatin1String(op), r.join(QLatin1Char(',')));
    };
    if (s.HasLow) bound(s.Low, ">=");
    if (s.HasHigh) bound(s.High, "<=");
    // The filter's text is translated already; its "?" stand for its values, in order.
    if (!s.Where.isEmpty()) {
        QString text;
        qsizetype at = 0;
        for (const QVariant& v : s.WhereArgs) {
            args.push_back(v);
            if (!where) continue;
            const qsizetype mark = PlaceholderAfter(s.Where, at);
            text += s.Where.mid(at, mark - at) + w.Param(args);
            at = mark + 1;
        }
        if (where) conds << QLatin1Char('(') + text + s.Where.mid(at) + QLatin1Char(')');
    }
    for (const auto& m : s.Matches) {
        const QString& colName = s.Columns[m.Col];
        const int c = d.ColumnIndex(colName, m.Col);
        const bool text = c >= 0 && IsTextType(d.Columns[size_t(c)].Type);
        const QString col = where ? w.Column(colName) : QString();
        // A blank is stored as null or as the column's blank (an empty text, a zero).
        if (MatchBlank(m, text)) {
            args.push_back(c >= 0 ? BlankOf(d.Columns[size_t(c)].Type) : QVariant());
            if (where) conds << QStringLiteral("(%1 IS NULL OR %1 = %2)").arg(col, w.Param(args));
            continue;
        }
        args.push_back(m.Value);
        if (!where) continue;
        // The engines count a text's letters, not its UTF-16 units.
        const QString lhs = text && m.Partial ? w.Prefix(col, int(m.Value.toString().toUcs4().size())) : col;
        if (text) conds << w.TextEquals(lhs, w.Param(args), m.CaseInsensitive);
        else conds << QStringLiteral("%1 = %2").arg(lhs, w.Param(args));
    }
    if (s.InCol >= 0 && !s.In.empty()) {
        QStringList l;
        for (const QVariant& v : s.In) {
            args.push_back(KeyValue(d, s.Columns[s.InCol], v));
            if (where) l << w.Param(args);
        }
        if (where) conds << QStringLiteral("%1 IN (%2)").arg(w.Column(s.Columns[s.InCol]), l.join(QLatin1Char(',')));
    }
    if (s.OnlyId != 0) {
        args.push_back(QVariant(s.OnlyId));
        if (where) conds << QStringLiteral("%1 = %2").arg(w.Id, w.Param(args));
    }
    if (where) *where = conds.join(QStringLiteral(" AND "));
}

namespace {
// `to` becomes `from` unless it holds the very same characters (or texts) already, as a
// cursor's probe mostly does: sharing them again would only count references up and down.
template <class T>
void Share(T& to, const T& from) {
    if (to.constData() != from.constData() || to.size() != from.size()) to = from;
}
}  // namespace

void ShapeOf(TShape& h, int kind, const TCursorSpec& s, const TTableDesc& d, bool from, bool forward, int count) {
    h.Kind = kind;
    Share(h.Table, s.Table);
    Share(h.Columns, s.Columns);
    h.OrderCols.clear();
    h.CaseInsensitive = false;
    h.Low = h.High = -1;
    h.Matches.clear();
    h.InCol = -1;
    h.In = 0;
    h.OnlyId = h.From = false;
    h.Forward = true;
    h.Count = 0;
    if (kind == 2) {
        h.Where.clear();
        return;
    }
    h.OrderCols.assign(s.OrderCols.begin(), s.OrderCols.end());
    h.CaseInsensitive = s.CaseInsensitive;
    const int keys = int(s.OrderCols.size());
    if (s.HasLow) h.Low = std::min(int(s.Low.size()), keys);
    if (s.HasHigh) h.High = std::min(int(s.High.size()), keys);
    Share(h.Where, s.Where);
    for (const auto& m : s.Matches) {
        const int c = d.ColumnIndex(s.Columns[m.Col], m.Col);
        const bool text = c >= 0 && IsTextType(d.Columns[size_t(c)].Type);
        h.Matches.push_back(m.Col);
        if (MatchBlank(m, text)) {
            h.Matches.push_back(-1);
            continue;
        }
        h.Matches.push_back(text && m.Partial ? int(m.Value.toString().size()) + 1 : 0);
        h.Matches.push_back(text && m.CaseInsensitive ? 1 : 0);
    }
    h.InCol = s.In.empty() ? -1 : s.InCol;
    h.In = int(s.In.size());
    h.OnlyId = s.OnlyId != 0;
    h.From = from;
    h.Forward = forward;
    h.Count = count;
}

std::vector<QVariant> Coerced(const TTableDesc& d, const QStringList& cols, const std::vector<QVariant>& values) {
    std::vector<QVariant> out(values);
    for (int i = 0; i < cols.size(); ++i) {
        // Datasets write the columns in the layout's order: the same place is tried first.
        const int c = d.ColumnIndex(cols[i], i);
        if (c < 0) EngineError(ecInvalidRequest, QStringLiteral("Field '%1' not found.").arg(cols[i]));
        QVariant& v = out[size_t(i)];
        const bool blank = !v.isValid() || v.isNull() || (v.typeId() == QMetaType::QString && v.toString().isEmpty());
        if (blank) v = Indexed(d, d.Columns[size_t(c)].Name) ? BlankOf(d.Columns[size_t(c)].Type) : QVariant();
    }
    return out;
}

bool SameValue(const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull()) return a.isNull() && b.isNull();
    return a.typeId() == b.typeId() && a == b;
}

QString Declaration(const TColumnDesc& c) {
    QString decl = TypeWord(c.Type);
    if (c.Required) decl += QLatin1String(" REQUIRED");
    if (c.Size > 0) decl += QStringLiteral("(%1)").arg(c.Size);
    return decl;
}

bool Indexed(const TTableDesc& d, const QString& col) {
    for (auto& ix : d.Indexes)
        for (auto& f : ix.Fields)
            if (f.compare(col, Qt::CaseInsensitive) == 0) return true;
    return false;
}

QString TranslateLocalSql(const QString& sql, const TDialect& dialect) {
    std::vector<TToken> t = Tokenize(sql);
    auto next = [&t](size_t i) {  // index of the next non-blank token
        for (++i; i < t.size(); ++i)
            if (t[i].kind != TToken::Space) return i;
        return t.size();
    };
    auto prev = [&t](size_t i) -> long {
        for (long k = long(i) - 1; k >= 0; --k)
            if (t[k].kind != TToken::Space) return k;
        return -1;
    };
    // Table names written as files: "Exped.db" or EXPED.DB.
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i].kind == TToken::Quoted && t[i].text.endsWith(QLatin1String(".db\""), Qt::CaseInsensitive)) {
            t[i].text = Quote(StorageName(t[i].text.mid(1, t[i].text.size() - 2)));
        } else if (t[i].kind == TToken::Word && i + 2 < t.size() && t[i + 1].text == QLatin1String(".") &&
                   IsWord(t[i + 2], "DB") && (i + 3 >= t.size() || t[i + 3].kind != TToken::Op || t[i + 3].text != QLatin1String("."))) {
            if (dialect.TableExists && dialect.TableExists(t[i].text)) {
                t[i + 1].text.clear();
                t[i + 2].text.clear();
            }
        }
    }
    // EXTRACT(part FROM x) -> zb_extract('part', x); SUBSTRING(x FROM a FOR b) -> substr(x, a, b).
    for (size_t i = 0; i < t.size(); ++i) {
        if (IsWord(t[i], "EXTRACT")) {
            size_t p = next(i);
            if (p < t.size() && t[p].text == QLatin1String("(")) {
                size_t part = next(p), from = next(part);
                if (from < t.size() && IsWord(t[from], "FROM")) {
                    t[i].text = dialect.Extract;
                    t[part].text = QLatin1Char('\'') + t[part].text.toUpper() + QLatin1Char('\'');
                    t[from].text = QStringLiteral(",");
                }
            }
        } else if (IsWord(t[i], "SUBSTRING")) {
            t[i].text = dialect.Substr;
            int depth = 0;
            for (size_t k = next(i); k < t.size(); ++k) {
                if (t[k].text == QLatin1String("(")) ++depth;
                else if (t[k].text == QLatin1String(")")) { if (--depth == 0) break; }
                else if (depth == 1 && (IsWord(t[k], "FROM") || IsWord(t[k], "FOR"))) t[k].text = QStringLiteral(",");
            }
        }
    }
    // Blank texts are stored as nulls; the local SQL concatenated blanks as empty texts and
    // treated them as null in IS [NOT] NULL.
    auto operandStart = [&](long k) -> long {  // a column reference ending at k
        if (k < 0 || t[k].kind != TToken::Word) return -1;
        long s = k;
        while (s >= 2 && t[s - 1].text == QLatin1String(".") && t[s - 2].kind == TToken::Word) s -= 2;
        return s;
    };
    auto isColumnRef = [&](long s, long e) {
        if (s < 0) return false;
        static const char* const keywords[] = {"END", "NULL", "THEN", "ELSE", "WHEN", "CASE", "AND", "OR", "NOT",
                                               "SELECT", "FROM", "WHERE", "AS", "ON", "BY", "DISTINCT", "ALL"};
        if (s == e)
            for (const char* k : keywords)
                if (IsWord(t[s], k)) return false;
        long after = long(next(size_t(e)));
        if (after < long(t.size()) && t[after].text == QLatin1String("(")) return false;  // function call
        return !t[s].text.startsWith(QLatin1Char(':'));
    };
    std::vector<std::pair<long, long>> wrap;  // token ranges to wrap in IFNULL(...,'')
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i].kind != TToken::Op || t[i].text != QLatin1String("||")) continue;
        long l = prev(i);
        long s = operandStart(l);
        if (isColumnRef(s, l)) wrap.emplace_back(s, l);
        long r = long(next(i));
        if (r < long(t.size()) && t[r].kind == TToken::Word) {
            long e = r;
            while (e + 2 < long(t.size()) && t[e + 1].text == QLatin1String(".") && t[e + 2].kind == TToken::Word) e += 2;
            if (isColumnRef(r, e)) wrap.emplace_back(r, e);
        }
    }
    for (auto [s, e] : wrap) {
        if (t[s].text.startsWith(dialect.BlankAsEmptyOpen)) continue;
        t[s].text = dialect.BlankAsEmptyOpen + t[s].text;
        t[e].text += dialect.BlankAsEmptyClose;
    }
    for (size_t i = 0; i < t.size(); ++i) {
        if (!IsWord(t[i], "IS")) continue;
        size_t n1 = next(i);
        if (n1 < t.size() && IsWord(t[n1], "NOT")) n1 = next(n1);
        if (n1 >= t.size() || !IsWord(t[n1], "NULL")) continue;
        long l = prev(i);
        long s = operandStart(l);
        if (s < 0 || !isColumnRef(s, l) || t[s].text.startsWith(dialect.BlankAsEmptyOpen)) continue;
        t[s].text = dialect.EmptyAsNullOpen + t[s].text;
        t[l].text += dialect.EmptyAsNullClose;
    }
    // How deep in parentheses each token lies: the statement's own clauses are at level 0.
    std::vector<int> level(t.size(), 0);
    int open = 0;
    for (size_t k = 0; k < t.size(); ++k) {
        level[k] = open;
        if (t[k].text == QLatin1String("(")) ++open;
        else if (t[k].text == QLatin1String(")")) --open;
    }
    auto unquoted = [&](size_t k) { return t[k].kind == TToken::Quoted ? t[k].text.mid(1, t[k].text.size() - 2) : t[k].text; };
    // The one table a plain statement reads (empty when it reads more, or combines or joins).
    QString onlyTable;
    if (dialect.ColumnIsText || dialect.PrimaryKey) {
        int froms = 0;
        size_t from = 0;
        bool plain = true;
        for (size_t k = 0; k < t.size() && plain; ++k) {
            if (IsWord(t[k], "UNION") || IsWord(t[k], "JOIN") || IsWord(t[k], "EXCEPT") || IsWord(t[k], "INTERSECT")) plain = false;
            else if (level[k] == 0 && IsWord(t[k], "FROM")) ++froms, from = k;
        }
        const size_t name = next(from), after = next(name);
        if (plain && froms == 1 && name < t.size() && (t[name].kind == TToken::Word || t[name].kind == TToken::Quoted) &&
            (after >= t.size() || IsWord(t[after], "WHERE") || IsWord(t[after], "ORDER") || IsWord(t[after], "GROUP") ||
             IsWord(t[after], "LIMIT") || t[after].text == QLatin1String(";")))
            onlyTable = unquoted(name);
    }
    // A term that is the name of a column of that table holding no text, and no alias of the
    // list's: the collation would change nothing but keep the table's index from ordering it.
    auto holdsNoText = [&](long k) {
        if (onlyTable.isEmpty() || (t[k].kind != TToken::Word && t[k].kind != TToken::Quoted)) return false;
        if (level[size_t(k)] != 0) return false;  // the statement's own order, not a nested one's
        const long before = prev(size_t(k));
        if (before < 0 || !(IsWord(t[before], "BY") || t[before].text == QLatin1String(","))) return false;
        for (size_t a = 0; a + 1 < t.size(); ++a) {
            if (!IsWord(t[a], "AS")) continue;
            const size_t alias = next(a);
            if (alias < t.size() && t[alias].text.compare(t[k].text, Qt::CaseInsensitive) == 0) return false;
        }
        return dialect.ColumnIsText && dialect.ColumnIsText(onlyTable, unquoted(size_t(k))) == 0;
    };
    // ORDER BY terms sort texts in Spanish even when they are expressions or aliases.
    for (size_t i = 0; i < t.size(); ++i) {
        if (!IsWord(t[i], "ORDER")) continue;
        size_t by = next(i);
        if (by >= t.size() || !IsWord(t[by], "BY")) continue;
        int depth = 0;
        long lastTerm = -1;  // last token of the current term
        auto close = [&](long k) {
            if (k >= 0 && !dialect.OrderCollation.isEmpty() && !t[k].text.endsWith(dialect.OrderCollation) && !holdsNoText(k))
                t[k].text += dialect.OrderCollation;
        };
        size_t k = next(by);
        for (; k < t.size(); k = next(k)) {
            const QString& x = t[k].text;
            if (x == QLatin1String("(")) ++depth;
            else if (x == QLatin1String(")")) {
                if (depth == 0) break;
                --depth;
            } else if (depth == 0 && x == QLatin1String(",")) {
                close(lastTerm);
                lastTerm = -1;
                continue;
            } else if (depth == 0 && (IsWord(t[k], "ASC") || IsWord(t[k], "DESC"))) {
                close(lastTerm);
                lastTerm = -2;
                continue;
            } else if (depth == 0 && (IsWord(t[k], "LIMIT") || IsWord(t[k], "UNION") || IsWord(t[k], "COLLATE") ||
                                      x == QLatin1String(";"))) {
                if (IsWord(t[k], "COLLATE")) lastTerm = -2;
                break;
            }
            if (lastTerm != -2) lastTerm = long(k);
        }
        if (lastTerm >= 0) close(lastTerm);
        i = k;
    }
    // A plain SELECT of rows of one keyed table with no order of its own: in key order, before
    // any LIMIT (not for groups, distinct rows or totals, whose order is their own).
    if (!onlyTable.isEmpty() && dialect.PrimaryKey) {
        const size_t first = next(size_t(-1));
        bool rows = first < t.size() && IsWord(t[first], "SELECT");
        const size_t second = next(first);
        if (rows && second < t.size() && (IsWord(t[second], "DISTINCT") || IsWord(t[second], "ALL"))) rows = IsWord(t[second], "ALL");
        size_t limit = t.size();
        for (size_t k = 0; k < t.size() && rows; ++k) {
            if (level[k] == 0 && t[k].text == QLatin1String(";")) {
                if (limit == t.size()) limit = k;  // the statement ends here
                break;
            } else if (level[k] == 0 && (IsWord(t[k], "ORDER") || IsWord(t[k], "GROUP") || IsWord(t[k], "HAVING"))) rows = false;
            else if (level[k] == 0 && IsWord(t[k], "LIMIT") && limit == t.size()) limit = k;
            else if (t[k].kind == TToken::Word) {  // a total anywhere, inside an expression too
                const size_t call = next(k);
                static const char* const totals[] = {"COUNT", "SUM", "MIN", "MAX", "AVG", "TOTAL", "GROUP_CONCAT"};
                if (call < t.size() && t[call].text == QLatin1String("("))
                    for (const char* f : totals)
                        if (IsWord(t[k], f)) rows = false;
            }
        }
        const QStringList key = rows ? dialect.PrimaryKey(onlyTable) : QStringList();
        if (!key.isEmpty()) {
            // After the statement's last word before LIMIT or its end, ahead of blanks, ";" and comments.
            const long at = prev(limit);
            if (at >= 0) t[size_t(at)].text += QStringLiteral(" ORDER BY ") + key.join(QLatin1Char(','));
        }
    }
    if (dialect.Finish) dialect.Finish(t);
    QString out;
    for (auto& tok : t) out += tok.text;
    return out;
}

QString FilterWithParameters(const QString& sql, std::vector<QVariant>& values) {
    std::vector<TToken> t = Tokenize(sql);
    auto near = [&t](long i, int step) {  // the next non-blank token that way, or -1
        for (i += step; i >= 0 && i < long(t.size()); i += step)
            if (t[size_t(i)].kind != TToken::Space) return i;
        return -1L;
    };
    static const char* const comparisons[] = {"=", "<>", "!=", "<", ">", "<=", ">="};
    for (long i = 0; i < long(t.size()); ++i) {
        TToken& lit = t[size_t(i)];
        if (lit.kind != TToken::Str && lit.kind != TToken::Num) continue;
        const long op = near(i, -1), col = op >= 0 ? near(op, -1) : -1;
        if (col < 0 || t[size_t(op)].kind != TToken::Op) continue;
        if (std::find(std::begin(comparisons), std::end(comparisons), t[size_t(op)].text) == std::end(comparisons)) continue;
        if (t[size_t(col)].kind != TToken::Word && t[size_t(col)].kind != TToken::Quoted) continue;
        // A number run into letters ("3e5", "0x1F") is left as written.
        if (i + 1 < long(t.size()) && t[size_t(i + 1)].kind == TToken::Word) continue;
        QVariant v;
        if (lit.kind == TToken::Str) {
            if (lit.text.size() < 2 || !lit.text.endsWith(QLatin1Char('\''))) continue;
            v = lit.text.mid(1, lit.text.size() - 2).replace(QLatin1String("''"), QLatin1String("'"));
        } else {
            bool ok = false;
            if (lit.text.contains(QLatin1Char('.'))) {
                const double d = lit.text.toDouble(&ok);
                if (ok) v = d;
            } else {
                const qlonglong n = lit.text.toLongLong(&ok);
                if (ok) v = n;
            }
            if (!ok) continue;
        }
        values.push_back(v);
        lit.text = QStringLiteral("?");
    }
    QString out;
    for (auto& tok : t) out += tok.text;
    return out;
}

}  // namespace platform::db::engine
