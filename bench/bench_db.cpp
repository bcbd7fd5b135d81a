// The database layer against the same work written directly on SQLite, in the same run.
// The raw side is written as a careful program would: one connection, statements prepared once
// outside the timed rounds, the engine's collations registered and the same durability (WAL,
// synchronous FULL) on the same file and indexes. Each benchmark times both sides in interleaved
// rounds (alternating which goes first) and reports the medians and their ratio layer/raw.
#include "Entrada.h"
#include "Interleave.h"
#include "platform/db/DBTables.h"
#include "tests/support/GeneraDespacho.h"

#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <functional>
#include <memory>
#include <random>
#include <sqlite3.h>
#include <time.h>

namespace {

using namespace zbbench;
constexpr int BigRows = 100000;

QString Numero(int i) { return QString::number(i).rightJustified(7, QLatin1Char('0')); }
QString AnoOf(int key) { return QString::number(2000 + key / 5000); }
QString NumeroOf(int key) { return Numero(key % 5000 + 1); }

sqlite3* RawOpen(const QString& folder) {
    sqlite3* db = nullptr;
    // Single-threaded use, as the layer opens its connection: no locking of the connection's mutex.
    sqlite3_open_v2((folder + QStringLiteral("/zembra.db")).toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                    nullptr);
    platform::db::RegisterSqliteFunctions(db);
    sqlite3_busy_timeout(db, 10000);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    return db;
}

// Texts go in as the UTF-8 the file stores, bound in place from storage that outlives the
// statement's run (`keep`), as the layer binds them: the engine makes no copy.
void BindText(sqlite3_stmt* st, int i, const QString& s, QByteArray& keep) {
    keep = s.toUtf8();
    sqlite3_bind_text(st, i, keep.constData(), int(keep.size()), SQLITE_STATIC);
}

sqlite3_stmt* Prepare(sqlite3* db, const char* sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &st, nullptr) != SQLITE_OK)
        qFatal("prepare failed: %s", sqlite3_errmsg(db));
    return st;
}

// A folder with 100,000 case files (EXPED), on disk or on the memory file system.
struct BigFolder {
    QTemporaryDir dir;
    explicit BigFolder(bool memory) : dir(memory ? QStringLiteral("/dev/shm/zbbench-XXXXXX") : QString()) {
        if (!dir.isValid()) qFatal("no temporary folder");
        zbtest::TablaPlana(dir.path(), QStringLiteral("EXPED"),
                           {{"ANO", ftString, 4}, {"NUMERO", ftString, 7}, {"FECHAAPERTURA", ftDate}, {"IMPORTE", ftFloat},
                            {"CLIENTE", ftInteger}, {"SITUACION", ftInteger}, {"ASUNTO", ftString, 240}, {"AUTOS", ftString, 10}},
                           QStringLiteral("ANO;NUMERO"), BigRows, [](int i) {
                               return std::vector<QVariant>{AnoOf(i), NumeroOf(i), 40000.0 + i % 3000, i * 1.5, i % 700, 1 + i % 3,
                                                            QStringLiteral("Reclamación de cantidad número %1").arg(i),
                                                            QStringLiteral("123/2000")};
                           });
    }
};

BigFolder& Big(bool memory = false) {
    static BigFolder disk(false);
    if (!memory) return disk;
    static BigFolder shm(true);
    return shm;
}

// Reads a row the way a form would: every column into a value, texts decoded from the UTF-8
// the file stores (asking the engine for UTF-16 would make it convert into a buffer of its own).
void ReadRow(sqlite3_stmt* st, std::vector<QVariant>& row) {
    int n = sqlite3_column_count(st);
    row.resize(n);
    for (int i = 0; i < n; ++i) {
        switch (sqlite3_column_type(st, i)) {
        case SQLITE_INTEGER: row[i] = qlonglong(sqlite3_column_int64(st, i)); break;
        case SQLITE_FLOAT: row[i] = sqlite3_column_double(st, i); break;
        case SQLITE_TEXT:
            row[i] = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)), sqlite3_column_bytes(st, i));
            break;
        default: row[i] = QVariant();
        }
    }
}



// The raw side's statements, prepared once on its own connection.
struct Raw {
    sqlite3* db;
    sqlite3_stmt* last;
    sqlite3_stmt* find;
    sqlite3_stmt* page;
    sqlite3_stmt* walk;
    sqlite3_stmt* update;
    sqlite3_stmt* insert;
    // The bound texts of each statement, kept until they are bound again.
    QByteArray findTexts[2], pageTexts[2], insertTexts[4];
    explicit Raw(const QString& folder) : db(RawOpen(folder)) {
        last = Prepare(db, "SELECT rowid, ANO, NUMERO, FECHAAPERTURA, IMPORTE, CLIENTE, SITUACION, ASUNTO, AUTOS FROM exped "
                           "ORDER BY ANO DESC, NUMERO DESC, rowid DESC LIMIT 1");
        find = Prepare(db, "SELECT rowid, ANO, NUMERO, FECHAAPERTURA, IMPORTE, CLIENTE, SITUACION, ASUNTO, AUTOS FROM exped "
                           "WHERE ANO = ? AND NUMERO = ? LIMIT 1");
        page = Prepare(db, "SELECT rowid, ANO, NUMERO, FECHAAPERTURA, IMPORTE, CLIENTE, SITUACION, ASUNTO, AUTOS FROM exped "
                           "WHERE (ANO, NUMERO, rowid) > (?, ?, ?) ORDER BY ANO, NUMERO, rowid LIMIT 40");
        walk = Prepare(db, "SELECT rowid, ANO, NUMERO, FECHAAPERTURA, IMPORTE, CLIENTE, SITUACION, ASUNTO, AUTOS FROM exped "
                           "ORDER BY ANO, NUMERO, rowid");
        update = Prepare(db, "UPDATE exped SET IMPORTE = ? WHERE rowid = ?");
        insert = Prepare(db, "INSERT INTO exped (ANO, NUMERO, IMPORTE, ASUNTO) VALUES (?,?,?,?)");
    }
    ~Raw() {
        for (sqlite3_stmt* st : {last, find, page, walk, update, insert}) sqlite3_finalize(st);
        sqlite3_close(db);
    }
    // Finds a case file by key and reads it; returns its rowid (0 when missing).
    qint64 Find(int key, std::vector<QVariant>& row) {
        const QString ano = AnoOf(key), num = NumeroOf(key);
        BindText(find, 1, ano, findTexts[0]);
        BindText(find, 2, num, findTexts[1]);
        qint64 rowid = 0;
        if (sqlite3_step(find) == SQLITE_ROW) {
            ReadRow(find, row);
            rowid = row[0].toLongLong();
        }
        sqlite3_reset(find);
        return rowid;
    }
};

std::unique_ptr<TTable> OpenExped(const QString& folder, const QString& name = QStringLiteral("EXPED")) {
    auto t = std::make_unique<TTable>(nullptr);
    t->SetDatabaseName(folder);
    t->SetTableName(name);
    t->Open();
    return t;
}

// A form opening the table, going to the last row, finding one by key and scrolling a page.
void BM_BrowseLargeTable(benchmark::State& state) {
    const QString folder = Big().dir.path();
    Raw raw(folder);
    std::mt19937 rng(7);
    int key = 0;
    double sink = 0;
    std::vector<QVariant> row;
    Interleave(
        state, 1,
        [&] {
            key = int(rng() % 99000);
            TTable t(nullptr);
            t.SetDatabaseName(folder);
            t.SetTableName(QStringLiteral("EXPED"));
            t.Open();
            t.Last();
            t.FindKey({Variant(AnoOf(key)), Variant(NumeroOf(key))});
            TField* importe = t.FieldByName(QStringLiteral("IMPORTE"));
            for (int i = 0; i < 40 && !t.Eof(); ++i) {
                t.Next();
                sink += importe->AsFloat();
            }
            t.Close();
        },
        [&] {
            while (sqlite3_step(raw.last) == SQLITE_ROW) ReadRow(raw.last, row);
            sqlite3_reset(raw.last);
            const qint64 rowid = raw.Find(key, row);
            const QString ano = AnoOf(key), num = NumeroOf(key);
            BindText(raw.page, 1, ano, raw.pageTexts[0]);
            BindText(raw.page, 2, num, raw.pageTexts[1]);
            sqlite3_bind_int64(raw.page, 3, rowid);
            while (sqlite3_step(raw.page) == SQLITE_ROW) {
                ReadRow(raw.page, row);
                sink += row[4].toDouble();
            }
            sqlite3_reset(raw.page);
        });
    benchmark::DoNotOptimize(sink);
}
BENCHMARK(BM_BrowseLargeTable)->Iterations(41)->Unit(benchmark::kMillisecond);

// Every row of the 100,000 in key order, each read into values (the layer reads one field of
// each, as a report or a sum would; it still fetches the whole row).
void BM_WalkAllRows(benchmark::State& state) {
    const QString folder = Big().dir.path();
    Raw raw(folder);
    auto t = OpenExped(folder);
    TField* importe = t->FieldByName(QStringLiteral("IMPORTE"));
    double sink = 0;
    std::vector<QVariant> row;
    Interleave(
        state, BigRows,
        [&] {
            for (t->First(); !t->Eof(); t->Next()) sink += importe->AsFloat();
        },
        [&] {
            while (sqlite3_step(raw.walk) == SQLITE_ROW) {
                ReadRow(raw.walk, row);
                sink += row[4].toDouble();
            }
            sqlite3_reset(raw.walk);
        });
    benchmark::DoNotOptimize(sink);
}
BENCHMARK(BM_WalkAllRows)->Iterations(5)->Unit(benchmark::kMillisecond);

// 200 random case files found by key, on an open table: Locate (any fields) or FindKey (the
// primary index); the raw side runs its prepared lookup and reads the row.
void FindByKey(benchmark::State& state, bool locate) {
    const QString folder = Big().dir.path();
    Raw raw(folder);
    auto t = OpenExped(folder);
    constexpr int Keys = 200;
    std::mt19937 rng(11);
    std::vector<int> keys(Keys);
    std::vector<QVariant> row;
    int found = 0;
    // Each round's keys are new to whichever side goes first: the second side meets them in
    // the engine's caches as the first left them, and sides alternate in going first.
    int turn = 0;
    auto renew = [&] {
        if (turn++ % 2 == 0)
            for (int& k : keys) k = int(rng() % BigRows);
    };
    Interleave(
        state, Keys,
        [&] {
            renew();
            for (int k : keys) {
                const Variant ano(AnoOf(k)), num(NumeroOf(k));
                found += locate ? t->Locate(QStringLiteral("ANO;NUMERO"), VarArrayOf({ano, num}), 0) : t->FindKey({ano, num});
            }
        },
        [&] {
            renew();
            for (int k : keys) found += raw.Find(k, row) != 0;
        });
    if (found != 2 * Keys * int(state.iterations())) state.SkipWithError("a key was not found");
}
void BM_Locate(benchmark::State& state) { FindByKey(state, true); }
void BM_FindKey(benchmark::State& state) { FindByKey(state, false); }
// An even number of rounds: each side goes first, to keys new to it, as often as the other.
BENCHMARK(BM_Locate)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindKey)->Iterations(10)->Unit(benchmark::kMillisecond);

// Editing one field of a found case file and posting it: each post is its own durable commit.
// Finding the row is outside the timing on both sides. Arg: 0 disk, 1 memory file system.
void BM_EditPost(benchmark::State& state) {
    const bool memory = state.range(0) != 0;
    const QString folder = Big(memory).dir.path();
    Raw raw(folder);
    auto t = OpenExped(folder);
    TField* importe = t->FieldByName(QStringLiteral("IMPORTE"));
    std::mt19937 rng(13);
    std::vector<QVariant> row;
    constexpr int Edits = 20;
    // Every edit stores a value the row never held: the engine skips writing a row left as it was.
    static double stamp = 1e9;
    bool failed = false;
    std::vector<Span> l, r;
    bool layerFirst = true;
    auto layerRound = [&] {
        Span s;
        for (int i = 0; i < Edits; ++i) {
            const int k = int(rng() % BigRows);
            t->FindKey({Variant(AnoOf(k)), Variant(NumeroOf(k))});
            s += Seconds([&] {
                t->Edit();
                importe->SetAsFloat(++stamp);
                t->Post();
            });
        }
        l.push_back(s);
    };
    auto rawRound = [&] {
        Span s;
        for (int i = 0; i < Edits; ++i) {
            const int k = int(rng() % BigRows);
            const qint64 rowid = raw.Find(k, row);
            s += Seconds([&] {
                sqlite3_bind_double(raw.update, 1, ++stamp);
                sqlite3_bind_int64(raw.update, 2, rowid);
                if (sqlite3_step(raw.update) != SQLITE_DONE || sqlite3_changes(raw.db) != 1) failed = true;
                sqlite3_reset(raw.update);
                raw.Find(k, row);  // the program shows the posted row again
            });
        }
        r.push_back(s);
    };
    for (auto _ : state) {
        if (layerFirst) {
            layerRound();
            rawRound();
        } else {
            rawRound();
            layerRound();
        }
        layerFirst = !layerFirst;
    }
    if (failed) state.SkipWithError("a raw update failed");
    Report(state, Edits, l, r);
}
BENCHMARK(BM_EditPost)->Arg(0)->Arg(1)->Iterations(9)->Unit(benchmark::kMillisecond);

// Appending new case files one by one, each post its own durable commit; the raw side inserts
// the same values into the same table (same indexes, same depth), under a year of its own.
// Arg: 0 disk, 1 memory file system.
void BM_AppendPost(benchmark::State& state) {
    const bool memory = state.range(0) != 0;
    const QString folder = Big(memory).dir.path();
    Raw raw(folder);
    auto t = OpenExped(folder);
    TField* ano = t->FieldByName(QStringLiteral("ANO"));
    TField* num = t->FieldByName(QStringLiteral("NUMERO"));
    TField* imp = t->FieldByName(QStringLiteral("IMPORTE"));
    TField* asunto = t->FieldByName(QStringLiteral("ASUNTO"));
    constexpr int Posts = 50;
    static int next[2] = {0, 0};
    int& l = next[0];
    int& r = next[1];
    const QString year = memory ? QStringLiteral("2091") : QStringLiteral("2090");
    const QString rawYear = memory ? QStringLiteral("2081") : QStringLiteral("2080");
    bool failed = false;
    Interleave(
        state, Posts,
        [&] {
            for (int i = 0; i < Posts; ++i, ++l) {
                t->Append();
                ano->SetAsString(year);
                num->SetAsString(Numero(l));
                imp->SetAsFloat(l);
                asunto->SetAsString(QStringLiteral("Asunto %1").arg(l));
                t->Post();
            }
        },
        [&] {
            for (int i = 0; i < Posts; ++i, ++r) {
                const QString a = QStringLiteral("Asunto %1").arg(r), n = Numero(r);
                BindText(raw.insert, 1, rawYear, raw.insertTexts[0]);
                BindText(raw.insert, 2, n, raw.insertTexts[1]);
                sqlite3_bind_double(raw.insert, 3, r);
                BindText(raw.insert, 4, a, raw.insertTexts[3]);
                if (sqlite3_step(raw.insert) != SQLITE_DONE) failed = true;
                sqlite3_reset(raw.insert);
            }
        });
    if (failed) state.SkipWithError("a raw insert failed");
}
BENCHMARK(BM_AppendPost)->Arg(0)->Arg(1)->Iterations(9)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return zbbench::Ejecuta(argc, argv);
}
