// The main window over a data folder of 100,000 case files and 20,000 consultations (10 lawyers,
// 10 years): opening it, jumping to the last row, re-filtering by lawyer, year and client, and
// paging down, each step drawn once, against one SQL query on the raw SQLite file that makes the
// same selection and reads the same page: prepared once, bound each time, through the same
// indexes, paging by key as the window does. Runs are interleaved; the "ratio" counter is the
// median window time over the median raw time.
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "platform/forms/FormHarness.h"
#include "shell/UPrincipal.h"
#include "tests/support/GeneraDespacho.h"
#include "Entrada.h"

#include <QDate>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <sqlite3.h>
#include <time.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using platform::forms::TFormHarness;

const int Ano = QDate::currentDate().year();

struct Despacho {
    QTemporaryDir dir;
    std::unique_ptr<TFormHarness> harness = std::make_unique<TFormHarness>();
    Despacho() {
        CarpetaDatos = dir.path();
        delete new TDat(nullptr);
        zbtest::TTamDespacho t;
        t.Expedientes = 100000;
        t.Consultas = 20000;
        t.Abogados = 10;
        t.Anos = 10;
        t.UltimoAno = Ano;
        t.Clientes = 8000;
        zbtest::GeneraDespacho(dir.path(), t);
        Dat = new TDat(nullptr);
        shell::EditorRegistrado = [] { return QStringLiteral("writer.desktop"); };
        // A logged-in user, as in the program: the window's first opening is not the one that
        // creates the supervisor.
        Dat->TPriv->Append();
        Dat->TPriv->FieldByName(QStringLiteral("Usuario"))->SetAsString(QStringLiteral("ANA"));
        Dat->TPriv->FieldByName(QStringLiteral("Contrasenia"))->SetAsString(QStringLiteral("clave"));
        for (const char* d : {"Expedientes", "Consulta", "Agenda", "Listados", "General"})
            Dat->TPriv->FieldByName(QString::fromLatin1(d))->SetAsBoolean(true);
        Dat->TPriv->FieldByName(QStringLiteral("Abogado"))->SetAsInteger(-1);
        Dat->TPriv->Post();
    }
};

Despacho& D() {
    static Despacho d;
    return d;
}

double CpuAhora() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Wall time of `f`; its processor time (all threads) goes to `cpu`, the fairer measure when
// other programs share the machine.
std::vector<double>* CpuDestino = nullptr;
double Segundos(const std::function<void()>& f) {
    const double c0 = CpuAhora();
    const auto t0 = Clock::now();
    f();
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    if (CpuDestino) CpuDestino->push_back(CpuAhora() - c0);
    return wall;
}

// Collects the processor times of the window side and of the SQL side of each round.
struct TCpu {
    std::vector<double> ventana, crudo;
};

double Mediana(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The raw side: each query prepared once and bound on every run, reading every column of every
// row it gives.
struct Crudo {
    sqlite3* db = nullptr;
    std::map<QString, sqlite3_stmt*> preparadas;
    Crudo() {
        sqlite3_open_v2((D().dir.path() + QStringLiteral("/zembra.db")).toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        platform::db::RegisterSqliteFunctions(db);
    }
    ~Crudo() {
        for (auto& [sql, st] : preparadas) sqlite3_finalize(st);
        sqlite3_close(db);
    }
    sqlite3_stmt* Prepara(const QString& sql) {
        sqlite3_stmt*& st = preparadas[sql];
        if (!st) sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr);
        return st;
    }
    // Runs `sql` with `valores` bound in order; `ultima` gets the first two columns of the last row.
    int Lee(const QString& sql, const std::vector<QVariant>& valores = {}, QVariant* ultima = nullptr) {
        sqlite3_stmt* st = Prepara(sql);
        int i = 0;
        for (const QVariant& v : valores) {
            ++i;
            if (v.typeId() == QMetaType::Int) sqlite3_bind_int(st, i, v.toInt());
            else sqlite3_bind_text(st, i, v.toString().toUtf8().constData(), -1, SQLITE_TRANSIENT);
        }
        int n = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(st); ++c) (void)sqlite3_column_text(st, c);
            if (ultima) {
                ultima[0] = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
                ultima[1] = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
            }
            ++n;
        }
        sqlite3_reset(st);
        sqlite3_clear_bindings(st);
        return n;
    }
};

// Counts the paints of a grid's rows, so a step is known to be drawn, and drawn once.
struct Pinturas {
    TDBGrid* grid;
    TDrawColumnCellEvent previo;
    int filas = 0;
    Pinturas(TDBGrid* g) : grid(g), previo(g->OnDrawColumnCell) {
        grid->OnDrawColumnCell = TDrawColumnCellEvent([this](TObject* s, const TRect& r, int c, TColumn* col, TGridDrawState st) {
            if (c == 0) ++filas;
            previo(s, r, c, col, st);
        });
    }
    ~Pinturas() { grid->OnDrawColumnCell = previo; }
};

std::unique_ptr<TPrincipio> Abre() {
    auto f = std::make_unique<TPrincipio>(nullptr);
    Principio = f.get();
    f->SetBounds(0, 0, 1000, 700);
    f->Show();
    TFormHarness::ProcessEvents();
    return f;
}

const QString Columnas = QStringLiteral(
    "SELECT e.ANO, e.NUMERO, e.SITUACION, e.FECHAAPERTURA, e.PROCEDIMIENTO, e.TRIBUNAL, e.AUTOS, "
    "c.APELLIDOS || ',' || c.NOMBRE, o.APELLIDOS || ',' || o.NOMBRE FROM exped e "
    "LEFT JOIN clientes c ON c.CLIENTE = e.CLIENTE LEFT JOIN contrarios o ON o.CONTRARIO = e.CONTRARIO ");

void Informa(benchmark::State& state, const std::vector<double>& ventana, const std::vector<double>& crudo,
             const TCpu& cpu) {
    const double v = Mediana(ventana), c = Mediana(crudo);
    state.counters["window_ms"] = v * 1000;
    state.counters["sql_ms"] = c * 1000;
    state.counters["ratio"] = v / c;
    const double cv = Mediana(cpu.ventana), cc = Mediana(cpu.crudo);
    state.counters["cpu_ratio"] = cc > 0 ? cv / cc : 0;
    state.counters["window_cpu_ms"] = cv * 1000;
}

void BM_AbrirVentana(benchmark::State& state) {
    D();
    Crudo raw;
    std::vector<double> ventana, crudo;
    TCpu cpu;
    for (auto _ : state) {
        std::unique_ptr<TPrincipio> f;
        CpuDestino = &cpu.ventana;
        const double v = Segundos([&] { f = Abre(); });
        f.reset();
        int filas = 0;
        CpuDestino = &cpu.crudo;
        const double c = Segundos([&] {
            filas = raw.Lee(Columnas + QStringLiteral("WHERE e.ANO = ? ORDER BY e.ANO, e.NUMERO LIMIT 40"),
                            {QString::number(Ano)});
        });
        state.SetIterationTime(v);
        ventana.push_back(v);
        crudo.push_back(c);
        benchmark::DoNotOptimize(filas);
    }
    Informa(state, ventana, crudo, cpu);
}
BENCHMARK(BM_AbrirVentana)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);

void BM_UltimaFila(benchmark::State& state) {
    D();
    Crudo raw;
    auto f = Abre();
    f->cbAnio->SetChecked(false);
    f->cbAnioClick(f->cbAnio);  // every year: the whole table
    std::vector<double> ventana, crudo;
    TCpu cpu;
    Pinturas pintadas(f->DBPrincipal);
    int pasos = 0;
    for (auto _ : state) {
        f->TExped->First();
        f->DBPrincipal->Repaint();
        const int antes = pintadas.filas;
        CpuDestino = &cpu.ventana;
        const double v = Segundos([&] {
            f->TExped->Last();
            f->DBPrincipal->Repaint();
        });
        pasos += pintadas.filas - antes;
        CpuDestino = &cpu.crudo;
        const double c = Segundos([&] { raw.Lee(Columnas + QStringLiteral("ORDER BY e.ANO DESC, e.NUMERO DESC LIMIT 40")); });
        state.SetIterationTime(v);
        ventana.push_back(v);
        crudo.push_back(c);
    }
    Informa(state, ventana, crudo, cpu);
    state.counters["rows_drawn_per_step"] = double(pasos) / double(state.iterations());
}
BENCHMARK(BM_UltimaFila)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

void BM_Refiltrar(benchmark::State& state) {
    D();
    Crudo raw;
    auto f = Abre();
    std::vector<double> ventana, crudo;
    TCpu cpu;
    Pinturas pintadas(f->DBPrincipal);
    int pasos = 0;
    // Clients with case files of the year under their lawyer, so each selection shows rows.
    std::vector<std::pair<int, int>> pares;
    {
        sqlite3_stmt* st = raw.Prepara(QStringLiteral("SELECT e.ABOCLI, x.CLIENTE FROM exped e JOIN expcli x ON x.ANO = e.ANO "
                                                      "AND x.NUMERO = e.NUMERO WHERE e.ANO = ? ORDER BY e.NUMERO"));
        const QByteArray ano = QByteArray::number(Ano);
        sqlite3_bind_text(st, 1, ano.constData(), -1, SQLITE_TRANSIENT);
        for (int i = 0; sqlite3_step(st) == SQLITE_ROW; ++i)
            if (i % 97 == 0) pares.emplace_back(sqlite3_column_int(st, 0), sqlite3_column_int(st, 1));
        sqlite3_reset(st);
    }
    size_t siguiente = 0;
    for (auto _ : state) {
        const auto [abogado, cliente] = pares[siguiente++ % pares.size()];
        const int antes = pintadas.filas;
        CpuDestino = &cpu.ventana;
        const double v = Segundos([&] {
            f->QAbo->Locate(QStringLiteral("ABOCLI"), abogado, 0);
            f->ZbAbogados->SetValue(QString::number(abogado));
            FiltroExp.FiltroCliente = cliente;
            f->RefrescaExpedientes();
            f->DBPrincipal->Repaint();
        });
        pasos += pintadas.filas - antes;
        CpuDestino = &cpu.crudo;
        const double c = Segundos([&] {
            raw.Lee(Columnas + QStringLiteral("WHERE e.ABOCLI = ? AND e.ANO = ? AND (e.ANO, e.NUMERO) IN "
                                              "(SELECT ANO, NUMERO FROM expcli WHERE CLIENTE = ?) "
                                              "ORDER BY e.ANO, e.NUMERO LIMIT 40"),
                    {abogado, QString::number(Ano), cliente});
        });
        state.SetIterationTime(v);
        ventana.push_back(v);
        crudo.push_back(c);
    }
    Informa(state, ventana, crudo, cpu);
    state.counters["rows_drawn_per_step"] = double(pasos) / double(state.iterations());
}
BENCHMARK(BM_Refiltrar)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

void BM_PaginaAbajo(benchmark::State& state) {
    D();
    Crudo raw;
    auto f = Abre();
    f->cbAnio->SetChecked(false);
    f->cbAnioClick(f->cbAnio);
    TFormHarness::Focus(f->DBPrincipal);
    TFormHarness::ProcessEvents();
    const int filas = f->DBPrincipal->VisibleRowCount();
    std::vector<double> ventana, crudo;
    TCpu cpu;
    Pinturas pintadas(f->DBPrincipal);
    int pasos = 0;
    // The raw side pages by key from the last row it read, as the window's cursor does.
    QVariant ultima[2];
    raw.Lee(Columnas + QStringLiteral("ORDER BY e.ANO, e.NUMERO LIMIT ?"), {filas}, ultima);
    for (auto _ : state) {
        const int antes = pintadas.filas;
        CpuDestino = &cpu.ventana;
        // The key is handled and the grid drawn as the event loop does it for a user.
        const double v = Segundos([&] { TFormHarness::PressKey(VK_NEXT); });
        pasos += pintadas.filas - antes;
        CpuDestino = &cpu.crudo;
        const double c = Segundos([&] {
            raw.Lee(Columnas + QStringLiteral("WHERE (e.ANO, e.NUMERO) > (?, ?) ORDER BY e.ANO, e.NUMERO LIMIT ?"),
                    {ultima[0], ultima[1], filas}, ultima);
        });
        state.SetIterationTime(v);
        ventana.push_back(v);
        crudo.push_back(c);
    }
    Informa(state, ventana, crudo, cpu);
    state.counters["rows_per_page"] = filas;
    state.counters["rows_drawn_per_step"] = double(pasos) / double(state.iterations());
}
BENCHMARK(BM_PaginaAbajo)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

}  // namespace

int main(int argc, char** argv) {
    return zbbench::Ejecuta(argc, argv);
}
