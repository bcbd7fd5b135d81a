#include "platform/db/SelectTypes.h"
#include "platform/db/EngineSql.h"

#include <QHash>
#include <optional>

namespace platform::db {

namespace {

struct TTok {
    enum Kind { Word, Number, Text, Punct } K;
    QString S;
};

std::vector<TTok> Tokens(const QString& sql) {
    std::vector<TTok> t;
    const int n = int(sql.size());
    int i = 0;
    while (i < n) {
        const QChar c = sql[i];
        if (c.isSpace()) {
            ++i;
        } else if (c == u'-' && i + 1 < n && sql[i + 1] == u'-') {
            while (i < n && sql[i] != u'\n') ++i;
        } else if (c == u'\'') {
            QString s;
            ++i;
            while (i < n) {
                if (sql[i] == u'\'') {
                    if (i + 1 < n && sql[i + 1] == u'\'') {
                        s += u'\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                s += sql[i++];
            }
            t.push_back({TTok::Text, s});
        } else if (c == u'"') {
            int j = i + 1;
            while (j < n && sql[j] != u'"') ++j;
            t.push_back({TTok::Word, sql.mid(i + 1, j - i - 1)});
            i = j + 1;
        } else if (c.isDigit() || (c == u'.' && i + 1 < n && sql[i + 1].isDigit())) {
            int j = i;
            while (j < n && (sql[j].isDigit() || sql[j] == u'.')) ++j;
            t.push_back({TTok::Number, sql.mid(i, j - i)});
            i = j;
        } else if (c.isLetter() || c == u'_' || c == u':' || c == u'$') {
            int j = i + 1;
            while (j < n && (sql[j].isLetterOrNumber() || sql[j] == u'_' || sql[j] == u'$')) ++j;
            t.push_back({TTok::Word, sql.mid(i, j - i)});
            i = j;
        } else if (c == u'|' && i + 1 < n && sql[i + 1] == u'|') {
            t.push_back({TTok::Punct, QStringLiteral("||")});
            i += 2;
        } else {
            t.push_back({TTok::Punct, QString(c)});
            ++i;
        }
    }
    return t;
}

bool Is(const TTok& t, const char* word) {
    return t.K == TTok::Word && engine::IsKeyword(t.S, word);
}

using TRange = std::vector<TTok>;

// Splits at top-level commas.
std::vector<TRange> Split(const TRange& r) {
    std::vector<TRange> out(1);
    int depth = 0;
    for (const TTok& t : r) {
        if (t.K == TTok::Punct && t.S == u"(") ++depth;
        if (t.K == TTok::Punct && t.S == u")") --depth;
        if (depth == 0 && t.K == TTok::Punct && t.S == u",") {
            out.emplace_back();
            continue;
        }
        out.back().push_back(t);
    }
    return out;
}

class TTyper {
public:
    TTyper(QHash<QString, QString> alias, const std::function<const TTableDesc*(const QString&)>& describe)
        : FAlias(std::move(alias)), FDescribe(describe) {}

    TSelectColumnType Of(TRange r) {
        // Outer parentheses around the whole expression.
        while (r.size() >= 2 && r.front().S == u"(" && r.back().S == u")" && Closes(r)) r = TRange(r.begin() + 1, r.end() - 1);
        if (r.empty()) return {};
        int depth = 0;
        bool arith = false, division = false;
        for (const TTok& t : r) {
            if (t.S == u"(") ++depth;
            else if (t.S == u")") --depth;
            else if (depth == 0 && t.K == TTok::Punct) {
                if (t.S == u"||") return {ftString, 0};
                if (t.S == u"+" || t.S == u"-" || t.S == u"*" || t.S == u"%") arith = true;
                if (t.S == u"/") division = arith = true;
            } else if (depth == 0 && (Is(t, "CASE"))) {
                return {};
            }
        }
        if (arith) {
            if (division) return {ftFloat, 0};
            // The operands' types: any float makes a float, integers stay integers.
            TFieldType out = ftUnknown;
            TRange operand;
            auto take = [&]() -> bool {
                if (operand.empty()) return true;  // a sign
                TFieldType o = Of(operand).Type;
                operand.clear();
                if (o == ftFloat || o == ftCurrency) out = ftFloat;
                else if (o == ftInteger || o == ftSmallint || o == ftWord || o == ftAutoInc) {
                    if (out == ftUnknown) out = ftInteger;
                } else {
                    return false;
                }
                return true;
            };
            int d = 0;
            for (const TTok& t : r) {
                if (t.S == u"(") ++d;
                if (t.S == u")") --d;
                if (d == 0 && t.K == TTok::Punct && (t.S == u"+" || t.S == u"-" || t.S == u"*" || t.S == u"%")) {
                    if (!take()) return {};
                    continue;
                }
                operand.push_back(t);
            }
            if (!take()) return {};
            return {out, 0};
        }
        if (r.size() == 1) {
            const TTok& t = r.front();
            if (t.K == TTok::Text) return {ftString, int(t.S.size())};
            if (t.K == TTok::Number) return {t.S.contains(u'.') ? ftFloat : ftInteger, 0};
            if (t.K == TTok::Word && !t.S.startsWith(u':')) return Column(QString(), t.S);
            return {};
        }
        if (r.size() == 3 && r[0].K == TTok::Word && r[1].S == u"." && r[2].K == TTok::Word) return Column(r[0].S, r[2].S);
        if (r.size() >= 3 && r[0].K == TTok::Word && r[1].S == u"(" && r.back().S == u")") {
            const TRange args(r.begin() + 2, r.end() - 1);
            const QString f = r[0].S.toUpper();
            if (f == u"COUNT") return {ftInteger, 0};
            if (f == u"AVG" || f == u"TOTAL") return {ftFloat, 0};
            if (f == u"UPPER" || f == u"LOWER" || f == u"TRIM" || f == u"SUBSTR" || f == u"SUBSTRING" ||
                f == u"REPLACE")
                return {ftString, 0};
            if (f == u"MAX" || f == u"MIN" || f == u"SUM" || f == u"ABS" || f == u"COALESCE" || f == u"IFNULL") {
                TRange first = Split(args).front();
                if (!first.empty() && Is(first.front(), "DISTINCT")) first.erase(first.begin());
                TSelectColumnType a = Of(first);
                if (f == u"SUM" && a.Type != ftInteger && a.Type != ftSmallint && a.Type != ftUnknown) a = {ftFloat, 0};
                return a;
            }
        }
        return {};
    }

private:
    static bool Closes(const TRange& r) {
        int depth = 0;
        for (size_t i = 0; i < r.size(); ++i) {
            if (r[i].S == u"(") ++depth;
            if (r[i].S == u")" && --depth == 0 && i + 1 < r.size()) return false;
        }
        return true;
    }

    TSelectColumnType Column(const QString& qualifier, const QString& name) {
        QStringList tablas;
        if (!qualifier.isEmpty()) {
            const QString t = FAlias.value(qualifier.toUpper());
            if (t.isEmpty()) return {};
            tablas << t;
        } else {
            tablas = FTables;
        }
        for (const QString& t : tablas) {
            const TTableDesc* d = Describe(t);
            if (!d) continue;
            const int i = d->ColumnIndex(name);
            if (i < 0) continue;
            TSelectColumnType r;
            switch (d->Columns[size_t(i)].Type) {
            case TColumnType::Text: r.Type = ftString; break;
            case TColumnType::Integer: r.Type = ftInteger; break;
            case TColumnType::Short: r.Type = ftSmallint; break;
            case TColumnType::Float: r.Type = ftFloat; break;
            case TColumnType::Currency: r.Type = ftCurrency; break;
            case TColumnType::Date: r.Type = ftDate; break;
            case TColumnType::Time: r.Type = ftTime; break;
            case TColumnType::DateTime: r.Type = ftDateTime; break;
            case TColumnType::Logical: r.Type = ftBoolean; break;
            case TColumnType::Memo: r.Type = ftMemo; break;
            case TColumnType::Blob: r.Type = ftBlob; break;
            case TColumnType::AutoInc: r.Type = ftAutoInc; break;
            }
            r.Size = r.Type == ftString ? d->Columns[size_t(i)].Size : 0;
            return r;
        }
        return {};
    }

public:
    const TTableDesc* Describe(const QString& table) {
        const QString key = table.toUpper();
        auto it = FDescs.find(key);
        if (it == FDescs.end()) {
            const TTableDesc* d = nullptr;
            try {
                d = FDescribe(table);
            } catch (...) {
            }
            it = FDescs.insert(key, d);
        }
        return *it;
    }
    QStringList FTables;

private:
    QHash<QString, QString> FAlias;
    const std::function<const TTableDesc*(const QString&)>& FDescribe;
    QHash<QString, const TTableDesc*> FDescs;
};

}  // namespace

std::vector<TSelectColumnType> SelectListTypes(const QString& sql, int columnCount,
                                               const std::function<const TTableDesc*(const QString&)>& describe) {
    const std::vector<TTok> t = Tokens(sql);
    size_t i = 0;
    if (t.empty() || !Is(t[0], "SELECT")) return {};
    i = 1;
    if (i < t.size() && (Is(t[i], "DISTINCT") || Is(t[i], "ALL"))) ++i;
    // The list runs to the top-level FROM; the tables from there to the next clause.
    TRange lista, desde;
    int depth = 0;
    size_t k = i;
    for (; k < t.size(); ++k) {
        if (t[k].S == u"(") ++depth;
        if (t[k].S == u")") --depth;
        if (depth == 0 && Is(t[k], "FROM")) break;
        lista.push_back(t[k]);
    }
    if (k >= t.size()) return {};
    depth = 0;
    for (++k; k < t.size(); ++k) {
        if (t[k].S == u"(") ++depth;
        if (t[k].S == u")") --depth;
        if (depth == 0 && (Is(t[k], "WHERE") || Is(t[k], "GROUP") || Is(t[k], "ORDER") || Is(t[k], "HAVING") ||
                           Is(t[k], "UNION") || Is(t[k], "LIMIT") || Is(t[k], "EXCEPT") || Is(t[k], "INTERSECT")))
            break;
        desde.push_back(t[k]);
    }
    // Table references: "name [AS] [alias]", separated by commas or joins ("ON ..." skipped).
    QHash<QString, QString> alias;
    QStringList tablas;
    {
        TRange ref;
        auto cierra = [&] {
            if (!ref.empty() && ref[0].K == TTok::Word) {
                QString name = ref[0].S;
                size_t p = 1;
                // Exped.db / EXPED.DB
                if (ref.size() >= 3 && ref[1].S == u"." && Is(ref[2], "DB")) p = 3;
                if (name.endsWith(QLatin1String(".db"), Qt::CaseInsensitive)) name.chop(3);
                if (p < ref.size() && Is(ref[p], "AS")) ++p;
                const QString a = p < ref.size() && ref[p].K == TTok::Word ? ref[p].S : name;
                alias.insert(a.toUpper(), name);
                alias.insert(name.toUpper(), name);
                tablas << name;
            }
            ref.clear();
        };
        bool enOn = false;
        depth = 0;
        for (const TTok& x : desde) {
            if (x.S == u"(") ++depth;
            if (x.S == u")") --depth;
            if (depth > 0 || x.S == u")") {
                if (!enOn) ref.push_back(x);
                continue;
            }
            if (x.S == u"," || Is(x, "JOIN")) {
                cierra();
                enOn = false;
                continue;
            }
            if (Is(x, "LEFT") || Is(x, "RIGHT") || Is(x, "INNER") || Is(x, "OUTER") || Is(x, "CROSS") ||
                Is(x, "FULL") || Is(x, "NATURAL"))
                continue;
            if (Is(x, "ON") || Is(x, "USING")) {
                cierra();
                enOn = true;
                continue;
            }
            if (!enOn) ref.push_back(x);
        }
        cierra();
    }
    TTyper typer(alias, describe);
    typer.FTables = tablas;
    std::vector<TSelectColumnType> out;
    for (TRange item : Split(lista)) {
        if (item.empty()) return {};
        // Stars stand for every column of their table(s).
        if (item.size() == 1 && item[0].S == u"*") {
            for (const QString& tb : tablas) {
                const TTableDesc* d = typer.Describe(tb);
                if (!d) return {};
                for (size_t c = 0; c < d->Columns.size(); ++c) out.push_back({});
            }
            continue;
        }
        if (item.size() == 3 && item[1].S == u"." && item[2].S == u"*") {
            const TTableDesc* d = typer.Describe(alias.value(item[0].S.toUpper()));
            if (!d) return {};
            for (size_t c = 0; c < d->Columns.size(); ++c) out.push_back({});
            continue;
        }
        // "expr AS name" or "expr name".
        if (item.size() >= 2 && Is(item[item.size() - 2], "AS")) item.resize(item.size() - 2);
        else if (item.size() >= 2 && item.back().K == TTok::Word &&
                 (item[item.size() - 2].S == u")" || item[item.size() - 2].K != TTok::Punct))
            item.pop_back();
        out.push_back(typer.Of(item));
    }
    if (int(out.size()) != columnCount) return {};
    return out;
}

}  // namespace platform::db
