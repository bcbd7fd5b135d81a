#include "controls/visual/DualList.h"
#include "controls/visual/FDualLst.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/Forms.h"

#include <QCoreApplication>
#include <QListWidget>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <set>

using platform::forms::TFormHarness;

namespace {

QStringList Texts(TStrings* list) {
    QStringList out;
    for (int i = 0; i < list->Count(); ++i) out << list->Strings(i);
    return out;
}

class DualListTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(static_cast<TApplication*>(Application), nullptr);
        dialog.List1()->AddObject(QStringLiteral("Nombre"), &nombre);
        dialog.List1()->AddObject(QStringLiteral("Dirección"), &direccion);
        dialog.List1()->AddObject(QStringLiteral("Población"), &poblacion);
        dialog.List2()->AddObject(QStringLiteral("Teléfono"), &telefono);
    }
    TFormHarness harness;
    TDualListDialog dialog{nullptr};
    TObject nombre, direccion, poblacion, telefono;
};

}  // namespace

TEST_F(DualListTest, OkWritesBothListsBackWithTheirObjects) {
    harness.AnswerModal([](TCustomForm& f) {
        auto& form = dynamic_cast<TDualListForm&>(f);
        form.SrcList->SetSelected(form.SrcList->Items()->IndexOf(QStringLiteral("Dirección")), true);
        form.IncBtn->Click();
        form.OkBtn->Click();
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(Texts(dialog.List1()), (QStringList{QStringLiteral("Nombre"), QStringLiteral("Población")}));
    EXPECT_EQ(Texts(dialog.List2()), (QStringList{QStringLiteral("Teléfono"), QStringLiteral("Dirección")}));
    EXPECT_EQ(dialog.List2()->Objects(1), &direccion);
    EXPECT_EQ(dialog.List1()->Objects(1), &poblacion);
}

TEST_F(DualListTest, CancelLeavesBothListsAsTheyWere) {
    harness.AnswerModal([](TCustomForm& f) {
        auto& form = dynamic_cast<TDualListForm&>(f);
        form.IncAllBtn->Click();
        EXPECT_EQ(form.SrcList->Items()->Count(), 0);
        form.CancelBtn->Click();
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.List1()->Count(), 3);
    EXPECT_EQ(dialog.List2()->Count(), 1);
    EXPECT_EQ(dialog.List1()->Objects(0), &nombre);
}

TEST_F(DualListTest, TheDialogTakesTheComponentsSettings) {
    dialog.SetTitle(QStringLiteral("Campos a exportar"));
    dialog.SetLabel1Caption(QStringLiteral("&Disponibles"));
    dialog.SetShowHelp(false);
    dialog.SetSorted(true);
    harness.AnswerModal([](TCustomForm& f) {
        auto& form = dynamic_cast<TDualListForm&>(f);
        EXPECT_EQ(form.Caption(), QStringLiteral("Campos a exportar"));
        EXPECT_EQ(form.SrcLabel->Caption(), QStringLiteral("&Disponibles"));
        EXPECT_EQ(form.DstLabel->Caption(), QStringLiteral("&Приемник"));
        EXPECT_EQ(form.OkBtn->Caption(), QStringLiteral("OK"));
        EXPECT_FALSE(form.HelpBtn->Visible());
        EXPECT_EQ(form.CancelBtn->Left(), form.Width() - form.CancelBtn->Width() - 16);
        EXPECT_EQ(form.OkBtn->Left(), form.CancelBtn->Left() - form.OkBtn->Width() - 8);
        EXPECT_EQ(Texts(form.SrcList->Items()),
                  (QStringList{QStringLiteral("Dirección"), QStringLiteral("Nombre"), QStringLiteral("Población")}));
        form.SetModalResult(mrCancel);
    });
    dialog.Execute();
    EXPECT_EQ(harness.ModalForms().size(), 1u);
}

TEST(DualListFormTest, ButtonsFollowTheListsAndMovesKeepSortOrder) {
    TFormHarness harness;
    TDualListForm form(nullptr);
    form.ListClick(nullptr);
    for (TButton* b : {form.IncBtn, form.IncAllBtn, form.ExclBtn, form.ExclAllBtn}) EXPECT_FALSE(b->Enabled());

    for (const char* s : {"Alfa", "Bravo", "Charlie", "Delta", "Eco"}) form.SrcList->Items()->Add(QString::fromUtf8(s));
    form.DstList->Items()->Add(QStringLiteral("Beta"));
    form.ListClick(nullptr);
    EXPECT_FALSE(form.IncBtn->Enabled());  // nothing selected
    EXPECT_TRUE(form.IncAllBtn->Enabled());
    EXPECT_TRUE(form.ExclAllBtn->Enabled());

    for (int i : {1, 2, 4}) form.SrcList->SetSelected(i, true);
    form.ListClick(nullptr);
    EXPECT_TRUE(form.IncBtn->Enabled());
    form.IncBtn->Click();
    EXPECT_EQ(Texts(form.SrcList->Items()), (QStringList{QStringLiteral("Alfa"), QStringLiteral("Delta")}));
    EXPECT_EQ(Texts(form.DstList->Items()), (QStringList{QStringLiteral("Beta"), QStringLiteral("Bravo"),
                                                         QStringLiteral("Charlie"), QStringLiteral("Eco")}));
    // The item that took the first moved one's place is selected.
    EXPECT_TRUE(form.SrcList->Selected(1));

    form.ExclAllBtn->Click();
    EXPECT_EQ(form.DstList->Items()->Count(), 0);
    EXPECT_EQ(form.SrcList->Items()->Count(), 6);
    EXPECT_FALSE(form.ExclBtn->Enabled());
    EXPECT_FALSE(form.ExclAllBtn->Enabled());
}

TEST(DualListFormTest, CtrlArrowsReorderAnUnsortedListOnly) {
    TFormHarness harness;
    TDualListForm form(nullptr);
    form.SrcList->SetSorted(false);
    for (const char* s : {"uno", "dos", "tres"}) form.SrcList->Items()->Add(QString::fromUtf8(s));
    form.SrcList->SetItemIndex(0);
    quint16 key = VK_UP;
    form.SrcListKeyDown(form.SrcList, key, ssCtrl);
    EXPECT_EQ(key, 0);  // consumed, though there is nowhere to go
    EXPECT_EQ(Texts(form.SrcList->Items()), (QStringList{QStringLiteral("uno"), QStringLiteral("dos"), QStringLiteral("tres")}));
    key = VK_DOWN;
    form.SrcListKeyDown(form.SrcList, key, ssCtrl);
    EXPECT_EQ(Texts(form.SrcList->Items()), (QStringList{QStringLiteral("dos"), QStringLiteral("uno"), QStringLiteral("tres")}));
    EXPECT_EQ(form.SrcList->ItemIndex(), 1);

    form.DstList->Items()->Add(QStringLiteral("b"));
    form.DstList->Items()->Add(QStringLiteral("a"));
    form.DstList->SetItemIndex(0);
    key = VK_DOWN;
    form.DstListKeyDown(form.DstList, key, ssCtrl);
    EXPECT_EQ(key, VK_DOWN);  // sorted: the key is left to the list
    EXPECT_EQ(Texts(form.DstList->Items()), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
}

TEST(DualListFormTest, DraggingWithinASortedListIsRefusedAndBetweenListsMoves) {
    TFormHarness harness;
    TDualListForm form(nullptr);
    form.SrcList->Items()->Add(QStringLiteral("Alfa"));
    form.SrcList->Items()->Add(QStringLiteral("Bravo"));
    bool accept = true;
    form.SrcListDragOver(form.SrcList, form.SrcList, 5, 5, dsDragMove, accept);
    EXPECT_FALSE(accept);
    form.DstListDragOver(form.DstList, form.SrcList, 5, 5, dsDragEnter, accept);
    EXPECT_TRUE(accept);
    TButton notAList(nullptr);
    form.DstListDragOver(form.DstList, &notAList, 5, 5, dsDragEnter, accept);
    EXPECT_FALSE(accept);

    form.SrcList->SetSelected(1, true);
    form.DstListDragDrop(form.DstList, form.SrcList, 5, 5);
    EXPECT_EQ(Texts(form.DstList->Items()), (QStringList{QStringLiteral("Bravo")}));
    EXPECT_EQ(Texts(form.SrcList->Items()), (QStringList{QStringLiteral("Alfa")}));
}

TEST(DualListFormTest, EqualTextsInSortedListsStayTwoItemsWithTheirObjects) {
    TFormHarness harness;
    TDualListForm form(nullptr);
    TObject first, second;
    form.SrcList->Items()->AddObject(QStringLiteral("García"), &first);
    form.SrcList->Items()->AddObject(QStringLiteral("García"), &second);
    ASSERT_EQ(form.SrcList->Items()->Count(), 2);
    form.IncAllBtnClick(nullptr);
    ASSERT_EQ(form.DstList->Items()->Count(), 2);
    std::set<TObject*> objects{form.DstList->Items()->Objects(0), form.DstList->Items()->Objects(1)};
    EXPECT_EQ(objects, (std::set<TObject*>{&first, &second}));
}

namespace {
// The pointer on a list's items: events of its view, at the screen point of an item.
void ListMouse(TTextListBox* list, QEvent::Type type, QPoint screen, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWidget* view = list->ListWidget()->viewport();
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(view->mapFromGlobal(screen)), QPointF(screen), button, held, mods);
    QCoreApplication::sendEvent(view, &e);
}
QPoint ItemScreenPoint(TTextListBox* list, int index) {
    const TRect r = list->ItemRect(index);
    return list->Widget()->mapToGlobal(QPoint(r.Left + 10, (r.Top + r.Bottom) / 2));
}

// Three source items shown, the first and the last selected.
class DualListDragTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* t : {"Alfa", "Bravo", "Charlie"}) form.SrcList->Items()->Add(QString::fromUtf8(t));
        form.Show();
        form.SrcList->SetSelected(0, true);
        form.SrcList->SetSelected(2, true);
    }
    TFormHarness harness;
    TDualListForm form{nullptr};
};
}  // namespace

TEST_F(DualListDragTest, DraggingTheSelectionOntoTheOtherListMovesIt) {
    // A press on the selection keeps it, ready to be dragged.
    const QPoint start = ItemScreenPoint(form.SrcList, 2);
    ListMouse(form.SrcList, QEvent::MouseButtonPress, start);
    EXPECT_EQ(form.SrcList->SelCount(), 2);
    EXPECT_TRUE(form.SrcList->Dragging());
    ListMouse(form.SrcList, QEvent::MouseMove, start + QPoint(3, 0));
    const QPoint drop = form.DstList->Widget()->mapToGlobal(QPoint(30, 30));
    ListMouse(form.SrcList, QEvent::MouseMove, drop);
    // Several items dragged show the cursor of several.
    EXPECT_EQ(form.SrcDragCursor(), crMultiDrag);
    ListMouse(form.SrcList, QEvent::MouseButtonRelease, drop);
    EXPECT_EQ(Texts(form.DstList->Items()), (QStringList{QStringLiteral("Alfa"), QStringLiteral("Charlie")}));
    EXPECT_EQ(Texts(form.SrcList->Items()), (QStringList{QStringLiteral("Bravo")}));
}

TEST_F(DualListDragTest, APressOnTheSelectionThatNeverMovesSelectsThatItemAlone) {
    const QPoint at = ItemScreenPoint(form.SrcList, 2);
    ListMouse(form.SrcList, QEvent::MouseButtonPress, at);
    ListMouse(form.SrcList, QEvent::MouseButtonRelease, at);
    EXPECT_FALSE(form.SrcList->Dragging());
    EXPECT_EQ(form.SrcList->SelCount(), 1);
    EXPECT_TRUE(form.SrcList->Selected(2));
    // Ctrl and Shift presses extend the selection and start no drag.
    ListMouse(form.SrcList, QEvent::MouseButtonPress, ItemScreenPoint(form.SrcList, 0), Qt::ShiftModifier);
    EXPECT_FALSE(form.SrcList->Dragging());
    ListMouse(form.SrcList, QEvent::MouseButtonRelease, ItemScreenPoint(form.SrcList, 0), Qt::ShiftModifier);
    EXPECT_EQ(form.SrcList->SelCount(), 3);
}

// A double click on an item moves it to the other list, though each of its presses readies a drag.
TEST_F(DualListDragTest, ADoubleClickOnAnItemMovesIt) {
    const QPoint at = ItemScreenPoint(form.SrcList, 1);
    for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonPress,
                           QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease})
        ListMouse(form.SrcList, t, at);
    EXPECT_FALSE(form.SrcList->Dragging());
    EXPECT_EQ(Texts(form.DstList->Items()), (QStringList{QStringLiteral("Bravo")}));
    EXPECT_EQ(Texts(form.SrcList->Items()), (QStringList{QStringLiteral("Alfa"), QStringLiteral("Charlie")}));
    // Without the toolkit's own double-click event, as the window system gives it through the drag.
    const QPoint otro = ItemScreenPoint(form.SrcList, 0);
    for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonPress,
                           QEvent::MouseButtonRelease})
        ListMouse(form.SrcList, t, otro);
    EXPECT_EQ(Texts(form.DstList->Items()), (QStringList{QStringLiteral("Alfa"), QStringLiteral("Bravo")}));
}
