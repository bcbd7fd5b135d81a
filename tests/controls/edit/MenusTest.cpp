// Owner-drawn popup menu: when owner drawing switches on, item geometry, accelerators and drawing.
#include "controls/edit/ZbMenus.h"
#include "controls/visual/HelpRouter.h"
#include "platform/forms/FormHarness.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
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

namespace {
// The menu as the user sees it open: the Qt menu of its items.
struct TOpenMenu {
    explicit TOpenMenu(TMenu* owner) {
        owner->Items()->FillQtMenu(&qmenu);
        qmenu.popup(QPoint(10, 10));
    }
    ~TOpenMenu() { qmenu.close(); }
    QAction* ActionOf(TMenuItem* item) {
        for (QAction* a : qmenu.actions())
            if (a->data().isValid() && a->data().toInt() == item->Command()) return a;
        return nullptr;
    }
    void Press(int key, const QString& text = QString()) {
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(&qmenu, &e);
    }
    QMenu qmenu;
};
}  // namespace

TEST_F(MenuTest, TheHighlightedItemsHintIsTheApplicationsUntilTheMenuCloses) {
    items[0]->SetHint(QStringLiteral("Abre el expediente"));
    items[3]->SetHint(QStringLiteral("Borra la ficha"));
    // A standard menu of the platform does the same.
    TPopupMenu plain(form);
    auto* other = new TMenuItem(form);
    other->SetCaption(QStringLiteral("Otro"));
    other->SetHint(QStringLiteral("Otra cosa"));
    plain.Items()->Add(other);
    {
        TOpenMenu open(menu);
        open.qmenu.setActiveAction(open.ActionOf(items[0]));
        EXPECT_EQ(Application->Hint(), QStringLiteral("Abre el expediente"));
        open.qmenu.setActiveAction(open.ActionOf(items[3]));
        EXPECT_EQ(Application->Hint(), QStringLiteral("Borra la ficha"));
        open.qmenu.close();
        EXPECT_EQ(Application->Hint(), QString());
    }
    TOpenMenu open(&plain);
    open.qmenu.setActiveAction(open.ActionOf(other));
    EXPECT_EQ(Application->Hint(), QStringLiteral("Otra cosa"));
}

TEST_F(MenuTest, KeysOfAnOpenMenuFollowTheMenuCharacterRule) {
    int runs = 0;
    items[3]->OnClick = [&](TObject*) { ++runs; };
    {
        TOpenMenu open(menu);
        // "a" is the accelerator of two items: the first is selected, then the next.
        open.Press(Qt::Key_A, QStringLiteral("a"));
        EXPECT_EQ(open.qmenu.activeAction(), open.ActionOf(items[0]));
        open.Press(Qt::Key_A, QStringLiteral("a"));
        EXPECT_EQ(open.qmenu.activeAction(), open.ActionOf(items[1]));
        EXPECT_TRUE(open.qmenu.isVisible());
        // "b" is one item's own accelerator: it runs at once and the menu closes.
        open.Press(Qt::Key_B, QStringLiteral("b"));
        EXPECT_EQ(runs, 1);
        EXPECT_FALSE(open.qmenu.isVisible());
    }
    items[4]->SetEnabled(false);
    TOpenMenu open(menu);
    // A key that matches only a disabled item closes the menu.
    open.Press(Qt::Key_C, QStringLiteral("c"));
    EXPECT_FALSE(open.qmenu.isVisible());
}

TEST_F(MenuTest, HelpOnTheHighlightedItemReachesTheApplication) {
    std::vector<std::pair<quint16, qint64>> requests;
    const THelpEvent saved = Application->OnHelp;
    Application->OnHelp = [&](quint16 command, qint64 data, bool&, bool& result) {
        requests.emplace_back(command, data);
        result = true;
    };
    items[0]->SetHelpContext(120);
    form->Show();
    Screen->SetActiveForm(form);
    {
        TOpenMenu open(menu);
        open.Press(Qt::Key_F1);  // nothing highlighted: no request
        open.qmenu.setActiveAction(open.ActionOf(items[0]));
        open.Press(Qt::Key_F1);
    }
    // A form with a help button asks for the item's help in a popup.
    form->SetBorderIcons(biSystemMenu | biHelp);
    Screen->SetActiveForm(form);
    {
        TOpenMenu open(menu);
        open.qmenu.setActiveAction(open.ActionOf(items[0]));
        open.Press(Qt::Key_F1);
    }
    Application->OnHelp = saved;
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], (std::pair<quint16, qint64>{HELP_CONTEXT, 120}));
    EXPECT_EQ(requests[1], (std::pair<quint16, qint64>{HELP_CONTEXTPOPUP, 120}));
}
