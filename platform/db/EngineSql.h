#pragma once
// What both engines share below the connection: column type words, names, the tokens of the
// application's local SQL and its translation, parameterised by the engine's dialect.
#include "platform/db/Driver.h"

#include <QHash>
#include <functional>
#include <memory>
#include <vector>

namespace platform::db::engine {

// Text as the engine stores it: a lone surrogate becomes the replacement character.
QString ValidText(const QString& s);
// What follows the first statement of a text, when it is more than blanks, ";" and comments.
QString ExtraStatement(const QChar* tail, const QChar* end);
[[noreturn]] void RefuseExtraStatement(const QString& extra);
// 62 bits of a hash of table and record identity: the record's lock key. The table's part
// (LockSeed) can be kept, and the keys of its records made from it.
quint64 LockSeed(const QString& table);
quint64 LockOffset(quint64 seed, qint64 id);
quint64 LockOffset(const QString& table, qint64 id);

// "TEXT", "CURRENCY"... and back ("TEXT REQUIRED(20)").
QString TypeWord(TColumnType t);
bool ParseType(const QString& decl, TColumnDesc& c);
// Whether `w` is a word a declaration is written with: a type word or REQUIRED.
bool IsDeclarationWord(QStringView w);
// The declaration a column is stored with: type word, REQUIRED, size.
QString Declaration(const TColumnDesc& c);
QString Quote(const QString& name);
void AppendQuoted(QString& to, const QString& name);  // Quote(name) added to `to`
bool IsTextType(TColumnType t);
// What an indexed column stores for a blank value.
QVariant BlankOf(TColumnType t);
// Whether `col` takes part in any index of `d`.
bool Indexed(const TTableDesc& d, const QString& col);

// Null bounds and keys compare as the blanks that indexed columns store.
QVariant KeyValue(const TTableDesc& d, const QString& col, const QVariant& v);
// Whether the order's columns hold a unique index's: no two rows tie on all of them (indexed
// columns hold no nulls), so the identity need not break ties.
bool OrderIsUnique(const TCursorSpec& s, const TTableDesc& d);
// A search for a blank value (null, or an empty text in a text column).
bool MatchBlank(const TCursorSpec::TMatch& m, bool text);
// Values as they are written: blanks become the column's blank where it is indexed, else null;
// a column the table lacks raises.
std::vector<QVariant> Coerced(const TTableDesc& d, const QStringList& cols, const std::vector<QVariant>& values);
// Whether a written value is the one read (an unchanged column is not written again).
bool SameValue(const QVariant& a, const QVariant& b);

// How an engine writes the conditions of a table cursor.
struct TCursorWords {
    std::function<QString(const QString&)> Column;  // a column as the engine's statements name it
    QString Id;                                    // the record identity's column
    QString NoCase;                                // after a text key compared without case
    bool Numbered = false;                         // "$1", "$2"... rather than "?"
    // The first `length` characters of a text column.
    std::function<QString(const QString& col, int length)> Prefix;
    // A text equal to the value of `param`, with or without case.
    std::function<QString(const QString& lhs, const QString& param, bool noCase)> TextEquals;
    // The placeholder of the value last added to `args`.
    QString Param(const std::vector<QVariant>& args) const;
    QString Key(const TTableDesc& d, const QString& col, bool noCase) const;
};
// The condition of a cursor (ranges, filter, searches, one record) and its values; with `where`
// null the values only, in the same order (the text of the same shape is known already).
void CursorRestriction(const TCursorSpec& s, const TTableDesc& d, const TCursorWords& w, QString* where, std::vector<QVariant>& args);

// What the text of a cursor read depends on: its table, columns, order, the kinds of its
// conditions and the read's direction and length; not the values, which are bound.
struct TShape {
    int Kind = 0;  // 0 fetch, 1 seek, 2 by identity
    QString Table;
    QStringList Columns;
    std::vector<int> OrderCols;
    bool CaseInsensitive = false;
    int Low = -1, High = -1;
    QString Where;
    std::vector<int> Matches;
    int InCol = -1, In = 0;
    bool OnlyId = false, From = false, Forward = true;
    int Count = 0;
    bool operator==(const TShape&) const = default;
};
// Fills `h` in place: the probe of every read keeps its storage.
void ShapeOf(TShape& h, int kind, const TCursorSpec& s, const TTableDesc& d, bool from, bool forward, int count);

// What an engine made for the shapes read lately (their text, a prepared statement); the busy
// ones drift to the front, the least used go. A program's forms read with some sixty shapes,
// and a few more each for reading on step by step: all of them stay.
template <class T>
class TShapes {
public:
    static constexpr size_t Most = 256;
    T* Find(const TShape& h) {
        for (size_t i = 0; i < FItems.size(); ++i)
            if (FItems[i].first == h) {
                if (i == 0) return &FItems[0].second;
                std::swap(FItems[i], FItems[i - 1]);
                return &FItems[i - 1].second;
            }
        return nullptr;
    }
    T& Add(TShape h, T value) {
        if (FItems.size() >= Most) FItems.pop_back();
        FItems.emplace_back(std::move(h), std::move(value));
        return FItems.back().second;
    }
    void Clear() { FItems.clear(); }
    template <class F>
    void Each(F&& f) {
        for (auto& item : FItems) f(item.second);
    }

private:
    std::vector<std::pair<TShape, T>> FItems;
};

// The layouts a connection has read, by storage name; the last one asked for is kept with the
// name it was asked by, as cursors ask for the same table again and again. Each is shared: a
// holder keeps the layout it was given whatever the connection reads later.
class TLayouts {
public:
    template <class F>
    std::shared_ptr<const TTableDesc> Shared(const QString& table, F&& read) {
        if (FLast && table == FLastName) return FLast;
        const QString key = StorageName(table);
        auto it = FByName.find(key);
        if (it == FByName.end()) it = FByName.insert(key, std::make_shared<const TTableDesc>(read(key)));
        FLastName = table;
        FLast = *it;
        return FLast;
    }
    template <class F>
    const TTableDesc& Get(const QString& table, F&& read) {
        Shared(table, read);
        return *FLast;
    }
    const TTableDesc* Find(const QString& key) const {
        auto it = FByName.find(key);
        return it == FByName.end() ? nullptr : it->get();
    }
    void Put(const QString& key, TTableDesc desc) {
        FLast.reset();
        FByName.insert(key, std::make_shared<const TTableDesc>(std::move(desc)));
    }
    void Forget(const QString& key) {
        FLast.reset();
        FByName.remove(key);
    }
    void Clear() {
        FLast.reset();
        FByName.clear();
    }

private:
    QHash<QString, std::shared_ptr<const TTableDesc>> FByName;
    QString FLastName;
    std::shared_ptr<const TTableDesc> FLast;
};

struct TToken {
    enum Kind { Word, Str, Quoted, Num, Op, Space } kind;
    QString text;
};
std::vector<TToken> Tokenize(const QString& s);
// Whether `text` is `w` (an ASCII keyword or name) in either case. Keywords are ASCII to the
// engines too: no other letter stands for one of theirs.
bool IsKeyword(QStringView text, const char* w);
bool IsWord(const TToken& t, const char* w);

// How an engine spells what the local SQL says.
struct TDialect {
    std::function<bool(const QString&)> TableExists;
    QString Extract = QStringLiteral("zb_extract");  // function taking ('PART', value)
    QString Substr = QStringLiteral("substr");
    // A column that joins texts with "||" reads blank as empty: written between these two.
    QString BlankAsEmptyOpen = QStringLiteral("IFNULL("), BlankAsEmptyClose = QStringLiteral(",'')");
    // A column tested with IS [NOT] NULL reads empty as null.
    QString EmptyAsNullOpen = QStringLiteral("NULLIF("), EmptyAsNullClose = QStringLiteral(",'')");
    // Appended to each ORDER BY term so texts sort in Spanish (empty: the columns' own order).
    QString OrderCollation = QStringLiteral(" COLLATE ZBES");
    // Whether a column of a table holds text (1), something else (0) or is unknown (-1): a term
    // that names a column that holds no text is ordered as it is, so its index can order it.
    std::function<int(const QString& table, const QString& column)> ColumnIsText;
    // The columns of a table's primary key (none where it has none or is unknown): a plain
    // statement on one table that asks for no order reads its rows in that order, as a keyed
    // table is read.
    std::function<QStringList(const QString& table)> PrimaryKey;
    // Further rewrites of single tokens (server dialects): called on each token after the rest.
    std::function<void(std::vector<TToken>&)> Finish;
};
QString TranslateLocalSql(const QString& sql, const TDialect& dialect);

// A translated filter with the values it compares columns with ("ABOCLI = 3", "ANO = '2026'")
// taken out as "?" placeholders, added to `values` in order: filters that differ only in their
// values share one statement text, prepared once.
QString FilterWithParameters(const QString& sql, std::vector<QVariant>& values);

}  // namespace platform::db::engine
