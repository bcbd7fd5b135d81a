// The data grid with title buttons, sort markers, cell colours and multi-selection over a table
// of 100,000 contacts: stepping a line, paging and jumping end to end, each step drawn, against
// the plain platform grid doing the same. A smooth grid costs a few milliseconds per step
// whatever the table's size, since it reads only the rows it shows.
#include "controls/data/ZBDBCtrl.h"
#include "platform/db/DBTables.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/Forms.h"
#include "Entrada.h"
#include "tests/support/GeneraDespacho.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

using platform::forms::TFormHarness;

constexpr int Rows = 100000;

struct BigFolder {
    QTemporaryDir dir;
    BigFolder() {
        // The surnames out of code order, so a sort by them moves every row.
        zbtest::TablaPlana(dir.path(), QStringLiteral("CONTACTOS"),
                           {{"CODIGO", ftInteger}, {"APELLIDOS", ftString, 40}, {"NOMBRE", ftString, 20}, {"POBLACION", ftString, 30},
                            {"TELEFONO", ftString, 15}},
                           QStringLiteral("CODIGO"), Rows, [](int i) {
                               return std::vector<QVariant>{i + 1, QStringLiteral("Núñez Álvarez %1").arg(i * 7919 % Rows),
                                                            QStringLiteral("Iñigo %1").arg(i % 97), QStringLiteral("Logroño"),
                                                            QString::number(941000000 + i)};
                           });
    }
};

BigFolder& Big() {
    static BigFolder folder;
    return folder;
}

// The contact search's grid: title buttons with a sort marker on the ordered column, a cell
// colour event and multi-selection; or the plain grid.
struct GridForm {
    std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
    TTable* table;
    TDBGrid* grid;
    explicit GridForm(bool zb) {
        form->SetBounds(0, 0, 800, 40 * 17 + 30);
        table = new TTable(form.get());
        table->SetDatabaseName(Big().dir.path());
        table->SetTableName(QStringLiteral("CONTACTOS"));
        auto* source = new TDataSource(form.get());
        source->SetDataSet(table);
        if (zb) {
            auto* g = new TZbDBGrid(form.get());
            g->SetTitleButtons(true);
            g->SetMultiSelect(true);
            g->OnGetBtnParams = [](TObject*, TField* f, TFont*, TColor&, TSortMarker& m, bool) {
                if (f && f->FieldName() == QStringLiteral("CODIGO")) m = smDown;
            };
            g->OnGetCellParams = [](TObject*, TField* f, TFont*, TColor& bg, bool highlight) {
                if (!highlight && f && f->FieldName() == QStringLiteral("TELEFONO")) bg = clInfoBk;
            };
            grid = g;
        } else {
            grid = new TDBGrid(form.get());
        }
        grid->SetParent(form.get());
        grid->SetAlign(alClient);
        grid->SetDataSource(source);
        table->Open();
        form->Show();
        TFormHarness::Focus(grid);
    }
};

void LineDown(benchmark::State& state, bool zb) {
    GridForm f(zb);
    for (auto _ : state) {
        TFormHarness::PressKey(VK_DOWN);
        f.grid->Repaint();
        if (f.table->Eof()) f.table->First();
    }
}
void BM_ZbGridLineDown(benchmark::State& state) { LineDown(state, true); }
void BM_PlainGridLineDown(benchmark::State& state) { LineDown(state, false); }
BENCHMARK(BM_ZbGridLineDown)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainGridLineDown)->Unit(benchmark::kMillisecond);

void PageDown(benchmark::State& state, bool zb) {
    GridForm f(zb);
    for (auto _ : state) {
        TFormHarness::PressKey(VK_NEXT);
        f.grid->Repaint();
        if (f.table->Eof()) f.table->First();
    }
    state.counters["rows_per_page"] = f.grid->VisibleRowCount();
    state.counters["table_rows"] = f.table->RecordCount();
}
void BM_ZbGridPageDown(benchmark::State& state) { PageDown(state, true); }
void BM_PlainGridPageDown(benchmark::State& state) { PageDown(state, false); }
BENCHMARK(BM_ZbGridPageDown)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainGridPageDown)->Unit(benchmark::kMillisecond);

void BM_ZbGridFirstToLast(benchmark::State& state) {
    GridForm f(true);
    for (auto _ : state) {
        TFormHarness::PressKey(VK_END, ssCtrl);
        f.grid->Repaint();
        TFormHarness::PressKey(VK_HOME, ssCtrl);
        f.grid->Repaint();
    }
}
BENCHMARK(BM_ZbGridFirstToLast)->Unit(benchmark::kMillisecond);

// Extending a selection a line at a time (Shift+Down), drawn each step.
void BM_ZbGridShiftSelect(benchmark::State& state) {
    GridForm f(true);
    auto* g = static_cast<TZbDBGrid*>(f.grid);
    for (auto _ : state) {
        TFormHarness::PressKey(VK_DOWN, ssShift);
        f.grid->Repaint();
        if (g->SelectedCount() >= 200) {
            g->UnselectAll();
            f.table->First();
        }
    }
}
BENCHMARK(BM_ZbGridShiftSelect)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return zbbench::Ejecuta(argc, argv);
}
