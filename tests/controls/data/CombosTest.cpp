// Combo boxes with stored values bound to a field, and the colour combo.
#include "DataFixture.h"
#include "controls/data/ZBCombos.h"
#include "controls/data/ZbDBComb.h"
#include "platform/forms/Beep.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/Forms.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QPainter>
#include <QStyleOptionViewItem>

using namespace datatest;
using platform::forms::TFormHarness;

namespace {

class DBComboTest : public DataTest {
protected:
    void SetUp() override {
        DataTest::SetUp();
        cuentas = NewTable(&owner, folder, QStringLiteral("CUENTAS"));
        cuentas->Open();
        for (int i = 1; i <= 2; ++i) {
            cuentas->Append();
            cuentas->FieldByName(QStringLiteral("ORDEN"))->SetAsInteger(i);
            cuentas->FieldByName(QStringLiteral("TIPO"))->SetAsString(i == 1 ? QStringLiteral("3") : QStringLiteral("9"));
            cuentas->Post();
        }
        cuentas->First();
        ds = new TDataSource(&owner);
        ds->SetDataSet(cuentas);
        form = new TForm(&owner);
        combo = new TZbDBComboBox(form);
        combo->SetParent(form);
        for (const char* s : {"Suplido", "Derecho", "Provisión", "Gasto"}) combo->Items()->Add(QString::fromUtf8(s));
        for (const char* s : {"1", "2", "3", "4"}) combo->Values()->Add(QString::fromLatin1(s));
        combo->SetEnableValues(true);
        combo->SetDataSource(ds);
        combo->SetDataField(QStringLiteral("TIPO"));
        changes = 0;
        combo->OnChange = [this](TObject*) { ++changes; };
    }
    TFormHarness harness;
    TTable* cuentas = nullptr;
    TDataSource* ds = nullptr;
    TForm* form = nullptr;
    TZbDBComboBox* combo = nullptr;
    int changes = 0;
};

}  // namespace

TEST_F(DBComboTest, StoredCodeShowsItsItemAndChoosingAnItemStoresItsCode) {
    EXPECT_EQ(combo->ItemIndex(), 2);
    EXPECT_EQ(combo->Text(), QStringLiteral("Provisión"));
    EXPECT_EQ(combo->GetPaintText(), QStringLiteral("Provisión"));
    // The user picks "Gasto" in the list.
    combo->ComboBox()->setCurrentIndex(3);
    EXPECT_EQ(cuentas->State(), dsEdit);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(combo->GetComboText(), QStringLiteral("4"));
    cuentas->Post();
    EXPECT_EQ(cuentas->FieldByName(QStringLiteral("TIPO"))->AsString(), QStringLiteral("4"));
}

TEST_F(DBComboTest, ValueOutsideTheValuesShowsNoSelection) {
    cuentas->Next();
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_EQ(combo->GetPaintText(), QString());
    EXPECT_EQ(combo->GetComboText(), QString());
    cuentas->First();
    EXPECT_EQ(combo->ItemIndex(), 2);
}

TEST_F(DBComboTest, EnableValuesKeepsTheListStyle) {
    combo->SetStyle(csDropDown);
    EXPECT_EQ(combo->Style(), csDropDownList);
    combo->SetEnableValues(false);
    combo->SetStyle(csDropDown);
    EXPECT_EQ(combo->Style(), csDropDown);
    // Without values the field text itself is shown: "3" is no item.
    EXPECT_EQ(combo->Text(), QStringLiteral("3"));
    combo->SetEnableValues(true);
    EXPECT_EQ(combo->Style(), csDropDownList);
    EXPECT_EQ(combo->Text(), QStringLiteral("Provisión"));
}

TEST_F(DBComboTest, EscapeRestoresTheStoredValue) {
    combo->ComboBox()->setCurrentIndex(0);
    EXPECT_EQ(combo->GetComboText(), QStringLiteral("1"));
    QChar esc(27);
    combo->KeyPress(esc);
    EXPECT_EQ(esc, QChar());
    EXPECT_EQ(combo->Text(), QStringLiteral("Provisión"));
}

TEST_F(DBComboTest, ReadOnlyLinkRefusesTheChoice) {
    combo->SetReadOnly(true);
    combo->ComboBox()->setCurrentIndex(0);
    EXPECT_EQ(cuentas->State(), dsBrowse);
    EXPECT_EQ(combo->Text(), QStringLiteral("Provisión"));
    EXPECT_EQ(changes, 0);
}

TEST_F(DBComboTest, RefusedCharacterBeepsAndIsDropped) {
    cuentas->FieldByName(QStringLiteral("TIPO"))->SetValidChars(QStringLiteral("1234"));
    int beeps = platform::forms::BeepCount();
    QChar c('x');
    combo->KeyPress(c);
    EXPECT_EQ(c, QChar());
    EXPECT_EQ(platform::forms::BeepCount(), beeps + 1);
}

TEST_F(DBComboTest, LeavingWritesThePendingChoice) {
    combo->ComboBox()->setCurrentIndex(1);
    combo->DoExit();
    EXPECT_EQ(cuentas->FieldByName(QStringLiteral("TIPO"))->AsString(), QStringLiteral("2"));
}

// ---------------------------------------------------------------------------------------------- colours

TEST(ColorComboTest, ListsTheSixteenColoursByNameAndRenamesByPosition) {
    TFormHarness harness;
    TComponent owner(nullptr);
    auto* combo = new TColorComboBox(&owner);
    QStringList names;
    for (int i = 0; i < combo->Items()->Count(); ++i) names << combo->Items()->Strings(i);
    EXPECT_EQ(names.join(QLatin1Char(',')),
              QStringLiteral("Black,Maroon,Green,Olive,Navy,Purple,Teal,Gray,Silver,Red,Lime,Yellow,Blue,Fuchsia,Aqua,White"));
    EXPECT_EQ(combo->ItemColor(9), clRed);
    EXPECT_EQ(combo->ItemIndex(), 0);  // clBlack
    combo->SetColorValue(clTeal);
    combo->ColorNames()->SetText(QStringLiteral("Negro\nGranate\n\nVerde oliva"));
    EXPECT_EQ(combo->Items()->Strings(0), QStringLiteral("Negro"));
    EXPECT_EQ(combo->Items()->Strings(1), QStringLiteral("Granate"));
    EXPECT_EQ(combo->Items()->Strings(2), QStringLiteral("Green"));
    EXPECT_EQ(combo->Items()->Strings(3), QStringLiteral("Verde oliva"));
    EXPECT_EQ(combo->Items()->Strings(4), QStringLiteral("Navy"));
    EXPECT_EQ(combo->ColorValue(), clTeal);
    EXPECT_EQ(combo->ItemIndex(), 6);
}

TEST(ColorComboTest, ChoosingAndSettingRaiseOnChangeOnlyForANewColour) {
    TFormHarness harness;
    TComponent owner(nullptr);
    auto* combo = new TColorComboBox(&owner);
    std::vector<TColor> seen;
    combo->OnChange = [&](TObject*) { seen.push_back(combo->ColorValue()); };
    combo->ComboBox()->setCurrentIndex(12);  // the user picks Blue
    EXPECT_EQ(combo->ColorValue(), clBlue);
    combo->SetColorValue(clBlue);  // unchanged: nothing
    combo->SetColorValue(clYellow);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], clBlue);
    EXPECT_EQ(seen[1], clYellow);
    EXPECT_EQ(combo->ItemIndex(), 11);
}

TEST(ColorComboTest, NonStandardColourLeavesNoSelectionOrShowsItsText) {
    TFormHarness harness;
    TComponent owner(nullptr);
    auto* combo = new TColorComboBox(&owner);
    combo->SetColorValue(TColor(0x123456));
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_EQ(combo->ColorValue(), TColor(0x123456));
    combo->SetStyle(csDropDown);
    combo->SetColorValue(clBtnFace);
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_EQ(combo->Text(), QStringLiteral("BtnFace"));
    EXPECT_EQ(combo->ColorValue(), clBtnFace);
    // A typed name of the list, or a number, is read back as its colour.
    int changes = 0;
    combo->OnChange = [&](TObject*) { ++changes; };
    combo->ComboBox()->setEditText(QStringLiteral("Lime"));
    EXPECT_EQ(combo->ColorValue(), clLime);
    combo->ComboBox()->setEditText(QStringLiteral("255"));
    EXPECT_EQ(combo->ColorValue(), TColor(255));
    combo->ComboBox()->setEditText(QStringLiteral("no colour"));
    EXPECT_EQ(combo->ColorValue(), TColor(255));
    EXPECT_EQ(changes, 2);
}

TEST(ColorComboTest, ItemHeightFollowsTheFontButNeverBelowNine) {
    TFormHarness harness;
    TComponent owner(nullptr);
    auto* combo = new TColorComboBox(&owner);
    combo->Font()->SetHeight(6);
    EXPECT_EQ(combo->ItemHeight(), 9);
    combo->Font()->SetHeight(30);
    EXPECT_GT(combo->ItemHeight(), 30);
    // Swatch and name are drawn into the item.
    combo->SetBounds(0, 0, 150, 24);
    combo->Show();
    QImage img = TFormHarness::Grab(combo);
    EXPECT_FALSE(img.isNull());
}

namespace {
// One item of the drop-down as the list paints it.
QImage PaintItem(TColorComboBox* combo, int row, bool selected) {
    QImage img(150, 20, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    QStyleOptionViewItem opt;
    opt.rect = QRect(0, 0, 150, 20);
    opt.state = QStyle::State_Enabled;
    if (selected) opt.state |= QStyle::State_Selected;
    opt.widget = combo->ComboBox()->view();
    combo->ComboBox()->itemDelegate()->paint(&p, opt, combo->ComboBox()->model()->index(row, 0));
    p.end();
    return img;
}
}  // namespace

TEST(ColorComboTest, DropDownHighlightsTheCurrentItemAndEveryStyleKeepsItsSwatches) {
    TFormHarness harness;
    TComponent owner(nullptr);
    auto* combo = new TColorComboBox(&owner);
    const QColor highlight(platform::graphics::ToQRgb(clHighlight));
    const QColor window(platform::graphics::ToQRgb(clWindow));
    const QColor blue(0, 0, 255);
    QImage item = PaintItem(combo, 12, true);
    EXPECT_EQ(QColor(item.pixel(145, 10)), highlight);
    EXPECT_EQ(QColor(item.pixel(10, 10)), blue);
    item = PaintItem(combo, 12, false);
    EXPECT_EQ(QColor(item.pixel(145, 10)), window);
    for (TComboBoxStyle style : {csDropDown, csSimple}) {
        combo->SetStyle(style);
        item = PaintItem(combo, 12, false);
        EXPECT_EQ(QColor(item.pixel(10, 10)), blue);
        EXPECT_EQ(QColor(PaintItem(combo, 12, true).pixel(145, 10)), highlight);
    }
}
