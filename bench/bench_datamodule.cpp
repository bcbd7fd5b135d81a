// Opening the data module over a large data folder (100,000 case files, 1,000,000 ledger entries
// and 1,000,000 agenda entries) against opening the same SQLite file raw and reading what the
// module shows at start: the first rows of every table and the start-up queries.
// Each round starts on a closed database, as the program does at start: the module opens in a
// session of its own, so the file's connection is opened in the round and closed after it (the
// process's session keeps a folder's connection open until the session ends). The raw side opens
// and closes its connection each round too. The "ratio" counter is the median module time over
// the median raw time, the rounds interleaved.
#include "comun/UData.h"
#include "platform/db/DBTables.h"
#include "platform/db/Driver.h"
#include "Entrada.h"
#include "tests/support/GeneraDespacho.h"

#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>
#include <sqlite3.h>

namespace {

using Clock = std::chrono::steady_clock;

void Exec(sqlite3* db, const char* sql) { sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

sqlite3* RawOpen(const QString& folder) {
    sqlite3* db = nullptr;
    sqlite3_open_v2((folder + QStringLiteral("/zembra.db")).toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    platform::db::RegisterSqliteFunctions(db);
    sqlite3_busy_timeout(db, 10000);
    Exec(db, "PRAGMA journal_mode=WAL");
    return db;
}

// The data folder, made once: the module creates the empty tables, the generator fills them.
struct BigFolder {
    QTemporaryDir dir;
    BigFolder() {
        CarpetaDatos = dir.path();
        {
            // In a session of its own, so no connection to the file outlives the creation.
            TSession creating(nullptr);
            TSession* const shared = Session;
            Session = &creating;
            delete new TDat(nullptr);
            Session = shared;
        }
        zbtest::TTamDespacho t;
        t.Expedientes = 100000;
        t.Consultas = 0;
        t.Abogados = 20;
        t.Anos = 20;
        t.UltimoAno = 2009;
        t.Clientes = 5000;
        t.Apuntes = 1000000;
        t.Citas = 1000000;
        zbtest::GeneraDespacho(dir.path(), t);
        zbtest::TGenerador(dir.path()).Exec("PRAGMA wal_checkpoint(TRUNCATE)");
    }
};

BigFolder& Big() {
    static BigFolder folder;
    return folder;
}

double OpenModule() {
    CarpetaDatos = Big().dir.path();
    TSession* const shared = Session;
    auto fresh = std::make_unique<TSession>(nullptr);
    Session = fresh.get();
    const auto t0 = Clock::now();
    auto* dat = new TDat(nullptr);
    const auto t1 = Clock::now();
    benchmark::DoNotOptimize(dat->TExped->RecordCount());
    delete dat;
    Session = shared;
    fresh.reset();  // the last holder of the folder's connection: the file closes here
    return std::chrono::duration<double>(t1 - t0).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The same reads without the layer: the first rows of every table in its order and the
// start-up queries for the first case file, client and lawyer.
double OpenRaw() {
    const auto t0 = Clock::now();
    sqlite3* db = RawOpen(Big().dir.path());
    static const char* const reads[] = {
        "SELECT * FROM sistem ORDER BY NUMERO LIMIT 1",
        "SELECT * FROM tabcon ORDER BY ANO LIMIT 1",
        "SELECT * FROM abocli ORDER BY APELLIDOS COLLATE ZBES, NOMBRE COLLATE ZBES LIMIT 1",
        "SELECT * FROM clientes ORDER BY APELLIDOS COLLATE ZBES, NOMBRE COLLATE ZBES LIMIT 1",
        "SELECT * FROM contrarios ORDER BY APELLIDOS COLLATE ZBES, NOMBRE COLLATE ZBES LIMIT 1",
        "SELECT * FROM abogados ORDER BY APELLIDOS COLLATE ZBES, NOMBRE COLLATE ZBES LIMIT 1",
        "SELECT * FROM procu ORDER BY APELLIDOS COLLATE ZBES, NOMBRE COLLATE ZBES LIMIT 1",
        "SELECT * FROM peritos ORDER BY APELLIDOS COLLATE ZBES, NOMBRE COLLATE ZBES LIMIT 1",
        "SELECT * FROM poder ORDER BY CLIENTE, PODER COLLATE ZBES LIMIT 1",
        "SELECT ABOCLI, NOMBRE || ' ' || APELLIDOS AS NOMABO FROM abocli",
        "SELECT * FROM exped ORDER BY ANO COLLATE ZBES, NUMERO COLLATE ZBES LIMIT 1",
        "SELECT * FROM expcli ORDER BY ANO COLLATE ZBES, NUMERO COLLATE ZBES, CLIENTE LIMIT 1",
        "SELECT * FROM expcon ORDER BY ANO COLLATE ZBES, NUMERO COLLATE ZBES, CONTRARIO LIMIT 1",
        "SELECT * FROM consultas ORDER BY ANO COLLATE ZBES, NUMERO COLLATE ZBES LIMIT 1",
        "SELECT * FROM cuentas ORDER BY ORDEN LIMIT 1",
        "SELECT * FROM concontas LIMIT 1",
        "SELECT SUM(IMPORTE) AS SALDO FROM cuentas WHERE ANO = '1990' AND NUMERO = '00001-B'",
        "SELECT COUNT(*) FROM exped WHERE CLIENTE = 1",
        "SELECT COUNT(*) FROM exped WHERE CONTRARIO = 0",
        "SELECT COUNT(*) FROM exped WHERE ABOCLI = 1",
        "SELECT * FROM agenda ORDER BY ORDEN LIMIT 1",
        "SELECT * FROM agenda ORDER BY ABOCLI, FECHA, HORA LIMIT 1",
        "SELECT * FROM agenda ORDER BY FECHA, HORA LIMIT 1",
        "SELECT * FROM agenda WHERE ABOCLI IS NULL ORDER BY FECHA, HORA",
        "SELECT * FROM agenda WHERE ANO IS NULL ORDER BY FECHA, HORA",
        "SELECT * FROM conagendas ORDER BY CODIGO LIMIT 1",
        "SELECT * FROM tipoagendas ORDER BY TIPO COLLATE ZBES LIMIT 1",
        "SELECT * FROM color ORDER BY Id LIMIT 1",
        "SELECT * FROM fechas LIMIT 1",
        "SELECT * FROM fechas ORDER BY Color, Fecha LIMIT 1",
        "SELECT * FROM escritos ORDER BY ESCRITO LIMIT 1",
        "SELECT * FROM escritos WHERE TIPO IS NULL ORDER BY CONCEPTO COLLATE ZBES",
        "SELECT * FROM privacidad ORDER BY Usuario COLLATE ZBES LIMIT 1",
        "SELECT * FROM partidos ORDER BY PARTIDO COLLATE ZBES LIMIT 1",
        "SELECT * FROM profesiones ORDER BY PROFESION COLLATE ZBES LIMIT 1",
        "SELECT * FROM tribunales ORDER BY TRIBUNAL COLLATE ZBES LIMIT 1",
        "SELECT * FROM procedimientos ORDER BY PROCEDIMIENTO COLLATE ZBES LIMIT 1",
        "SELECT * FROM tipoconsulta ORDER BY TIPO COLLATE ZBES LIMIT 1",
    };
    qint64 rows = 0;
    for (const char* sql : reads) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) continue;
        while (sqlite3_step(st) == SQLITE_ROW) ++rows;
        sqlite3_finalize(st);
    }
    const auto t1 = Clock::now();
    benchmark::DoNotOptimize(rows);
    sqlite3_close(db);
    return std::chrono::duration<double>(t1 - t0).count();
}

void BM_OpenDataModule(benchmark::State& state) {
    Big();
    std::vector<double> module, raw;
    bool moduleFirst = true;
    for (auto _ : state) {
        double m = 0;
        if (moduleFirst) {
            m = OpenModule();
            raw.push_back(OpenRaw());
        } else {
            raw.push_back(OpenRaw());
            m = OpenModule();
        }
        moduleFirst = !moduleFirst;
        state.SetIterationTime(m);
        module.push_back(m);
    }
    const double mm = Median(module), mr = Median(raw);
    state.counters["module_ms"] = 1000 * mm;
    state.counters["raw_ms"] = 1000 * mr;
    state.counters["ratio"] = mr > 0 ? mm / mr : 0;
}
BENCHMARK(BM_OpenDataModule)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(9);

}  // namespace

int main(int argc, char** argv) {
    return zbbench::Ejecuta(argc, argv);
}
