// The main window over 100,000 case files on the PostgreSQL engine against the same window on
// the SQLite file: opening it, jumping to the last row, paging down and re-filtering by lawyer,
// year and client, each step drawn. The office is generated in a data folder and copied to a
// private server on 127.0.0.1 (scripts/pg-test.sh). The program has one data module at a time,
// so each round opens one office, then the other, in turns first; "ratio" is the server's
// median over the file's, "round_trips" the server round trips of one step.
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "platform/db/Copy.h"
#include "platform/db/ServerStats.h"
#include "platform/forms/FormHarness.h"
#include "shell/UPrincipal.h"
#include "tests/support/GeneraDespacho.h"
#include "Entrada.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <functional>
#include <memory>

namespace {

using platform::forms::TFormHarness;
const int Ano = QDate::currentDate().year();

// One office on either engine: its folder, and while it is measured its data module and window.
struct Puesto {
    QString carpeta;
    std::unique_ptr<TPrincipio> ventana;
    void Abre() {
        CarpetaDatos = carpeta;
        Dat = new TDat(nullptr);
        AbreVentana();
    }
    void AbreVentana() {
        ventana = std::make_unique<TPrincipio>(nullptr);
        Principio = ventana.get();
        ventana->SetBounds(0, 0, 1000, 700);
        ventana->Show();
        TFormHarness::ProcessEvents();
    }
    void Cierra() {
        ventana.reset();
        Principio = nullptr;
        delete Dat;
        Dat = nullptr;
    }
};

struct Banco {
    QTemporaryDir dir;
    std::unique_ptr<TFormHarness> harness = std::make_unique<TFormHarness>();
    Puesto fichero, servidor;
    QString pg;
    Banco() {
        fichero.carpeta = dir.path() + QStringLiteral("/fichero");
        servidor.carpeta = dir.path() + QStringLiteral("/servidor");
        pg = dir.path() + QStringLiteral("/pg");
        QDir().mkpath(fichero.carpeta);
        QDir().mkpath(servidor.carpeta);
        CarpetaDatos = fichero.carpeta;
        delete new TDat(nullptr);
        zbtest::TTamDespacho t;
        t.Expedientes = 100000;
        t.Consultas = 20000;
        t.UltimoAno = Ano;
        t.Clientes = 8000;
        zbtest::GeneraDespacho(fichero.carpeta, t);
        if (QProcess::execute(QStringLiteral("bash"), {QStringLiteral(ZEMBRA_SOURCE_DIR "/scripts/pg-test.sh"), QStringLiteral("start"), pg}) != 0)
            qFatal("cannot start the server");
        QFile f(pg + QStringLiteral("/servidor"));
        f.open(QIODevice::ReadOnly);
        const QString conninfo = QString::fromUtf8(f.readAll()).trimmed();
        {
            auto desde = platform::db::OpenSqlite(fichero.carpeta);
            auto hacia = platform::db::OpenPostgres(servidor.carpeta, conninfo);
            platform::db::CopyData(*desde, *hacia);
        }
        platform::db::SetDataServer(servidor.carpeta, conninfo);
        comun::EditorRegistrado = [] { return QStringLiteral("writer.desktop"); };
    }
    ~Banco() {
        QProcess::execute(QStringLiteral("bash"), {QStringLiteral(ZEMBRA_SOURCE_DIR "/scripts/pg-test.sh"), QStringLiteral("stop"), pg});
    }
};
Banco& B() {
    static Banco b;
    return b;
}

double Mediana(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}
double Cuartil(std::vector<double> v, int q) {
    std::sort(v.begin(), v.end());
    return v[(size_t(q) * (v.size() - 1)) / 4];
}

// Rounds of `paso` on the two offices, interleaved: each round opens the file's office and the
// server's, in turns first, and times one step on each (after `prepara`, a step not timed that
// warms the window as a user's first one would, and `antes`). Reports the medians, the ratio of
// the server's median over the file's with the quartiles of the rounds' own ratios, and the
// server's round trips per step.
void Compara(benchmark::State& state, const std::function<void(Puesto&)>& prepara, const std::function<void(Puesto&)>& antes,
             const std::function<void(Puesto&)>& paso) {
    std::vector<double> tiempos[2], razones;
    qint64 viajes = 0;
    const int rondas = int(state.max_iterations);
    for (auto _ : state) {
    }
    for (int i = 0; i < rondas; ++i) {
        double ronda[2] = {0, 0};
        for (int j = 0; j < 2; ++j) {
            const int k = (i + j) % 2;  // the file first in even rounds, the server in odd ones
            Puesto& p = k == 0 ? B().fichero : B().servidor;
            p.Abre();
            if (prepara) prepara(p);
            if (antes) antes(p);
            paso(p);
            if (antes) antes(p);
            const qint64 v0 = platform::db::ServerRoundTrips();
            const auto t0 = std::chrono::steady_clock::now();
            paso(p);
            ronda[k] = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            if (k == 1) viajes += platform::db::ServerRoundTrips() - v0;
            p.Cierra();
        }
        tiempos[0].push_back(ronda[0]);
        tiempos[1].push_back(ronda[1]);
        razones.push_back(ronda[1] / ronda[0]);
    }
    state.counters["file_ms"] = Mediana(tiempos[0]) * 1000;
    state.counters["server_ms"] = Mediana(tiempos[1]) * 1000;
    state.counters["ratio"] = Mediana(tiempos[1]) / Mediana(tiempos[0]);
    state.counters["ratio_p25"] = Cuartil(razones, 1);
    state.counters["ratio_p75"] = Cuartil(razones, 3);
    state.counters["round_trips"] = double(viajes) / double(rondas);
}

void BM_AbrirVentana(benchmark::State& state) {
    Compara(state, nullptr, nullptr, [](Puesto& p) { p.AbreVentana(); });
}
BENCHMARK(BM_AbrirVentana)->Unit(benchmark::kMillisecond)->Iterations(11);

void TodosLosAnos(Puesto& p) {
    p.ventana->cbAnio->SetChecked(false);
    p.ventana->cbAnioClick(p.ventana->cbAnio);  // every year: the whole table
}

void BM_UltimaFila(benchmark::State& state) {
    Compara(
        state, TodosLosAnos,
        [](Puesto& p) {
            p.ventana->TExped->First();
            p.ventana->DBPrincipal->Repaint();
        },
        [](Puesto& p) {
            p.ventana->TExped->Last();
            p.ventana->DBPrincipal->Repaint();
        });
}
BENCHMARK(BM_UltimaFila)->Unit(benchmark::kMillisecond)->Iterations(11);

void BM_PaginaAbajo(benchmark::State& state) {
    Compara(
        state,
        [](Puesto& p) {
            TodosLosAnos(p);
            TFormHarness::Focus(p.ventana->DBPrincipal);
            TFormHarness::ProcessEvents();
        },
        nullptr, [](Puesto&) { TFormHarness::PressKey(VK_NEXT); });
}
BENCHMARK(BM_PaginaAbajo)->Unit(benchmark::kMillisecond)->Iterations(21);

void BM_Refiltrar(benchmark::State& state) {
    int abogado = 0;
    Compara(state, nullptr, nullptr, [&](Puesto& p) {
        const int a = 1 + abogado++ % 10;
        p.ventana->QAbo->Locate(QStringLiteral("ABOCLI"), a, 0);
        p.ventana->ZbAbogados->SetValue(QString::number(a));
        p.ventana->RefrescaExpedientes();
        p.ventana->DBPrincipal->Repaint();
    });
}
BENCHMARK(BM_Refiltrar)->Unit(benchmark::kMillisecond)->Iterations(11);

}  // namespace

int main(int argc, char** argv) {
    return zbbench::Ejecuta(argc, argv);
}
