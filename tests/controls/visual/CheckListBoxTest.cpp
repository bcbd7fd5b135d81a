#include "controls/visual/ListBoxHelpers.h"
#include "controls/visual/ZBCtrls_lists.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/Forms.h"

#include <QListWidget>

#include <gtest/gtest.h>

using platform::forms::TFormHarness;

namespace {

class CheckListBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 300, 250);
        list = new TZbCheckListBox(form.get());
        list->SetName(QStringLiteral("Tipos"));
        list->SetParent(form.get());
        list->SetBounds(10, 10, 200, 150);
        for (const char* item : {"Expedientes", "Consultas", "Particulares"})
            list->Items()->Add(QString::fromUtf8(item));
        list->OnClickCheck = TNotifyEvent([this](TObject*) { ++clicks; });
        list->OnStateChange = TChangeStateEvent([this](TObject*, int index) { changed.push_back(index); });
    }
    // A point of item `index` at `dx` pixels from its left edge, in the list's coordinates.
    QPoint ItemPoint(int index, int dx) {
        const QRect r = list->ListWidget()->visualItemRect(list->ListWidget()->item(index));
        const QPoint vp = list->ListWidget()->viewport()->pos();
        return QPoint(vp.x() + r.left() + dx, vp.y() + r.center().y());
    }
    TFormHarness harness;
    std::unique_ptr<TForm> form;
    TZbCheckListBox* list = nullptr;
    int clicks = 0;
    std::vector<int> changed;
};

}  // namespace

TEST_F(CheckListBoxTest, ClicksCycleThroughGrayedWhenAllowedAndSkipDisabledItems) {
    list->SetAllowGrayed(true);
    std::vector<TCheckBoxState> seen;
    for (int i = 0; i < 3; ++i) {
        list->ToggleClickCheck(1);
        seen.push_back(list->State(1));
    }
    EXPECT_EQ(seen, (std::vector<TCheckBoxState>{cbGrayed, cbChecked, cbUnchecked}));
    EXPECT_EQ(clicks, 3);
    EXPECT_EQ(changed, (std::vector<int>{1, 1, 1}));

    list->SetItemEnabled(2, false);
    list->ToggleClickCheck(2);
    EXPECT_EQ(list->State(2), cbUnchecked);
    EXPECT_EQ(clicks, 3);
    list->ToggleClickCheck(7);  // past the end: nothing
    EXPECT_EQ(clicks, 3);

    list->SetAllowGrayed(false);
    list->ToggleClickCheck(0);
    EXPECT_EQ(list->State(0), cbChecked);
}

TEST_F(CheckListBoxTest, SpacePlusAndMinusWorkTheChecks) {
    form->Show();
    TFormHarness::Focus(list);
    list->SetItemIndex(1);
    TFormHarness::PressKey(list, VK_SPACE);
    EXPECT_EQ(list->State(1), cbChecked);
    EXPECT_EQ(clicks, 1);

    list->SetItemEnabled(0, false);
    TFormHarness::Type(list, QStringLiteral("+"));
    EXPECT_EQ(list->State(0), cbUnchecked);  // disabled items keep their state
    EXPECT_EQ(list->State(2), cbChecked);
    TFormHarness::Type(list, QStringLiteral("-"));
    EXPECT_EQ(list->State(1), cbUnchecked);
    EXPECT_EQ(list->State(2), cbUnchecked);
    EXPECT_EQ(clicks, 3);
}

TEST_F(CheckListBoxTest, APressOnTheCheckTogglesAndOnePixelRightOnlySelects) {
    form->Show();
    TFormHarness::ProcessEvents();
    const QPoint onCheck = ItemPoint(1, 3);
    TFormHarness::ClickAt(list, onCheck.x(), onCheck.y());
    EXPECT_EQ(list->State(1), cbChecked);

    const QPoint pastCheck = ItemPoint(2, list->CheckWidth() + 1);
    TFormHarness::ClickAt(list, pastCheck.x(), pastCheck.y());
    EXPECT_EQ(list->State(2), cbUnchecked);
    EXPECT_EQ(list->ItemIndex(), 2);
}

TEST_F(CheckListBoxTest, RadioButtonsKeepExactlyOneItemOn) {
    list->SetCheckKind(ckRadioButtons);
    EXPECT_EQ(list->CheckedIndex(), 0);  // none was checked: the first one
    list->ToggleClickCheck(0);
    EXPECT_EQ(list->State(0), cbChecked);  // the checked item cannot be switched off
    list->SetChecked(2, true);
    EXPECT_EQ(list->CheckedIndex(), 2);
    EXPECT_EQ(list->State(0), cbUnchecked);

    clicks = 0;
    list->SetItemIndex(1);
    QChar plus(QLatin1Char('+'));
    list->KeyPress(plus);
    EXPECT_EQ(list->CheckedIndex(), 2);  // "+" changes nothing here
    EXPECT_EQ(clicks, 1);                // but is still reported
    EXPECT_FALSE(list->AllowGrayed());
    list->SetAllowGrayed(true);
    EXPECT_FALSE(list->AllowGrayed());
}

TEST_F(CheckListBoxTest, ObjectsStatesAndFlagsTravelWithTheirItems) {
    TObject a, b;
    list->Items()->PutObject(0, &a);
    list->Items()->AddObject(QStringLiteral("Señalamientos"), &b);
    list->SetState(0, cbGrayed);
    list->SetItemEnabled(3, false);
    list->Items()->Exchange(0, 3);
    EXPECT_EQ(list->Items()->Strings(0), QStringLiteral("Señalamientos"));
    EXPECT_EQ(list->Items()->Objects(0), &b);
    EXPECT_FALSE(list->ItemEnabled(0));
    EXPECT_EQ(list->Items()->Objects(3), &a);
    EXPECT_EQ(list->State(3), cbGrayed);

    list->Items()->Move(3, 1);
    EXPECT_EQ(list->Items()->Objects(1), &a);
    EXPECT_EQ(list->State(1), cbGrayed);

    // Another check list takes texts, objects, states and flags.
    auto* copy = new TZbCheckListBox(form.get());
    copy->SetParent(form.get());
    copy->SetItems(list->Items());
    ASSERT_EQ(copy->Items()->Count(), 4);
    EXPECT_EQ(copy->Items()->Objects(1), &a);
    EXPECT_EQ(copy->State(1), cbGrayed);
    EXPECT_FALSE(copy->ItemEnabled(0));

    list->Items()->Delete(1);
    EXPECT_EQ(list->Items()->Count(), 3);
    list->Clear();
    EXPECT_EQ(list->Items()->Count(), 0);
}

TEST_F(CheckListBoxTest, TheFirstItemMovesWithItsStateFlagAndObject) {
    auto texts = [this] {
        QStringList out;
        for (int i = 0; i < list->Items()->Count(); ++i) out << list->Items()->Strings(i);
        return out;
    };
    TObject a;
    list->Items()->PutObject(0, &a);
    list->SetState(0, cbChecked);
    list->SetItemEnabled(0, false);
    list->Items()->Move(0, 2);
    EXPECT_EQ(texts(), (QStringList{QStringLiteral("Consultas"), QStringLiteral("Particulares"), QStringLiteral("Expedientes")}));
    EXPECT_EQ(list->Items()->Objects(2), &a);
    EXPECT_EQ(list->State(2), cbChecked);
    EXPECT_FALSE(list->ItemEnabled(2));
    EXPECT_EQ(list->State(0), cbUnchecked);
    EXPECT_TRUE(list->ItemEnabled(0));
    EXPECT_EQ(list->Items()->Objects(0), nullptr);
    list->Items()->Move(2, 0);
    EXPECT_EQ(list->Items()->Strings(0), QStringLiteral("Expedientes"));
    EXPECT_EQ(list->State(0), cbChecked);
    EXPECT_EQ(list->Items()->Objects(0), &a);

    // The focused first item moved by the helpers takes the selection with it.
    list->SetItemIndex(0);
    BoxMoveFocusedItem(list, 1);
    EXPECT_EQ(list->Items()->Strings(1), QStringLiteral("Expedientes"));
    EXPECT_EQ(list->State(1), cbChecked);
    EXPECT_EQ(list->ItemIndex(), 1);
    BoxMoveFocusedItem(list, 0);
    EXPECT_EQ(list->Items()->Strings(0), QStringLiteral("Expedientes"));
    EXPECT_EQ(list->ItemIndex(), 0);
    // Dragging another item onto the first one marks it and is accepted.
    list->SetItemIndex(2);
    const QPoint p = ItemPoint(0, 30);
    EXPECT_TRUE(BoxDragOver(list, list, p.x(), p.y(), dsDragMove, false));
    EXPECT_EQ(list->Tag(), 1);
}

TEST_F(CheckListBoxTest, MovingTheSelectedFirstItemToAnotherListSelectsTheNextOne) {
    auto* other = new TZbCheckListBox(form.get());
    other->SetParent(form.get());
    other->SetBounds(10, 170, 200, 60);
    list->Items()->Add(QStringLiteral("Señalamientos"));
    list->SetMultiSelect(true);
    list->SetState(0, cbChecked);
    list->SetSelected(0, true);
    list->SetSelected(2, true);
    BoxMoveSelectedItems(list, other);
    ASSERT_EQ(other->Items()->Count(), 2);
    EXPECT_EQ(other->Items()->Strings(0), QStringLiteral("Expedientes"));
    EXPECT_EQ(other->State(0), cbChecked);
    EXPECT_EQ(other->Items()->Strings(1), QStringLiteral("Particulares"));
    ASSERT_EQ(list->Items()->Count(), 2);
    EXPECT_EQ(list->Items()->Strings(0), QStringLiteral("Consultas"));
    EXPECT_TRUE(list->Selected(0));  // the place of the first item moved
    EXPECT_FALSE(list->Selected(1));
    EXPECT_EQ(list->State(0), cbUnchecked);
}

TEST_F(CheckListBoxTest, IndexesOutsideTheListRaise) {
    try {
        (void)list->Items()->Strings(5);
        FAIL() << "no error";
    } catch (const EStringListError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("List index out of bounds: 5"));
    }
    EXPECT_THROW(list->SetState(-1, cbChecked), EStringListError);
    EXPECT_THROW(list->Items()->Insert(9, QStringLiteral("x")), EOutOfResources);
}

TEST_F(CheckListBoxTest, SelectionOutsideTheListRaisesTheStringListsError) {
    for (int index : {3, -1}) {
        try {
            (void)list->Selected(index);
            FAIL() << "no error for " << index;
        } catch (const EStringListError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("List index out of bounds: %1").arg(index));
        }
        EXPECT_THROW(list->SetSelected(index, true), EStringListError);
    }
    list->SetTabWidth(-8);
    EXPECT_EQ(list->TabWidth(), 0);
}

TEST_F(CheckListBoxTest, ItemAtPosAndItemRectAtTheEdges) {
    form->Show();
    const TRect first = list->ItemRect(0), last = list->ItemRect(2);
    EXPECT_GT(first.Bottom, first.Top);
    // Right below the last item: the next item's place.
    const TRect next = list->ItemRect(3);
    EXPECT_EQ(next.Top, last.Bottom);
    EXPECT_EQ(next.Bottom - next.Top, last.Bottom - last.Top);
    EXPECT_EQ(next.Left, last.Left);
    EXPECT_EQ(list->ItemRect(4).Width(), 0);
    EXPECT_EQ(list->ItemRect(-1).Width(), 0);
    const QPoint on = ItemPoint(0, 30);
    EXPECT_EQ(list->ItemAtPos(Point(on.x(), on.y()), true), 0);
    // Inside the list below its items: none, or the count.
    const QPoint below = ItemPoint(2, 30) + QPoint(0, 2 * (last.Bottom - last.Top));
    EXPECT_EQ(list->ItemAtPos(Point(below.x(), below.y()), true), -1);
    EXPECT_EQ(list->ItemAtPos(Point(below.x(), below.y()), false), 3);
    // Outside the client area: no item at all.
    EXPECT_EQ(list->ItemAtPos(Point(-5, on.y()), false), -1);
    EXPECT_EQ(list->ItemAtPos(Point(on.x(), list->Height() + 10), false), -1);
    EXPECT_EQ(BoxItemAtPos(list, Point(-5, on.y()), false), -1);
    EXPECT_EQ(BoxItemRect(list, 3).Top, last.Bottom);
    list->Clear();
    EXPECT_EQ(list->ItemRect(0).Bottom, list->ItemHeight());
}

TEST(TextListBoxTest, TheHorizontalRangeFollowsTheWidestItem) {
    TFormHarness harness;
    TForm form(nullptr);
    auto* list = new TTextListBox(&form);
    list->SetParent(&form);
    list->Items()->Add(QStringLiteral("corto"));
    list->Items()->Add(QStringLiteral("un texto bastante más largo que los demás"));
    list->Items()->Add(QStringLiteral("mediano, algo más"));
    const int widest = list->ScrollWidth();
    list->Items()->Delete(0);  // a narrower item: the range stays
    EXPECT_EQ(list->ScrollWidth(), widest);
    list->Items()->Delete(0);  // the widest: the range shrinks to the next one
    EXPECT_LT(list->ScrollWidth(), widest);
    EXPECT_GT(list->ScrollWidth(), 0);
    // Lines inserted and rewritten one at a time give the range a list made with them at once has.
    list->Items()->Insert(0, QStringLiteral("otro texto bastante más largo que los demás, y aún más"));
    list->Items()->SetString(1, QStringLiteral("x"));
    list->Items()->Insert(2, QStringLiteral("medio"));
    auto* fresh = new TTextListBox(&form);
    fresh->SetParent(&form);
    fresh->Items()->Assign(list->Items());
    EXPECT_EQ(list->ScrollWidth(), fresh->ScrollWidth());
    EXPECT_GT(list->ScrollWidth(), widest);
    list->Items()->Delete(0);
    fresh->Items()->Delete(0);
    EXPECT_EQ(list->ScrollWidth(), fresh->ScrollWidth());
    list->Items()->Clear();
    EXPECT_EQ(list->ScrollWidth(), 0);
}

TEST_F(CheckListBoxTest, TheFormDescriptionKeepsTextsStatesAndFlags) {
    list->SetState(1, cbGrayed);
    list->SetItemEnabled(2, false);
    TMemoryStream stream;
    TWriter(&stream).WriteProperties([&](TFiler* f) { list->DefineProperties(f); });

    auto* copy = new TZbCheckListBox(form.get());
    copy->SetParent(form.get());
    copy->OnStateChange = list->OnStateChange;
    changed.clear();
    stream.SetPosition(0);
    TReader(&stream).ReadProperties([&](TFiler* f) { copy->DefineProperties(f); });
    ASSERT_EQ(copy->Items()->Count(), 3);
    EXPECT_EQ(copy->Items()->Strings(1), QStringLiteral("Consultas"));
    EXPECT_EQ(copy->State(1), cbGrayed);
    EXPECT_FALSE(copy->ItemEnabled(2));
    EXPECT_TRUE(changed.empty());  // reading a form tells nobody
}

TEST_F(CheckListBoxTest, AnOldFormDescriptionReadsCheckedAndEnabledFlags) {
    // No "InternalVersion": text, checked, enabled per item.
    TMemoryStream stream;
    TWriter writer(&stream);
    writer.WriteProperties([&](TFiler* f) {
        f->DefineProperty(QStringLiteral("Strings"), nullptr, TWriterProc([](TWriter* w) {
                              w->WriteListBegin();
                              w->WriteString(QStringLiteral("Año"));
                              w->WriteBoolean(true);
                              w->WriteBoolean(false);
                              w->WriteString(QStringLiteral("Mes"));
                              w->WriteBoolean(false);
                              w->WriteBoolean(true);
                              w->WriteListEnd();
                          }),
                          true);
    });
    auto* old = new TZbCheckListBox(form.get());
    old->SetParent(form.get());
    old->SetCheckKind(ckRadioButtons);
    stream.SetPosition(0);
    TReader(&stream).ReadProperties([&](TFiler* f) { old->DefineProperties(f); });
    ASSERT_EQ(old->Items()->Count(), 2);
    EXPECT_EQ(old->Items()->Strings(0), QStringLiteral("Año"));
    EXPECT_EQ(old->CheckedIndex(), 0);
    EXPECT_FALSE(old->ItemEnabled(0));
    EXPECT_TRUE(old->ItemEnabled(1));
}

TEST_F(CheckListBoxTest, ColumnsLayTheItemsSideBySide) {
    list->Items()->Clear();
    for (int i = 0; i < 30; ++i) list->Items()->Add(QStringLiteral("Item %1").arg(i));
    list->SetBounds(10, 10, 201, 150);
    form->Show();
    EXPECT_TRUE(list->AutoScroll());
    list->SetColumns(3);
    EXPECT_FALSE(list->AutoScroll());  // sideways scrolling is the columns' own
    const TRect first = list->ItemRect(0);
    int perColumn = 1;
    while (perColumn < 30 && list->ItemRect(perColumn).Left == first.Left) ++perColumn;
    ASSERT_GT(perColumn, 1);
    ASSERT_LE(perColumn, 15);
    EXPECT_LE(list->ItemRect(perColumn - 1).Bottom, list->ListWidget()->viewport()->height());
    // Columns of (width + columns - 3) div columns pixels; the next column starts at the top.
    const TRect second = list->ItemRect(perColumn);
    EXPECT_EQ(second.Top, first.Top);
    EXPECT_EQ(second.Left - first.Left, (201 + 3 - 3) / 3);
    const QPoint vp = list->ListWidget()->viewport()->pos();
    EXPECT_EQ(list->ItemAtPos(Point(vp.x() + second.Left + 5, vp.y() + second.Top + 2), true), perColumn);
    // Wider list, wider columns; back to one column, items stack again.
    list->SetWidth(301);
    EXPECT_EQ(list->ItemRect(perColumn).Left - list->ItemRect(0).Left, (301 + 3 - 3) / 3);
    list->SetColumns(0);
    EXPECT_EQ(list->ItemRect(1).Left, list->ItemRect(0).Left);
    EXPECT_GT(list->ItemRect(perColumn).Top, first.Top);
}

TEST_F(CheckListBoxTest, IntegralHeightBorderAndSelectionModes) {
    list->SetIntegralHeight(true);
    const int frame = 2 * list->ListWidget()->frameWidth();
    EXPECT_EQ((list->Height() - frame) % list->ItemHeight(), 0);
    EXPECT_LE(list->Height(), 150);
    list->SetHeight(100);
    EXPECT_EQ((list->Height() - frame) % list->ItemHeight(), 0);
    EXPECT_GT(list->Height() + list->ItemHeight(), 100);
    list->SetBorderStyle(bsNone);
    EXPECT_EQ(list->ListWidget()->frameWidth(), 0);
    EXPECT_EQ(list->Height() % list->ItemHeight(), 0);
    list->SetIntegralHeight(false);
    list->SetHeight(101);
    EXPECT_EQ(list->Height(), 101);
    // Multi-select: extended by default; without it a click toggles the item alone.
    list->SetMultiSelect(true);
    EXPECT_EQ(list->ListWidget()->selectionMode(), QAbstractItemView::ExtendedSelection);
    list->SetExtendedSelect(false);
    EXPECT_EQ(list->ListWidget()->selectionMode(), QAbstractItemView::MultiSelection);
    list->SetMultiSelect(false);
    EXPECT_EQ(list->ListWidget()->selectionMode(), QAbstractItemView::SingleSelection);
    list->SetMultiSelect(true);
    EXPECT_EQ(list->ListWidget()->selectionMode(), QAbstractItemView::MultiSelection);
}
