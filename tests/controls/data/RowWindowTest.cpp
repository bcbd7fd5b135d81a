// Each list and grid shows its own full page of rows around the current record, wherever the
// record stands, and its scroll bar tells where that page is.
#include "DataFixture.h"
#include "controls/data/ZBDBCtrl.h"
#include "controls/data/ZbLookup.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/Forms.h"

#include <QAbstractSlider>
#include <algorithm>

using namespace datatest;
using platform::forms::TFormHarness;

namespace {

using TPage = std::vector<QString>;

class RowWindowTest : public DataTest {
protected:
    void SetUp() override {
        DataTest::SetUp();
        // Eight clients; in key order the sixth is 8, "Ibáñez Gómez".
        AddClient(clientes, 5, QStringLiteral("Sofía"), QStringLiteral("Cano Vidal"));
        AddClient(clientes, 8, QStringLiteral("Tomás"), QStringLiteral("Ibáñez Gómez"));
        clientes->First();
        source = new TDataSource(&owner);
        source->SetDataSet(clientes);
        form = new TForm(&owner);
        form->SetBounds(0, 0, 500, 400);
        form->Show();
    }

    // The rows a lookup list paints, read through the picture event that runs for each row.
    TPage Painted(TZbDBLookupList* list, TDataSet* ds) {
        TFormHarness::ProcessEvents();  // paints already due are not the page asked for
        TPage rows;
        list->OnGetImage = [&](TObject*, bool isEmpty, TGraphic*&, int&) {
            if (!isEmpty) rows.push_back(ds->FieldByName(QStringLiteral("APELLIDOS"))->AsString());
        };
        TFormHarness::Grab(list);
        list->OnGetImage = nullptr;
        return OnePass(rows);
    }
    TPage Painted(TZbDBGrid* grid, TDataSet* ds) {
        TFormHarness::ProcessEvents();
        TPage rows;
        grid->OnDrawColumnCell = [&](TObject*, const TRect&, int col, TColumn*, TGridDrawState) {
            if (col == 0) rows.push_back(ds->FieldByName(QStringLiteral("APELLIDOS"))->AsString());
        };
        TFormHarness::Grab(grid);
        grid->OnDrawColumnCell = nullptr;
        return OnePass(rows);
    }
    // Grabbing may paint more than once: one pass is the page.
    static TPage OnePass(const TPage& rows) {
        for (size_t p = 1; p < rows.size(); ++p) {
            if (rows.size() % p != 0) continue;
            bool repeats = true;
            for (size_t i = p; i < rows.size() && repeats; ++i) repeats = rows[i] == rows[i % p];
            if (repeats) return TPage(rows.begin(), rows.begin() + long(p));
        }
        return rows;
    }
    static bool Holds(const TPage& page, const QString& text) {
        return std::find(page.begin(), page.end(), text) != page.end();
    }
    TZbDBLookupList* NewList(int rows) {
        auto* list = new TZbDBLookupList(form);
        list->SetParent(form);
        list->SetLookupSource(source);
        list->SetLookupField(QStringLiteral("CLIENTE"));
        list->SetLookupDisplay(QStringLiteral("APELLIDOS"));
        list->SetRowCount(rows);
        return list;
    }

    TFormHarness harness;
    TDataSource* source = nullptr;
    TForm* form = nullptr;
};

const QString kFirst = QStringLiteral("Pérez Gil"), kSixth = QStringLiteral("Ibáñez Gómez"),
              kLast = QStringLiteral("Benítez Mora");

}  // namespace

TEST_F(RowWindowTest, ListLocatedToTheSixthOfEightShowsAFullPageAndScrollsUpByKeyAndMouse) {
    auto* list = NewList(5);
    list->SetValue(QStringLiteral("8"));
    TPage page = Painted(list, clientes);
    ASSERT_EQ(page.size(), 5u);
    EXPECT_TRUE(Holds(page, kSixth));
    EXPECT_EQ(list->ScrollMax(), 4);
    EXPECT_EQ(list->ScrollPos(), page.back() == kLast ? 4 : 2);
    // Up, key by key, to the first client: always a full page holding the chosen client.
    for (int i = 0; i < 5; ++i) {
        quint16 k = VK_UP;
        list->KeyDown(k, 0);
        page = Painted(list, clientes);
        ASSERT_EQ(page.size(), 5u);
        EXPECT_TRUE(Holds(page, list->DisplayValue()));
    }
    EXPECT_EQ(list->Value(), QStringLiteral("1"));
    EXPECT_EQ(page.front(), kFirst);
    EXPECT_EQ(list->ScrollPos(), 0);
    // The scroll bar: to the end, then one line up shows the record before the page.
    list->Scroll(QAbstractSlider::SliderToMaximum);
    page = Painted(list, clientes);
    ASSERT_EQ(page.size(), 5u);
    EXPECT_EQ(page.back(), kLast);
    EXPECT_EQ(list->ScrollPos(), 4);
    EXPECT_EQ(page.front(), QStringLiteral("Álvarez Ruiz"));
    list->Scroll(QAbstractSlider::SliderSingleStepSub);
    page = Painted(list, clientes);
    ASSERT_EQ(page.size(), 5u);
    EXPECT_EQ(page.front(), QStringLiteral("Núñez Ortiz"));
    EXPECT_EQ(list->ScrollPos(), 2);
}

TEST_F(RowWindowTest, ComboDropDownAndLookupEditPopupShowEveryClientAroundTheSixth) {
    auto* combo = new TZbDBLookupCombo(form);
    combo->SetParent(form);
    combo->SetLookupSource(source);
    combo->SetLookupField(QStringLiteral("CLIENTE"));
    combo->SetLookupDisplay(QStringLiteral("APELLIDOS"));
    combo->SetValue(QStringLiteral("8"));
    combo->DropDown();
    ASSERT_TRUE(combo->ListVisible());
    TPage page = Painted(combo->List(), clientes);
    ASSERT_EQ(page.size(), 8u);  // eight rows for eight clients: all of them
    EXPECT_EQ(page[0], kFirst);
    EXPECT_EQ(page[5], kSixth);
    combo->CloseUp(false);

    auto* edit = new TZbLookupEdit(form);
    edit->SetParent(form);
    edit->SetBounds(10, 40, 200, 21);
    edit->SetLookupSource(source);
    edit->SetLookupField(QStringLiteral("CLIENTE"));
    edit->SetLookupDisplay(QStringLiteral("APELLIDOS"));
    edit->SetDropDownCount(4);
    edit->SetText(kSixth);
    edit->DropDown(false);
    ASSERT_TRUE(edit->PopupVisible());
    TFormHarness::ProcessEvents();
    TPage rows;
    edit->OnGetImage = [&](TObject*, bool isEmpty, TGraphic*&, int&) {
        if (!isEmpty) rows.push_back(clientes->FieldByName(QStringLiteral("APELLIDOS"))->AsString());
    };
    TFormHarness::Grab(edit->PopupList());
    rows = OnePass(rows);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_TRUE(Holds(rows, kSixth));
}

TEST_F(RowWindowTest, GridAndListOnOneTableKeepTheirOwnPages) {
    auto* grid = new TZbDBGrid(form);
    grid->SetParent(form);
    grid->SetDataSource(source);
    grid->SetBounds(0, 0, 400, grid->DefaultRowHeight() * 12);  // room for more rows than clients
    auto* list = NewList(3);
    list->SetTop(300);
    clientes->First();
    ASSERT_TRUE(clientes->Locate(QStringLiteral("CLIENTE"), Variant(8), 0));
    TPage rows = Painted(grid, clientes);
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[0], kFirst);
    EXPECT_EQ(rows[5], kSixth);
    // The short list shows three rows holding the same record, not the grid's rows.
    list->SetValue(QStringLiteral("8"));
    TPage page = Painted(list, clientes);
    ASSERT_EQ(page.size(), 3u);
    EXPECT_TRUE(Holds(page, kSixth));
    EXPECT_EQ(Painted(grid, clientes), rows);
    // A small grid located near the end fills its page from the rows before the record.
    grid->SetHeight(grid->DefaultRowHeight() * 5);
    clientes->First();
    ASSERT_TRUE(clientes->Locate(QStringLiteral("CLIENTE"), Variant(12), 0));
    rows = Painted(grid, clientes);
    EXPECT_EQ(int(rows.size()), grid->VisibleRowCount());
    EXPECT_TRUE(Holds(rows, QStringLiteral("Zamora Díaz")));
    EXPECT_EQ(rows.back(), kLast);
}

// ---------------------------------------------------------------------------------------------- 100,000 rows

namespace {

class BigListTest : public RowWindowTest {
protected:
    void SetUp() override {
        RowWindowTest::SetUp();
        TComponent scratch(nullptr);
        TTable* t = NewTable(&scratch, folder, QStringLiteral("MUCHOS"));
        t->FieldDefs()->Add(QStringLiteral("CLIENTE"), ftInteger, 0, true);
        t->FieldDefs()->Add(QStringLiteral("APELLIDOS"), ftString, 30);
        t->IndexDefs()->Add(QString(), QStringLiteral("CLIENTE"), ixPrimary);
        t->CreateTable();
        auto* fill = new TQuery(&scratch);
        fill->SetDatabaseName(folder);
        fill->SQL()->SetText(QStringLiteral(
            "INSERT INTO MUCHOS (CLIENTE, APELLIDOS) "
            "WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < 100000) "
            "SELECT I, 'Cliente ' || I FROM N"));
        fill->ExecSQL();
        muchos = NewTable(&owner, folder, QStringLiteral("MUCHOS"));
        muchos->Open();
        big = new TDataSource(&owner);
        big->SetDataSet(muchos);
    }
    TZbDBLookupList* NewBigList() {
        auto* list = new TZbDBLookupList(form);
        list->SetParent(form);
        list->SetLookupSource(big);
        list->SetLookupField(QStringLiteral("CLIENTE"));
        list->SetLookupDisplay(QStringLiteral("APELLIDOS"));
        list->SetRowCount(8);
        return list;
    }
    static QString Name(int n) { return QStringLiteral("Cliente %1").arg(n); }
    TTable* muchos = nullptr;
    TDataSource* big = nullptr;
};

}  // namespace

TEST_F(BigListTest, LocatedAtStartMiddleNearTheEndAndLastTheListShowsAFullPage) {
    auto* list = NewBigList();
    struct Case {
        int key;
        int scroll;
    };
    for (Case c : {Case{1, 0}, Case{50000, 2}, Case{99990, 2}, Case{99996, 4}, Case{100000, 4}}) {
        SCOPED_TRACE(c.key);
        muchos->First();
        list->SetValue(QString::number(c.key));
        const TPage page = Painted(list, muchos);
        ASSERT_EQ(page.size(), 8u);
        EXPECT_TRUE(Holds(page, Name(c.key)));
        EXPECT_EQ(list->ScrollMax(), 4);
        EXPECT_EQ(list->ScrollPos(), c.scroll);
    }
}

TEST_F(BigListTest, ScrollingUpFromTheMiddleByKeyAndByMouse) {
    auto* list = NewBigList();
    list->SetValue(QStringLiteral("50000"));
    for (int i = 1; i <= 12; ++i) {
        quint16 k = VK_UP;
        list->KeyDown(k, 0);
        ASSERT_EQ(list->Value(), QString::number(50000 - i));
        const TPage page = Painted(list, muchos);
        ASSERT_EQ(page.size(), 8u);
        EXPECT_TRUE(Holds(page, Name(50000 - i)));
    }
    quint16 k = VK_PRIOR;
    list->KeyDown(k, 0);
    EXPECT_EQ(list->Value(), QString::number(50000 - 12 - 7));
    // One line up by the scroll bar: the record before the page becomes its first row.
    TPage page = Painted(list, muchos);
    const int top = page.front().mid(8).toInt();
    list->Scroll(QAbstractSlider::SliderSingleStepSub);
    page = Painted(list, muchos);
    ASSERT_EQ(page.size(), 8u);
    EXPECT_EQ(page.front(), Name(top - 1));
    EXPECT_EQ(list->Value(), QString::number(50000 - 12 - 7));  // scrolling chooses nothing
    // A page up by the scroll bar, then the top: the first page, the bar at its start.
    list->Scroll(QAbstractSlider::SliderPageStepSub);
    page = Painted(list, muchos);
    ASSERT_EQ(page.size(), 8u);
    EXPECT_EQ(page.front(), Name(top - 1 - 7));
    list->Scroll(QAbstractSlider::SliderToMinimum);
    page = Painted(list, muchos);
    EXPECT_EQ(page.front(), Name(1));
    EXPECT_EQ(list->ScrollPos(), 0);
}
