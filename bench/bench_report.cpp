// A 10,000-row list report with a group every 50 rows: the run that records the pages, and the
// same pages written to PDF. Rows per second and the process's peak resident memory are counters.
// Then writing the list to PDF against a program drawing the same pages directly with Qt's PDF
// writer: the same texts, fonts, positions and lines, taken once from the recorded pages. Last,
// the memory a run takes over 10,000 and 100,000 rows, each in a fresh process.
#include "platform/db/DBTables.h"
#include "platform/forms/Forms.h"
#include "platform/report/QRCtrls.h"
#include "platform/report/QuickRpt.h"
#include "platform/rtl/SysUtils.h"
#include "Entrada.h"
#include "tests/support/GeneraDespacho.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sqlite3.h>

namespace {

constexpr int Rows = 10000;

// A line of the process's status in MiB: "VmHWM" the peak resident set, "VmRSS" the current one.
double StatusMiB(const char* name) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QByteArray key = QByteArray(name) + ':';
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key)) return line.mid(key.size()).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

double PeakMiB() { return StatusMiB("VmHWM"); }

struct TFixture {
    QTemporaryDir dir;
    TComponent owner{nullptr};
    TTable* table = nullptr;
    TQuickRep* report = nullptr;

    explicit TFixture(int rows = Rows) {
        Application->ProcessMessages();
        zbtest::TablaPlana(dir.path(), QStringLiteral("FACTURAS"),
                           {{"NUM", ftInteger}, {"GRUPO", ftString, 10}, {"CLIENTE", ftString, 60}, {"FECHA", ftDate}, {"IMPORTE", ftFloat}},
                           QStringLiteral("NUM"), rows, [](int i) {
                               const int num = i + 1;
                               return std::vector<QVariant>{num, QStringLiteral("G%1").arg(i / 50, 4, 10, QChar(u'0')),
                                                            QStringLiteral("Peña Álvarez, Íñigo %1").arg(num),
                                                            double(EncodeDate(2024, 1 + num % 12, 1 + num % 28)), num * 1.25};
                           });
        table = new TTable(&owner);
        table->SetName(QStringLiteral("TFacturas"));
        table->SetDatabaseName(dir.path());
        table->SetTableName(QStringLiteral("FACTURAS"));
        table->Open();
        table->FieldByName(QStringLiteral("IMPORTE"))->SetDisplayFormat(QStringLiteral("#,##0.00"));

        report = new TQuickRep(&owner);
        report->SetDataSet(table);
        report->SetReportTitle(QStringLiteral("LISTADO DE FACTURAS"));
        auto band = [&](TQRBandType type, int height) {
            auto* b = new TQRBand(&owner);
            b->SetBandType(type);
            b->SetHeight(height);
            b->SetParent(report);
            return b;
        };
        auto label = [&](TQRCustomBand* b, const QString& text, int left) {
            auto* l = new TQRLabel(&owner);
            l->SetParent(b);
            l->SetCaption(text);
            l->SetLeft(left);
            return l;
        };
        auto field = [&](TQRCustomBand* b, const QString& name, int left, int width, TAlignment align) {
            auto* t = new TQRDBText(&owner);
            t->SetParent(b);
            t->SetDataSet(table);
            t->SetDataField(name);
            t->SetLeft(left);
            t->SetWidth(width);
            t->SetAutoSize(false);
            t->SetAlignment(align);
            return t;
        };
        TQRBand* header = band(rbPageHeader, 60);
        label(header, QStringLiteral("LISTADO DE FACTURAS"), 0);
        auto* page = new TQRSysData(&owner);
        page->SetParent(header);
        page->SetData(qrsPageNumber);
        page->SetText(QStringLiteral("Página : "));
        page->SetLeft(550);
        auto* count = new TQRSysData(&owner);
        count->SetParent(header);
        count->SetData(qrsPageCount);
        count->SetText(QStringLiteral(" de "));
        count->SetLeft(640);
        auto* date = new TQRSysData(&owner);
        date->SetParent(header);
        date->SetData(qrsDate);
        date->SetTop(20);
        for (auto [text, left] : {std::pair{"Número", 0}, {"Cliente", 80}, {"Fecha", 400}, {"Importe", 600}})
            label(header, QString::fromUtf8(text), left)->SetTop(40);

        auto* group = new TQRGroup(&owner);
        group->SetParent(report);
        group->SetHeight(20);
        group->SetExpression(QStringLiteral("GRUPO"));
        label(group, QStringLiteral("Grupo :"), 0);
        field(group, QStringLiteral("GRUPO"), 60, 100, taLeftJustify);

        TQRBand* detail = band(rbDetail, 18);
        field(detail, QStringLiteral("NUM"), 0, 60, taRightJustify);
        field(detail, QStringLiteral("CLIENTE"), 80, 300, taLeftJustify);
        field(detail, QStringLiteral("FECHA"), 400, 100, taLeftJustify);
        field(detail, QStringLiteral("IMPORTE"), 560, 120, taRightJustify);

        TQRBand* footer = band(rbGroupFooter, 20);
        group->SetFooterBand(footer);
        label(footer, QStringLiteral("Total grupo :"), 400);
        auto* sum = new TQRExpr(&owner);
        sum->SetParent(footer);
        sum->SetExpression(QStringLiteral("SUM(IMPORTE)"));
        sum->SetMask(QStringLiteral("#,##0.00"));
        sum->SetResetAfterPrint(true);
        sum->SetLeft(560);

        TQRBand* summary = band(rbSummary, 20);
        auto* total = new TQRExpr(&owner);
        total->SetParent(summary);
        total->SetExpression(QStringLiteral("'Total : ' + COUNT() + ' facturas'"));
    }
};

TFixture& Fixture() {
    static TFixture f;
    return f;
}

void BM_PrepareListReport(benchmark::State& state) {
    TFixture& f = Fixture();
    for (auto _ : state) {
        f.report->Prepare();
        benchmark::DoNotOptimize(QRPrinter->PageCount());
    }
    state.counters["rows_per_s"] = benchmark::Counter(double(Rows), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["pages"] = QRPrinter->PageCount();
    state.counters["peak_MiB"] = PeakMiB();
}
BENCHMARK(BM_PrepareListReport)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ListReportToPdf(benchmark::State& state) {
    TFixture& f = Fixture();
    QString file = f.dir.filePath(QStringLiteral("facturas.pdf"));
    for (auto _ : state) {
        f.report->Prepare();
        QRPrinter->ExportToPdf(file);
    }
    state.counters["rows_per_s"] = benchmark::Counter(double(Rows), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["pdf_KiB"] = QFile(file).size() / 1024.0;
    state.counters["peak_MiB"] = PeakMiB();
}
BENCHMARK(BM_ListReportToPdf)->Unit(benchmark::kMillisecond)->Iterations(2);

// What a program drawing the list itself would hold: per page, its texts and lines.
struct DirectText {
    QRect rect;
    QString text;
    QFont font;
    QColor color;
    int flags;
};
struct DirectLine {
    QLine line;
    QPen pen;
};
struct DirectPage {
    std::vector<DirectText> texts;
    std::vector<DirectLine> lines;
};

std::vector<DirectPage> CapturePages() {
    using platform::report::TOpKind;
    std::vector<DirectPage> pages;
    for (int n = 1; n <= QRPrinter->PageCount(); ++n) {
        DirectPage page;
        for (const auto& op : QRPrinter->Pages(n).Ops) {
            if (op.Kind == TOpKind::Text) page.texts.push_back({op.Rect, op.Text, op.Font, op.Color, op.Flags});
            else if (op.Kind == TOpKind::Line)
                page.lines.push_back({QLine(op.Rect.topLeft(), op.Rect.bottomRight()), QPen(op.Color, op.PenWidth, op.PenStyle)});
        }
        pages.push_back(std::move(page));
    }
    return pages;
}

void DrawDirect(const std::vector<DirectPage>& pages, const QString& file) {
    QPdfWriter writer(file);
    writer.setResolution(600);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    QPainter painter(&writer);
    const double scale = 600.0 / platform::report::UnitsPerInch;
    painter.scale(scale, scale);
    bool first = true;
    for (const DirectPage& page : pages) {
        if (!first) writer.newPage();
        first = false;
        // Like any careful program it hands the painter a font or a colour when it changes.
        const QFont* font = nullptr;
        const QColor* color = nullptr;
        for (const DirectText& t : page.texts) {
            if (!font || !(t.font == *font)) painter.setFont(*(font = &t.font));
            if (!color || t.color != *color) painter.setPen(*(color = &t.color));
            painter.drawText(t.rect, t.flags | Qt::TextSingleLine | Qt::TextDontClip, t.text);
        }
        for (const DirectLine& l : page.lines) {
            painter.setPen(l.pen);
            painter.drawLine(l.line);
        }
    }
    painter.end();
}

// The rows the report reads, read raw and turned into the texts a list shows.
qsizetype ReadRows(const QString& folder) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QDir(folder).filePath(QStringLiteral("zembra.db")).toUtf8().constData(), &db, SQLITE_OPEN_READONLY,
                    nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT NUM, GRUPO, CLIENTE, FECHA, IMPORTE FROM FACTURAS ORDER BY NUM", -1, &st, nullptr);
    const QLocale spanish(QLocale::Spanish, QLocale::Spain);
    qsizetype length = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        auto text = [&](int i) { return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i))); };
        const QString row[] = {QString::number(sqlite3_column_int(st, 0)), text(1), text(2),
                               QDate(1899, 12, 30).addDays(qint64(sqlite3_column_double(st, 3))).toString(QStringLiteral("dd/MM/yyyy")),
                               spanish.toString(sqlite3_column_double(st, 4), 'f', 2)};
        for (const QString& t : row) length += t.size();
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return length;
}

double Seconds(const std::function<void()>& work) {
    const auto t0 = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Interleaved rounds: the report's PDF writing of pages already recorded, the whole run (record
// and write), and the direct drawing. "ratio" is the writing alone over the direct drawing;
// "run_ratio" the whole run over the direct drawing with the same rows read raw first.
void BM_PdfAgainstDirectDrawing(benchmark::State& state) {
    TFixture& f = Fixture();
    f.report->Prepare();
    const std::vector<DirectPage> pages = CapturePages();
    const QString reportFile = f.dir.filePath(QStringLiteral("informe.pdf"));
    const QString directFile = f.dir.filePath(QStringLiteral("directo.pdf"));
    std::vector<double> write, run, direct, directRun;
    int round = 0;
    for (auto _ : state) {
        std::function<void()> w = [&] { QRPrinter->ExportToPdf(reportFile); };
        std::function<void()> r = [&] {
            f.report->Prepare();
            QRPrinter->ExportToPdf(reportFile);
        };
        std::function<void()> d = [&] { DrawDirect(pages, directFile); };
        std::function<void()> rd = [&] {
            benchmark::DoNotOptimize(ReadRows(f.dir.path()));
            DrawDirect(pages, directFile);
        };
        if (round++ % 2 == 0) {
            write.push_back(Seconds(w));
            direct.push_back(Seconds(d));
            run.push_back(Seconds(r));
            directRun.push_back(Seconds(rd));
        } else {
            directRun.push_back(Seconds(rd));
            direct.push_back(Seconds(d));
            run.push_back(Seconds(r));
            write.push_back(Seconds(w));
        }
    }
    const double mw = Median(write), mr = Median(run), md = Median(direct), mrd = Median(directRun);
    state.counters["write_ms"] = 1000 * mw;
    state.counters["run_ms"] = 1000 * mr;
    state.counters["direct_ms"] = 1000 * md;
    state.counters["ratio"] = md > 0 ? mw / md : 0;
    state.counters["direct_run_ms"] = 1000 * mrd;
    state.counters["run_ratio"] = mrd > 0 ? mr / mrd : 0;
    // The spread of the whole run's ratio: the quartiles of the rounds' own ratios.
    std::vector<double> ratios;
    for (size_t i = 0; i < run.size() && i < directRun.size(); ++i)
        if (directRun[i] > 0) ratios.push_back(run[i] / directRun[i]);
    std::sort(ratios.begin(), ratios.end());
    if (!ratios.empty()) {
        state.counters["run_ratio_p25"] = ratios[(ratios.size() - 1) / 4];
        state.counters["run_ratio_p75"] = ratios[(ratios.size() - 1) * 3 / 4];
    }
    state.counters["pages"] = double(pages.size());
    state.counters["report_KiB"] = QFile(reportFile).size() / 1024.0;
    state.counters["direct_KiB"] = QFile(directFile).size() / 1024.0;
}
BENCHMARK(BM_PdfAgainstDirectDrawing)->Unit(benchmark::kMillisecond)->Iterations(9);

// Run in a fresh process: a report over `rows` rows recorded and written to PDF. Prints how much
// the resident set grew over the run and the page count.
int MemoryRun(int rows) {
    TFixture f(rows);
    const QString file = f.dir.filePath(QStringLiteral("memoria.pdf"));
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly)) refs.write("5");  // the peak starts again from here
    refs.close();
    const double before = StatusMiB("VmRSS");
    f.report->Prepare();
    QRPrinter->ExportToPdf(file);
    std::printf("%f %d\n", PeakMiB() - before, QRPrinter->PageCount());
    return 0;
}

// The growth of the resident set over a run of 10,000 rows and of 100,000 rows, each in a
// process of its own. "growth_ratio" is the larger run's growth over the smaller's: with memory
// that follows the page count it comes near the ratio of their pages.
void BM_MemoryAtTwoSizes(benchmark::State& state) {
    auto run = [](int rows, double& grew, double& pages) {
        QProcess p;
        p.start(QStringLiteral("/proc/self/exe"), {QStringLiteral("--memory-run"), QString::number(rows)});
        p.waitForFinished(-1);
        const QList<QByteArray> out = p.readAllStandardOutput().trimmed().split(' ');
        grew = out.value(0).toDouble();
        pages = out.value(1).toDouble();
    };
    double small = 0, large = 0, smallPages = 0, largePages = 0;
    for (auto _ : state) {
        run(10000, small, smallPages);
        run(100000, large, largePages);
    }
    state.counters["grew_10k_MiB"] = small;
    state.counters["grew_100k_MiB"] = large;
    state.counters["pages_10k"] = smallPages;
    state.counters["pages_100k"] = largePages;
    state.counters["growth_ratio"] = small > 0 ? large / small : 0;
}
BENCHMARK(BM_MemoryAtTwoSizes)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--memory-run") == 0) return MemoryRun(std::atoi(argv[2]));
    return zbbench::Ejecuta(argc, argv);
}
