// More behaviour the forms of the program lean on: inherited fonts and colours, placement,
// menus with radio items, tree expansion, grid column widths, bitmap-button kinds and gauges.
#include "platform/db/DBTables.h"
#include "platform/forms/Buttons.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/DBGrids.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/Mask.h"
#include "platform/forms/Menus.h"
#include "tests/support/DosPantallas.h"

#include <QCoreApplication>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using platform::forms::TFormHarness;

namespace {

class BehaviourTest : public ::testing::Test {
protected:
    void SetUp() override { form = std::make_unique<TForm>(nullptr); }
    TFormHarness harness;
    std::unique_ptr<TForm> form;
};

TEST_F(BehaviourTest, ChildrenFollowTheParentFontAndColourUntilGivenTheirOwn) {
    auto* panel = new TPanel(form.get());
    panel->SetParent(form.get());
    auto* label = new TLabel(form.get());
    label->SetParent(panel);
    auto* edit = new TEdit(form.get());
    edit->SetParent(panel);
    form->Font()->SetSize(12);
    EXPECT_EQ(panel->Font()->Size(), 12);
    EXPECT_EQ(label->Font()->Size(), 12);
    EXPECT_TRUE(label->ParentFont());
    label->Font()->SetStyle(TFontStyles{fsBold});
    EXPECT_FALSE(label->ParentFont());
    form->Font()->SetSize(9);
    EXPECT_EQ(label->Font()->Size(), 12);  // its own font now
    EXPECT_EQ(edit->Font()->Size(), 9);

    panel->SetColor(clYellow);
    EXPECT_EQ(label->Color(), clYellow);  // labels take the parent's colour
    EXPECT_EQ(edit->Color(), clWindow);   // edits keep theirs
    edit->SetParentColor(true);
    EXPECT_EQ(edit->Color(), clYellow);
}

// A disabled control and a disabled menu title are drawn in the system's grey, whatever the
// colour of the font they were given (every form gives one).
TEST_F(BehaviourTest, DisabledControlsAndMenuTitlesAreDrawnGrey) {
    form->SetBounds(0, 0, 300, 120);
    auto* menu = new TMainMenu(form.get());
    auto* informes = new TMenuItem(form.get());
    informes->SetCaption(QStringLiteral("&Informes"));
    menu->Items()->Add(informes);
    auto* clientes = new TMenuItem(form.get());
    clientes->SetCaption(QStringLiteral("Clientes"));
    informes->Add(clientes);
    form->SetMenu(menu);
    auto* boton = new TButton(form.get());
    boton->SetParent(form.get());
    boton->SetBounds(10, 10, 100, 25);
    boton->SetCaption(QStringLiteral("&Económico"));
    form->Show();
    auto oscuros = [](QWidget* w) {
        const QImage img = w->grab().toImage();
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) n += qGray(img.pixel(x, y)) < 60;
        return n;
    };
    QMenuBar* bar = form->Widget()->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_GT(oscuros(boton->Widget()), 0);
    EXPECT_GT(oscuros(bar), 0);
    boton->SetEnabled(false);
    informes->SetEnabled(false);
    bar = form->Widget()->findChild<QMenuBar*>();
    EXPECT_EQ(oscuros(boton->Widget()), 0);
    EXPECT_EQ(oscuros(bar), 0);
}

// The main window opens a case file on Ctrl+Enter (key down) and on Enter in its grid (the
// typed character): one Ctrl+Enter must not open it twice.
TEST_F(BehaviourTest, CtrlEnterTypesALineFeedAndEnterACarriageReturn) {
    auto* edit = new TEdit(form.get());
    edit->SetParent(form.get());
    QString typed;
    form->SetKeyPreview(true);
    form->OnKeyPress = [&typed](TObject*, QChar& key) { typed += key; };
    form->Show();
    TFormHarness::Focus(edit);
    TFormHarness::PressKey(edit, VK_RETURN, ssCtrl);
    TFormHarness::PressKey(edit, VK_RETURN);
    EXPECT_EQ(typed, QStringLiteral("\n\r"));
}

TEST_F(BehaviourTest, ScreenCentredFormsAreCentredOnFirstShow) {
    form->SetBounds(0, 0, 200, 100);
    form->SetPosition(poScreenCenter);
    form->Show();
    const TRect area = Screen->WorkAreaRect();
    // The window system may report the frame a few pixels off the client.
    EXPECT_NEAR(form->Left(), area.Left + (area.Width() - 200) / 2, 4);
    EXPECT_NEAR(form->Top(), area.Top + (area.Height() - 100) / 2, 4);
    form->Hide();
    form->SetLeft(40);
    form->Show();
    EXPECT_NEAR(form->Left(), 40, 4);  // only the first showing places it
}

TEST_F(BehaviourTest, AFormLargerThanTheScreenOpensWithItsTopLeftOnIt) {
    // A small screen or a large scale: the title bar and the left edge must stay reachable.
    const TRect area = Screen->WorkAreaRect();
    form->SetBounds(0, 0, area.Width() + 300, area.Height() + 200);
    form->SetPosition(poScreenCenter);
    form->Show();
    // The window system may report the frame a few pixels off the client.
    EXPECT_NEAR(form->Left(), area.Left, 4);
    EXPECT_NEAR(form->Top(), area.Top, 4);
}

TEST_F(BehaviourTest, CentredDialogsOpenWholeOnTheMonitorOfTheWindowInUse) {
    using namespace zbtest;
    const TRect segunda = Rect(SegundaIzquierda, SegundaArriba, SegundaIzquierda + SegundaAncho, SegundaArriba + SegundaAlto);
    const auto dentro = [&](TForm* f) {
        return f->Left() >= segunda.Left && f->Top() >= segunda.Top && f->Left() + f->Width() <= segunda.Right &&
               f->Top() + f->Height() <= segunda.Bottom;
    };
    form->SetBounds(segunda.Left + 40, segunda.Top + 40, 300, 200);
    form->Show();
    TFormHarness::ProcessEvents();
    TForm dialogo(nullptr);
    dialogo.SetBounds(0, 0, 200, 100);
    dialogo.SetPosition(poScreenCenter);
    dialogo.Show();
    EXPECT_NEAR(dialogo.Left(), segunda.Left + (segunda.Width() - 200) / 2, 4);
    EXPECT_NEAR(dialogo.Top(), segunda.Top + (segunda.Height() - 100) / 2, 4);
    dialogo.Hide();
    // Centred on a window at that monitor's right edge, it does not spill onto the next one.
    form->SetBounds(segunda.Right - 220, segunda.Bottom - 150, 200, 120);
    TForm hijo(form.get());
    hijo.SetBounds(0, 0, 400, 300);
    hijo.SetPosition(poOwnerFormCenter);
    hijo.Show();
    EXPECT_TRUE(dentro(&hijo)) << hijo.Left() << "," << hijo.Top();
}

TEST_F(BehaviourTest, ShowModalOfAVisibleFormIsRefused) {
    form->Show();
    EXPECT_THROW(form->ShowModal(), EInvalidOperation);
}

TEST_F(BehaviourTest, OnCreateRunsOnceBeforeTheFirstShow) {
    int created = 0, shown = 0;
    form->OnCreate = [&](TObject*) {
        ++created;
        EXPECT_EQ(shown, 0);
    };
    form->OnShow = [&](TObject*) { ++shown; };
    form->Show();
    form->Hide();
    form->Show();
    EXPECT_EQ(created, 1);
    EXPECT_EQ(shown, 2);
}

TEST_F(BehaviourTest, RadioMenuItemsCheckOneOfTheirGroup) {
    auto* pm = new TPopupMenu(form.get());
    std::vector<TMenuItem*> items;
    for (const char* caption : {"&Pesetas", "&Euros", "-", "&Ayuda"}) {
        auto* it = new TMenuItem(form.get());
        it->SetCaption(QString::fromUtf8(caption));
        pm->Items()->Add(it);
        items.push_back(it);
    }
    items[0]->SetRadioItem(true);
    items[1]->SetRadioItem(true);
    items[0]->SetChecked(true);
    items[1]->Click();
    EXPECT_TRUE(items[1]->Checked());
    EXPECT_FALSE(items[0]->Checked());
    EXPECT_TRUE(items[2]->IsLine());
    EXPECT_EQ(pm->Items()->Find(QStringLiteral("Ayuda")), items[3]);
    EXPECT_EQ(pm->FindItem(items[3]->Command()), items[3]);
    int clicks = 0;
    items[3]->OnClick = [&](TObject*) { ++clicks; };
    items[3]->SetEnabled(false);
    items[3]->Click();
    EXPECT_EQ(clicks, 0);
    // Freeing an item takes it out of its menu.
    delete items[2];
    EXPECT_EQ(pm->Items()->Count(), 3);
    EXPECT_EQ(GetHotkey(QStringLiteral("&Euros")), QChar('E'));
    EXPECT_EQ(StripHotkey(QStringLiteral("Guardar && salir")), QStringLiteral("Guardar & salir"));
}

TEST_F(BehaviourTest, TreeExpansionCanBeRefused) {
    auto* tv = new TTreeView(form.get());
    tv->SetParent(form.get());
    TTreeNode* root = tv->Items()->Add(nullptr, QStringLiteral("Profesiones"));
    tv->Items()->AddChild(root, QStringLiteral("Arquitecto"));
    bool allow = false;
    int expanded = 0;
    tv->OnExpanding = [&](TObject*, TTreeNode*, bool& a) { a = allow; };
    tv->OnExpanded = [&](TObject*, TTreeNode*) { ++expanded; };
    root->Expand(false);
    EXPECT_FALSE(root->Expanded());
    allow = true;
    root->Expand(false);
    EXPECT_TRUE(root->Expanded());
    EXPECT_EQ(expanded, 1);
    EXPECT_EQ(root->Item(0)->AbsoluteIndex(), 1);
}

TEST_F(BehaviourTest, UpDownWrapsWhenAsked) {
    auto* ud = new TUpDown(form.get());
    ud->SetParent(form.get());
    ud->SetMin(1);
    ud->SetMax(3);
    ud->SetPosition(3);
    ud->ClickButton(btNext);
    EXPECT_EQ(ud->Position(), 3);
    ud->SetWrap(true);
    ud->ClickButton(btNext);
    EXPECT_EQ(ud->Position(), 1);
    ud->OnChanging = [](TObject*, bool& allow) { allow = false; };
    ud->ClickButton(btNext);
    EXPECT_EQ(ud->Position(), 1);
}

TEST_F(BehaviourTest, CloseKindButtonClosesItsForm) {
    auto* bt = new TBitBtn(form.get());
    bt->SetParent(form.get());
    bt->SetKind(bkClose);
    EXPECT_EQ(bt->Caption(), QStringLiteral("&Cerrar"));
    form->Show();
    TFormHarness::Click(bt);
    EXPECT_FALSE(form->Visible());
}

TEST_F(BehaviourTest, GaugeDrawsItsShareInTheForeColour) {
    auto* g = new TGauge(form.get());
    g->SetParent(form.get());
    g->SetBounds(0, 0, 100, 20);
    g->SetShowText(false);
    g->SetForeColor(clNavy);
    g->SetBackColor(clWhite);
    g->SetProgress(50);
    form->Show();
    const QImage img = TFormHarness::Grab(g);
    EXPECT_EQ(QColor(img.pixel(20, 10)), QColor(platform::graphics::ToQRgb(clNavy)));
    EXPECT_EQ(QColor(img.pixel(80, 10)), QColor(Qt::white));
}

TEST_F(BehaviourTest, MaskedEditWithoutMaskActsAsAnEdit) {
    auto* e = new TMaskEdit(form.get());
    e->SetParent(form.get());
    form->Show();
    TFormHarness::Focus(e);
    TFormHarness::Type(QStringLiteral("Pérez"));
    EXPECT_EQ(e->Text(), QStringLiteral("Pérez"));
    // A mask given later keeps what it can of the text.
    e->SetEditMask(QStringLiteral(">LLLLL;0;_"));
    EXPECT_EQ(e->EditText(), QStringLiteral("Pérez"));
    e->SetEditMask(QString());
    EXPECT_FALSE(e->IsMasked());
}

TEST_F(BehaviourTest, StatusBarSimplePanelAndAlign) {
    form->SetBounds(0, 0, 300, 200);
    auto* sb = new TStatusBar(form.get());
    sb->SetParent(form.get());
    auto* top = new TPanel(form.get());
    top->SetParent(form.get());
    top->SetAlign(alClient);
    // The status bar keeps the bottom; the client panel takes the rest.
    EXPECT_EQ(top->Height(), form->ClientHeight() - sb->Height());
    sb->SetSimplePanel(true);
    sb->SetSimpleText(QStringLiteral("Cargando .."));
    form->Show();
    EXPECT_FALSE(TFormHarness::Grab(sb).isNull());
}

TEST(GridColumnsTest, ResizingADefaultColumnChangesTheFieldsDisplayWidth) {
    TFormHarness harness;
    QTemporaryDir dir;
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 500, 200);
    auto* table = new TTable(form.get());
    table->SetDatabaseName(dir.path());
    table->SetTableName(QStringLiteral("ABOCLI"));
    table->FieldDefs()->Add(QStringLiteral("ABOCLI"), ftInteger, 0, true);
    table->FieldDefs()->Add(QStringLiteral("NOMBRE"), ftString, 30);
    table->IndexDefs()->Add(QString(), QStringLiteral("ABOCLI"), ixPrimary);
    table->CreateTable();
    table->Open();
    table->AppendRecord({Variant(1), Variant("Marta")});
    auto* ds = new TDataSource(form.get());
    ds->SetDataSet(table);
    auto* grid = new TDBGrid(form.get());
    grid->SetParent(form.get());
    grid->SetAlign(alClient);
    grid->SetDataSource(ds);
    TField* nombre = table->FieldByName(QStringLiteral("NOMBRE"));
    const int before = nombre->DisplayWidth();
    form->Show();
    // Drag the right border of the NOMBRE title 60 pixels to the left.
    const TRect title = grid->CellRect(0, 1);
    const int edge = title.Right;
    QWidget* w = grid->Widget();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(edge, 5), w->mapToGlobal(QPointF(edge, 5)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QMouseEvent move(QEvent::MouseMove, QPointF(edge - 60, 5), w->mapToGlobal(QPointF(edge - 60, 5)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(edge - 60, 5), w->mapToGlobal(QPointF(edge - 60, 5)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &release);
    EXPECT_LT(nombre->DisplayWidth(), before);
    EXPECT_NEAR(grid->Columns()->Items(1)->Width(), title.Width() - 60, 8);
}

}  // namespace
