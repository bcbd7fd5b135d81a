// The database layer on the PostgreSQL engine against the same work written directly on libpq,
// on a private server on 127.0.0.1 that the benchmark starts (scripts/pg-test.sh) and stops.
// The raw side prepares its statements once, reads rows into values as the layer does, and does
// what the layer must for the same step: walking pages by key, finding by key, an edit that
// takes the record's lock, checks the row read and writes it, an append that returns the
// record's identity; each write in a transaction whose number is known before its commit, and
// which leaves a random mark of its own (BEGIN, the mark with the number and the write in one message, the COMMIT in a second one), so that a
// commit whose answer is lost can be asked about. Ratios of medians of interleaved rounds
// (layer/raw).
#include "Interleave.h"
#include "platform/db/DBTables.h"
#include "platform/db/ServerStats.h"
#include "tests/support/GeneraDespacho.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUuid>
#include <charconv>
#include <libpq-fe.h>
#include <random>

namespace {

using namespace zbbench;

constexpr int Rows = 20000;
QString AnoOf(int key) { return QString::number(2000 + key / 5000); }
QString NumeroOf(int key) { return QString::number(key % 5000 + 1).rightJustified(7, QLatin1Char('0')); }

// The private server and a folder whose data live on it.
struct Server {
    QTemporaryDir dir;
    QString conninfo, folder;
    Server() {
        const QString script = QStringLiteral(ZEMBRA_SOURCE_DIR "/scripts/pg-test.sh");
        if (QProcess::execute(QStringLiteral("bash"), {script, QStringLiteral("start"), dir.path() + QStringLiteral("/pg")}) != 0)
            qFatal("cannot start the server");
        QFile f(dir.path() + QStringLiteral("/pg/servidor"));
        f.open(QIODevice::ReadOnly);
        conninfo = QString::fromUtf8(f.readAll()).trimmed();
        folder = dir.path() + QStringLiteral("/datos");
        QDir().mkpath(folder);
        platform::db::SetDataServer(folder, conninfo);
        zbtest::TablaPlana(folder, QStringLiteral("EXPED"),
                           {{"ANO", ftString, 4}, {"NUMERO", ftString, 7}, {"FECHAAPERTURA", ftDate}, {"IMPORTE", ftFloat},
                            {"CLIENTE", ftInteger}, {"ASUNTO", ftString, 240}},
                           QStringLiteral("ANO;NUMERO"), Rows, [](int i) {
                               return std::vector<QVariant>{AnoOf(i), NumeroOf(i), 40000.0 + i % 3000, i * 1.5, i % 700,
                                                            QStringLiteral("Reclamación de cantidad número %1").arg(i)};
                           });
    }
    ~Server() {
        QProcess::execute(QStringLiteral("bash"), {QStringLiteral(ZEMBRA_SOURCE_DIR "/scripts/pg-test.sh"), QStringLiteral("stop"),
                                                   dir.path() + QStringLiteral("/pg")});
    }
};
Server& TheServer() {
    static Server s;
    return s;
}

// The raw side: its own connection, statements prepared once, rows read into values.
struct Raw {
    PGconn* c;
    std::vector<QVariant> row;
    qint64 trips = 0;
    explicit Raw(const QString& conninfo) : c(PQconnectdb(conninfo.toUtf8().constData())) {
        PQclear(PQexec(c, "SET search_path = public"));
        const char* cols = "zb_id, ano, numero, fechaapertura, importe, cliente, asunto";
        Prep("first", QStringLiteral("SELECT %1 FROM exped ORDER BY ano, numero, zb_id LIMIT 100").arg(QLatin1String(cols)));
        Prep("next", QStringLiteral("SELECT %1 FROM exped WHERE (ano, numero, zb_id) > ($1, $2, $3) ORDER BY ano, numero, zb_id LIMIT 100")
                         .arg(QLatin1String(cols)));
        Prep("find", QStringLiteral("SELECT %1 FROM exped WHERE (ano, numero) = ($1, $2) ORDER BY ano, numero, zb_id LIMIT 1").arg(QLatin1String(cols)));
        Prep("byid", QStringLiteral("SELECT %1 FROM exped WHERE zb_id = $1").arg(QLatin1String(cols)));
        Prep("lock", QStringLiteral("SELECT pg_try_advisory_lock($1)"));
        Prep("unlock", QStringLiteral("SELECT pg_advisory_unlock($1)"));
        // A careful program checks that nobody changed the row it read, and reads back what it wrote.
        Prep("update", QStringLiteral("UPDATE exped SET importe = $8 WHERE zb_id = $1 AND ano IS NOT DISTINCT FROM $2 AND numero IS NOT "
                                      "DISTINCT FROM $3 AND fechaapertura IS NOT DISTINCT FROM $4 AND importe IS NOT DISTINCT FROM $5 AND "
                                      "cliente IS NOT DISTINCT FROM $6 AND asunto IS NOT DISTINCT FROM $7 RETURNING %1").arg(QLatin1String(cols)));
        Prep("insert", QStringLiteral("INSERT INTO exped (ano, numero, fechaapertura, importe, cliente, asunto) VALUES ($1, $2, $3, $4, $5, $6) "
                                      "RETURNING %1").arg(QLatin1String(cols)));
        Prep("mark", QStringLiteral("INSERT INTO zb_salidas (token) VALUES ($1::uuid) RETURNING pg_current_xact_id()"));
    }
    ~Raw() { PQfinish(c); }
    Trips Counted() {
        return {platform::db::ServerRoundTrips, [this] { return trips; }};
    }
    void Prep(const char* name, const QString& sql) { PQclear(PQprepare(c, name, sql.toUtf8().constData(), 0, nullptr)); }
    // A write in a transaction of its own whose number is read before the commit is sent.
    int Write(const char* name, const std::vector<QByteArray>& args) {
        std::vector<const char*> v;
        for (const auto& a : args) v.push_back(a.isNull() ? nullptr : a.constData());
        trips += 2;
        PQenterPipelineMode(c);
        PQsendQueryParams(c, "BEGIN", 0, nullptr, nullptr, nullptr, nullptr, 0);
        const QByteArray token = QUuid::createUuid().toByteArray(QUuid::WithoutBraces);
        const char* mark = token.constData();
        PQsendQueryPrepared(c, "mark", 1, &mark, nullptr, nullptr, 0);
        PQsendQueryPrepared(c, name, int(v.size()), v.data(), nullptr, nullptr, 0);
        PQpipelineSync(c);
        PGresult* written = nullptr;
        QByteArray xid;
        for (int k = 0; k < 3; ++k) {
            while (PGresult* r = PQgetResult(c)) {
                if (k == 1 && PQntuples(r) == 1) xid = PQgetvalue(r, 0, 0);
                if (k == 2) {
                    PQclear(written);
                    written = r;
                } else {
                    PQclear(r);
                }
            }
        }
        PQclear(PQgetResult(c));  // the sync
        PQexitPipelineMode(c);
        const int n = Read(written);
        PQclear(PQexec(c, PQntuples(written) > 0 && !xid.isEmpty() ? "COMMIT" : "ROLLBACK"));
        PQclear(written);
        return n;
    }
    // Runs a prepared statement with text parameters and reads every row into values.
    int Exec(const char* name, const std::vector<QByteArray>& args, double* sink = nullptr) {
        std::vector<const char*> v;
        for (const auto& a : args) v.push_back(a.isNull() ? nullptr : a.constData());
        ++trips;
        PGresult* r = PQexecPrepared(c, name, int(v.size()), v.data(), nullptr, nullptr, 0);
        const int n = Read(r, sink);
        PQclear(r);
        return n;
    }
    int Read(PGresult* r, double* sink = nullptr) {
        const int n = PQntuples(r), nf = PQnfields(r);
        for (int i = 0; i < n; ++i) {
            row.resize(size_t(nf));
            for (int k = 0; k < nf; ++k) {
                const char* p = PQgetvalue(r, i, k);
                const int len = PQgetlength(r, i, k);
                const Oid t = PQftype(r, k);
                if (t == 20 || t == 23) {
                    qlonglong x = 0;
                    std::from_chars(p, p + len, x);
                    row[size_t(k)] = x;
                } else if (t == 701) {
                    double x = 0;
                    std::from_chars(p, p + len, x);
                    row[size_t(k)] = x;
                } else {
                    row[size_t(k)] = QString::fromUtf8(p, len);
                }
            }
            if (sink && nf > 4) *sink += row[4].toDouble();
        }
        return n;
    }
};

// Every row in key order, page after page; the layer reads one field of each.
void BM_PgWalkAllRows(benchmark::State& state) {
    Server& s = TheServer();
    Raw raw(s.conninfo);
    TTable t(nullptr);
    t.SetDatabaseName(s.folder);
    t.SetTableName(QStringLiteral("EXPED"));
    t.Open();
    TField* importe = t.FieldByName(QStringLiteral("IMPORTE"));
    double sink = 0;
    Interleave(
        state, Rows, [&] { for (t.First(); !t.Eof(); t.Next()) sink += importe->AsFloat(); },
        [&] {
            int n = raw.Exec("first", {}, &sink);
            while (n == 100) {
                const QVariant id = raw.row[0], ano = raw.row[1], num = raw.row[2];
                n = raw.Exec("next", {ano.toString().toUtf8(), num.toString().toUtf8(), QByteArray::number(id.toLongLong())}, &sink);
            }
        },
        raw.Counted());
    benchmark::DoNotOptimize(sink);
}
BENCHMARK(BM_PgWalkAllRows)->Iterations(11)->Unit(benchmark::kMillisecond);

// 200 random case files found by key: FindKey or Locate on the layer, the prepared lookup raw.
void FindByKey(benchmark::State& state, bool locate) {
    Server& s = TheServer();
    Raw raw(s.conninfo);
    TTable t(nullptr);
    t.SetDatabaseName(s.folder);
    t.SetTableName(QStringLiteral("EXPED"));
    t.Open();
    std::mt19937 rng(11);
    std::vector<int> keys(200);
    int found = 0;
    Interleave(
        state, int(keys.size()),
        [&] {
            for (int& k : keys) k = int(rng() % Rows);
            for (int k : keys) {
                const Variant ano(AnoOf(k)), num(NumeroOf(k));
                found += locate ? t.Locate(QStringLiteral("ANO;NUMERO"), VarArrayOf({ano, num}), 0) : t.FindKey({ano, num});
            }
        },
        [&] {
            for (int k : keys) found += raw.Exec("find", {AnoOf(k).toUtf8(), NumeroOf(k).toUtf8()});
        },
        raw.Counted());
    if (found != 2 * int(keys.size()) * int(state.iterations())) state.SkipWithError("a key was not found");
}
void BM_PgFindKey(benchmark::State& state) { FindByKey(state, false); }
void BM_PgLocate(benchmark::State& state) { FindByKey(state, true); }
BENCHMARK(BM_PgFindKey)->Iterations(21)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PgLocate)->Iterations(21)->Unit(benchmark::kMillisecond);

// 100 edits and posts of found records: the layer locks, checks the row read, writes, unlocks.
void BM_PgEditPost(benchmark::State& state) {
    Server& s = TheServer();
    Raw raw(s.conninfo);
    TTable t(nullptr);
    t.SetDatabaseName(s.folder);
    t.SetTableName(QStringLiteral("EXPED"));
    t.Open();
    TField* importe = t.FieldByName(QStringLiteral("IMPORTE"));
    std::mt19937 rng(5);
    std::vector<int> keys(100);
    Interleave(
        state, int(keys.size()),
        [&] {
            for (int& k : keys) k = int(rng() % Rows);
            for (int k : keys) {
                t.FindKey({Variant(AnoOf(k)), Variant(NumeroOf(k))});
                t.Edit();
                importe->SetAsFloat(importe->AsFloat() + 1);
                t.Post();
            }
        },
        [&] {
            for (int k : keys) {
                raw.Exec("find", {AnoOf(k).toUtf8(), NumeroOf(k).toUtf8()});
                const QByteArray id = QByteArray::number(raw.row[0].toLongLong());
                raw.Exec("lock", {id});
                raw.Exec("byid", {id});
                std::vector<QByteArray> args{id};
                for (int c = 1; c <= 6; ++c)
                    args.push_back(raw.row[size_t(c)].typeId() == QMetaType::Double ? QByteArray::number(raw.row[size_t(c)].toDouble(), 'g', 17)
                                                                                     : raw.row[size_t(c)].toString().toUtf8());
                args.push_back(QByteArray::number(raw.row[4].toDouble() + 1, 'g', 17));
                raw.Write("update", args);
                raw.Exec("unlock", {id});
            }
        },
        raw.Counted());
}
BENCHMARK(BM_PgEditPost)->Iterations(21)->Unit(benchmark::kMillisecond);

// 100 appends and posts of new case files.
void BM_PgAppendPost(benchmark::State& state) {
    Server& s = TheServer();
    Raw raw(s.conninfo);
    TTable t(nullptr);
    t.SetDatabaseName(s.folder);
    t.SetTableName(QStringLiteral("EXPED"));
    t.Open();
    // Numbers go on across repetitions: the rows of the earlier ones are still in the table.
    static int next = 0;
    Interleave(
        state, 100,
        [&] {
            for (int i = 0; i < 100; ++i, ++next) {
                t.Append();
                t.FieldByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("3000"));
                t.FieldByName(QStringLiteral("NUMERO"))->SetAsString(QString::number(next));
                t.FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(next);
                t.FieldByName(QStringLiteral("ASUNTO"))->SetAsString(QStringLiteral("Alta número %1").arg(next));
                t.Post();
            }
        },
        [&] {
            for (int i = 0; i < 100; ++i, ++next)
                raw.Write("insert", {QByteArray("3000"), QByteArray::number(next), QByteArray(), QByteArray::number(next), QByteArray(),
                                    QStringLiteral("Alta número %1").arg(next).toUtf8()});
        },
        raw.Counted());
}
BENCHMARK(BM_PgAppendPost)->Iterations(21)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
