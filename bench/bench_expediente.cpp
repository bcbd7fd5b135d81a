// The case-file form of an office with 20,000 procurators, 20,000 experts and 20,000 opposing
// lawyers: opened on a case file and refreshed as each move to another case file refreshes it,
// then closed. Against a plain SQLite program reading what the form shows, once: the case file,
// its clients and opposing parties, its ledger's balance and agenda, and the four name lists of
// its combos in Spanish order. Runs are interleaved.
#include "comun/Programa.h"
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "platform/db/DBTables.h"
#include "platform/db/Driver.h"
#include "platform/forms/Forms.h"
#include "records/UExpediente.h"
#include "Entrada.h"
#include "Interleave.h"
#include "TablasVacias.h"
#include "tests/support/GeneraDespacho.h"

#include <QTemporaryDir>
#include <sqlite3.h>

namespace {

constexpr int kPersonas = 20000;
constexpr int kMovimientos = 4;  // refreshes after the opening, one per case file moved to

struct Despacho {
    QTemporaryDir dir;
    Despacho() {
        zbbench::CreaTablas(dir.path());
        zbtest::TTamDespacho t;
        t.Expedientes = 2000;
        t.Anos = 1;
        t.UltimoAno = 2026;
        t.Apuntes = 5000;
        t.Citas = 5000;
        zbtest::GeneraDespacho(dir.path(), t);
        zbtest::TGenerador g(dir.path());
        g.Empieza();
        for (const char* sql : {"INSERT INTO procu (PROCU, NOMBRE, APELLIDOS, PARTIDO) VALUES (?,?,?,'Logroño')",
                                "INSERT INTO peritos (PERITO, NOMBRE, APELLIDOS, PROFESION) VALUES (?,?,?,'Arquitecto')",
                                "INSERT INTO abogados (ABOGADO, NOMBRE, APELLIDOS) VALUES (?,?,?)"})
            g.Filas(sql, kPersonas, [](int i) {
                return std::tuple(100 + i, zbtest::Nombres().at(i % zbtest::Nombres().size()),
                                  zbtest::Apellidos().at(i % 40) + QLatin1Char(' ') + zbtest::Apellidos().at((i / 40) % 40));
            });
        g.Termina();
        sqlite3* db = nullptr;
        sqlite3_open_v2((dir.path() + QStringLiteral("/zembra.db")).toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        Dat = new TDat(nullptr);
        AnoSeleccionado = QStringLiteral("2026");
        Dat->TExped->Locate(QStringLiteral("ANO;NUMERO"), VarArrayOf({Variant(QStringLiteral("2026")), Variant(zbtest::NumeroExpediente(1))}), 0);
    }
};

// What the form shows, read once by a careful program on the same file and collation.
const char* const Lecturas[] = {
    "SELECT * FROM exped WHERE ANO = '2026' AND NUMERO = '00001-A'",
    "SELECT c.* FROM expcli e JOIN clientes c ON c.CLIENTE = e.CLIENTE WHERE e.ANO = '2026' AND e.NUMERO = '00001-A'",
    "SELECT c.* FROM expcon e JOIN contrarios c ON c.CONTRARIO = e.CONTRARIO WHERE e.ANO = '2026' AND e.NUMERO = '00001-A'",
    "SELECT SUM(IMPORTE) FROM cuentas WHERE ANO = '2026' AND NUMERO = '00001-A'",
    "SELECT * FROM agenda WHERE ANO = '2026' AND NUMERO = '00001-A' ORDER BY FECHA, HORA",
    "SELECT ABOCLI, APELLIDOS || ',' || NOMBRE FROM abocli ORDER BY 2 COLLATE ZBES",
    "SELECT PROCU, APELLIDOS || ',' || NOMBRE FROM procu ORDER BY 2 COLLATE ZBES",
    "SELECT ABOGADO, APELLIDOS || ',' || NOMBRE FROM abogados ORDER BY 2 COLLATE ZBES",
    "SELECT PERITO, APELLIDOS || ',' || NOMBRE FROM peritos ORDER BY 2 COLLATE ZBES",
};

void BM_FichaExpediente(benchmark::State& state) {
    (void)Application.operator->();
    static Despacho despacho;
    sqlite3* db = nullptr;
    sqlite3_open_v2((despacho.dir.path() + QStringLiteral("/zembra.db")).toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    platform::db::RegisterSqliteFunctions(db);
    zbbench::Interleave(
        state, 1,
        [&] {
            auto* f = new TExpediente(nullptr);
            f->Show();
            for (int i = 0; i < kMovimientos; ++i) f->Refresca();
            benchmark::DoNotOptimize(f->ZbProCli->DisplayValue());
            delete f;
        },
        [&] {
            for (const char* sql : Lecturas) {
                sqlite3_stmt* st = nullptr;
                sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
                while (sqlite3_step(st) == SQLITE_ROW)
                    for (int c = 0, n = sqlite3_column_count(st); c < n; ++c) benchmark::DoNotOptimize(sqlite3_column_text(st, c));
                sqlite3_finalize(st);
            }
        });
    sqlite3_close(db);
}
BENCHMARK(BM_FichaExpediente)->Iterations(12)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return zbbench::Ejecuta(argc, argv); }
