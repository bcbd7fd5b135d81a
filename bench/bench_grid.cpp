// The data grid with title buttons, sort markers, cell colours and multi-selection over a table
// of 100,000 contacts: stepping a line, paging and jumping end to end, each step drawn, against
// the plain platform grid doing the same. A smooth grid costs a few milliseconds per step
// whatever the table's size, since it reads only the rows it shows.
#include "controls/data/ZBDBCtrl.h"
#include "platform/db/DBTables.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/Forms.h"
#include "Entrada.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>
#include <sqlite3.h>

namespace {

using platform::forms::TFormHarness;

constexpr int Rows = 100000;

struct BigFolder {
    QTemporaryDir dir;
    BigFolder() {
        TComponent owner(nullptr);
        auto* t = new TTable(&owner);
        t->SetDatabaseName(dir.path());
        t->SetTableName(QStringLiteral("CONTACTOS"));
        t->FieldDefs()->Add(QStringLiteral("CODIGO"), ftInteger, 0, true);
        t->FieldDefs()->Add(QStringLiteral("APELLIDOS"), ftString, 40);
        t->FieldDefs()->Add(QStringLiteral("NOMBRE"), ftString, 20);
        t->FieldDefs()->Add(QStringLiteral("POBLACION"), ftString, 30);
        t->FieldDefs()->Add(QStringLiteral("TELEFONO"), ftString, 15);
        t->IndexDefs()->Add(QString(), QStringLiteral("CODIGO"), ixPrimary);
        t->CreateTable();
        sqlite3* db = nullptr;
        sqlite3_open_v2((dir.path() + QStringLiteral("/zembra.db")).toUtf8().constData(), &db, SQLITE_OPEN_READWRITE,
                        nullptr);
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* st = nullptr;
        // Rows go in through SQLite directly, fast; the table keeps only its primary key, since a
        // plain connection lacks the engine's Spanish collations.
        sqlite3_prepare_v2(db, "INSERT INTO contactos (CODIGO, APELLIDOS, NOMBRE, POBLACION, TELEFONO) VALUES (?,?,?,?,?)",
                           -1, &st, nullptr);
        for (int i = 0; i < Rows; ++i) {
            const QByteArray ape = QStringLiteral("Núñez Álvarez %1").arg(i * 7919 % Rows).toUtf8();
            const QByteArray nom = QStringLiteral("Iñigo %1").arg(i % 97).toUtf8();
            const QByteArray pob = QStringLiteral("Logroño").toUtf8();
            const QByteArray tel = QByteArray::number(941000000 + i);
            sqlite3_bind_int(st, 1, i + 1);
            sqlite3_bind_text(st, 2, ape.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 3, nom.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 4, pob.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 5, tel.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_step(st);
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
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
