// The data grid over a table of 100,000 case files: paging down and jumping to the end, each
// step drawn, against the same reads made through the dataset alone (no grid). The ratio shows
// what the grid adds: it reads only the rows it shows.
// Then the grid's steps (line down, page down, a jump to a key) at the start, the middle and 95%
// of tables of 10,000, 100,000 and 1,000,000 rows: a step must cost the same wherever it is made,
// since no step may count the table.
#include "platform/db/DBTables.h"
#include "platform/forms/DBGrids.h"
#include "platform/forms/FormHarness.h"
#include "Entrada.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <algorithm>
#include <chrono>
#include <vector>
#include <memory>
#include <sqlite3.h>

namespace {

using platform::forms::TFormHarness;

struct BigFolder {
    QTemporaryDir dir;
    BigFolder() {
        TComponent owner(nullptr);
        auto* t = new TTable(&owner);
        t->SetDatabaseName(dir.path());
        t->SetTableName(QStringLiteral("EXPED"));
        t->FieldDefs()->Add(QStringLiteral("ANO"), ftString, 4, true);
        t->FieldDefs()->Add(QStringLiteral("NUMERO"), ftString, 7);
        t->FieldDefs()->Add(QStringLiteral("CLIENTE"), ftInteger);
        t->FieldDefs()->Add(QStringLiteral("ASUNTO"), ftString, 240);
        t->IndexDefs()->Add(QString(), QStringLiteral("ANO;NUMERO"), ixPrimary);
        t->CreateTable();
        sqlite3* db = nullptr;
        sqlite3_open_v2((dir.path() + QStringLiteral("/zembra.db")).toUtf8().constData(), &db, SQLITE_OPEN_READWRITE,
                        nullptr);
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO exped (ANO, NUMERO, CLIENTE, ASUNTO) VALUES (?,?,?,?)", -1, &st, nullptr);
        for (int i = 0; i < 100000; ++i) {
            const QByteArray ano = QByteArray::number(2000 + i / 5000);
            const QByteArray num = QString::number(i % 5000 + 1).rightJustified(7, QLatin1Char('0')).toUtf8();
            const QByteArray asunto = QStringLiteral("Reclamación de cantidad número %1").arg(i).toUtf8();
            sqlite3_bind_text(st, 1, ano.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 2, num.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(st, 3, i % 700);
            sqlite3_bind_text(st, 4, asunto.constData(), -1, SQLITE_TRANSIENT);
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

struct GridForm {
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
// in one folder: one prepared raw insert per table in one transaction.
struct SizedFolder {
    QTemporaryDir dir;
    SizedFolder() {
        for (int rows : {10000, 100000, 1000000}) {
            TComponent owner(nullptr);
            auto* t = new TTable(&owner);
            t->SetDatabaseName(dir.path());
            t->SetTableName(QStringLiteral("GRID%1").arg(rows));
            t->FieldDefs()->Add(QStringLiteral("CODIGO"), ftInteger, 0, true);
            t->FieldDefs()->Add(QStringLiteral("APELLIDOS"), ftString, 40);
            t->FieldDefs()->Add(QStringLiteral("POBLACION"), ftString, 30);
            t->FieldDefs()->Add(QStringLiteral("IMPORTE"), ftFloat);
            t->IndexDefs()->Add(QString(), QStringLiteral("CODIGO"), ixPrimary);
            t->CreateTable();
        }
        sqlite3* db = nullptr;
        sqlite3_open_v2((dir.path() + QStringLiteral("/zembra.db")).toUtf8().constData(), &db, SQLITE_OPEN_READWRITE,
                        nullptr);
        sqlite3_exec(db, "PRAGMA journal_mode=WAL; BEGIN", nullptr, nullptr, nullptr);
        for (int rows : {10000, 100000, 1000000}) {
            const QByteArray sql = QStringLiteral("INSERT INTO grid%1 (CODIGO, APELLIDOS, POBLACION, IMPORTE) VALUES (?,?,?,?)")
                                       .arg(rows).toUtf8();
            sqlite3_stmt* st = nullptr;
            sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr);
            for (int i = 1; i <= rows; ++i) {
                const QByteArray ape = QStringLiteral("Núñez Álvarez %1").arg(i).toUtf8();
                sqlite3_bind_int(st, 1, i);
                sqlite3_bind_text(st, 2, ape.constData(), int(ape.size()), SQLITE_TRANSIENT);
                sqlite3_bind_text(st, 3, "Logroño", -1, SQLITE_STATIC);
                sqlite3_bind_double(st, 4, i * 1.25);
                sqlite3_step(st);
                sqlite3_reset(st);
            }
            sqlite3_finalize(st);
        }
        sqlite3_exec(db, "COMMIT; PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
};

SizedFolder& Sized() {
    static SizedFolder folder;
    return folder;
}

struct SizedGrid {
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

// A jump from the first row to the key at the position (the grid follows the dataset and draws).
void BM_SizedJump(benchmark::State& state) {
    SizedGrid g(int(state.range(0)), int(state.range(1)));
    std::vector<double> idle;
    for (auto _ : state) {
        state.PauseTiming();
        g.table->First();
        g.grid->Repaint();
        state.ResumeTiming();
        g.table->FindKey({Variant(g.start)});
        g.grid->Repaint();
        // What follows the jump once the window is idle, reported apart from the step.
        state.PauseTiming();
        const auto t0 = std::chrono::steady_clock::now();
        TFormHarness::ProcessEvents();
        idle.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        state.ResumeTiming();
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
