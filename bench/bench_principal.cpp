// The main window over a data folder of 100,000 case files and 20,000 consultations (10 lawyers,
// 10 years) against its Qt peer (PeerPrincipal.h: the same window written on QMainWindow and
// QTableView over a model paging by key through the SQLite C API): opening it with its first
// page drawn, jumping to the last row, re-filtering by lawyer, year and client and paging down,
// each step drawn once; then the start of a fresh process until the window is drawn, and its
// resident memory 3 s later. Runs are interleaved; "ratio" is the median window time over the
// median peer time, "ratio_p25"/"ratio_p75" the quartiles of the rounds' own ratios.
#include "comun/Programa.h"
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "platform/forms/FormHarness.h"
#include "shell/UPrincipal.h"
#include "tests/support/GeneraDespacho.h"
#include "Entrada.h"
#include "PeerPrincipal.h"
#include "Proceso.h"
#include "platform/classes/Registry.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QScrollBar>
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
        // The window keeps its placement and columns in the data folder, not in the settings
        // of whoever runs this: it opens at the size asked for, as the peer does.
        qputenv("XDG_CONFIG_HOME", QDir(dir.path()).filePath(QStringLiteral("config")).toLocal8Bit());
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
        comun::EditorRegistrado = [] { return QStringLiteral("writer.desktop"); };
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

double Mediana(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Cuantil(std::vector<double> v, double q) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[size_t(q * double(v.size() - 1) + 0.5)];
}

// The two sides of each round: wall and processor time (all threads), the window first on even
// rounds and the peer first on odd ones.
struct TRondas {
    std::vector<double> ventana, par, cpuVentana, cpuPar;
    int ronda = 0;
    // Runs one round; returns the window's wall time. `entre` runs untimed between the two sides.
    double Mide(const std::function<void()>& nuestra, const std::function<void()>& suya,
                const std::function<void()>& entre = {}) {
        auto mide = [](const std::function<void()>& f, std::vector<double>& wall, std::vector<double>& cpu) {
            const double c0 = CpuAhora();
            const auto t0 = Clock::now();
            f();
            wall.push_back(std::chrono::duration<double>(Clock::now() - t0).count());
            cpu.push_back(CpuAhora() - c0);
        };
        if (ronda++ % 2 == 0) {
            mide(nuestra, ventana, cpuVentana);
            if (entre) entre();
            mide(suya, par, cpuPar);
        } else {
            mide(suya, par, cpuPar);
            if (entre) entre();
            mide(nuestra, ventana, cpuVentana);
        }
        return ventana.back();
    }
    void Informa(benchmark::State& state, const char* unidad = "ms", double escala = 1000) const {
        const double v = Mediana(ventana), p = Mediana(par);
        state.counters[std::string("window_") + unidad] = v * escala;
        state.counters[std::string("peer_") + unidad] = p * escala;
        state.counters["ratio"] = p > 0 ? v / p : 0;
        std::vector<double> r;
        for (size_t i = 0; i < ventana.size() && i < par.size(); ++i)
            if (par[i] > 0) r.push_back(ventana[i] / par[i]);
        state.counters["ratio_p25"] = Cuantil(r, 0.25);
        state.counters["ratio_p75"] = Cuantil(r, 0.75);
        if (!cpuVentana.empty()) {
            const double cv = Mediana(cpuVentana), cp = Mediana(cpuPar);
            state.counters["cpu_ratio"] = cp > 0 ? cv / cp : 0;
        }
    }
};

// The peer's connection to the same file, as the program's data module keeps its own.
struct Par {
    sqlite3* db = nullptr;
    std::unique_ptr<zbpeer::TSentencias> sentencias;
    Par() {
        sqlite3_open_v2((D().dir.path() + QStringLiteral("/zembra.db")).toUtf8().constData(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
        sqlite3_busy_timeout(db, 10000);
        sentencias = std::make_unique<zbpeer::TSentencias>(db);
    }
    ~Par() {
        sentencias.reset();
        sqlite3_close(db);
    }
    std::unique_ptr<zbpeer::TVentana> Abre() {
        auto v = std::make_unique<zbpeer::TVentana>(*sentencias);
        v->setGeometry(0, 0, 1000, 700);
        v->show();
        TFormHarness::ProcessEvents();
        return v;
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

// Counts the paints of some widgets: a step is drawn once on each side, and each side draws
// the scroll bar its new count moves.
struct PinturasDe : QObject {
    int pinturas = 0;
    explicit PinturasDe(const QList<QWidget*>& widgets) {
        for (QWidget* w : widgets) w->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++pinturas;
        return false;
    }
};

QList<QWidget*> Barras(QWidget* w) {
    QList<QWidget*> out;
    for (QScrollBar* b : w->findChildren<QScrollBar*>()) out << b;
    return out;
}

std::unique_ptr<TPrincipio> Abre() {
    auto f = std::make_unique<TPrincipio>(nullptr);
    Principio = f.get();
    f->SetBounds(0, 0, 1000, 700);
    f->Show();
    TFormHarness::ProcessEvents();
    return f;
}

// Every year on both sides: the whole table.
void TodosLosAnos(TPrincipio* f, zbpeer::TVentana* v) {
    f->cbAnio->SetChecked(false);
    f->cbAnioClick(f->cbAnio);
    v->PorAno->setChecked(false);
    TFormHarness::ProcessEvents();
}

void BM_AbrirVentana(benchmark::State& state) {
    D();
    Par par;
    TRondas r;
    for (auto _ : state) {
        std::unique_ptr<TPrincipio> f;
        std::unique_ptr<zbpeer::TVentana> v;
        // Each side opens with no window of the other open, as a program starts: a window shown
        // over the other's active one would also pay for the other's repaint as it goes inactive.
        state.SetIterationTime(r.Mide([&] { f = Abre(); }, [&] { v = par.Abre(); }, [&] {
            f.reset();
            v.reset();
        }));
        f.reset();
        v.reset();
    }
    r.Informa(state);
}
BENCHMARK(BM_AbrirVentana)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

void BM_UltimaFila(benchmark::State& state) {
    D();
    Par par;
    auto f = Abre();
    auto v = par.Abre();
    TodosLosAnos(f.get(), v.get());
    TRondas r;
    Pinturas pintadas(f->DBPrincipal);
    int pasos = 0;
    QTableView* t = v->VistaExpedientes;
    for (auto _ : state) {
        f->TExped->First();
        f->DBPrincipal->Repaint();
        t->setCurrentIndex(v->Expedientes->index(0, 1));
        t->viewport()->repaint();
        TFormHarness::ProcessEvents();
        const int antes = pintadas.filas;
        state.SetIterationTime(r.Mide(
            [&] {
                f->TExped->Last();
                f->DBPrincipal->Repaint();
            },
            [&] {
                t->setCurrentIndex(v->Expedientes->index(v->Expedientes->Filas() - 1, 1));
                t->viewport()->repaint();
            }));
        pasos += pintadas.filas - antes;
    }
    r.Informa(state);
    state.counters["rows_drawn_per_step"] = double(pasos) / double(state.iterations());
}
BENCHMARK(BM_UltimaFila)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

void BM_Refiltrar(benchmark::State& state) {
    D();
    Par par;
    auto f = Abre();
    auto v = par.Abre();
    TRondas r;
    Pinturas pintadas(f->DBPrincipal);
    int pasos = 0;
    // Clients with case files of the year under their lawyer, so each selection shows rows.
    std::vector<std::pair<int, int>> pares;
    {
        sqlite3_stmt* st = par.sentencias->Prepara("SELECT e.ABOCLI, x.CLIENTE FROM exped e JOIN expcli x ON x.ANO = e.ANO "
                                                   "AND x.NUMERO = e.NUMERO WHERE e.ANO = ? ORDER BY e.NUMERO");
        const QByteArray ano = QByteArray::number(Ano);
        sqlite3_bind_text(st, 1, ano.constData(), -1, SQLITE_TRANSIENT);
        for (int i = 0; sqlite3_step(st) == SQLITE_ROW; ++i)
            if (i % 97 == 0) pares.emplace_back(sqlite3_column_int(st, 0), sqlite3_column_int(st, 1));
        sqlite3_reset(st);
    }
    size_t siguiente = 0;
    PinturasDe barras(Barras(f->DBPrincipal->Widget())), barrasPar(Barras(v->VistaExpedientes));
    PinturasDe rejilla({f->DBPrincipal->Widget()}), vista({v->VistaExpedientes->viewport()});
    for (auto _ : state) {
        const auto [abogado, cliente] = pares[siguiente++ % pares.size()];
        const int antes = pintadas.filas;
        // Each side ends its step with everything drawn: the rows, the status bar and the
        // scroll bar the new count moves, as the event loop does it for a user.
        state.SetIterationTime(r.Mide(
            [&] {
                f->QAbo->Locate(QStringLiteral("ABOCLI"), abogado, 0);
                f->ZbAbogados->SetValue(QString::number(abogado));
                FiltroExp.FiltroCliente = cliente;
                f->RefrescaExpedientes();
                TFormHarness::ProcessEvents();
            },
            [&] {
                v->ElijeAbogado(abogado);
                v->Cliente = cliente;
                v->Refiltra();
                TFormHarness::ProcessEvents();
            }));
        pasos += pintadas.filas - antes;
    }
    r.Informa(state);
    state.counters["rows_drawn_per_step"] = double(pasos) / double(state.iterations());
    const double n = double(state.iterations());
    state.counters["window_grid_paints"] = double(rejilla.pinturas) / n;
    state.counters["peer_view_paints"] = double(vista.pinturas) / n;
    state.counters["window_bar_paints"] = double(barras.pinturas) / n;
    state.counters["peer_bar_paints"] = double(barrasPar.pinturas) / n;
}
BENCHMARK(BM_Refiltrar)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(31);

void BM_PaginaAbajo(benchmark::State& state) {
    D();
    Par par;
    auto f = Abre();
    auto v = par.Abre();
    TodosLosAnos(f.get(), v.get());
    QTableView* t = v->VistaExpedientes;
    t->setCurrentIndex(v->Expedientes->index(0, 1));
    TRondas r;
    Pinturas pintadas(f->DBPrincipal);
    int pasos = 0;
    for (auto _ : state) {
        const int antes = pintadas.filas;
        // The key is handled and the grid drawn as the event loop does it for a user.
        state.SetIterationTime(r.Mide(
            [&] {
                TFormHarness::Focus(f->DBPrincipal);
                TFormHarness::PressKey(VK_NEXT);
            },
            [&] {
                QKeyEvent pulsa(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
                QCoreApplication::sendEvent(t, &pulsa);
                QKeyEvent suelta(QEvent::KeyRelease, Qt::Key_PageDown, Qt::NoModifier);
                QCoreApplication::sendEvent(t, &suelta);
                TFormHarness::ProcessEvents();
            }));
        pasos += pintadas.filas - antes;
    }
    r.Informa(state);
    state.counters["rows_per_page"] = f->DBPrincipal->VisibleRowCount();
    state.counters["rows_drawn_per_step"] = double(pasos) / double(state.iterations());
}
BENCHMARK(BM_PaginaAbajo)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

// The program's settings and desktop for the fresh processes: the data folder, and a word
// processor named for documents as on an office's desktop.
void PreparaProcesos() {
    static bool hecho = false;
    if (hecho) return;
    hecho = true;
    const QString carpeta = D().dir.path();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("ZEMBRA_REGISTRY_FILE", QDir(carpeta).filePath(QStringLiteral("registry.ini")).toLocal8Bit());
    TRegIniFile reg(comun::ClavePrograma(QStringLiteral("zembra")));
    reg.WriteString(QStringLiteral("Install"), QStringLiteral("Datos"), carpeta);
    QDir(carpeta).mkpath(QStringLiteral("escritorio/applications"));
    auto escribe = [&](const QString& nombre, const char* texto) {
        QFile f(QDir(carpeta).filePath(nombre));
        if (f.open(QIODevice::WriteOnly)) f.write(texto);
    };
    escribe(QStringLiteral("escritorio/mimeapps.list"),
            "[Default Applications]\n"
            "application/vnd.openxmlformats-officedocument.wordprocessingml.document=procesador.desktop\n");
    escribe(QStringLiteral("escritorio/applications/procesador.desktop"),
            "[Desktop Entry]\nType=Application\nName=Procesador\nExec=true %f\n"
            "MimeType=application/vnd.openxmlformats-officedocument.wordprocessingml.document;\n");
    qputenv("XDG_CONFIG_HOME", QDir(carpeta).filePath(QStringLiteral("escritorio")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", QDir(carpeta).filePath(QStringLiteral("escritorio")).toLocal8Bit());
}

// From the start of a fresh process to the first paint of its main window (the splash first).
void BM_Arranque(benchmark::State& state) {
    PreparaProcesos();
    const std::string carpeta = D().dir.path().toStdString();
    qputenv("ZEMBRA_EXIT_AT_FIRST_WINDOW", "1");
    const std::vector<std::string> programa{ZEMBRA_APP}, peer{ZEMBRA_PEER, carpeta};
    // A first start of each, unmeasured: the files are read once into memory.
    zbbench::Lanza(programa);
    zbbench::Lanza(peer);
    TRondas r;
    for (auto _ : state) {
        double nuestro = 0, suyo = 0;
        r.Mide([&] { nuestro = zbbench::Lanza(programa); }, [&] { suyo = zbbench::Lanza(peer); });
        r.ventana.back() = nuestro;
        r.par.back() = suyo;
    }
    r.cpuVentana.clear();  // the children's processor time is not this process's
    r.Informa(state);
}
BENCHMARK(BM_Arranque)->Unit(benchmark::kMillisecond)->Iterations(9);

// Resident memory (VmRSS) 3 s after the first paint of the main window, fresh processes.
void BM_Memoria(benchmark::State& state) {
    PreparaProcesos();
    const std::string carpeta = D().dir.path().toStdString();
    qputenv("ZEMBRA_EXIT_AT_FIRST_WINDOW", "marca");
    const std::vector<std::string> programa{ZEMBRA_APP}, peer{ZEMBRA_PEER, carpeta};
    TRondas r;
    for (auto _ : state) {
        double nuestro = 0, suyo = 0;
        r.Mide([&] { nuestro = double(zbbench::MemoriaTrasMarca(programa, "Ventana dibujada", std::chrono::seconds(3))); },
               [&] { suyo = double(zbbench::MemoriaTrasMarca(peer, "Ventana dibujada", std::chrono::seconds(3))); });
        r.ventana.back() = nuestro;
        r.par.back() = suyo;
    }
    r.cpuVentana.clear();
    r.Informa(state, "kB", 1);
    qunsetenv("ZEMBRA_EXIT_AT_FIRST_WINDOW");
}
BENCHMARK(BM_Memoria)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    return zbbench::Ejecuta(argc, argv);
}
