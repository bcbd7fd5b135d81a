// The database layer against the same work written directly on SQLite, in the same run.
// Browse: open a table of 100,000 case files, go to the last row, find one by key, scroll a page
// of 40 rows. Posts: 10,000 records one by one, each committed to disk.
// Each benchmark reports both timings and the ratio layer/raw as counters.
#include "platform/db/DBTables.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <random>
#include <sqlite3.h>

namespace {

using Clock = std::chrono::steady_clock;

QString Numero(int i) { return QString::number(i).rightJustified(7, QLatin1Char('0')); }

void CreateExped(const QString& folder, const QString& name) {
    TComponent owner(nullptr);
    auto* t = new TTable(&owner);
    t->SetDatabaseName(folder);
    t->SetTableName(name);
    t->FieldDefs()->Add(QStringLiteral("ANO"), ftString, 4, true);
    t->FieldDefs()->Add(QStringLiteral("NUMERO"), ftString, 7);
    t->FieldDefs()->Add(QStringLiteral("FECHAAPERTURA"), ftDate);
    t->FieldDefs()->Add(QStringLiteral("IMPORTE"), ftFloat);
    t->FieldDefs()->Add(QStringLiteral("CLIENTE"), ftInteger);
    t->FieldDefs()->Add(QStringLiteral("SITUACION"), ftInteger);
    t->FieldDefs()->Add(QStringLiteral("ASUNTO"), ftString, 240);
    t->FieldDefs()->Add(QStringLiteral("AUTOS"), ftString, 10);
    t->IndexDefs()->Add(QString(), QStringLiteral("ANO;NUMERO"), ixPrimary);
    t->CreateTable();
}

sqlite3* RawOpen(const QString& folder) {
    sqlite3* db = nullptr;
    sqlite3_open_v2((folder + QStringLiteral("/zembra.db")).toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    platform::db::RegisterSqliteFunctions(db);
    sqlite3_busy_timeout(db, 10000);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    return db;
}

// The folder with 100,000 case files, made once.
struct BigFolder {
    QTemporaryDir dir;
    BigFolder() {
        CreateExped(dir.path(), QStringLiteral("EXPED"));
        sqlite3* db = RawOpen(dir.path());
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO exped (ANO, NUMERO, FECHAAPERTURA, IMPORTE, CLIENTE, SITUACION, ASUNTO, AUTOS) VALUES (?,?,?,?,?,?,?,?)",
                           -1, &st, nullptr);
        for (int i = 0; i < 100000; ++i) {
            QByteArray ano = QByteArray::number(2000 + i / 5000);
            QByteArray num = Numero(i % 5000 + 1).toUtf8();
            QByteArray asunto = QStringLiteral("Reclamación de cantidad número %1").arg(i).toUtf8();
            sqlite3_bind_text(st, 1, ano.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 2, num.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_double(st, 3, 40000 + i % 3000);
            sqlite3_bind_double(st, 4, i * 1.5);
            sqlite3_bind_int(st, 5, i % 700);
            sqlite3_bind_int(st, 6, 1 + i % 3);
            sqlite3_bind_text(st, 7, asunto.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 8, "123/2000", -1, SQLITE_STATIC);
            sqlite3_step(st);
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
};

BigFolder& Big() {
    static BigFolder folder;
    return folder;
}

// Reads a row the way a form would: every column into a value.
void ReadRow(sqlite3_stmt* st, std::vector<QVariant>& row) {
    int n = sqlite3_column_count(st);
    row.resize(n);
    for (int i = 0; i < n; ++i) {
        switch (sqlite3_column_type(st, i)) {
        case SQLITE_INTEGER: row[i] = qlonglong(sqlite3_column_int64(st, i)); break;
        case SQLITE_FLOAT: row[i] = sqlite3_column_double(st, i); break;
        case SQLITE_TEXT:
            row[i] = QString(static_cast<const QChar*>(sqlite3_column_text16(st, i)), sqlite3_column_bytes16(st, i) / 2);
            break;
        default: row[i] = QVariant();
        }
    }
}

const char* kCols = "rowid, ANO, NUMERO, FECHAAPERTURA, IMPORTE, CLIENTE, SITUACION, ASUNTO, AUTOS";

double RawBrowse(sqlite3* db, int key, double& sink) {
    auto t0 = Clock::now();
    std::vector<QVariant> row;
    sqlite3_stmt* st = nullptr;
    QByteArray last = QStringLiteral("SELECT %1 FROM exped ORDER BY ANO COLLATE ZBES DESC, NUMERO COLLATE ZBES DESC, rowid DESC LIMIT 1")
                          .arg(QLatin1String(kCols)).toUtf8();
    sqlite3_prepare_v2(db, last.constData(), -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW) ReadRow(st, row);
    sqlite3_finalize(st);
    QByteArray find = QStringLiteral("SELECT %1 FROM exped WHERE ANO = ? AND NUMERO = ? LIMIT 1").arg(QLatin1String(kCols)).toUtf8();
    sqlite3_prepare_v2(db, find.constData(), -1, &st, nullptr);
    QByteArray ano = QByteArray::number(2000 + key / 5000), num = Numero(key % 5000 + 1).toUtf8();
    sqlite3_bind_text(st, 1, ano.constData(), -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 2, num.constData(), -1, SQLITE_STATIC);
    qint64 rowid = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        ReadRow(st, row);
        rowid = row[0].toLongLong();
    }
    sqlite3_finalize(st);
    QByteArray page = QStringLiteral("SELECT %1 FROM exped WHERE (ANO, NUMERO, rowid) > (?, ?, ?) ORDER BY ANO, NUMERO, rowid LIMIT 40")
                          .arg(QLatin1String(kCols)).toUtf8();
    sqlite3_prepare_v2(db, page.constData(), -1, &st, nullptr);
    sqlite3_bind_text(st, 1, ano.constData(), -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 2, num.constData(), -1, SQLITE_STATIC);
    sqlite3_bind_int64(st, 3, rowid);
    while (sqlite3_step(st) == SQLITE_ROW) {
        ReadRow(st, row);
        sink += row[4].toDouble();
    }
    sqlite3_finalize(st);
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

double LayerBrowse(const QString& folder, int key, double& sink) {
    auto t0 = Clock::now();
    TComponent owner(nullptr);
    auto* t = new TTable(&owner);
    t->SetDatabaseName(folder);
    t->SetTableName(QStringLiteral("EXPED"));
    t->Open();
    t->Last();
    t->FindKey({Variant(QString::number(2000 + key / 5000)), Variant(Numero(key % 5000 + 1))});
    TField* importe = t->FieldByName(QStringLiteral("IMPORTE"));
    for (int i = 0; i < 40 && !t->Eof(); ++i) {
        t->Next();
        sink += importe->AsFloat();
    }
    t->Close();
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

void BM_BrowseLargeTable(benchmark::State& state) {
    QString folder = Big().dir.path();
    std::mt19937 rng(7);
    double layer = 0, raw = 0, sink = 0;
    // Both sides keep their connection to the file between rounds, as the session does.
    sqlite3* db = RawOpen(folder);
    for (auto _ : state) {
        int key = int(rng() % 99000);
        layer += LayerBrowse(folder, key, sink);
        raw += RawBrowse(db, key, sink);
    }
    sqlite3_close(db);
    benchmark::DoNotOptimize(sink);
    state.counters["layer_us"] = benchmark::Counter(layer * 1e6 / state.iterations());
    state.counters["raw_us"] = benchmark::Counter(raw * 1e6 / state.iterations());
    state.counters["ratio"] = layer / raw;
}
BENCHMARK(BM_BrowseLargeTable)->Unit(benchmark::kMicrosecond);

double LayerPosts(const QString& folder, int first, int n) {
    auto t0 = Clock::now();
    TComponent owner(nullptr);
    auto* t = new TTable(&owner);
    t->SetDatabaseName(folder);
    t->SetTableName(QStringLiteral("EXPED"));
    t->Open();
    TField* ano = t->FieldByName(QStringLiteral("ANO"));
    TField* num = t->FieldByName(QStringLiteral("NUMERO"));
    TField* imp = t->FieldByName(QStringLiteral("IMPORTE"));
    TField* asunto = t->FieldByName(QStringLiteral("ASUNTO"));
    for (int i = first; i < first + n; ++i) {
        t->Append();
        ano->SetAsString(QStringLiteral("2024"));
        num->SetAsString(Numero(i));
        imp->SetAsFloat(i);
        asunto->SetAsString(QStringLiteral("Asunto %1").arg(i));
        t->Post();
        t->FlushBuffers();
    }
    t->Close();
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

double RawPosts(const QString& folder, int first, int n) {
    auto t0 = Clock::now();
    sqlite3* db = RawOpen(folder);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO expedraw (ANO, NUMERO, IMPORTE, ASUNTO) VALUES (?,?,?,?)", -1, &st, nullptr);
    for (int i = first; i < first + n; ++i) {
        QString a = QStringLiteral("Asunto %1").arg(i), num = Numero(i);
        sqlite3_bind_text16(st, 1, u"2024", -1, SQLITE_STATIC);
        sqlite3_bind_text16(st, 2, num.constData(), int(num.size() * 2), SQLITE_TRANSIENT);
        sqlite3_bind_double(st, 3, i);
        sqlite3_bind_text16(st, 4, a.constData(), int(a.size() * 2), SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

// Every post is its own durable commit, so disk speed dominates; the two sides take turns
// (half the records each, layer first then raw first) so a busy disk weighs on both alike.
void BM_PostOneByOne(benchmark::State& state) {
    const int n = int(state.range(0));
    double layer = 0, raw = 0;
    for (auto _ : state) {
        QTemporaryDir a, b;
        CreateExped(a.path(), QStringLiteral("EXPED"));
        CreateExped(b.path(), QStringLiteral("EXPEDRAW"));
        layer += LayerPosts(a.path(), 0, n / 2);
        raw += RawPosts(b.path(), 0, n / 2);
        raw += RawPosts(b.path(), n / 2, n - n / 2);
        layer += LayerPosts(a.path(), n / 2, n - n / 2);
    }
    double iters = double(state.iterations());
    state.counters["layer_rec_per_s"] = n * iters / layer;
    state.counters["raw_rec_per_s"] = n * iters / raw;
    state.counters["ratio"] = layer / raw;
}
BENCHMARK(BM_PostOneByOne)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
