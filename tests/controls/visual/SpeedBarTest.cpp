#include "controls/visual/BitmapHelpers.h"
#include "controls/visual/SpeedBar.h"
#include "platform/classes/IniFiles.h"
#include "platform/classes/Strings.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/Forms.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <vector>

using platform::forms::TFormHarness;
using controls::visual::SnapToGrid;
using controls::visual::SpeedBarDockSide;
using controls::visual::SpeedBarGridStep;

namespace {

void SendMouse(TControl* c, QEvent::Type type, int x, int y) {
    QWidget* w = c->Widget();
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(x, y), QPointF(w->mapToGlobal(QPoint(x, y))), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

class TRecordForm : public TForm {
public:
    explicit TRecordForm(TComponent* owner) : TForm(owner) { SetBounds(0, 0, 400, 300); }
};

class SpeedBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TRecordForm>(nullptr);
        bar = new TSpeedBar(form.get());
        bar->SetName(QStringLiteral("SpeedBar1"));
        bar->SetParent(form.get());
    }
    TSpeedItem* Item(const QString& name, int section = 0, bool visible = true) {
        auto* item = new TSpeedItem(form.get());
        item->SetName(name);
        bar->AddItem(section, item);
        item->SetVisible(visible);
        return item;
    }
    // A point of the form's client area in the bar's coordinates.
    void DragTo(int formX, int formY, QEvent::Type type = QEvent::MouseMove) {
        SendMouse(bar, type, formX - bar->Left(), formY - bar->Top());
    }
    TFormHarness harness;
    std::unique_ptr<TRecordForm> form;
    TSpeedBar* bar = nullptr;
};

TEST(SpeedBarGrid, StepDividesTheButtonLength) {
    EXPECT_EQ(SpeedBarGridStep(24), 8);
    EXPECT_EQ(SpeedBarGridStep(25), 5);
    EXPECT_EQ(SpeedBarGridStep(23), 1);  // prime: no step between 2 and 22
    EXPECT_EQ(SpeedBarGridStep(75), 15);
    EXPECT_EQ(SpeedBarGridStep(6), 2);
    EXPECT_EQ(SpeedBarGridStep(1), 1);
    EXPECT_EQ(SpeedBarGridStep(0), 1);
}

TEST(SpeedBarGrid, SnapRoundsAlongAndTruncatesAcross) {
    EXPECT_EQ(SnapToGrid(13, 3, 8, true), 11);
    EXPECT_EQ(SnapToGrid(15, 3, 8, true), 19);  // 1.5 goes to the even 2
    EXPECT_EQ(SnapToGrid(7, 3, 8, true), 3);    // 0.5 goes to the even 0
    EXPECT_EQ(SnapToGrid(23, 3, 8, true), 19);  // 2.5 goes to 2
    EXPECT_EQ(SnapToGrid(48, 3, 23, false), 26);
    EXPECT_EQ(SnapToGrid(-2, 3, 8, false), 3);  // truncated toward zero
}

TEST(SpeedBarDock, SideIsFoundByTheDiagonals) {
    EXPECT_EQ(SpeedBarDockSide({200, 5}, 400, 300), alTop);
    EXPECT_EQ(SpeedBarDockSide({200, 295}, 400, 300), alBottom);
    EXPECT_EQ(SpeedBarDockSide({5, 150}, 400, 300), alLeft);
    EXPECT_EQ(SpeedBarDockSide({399, 150}, 400, 300), alRight);
    EXPECT_EQ(SpeedBarDockSide({300, 100}, 400, 300), alRight);
    EXPECT_EQ(SpeedBarDockSide({100, 200}, 400, 300), alLeft);
    EXPECT_EQ(SpeedBarDockSide({10, 10}, 0, 300), alTop);
}

TEST_F(SpeedBarTest, NewBarMeasures) {
    EXPECT_EQ(bar->Height(), 29);
    EXPECT_EQ(bar->BtnWidth(), 24);
    EXPECT_EQ(bar->BtnHeight(), 23);
    EXPECT_EQ(bar->BtnOffsetHorz(), 3);
    EXPECT_EQ(bar->BtnOffsetVert(), 3);
    EXPECT_EQ(bar->Align(), alTop);
    EXPECT_EQ(bar->Width(), form->ClientWidth());
    EXPECT_EQ(bar->Options(), unsigned(sbAllowDrag | sbGrayedBtns));
    EXPECT_EQ(bar->GridSize().X, 8);
    EXPECT_EQ(bar->GridSize().Y, 23);
    EXPECT_EQ(bar->Orientation(), boHorizontal);
    EXPECT_FALSE(bar->ParentFont());
    // Flat buttons need no room for a frame.
    bar->SetOptions(bar->Options() | sbFlatBtns);
    EXPECT_EQ(bar->MinButtonsOffset(), 1);
    bar->SetBevelInner(bvLowered);
    EXPECT_EQ(bar->MinButtonsOffset(), 2);
}

// A window dragged narrower than its bar scrolls to the bar's last buttons instead of cutting
// them off; what the bar needs follows the buttons it shows.
TEST_F(SpeedBarTest, AWindowNarrowerThanItsBarScrollsToTheLastButton) {
    // Ten buttons in a row, the last one reaching 265 pixels.
    std::vector<TSpeedItem*> items;
    for (int i = 0; i < 10; ++i) {
        items.push_back(Item(QStringLiteral("b%1").arg(i)));
        items.back()->SetLeft(4 + 26 * i);
    }
    TSpeedItem* ultimo = items.back();
    TControl* boton = ultimo->Button();
    const int alcance = boton->Left() + boton->Width() + bar->BtnOffsetHorz();
    form->Show();
    TFormHarness::ProcessEvents();
    EXPECT_FALSE(form->HorzScrollBar()->IsScrollBarVisible());
    EXPECT_EQ(bar->Width(), form->ClientWidth());

    form->SetBounds(0, 0, 200, 300);
    ASSERT_TRUE(form->HorzScrollBar()->IsScrollBarVisible());
    EXPECT_EQ(form->HorzScrollBar()->Range(), alcance);
    EXPECT_EQ(bar->Width(), alcance);
    form->ScrollInView(boton);
    const int x = boton->Widget()->mapTo(form->Widget(), QPoint(0, 0)).x();
    EXPECT_GE(x, 0);
    EXPECT_LE(x + boton->Width(), form->ClientWidth());

    // Without its last buttons the bar fits again.
    for (int i = 7; i < 10; ++i) items[size_t(i)]->SetVisible(false);
    EXPECT_FALSE(form->HorzScrollBar()->IsScrollBarVisible());
    EXPECT_EQ(bar->Width(), form->ClientWidth());
    for (int i = 7; i < 10; ++i) items[size_t(i)]->SetVisible(true);
    EXPECT_TRUE(form->HorzScrollBar()->IsScrollBarVisible());
    form->SetBounds(0, 0, 400, 300);
    EXPECT_FALSE(form->HorzScrollBar()->IsScrollBarVisible());
    EXPECT_EQ(bar->Width(), 400);
}

TEST_F(SpeedBarTest, OffsetsHaveAMinimumAndMoveTheButtons) {
    auto* item = Item(QStringLiteral("btAdd"));
    EXPECT_EQ(item->Top(), 3);
    item->SetLeft(11);
    bar->SetBtnOffsetHorz(1);
    EXPECT_EQ(bar->BtnOffsetHorz(), 3);
    bar->SetBtnOffsetHorz(4);
    EXPECT_EQ(item->Left(), 12);
    bar->SetBtnOffsetVert(4);
    EXPECT_EQ(item->Top(), 4);
    // A raised inner bevel raises the minimum, and the offsets with it.
    bar->SetBevelInner(bvRaised);
    bar->SetBevelWidth(2);
    EXPECT_EQ(bar->MinButtonsOffset(), 6);
    EXPECT_EQ(bar->BtnOffsetHorz(), 6);
    EXPECT_EQ(item->Left(), 14);
    // The button keeps clear of the top edge on a horizontal bar.
    item->SetTop(0);
    EXPECT_EQ(item->Top(), 6);
}

TEST_F(SpeedBarTest, ButtonSizeGrowsTheBarAndResizesButtons) {
    auto* item = Item(QStringLiteral("btAdd"));
    bar->SetBtnHeight(30);
    EXPECT_EQ(bar->Height(), 36);
    EXPECT_EQ(item->Button()->Height(), 30);
    bar->SetBtnWidth(25);
    EXPECT_EQ(bar->GridSize().X, 5);
    EXPECT_EQ(item->Button()->Width(), 25);
    bar->SetBtnHeight(10);
    EXPECT_EQ(bar->Height(), 36);  // never shrinks
}

TEST_F(SpeedBarTest, SideChangeTurnsButtonsAndOffsets) {
    auto* item = Item(QStringLiteral("btAdd"));
    bar->SetBtnOffsetHorz(4);
    bar->SetBtnOffsetVert(5);
    bar->SetAlign(alLeft);
    EXPECT_EQ(bar->Orientation(), boVertical);
    EXPECT_EQ(bar->BtnWidth(), 23);
    EXPECT_EQ(bar->BtnHeight(), 24);
    EXPECT_EQ(bar->BtnOffsetHorz(), 5);
    EXPECT_EQ(bar->BtnOffsetVert(), 4);
    EXPECT_EQ(bar->GridSize().X, 23);
    EXPECT_EQ(bar->GridSize().Y, 8);
    EXPECT_EQ(item->Button()->Width(), 23);
    EXPECT_EQ(item->Button()->Height(), 24);
    EXPECT_EQ(bar->Width(), 29);  // the old height
    EXPECT_EQ(bar->Height(), form->ClientHeight());
    bar->SetAlign(alRight);  // still vertical: nothing turns
    EXPECT_EQ(bar->BtnWidth(), 23);
    bar->SetAlign(alBottom);
    EXPECT_EQ(bar->BtnWidth(), 24);
    EXPECT_EQ(bar->BtnOffsetHorz(), 4);
}

TEST_F(SpeedBarTest, AutoPositionRefusesNoneAndClient) {
    try {
        bar->SetAlign(alNone);
        FAIL() << "no error";
    } catch (const ESpeedbarError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cannot set this property value while Position is bpAuto"));
    }
    EXPECT_THROW(bar->SetAlign(alClient), ESpeedbarError);
    EXPECT_EQ(bar->Align(), alTop);
    bar->SetPosition(bpCustom);
    bar->SetAlign(alNone);
    EXPECT_EQ(bar->Align(), alNone);
    EXPECT_EQ(bar->Orientation(), boHorizontal);
}

TEST_F(SpeedBarTest, SectionCaptionsAreUnique) {
    EXPECT_EQ(bar->AddSection(QStringLiteral("Untitled (0)")), 0);
    EXPECT_EQ(bar->AddSection(QStringLiteral("Untitled (0)")), 1);
    EXPECT_EQ(bar->Sections(1)->Caption(), QStringLiteral("Untitled (0) (1)"));
    bar->AddSection(QStringLiteral("Untitled (0)"));
    EXPECT_EQ(bar->Sections(2)->Caption(), QStringLiteral("Untitled (0) (2)"));
    try {
        bar->Sections(2)->SetCaption(QStringLiteral("Untitled (0)"));
        FAIL() << "no error";
    } catch (const ESpeedbarError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("String list does not allow duplicates"));
    }
    bar->Sections(2)->SetCaption(QStringLiteral("Otra"));
    EXPECT_EQ(bar->SearchSection(QStringLiteral("Otra")), 2);
    EXPECT_EQ(bar->SearchSection(QStringLiteral("otra")), -1);
    bar->Sections(2)->SetIndex(-4);
    EXPECT_EQ(bar->SearchSection(QStringLiteral("Otra")), 0);
}

TEST_F(SpeedBarTest, ItemsBelongToOneSection) {
    auto* a = Item(QStringLiteral("btAdd"));  // the first item makes a section
    ASSERT_EQ(bar->SectionCount(), 1);
    EXPECT_EQ(a->Section(), 0);
    EXPECT_EQ(a->SpeedBar(), bar);
    EXPECT_EQ(a->Button()->Parent(), bar);
    EXPECT_TRUE(a->Button()->Visible());
    bar->AddSection(QStringLiteral("Navegar"));
    auto* b = Item(QStringLiteral("btNext"), 7);  // clamped to the last section
    EXPECT_EQ(b->Section(), 1);
    bar->AddItem(0, b);
    EXPECT_EQ(b->Section(), 0);
    EXPECT_EQ(bar->ItemsCount(0), 2);
    EXPECT_EQ(bar->SearchItem(QStringLiteral("BTNEXT")), b);
    bar->RemoveItem(a);
    EXPECT_EQ(a->SpeedBar(), nullptr);
    EXPECT_EQ(a->Section(), -1);
    EXPECT_EQ(a->Button()->Parent(), nullptr);
    // Removing a section before it renumbers the items after it.
    auto* c = Item(QStringLiteral("btLast"), 1);
    bar->RemoveSection(0);
    EXPECT_EQ(c->Section(), 0);
    EXPECT_EQ(b->SpeedBar(), nullptr);
    // Deleting a section frees its items.
    const int components = form->ComponentCount();
    bar->DeleteSection(0);
    EXPECT_EQ(bar->SectionCount(), 0);
    EXPECT_EQ(form->ComponentCount(), components - 2);  // the section and btLast
    EXPECT_EQ(form->FindComponent(QStringLiteral("btLast")), nullptr);
}

TEST_F(SpeedBarTest, StoredItemsFindTheirSectionByName) {
    bar->AddSection(QStringLiteral("Untitled (0)"));
    bar->AddSection(QStringLiteral("Untitled (1)"));
    auto* named = new TSpeedItem(form.get());
    named->SetSectionName(QStringLiteral("Untitled (1)"));
    named->SetParentComponent(bar->Sections(0));
    EXPECT_EQ(named->Section(), 1);
    auto* unknown = new TSpeedItem(form.get());
    unknown->SetSectionName(QStringLiteral("Untitled (7)"));
    unknown->SetParentComponent(bar->Sections(1));
    EXPECT_EQ(unknown->Section(), 0);
    auto* byIndex = new TSpeedItem(form.get());
    byIndex->SetSectionIndex(1);
    byIndex->SetParentComponent(bar->Sections(0));
    EXPECT_EQ(byIndex->Section(), 1);
    EXPECT_EQ(byIndex->Button()->Width(), 24);
}

TEST_F(SpeedBarTest, CaptionKeepsTheHintInStep) {
    auto* item = Item(QStringLiteral("btAdd"));
    EXPECT_EQ(item->Caption(), QStringLiteral("btAdd"));  // the caption follows the name
    EXPECT_EQ(item->Hint(), QStringLiteral("btAdd|"));
    item->SetHint(QStringLiteral("btAdd|Añade un registro"));
    item->SetCaption(QStringLiteral("Añadir"));
    EXPECT_EQ(item->Hint(), QStringLiteral("Añadir|Añade un registro"));
    item->SetCaption(QStringLiteral("Nuevo|Crea un expediente"));
    EXPECT_EQ(item->Hint(), QStringLiteral("Nuevo|Crea un expediente"));
    item->SetCaption(QStringLiteral("Alta"));  // the old caption is not the hint's short part
    EXPECT_EQ(item->Hint(), QStringLiteral("Nuevo|Crea un expediente"));
    // A hint of its own is left alone.
    item->SetHint(QStringLiteral("Otro|largo"));
    item->SetCaption(QStringLiteral("Borrar"));
    EXPECT_EQ(item->Hint(), QStringLiteral("Otro|largo"));
    // Renamed while caption and name agree: the caption follows.
    auto* other = Item(QStringLiteral("btDel"));
    other->SetName(QStringLiteral("btBorrar"));
    EXPECT_EQ(other->Caption(), QStringLiteral("btBorrar"));
    other->SetCaption(QStringLiteral("Quitar"));
    other->SetName(QStringLiteral("btQuitar"));
    EXPECT_EQ(other->Caption(), QStringLiteral("Quitar"));
    // An item of no form always rewrites.
    TSpeedItem loose(nullptr);
    loose.SetHint(QStringLiteral("x|y"));
    loose.SetCaption(QStringLiteral("Ir"));
    EXPECT_EQ(loose.Hint(), QStringLiteral("Ir|y"));
    loose.SetCaption(QStringLiteral("Alta|"));
    EXPECT_EQ(loose.Hint(), QStringLiteral("Alta|y"));
    loose.SetHint(QStringLiteral("sin barra"));
    loose.SetCaption(QStringLiteral("Baja"));
    EXPECT_EQ(loose.Hint(), QStringLiteral("Baja|"));
}

TEST_F(SpeedBarTest, BarEnabledAndVisibleRuleTheButtons) {
    auto* a = Item(QStringLiteral("btAdd"));
    auto* b = Item(QStringLiteral("btDel"));
    b->SetEnabled(false);
    EXPECT_TRUE(a->Button()->Enabled());
    EXPECT_FALSE(b->Button()->Enabled());
    bar->SetEnabled(false);
    EXPECT_FALSE(a->Button()->Enabled());
    bar->SetEnabled(true);
    EXPECT_TRUE(a->Button()->Enabled());
    EXPECT_FALSE(b->Button()->Enabled());
    int visibleChanges = 0;
    bar->OnVisibleChanged = [&](TObject*) { ++visibleChanges; };
    bar->SetVisible(false);
    EXPECT_FALSE(a->Button()->Visible());
    EXPECT_TRUE(a->Visible());
    bar->SetVisible(true);
    EXPECT_TRUE(a->Button()->Visible());
    EXPECT_EQ(visibleChanges, 2);
    // Options reach every button.
    bar->SetOptions(sbFlatBtns | sbTransparentBtns);
    EXPECT_TRUE(a->Button()->Flat());
    EXPECT_TRUE(b->Button()->Transparent());
    EXPECT_FALSE(b->Button()->GrayedInactive());
}

TEST_F(SpeedBarTest, ItemsSnapToTheGrid) {
    auto* item = Item(QStringLiteral("btAdd"));
    item->SetLeft(15);
    item->SetTop(48);
    bar->SetBtnHeight(23);
    bar->AlignItemToGrid(item);
    EXPECT_EQ(item->Left(), 19);
    EXPECT_EQ(item->Top(), 26);
    bar->DropItem(item, 30, 5);
    EXPECT_EQ(item->Left(), 27);
    EXPECT_EQ(item->Top(), 3);
    EXPECT_TRUE(item->Visible());
    bar->DropItem(item, 30, 200);  // outside the bar: hidden
    EXPECT_FALSE(item->Visible());
}

TEST_F(SpeedBarTest, DraggedToTheRightEdgeDocksRight) {
    bar->SetOptions(sbAllowDrag | sbGrayedBtns);
    int moved = 0;
    bar->OnPosChanged = [&](TObject*) { ++moved; };
    form->Show();
    const int w = form->ClientWidth(), h = form->ClientHeight();
    DragTo(10, 10, QEvent::MouseButtonPress);
    DragTo(13, 12);  // within 4 pixels: not yet
    EXPECT_FALSE(bar->Dragging());
    DragTo(20, 12);
    ASSERT_TRUE(bar->Dragging());
    EXPECT_EQ(bar->DragFrame(), bar->BoundsRect());
    EXPECT_EQ(controls::visual::InvertFrameCount(form.get()), 1);
    DragTo(w - 1, h / 2);
    EXPECT_EQ(bar->DragFrame(), Rect(w - 29, 0, w, h));
    EXPECT_EQ(controls::visual::InvertFrameCount(form.get()), 1);
    DragTo(w - 1, h / 2, QEvent::MouseButtonRelease);
    EXPECT_FALSE(bar->Dragging());
    EXPECT_EQ(controls::visual::InvertFrameCount(form.get()), 0);
    EXPECT_EQ(bar->Align(), alRight);
    EXPECT_EQ(bar->Width(), 29);
    EXPECT_EQ(bar->Left(), w - 29);
    EXPECT_EQ(bar->BtnWidth(), 23);
    EXPECT_EQ(moved, 1);
}

TEST_F(SpeedBarTest, RefusedSideLeavesTheBarWhereItWas) {
    bar->OnApplyAlign = [](TObject*, TAlign align, bool& apply) { apply = align != alRight; };
    form->Show();
    const int w = form->ClientWidth(), h = form->ClientHeight();
    DragTo(10, 10, QEvent::MouseButtonPress);
    DragTo(30, 10);
    DragTo(w - 1, h / 2);
    EXPECT_EQ(bar->DragFrame(), bar->BoundsRect());  // the frame stays
    DragTo(w - 1, h / 2, QEvent::MouseButtonRelease);
    EXPECT_EQ(bar->Align(), alTop);
    // Without sbAllowDrag nothing moves.
    bar->OnApplyAlign = nullptr;
    bar->SetOptions(sbGrayedBtns);
    DragTo(10, 10, QEvent::MouseButtonPress);
    DragTo(5, h - 2);
    EXPECT_FALSE(bar->Dragging());
    DragTo(5, h - 2, QEvent::MouseButtonRelease);
    EXPECT_EQ(bar->Align(), alTop);
}

TEST_F(SpeedBarTest, FrameLeavesRoomForBarsAlreadyDocked) {
    auto* other = new TSpeedBar(form.get());
    other->SetParent(form.get());
    other->SetAlign(alBottom);
    form->Show();
    const int w = form->ClientWidth(), h = form->ClientHeight();
    DragTo(10, 10, QEvent::MouseButtonPress);
    DragTo(30, 10);
    DragTo(5, h / 2);
    EXPECT_EQ(bar->DragFrame(), Rect(0, 0, 29, h - 29));
    // The other bottom bar comes later in the form's order: this one would go below it.
    DragTo(w / 2, h - 1);
    EXPECT_EQ(bar->DragFrame(), Rect(0, h - 29, w, h));
    DragTo(w / 2, h - 1, QEvent::MouseButtonRelease);
    EXPECT_EQ(bar->Align(), alBottom);
    EXPECT_EQ(bar->Top(), h - 29);
    EXPECT_EQ(other->Top(), h - 58);
}

TEST_F(SpeedBarTest, WallpaperIsTiledInsideTheBevel) {
    bar->SetBounds(0, 0, 100, 29);
    TPicture paper;
    paper.Bitmap()->SetSize(16, 16);
    paper.Bitmap()->Canvas()->Brush()->SetColor(clRed);
    paper.Bitmap()->Canvas()->FillRect(Rect(0, 0, 16, 16));
    paper.Bitmap()->Canvas()->SetPixel(0, 0, clBlue);
    bar->SetWallpaper(&paper);
    form->Show();
    const QImage image = TFormHarness::Grab(bar);
    auto at = [&](int x, int y) { return platform::graphics::FromQRgb(image.pixel(x, y)); };
    EXPECT_EQ(at(0, 0), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(at(1, 1), clBlue);
    EXPECT_EQ(at(17, 17), clBlue);  // second row, second column
    EXPECT_EQ(at(97, 1), clBlue);   // the seventh column starts at 97
    EXPECT_EQ(at(98, 27), clRed);
    EXPECT_EQ(at(image.width() - 1, 28), ColorToRGB(clBtnShadow));
}

TEST_F(SpeedBarTest, BoundLinesTakeTwoPixels) {
    bar->SetBoundLines(blTop | blBottom);
    form->Show();
    const QImage image = TFormHarness::Grab(bar);
    auto at = [&](int x, int y) { return platform::graphics::FromQRgb(image.pixel(x, y)); };
    EXPECT_EQ(at(20, 0), ColorToRGB(clBtnShadow));
    EXPECT_EQ(at(20, 1), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(at(20, 27), ColorToRGB(clBtnShadow));
    EXPECT_EQ(at(20, 28), ColorToRGB(clBtnHighlight));
}

TEST_F(SpeedBarTest, ImageListGlyphsAreDrawn) {
    auto images = std::make_unique<TImageList>(16, 16);
    TBitmap picture;
    picture.SetSize(16, 16);
    picture.Canvas()->Brush()->SetColor(clGreen);
    picture.Canvas()->FillRect(Rect(0, 0, 16, 16));
    images->Add(&picture, nullptr);
    bar->SetImages(images.get());
    auto* item = Item(QStringLiteral("btAdd"));
    item->SetImageIndex(0);
    item->SetLeft(3);
    form->Show();
    const QImage image = TFormHarness::Grab(item->Button());
    EXPECT_EQ(platform::graphics::FromQRgb(image.pixel(12, 11)), clGreen);
    images.reset();  // the bar is told
    EXPECT_EQ(bar->Images(), nullptr);
}

// ------------------------------------------------------------------ layout persistence

class SpeedBarLayoutTest : public SpeedBarTest {
protected:
    void SetUp() override {
        SpeedBarTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        ini = std::make_unique<TIniFile>(dir.filePath(QStringLiteral("Zembra.ini")));
        a = Item(QStringLiteral("btAdd"));
        b = Item(QStringLiteral("btDel"));
        c = Item(QStringLiteral("btEdit"));
        hidden = Item(QStringLiteral("btHelp"));
        hidden->SetStored(false);
        a->SetLeft(3);
        b->SetLeft(27);
        c->SetLeft(51);
        hidden->SetLeft(75);
    }
    QString Section() const { return QStringLiteral("Bars\\TRecordFormSpeedBar1"); }
    QTemporaryDir dir;
    std::unique_ptr<TIniFile> ini;
    TSpeedItem *a = nullptr, *b = nullptr, *c = nullptr, *hidden = nullptr;
};

TEST_F(SpeedBarLayoutTest, SaveWritesTheKeysOfVisibleStoredItems) {
    EXPECT_EQ(bar->LayoutSection(QStringLiteral("Bars\\")), Section());
    ini->WriteString(Section(), QStringLiteral("Button9"), QStringLiteral("old"));
    bar->SaveLayout(ini.get(), QStringLiteral("Bars\\"));
    EXPECT_FALSE(ini->ValueExists(Section(), QStringLiteral("Button9")));
    EXPECT_EQ(ini->ReadInteger(Section(), QStringLiteral("Position"), -1), 1);
    EXPECT_EQ(ini->ReadInteger(Section(), QStringLiteral("Width"), -1), 29);
    EXPECT_EQ(ini->ReadInteger(Section(), QStringLiteral("Version"), -1), 0);
    EXPECT_EQ(ini->ReadInteger(Section(), QStringLiteral("BtnWidth"), -1), 24);
    EXPECT_EQ(ini->ReadInteger(Section(), QStringLiteral("Count"), -1), 3);
    EXPECT_EQ(ini->ReadString(Section(), QStringLiteral("Button1"), QString()), QStringLiteral("btAdd,3,3"));
    EXPECT_EQ(ini->ReadString(Section(), QStringLiteral("Button3"), QString()), QStringLiteral("btEdit,51,3"));
    EXPECT_FALSE(ini->ValueExists(Section(), QStringLiteral("Button4")));
    TStringList keys;
    ini->ReadSection(Section(), &keys);
    EXPECT_EQ(keys.Strings(0), QStringLiteral("Position"));
    EXPECT_EQ(keys.Strings(keys.Count() - 1), QStringLiteral("Count"));
}

TEST_F(SpeedBarLayoutTest, RestorePlacesNamedItemsAndHidesTheRest) {
    bar->SaveLayout(ini.get(), QStringLiteral("Bars\\"));
    ini->WriteString(Section(), QStringLiteral("Button2"), QStringLiteral("BTDEL,1,30"));
    ini->WriteString(Section(), QStringLiteral("Button3"), QStringLiteral("btNada,50,3"));
    b->SetVisible(false);
    bar->RestoreLayout(ini.get(), QStringLiteral("Bars\\"));
    EXPECT_TRUE(a->Visible());
    EXPECT_TRUE(b->Visible());
    EXPECT_EQ(b->Left(), 3);  // at least the offset
    EXPECT_EQ(b->Top(), 30);
    EXPECT_FALSE(c->Visible());       // named by no key that matches
    EXPECT_FALSE(hidden->Visible());  // never stored
}

TEST_F(SpeedBarLayoutTest, OtherDensityRestoresOnlyTheSide) {
    bar->SetAlign(alLeft);
    bar->SaveLayout(ini.get(), QStringLiteral(""));
    const QString section = QStringLiteral("TRecordFormSpeedBar1");
    ini->WriteInteger(section, QStringLiteral("PixelsPerInch"), Screen->PixelsPerInch() + 24);
    ini->WriteString(section, QStringLiteral("Button1"), QStringLiteral("btAdd,99,99"));
    bar->SetAlign(alTop);
    int moved = 0;
    bar->OnPosChanged = [&](TObject*) { ++moved; };
    bar->RestoreLayout(ini.get(), QString());
    EXPECT_EQ(bar->Align(), alLeft);
    EXPECT_EQ(moved, 1);
    EXPECT_NE(a->Top(), 99);
    EXPECT_TRUE(hidden->Visible());
}

TEST_F(SpeedBarLayoutTest, OlderVersionsAndBadValuesAreIgnored) {
    bar->SaveLayout(ini.get(), QString());
    const QString section = QStringLiteral("TRecordFormSpeedBar1");
    bar->SetVersion(1);
    ini->WriteString(section, QStringLiteral("Button1"), QStringLiteral("btAdd,99,99"));
    bar->RestoreLayout(ini.get(), QString());
    EXPECT_EQ(a->Left(), 3);
    bar->SetVersion(0);
    ini->WriteString(section, QStringLiteral("Position"), QStringLiteral("5"));  // alClient: refused
    ini->WriteString(section, QStringLiteral("Button1"), QStringLiteral("btAdd,x,40"));
    ini->WriteString(section, QStringLiteral("Count"), QStringLiteral("tres"));
    bar->SetAlign(alBottom);
    bar->RestoreLayout(ini.get(), QString());
    EXPECT_EQ(bar->Align(), alTop);
    EXPECT_TRUE(hidden->Visible());  // no count: the designed visibility stays
    ini->WriteString(section, QStringLiteral("Count"), QStringLiteral("1"));
    bar->RestoreLayout(ini.get(), QString());
    EXPECT_EQ(a->Left(), 3);  // not a number: kept
    EXPECT_EQ(a->Top(), 40);
    EXPECT_FALSE(b->Visible());
    // A damaged count does not stall the restore.
    ini->WriteString(section, QStringLiteral("Count"), QStringLiteral("2000000000"));
    bar->RestoreLayout(ini.get(), QString());
    EXPECT_TRUE(a->Visible());
    EXPECT_TRUE(c->Visible());  // its key from the first save is still there
    EXPECT_FALSE(hidden->Visible());
    // A nameless bar neither saves nor restores.
    TSpeedBar nameless(nullptr);
    nameless.SaveLayout(ini.get(), QString());
    EXPECT_FALSE(ini->SectionExists(QString()));
}

TEST_F(SpeedBarLayoutTest, ResizeIsRestoredWhenAllowed) {
    bar->SetHeight(40);
    bar->SaveLayout(ini.get(), QString());
    bar->SetHeight(29);
    bar->RestoreLayout(ini.get(), QString());
    EXPECT_EQ(bar->Height(), 29);
    bar->SetOptions(bar->Options() | sbAllowResize);
    bar->RestoreLayout(ini.get(), QString());
    EXPECT_EQ(bar->Height(), 40);
}

}  // namespace
