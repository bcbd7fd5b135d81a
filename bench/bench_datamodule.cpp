// Opening the data module over a large data folder (100,000 case files, 1,000,000 ledger entries
// and 1,000,000 agenda entries) against opening the same SQLite file raw and reading what the
// module needs at start: the tables' layouts, the first rows of every table and the start-up
// queries.
// Each round opens in a fresh process, as the program does at start: nothing the first opening
// builds (statements, caches, the loaded pages of the file) is there yet. The child times its own
// opening and prints it; the rounds alternate which side goes first. The "ratio" counter is the
// median module time over the median raw time, "ratio_p25"/"ratio_p75" the spread of the rounds'
// own ratios, and "process_ratio" the same over the whole child process, start to exit.
#include "comun/UData.h"
#include "platform/db/DBTables.h"
#include "platform/db/Driver.h"
#include "platform/forms/Forms.h"
#include "Entrada.h"
#include "tests/support/GeneraDespacho.h"

#include "Interleave.h"
#include "TablasVacias.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sqlite3.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

void Exec(sqlite3* db, const char* sql) { sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

// What a careful program on this file does at start, as the layer does it: the file's own
// settings, the check that its indexes are in the Spanish order (the version the file records),
// and the side file of record locks, opened at start so that a workstation that cannot lock
// records hears so before it edits.
sqlite3* RawOpen(const QString& folder, int& locks) {
    sqlite3* db = nullptr;
    sqlite3_open_v2((folder + QStringLiteral("/zembra.db")).toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    platform::db::RegisterSqliteFunctions(db);
    sqlite3_busy_timeout(db, 10000);
    Exec(db, "PRAGMA journal_mode=WAL");
    Exec(db, "PRAGMA synchronous=FULL");
    sqlite3_stmt* version = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &version, nullptr) == SQLITE_OK && sqlite3_step(version) == SQLITE_ROW)
        benchmark::DoNotOptimize(sqlite3_column_int64(version, 0));
    sqlite3_finalize(version);
    locks = ::open((folder + QStringLiteral("/zembra.locks")).toLocal8Bit().constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    struct stat st;
    if (locks >= 0) benchmark::DoNotOptimize(::fstat(locks, &st));
    return db;
}

// What the module needs to know before it opens a table, read as a careful program would: every
// table's columns and declared types and every index's columns and order, in one statement.
const char* const Layouts =
    "SELECT m.name, 0, p.cid, 0, p.name, p.type, NULL, NULL FROM sqlite_master m, pragma_table_info(m.name) p "
    "WHERE m.type='table' UNION ALL "
    "SELECT m.name, 1, -i.seq, x.seqno, i.name, i.\"unique\", x.name, x.coll FROM sqlite_master m, "
    "pragma_index_list(m.name) i, pragma_index_xinfo(i.name) x WHERE m.type='table' AND x.key=1 ORDER BY 1, 2, 3, 4";

// The data folder, made once: the module creates the empty tables, the generator fills them.
void MakeFolder(const QString& path) {
    zbbench::CreaTablas(path);
    zbtest::TTamDespacho t;
    t.Expedientes = 100000;
    t.Consultas = 0;
    t.Abogados = 20;
    t.Anos = 20;
    t.UltimoAno = 2009;
    t.Clientes = 5000;
    t.Apuntes = 1000000;
    t.Citas = 1000000;
    zbtest::GeneraDespacho(path, t);
    sqlite3* db = nullptr;
    sqlite3_open_v2((path + QStringLiteral("/zembra.db")).toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    Exec(db, "PRAGMA wal_checkpoint(TRUNCATE)");
    sqlite3_close(db);
}

struct BigFolder {
    QTemporaryDir dir;
    BigFolder() { MakeFolder(dir.path()); }
};

BigFolder& Big() {
    static BigFolder folder;
    return folder;
}

// In the child: the module opened on the folder, as the program opens it at start, once its
// application is up (the splash shows before the module opens).
zbbench::Span OpenModule(const QString& folder) {
    CarpetaDatos = folder;
    platform::forms::ApplicationInstance();
    TDat* dat = nullptr;
    const zbbench::Span s = zbbench::Seconds([&] {
        dat = new TDat(nullptr);
        benchmark::DoNotOptimize(dat->TExped->RecordCount());
    });
    delete dat;
    return s;
}

// The same reads without the layer: the tables' layouts, the first rows of every table in its
// order and the start-up queries (this year's counters, the first case file, client and lawyer).
// Two rows of each table, as a table opens: its first record and whether another follows.
const char* const Reads[] = {
    Layouts,
    "SELECT * FROM sistem ORDER BY NUMERO LIMIT 2",
    "SELECT * FROM tabcon ORDER BY ANO LIMIT 2",
    "SELECT COUNT(*) FROM tabcon WHERE ANO = CAST(strftime('%Y', 'now') AS INTEGER)",
    "SELECT * FROM abocli ORDER BY APELLIDOS COLLATE ZBES, NOMBRE COLLATE ZBES LIMIT 2",
    "SELECT * FROM clientes ORDER BY APELLIDOS COLLATE ZBES, NOMBRE COLLATE ZBES LIMIT 2",
    "SELECT * FROM contrarios ORDER BY APELLIDOS COLLATE ZBES, NOMBRE COLLATE ZBES LIMIT 2",
    "SELECT * FROM abogados ORDER BY APELLIDOS COLLATE ZBES, NOMBRE COLLATE ZBES LIMIT 2",
    "SELECT * FROM procu ORDER BY APELLIDOS COLLATE ZBES, NOMBRE COLLATE ZBES LIMIT 2",
    "SELECT * FROM peritos ORDER BY APELLIDOS COLLATE ZBES, NOMBRE COLLATE ZBES LIMIT 2",
    "SELECT * FROM poder ORDER BY CLIENTE, PODER COLLATE ZBES LIMIT 2",
    "SELECT ABOCLI, NOMBRE || ' ' || APELLIDOS AS NOMABO FROM abocli ORDER BY ABOCLI",  // in key order, as the module reads it
    "SELECT * FROM exped ORDER BY ANO COLLATE ZBES, NUMERO COLLATE ZBES LIMIT 2",
    "SELECT COUNT(*) FROM exped",  // the module's side asks for the case files' count
    "SELECT * FROM expcli ORDER BY ANO COLLATE ZBES, NUMERO COLLATE ZBES, CLIENTE LIMIT 2",
    "SELECT * FROM expcon ORDER BY ANO COLLATE ZBES, NUMERO COLLATE ZBES, CONTRARIO LIMIT 2",
    "SELECT * FROM consultas ORDER BY ANO COLLATE ZBES, NUMERO COLLATE ZBES LIMIT 2",
    "SELECT * FROM cuentas ORDER BY ORDEN LIMIT 2",
    "SELECT * FROM concontas LIMIT 2",
    "SELECT SUM(IMPORTE) AS SALDO FROM cuentas WHERE ANO = '1990' AND NUMERO = '00001-B'",
    "SELECT COUNT(*) FROM exped WHERE CLIENTE = 1",
    "SELECT COUNT(*) FROM exped WHERE CONTRARIO = 0",
    "SELECT COUNT(*) FROM exped WHERE ABOCLI = 1",
    "SELECT * FROM agenda ORDER BY ORDEN LIMIT 2",
    "SELECT * FROM agenda ORDER BY ABOCLI, FECHA, HORA LIMIT 2",
    "SELECT * FROM agenda ORDER BY FECHA, HORA LIMIT 2",
    // The two agenda queries as the module words them, their parameters still empty at start.
    "SELECT * FROM agenda WHERE ABOCLI = ?1 AND FECHA >= ?2 AND FECHA <= ?3 AND TIPOAGENDA >= ?4 AND TIPOAGENDA <= ?5 "
    "ORDER BY FECHA, HORA",
    "SELECT * FROM agenda WHERE ANO = ?1 AND NUMERO = ?2 AND TIPO IN ('E', 'X') AND TIPOAGENDA BETWEEN ?3 AND ?4 "
    "ORDER BY FECHA, HORA",
    "SELECT * FROM conagendas ORDER BY CODIGO LIMIT 2",
    "SELECT * FROM tipoagendas ORDER BY TIPO COLLATE ZBES LIMIT 2",
    "SELECT * FROM color ORDER BY Id LIMIT 2",
    "SELECT * FROM fechas LIMIT 2",
    "SELECT * FROM fechas ORDER BY Color, Fecha LIMIT 2",
    "SELECT * FROM escritos ORDER BY ESCRITO LIMIT 2",
    "SELECT * FROM escritos WHERE TIPO = ?1 ORDER BY CONCEPTO COLLATE ZBES",
    "SELECT * FROM privacidad ORDER BY Usuario COLLATE ZBES LIMIT 2",
    "SELECT * FROM partidos ORDER BY PARTIDO COLLATE ZBES LIMIT 2",
    "SELECT * FROM profesiones ORDER BY PROFESION COLLATE ZBES LIMIT 2",
    "SELECT * FROM tribunales ORDER BY TRIBUNAL COLLATE ZBES LIMIT 2",
    "SELECT * FROM procedimientos ORDER BY PROCEDIMIENTO COLLATE ZBES LIMIT 2",
    "SELECT * FROM tipoconsulta ORDER BY TIPO COLLATE ZBES LIMIT 2",
};

zbbench::Span OpenRaw(const QString& folder) {
    sqlite3* db = nullptr;
    int locks = -1;
    qint64 rows = 0;
    const zbbench::Span s = zbbench::Seconds([&] {
        db = RawOpen(folder, locks);
        for (const char* sql : Reads) {
            sqlite3_stmt* st = nullptr;
            if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) continue;
            // Every column read as the layer reads it (texts as UTF-8).
            while (sqlite3_step(st) == SQLITE_ROW) {
                for (int c = 0, n = sqlite3_column_count(st); c < n; ++c) benchmark::DoNotOptimize(sqlite3_column_text(st, c));
                ++rows;
            }
            sqlite3_finalize(st);
        }
    });
    benchmark::DoNotOptimize(rows);
    sqlite3_close(db);
    if (locks >= 0) ::close(locks);
    return s;
}

// One side opened in a fresh process: the time of its opening as the child measured it, and
// the child's whole life as this process saw it.
struct TRound {
    zbbench::Span Open, Process;
};

TRound InChild(const char* side) {
    QProcess child;
    const auto t0 = Clock::now();
    child.start(QStringLiteral("/proc/self/exe"), {QString::fromLatin1(side), Big().dir.path()});
    child.waitForFinished(-1);
    const double whole = std::chrono::duration<double>(Clock::now() - t0).count();
    const QList<QByteArray> out = child.readAllStandardOutput().trimmed().split(' ');
    TRound r;
    r.Open = {out.value(0).toDouble(), out.value(1).toDouble()};
    r.Process = {whole, whole};
    return r;
}

void BM_OpenDataModule(benchmark::State& state) {
    Big();
    std::vector<zbbench::Span> module, raw, moduleProcess, rawProcess;
    bool moduleFirst = true;
    for (auto _ : state) {
        TRound m, r;
        if (moduleFirst) {
            m = InChild("--modulo");
            r = InChild("--crudo");
        } else {
            r = InChild("--crudo");
            m = InChild("--modulo");
        }
        moduleFirst = !moduleFirst;
        if (m.Open.Wall <= 0 || r.Open.Wall <= 0) {
            state.SkipWithError("a child process did not report its time");
            break;
        }
        state.SetIterationTime(m.Open.Wall);
        module.push_back(m.Open);
        raw.push_back(r.Open);
        moduleProcess.push_back(m.Process);
        rawProcess.push_back(r.Process);
    }
    zbbench::Report(state, 1, module, raw);
    state.counters["module_ms"] = state.counters["layer_us"] / 1000;
    state.counters["raw_ms"] = state.counters["raw_us"] / 1000;
    state.counters.erase("layer_us");
    state.counters.erase("raw_us");
    auto median = [](const std::vector<zbbench::Span>& v) {
        std::vector<double> x;
        for (const zbbench::Span& s : v) x.push_back(s.Wall);
        return zbbench::Median(x);
    };
    const double mp = median(moduleProcess), rp = median(rawProcess);
    state.counters["process_ratio"] = rp > 0 ? mp / rp : 0;
}
BENCHMARK(BM_OpenDataModule)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(11);

}  // namespace

int main(int argc, char** argv) {
    // A folder kept for profiling one side alone: `--carpeta <folder>` makes it, then
    // `--modulo <folder>` or `--crudo <folder>` opens it.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && std::strcmp(argv[1], "--carpeta") == 0) {
        QDir().mkpath(QString::fromLocal8Bit(argv[2]));
        MakeFolder(QString::fromLocal8Bit(argv[2]));
        return 0;
    }
    if (argc == 3 && (std::strcmp(argv[1], "--modulo") == 0 || std::strcmp(argv[1], "--crudo") == 0)) {
        const QString folder = QString::fromLocal8Bit(argv[2]);
        const zbbench::Span s = std::strcmp(argv[1], "--modulo") == 0 ? OpenModule(folder) : OpenRaw(folder);
        std::printf("%.9f %.9f\n", s.Wall, s.Cpu);
        return 0;
    }
    return zbbench::Ejecuta(argc, argv);
}
