// The case-file list by number over 100,000 case files of one year, each with its client and
// opposing-party lines. How soon the first page reaches the preview against laying out the whole
// report; and the whole list written to PDF against a program that reads the same rows from the
// raw SQLite file and draws the same pages itself with Qt's PDF writer. Runs are interleaved;
// the "ratio" counters are medians over medians, of wall time and ("cpu_ratio") of processor
// time, which a busy machine disturbs less.
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "platform/forms/FormHarness.h"
#include "reports/Listado.h"
#include "reports/rptLisExpNum.h"
#include "tests/support/GeneraDespacho.h"

#include <QDate>
#include <QFile>
#include <QHash>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <ctime>
#include <functional>
#include <memory>
#include <sqlite3.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int Ano = 2026;

struct Despacho {
    QTemporaryDir dir;
    std::unique_ptr<platform::forms::TFormHarness> harness = std::make_unique<platform::forms::TFormHarness>();
    Despacho() {
        CarpetaDatos = dir.path();
        delete new TDat(nullptr);
        zbtest::TTamDespacho t;
        t.Expedientes = 100000;
        t.Consultas = 10;
        t.Abogados = 10;
        t.Anos = 1;
        t.UltimoAno = Ano;
        t.Clientes = 20000;
        zbtest::GeneraDespacho(dir.path(), t);
        Dat = new TDat(nullptr);
    }
};

Despacho& D() {
    static Despacho d;
    return d;
}

double Segundos(const std::function<void()>& f) {
    const auto t0 = Clock::now();
    f();
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

// Processor time of the process: on a shared machine it moves less than wall time.
double Procesador() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double Mediana(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

TInfExpNum* Nuevo() {
    auto* f = new TInfExpNum(nullptr);
    reports::PreparaExpNum(f, QString::number(Ano), QString(), QStringLiteral("zzzzzzz"), QStringLiteral("Número :  TODOS"));
    return f;
}

// The plain program: one query for the case files, two for their parties' names (in case-file
// order), drawn as the same pages: the page header with the date, the page number, the title and
// the filter, the column titles under a rule, then a row per case file with its party lines, in
// the same faces and places; a new page when a row does not fit. Like any careful program it
// hands the painter a font only when it changes.
int Directo(const QString& pdf) {
    sqlite3* db = nullptr;
    sqlite3_open_v2((D().dir.path() + QStringLiteral("/zembra.db")).toUtf8().constData(), &db, SQLITE_OPEN_READONLY,
                    nullptr);
    platform::db::RegisterSqliteFunctions(db);
    auto nombres = [&](const char* sql) {
        QHash<QString, QStringList> r;
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW)
            r[QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)))] <<
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
        sqlite3_finalize(st);
        return r;
    };
    const QHash<QString, QStringList> clientes = nombres(
        "SELECT A.ANO || '/' || A.NUMERO, IFNULL(B.APELLIDOS,'') || ',' || IFNULL(B.NOMBRE,'') AS N FROM EXPCLI A, "
        "CLIENTES B WHERE A.CLIENTE = B.CLIENTE ORDER BY N COLLATE ZBES");
    const QHash<QString, QStringList> contrarios = nombres(
        "SELECT A.ANO || '/' || A.NUMERO, IFNULL(B.APELLIDOS,'') || ',' || IFNULL(B.NOMBRE,'') AS N FROM EXPCON A, "
        "CONTRARIOS B WHERE A.CONTRARIO = B.CONTRARIO ORDER BY N COLLATE ZBES");
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT E.ANO || '/' || E.NUMERO, E.SITUACION, E.AUTOS, E.PROCEDIMIENTO, "
                       "IFNULL(A.APELLIDOS,'') || ',' || IFNULL(A.NOMBRE,'') FROM EXPED E LEFT JOIN ABOCLI A ON "
                       "A.ABOCLI = E.ABOCLI WHERE E.ANO = '2026'",
                       -1, &st, nullptr);
    QPdfWriter writer(pdf);
    writer.setResolution(600);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(0, 0, 0, 0),
                                     QPageLayout::Millimeter));
    QPainter p(&writer);
    p.scale(600.0 / 96, 600.0 / 96);
    p.setPen(QPen(Qt::black, 1));
    auto fuente = [](int px, bool negrita) {
        QFont f(platform::graphics::ResolveFontFamily(QStringLiteral("Arial")));
        f.setPixelSize(px);
        f.setBold(negrita);
        f.setHintingPreference(QFont::PreferFullHinting);
        return f;
    };
    const QFont normal = fuente(11, false), columnas = fuente(11, true), titulo = fuente(17, true),
                filtro = fuente(12, true);
    const QString fecha = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
    const int izquierda = 45, ancho = 1033, arriba = 45, abajo = 794 - 45;
    auto texto = [&](int x, int y, int w, const QString& t, int alinea = Qt::AlignLeft) {
        p.drawText(QRect(izquierda + x, y, w, 16), alinea | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip, t);
    };
    int pagina = 0, y = 0;
    auto cabecera = [&] {
        if (pagina++ > 0) writer.newPage();
        p.setFont(normal);
        texto(0, arriba + 2, 160, fecha);
        texto(ancho - 160, arriba + 2, 160, QStringLiteral("Página : ") + QString::number(pagina), Qt::AlignRight);
        p.setFont(titulo);
        texto(0, arriba + 20, ancho, QStringLiteral("LISTADO DE EXPEDIENTES"), Qt::AlignHCenter);
        p.setFont(filtro);
        texto(0, arriba + 46, ancho, QStringLiteral("Número :  TODOS"), Qt::AlignHCenter);
        p.setFont(columnas);
        const int c = arriba + 68;
        texto(0, c + 2, 100, QStringLiteral("Expediente"));
        texto(105, c + 2, 200, QStringLiteral("Cliente"));
        texto(310, c + 2, 80, QStringLiteral("Situación"));
        texto(395, c + 2, 80, QStringLiteral("Nº Auto"));
        texto(480, c + 2, 125, QStringLiteral("Procedimiento"));
        texto(610, c + 2, 200, QStringLiteral("Contrario"));
        texto(815, c + 2, ancho - 815, QStringLiteral("Abogado Cliente"));
        p.drawLine(izquierda, c + 20, izquierda + ancho, c + 20);
        p.setFont(normal);
        y = c + 24;
    };
    cabecera();
    bool vacia = true;
    while (sqlite3_step(st) == SQLITE_ROW) {
        auto col = [&](int i) { return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i))); };
        const QString ref = col(0);
        const QStringList cli = clientes.value(ref).mid(0, 5), con = contrarios.value(ref).mid(0, 5);
        const int lineas = std::max({qsizetype(1), cli.size(), con.size()});
        if (y + 20 * lineas > abajo && !vacia) cabecera();
        vacia = false;
        texto(0, y + 1, 100, ref);
        texto(310, y + 1, 80, reports::SituacionExpediente(sqlite3_column_int(st, 1)));
        texto(395, y + 1, 80, col(2));
        texto(480, y + 1, 125, col(3));
        texto(815, y + 1, ancho - 815, col(4));
        for (int k = 0; k < cli.size(); ++k) texto(105, y + 1 + 20 * k, 200, cli[k]);
        for (int k = 0; k < con.size(); ++k) texto(610, y + 1 + 20 * k, 200, con[k]);
        y += 20 * lineas;
    }
    sqlite3_finalize(st);
    p.end();
    sqlite3_close(db);
    return pagina;
}

// The first page handed to the preview, against the whole report laid out.
void BM_PrimeraPaginaAlPreview(benchmark::State& state) {
    D();
    std::vector<double> primera, todo;
    int round = 0;
    for (auto _ : state) {
        auto a = [&] {
            std::unique_ptr<TInfExpNum> f(Nuevo());
            const auto t0 = Clock::now();
            double t = 0;
            QRPrinter->OnPreview = TNotifyEvent([&](TObject*) {
                t = std::chrono::duration<double>(Clock::now() - t0).count();
                QRPrinter->Clear();  // closed at once: nothing more to lay out
            });
            f->QRListado->Preview();
            QRPrinter->OnPreview = nullptr;
            primera.push_back(t);
        };
        auto b = [&] {
            std::unique_ptr<TInfExpNum> f(Nuevo());
            todo.push_back(Segundos([&] { f->QRListado->Prepare(); }));
        };
        if (round++ % 2 == 0) {
            a();
            b();
        } else {
            b();
            a();
        }
    }
    state.counters["first_page_ms"] = 1000 * Mediana(primera);
    state.counters["whole_layout_ms"] = 1000 * Mediana(todo);
    state.counters["ratio"] = Mediana(todo) > 0 ? Mediana(primera) / Mediana(todo) : 0;
    state.counters["pages"] = QRPrinter->PageCount();
}
BENCHMARK(BM_PrimeraPaginaAlPreview)->Unit(benchmark::kMillisecond)->Iterations(3);

// The whole PDF: the report (query, lines, layout and writing) against the plain program.
void BM_PdfContraTablaDirecta(benchmark::State& state) {
    D();
    const QString informe = D().dir.filePath(QStringLiteral("informe.pdf"));
    const QString directo = D().dir.filePath(QStringLiteral("directo.pdf"));
    std::vector<double> nuestro, plano, nuestroCpu, planoCpu;
    int round = 0, paginas = 0;
    for (auto _ : state) {
        auto a = [&] {
            const double c0 = Procesador();
            nuestro.push_back(Segundos([&] {
                std::unique_ptr<TInfExpNum> f(Nuevo());
                f->QRListado->Prepare();
                QRPrinter->ExportToPdf(informe);
            }));
            nuestroCpu.push_back(Procesador() - c0);
        };
        auto b = [&] {
            const double c0 = Procesador();
            plano.push_back(Segundos([&] { paginas = Directo(directo); }));
            planoCpu.push_back(Procesador() - c0);
        };
        if (round++ % 2 == 0) {
            a();
            b();
        } else {
            b();
            a();
        }
    }
    state.counters["report_ms"] = 1000 * Mediana(nuestro);
    state.counters["direct_ms"] = 1000 * Mediana(plano);
    state.counters["ratio"] = Mediana(plano) > 0 ? Mediana(nuestro) / Mediana(plano) : 0;
    std::vector<double> ratios;  // the spread: the rounds' own ratios
    for (size_t i = 0; i < nuestro.size() && i < plano.size(); ++i)
        if (plano[i] > 0) ratios.push_back(nuestro[i] / plano[i]);
    std::sort(ratios.begin(), ratios.end());
    if (!ratios.empty()) {
        state.counters["ratio_min"] = ratios.front();
        state.counters["ratio_max"] = ratios.back();
    }
    state.counters["report_cpu_ms"] = 1000 * Mediana(nuestroCpu);
    state.counters["direct_cpu_ms"] = 1000 * Mediana(planoCpu);
    state.counters["cpu_ratio"] = Mediana(planoCpu) > 0 ? Mediana(nuestroCpu) / Mediana(planoCpu) : 0;
    state.counters["report_pages"] = QRPrinter->PageCount();
    state.counters["direct_pages"] = paginas;
    state.counters["report_KiB"] = QFile(informe).size() / 1024.0;
    state.counters["direct_KiB"] = QFile(directo).size() / 1024.0;
}
BENCHMARK(BM_PdfContraTablaDirecta)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
