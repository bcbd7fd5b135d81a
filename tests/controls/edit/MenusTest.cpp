// Owner-drawn popup menu: when owner drawing switches on, item geometry, accelerators and drawing.
#include "controls/edit/ZbMenus.h"
#include "platform/forms/FormHarness.h"

#include <QPainter>
#include <gtest/gtest.h>

using platform::forms::TFormHarness;

namespace {

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(Application);
        menu = new TZbPopupMenu(form);
        for (const char* c : {"&Abrir", "&Archivar", "-", "&Borrar", "Cerrar"}) {
            auto* i = new TMenuItem(form);
            i->SetCaption(QString::fromUtf8(c));
            menu->Items()->Add(i);
            items.push_back(i);
        }
        items[3]->SetShortCut(ShortCut('B', ssCtrl));
    }
    void TearDown() override { delete form; }
    TFormHarness harness;
    TForm* form = nullptr;
    TZbPopupMenu* menu = nullptr;
    std::vector<TMenuItem*> items;
};

TEST_F(MenuTest, OwnerDrawingFollowsStyleAndImages) {
    EXPECT_FALSE(menu->IsOwnerDraw());
    menu->Popup(0, 0);
    EXPECT_FALSE(menu->ItemOwnerDrawn(items[0]));
    TImageList images(16, 16);
    menu->SetImages(&images);
    EXPECT_FALSE(menu->IsOwnerDraw());  // an empty list changes nothing
    TBitmap bmp;
    bmp.SetWidth(16);
    bmp.SetHeight(16);
    images.Add(&bmp, nullptr);
    EXPECT_TRUE(menu->IsOwnerDraw());
    EXPECT_TRUE(menu->ItemOwnerDrawn(items[0]));
    menu->SetImages(nullptr);
    EXPECT_FALSE(menu->ItemOwnerDrawn(items[0]));
    menu->SetStyle(msBtnRaised);
    EXPECT_TRUE(menu->ItemOwnerDrawn(items[4]));
    EXPECT_TRUE(menu->ItemFlags(items[2]) & MF_SEPARATOR);
    EXPECT_EQ(menu->ItemText(items[3]), "&Borrar\t\t" + ShortCutToText(ShortCut('B', ssCtrl)));
    menu->SetStyle(msStandard);
    EXPECT_FALSE(menu->ItemOwnerDrawn(items[4]));
}

TEST_F(MenuTest, PopupFiresOnPopupOnce) {
    int popups = 0;
    menu->OnPopup = [&](TObject*) { ++popups; };
    menu->Popup(10, 10);
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(menu->PopupCount(), 1);
}

TEST_F(MenuTest, SeparatorAndItemHeights) {
    menu->SetStyle(msOwnerDraw);
    int w = 0, h = 0;
    menu->WMMeasureItem(items[2], w, h);
    TBitmap b;
    b.SetWidth(1);
    b.SetHeight(1);
    platform::graphics::AssignSystemFont(b.Canvas()->Font(), platform::graphics::SystemFont::Menu);
    EXPECT_EQ(h, std::max(b.Canvas()->TextHeight("-") / 2, 9));
    menu->WMMeasureItem(items[0], w, h);
    EXPECT_EQ(h, std::max(TZbPopupMenu::MenuBarHeight() - 2, b.Canvas()->TextHeight("&Abrir")));
    TImageList images(24, 24);
    TBitmap img;
    img.SetWidth(24);
    img.SetHeight(24);
    images.Add(&img, nullptr);
    menu->SetImages(&images);
    menu->OnGetImageIndex = [](TMenu*, TMenuItem*, TMenuOwnerDrawState, int& index) { index = 0; };
    menu->WMMeasureItem(items[0], w, h);
    EXPECT_EQ(h, 28);
    menu->SetImages(nullptr);
}

TEST_F(MenuTest, LeftMarginWidensTopLevelItems) {
    menu->SetStyle(msOwnerDraw);
    int w0 = 0, h = 0;
    menu->WMMeasureItem(items[0], w0, h);
    menu->SetLeftMargin(20);
    int w1 = 0;
    menu->WMMeasureItem(items[0], w1, h);
    EXPECT_EQ(w1 - w0, 20);  // the extra pixel is there with no margin too
    menu->OnMeasureItem = [](TMenu*, TMenuItem*, int& width, int&) { width = 100; };
    menu->WMMeasureItem(items[0], w1, h);
    EXPECT_EQ(w1, 121);  // the handler's width, then the margin
}

TEST_F(MenuTest, CheckMarkColumnAndShortcutColumn) {
    menu->SetStyle(msOwnerDraw);
    int withChecks = 0, without = 0, h = 0;
    menu->WMMeasureItem(items[4], withChecks, h);
    menu->SetShowCheckMarks(false);
    menu->WMMeasureItem(items[4], without, h);
    EXPECT_EQ(withChecks - without, TZbPopupMenu::CheckMarkWidth());
    EXPECT_EQ(TZbPopupMenu::CheckOffset(), 4);
    // An item with a shortcut measures its columns over all its siblings.
    int wShort = 0;
    menu->WMMeasureItem(items[3], wShort, h);
    EXPECT_GT(wShort, without);
}

TEST_F(MenuTest, AcceleratorsExecuteSelectOrClose) {
    TMenuItem* root = menu->Items();
    TMenuCharResult r = TZbPopupMenu::MenuChar(root, QLatin1Char('b'), -1);
    EXPECT_EQ(r.Code, 2);
    EXPECT_EQ(r.Position, 3);
    r = TZbPopupMenu::MenuChar(root, QLatin1Char('a'), -1);  // two enabled items share "A"
    EXPECT_EQ(r.Code, 3);
    EXPECT_EQ(r.Position, 0);
    r = TZbPopupMenu::MenuChar(root, QLatin1Char('A'), 0);  // from the lit one to the next
    EXPECT_EQ(r.Code, 3);
    EXPECT_EQ(r.Position, 1);
    r = TZbPopupMenu::MenuChar(root, QLatin1Char('c'), -1);  // no accelerator: first letter
    EXPECT_EQ(r.Code, 2);
    EXPECT_EQ(r.Position, 4);
    items[3]->SetEnabled(false);
    r = TZbPopupMenu::MenuChar(root, QLatin1Char('b'), -1);
    EXPECT_EQ(r.Code, 1);
    items[4]->SetEnabled(false);
    r = TZbPopupMenu::MenuChar(root, QLatin1Char('c'), -1);
    EXPECT_EQ(r.Code, 1);
    r = TZbPopupMenu::MenuChar(root, QLatin1Char('z'), -1);
    EXPECT_EQ(r.Code, 0);
}

TEST_F(MenuTest, DrawsMarginSeparatorAndSelection) {
    menu->SetStyle(msOwnerDraw);
    menu->SetLeftMargin(20);
    TBitmap target;
    target.SetWidth(200);
    target.SetHeight(60);
    TCanvas* c = target.Canvas();
    c->Brush()->SetColor(clWhite);
    c->FillRect(Rect(0, 0, 200, 60));
    menu->WMDrawItem(c, items[0], Rect(0, 0, 200, 20), mdSelected, true);
    menu->WMDrawItem(c, items[2], Rect(0, 20, 200, 40), 0, true);
    EXPECT_EQ(c->Pixels(2, 0), clBlue);                               // gradient: blue at the top
    EXPECT_LT(GetBValue(c->Pixels(2, 19)), 0x60);                     // to navy at the bottom
    EXPECT_EQ(c->Pixels(19, 10), ColorToRGB(clBtnHighlight));         // margin's right edge
    EXPECT_EQ(c->Pixels(100, 2), ColorToRGB(clHighlight));            // selected background
    EXPECT_EQ(c->Pixels(100, 29), ColorToRGB(clBtnShadow));           // separator: (20+40)/2-1
    EXPECT_EQ(c->Pixels(100, 30), ColorToRGB(clBtnHighlight));
}

}  // namespace
