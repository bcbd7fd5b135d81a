// The data grid, set up as the main window's browsers set theirs (read-only, titles, indicator,
// lines, the selection always shown, a cell event drawing a state icon), over a table of 100,000
// case files: paging down and jumping to the end, each step drawn, against the same reads made
// through the dataset alone (no grid). The ratio shows what the grid adds: it reads only the
// rows it shows.
// Then the grid's steps (line down, page down, a jump to a key, with what the window does once
// idle after it) at the start, the middle and 95% of tables of 10,000, 100,000 and 1,000,000
// rows: a step must cost the same wherever it is made, since no step may count the table.
#include "platform/db/DBTables.h"
#include "platform/forms/DBGrids.h"
#include "platform/forms/FormHarness.h"
#include "Entrada.h"
#include "tests/support/GeneraDespacho.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <algorithm>
#include <chrono>
#include <vector>
#include <memory>

namespace {

using platform::forms::TFormHarness;

struct BigFolder {
    QTemporaryDir dir;
    BigFolder() {
        zbtest::TablaPlana(dir.path(), QStringLiteral("EXPED"),
                           {{"ANO", ftString, 4}, {"NUMERO", ftString, 7}, {"CLIENTE", ftInteger}, {"ASUNTO", ftString, 240}},
                           QStringLiteral("ANO;NUMERO"), 100000, [](int i) {
                               return std::vector<QVariant>{QString::number(2000 + i / 5000),
                                                            QString::number(i % 5000 + 1).rightJustified(7, QLatin1Char('0')), i % 700,
                                                            QStringLiteral("Reclamación de cantidad número %1").arg(i)};
                           });
    }
};

BigFolder& Big() {
    static BigFolder folder;
    return folder;
}

// The browsers' set-up of a grid; the icon goes in the cells of `iconColumn`, every third row.
void AsBrowser(TDBGrid* grid, TBitmap* icon, const QString& iconColumn) {
    grid->SetReadOnly(true);
    grid->SetOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgTabs | dgAlwaysShowSelection);
    icon->SetSize(16, 14);
    icon->Canvas()->Brush()->SetColor(clLime);
    icon->Canvas()->Rectangle(1, 3, 15, 13);
    grid->OnDrawColumnCell = TDrawColumnCellEvent([grid, icon, iconColumn](TObject*, const TRect& r, int, TColumn* c, TGridDrawState) {
        if (c->Field() && c->Field()->FieldName() == iconColumn && c->Field()->AsInteger() % 3 == 0)
            grid->Canvas()->StretchDraw(r, icon);
    });
}

struct GridForm {
    TBitmap icon;  // before the form: its grid draws with it until it goes
    std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
    TTable* table;
    TDBGrid* grid;
    GridForm() {
        form->SetBounds(0, 0, 640, 40 * 17 + 30);
        table = new TTable(form.get());
        table->SetDatabaseName(Big().dir.path());
        table->SetTableName(QStringLiteral("EXPED"));
        auto* source = new TDataSource(form.get());
        source->SetDataSet(table);
        grid = new TDBGrid(form.get());
        grid->SetParent(form.get());
        grid->SetAlign(alClient);
        grid->SetDataSource(source);
        AsBrowser(grid, &icon, QStringLiteral("CLIENTE"));
        table->Open();
        form->Show();
        TFormHarness::Focus(grid);
    }
};

void BM_GridPageDown(benchmark::State& state) {
    GridForm f;
    for (auto _ : state) {
        TFormHarness::PressKey(VK_NEXT);
        f.grid->Repaint();
        if (f.table->Eof()) f.table->First();
    }
    state.counters["rows_per_page"] = f.grid->VisibleRowCount();
}
BENCHMARK(BM_GridPageDown)->Unit(benchmark::kMillisecond);

void BM_DataSetPageDown(benchmark::State& state) {
    GridForm f;
    const int rows = f.grid->VisibleRowCount();
    f.grid->SetDataSource(nullptr);
    for (auto _ : state) {
        f.table->MoveBy(rows);
        if (f.table->Eof()) f.table->First();
    }
}
BENCHMARK(BM_DataSetPageDown)->Unit(benchmark::kMillisecond);

void BM_GridFirstToLast(benchmark::State& state) {
    GridForm f;
    for (auto _ : state) {
        TFormHarness::PressKey(VK_END, ssCtrl);
        f.grid->Repaint();
        TFormHarness::PressKey(VK_HOME, ssCtrl);
        f.grid->Repaint();
    }
}
BENCHMARK(BM_GridFirstToLast)->Unit(benchmark::kMillisecond);

// Tables GRID<rows> of 10,000, 100,000 and 1,000,000 contacts keyed by CODIGO 1..rows, made once
// in one folder.
struct SizedFolder {
    QTemporaryDir dir;
    SizedFolder() {
        for (int rows : {10000, 100000, 1000000})
            zbtest::TablaPlana(dir.path(), QStringLiteral("GRID%1").arg(rows),
                               {{"CODIGO", ftInteger}, {"APELLIDOS", ftString, 40}, {"POBLACION", ftString, 30}, {"IMPORTE", ftFloat}},
                               QStringLiteral("CODIGO"), rows, [](int i) {
                                   return std::vector<QVariant>{i + 1, QStringLiteral("Núñez Álvarez %1").arg(i + 1),
                                                                QStringLiteral("Logroño"), (i + 1) * 1.25};
                               });
    }
};

SizedFolder& Sized() {
    static SizedFolder folder;
    return folder;
}

struct SizedGrid {
    TBitmap icon;  // before the form: its grid draws with it until it goes
    std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
    TTable* table;
    TDBGrid* grid;
    int rows, start;
    SizedGrid(int rows, int percent) : rows(rows), start(std::max(1, int(qint64(rows) * percent / 100))) {
        form->SetBounds(0, 0, 640, 40 * 17 + 30);
        table = new TTable(form.get());
        table->SetDatabaseName(Sized().dir.path());
        table->SetTableName(QStringLiteral("GRID%1").arg(rows));
        auto* source = new TDataSource(form.get());
        source->SetDataSet(table);
        grid = new TDBGrid(form.get());
        grid->SetParent(form.get());
        grid->SetAlign(alClient);
        grid->SetDataSource(source);
        AsBrowser(grid, &icon, QStringLiteral("CODIGO"));
        table->Open();
        form->Show();
        TFormHarness::Focus(grid);
        GoStart();
    }
    // The jump, then what the window does once idle (placing the scroll bar's thumb).
    void GoStart() {
        table->FindKey({Variant(start)});
        grid->Repaint();
        TFormHarness::ProcessEvents();
    }
};

// Arguments: table rows, position in percent. Every 20 steps the grid goes back to the position,
// untimed, so every step is made near it.
void SizedStep(benchmark::State& state, quint16 key) {
    SizedGrid g(int(state.range(0)), int(state.range(1)));
    int steps = 0;
    for (auto _ : state) {
        TFormHarness::PressKey(key);
        g.grid->Repaint();
        if (++steps % 20 == 0) {
            state.PauseTiming();
            g.GoStart();
            state.ResumeTiming();
        }
    }
    state.counters["row"] = g.start;
}
void BM_SizedLineDown(benchmark::State& state) { SizedStep(state, VK_DOWN); }
void BM_SizedPageDown(benchmark::State& state) { SizedStep(state, VK_NEXT); }

// A jump from the first row to the key at the position: the grid follows the dataset and draws,
// then does what it leaves for the window's idle time (placing the scroll bar's thumb), all of
// it in the step; "idle_ms" is the idle part alone.
void BM_SizedJump(benchmark::State& state) {
    SizedGrid g(int(state.range(0)), int(state.range(1)));
    std::vector<double> idle;
    for (auto _ : state) {
        state.PauseTiming();
        g.table->First();
        g.grid->Repaint();
        TFormHarness::ProcessEvents();
        state.ResumeTiming();
        g.table->FindKey({Variant(g.start)});
        g.grid->Repaint();
        const auto t0 = std::chrono::steady_clock::now();
        TFormHarness::ProcessEvents();
        idle.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(idle.begin(), idle.end());
    state.counters["row"] = g.start;
    state.counters["idle_ms"] = idle.empty() ? 0 : idle[idle.size() / 2];
}

// The same jump on the dataset alone (no grid attached): what the grid adds to a jump.
void BM_SizedJumpDataSet(benchmark::State& state) {
    SizedGrid g(int(state.range(0)), int(state.range(1)));
    g.grid->SetDataSource(nullptr);
    for (auto _ : state) {
        state.PauseTiming();
        g.table->First();
        state.ResumeTiming();
        g.table->FindKey({Variant(g.start)});
    }
    state.counters["row"] = g.start;
}

void SizedArgs(benchmark::internal::Benchmark* b) {
    for (int rows : {10000, 100000, 1000000})
        for (int percent : {0, 50, 95}) b->Args({rows, percent});
    b->Iterations(40)->Unit(benchmark::kMillisecond);
}
BENCHMARK(BM_SizedLineDown)->Apply(SizedArgs);
BENCHMARK(BM_SizedPageDown)->Apply(SizedArgs);
BENCHMARK(BM_SizedJump)->Apply(SizedArgs);
BENCHMARK(BM_SizedJumpDataSet)->Apply(SizedArgs);

}  // namespace

int main(int argc, char** argv) {
    return zbbench::Ejecuta(argc, argv);
}
