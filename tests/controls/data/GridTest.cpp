// The data grid's title buttons and sort markers, multi-selection and confirmed deletion, its
// stored layout, and the date edit bound to a date field.
#include "DataFixture.h"
#include "controls/data/ZBDBCtrl.h"
#include "platform/classes/IniFiles.h"
#include "platform/forms/Beep.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/SysUtils.h"

#include <QScrollBar>

using namespace datatest;
using platform::forms::TFormHarness;

namespace {

// The grid's mouse handlers, to press and release without a click between.
class TTestGrid : public TZbDBGrid {
public:
    using TZbDBGrid::TZbDBGrid;
    void TestMouseDown(TMouseButton b, TShiftState s, int x, int y) { MouseDown(b, s, x, y); }
    void TestMouseMove(TShiftState s, int x, int y) { MouseMove(s, x, y); }
    void TestMouseUp(TMouseButton b, TShiftState s, int x, int y) { MouseUp(b, s, x, y); }
};

class GridTest : public DataTest {
protected:
    void SetUp() override {
        DataTest::SetUp();
        ds = new TDataSource(&owner);
        ds->SetDataSet(clientes);
        form = new TForm(&owner);
        form->SetBounds(0, 0, 720, 300);
        grid = new TTestGrid(form);
        grid->SetName(QStringLiteral("Grid1"));
        grid->SetParent(form);
        grid->SetBounds(0, 0, 700, 260);
        grid->SetDataSource(ds);
        grid->SetTitleButtons(true);
        grid->OnTitleBtnClick = [this](TObject*, int col, TField* f) { clicks.push_back({col, f ? f->FieldName() : QString()}); };
        form->Show();
    }
    TPoint TitleCenter(int col) {
        TRect r = grid->TitleRect(col);
        return Point((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    }
    int RecordCount() {
        int n = 0;
        for (clientes->First(); !clientes->Eof(); clientes->Next()) ++n;
        return n;
    }

    TFormHarness harness;
    TDataSource* ds = nullptr;
    TForm* form = nullptr;
    TTestGrid* grid = nullptr;
    std::vector<std::pair<int, QString>> clicks;
};

}  // namespace

TEST_F(GridTest, TitleButtonClickGivesTheColumnAndItsField) {
    TPoint p = TitleCenter(2);
    TFormHarness::ClickAt(grid, p.X, p.Y);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].first, 2);
    EXPECT_EQ(clicks[0].second, QStringLiteral("APELLIDOS"));
    // Without title buttons the title is no button.
    grid->SetTitleButtons(false);
    TFormHarness::ClickAt(grid, p.X, p.Y);
    EXPECT_EQ(clicks.size(), 1u);
}

TEST_F(GridTest, TitlePressedAndReleasedElsewhereRunsNoClick) {
    TPoint p = TitleCenter(1);
    grid->TestMouseDown(mbLeft, 0, p.X, p.Y);
    EXPECT_EQ(grid->PressedColumn(), 1);
    grid->TestMouseMove(ssLeft, p.X, grid->TitleRect(1).Bottom + 30);
    grid->TestMouseUp(mbLeft, 0, p.X, grid->TitleRect(1).Bottom + 30);
    EXPECT_TRUE(clicks.empty());
    EXPECT_EQ(grid->PressedColumn(), -1);
    // Released over another title: no click either.
    grid->TestMouseDown(mbLeft, 0, p.X, p.Y);
    TPoint q = TitleCenter(2);
    grid->TestMouseUp(mbLeft, 0, q.X, q.Y);
    EXPECT_TRUE(clicks.empty());
}

TEST_F(GridTest, DisabledTitleButtonBeepsAndNeverClicks) {
    grid->OnCheckButton = [](TObject*, int col, TField*, bool& enabled) { enabled = col != 0; };
    const int beeps = platform::forms::BeepCount();
    TPoint p = TitleCenter(0);
    TFormHarness::ClickAt(grid, p.X, p.Y);
    EXPECT_EQ(platform::forms::BeepCount(), beeps + 1);
    EXPECT_TRUE(clicks.empty());
    TPoint q = TitleCenter(1);
    TFormHarness::ClickAt(grid, q.X, q.Y);
    EXPECT_EQ(clicks.size(), 1u);
}

TEST_F(GridTest, SortMarkerIsAskedPerTitleAndDrawnAtTheRightEdge) {
    std::vector<std::pair<QString, bool>> asked;
    TSortMarker marker = smNone;
    grid->OnGetBtnParams = [&](TObject*, TField* f, TFont*, TColor&, TSortMarker& m, bool isDown) {
        asked.push_back({f->FieldName(), isDown});
        if (f->FieldName() == QStringLiteral("NOMBRE")) m = marker;
    };
    const TRect r = grid->TitleRect(1);
    auto markerArea = [&] {
        QImage img = TFormHarness::Grab(grid);
        return img.copy(r.Right - 14, r.Top + 2, 12, r.Height() - 4);
    };
    QImage none = markerArea();
    EXPECT_FALSE(asked.empty());
    marker = smDown;
    grid->Invalidate();
    QImage down = markerArea();
    marker = smUp;
    grid->Invalidate();
    QImage up = markerArea();
    EXPECT_NE(none, down);
    EXPECT_NE(down, up);
    // While a title is held down the event is told so.
    asked.clear();
    TPoint p = TitleCenter(1);
    grid->TestMouseDown(mbLeft, 0, p.X, p.Y);
    TFormHarness::Grab(grid);
    grid->TestMouseUp(mbLeft, 0, p.X, p.Y);
    bool sawDown = false;
    for (auto& [name, isDown] : asked) sawDown = sawDown || (name == QStringLiteral("NOMBRE") && isDown);
    EXPECT_TRUE(sawDown);
}

TEST_F(GridTest, CtrlDeleteAsksForTheSelectedRowsAndDeletesThem) {
    grid->SetMultiSelect(true);
    EXPECT_TRUE(grid->Options() & dgMultiSelect);
    const int rh = grid->DefaultRowHeight();
    const int top = grid->TitleRect(0).Bottom;
    for (int row : {0, 2, 4}) TFormHarness::ClickAt(grid, grid->TitleRect(1).Left + 5, top + row * rh + rh / 2, mbLeft, ssCtrl);
    EXPECT_EQ(grid->SelectedCount(), 3);
    harness.AnswerMessage(mrYes);
    TFormHarness::PressKey(grid, VK_DELETE, ssCtrl);
    EXPECT_EQ(harness.LastMessage().Text, QStringLiteral("Delete all selected records?"));
    EXPECT_EQ(RecordCount(), 3);
    EXPECT_EQ(grid->SelectedCount(), 0);
    // One record, refused: nothing goes.
    harness.AnswerMessage(mrNo);
    TFormHarness::PressKey(grid, VK_DELETE, ssCtrl);
    EXPECT_EQ(harness.LastMessage().Text, QStringLiteral("Delete record?"));
    EXPECT_EQ(RecordCount(), 3);
    // A read-only grid asks nothing.
    const size_t messages = harness.Messages().size();
    grid->SetReadOnly(true);
    TFormHarness::PressKey(grid, VK_DELETE, ssCtrl);
    EXPECT_EQ(harness.Messages().size(), messages);
    EXPECT_EQ(RecordCount(), 3);
}

TEST_F(GridTest, CtrlDeleteWithOneSelectedRowAsksForOneRecordAndDeletesThatRow) {
    grid->SetMultiSelect(true);
    const int rh = grid->DefaultRowHeight();
    const int top = grid->TitleRect(0).Bottom;
    TFormHarness::ClickAt(grid, grid->TitleRect(1).Left + 5, top + 2 * rh + rh / 2, mbLeft, ssCtrl);  // client 3
    ASSERT_EQ(grid->SelectedCount(), 1);
    clientes->First();  // the current record is another one
    harness.AnswerMessage(mrYes);
    TFormHarness::PressKey(grid, VK_DELETE, ssCtrl);
    EXPECT_EQ(harness.LastMessage().Text, QStringLiteral("Delete record?"));
    EXPECT_EQ(harness.LastMessage().Icon, mtConfirmation);
    EXPECT_EQ(RecordCount(), 5);
    std::vector<int> left;
    for (clientes->First(); !clientes->Eof(); clientes->Next())
        left.push_back(clientes->FieldByName(QStringLiteral("CLIENTE"))->AsInteger());
    EXPECT_EQ(left, (std::vector<int>{1, 2, 4, 12, 120}));
    EXPECT_EQ(grid->SelectedCount(), 0);
}

TEST_F(GridTest, ClickSelectsOneRowAndShiftDownExtendsTheSelection) {
    grid->SetMultiSelect(true);
    const int rh = grid->DefaultRowHeight();
    const int top = grid->TitleRect(0).Bottom;
    TFormHarness::ClickAt(grid, grid->TitleRect(1).Left + 5, top + rh / 2);
    EXPECT_EQ(grid->SelectedCount(), 1);
    TFormHarness::PressKey(grid, VK_DOWN, ssShift);
    TFormHarness::PressKey(grid, VK_DOWN, ssShift);
    EXPECT_EQ(grid->SelectedCount(), 3);
    TFormHarness::PressKey(grid, VK_UP, ssShift);
    EXPECT_EQ(grid->SelectedCount(), 2);
    // A plain click starts again; with ClearSelection off it selects nothing.
    grid->SetClearSelection(false);
    TFormHarness::ClickAt(grid, grid->TitleRect(1).Left + 5, top + 3 * rh + rh / 2);
    EXPECT_EQ(grid->SelectedCount(), 0);
    // Down on the last record appends a record in an editable grid.
    clientes->Last();
    TFormHarness::PressKey(grid, VK_DOWN);
    EXPECT_EQ(clientes->State(), dsInsert);
    clientes->Cancel();
}

TEST_F(GridTest, CurrentRowMarkerFollowsTheGridsOwnPage) {
    // Another link wants more rows than the grid shows: the grid's page is part of the window.
    TDataLink other;
    other.SetBufferCount(6);
    other.SetDataSource(ds);
    grid->SetMultiSelect(true);
    const int rh = grid->DefaultRowHeight();
    grid->SetHeight(grid->TitleRect(0).Bottom + 3 * rh);
    ASSERT_EQ(grid->VisibleRowCount(), 3);
    clientes->Last();
    const int top = grid->TitleRect(0).Bottom;
    TFormHarness::ClickAt(grid, grid->TitleRect(1).Left + 5, top + 2 * rh + rh / 2);  // the last row shown
    ASSERT_EQ(grid->SelectedCount(), 1);
    EXPECT_EQ(clientes->FieldByName(QStringLiteral("CLIENTE"))->AsInteger(), 120);
    const QImage img = TFormHarness::Grab(grid);
    // The arrow of the current record (not the dot of another selected one) in the third row.
    const int right = grid->CellRect(0, 0).Left - 1 - 1;
    const int cy = top + 2 * rh + rh / 2;
    EXPECT_LT(qGray(img.pixel(right - 5, cy - 3)), 100);
    other.SetDataSource(nullptr);
}

TEST_F(GridTest, ColumnLayoutRoundTripsAndAWidthWithoutIndexKeepsThePlace) {
    for (const char* name : {"CLIENTE", "NOMBRE", "APELLIDOS"}) {
        TColumn* c = grid->Columns()->Add();
        c->SetFieldName(QString::fromLatin1(name));
        c->SetWidth(50);
    }
    const QString path = folder + QStringLiteral("/grid.ini");
    TIniFile ini(path);
    ini.WriteString(QStringLiteral("Rejilla"), QStringLiteral("stale"), QStringLiteral("1"));
    grid->SaveLayout(&ini, QStringLiteral("Rejilla"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Rejilla"), QStringLiteral("Grid1.NOMBRE"), QString()), QStringLiteral("1,50"));
    EXPECT_TRUE(ini.ReadString(QStringLiteral("Rejilla"), QStringLiteral("stale"), QString()).isEmpty());
    ini.WriteString(QStringLiteral("Rejilla"), QStringLiteral("Grid1.APELLIDOS"), QStringLiteral("0,120"));
    ini.WriteString(QStringLiteral("Rejilla"), QStringLiteral("Grid1.CLIENTE"), QStringLiteral("2,30"));
    ini.WriteString(QStringLiteral("Rejilla"), QStringLiteral("Grid1.NOMBRE"), QStringLiteral("x,77"));
    grid->RestoreLayout(&ini, QStringLiteral("Rejilla"));
    ASSERT_EQ(grid->Columns()->Count(), 3);
    EXPECT_EQ(grid->Columns()->Items(0)->FieldName(), QStringLiteral("APELLIDOS"));
    EXPECT_EQ(grid->Columns()->Items(0)->Width(), 120);
    EXPECT_EQ(grid->Columns()->Items(1)->FieldName(), QStringLiteral("NOMBRE"));
    EXPECT_EQ(grid->Columns()->Items(1)->Width(), 77);
    EXPECT_EQ(grid->Columns()->Items(2)->FieldName(), QStringLiteral("CLIENTE"));
    EXPECT_EQ(grid->Columns()->Items(2)->Width(), 30);
}

TEST_F(GridTest, LayoutTravelsWithTheFormPlacementStore) {
    auto* placement = new TFormPlacement(form);
    placement->SetActive(false);
    placement->SetIniFileName(folder + QStringLiteral("/Zembra.ini"));
    placement->SetIniSection(QStringLiteral("Contactos"));
    grid->SetIniStorage(placement);
    clientes->FieldByName(QStringLiteral("NOMBRE"))->SetDisplayWidth(25);
    placement->SaveFormPlacement();
    {
        TIniFile ini(folder + QStringLiteral("/Zembra.ini"));
        EXPECT_EQ(ini.ReadString(QStringLiteral("Contactos\\TClientes"), QStringLiteral("TClientesNOMBRE"), QString()),
                  QStringLiteral("1,25,1"));
    }
    clientes->FieldByName(QStringLiteral("NOMBRE"))->SetDisplayWidth(5);
    placement->RestoreFormPlacement();
    EXPECT_EQ(clientes->FieldByName(QStringLiteral("NOMBRE"))->DisplayWidth(), 25);
    delete placement;
    EXPECT_EQ(grid->IniStorage(), nullptr);
}

TEST_F(GridTest, CurrentColumnNeverStaysInsideTheFixedColumns) {
    grid->SetFixedCols(10);
    EXPECT_EQ(grid->FixedCols(), grid->FieldCount() - 1);
    EXPECT_EQ(grid->SelectedIndex(), grid->FieldCount() - 1);
    grid->SetFixedCols(1);
    TFormHarness::PressKey(grid, VK_HOME);
    EXPECT_EQ(grid->SelectedIndex(), 1);
    TFormHarness::PressKey(grid, VK_RIGHT);
    EXPECT_EQ(grid->SelectedIndex(), 2);
    TFormHarness::PressKey(grid, VK_LEFT);
    TFormHarness::PressKey(grid, VK_LEFT);
    EXPECT_EQ(grid->SelectedIndex(), 1);
    // A click in the fixed column keeps the column but moves to the clicked row.
    const int rh = grid->DefaultRowHeight();
    TFormHarness::ClickAt(grid, grid->TitleRect(0).Left + 3, grid->TitleRect(0).Bottom + 2 * rh + rh / 2);
    EXPECT_EQ(grid->SelectedIndex(), 1);
    EXPECT_EQ(clientes->FieldByName(QStringLiteral("CLIENTE"))->AsInteger(), 3);
}

TEST_F(GridTest, ColumnsPastTheRightEdgeShowAHorizontalScrollBar) {
    auto bar = [this]() -> QScrollBar* {
        for (QScrollBar* b : grid->Widget()->findChildren<QScrollBar*>())
            if (b->orientation() == Qt::Horizontal) return b;
        return nullptr;
    };
    ASSERT_NE(bar(), nullptr);
    grid->SetWidth(2000);
    TFormHarness::ProcessEvents();
    EXPECT_FALSE(bar()->isVisibleTo(grid->Widget()));
    const int rows = grid->VisibleRowCount();
    grid->SetWidth(150);
    TFormHarness::ProcessEvents();
    ASSERT_TRUE(bar()->isVisibleTo(grid->Widget()));
    EXPECT_EQ(bar()->maximum(), grid->FieldCount() - 1);
    EXPECT_LE(grid->VisibleRowCount(), rows);  // the bar takes room from the rows
    // Moving the bar scrolls the columns: the third one starts at the left.
    bar()->setValue(2);
    EXPECT_EQ(grid->LeftCol(), 2);
    EXPECT_LT(grid->CellRect(0, 2).Left, 20);  // just right of the indicator
    EXPECT_EQ(grid->CellRect(0, 0).Right, grid->CellRect(0, 0).Left);  // scrolled out of view
    // Selecting the last column scrolls it into view and moves the bar with it.
    grid->SetSelectedIndex(grid->FieldCount() - 1);
    EXPECT_EQ(bar()->value(), grid->LeftCol());
    EXPECT_LE(grid->CellRect(0, grid->FieldCount() - 1).Right, grid->Width());
}

TEST_F(GridTest, RowsHeightSetsEveryRowAndTheTitleAtOnce) {
    grid->SetWidth(2000);
    grid->SetRowsHeight(30);
    EXPECT_EQ(grid->RowsHeight(), 30);
    EXPECT_EQ(grid->TitleRect(0).Height(), 30);
    EXPECT_EQ(grid->CellRect(1, 0).Top, 60);
    EXPECT_EQ(grid->VisibleRowCount(), (260 - 30) / 30);
    grid->SetRowsHeight(0);  // back to the font's height
    EXPECT_LT(grid->RowsHeight(), 30);
}

TEST_F(GridTest, CellEventsColourCellsAndMemoFieldsShowAGlyph) {
    int asked = 0;
    grid->OnGetCellParams = [&](TObject*, TField* f, TFont*, TColor& bg, bool) {
        ++asked;
        if (f && f->FieldName() == QStringLiteral("NOMBRE")) bg = clYellow;
    };
    QImage img = TFormHarness::Grab(grid);
    EXPECT_GT(asked, 0);
    TRect title = grid->TitleRect(1);
    const int rh = grid->DefaultRowHeight();
    QColor px = img.pixelColor(title.Right - 3, title.Bottom + rh + rh / 2);
    EXPECT_EQ(px, QColor(255, 255, 0));
    TMemoField memo(nullptr);
    EXPECT_EQ(grid->FieldGlyph(&memo), 1);
    grid->SetShowGlyphs(false);
    EXPECT_EQ(grid->FieldGlyph(&memo), -1);
}

// ---------------------------------------------------------------------------------------------- date edit

namespace {

class DateEditTest : public DataTest {
protected:
    void SetUp() override {
        DataTest::SetUp();
        TTable* t = NewTable(&owner, folder, QStringLiteral("PODERES"));
        t->FieldDefs()->Add(QStringLiteral("PODER"), ftInteger, 0, true);
        t->FieldDefs()->Add(QStringLiteral("FECHA"), ftDateTime);
        t->IndexDefs()->Add(QString(), QStringLiteral("PODER"), ixPrimary);
        t->CreateTable();
        t->Open();
        t->Append();
        t->FieldByName(QStringLiteral("PODER"))->SetAsInteger(1);
        t->FieldByName(QStringLiteral("FECHA"))->SetAsDateTime(TDateTime(EncodeDate(2024, 3, 5).Val + EncodeTime(10, 30, 0, 0).Val));
        t->Post();
        poderes = t;
        ds = new TDataSource(&owner);
        ds->SetDataSet(t);
        form = new TForm(&owner);
        edit = new TDBDateEdit(form);
        edit->SetParent(form);
        edit->SetDataSource(ds);
        edit->SetDataField(QStringLiteral("FECHA"));
    }
    TField* Fecha() { return poderes->FieldByName(QStringLiteral("FECHA")); }
    TFormHarness harness;
    TTable* poderes = nullptr;
    TDataSource* ds = nullptr;
    TForm* form = nullptr;
    TDBDateEdit* edit = nullptr;
};

}  // namespace

TEST_F(DateEditTest, ShowsTheFieldReadOnlyUntilTheRecordIsEdited) {
    EXPECT_EQ(edit->Text(), QStringLiteral("05/03/2024"));
    EXPECT_TRUE(static_cast<TCustomComboEdit*>(edit)->ReadOnly());
    poderes->Edit();
    EXPECT_FALSE(static_cast<TCustomComboEdit*>(edit)->ReadOnly());
    poderes->Cancel();
    EXPECT_TRUE(static_cast<TCustomComboEdit*>(edit)->ReadOnly());
}

TEST_F(DateEditTest, EnteringADateKeepsTheTimePartOfTheField) {
    poderes->Edit();
    edit->SetText(QStringLiteral("17/11/2025"));
    edit->DoExit();
    const TDateTime v = Fecha()->AsDateTime();
    EXPECT_EQ(FormatDateTime(QStringLiteral("dd/mm/yyyy hh:nn"), v), QStringLiteral("17/11/2025 10:30"));
    // An emptied date clears the field.
    edit->SetText(QString());
    edit->DoExit();
    EXPECT_TRUE(Fecha()->IsNull());
    EXPECT_EQ(edit->PaintText().trimmed(), QStringLiteral("/  /").replace(QLatin1Char('/'), FormatSettings.DateSeparator));
}

TEST_F(DateEditTest, LettersBeepAndEscapeRestoresTheField) {
    const int beeps = platform::forms::BeepCount();
    QChar a('a');
    edit->KeyPress(a);
    EXPECT_EQ(a, QChar());
    EXPECT_EQ(platform::forms::BeepCount(), beeps + 1);
    QChar digit('1');
    edit->KeyPress(digit);
    EXPECT_EQ(poderes->State(), dsEdit);
    edit->SetText(QStringLiteral("01/01/2000"));
    QChar esc(27);
    edit->KeyPress(esc);
    EXPECT_EQ(edit->Text(), QStringLiteral("05/03/2024"));
}

TEST_F(DateEditTest, InvalidDateOnLeavingRaisesAndWritesNothing) {
    poderes->Edit();
    edit->SetCheckOnExit(true);
    edit->SetText(QStringLiteral("31/02/2024"));
    EXPECT_THROW(edit->DoExit(), Exception);
    EXPECT_EQ(FormatDateTime(QStringLiteral("dd/mm/yyyy"), Fecha()->AsDateTime()), QStringLiteral("05/03/2024"));
}

TEST_F(DateEditTest, CalendarOpensInBrowseStateAndAChosenDateStartsEditing) {
    form->Show();
    TFormHarness::Focus(edit);
    ASSERT_EQ(poderes->State(), dsBrowse);
    TFormHarness::Click(edit->Button());
    EXPECT_TRUE(edit->PopupVisible());
    TFormHarness::PressKey(edit, VK_ESCAPE);
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(poderes->State(), dsBrowse);
    // Alt+Down, a day on, Enter: the record goes into edit with the new date and its old time.
    TFormHarness::PressKey(edit, VK_DOWN, ssAlt);
    ASSERT_TRUE(edit->PopupVisible());
    TFormHarness::PressKey(edit, VK_RIGHT);
    TFormHarness::PressKey(edit, VK_RETURN);
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(poderes->State(), dsEdit);
    EXPECT_EQ(FormatDateTime(QStringLiteral("dd/mm/yyyy hh:nn"), Fecha()->AsDateTime()), QStringLiteral("06/03/2024 10:30"));
    EXPECT_EQ(edit->Text(), QStringLiteral("06/03/2024"));
}

TEST_F(DateEditTest, KeypadPlusInBrowseEditsTheRecordOrDoesNothing) {
    form->Show();
    TFormHarness::Focus(edit);
    TFormHarness::PressKey(edit, VK_ADD);
    EXPECT_EQ(poderes->State(), dsEdit);
    EXPECT_EQ(edit->Text(), QStringLiteral("06/03/2024"));
    edit->DoExit();
    EXPECT_EQ(FormatDateTime(QStringLiteral("dd/mm/yyyy hh:nn"), Fecha()->AsDateTime()), QStringLiteral("06/03/2024 10:30"));
    poderes->Cancel();
    // A source that does not start editing by itself: the text stays with the field.
    ds->SetAutoEdit(false);
    TFormHarness::PressKey(edit, VK_SUBTRACT);
    EXPECT_EQ(poderes->State(), dsBrowse);
    EXPECT_EQ(edit->Text(), QStringLiteral("05/03/2024"));
    EXPECT_NO_THROW(edit->DoExit());
    // Nor does the calendar write into a record it cannot edit.
    TFormHarness::PressKey(edit, VK_DOWN, ssAlt);
    TFormHarness::PressKey(edit, VK_RIGHT);
    TFormHarness::PressKey(edit, VK_RETURN);
    EXPECT_EQ(poderes->State(), dsBrowse);
    EXPECT_EQ(edit->Text(), QStringLiteral("05/03/2024"));
}

TEST_F(DateEditTest, EscapeClosesTheOpenCalendarBeforeResettingTheText) {
    form->Show();
    TFormHarness::Focus(edit);
    poderes->Edit();
    edit->SetText(QStringLiteral("01/01/2000"));
    TFormHarness::PressKey(edit, VK_DOWN, ssAlt);
    ASSERT_TRUE(edit->PopupVisible());
    TFormHarness::PressKey(edit, VK_ESCAPE);
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(edit->Text(), QStringLiteral("01/01/2000"));
    TFormHarness::PressKey(edit, VK_ESCAPE);
    EXPECT_EQ(edit->Text(), QStringLiteral("05/03/2024"));
}
