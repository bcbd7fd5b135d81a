// The data grid over a table of 100,000 case files: paging down and jumping to the end, each
// step drawn, against the same reads made through the dataset alone (no grid). The ratio shows
// what the grid adds: it reads only the rows it shows.
#include "platform/db/DBTables.h"
#include "platform/forms/DBGrids.h"
#include "platform/forms/FormHarness.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
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

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
