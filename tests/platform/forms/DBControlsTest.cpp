// Data-aware controls and the grid following a dataset.
#include "platform/db/DBTables.h"
#include "platform/forms/DBCtrls.h"
#include "platform/forms/DBGrids.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/Menus.h"
#include "platform/rtl/SysUtils.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <algorithm>
#include <memory>

using platform::forms::TFormHarness;

namespace {

// A read-only dataset of numbered rows that counts every row it hands out.
class TCountingDataSet : public TDataSet {
public:
    TCountingDataSet(TComponent* owner, int rows) : TDataSet(owner), FRows(rows) {}
    int RowsRead = 0;
    int RecNoCounted = 0;
    int Counted = 0;

protected:
    void InternalOpen() override {
        FieldDefs()->Add(QStringLiteral("N"), ftInteger);
        FieldDefs()->Add(QStringLiteral("NOMBRE"), ftString, 20);
    }
    TRecordBuffer Row(qint64 id) {
        ++RowsRead;
        TRecordBuffer r;
        r.Id = id;
        r.Data = {QVariant(int(id)), QVariant(QStringLiteral("Fila %1").arg(id))};
        return r;
    }
    std::vector<TRecordBuffer> FetchRows(const TRecordBuffer* from, bool forward, int count) override {
        std::vector<TRecordBuffer> out;
        qint64 id = from ? from->Id + (forward ? 1 : -1) : (forward ? 1 : FRows);
        while (int(out.size()) < count && id >= 1 && id <= FRows) {
            out.push_back(Row(id));
            id += forward ? 1 : -1;
        }
        return out;
    }
    bool FetchById(qint64 id, TRecordBuffer& rec) override {
        if (id < 1 || id > FRows) return false;
        rec = Row(id);
        return true;
    }
    int CursorCount() override {
        ++Counted;
        return FRows;
    }
    int CursorRecNo(const TRecordBuffer& rec) override {
        ++RecNoCounted;  // an engine counts the rows before the record for this
        return int(rec.Id);
    }
    void InternalPost(TRecordBuffer&, const TRecordBuffer*, bool) override {}
    void InternalDelete(const TRecordBuffer&) override {}
    bool CursorCanModify() const override { return false; }

private:
    int FRows;
};

class DBControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 500, 400);
        table = new TTable(form.get());
        table->SetDatabaseName(dir.path());
        table->SetTableName(QStringLiteral("CLIENTES"));
        table->FieldDefs()->Add(QStringLiteral("CLIENTE"), ftInteger, 0, true);
        table->FieldDefs()->Add(QStringLiteral("NOMBRE"), ftString, 20);
        table->FieldDefs()->Add(QStringLiteral("APELLIDOS"), ftString, 30);
        table->FieldDefs()->Add(QStringLiteral("ALTA"), ftBoolean);
        table->FieldDefs()->Add(QStringLiteral("MONEDA"), ftString, 1);
        table->FieldDefs()->Add(QStringLiteral("OBSERVACIONES"), ftMemo);
        table->IndexDefs()->Add(QString(), QStringLiteral("CLIENTE"), ixPrimary);
        table->CreateTable();
        table->Open();
        const char* rows[][3] = {{"José", "Núñez", "P"}, {"Ana", "Peña", "E"}, {"Luis", "Gómez", "P"}};
        int n = 1;
        for (auto& r : rows) {
            table->Append();
            table->FieldByName(QStringLiteral("CLIENTE"))->SetAsInteger(n);
            table->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(QString::fromUtf8(r[0]));
            table->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QString::fromUtf8(r[1]));
            table->FieldByName(QStringLiteral("ALTA"))->SetAsBoolean(n % 2 == 1);
            table->FieldByName(QStringLiteral("MONEDA"))->SetAsString(QString::fromUtf8(r[2]));
            table->Post();
            ++n;
        }
        table->First();
        ds = new TDataSource(form.get());
        ds->SetDataSet(table);
    }
    TFormHarness harness;
    QTemporaryDir dir;
    std::unique_ptr<TForm> form;
    TTable* table = nullptr;
    TDataSource* ds = nullptr;
};

TEST_F(DBControlsTest, EditFollowsTheRecordAndWritesBackOnExit) {
    ds->SetAutoEdit(false);
    auto* nombre = new TDBEdit(form.get());
    nombre->SetParent(form.get());
    nombre->SetDataSource(ds);
    nombre->SetDataField(QStringLiteral("NOMBRE"));
    auto* other = new TEdit(form.get());
    other->SetParent(form.get());
    other->SetTop(40);
    EXPECT_EQ(nombre->Text(), QStringLiteral("José"));
    table->Next();
    EXPECT_EQ(nombre->Text(), QStringLiteral("Ana"));
    form->Show();
    TFormHarness::Focus(nombre);
    // With AutoEdit off nothing can be typed until the record is put in edit.
    TFormHarness::Type(QStringLiteral("x"));
    EXPECT_EQ(nombre->Text(), QStringLiteral("Ana"));
    EXPECT_EQ(table->State(), dsBrowse);
    table->Edit();
    nombre->SelectAll();
    TFormHarness::Type(QStringLiteral("Begoña"));
    EXPECT_EQ(table->FieldByName(QStringLiteral("NOMBRE"))->AsString(), QStringLiteral("Ana"));
    TFormHarness::PressKey(VK_TAB);
    EXPECT_EQ(table->FieldByName(QStringLiteral("NOMBRE"))->AsString(), QStringLiteral("Begoña"));
    table->Post();
    table->First();
    table->Next();
    EXPECT_EQ(nombre->Text(), QStringLiteral("Begoña"));
}

TEST_F(DBControlsTest, AutoEditStartsEditingWhenTyping) {
    auto* ape = new TDBEdit(form.get());
    ape->SetParent(form.get());
    ape->SetDataSource(ds);
    ape->SetDataField(QStringLiteral("APELLIDOS"));
    form->Show();
    TFormHarness::Focus(ape);
    ape->SetSelStart(ape->Text().size());
    TFormHarness::Type(QStringLiteral("z"));
    EXPECT_EQ(table->State(), dsEdit);
    table->Post();
    EXPECT_EQ(table->FieldByName(QStringLiteral("APELLIDOS"))->AsString(), QStringLiteral("Núñezz"));
}

// A letter made with a dead key comes from the input method, not as a key: it must pass the
// same checks as a typed one.
void Compose(TWinControl* target, const QString& text) {
    QInputMethodEvent e;
    e.setCommitString(text);
    QCoreApplication::sendEvent(target->Widget(), &e);
    TFormHarness::ProcessEvents();
}

TEST_F(DBControlsTest, ComposedLettersStartEditingOrAreRefusedLikeTypedOnes) {
    ds->SetAutoEdit(false);
    auto* ape = new TDBEdit(form.get());
    ape->SetParent(form.get());
    ape->SetDataSource(ds);
    ape->SetDataField(QStringLiteral("APELLIDOS"));
    auto* other = new TEdit(form.get());
    other->SetParent(form.get());
    other->SetTop(40);
    form->Show();
    TFormHarness::Focus(ape);
    ape->SetSelStart(ape->Text().size());
    // A record not in edit takes no composed letter either.
    Compose(ape, QStringLiteral("á"));
    EXPECT_EQ(ape->Text(), QStringLiteral("Núñez"));
    TFormHarness::PressKey(VK_TAB);
    EXPECT_TRUE(harness.Exceptions().empty());
    EXPECT_EQ(table->State(), dsBrowse);
    // With AutoEdit the composed letter starts editing and reaches the record.
    ds->SetAutoEdit(true);
    TFormHarness::Focus(ape);
    ape->SetSelStart(ape->Text().size());
    Compose(ape, QStringLiteral("ü"));
    EXPECT_EQ(table->State(), dsEdit);
    TFormHarness::PressKey(VK_TAB);
    EXPECT_TRUE(harness.Exceptions().empty());
    table->Post();
    EXPECT_EQ(table->FieldByName(QStringLiteral("APELLIDOS"))->AsString(), QStringLiteral("Núñezü"));
}

// The numeric keypad's decimal key: Qt sends "." with the keypad flag, whatever the locale.
void KeypadDecimal(TWinControl* target) {
    for (QEvent::Type t : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent e(t, Qt::Key_Period, Qt::KeypadModifier, QStringLiteral("."));
        QCoreApplication::sendEvent(target->Widget(), &e);
    }
    TFormHarness::ProcessEvents();
}

TEST(DBEditKeypadTest, TheKeypadDecimalKeyWritesTheLocaleSeparatorInNumberFieldsOnly) {
    TFormHarness harness;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TForm form(nullptr);
    auto* table = new TTable(&form);
    table->SetDatabaseName(dir.path());
    table->SetTableName(QStringLiteral("SISTEM"));
    table->FieldDefs()->Add(QStringLiteral("EURO"), ftFloat);
    table->FieldDefs()->Add(QStringLiteral("CIF"), ftString, 20);
    table->CreateTable();
    table->Open();
    table->Append();
    table->Post();
    auto* ds = new TDataSource(&form);
    ds->SetDataSet(table);
    auto edita = [&](const char* campo, int top) {
        auto* e = new TDBEdit(&form);
        e->SetParent(&form);
        e->SetTop(top);
        e->SetDataSource(ds);
        e->SetDataField(QString::fromLatin1(campo));
        return e;
    };
    TDBEdit* euro = edita("EURO", 0);
    TDBEdit* cif = edita("CIF", 30);
    form.Show();
    table->Edit();
    TFormHarness::Focus(euro);
    TFormHarness::Type(QStringLiteral("166"));
    KeypadDecimal(euro);
    TFormHarness::Type(QStringLiteral("386"));
    EXPECT_EQ(euro->Text(), QString(QStringLiteral("166")) + FormatSettings.DecimalSeparator + QStringLiteral("386"));
    // Text keeps the key's own point.
    TFormHarness::Focus(cif);
    TFormHarness::Type(QStringLiteral("B"));
    KeypadDecimal(cif);
    TFormHarness::Type(QStringLiteral("1"));
    EXPECT_EQ(cif->Text(), QStringLiteral("B.1"));
    TFormHarness::PressKey(VK_TAB);
    EXPECT_TRUE(harness.Exceptions().empty());
    table->Post();
    EXPECT_DOUBLE_EQ(table->FieldByName(QStringLiteral("EURO"))->AsFloat(), 166.386);
    EXPECT_EQ(table->FieldByName(QStringLiteral("CIF"))->AsString(), QStringLiteral("B.1"));
}

// A drop-down combo whose field holds one of its items takes a text typed over it, and a text
// that only comes back to the item's leaves the field as the item.
TEST(DBComboBoxTypingTest, TextTypedOverAListedItemIsWhatIsStored) {
    TFormHarness harness;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TForm form(nullptr);
    auto* table = new TTable(&form);
    table->SetDatabaseName(dir.path());
    table->SetTableName(QStringLiteral("AJUSTES"));
    table->FieldDefs()->Add(QStringLiteral("EDITOR"), ftString, 15);
    table->CreateTable();
    table->Open();
    table->Append();
    table->FieldByName(QStringLiteral("EDITOR"))->SetAsString(QStringLiteral("Beta"));
    table->Post();
    auto* ds = new TDataSource(&form);
    ds->SetDataSet(table);
    auto* combo = new TDBComboBox(&form);
    combo->SetParent(&form);
    combo->SetStyle(csDropDown);
    combo->Items()->Add(QStringLiteral("Alfa"));
    combo->Items()->Add(QStringLiteral("Beta"));
    combo->SetDataSource(ds);
    combo->SetDataField(QStringLiteral("EDITOR"));
    form.Show();
    EXPECT_EQ(combo->ItemIndex(), 1);
    TFormHarness::Focus(combo);
    TFormHarness::PressKey(combo, VK_END);
    TFormHarness::PressKey(combo, VK_BACK);
    TFormHarness::Type(combo, QStringLiteral("o 2"));
    EXPECT_EQ(table->State(), dsEdit);
    table->Post();
    EXPECT_EQ(table->FieldByName(QStringLiteral("EDITOR"))->AsString(), QStringLiteral("Beto 2"));
    // Typed back to the listed name: that is what is stored.
    for (int i = 0; i < 3; ++i) TFormHarness::PressKey(combo, VK_BACK);
    TFormHarness::Type(combo, QStringLiteral("a"));
    table->Post();
    EXPECT_EQ(table->FieldByName(QStringLiteral("EDITOR"))->AsString(), QStringLiteral("Beta"));
    EXPECT_TRUE(harness.Exceptions().empty());
}

TEST_F(DBControlsTest, TextCheckBoxRadioGroupComboAndMemoShowTheRecord) {
    auto* text = new TDBText(form.get());
    text->SetParent(form.get());
    text->SetDataSource(ds);
    text->SetDataField(QStringLiteral("APELLIDOS"));
    auto* alta = new TDBCheckBox(form.get());
    alta->SetParent(form.get());
    alta->SetDataSource(ds);
    alta->SetDataField(QStringLiteral("ALTA"));
    auto* moneda = new TDBRadioGroup(form.get());
    moneda->SetParent(form.get());
    moneda->Items()->Add(QStringLiteral("Pesetas"));
    moneda->Items()->Add(QStringLiteral("Euros"));
    moneda->Values()->Add(QStringLiteral("P"));
    moneda->Values()->Add(QStringLiteral("E"));
    moneda->SetDataSource(ds);
    moneda->SetDataField(QStringLiteral("MONEDA"));
    auto* combo = new TDBComboBox(form.get());
    combo->SetParent(form.get());
    combo->Items()->Add(QStringLiteral("P"));
    combo->Items()->Add(QStringLiteral("E"));
    combo->SetStyle(csDropDownList);
    combo->SetDataSource(ds);
    combo->SetDataField(QStringLiteral("MONEDA"));
    auto* memo = new TDBMemo(form.get());
    memo->SetParent(form.get());
    memo->SetDataSource(ds);
    memo->SetDataField(QStringLiteral("OBSERVACIONES"));

    EXPECT_EQ(text->Caption(), QStringLiteral("Núñez"));
    EXPECT_TRUE(alta->Checked());
    EXPECT_EQ(moneda->ItemIndex(), 0);
    EXPECT_EQ(combo->ItemIndex(), 0);
    table->Next();
    EXPECT_EQ(text->Caption(), QStringLiteral("Peña"));
    EXPECT_FALSE(alta->Checked());
    EXPECT_EQ(moneda->Value(), QStringLiteral("E"));
    EXPECT_EQ(combo->Text(), QStringLiteral("E"));

    // Choosing in the radio group edits the record; posting stores the item's value.
    form->Show();
    TFormHarness::Click(moneda->Buttons(0));
    EXPECT_EQ(table->State(), dsEdit);
    TFormHarness::Click(alta);
    memo->SetText(QStringLiteral("Cliente preferente"));
    TFormHarness::Focus(memo);
    TFormHarness::PressKey(VK_END, ssCtrl);
    TFormHarness::Type(QStringLiteral("."));
    table->Post();
    EXPECT_EQ(table->FieldByName(QStringLiteral("MONEDA"))->AsString(), QStringLiteral("P"));
    EXPECT_TRUE(table->FieldByName(QStringLiteral("ALTA"))->AsBoolean());
    EXPECT_EQ(table->FieldByName(QStringLiteral("OBSERVACIONES"))->AsString(), QStringLiteral("Cliente preferente."));
}

TEST_F(DBControlsTest, ReadOnlySourceKeepsControlsFromChangingTheRecord) {
    ds->SetAutoEdit(false);
    auto* alta = new TDBCheckBox(form.get());
    alta->SetParent(form.get());
    alta->SetDataSource(ds);
    alta->SetDataField(QStringLiteral("ALTA"));
    form->Show();
    EXPECT_TRUE(alta->Checked());
    TFormHarness::Click(alta);
    EXPECT_TRUE(alta->Checked());
    EXPECT_EQ(table->State(), dsBrowse);
}

TEST_F(DBControlsTest, LookupComboSetsTheKeyField) {
    // A second table lists the currencies; the combo writes the chosen key into MONEDA.
    auto* list = new TTable(form.get());
    list->SetDatabaseName(dir.path());
    list->SetTableName(QStringLiteral("MONEDAS"));
    list->FieldDefs()->Add(QStringLiteral("CODIGO"), ftString, 1, true);
    list->FieldDefs()->Add(QStringLiteral("NOMBRE"), ftString, 20);
    list->IndexDefs()->Add(QString(), QStringLiteral("CODIGO"), ixPrimary);
    list->CreateTable();
    list->Open();
    list->AppendRecord({Variant("E"), Variant("Euros")});
    list->AppendRecord({Variant("P"), Variant("Pesetas")});
    auto* listSource = new TDataSource(form.get());
    listSource->SetDataSet(list);
    auto* look = new TDBLookupComboBox(form.get());
    look->SetParent(form.get());
    look->SetListSource(listSource);
    look->SetKeyField(QStringLiteral("CODIGO"));
    look->SetListField(QStringLiteral("NOMBRE"));
    look->SetDataSource(ds);
    look->SetDataField(QStringLiteral("MONEDA"));
    EXPECT_EQ(look->Text(), QStringLiteral("Pesetas"));
    table->Next();
    EXPECT_EQ(look->Text(), QStringLiteral("Euros"));
    emit look->ComboBox()->activated(1);
    EXPECT_EQ(table->State(), dsEdit);
    EXPECT_EQ(table->FieldByName(QStringLiteral("MONEDA"))->AsString(), QStringLiteral("P"));
    table->Cancel();
}

TEST_F(DBControlsTest, LookupComboWithoutDataSourceMovesItsListToTheChosenRow) {
    // A range dialog's combo: nothing to write into, the caller reads the list's current row.
    auto* look = new TDBLookupComboBox(form.get());
    look->SetParent(form.get());
    look->SetListSource(ds);
    look->SetKeyField(QStringLiteral("CLIENTE"));
    look->SetListField(QStringLiteral("APELLIDOS"));
    table->First();
    emit look->ComboBox()->activated(2);
    EXPECT_EQ(look->KeyValue().AsInteger(), 3);
    EXPECT_EQ(table->FieldByName(QStringLiteral("APELLIDOS"))->AsString(), QStringLiteral("Gómez"));
    look->SetKeyValue(Variant(2));
    EXPECT_EQ(table->FieldByName(QStringLiteral("APELLIDOS"))->AsString(), QStringLiteral("Peña"));
    EXPECT_EQ(look->Text(), QStringLiteral("Peña"));
}

class DBGridTest : public DBControlsTest {
protected:
    void SetUp() override {
        DBControlsTest::SetUp();
        grid = new TDBGrid(form.get());
        grid->SetParent(form.get());
        grid->SetBounds(0, 0, 480, 200);
        table->FieldByName(QStringLiteral("OBSERVACIONES"))->SetVisible(false);
        table->FieldByName(QStringLiteral("APELLIDOS"))->SetDisplayLabel(QStringLiteral("Apellidos"));
        grid->SetDataSource(ds);
        grid->SetOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgTabs |
                         dgAlwaysShowSelection);
        grid->SetReadOnly(true);
    }
    TDBGrid* grid = nullptr;
};

TEST_F(DBGridTest, ColumnsComeFromTheFields) {
    EXPECT_EQ(grid->FieldCount(), 5);  // OBSERVACIONES is hidden
    EXPECT_EQ(grid->Columns()->Items(2)->Title()->Caption(), QStringLiteral("Apellidos"));
    const int before = grid->Columns()->Items(2)->Width();
    table->FieldByName(QStringLiteral("APELLIDOS"))->SetDisplayWidth(5);
    EXPECT_LT(grid->Columns()->Items(2)->Width(), before);
    table->FieldByName(QStringLiteral("OBSERVACIONES"))->SetVisible(true);
    EXPECT_EQ(grid->FieldCount(), 6);
}

// A hand-edited layout's width: the column stays one a screen can scroll past.
TEST_F(DBGridTest, AWidthPastAnyScreenGivesAColumnThatStillFits) {
    for (int width : {999999, 2147483647}) {
        table->FieldByName(QStringLiteral("APELLIDOS"))->SetDisplayWidth(width);
        const int pixels = grid->Columns()->Items(2)->Width();
        EXPECT_GT(pixels, 480) << width;
        EXPECT_LE(pixels, 16384) << width;
    }
}

TEST_F(DBGridTest, KeysAndClicksMoveTheDataset) {
    form->Show();
    TFormHarness::Focus(grid);
    TFormHarness::PressKey(VK_DOWN);
    EXPECT_EQ(table->FieldByName(QStringLiteral("NOMBRE"))->AsString(), QStringLiteral("Ana"));
    TFormHarness::PressKey(VK_END, ssCtrl);
    EXPECT_EQ(table->FieldByName(QStringLiteral("NOMBRE"))->AsString(), QStringLiteral("Luis"));
    // A click on the first data row goes back to the first record.
    const TRect cell = grid->CellRect(0, 1);
    TFormHarness::ClickAt(grid, cell.Left + 3, cell.Top + 3);
    EXPECT_EQ(table->FieldByName(QStringLiteral("NOMBRE"))->AsString(), QStringLiteral("José"));
    EXPECT_EQ(grid->SelectedIndex(), 1);
    EXPECT_EQ(grid->SelectedField()->FieldName(), QStringLiteral("NOMBRE"));
    // Tab walks the columns.
    TFormHarness::PressKey(VK_TAB);
    EXPECT_EQ(grid->SelectedIndex(), 2);
    // Ctrl+Delete does not delete in a read-only grid; the key handler still hears it.
    int keyDowns = 0;
    grid->OnKeyDown = [&](TObject*, quint16& key, TShiftState) {
        if (key == VK_DELETE) ++keyDowns;
    };
    TFormHarness::PressKey(VK_DELETE, ssCtrl);
    EXPECT_EQ(keyDowns, 1);
    EXPECT_EQ(table->RecordCount(), 3);
}

// A right click makes the row under it current before the grid's pop-up menu drops down, so the
// menu's commands (open, delete) act on the row the user pointed at; on the titles or below the
// rows it moves nothing and sorts nothing.
TEST_F(DBGridTest, ARightClickMakesItsRowCurrentBeforeThePopupMenu) {
    auto* menu = new TPopupMenu(form.get());
    grid->SetPopupMenu(menu);
    QStringList shown;
    menu->OnPopup = [&](TObject*) { shown << table->FieldByName(QStringLiteral("NOMBRE"))->AsString(); };
    int titles = 0;
    grid->OnTitleClick = [&](TColumn*) { ++titles; };
    form->Show();
    const TRect luis = grid->CellRect(2, 1);
    TFormHarness::ClickAt(grid, luis.Left + 3, luis.Top + 3, mbRight);
    const TRect ana = grid->CellRect(1, 2);
    TFormHarness::ClickAt(grid, ana.Left + 3, ana.Top + 3, mbRight);
    TFormHarness::ClickAt(grid, luis.Left + 3, 3, mbRight);       // a title
    TFormHarness::ClickAt(grid, luis.Left + 3, 120, mbRight);     // below the rows
    EXPECT_EQ(shown, QStringList({QStringLiteral("Luis"), QStringLiteral("Ana"), QStringLiteral("Ana"),
                                  QStringLiteral("Ana")}));
    EXPECT_EQ(grid->SelectedIndex(), 1);
    EXPECT_EQ(titles, 0);
}

TEST_F(DBGridTest, TabLeavesTheGridFromItsLastAndFirstCells) {
    auto* before = new TEdit(form.get());
    before->SetParent(form.get());
    before->SetBounds(0, 210, 100, 21);
    auto* after = new TEdit(form.get());
    after->SetParent(form.get());
    after->SetBounds(0, 240, 100, 21);
    before->SetTabOrder(0);
    form->Show();
    TFormHarness::Focus(grid);
    // Inside, Tab and Shift+Tab go from cell to cell and on to the next or previous row.
    TFormHarness::PressKey(VK_END);
    TFormHarness::PressKey(VK_TAB);
    EXPECT_EQ(form->ActiveControl(), grid);
    EXPECT_EQ(table->FieldByName(QStringLiteral("NOMBRE"))->AsString(), QStringLiteral("Ana"));
    EXPECT_EQ(grid->SelectedIndex(), 0);
    // From the last cell of the last row Tab goes on to the next control.
    TFormHarness::PressKey(VK_END, ssCtrl);
    TFormHarness::PressKey(VK_END);
    TFormHarness::PressKey(VK_TAB);
    EXPECT_EQ(form->ActiveControl(), after);
    // And back: Shift+Tab from the first cell of the first row goes to the control before it.
    TFormHarness::Focus(grid);
    TFormHarness::PressKey(VK_HOME, ssCtrl);
    TFormHarness::PressKey(VK_HOME);
    TFormHarness::PressKey(VK_TAB, ssShift);
    EXPECT_EQ(form->ActiveControl(), before);
    // An empty grid has no cell to walk: Tab passes through it.
    while (!table->IsEmpty()) table->Delete();
    TFormHarness::Focus(grid);
    TFormHarness::PressKey(VK_TAB);
    EXPECT_EQ(form->ActiveControl(), after);
}

TEST_F(DBGridTest, DrawColumnCellAndTitleClickEvents) {
    QStringList drawn;
    grid->OnDrawColumnCell = [&](TObject*, const TRect&, int, TColumn* column, TGridDrawState) {
        if (column->FieldName() == QLatin1String("APELLIDOS")) drawn << column->Field()->AsString();
    };
    TColumn* clicked = nullptr;
    grid->OnTitleClick = [&](TColumn* c) { clicked = c; };
    form->Show();
    drawn.clear();
    TFormHarness::Grab(grid);
    EXPECT_EQ(drawn.mid(0, 3), QStringList({"Núñez", "Peña", "Gómez"}));
    EXPECT_EQ(table->FieldByName(QStringLiteral("NOMBRE"))->AsString(), QStringLiteral("José"));  // position kept
    const TRect title = grid->CellRect(0, 2);
    TFormHarness::ClickAt(grid, title.Left + 5, 3);
    ASSERT_NE(clicked, nullptr);
    EXPECT_EQ(clicked->FieldName(), QStringLiteral("APELLIDOS"));
}

TEST_F(DBGridTest, GridRendersTitlesIndicatorAndRowsToPng) {
    table->FieldByName(QStringLiteral("ALTA"))->SetVisible(false);
    table->Next();
    form->SetBounds(0, 0, 480, 200);
    grid->SetAlign(alClient);
    form->Show();
    TFormHarness::Focus(grid);
    const QString path = QDir(QStringLiteral(ZEMBRA_TEST_BINARY_DIR)).filePath(QStringLiteral("grid.png"));
    ASSERT_TRUE(TFormHarness::SaveToPng(grid, path));
    const QImage img(path);
    ASSERT_EQ(img.size(), QSize(480, 200));
    // The current row (the second) is marked in the indicator column and its cell is highlighted.
    const TRect cell = grid->CellRect(1, grid->SelectedIndex());
    EXPECT_EQ(QColor(img.pixel(cell.Right - 2, cell.Top + 2)), QColor(platform::graphics::ToQRgb(clHighlight)));
}

// A grid narrower than its columns shows both bars; the rest of it, below the rows and in the
// corner between the bars, is the grid's colour.
TEST_F(DBGridTest, BelowTheRowsAndBetweenTheBarsTheGridShowsItsColour) {
    grid->SetColor(clYellow);
    grid->SetBounds(0, 0, 160, 150);
    form->Show();
    grid->SetLeftCol(1);  // the horizontal bar is laid out again beside the vertical one
    const QImage img = TFormHarness::Grab(grid);
    ASSERT_EQ(img.size(), QSize(160, 150));
    QScrollBar* vertical = nullptr;
    QScrollBar* horizontal = nullptr;
    for (QScrollBar* b : grid->Widget()->findChildren<QScrollBar*>())
        (b->orientation() == Qt::Vertical ? vertical : horizontal) = b;
    ASSERT_TRUE(vertical && horizontal);
    ASSERT_TRUE(vertical->isVisible() && horizontal->isVisible());
    const QPoint corner(vertical->geometry().center().x(), horizontal->geometry().center().y());
    ASSERT_FALSE(vertical->geometry().contains(corner) || horizontal->geometry().contains(corner));
    const QColor yellow(platform::graphics::ToQRgb(clYellow));
    EXPECT_EQ(QColor(img.pixel(corner)), yellow);
    // Below the last of the three rows.
    const TRect last = grid->CellRect(2, 1);
    EXPECT_EQ(QColor(img.pixel(last.Left + 3, last.Bottom + 10)), yellow);
}

// The vertical bar repainted alone (its range or position moved) leaves the rows undrawn; a
// repaint of the grid draws them.
TEST_F(DBGridTest, ARepaintOfTheBarAloneDrawsNoCell) {
    int cells = 0;
    grid->OnDrawColumnCell = [&](TObject*, const TRect&, int, TColumn*, TGridDrawState) { ++cells; };
    form->Show();
    TFormHarness::ProcessEvents();
    QScrollBar* vertical = nullptr;
    for (QScrollBar* b : grid->Widget()->findChildren<QScrollBar*>())
        if (b->orientation() == Qt::Vertical) vertical = b;
    ASSERT_TRUE(vertical && vertical->isVisible());
    cells = 0;
    vertical->repaint();
    EXPECT_EQ(cells, 0);
    grid->Repaint();
    EXPECT_GT(cells, 0);
}

TEST(DBGridLargeTest, EachLinkShowsAFullPageAroundTheRecordAndStepsReadOnlyTheirRows) {
    TFormHarness harness;
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 400, 300);
    auto* data = new TCountingDataSet(form.get(), 100000);
    auto* source = new TDataSource(form.get());
    source->SetDataSet(data);
    auto* grid = new TDBGrid(form.get());
    grid->SetParent(form.get());
    grid->SetAlign(alClient);
    grid->SetDataSource(source);
    TDataLink small;  // a short list on the same rows
    small.SetBufferCount(3);
    small.SetDataSource(source);
    data->Open();
    form->Show();
    const int rows = grid->VisibleRowCount();
    ASSERT_GT(rows, 5);
    std::vector<int> shown;
    grid->OnDrawColumnCell = [&](TObject*, const TRect&, int col, TColumn*, TGridDrawState) {
        if (col == 0) shown.push_back(data->FieldByName(QStringLiteral("N"))->AsInteger());
    };
    auto page = [&] {
        TFormHarness::ProcessEvents();
        shown.clear();
        TFormHarness::Grab(grid);
        std::vector<int> one(shown.begin(), shown.begin() + std::min<size_t>(shown.size(), size_t(rows)));
        return one;
    };
    for (int target : {1, 50000, 99998, 100000}) {
        SCOPED_TRACE(target);
        data->First();
        ASSERT_TRUE(data->Locate(QStringLiteral("N"), Variant(target), 0));
        const std::vector<int> p = page();
        ASSERT_EQ(int(p.size()), rows);
        EXPECT_TRUE(std::find(p.begin(), p.end(), target) != p.end());
        for (size_t i = 1; i < p.size(); ++i) EXPECT_EQ(p[i], p[i - 1] + 1);
        // The short link holds the record too, in three rows of its own.
        EXPECT_EQ(small.RecordCount(), 3);
        EXPECT_GE(small.ActiveRecord(), 0);
        EXPECT_LT(small.ActiveRecord(), 3);
    }
    // Up and page up from the middle read a row or so per step, never the table.
    data->First();
    data->Locate(QStringLiteral("N"), Variant(50000), 0);
    TFormHarness::Focus(grid);
    TFormHarness::Grab(grid);  // the scroll bar has placed the record once
    data->RowsRead = 0;
    data->RecNoCounted = 0;
    for (int i = 0; i < 30; ++i) TFormHarness::PressKey(VK_UP);
    for (int i = 0; i < 5; ++i) TFormHarness::PressKey(VK_PRIOR);
    EXPECT_EQ(data->FieldByName(QStringLiteral("N"))->AsInteger(), 50000 - 30 - 5 * rows);
    EXPECT_LT(data->RowsRead, 4 * (30 + 5 * rows));
    EXPECT_EQ(data->RecNoCounted, 0);  // the scroll bar follows the steps without counting
    EXPECT_EQ(data->RecNo(), 50000 - 30 - 5 * rows);
    const std::vector<int> p = page();
    ASSERT_EQ(int(p.size()), rows);
    small.SetDataSource(nullptr);
}

TEST(DBGridLargeTest, ScrollingAHundredThousandRowsReadsOnlyWhatItShows) {
    TFormHarness harness;
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 400, 300);
    auto* data = new TCountingDataSet(form.get(), 100000);
    auto* source = new TDataSource(form.get());
    source->SetDataSet(data);
    auto* grid = new TDBGrid(form.get());
    grid->SetParent(form.get());
    grid->SetAlign(alClient);
    grid->SetDataSource(source);
    data->Open();
    form->Show();
    TFormHarness::Focus(grid);
    for (int i = 0; i < 30; ++i) TFormHarness::PressKey(VK_DOWN);
    for (int i = 0; i < 10; ++i) TFormHarness::PressKey(VK_NEXT);
    EXPECT_EQ(data->RecNo(), 31 + 10 * grid->VisibleRowCount());
    TFormHarness::PressKey(VK_END, ssCtrl);
    EXPECT_EQ(data->FieldByName(QStringLiteral("N"))->AsInteger(), 100000);
    TFormHarness::Grab(form.get());
    EXPECT_LT(data->RowsRead, 5000);
}

// The rows come first: a short cursor is never counted, a long one is counted for the scroll bar
// once the window is idle, and the bar then spans it.
TEST(DBGridLargeTest, TheScrollBarSpansTheCursorWithoutCountingInTheStep) {
    TFormHarness harness;
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 400, 300);
    auto* corto = new TCountingDataSet(form.get(), 5);
    auto* largo = new TCountingDataSet(form.get(), 100000);
    auto* source = new TDataSource(form.get());
    source->SetDataSet(corto);
    auto* grid = new TDBGrid(form.get());
    grid->SetParent(form.get());
    grid->SetAlign(alClient);
    grid->SetDataSource(source);
    corto->Open();
    largo->Open();
    form->Show();
    TFormHarness::ProcessEvents();
    auto bars = grid->Widget()->findChildren<QScrollBar*>();
    QScrollBar* bar = nullptr;
    for (QScrollBar* b : bars)
        if (b->orientation() == Qt::Vertical) bar = b;
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->maximum(), 4);
    EXPECT_EQ(corto->Counted, 0);
    EXPECT_EQ(corto->RecordCount(), 5);
    corto->Last();
    EXPECT_EQ(bar->value(), 4);
    source->SetDataSet(largo);
    largo->First();
    EXPECT_EQ(largo->Counted, 0);
    TFormHarness::ProcessEvents();
    EXPECT_EQ(largo->Counted, 1);
    EXPECT_EQ(bar->maximum(), 99999);
    EXPECT_EQ(bar->value(), 0);
    largo->Last();
    TFormHarness::ProcessEvents();
    EXPECT_EQ(bar->value(), 99999);
    EXPECT_EQ(largo->Counted, 1);
}

// A grid on a page not shown leaves its long cursor uncounted: nobody sees its bar. Shown, it
// is counted once the window is idle and the bar spans it.
TEST(DBGridLargeTest, AGridNotShownIsCountedWhenItShows) {
    TFormHarness harness;
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 400, 300);
    auto* page = new TPanel(form.get());
    page->SetParent(form.get());
    page->SetAlign(alClient);
    page->SetVisible(false);
    auto* largo = new TCountingDataSet(form.get(), 100000);
    auto* source = new TDataSource(form.get());
    source->SetDataSet(largo);
    auto* grid = new TDBGrid(form.get());
    grid->SetParent(page);
    grid->SetAlign(alClient);
    grid->SetDataSource(source);
    largo->Open();
    form->Show();
    TFormHarness::ProcessEvents();
    EXPECT_EQ(largo->Counted, 0);
    page->SetVisible(true);
    TFormHarness::ProcessEvents();
    EXPECT_EQ(largo->Counted, 1);
    QScrollBar* bar = nullptr;
    for (QScrollBar* b : grid->Widget()->findChildren<QScrollBar*>())
        if (b->orientation() == Qt::Vertical) bar = b;
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->maximum(), 99999);
    largo->MoveBy(10);
    TFormHarness::ProcessEvents();
    EXPECT_EQ(bar->value(), 10);
    EXPECT_EQ(largo->Counted, 1);
}

}  // namespace
