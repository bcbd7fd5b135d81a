// Big lists a user waits for: a list box and a combo filled one line at a time (the mail merge's
// lists of people, the lawyers' and agenda types' combos), the review list of an export taking
// 100,000 names into its sorted list at once, all of them moved to the other side, and a search
// tree of 20,000 clients filled and closed. Each against a plain Qt widget doing the same work:
// QListWidget, QComboBox and QTreeWidget filled line by line, the names sorted with the Spanish
// collation, added in one call and measured for the list's sideways range. Runs are interleaved.
#include "Entrada.h"
#include "Interleave.h"
#include "controls/visual/ListBoxHelpers.h"
#include "controls/visual/ZBCtrls_lists.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <QCollator>
#include <QComboBox>
#include <QFontMetrics>
#include <QListWidget>
#include <QTreeWidget>
#include <algorithm>
#include <memory>
#include <random>

namespace {

// Surnames and names as an office's table gives them: accents, repeated surnames, no order.
QStringList Nombres(int n) {
    static const char* const apellidos[] = {"García", "Martínez", "López", "Sánchez", "Pérez",
                                            "Gómez",  "Núñez",    "Ibáñez", "Ortega",  "Álvarez"};
    static const char* const nombres[] = {"Ana", "José", "Iñigo", "María", "Óscar", "Lucía"};
    std::mt19937 r(7);
    QStringList out;
    out.reserve(n);
    for (int i = 0; i < n; ++i)
        out << QString::fromUtf8(apellidos[r() % 10]) + QLatin1Char(' ') + QString::fromUtf8(apellidos[r() % 10]) +
                   QLatin1Char(' ') + QString::fromUtf8(nombres[r() % 6]) + QLatin1Char(' ') + QString::number(r() % 100000);
    return out;
}

// The peer's order: the Spanish collation, case ignored, stable.
void OrdenaComoQt(QStringList& lines) {
    QCollator collator(QLocale(QLocale::Spanish, QLocale::Spain));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(lines.begin(), lines.end(), [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
}

// The list's sideways range, which ours keeps to its widest line: a shown QListWidget measures
// every row as it lays them out; this one is never shown, so it measures them here.
int MasAncha(const QListWidget& lw) {
    const QFontMetrics fm(lw.font());
    int widest = 0;
    for (int i = 0; i < lw.count(); ++i) widest = std::max(widest, fm.horizontalAdvance(lw.item(i)->text()));
    return widest;
}

struct Ventana {
    TForm form{nullptr};
    template <class T>
    T* Pon() {
        auto* c = new T(&form);
        c->SetParent(&form);
        c->SetBounds(0, 0, 200, 300);
        return c;
    }
};

void BM_ListBoxLineByLine(benchmark::State& state) {
    (void)Application.operator->();
    const QStringList names = Nombres(int(state.range(0)));
    zbbench::Interleave(
        state, 1,
        [&] {
            Ventana v;
            auto* lb = v.Pon<TListBox>();
            for (const QString& s : names) lb->Items()->AddObject(s, nullptr);
        },
        [&] {
            QListWidget lw;
            for (const QString& s : names) lw.addItem(s);
        });
}
BENCHMARK(BM_ListBoxLineByLine)->Arg(2000)->Arg(20000)->Iterations(10)->Unit(benchmark::kMillisecond);

void BM_ComboLineByLine(benchmark::State& state) {
    (void)Application.operator->();
    const QStringList names = Nombres(int(state.range(0)));
    zbbench::Interleave(
        state, 1,
        [&] {
            Ventana v;
            auto* cb = v.Pon<TComboBox>();
            for (const QString& s : names) cb->Items()->Add(s);
        },
        [&] {
            QComboBox cb;
            cb.setEditable(true);
            for (const QString& s : names) cb.addItem(s);
        });
}
BENCHMARK(BM_ComboLineByLine)->Arg(2000)->Arg(20000)->Iterations(10)->Unit(benchmark::kMillisecond);

// The export's review list: every name at once into a sorted list box.
void BM_SortedListAtOnce(benchmark::State& state) {
    (void)Application.operator->();
    const QStringList names = Nombres(int(state.range(0)));
    TStringList given;
    for (const QString& s : names) given.Add(s);
    zbbench::Interleave(
        state, 1,
        [&] {
            Ventana v;
            auto* lb = v.Pon<TTextListBox>();
            lb->SetMultiSelect(true);
            lb->SetSorted(true);
            lb->Items()->Assign(&given);
        },
        [&] {
            QListWidget lw;
            lw.setSelectionMode(QAbstractItemView::ExtendedSelection);
            QStringList sorted = names;
            OrdenaComoQt(sorted);
            lw.addItems(sorted);
            benchmark::DoNotOptimize(MasAncha(lw));
        });
}
BENCHMARK(BM_SortedListAtOnce)->Arg(100000)->Iterations(6)->Unit(benchmark::kMillisecond);

// Every name selected and moved to the other (sorted) list, as ">" does with all selected.
void BM_MoveSelected(benchmark::State& state) {
    (void)Application.operator->();
    const QStringList names = Nombres(int(state.range(0)));
    TStringList given;
    for (const QString& s : names) given.Add(s);
    QStringList sortedNames = names;
    OrdenaComoQt(sortedNames);
    Ventana v;
    auto* src = v.Pon<TTextListBox>();
    auto* dst = v.Pon<TTextListBox>();
    for (TTextListBox* l : {src, dst}) {
        l->SetMultiSelect(true);
        l->SetSorted(true);
    }
    QListWidget from, to;
    for (QListWidget* l : {&from, &to}) l->setSelectionMode(QAbstractItemView::ExtendedSelection);
    std::vector<zbbench::Span> layer, raw;
    bool first = true;
    for (auto _ : state) {
        state.PauseTiming();
        src->Items()->Assign(&given);
        dst->Items()->Clear();
        src->ListWidget()->selectAll();
        from.clear();
        to.clear();
        from.addItems(sortedNames);
        from.selectAll();
        state.ResumeTiming();
        auto ours = [&] { layer.push_back(zbbench::Seconds([&] { BoxMoveSelectedItems(src, dst); })); };
        auto peer = [&] {
            raw.push_back(zbbench::Seconds([&] {
                // The selected rows leave one list and join the other, which sorts again.
                QStringList moved, kept;
                for (int i = 0; i < from.count(); ++i) (from.item(i)->isSelected() ? moved : kept) << from.item(i)->text();
                for (int i = 0; i < to.count(); ++i) moved << to.item(i)->text();
                OrdenaComoQt(moved);
                from.clear();
                from.addItems(kept);
                to.clear();
                to.addItems(moved);
                benchmark::DoNotOptimize(MasAncha(from) + MasAncha(to));
            }));
        };
        if (first) {
            ours();
            peer();
        } else {
            peer();
            ours();
        }
        first = !first;
    }
    zbbench::Report(state, 1, layer, raw);
}
BENCHMARK(BM_MoveSelected)->Arg(100000)->Iterations(6)->Unit(benchmark::kMillisecond);

// A search listing every client under one node: filled, opened and the first chosen, then
// closed (every node deleted), against a QTreeWidget doing the same.
void BM_SearchTree(benchmark::State& state) {
    (void)Application.operator->();
    const QStringList names = Nombres(int(state.range(0)));
    zbbench::Interleave(
        state, 1,
        [&] {
            Ventana v;
            auto* tv = v.Pon<TTreeView>();
            TTreeNodes* nodes = tv->Items();
            nodes->BeginUpdate();
            TTreeNode* root = nodes->Add(nullptr, QStringLiteral("Clientes"));
            for (const QString& s : names) nodes->AddChild(root, s);
            tv->FullExpand();
            tv->SetSelected(nodes->Count() > 1 ? nodes->Item(1) : root);
            nodes->EndUpdate();
            nodes->Clear();
        },
        [&] {
            QTreeWidget tw;
            tw.setUpdatesEnabled(false);
            auto* root = new QTreeWidgetItem(&tw, QStringList{QStringLiteral("Clientes")});
            for (const QString& s : names) new QTreeWidgetItem(root, QStringList{s});
            tw.expandAll();
            tw.setCurrentItem(root->child(0));
            tw.setUpdatesEnabled(true);
            tw.clear();
        });
}
BENCHMARK(BM_SearchTree)->Arg(20000)->Iterations(6)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return zbbench::Ejecuta(argc, argv); }
