// Standard and common controls: what the forms of the program rely on.
#include "platform/forms/Buttons.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/FormHarness.h"

#include <QAbstractItemModel>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QStyleOptionGroupBox>
#include <QListWidget>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QPlainTextEdit>
#include <QLineEdit>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>

using platform::forms::TFormHarness;

namespace {

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override { form = std::make_unique<TForm>(nullptr); }
    template <class T>
    T* Place(int left, int top, int width, int height, TWinControl* parent = nullptr) {
        auto* c = new T(form.get());
        c->SetParent(parent ? parent : form.get());
        c->SetBounds(left, top, width, height);
        return c;
    }
    TFormHarness harness;
    std::unique_ptr<TForm> form;
};

TEST_F(ControlsTest, CheckBoxClicksWhenSetInCodeAndByTheUser) {
    auto* cb = Place<TCheckBox>(10, 10, 120, 20);
    int clicks = 0;
    cb->OnClick = [&](TObject*) { ++clicks; };
    cb->SetChecked(true);
    cb->SetChecked(true);  // no change, no click
    EXPECT_EQ(clicks, 1);
    form->Show();
    TFormHarness::Click(cb);
    EXPECT_FALSE(cb->Checked());
    EXPECT_EQ(clicks, 2);
    TFormHarness::PressKey(cb, VK_SPACE);
    EXPECT_TRUE(cb->Checked());
}

TEST_F(ControlsTest, RadioButtonsOfOneParentExcludeEachOther) {
    auto* a = Place<TRadioButton>(10, 10, 100, 20);
    auto* b = Place<TRadioButton>(10, 40, 100, 20);
    a->SetChecked(true);
    b->SetChecked(true);
    EXPECT_FALSE(a->Checked());
    EXPECT_TRUE(b->Checked());
    form->Show();
    TFormHarness::Click(a);
    EXPECT_TRUE(a->Checked());
    EXPECT_FALSE(b->Checked());
}

TEST_F(ControlsTest, RadioGroupItemIndexFollowsButtons) {
    auto* rg = Place<TRadioGroup>(10, 10, 200, 100);
    rg->Items()->Add(QStringLiteral("Pesetas"));
    rg->Items()->Add(QStringLiteral("Euros"));
    int clicks = 0;
    rg->OnClick = [&](TObject*) { ++clicks; };
    EXPECT_EQ(rg->ItemIndex(), -1);
    rg->SetItemIndex(1);
    EXPECT_TRUE(rg->Buttons(1)->Checked());
    EXPECT_EQ(clicks, 1);
    form->Show();
    TFormHarness::Click(rg->Buttons(0));
    EXPECT_EQ(rg->ItemIndex(), 0);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(rg->Buttons(0)->Caption(), QStringLiteral("Pesetas"));
}

// Every button of a radio group lies inside the frame the style draws, below its top line.
TEST_F(ControlsTest, RadioGroupButtonsLieInsideTheDrawnFrame) {
    auto* rg = Place<TRadioGroup>(8, 4, 214, 90);
    rg->SetCaption(QStringLiteral("Incluir"));
    for (const char* s : {"Todo", "Solo Expedientes", "Solo Consultas"}) rg->Items()->Add(QString::fromLatin1(s));
    form->Show();
    auto* box = qobject_cast<QGroupBox*>(rg->Widget());
    ASSERT_NE(box, nullptr);
    QStyleOptionGroupBox opt;
    opt.initFrom(box);
    opt.text = box->title();
    opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    const QRect inner = box->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxContents, box);
    for (int i = 0; i < 3; ++i) {
        EXPECT_GT(rg->Buttons(i)->Top(), inner.top()) << i;
        EXPECT_LT(rg->Buttons(i)->Top() + rg->Buttons(i)->Height(), inner.bottom()) << i;
    }
}

TEST_F(ControlsTest, EditChangeAndCharCase) {
    auto* e = Place<TEdit>(10, 10, 100, 21);
    QStringList seen;
    e->OnChange = [&](TObject*) { seen << e->Text(); };
    e->SetText(QStringLiteral("uno"));
    EXPECT_EQ(seen, QStringList{"uno"});
    EXPECT_FALSE(e->Modified());
    e->SetCharCase(ecUpperCase);
    EXPECT_EQ(e->Text(), QStringLiteral("UNO"));
    form->Show();
    TFormHarness::Focus(e);
    e->SetSelStart(3);
    TFormHarness::Type(QStringLiteral("ñ"));
    EXPECT_EQ(e->Text(), QStringLiteral("UNOÑ"));
    EXPECT_TRUE(e->Modified());
    e->SetMaxLength(4);
    TFormHarness::Type(QStringLiteral("x"));
    EXPECT_EQ(e->Text(), QStringLiteral("UNOÑ"));
}

// The length limits what the user types, as the system's edit does: a longer text the program
// puts in stays whole, and the user can shorten it but not lengthen it past the limit.
TEST_F(ControlsTest, EditKeepsALongerTextTheProgramPutsIn) {
    auto* e = Place<TEdit>(10, 10, 200, 21);
    e->SetMaxLength(5);
    e->SetText(QStringLiteral("abcdefgh"));
    EXPECT_EQ(e->Text(), QStringLiteral("abcdefgh"));
    form->Show();
    TFormHarness::Focus(e);
    e->SetSelStart(8);
    TFormHarness::Type(QStringLiteral("x"));
    EXPECT_EQ(e->Text(), QStringLiteral("abcdefgh"));
    TFormHarness::PressKey(VK_BACK);
    TFormHarness::Type(QStringLiteral("x"));
    EXPECT_EQ(e->Text(), QStringLiteral("abcdefg"));
    e->SetText(QStringLiteral("abc"));
    e->SetSelStart(3);
    TFormHarness::Type(QStringLiteral("xyz"));
    EXPECT_EQ(e->Text(), QStringLiteral("abcxy"));
    e->SetMaxLength(2);
    EXPECT_EQ(e->Text(), QStringLiteral("abcxy"));
}

TEST_F(ControlsTest, MemoLinesAndTextStayInStep) {
    auto* m = Place<TMemo>(10, 10, 200, 100);
    m->Lines()->Add(QStringLiteral("Calle Mayor, 1"));
    m->Lines()->Add(QStringLiteral("28001 Madrid"));
    EXPECT_EQ(m->Text(), QStringLiteral("Calle Mayor, 1\r\n28001 Madrid"));
    m->SetText(QStringLiteral("a\r\nb\r\nc"));
    EXPECT_EQ(m->Lines()->Count(), 3);
    EXPECT_EQ(m->Lines()->Strings(2), QStringLiteral("c"));
    // In a memo Enter makes a new line instead of pressing the default button.
    auto* ok = Place<TButton>(10, 120, 75, 25);
    ok->SetDefault(true);
    int pressed = 0;
    ok->OnClick = [&](TObject*) { ++pressed; };
    form->Show();
    TFormHarness::Focus(m);
    TFormHarness::PressKey(VK_RETURN);
    EXPECT_EQ(pressed, 0);
    EXPECT_EQ(m->Lines()->Count(), 4);
}

// The record's column holds MaxLength characters, a line break counting two: what the user
// types or pastes past it must not reach the screen, or the save would cut it silently.
TEST_F(ControlsTest, MemoTakesNoMoreThanItsMaxLengthFromTheUser) {
    auto* m = Place<TMemo>(10, 10, 200, 100);
    m->SetMaxLength(10);
    form->Show();
    TFormHarness::Focus(m);
    TFormHarness::Type(QStringLiteral("abcdefghijklmn"));
    EXPECT_EQ(m->Text(), QStringLiteral("abcdefghij"));

    m->SetText(QStringLiteral("ab"));
    m->SetSelStart(1);
    QGuiApplication::clipboard()->setText(QStringLiteral("1\n2\n3456789"));
    m->PasteFromClipboard();
    EXPECT_EQ(m->Text(), QStringLiteral("a1\r\n2\r\n34b"));
    EXPECT_EQ(m->Text().size(), 10);
    EXPECT_EQ(m->Lines()->Count(), 3);
    // One undo takes back the whole paste, the part left out included.
    m->Editor()->undo();
    EXPECT_EQ(m->Text(), QStringLiteral("ab"));

    // A character outside the basic plane is kept whole or left out whole.
    m->SetText(QStringLiteral("123456789"));
    m->SetSelStart(9);
    QGuiApplication::clipboard()->setText(QString::fromUtf8("\xF0\x9F\x98\x80z"));
    m->PasteFromClipboard();
    EXPECT_EQ(m->Text(), QStringLiteral("123456789"));

    // The program itself may show a longer text (a record written elsewhere).
    m->SetText(QStringLiteral("0123456789abc"));
    EXPECT_EQ(m->Text(), QStringLiteral("0123456789abc"));
    m->SetMaxLength(0);
    m->SetSelStart(13);
    TFormHarness::Type(QStringLiteral("de"));
    EXPECT_EQ(m->Text(), QStringLiteral("0123456789abcde"));
}

TEST_F(ControlsTest, ComboBoxListAndChange) {
    auto* cb = Place<TComboBox>(10, 10, 120, 21);
    cb->SetStyle(csDropDownList);
    cb->Items()->Add(QStringLiteral("2000"));
    cb->Items()->Add(QStringLiteral("2001"));
    int changes = 0;
    cb->OnChange = [&](TObject*) { ++changes; };
    EXPECT_EQ(cb->ItemIndex(), -1);
    cb->SetItemIndex(1);
    EXPECT_EQ(cb->Text(), QStringLiteral("2001"));
    EXPECT_EQ(changes, 0);  // a change made in code is not a user change
    form->Show();
    TFormHarness::Focus(cb);
    TFormHarness::PressKey(VK_UP);
    EXPECT_EQ(cb->ItemIndex(), 0);
    EXPECT_EQ(changes, 1);
    int drops = 0, closes = 0;
    cb->OnDropDown = [&](TObject*) { ++drops; };
    cb->OnCloseUp = [&](TObject*) { ++closes; };
    cb->SetDroppedDown(true);
    cb->SetDroppedDown(false);
    EXPECT_EQ(drops, 1);
    EXPECT_EQ(closes, 1);
    cb->Items()->Clear();
    EXPECT_EQ(cb->ItemIndex(), -1);
}

TEST_F(ControlsTest, ListBoxSelectionAndOwnerDraw) {
    auto* lb = Place<TListBox>(10, 10, 150, 100);
    lb->Items()->Add(QStringLiteral("Expedientes"));
    lb->Items()->Add(QStringLiteral("Consultas"));
    lb->SetItemIndex(1);
    EXPECT_EQ(lb->ItemIndex(), 1);
    lb->SetMultiSelect(true);
    lb->SetSelected(0, true);
    EXPECT_TRUE(lb->Selected(0));
    EXPECT_THROW(lb->Selected(5), EListError);
    int drawn = 0;
    lb->SetStyle(lbOwnerDrawFixed);
    lb->OnDrawItem = [&](TWinControl*, int index, TRect rect, TOwnerDrawState) {
        ++drawn;
        lb->Canvas()->FillRect(rect);
        lb->Canvas()->TextOut(rect.Left, rect.Top, lb->Items()->Strings(index));
    };
    form->Show();
    TFormHarness::Grab(form.get());
    EXPECT_GE(drawn, 2);
}

// Lines added, inserted, deleted or rewritten one at a time reach the window one row at a time,
// and leave the current line and the selection as showing every line again would.
TEST_F(ControlsTest, ListsAndCombosFollowOneLineAtATime) {
    auto* lb = Place<TListBox>(10, 10, 150, 100);
    auto* cb = Place<TComboBox>(10, 120, 150, 21);
    int listRows = 0, comboRows = 0;
    auto count = [](QAbstractItemModel* model, int* rows) {
        QObject::connect(model, &QAbstractItemModel::rowsInserted, model,
                         [rows](const QModelIndex&, int first, int last) { *rows += last - first + 1; });
    };
    count(lb->ListWidget()->model(), &listRows);
    count(cb->ComboBox()->model(), &comboRows);
    const int n = 300;
    for (int i = 0; i < n; ++i) {
        lb->Items()->Add(QString::number(i));
        cb->Items()->Add(QString::number(i));
    }
    EXPECT_EQ(listRows, n);
    EXPECT_EQ(comboRows, n);

    auto shown = [&] {
        QStringList list, combo;
        for (int i = 0; i < lb->ListWidget()->count(); ++i) list << lb->ListWidget()->item(i)->text();
        for (int i = 0; i < cb->ComboBox()->count(); ++i) combo << cb->ComboBox()->itemText(i);
        return std::pair{list, combo};
    };
    auto lines = [](TStrings* items) {
        QStringList out;
        for (int i = 0; i < items->Count(); ++i) out << items->Strings(i);
        return out;
    };
    lb->SetMultiSelect(true);
    lb->SetItemIndex(4);
    lb->SetSelected(7, true);
    cb->SetItemIndex(3);
    for (TStrings* items : {lb->Items(), cb->Items()}) {
        items->Insert(0, QStringLiteral("primero"));
        items->Delete(10);
        items->SetString(2, QStringLiteral("segundo"));
    }
    EXPECT_EQ(shown(), std::pair(lines(lb->Items()), lines(cb->Items())));
    EXPECT_EQ(lb->ItemIndex(), 4);
    EXPECT_EQ(lb->SelCount(), 1);
    EXPECT_TRUE(lb->Selected(4));
    // The combo's line 3 is another text now: none is current, the edit keeps what it showed.
    EXPECT_EQ(cb->ItemIndex(), -1);
    EXPECT_EQ(cb->Text(), QStringLiteral("3"));
    cb->SetItemIndex(5);
    cb->Items()->Add(QStringLiteral("último"));
    EXPECT_EQ(cb->ItemIndex(), 5);

    lb->SetItemIndex(lb->Items()->Count() - 1);
    lb->Items()->Delete(lb->Items()->Count() - 1);
    EXPECT_EQ(lb->ItemIndex(), -1);
    EXPECT_EQ(lb->SelCount(), 0);
    EXPECT_EQ(shown().first, lines(lb->Items()));
}

TEST_F(ControlsTest, BitBtnKindsGiveCaptionResultAndRole) {
    auto* ok = Place<TBitBtn>(10, 10, 75, 25);
    ok->SetKind(bkOK);
    auto* cancel = Place<TBitBtn>(100, 10, 75, 25);
    cancel->SetKind(bkCancel);
    EXPECT_EQ(ok->Caption(), QStringLiteral("Aceptar"));
    EXPECT_EQ(ok->ModalResult(), mrOk);
    EXPECT_TRUE(ok->Default());
    EXPECT_TRUE(cancel->Cancel());
    harness.AnswerModal([](TCustomForm&) { TFormHarness::PressKey(VK_ESCAPE); });
    EXPECT_EQ(form->ShowModal(), mrCancel);
    harness.AnswerModal([](TCustomForm&) { TFormHarness::PressKey(VK_RETURN); });
    EXPECT_EQ(form->ShowModal(), mrOk);
}

TEST_F(ControlsTest, PageControlSwitchesPagesAndCanRefuse) {
    auto* pc = Place<TPageControl>(0, 0, 300, 200);
    auto* p1 = new TTabSheet(form.get());
    p1->SetPageControl(pc);
    p1->SetCaption(QStringLiteral("Expedientes"));
    auto* p2 = new TTabSheet(form.get());
    p2->SetPageControl(pc);
    p2->SetCaption(QStringLiteral("Consultas"));
    EXPECT_EQ(pc->ActivePage(), p1);
    EXPECT_TRUE(p1->Visible());
    EXPECT_FALSE(p2->Visible());
    int changes = 0;
    pc->OnChange = [&](TObject*) { ++changes; };
    pc->SelectNextPage(true);
    EXPECT_EQ(pc->ActivePage(), p2);
    EXPECT_EQ(changes, 1);
    bool allow = false;
    pc->OnChanging = [&](TObject*, bool& a) { a = allow; };
    pc->SelectNextPage(true);
    EXPECT_EQ(pc->ActivePage(), p2);
    p2->SetTabVisible(false);
    EXPECT_EQ(pc->ActivePage(), p1);
    // No tab left shows no page; the first tab shown again shows its own.
    p1->SetTabVisible(false);
    EXPECT_EQ(pc->ActivePage(), nullptr);
    EXPECT_FALSE(p1->Visible());
    p2->SetTabVisible(true);
    EXPECT_EQ(pc->ActivePage(), p2);
    EXPECT_TRUE(p2->Visible());
    p1->SetTabVisible(true);
    EXPECT_EQ(pc->ActivePage(), p2);
    p2->SetTabVisible(false);
    EXPECT_EQ(pc->ActivePage(), p1);
    // A page fills the page control's client area below the tabs.
    EXPECT_GT(p1->Top(), 0);
    EXPECT_EQ(p1->Width(), 296);
    delete p2;
    EXPECT_EQ(pc->PageCount(), 1);
}

TEST_F(ControlsTest, PageControlTurnsPagesFromTheKeyboard) {
    form->SetBounds(0, 0, 400, 300);
    auto* before = Place<TCheckBox>(10, 10, 120, 20);
    auto* pc = Place<TPageControl>(0, 40, 400, 250);
    TEdit* edits[2];
    TTabSheet* pages[2];
    for (int i = 0; i < 2; ++i) {
        pages[i] = new TTabSheet(form.get());
        pages[i]->SetPageControl(pc);
        pages[i]->SetCaption(i ? QStringLiteral("Consultas") : QStringLiteral("Expedientes"));
        edits[i] = Place<TEdit>(10, 10, 100, 21, pages[i]);
    }
    form->Show();
    before->SetFocus();
    const QImage unmarked = before->Widget()->grab().toImage();
    // Tab stops at the tabs before going into the page: the arrows turn the pages there, up to
    // the last tab and back to the first, no further.
    TFormHarness::PressKey(VK_TAB);
    EXPECT_EQ(form->ActiveControl(), pc);
    TFormHarness::PressKey(VK_RIGHT);
    EXPECT_EQ(pc->ActivePage(), pages[1]);
    TFormHarness::PressKey(VK_RIGHT);
    EXPECT_EQ(pc->ActivePage(), pages[1]);
    TFormHarness::PressKey(VK_LEFT);
    TFormHarness::PressKey(VK_LEFT);
    EXPECT_EQ(pc->ActivePage(), pages[0]);
    EXPECT_EQ(form->ActiveControl(), pc);
    TFormHarness::PressKey(VK_TAB);
    EXPECT_EQ(form->ActiveControl(), edits[0]);
    // Ctrl+Tab from inside a page turns it and goes into the new one; Shift turns back.
    TFormHarness::PressKey(VK_TAB, ssCtrl);
    EXPECT_EQ(pc->ActivePage(), pages[1]);
    EXPECT_EQ(form->ActiveControl(), edits[1]);
    TFormHarness::PressKey(VK_TAB, ssCtrl | ssShift);
    EXPECT_EQ(pc->ActivePage(), pages[0]);
    EXPECT_EQ(form->ActiveControl(), edits[0]);
    // Once the keyboard has moved the focus, a check box shows it has it.
    TFormHarness::PressKey(VK_TAB, ssShift);
    TFormHarness::PressKey(VK_TAB, ssShift);
    ASSERT_EQ(form->ActiveControl(), before);
    EXPECT_NE(before->Widget()->grab().toImage(), unmarked);
}

TEST_F(ControlsTest, StatusBarPanelsKeepTheirTexts) {
    form->SetBounds(0, 0, 600, 300);
    auto* sb = Place<TStatusBar>(0, 0, 500, 19);
    for (int w : {250, 160, 35}) sb->Panels()->Add()->SetWidth(w);
    sb->Panels()->Items(1)->SetText(QStringLiteral("Usuario : SUPERVISOR"));
    sb->Panels()->Items(1)->SetAlignment(taCenter);
    EXPECT_EQ(sb->Panels()->Items(1)->Text(), QStringLiteral("Usuario : SUPERVISOR"));
    EXPECT_EQ(sb->PanelRect(1).Left, 250);
    EXPECT_EQ(sb->PanelRect(2).Right, form->ClientWidth());  // the last one takes the rest
    EXPECT_EQ(sb->Align(), alBottom);
    EXPECT_EQ(sb->Top() + sb->Height(), form->ClientHeight());
    EXPECT_THROW(sb->Panels()->Items(3), EListError);
}

TEST_F(ControlsTest, GaugeAndProgressBarClampTheirPosition) {
    auto* g = Place<TGauge>(0, 0, 200, 20);
    g->SetProgress(40);
    EXPECT_EQ(g->PercentDone(), 40);
    g->SetProgress(250);
    EXPECT_EQ(g->Progress(), 100);
    g->SetMaxValue(200);
    EXPECT_EQ(g->PercentDone(), 50);
    auto* pb = Place<TProgressBar>(0, 30, 200, 16);
    pb->SetPosition(-5);
    EXPECT_EQ(pb->Position(), 0);
    pb->StepIt();
    EXPECT_EQ(pb->Position(), 10);
}

TEST_F(ControlsTest, UpDownStepsItsEditWithinLimits) {
    auto* e = Place<TEdit>(10, 10, 60, 21);
    auto* ud = new TUpDown(form.get());
    ud->SetMin(1999);
    ud->SetMax(2001);
    ud->SetPosition(2000);
    ud->SetThousands(false);
    ud->SetAssociate(e);
    EXPECT_EQ(e->Text(), QStringLiteral("2000"));
    EXPECT_EQ(ud->Left(), 70);
    ud->ClickButton(btNext);
    ud->ClickButton(btNext);
    EXPECT_EQ(ud->Position(), 2001);
    form->Show();
    TFormHarness::ClickAt(ud, 5, ud->Height() - 3);
    EXPECT_EQ(e->Text(), QStringLiteral("2000"));
}

TEST_F(ControlsTest, TreeViewNodesCarryData) {
    auto* tv = Place<TTreeView>(0, 0, 200, 200);
    int civil = 1, penal = 2;
    TTreeNode* root = tv->Items()->Add(nullptr, QStringLiteral("Partidos"));
    TTreeNode* a = tv->Items()->AddChildObject(root, QStringLiteral("Civil"), &civil);
    TTreeNode* b = tv->Items()->AddChildObject(root, QStringLiteral("Penal"), &penal);
    EXPECT_EQ(tv->Items()->Count(), 3);
    EXPECT_EQ(a->Level(), 1);
    EXPECT_EQ(a->GetNextSibling(), b);
    EXPECT_EQ(root->GetNext(), a);
    EXPECT_EQ(*static_cast<int*>(b->Data()), 2);
    TTreeNode* changed = nullptr;
    tv->OnChange = [&](TObject*, TTreeNode* n) { changed = n; };
    tv->SetSelected(b);
    EXPECT_EQ(changed, b);
    EXPECT_TRUE(b->Selected());
    tv->OnChanging = [](TObject*, TTreeNode*, bool& allow) { allow = false; };
    tv->SetSelected(a);
    EXPECT_EQ(tv->Selected(), b);
    tv->OnChanging = nullptr;
    b->Delete();
    EXPECT_EQ(tv->Items()->Count(), 2);
    tv->Items()->Clear();
    EXPECT_EQ(tv->Items()->GetFirstNode(), nullptr);
}

// A search lists thousands of people under one node: the branch leaves the view in one step when
// it is deleted, every node told of first (children before their parent), and the nodes keep
// their places while others come and go in the middle.
TEST_F(ControlsTest, TreeViewBranchesLeaveTheViewAtOnce) {
    auto* tv = Place<TTreeView>(0, 0, 200, 200);
    form->Show();
    TTreeNodes* nodes = tv->Items();
    TTreeNode* root = nodes->Add(nullptr, QStringLiteral("Clientes"));
    for (int i = 0; i < 400; ++i) nodes->AddChild(root, QStringLiteral("Cliente %1").arg(i));
    tv->FullExpand();
    tv->SetSelected(root->GetLastChild());
    TTreeNode* inserted = nodes->Insert(root->Item(10), QStringLiteral("nuevo"));
    EXPECT_EQ(inserted->Index(), 10);
    EXPECT_EQ(root->Item(11)->Index(), 11);
    EXPECT_EQ(root->Item(11)->Text(), QStringLiteral("Cliente 10"));
    root->Item(5)->Delete();
    EXPECT_EQ(root->Item(20)->Index(), 20);
    EXPECT_EQ(root->Item(20)->GetPrevSibling(), root->Item(19));
    EXPECT_EQ(nodes->Count(), 401);
    EXPECT_EQ(nodes->Item(400), root->GetLastChild());

    int removals = 0;
    QAbstractItemModel* model = tv->Tree()->model();
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, model, [&](const QModelIndex&, int, int) { ++removals; });
    QStringList deleted;
    tv->OnDeletion = [&](TObject*, TTreeNode* n) { deleted << n->Text(); };
    nodes->Clear();
    EXPECT_LE(removals, 2);
    ASSERT_EQ(deleted.size(), 401);
    EXPECT_EQ(deleted.front(), QStringLiteral("Cliente 399"));
    EXPECT_EQ(deleted.back(), QStringLiteral("Clientes"));
    EXPECT_EQ(nodes->Count(), 0);
    EXPECT_EQ(tv->Tree()->topLevelItemCount(), 0);
    EXPECT_EQ(nodes->AddChild(nodes->Add(nullptr, QStringLiteral("otra")), QStringLiteral("hija"))->Index(), 0);
}

// Whether the input method would compose a dead key and a letter for the control: it asks.
bool TakesComposedLetters(TWinControl* c) {
    QInputMethodQueryEvent query(Qt::ImEnabled);
    QCoreApplication::sendEvent(c->Widget(), &query);
    return query.value(Qt::ImEnabled).toBool();
}

void Compose(TWinControl* c, const QString& text) {
    QInputMethodEvent e;
    e.setCommitString(text);
    QCoreApplication::sendEvent(c->Widget(), &e);
}

TEST_F(ControlsTest, TreesAndListsSearchByLettersMadeWithADeadKey) {
    auto* tv = Place<TTreeView>(0, 0, 200, 200);
    TTreeNode* root = tv->Items()->Add(nullptr, QStringLiteral("Clientes"));
    TTreeNode* pena = tv->Items()->AddChild(root, QStringLiteral("Peña Molina"));
    TTreeNode* perez = tv->Items()->AddChild(root, QStringLiteral("Pérez Blanco"));
    root->Expand(false);
    auto* lb = Place<TListBox>(210, 0, 150, 100);
    lb->Items()->Add(QStringLiteral("Ortega"));
    lb->Items()->Add(QStringLiteral("Óscar"));
    form->Show();
    TFormHarness::Focus(tv);
    EXPECT_TRUE(TakesComposedLetters(tv));
    EXPECT_TRUE(TakesComposedLetters(lb));
    // "Pé" then "r": the accent counts.
    TFormHarness::Type(QStringLiteral("P"));
    EXPECT_EQ(tv->Selected(), pena);
    Compose(tv, QStringLiteral("é"));
    TFormHarness::Type(QStringLiteral("r"));
    EXPECT_EQ(tv->Selected(), perez);
    TFormHarness::Focus(lb);
    Compose(lb, QStringLiteral("Ó"));
    EXPECT_EQ(lb->ItemIndex(), 1);
    // A plain edit asks as it always did.
    EXPECT_TRUE(TakesComposedLetters(Place<TEdit>(0, 210, 100, 21)));
    EXPECT_FALSE(TakesComposedLetters(Place<TPanel>(0, 240, 100, 21)));
}

TEST_F(ControlsTest, LabelAcceleratorFocusesItsControl) {
    auto* e1 = Place<TEdit>(80, 10, 100, 21);
    auto* e2 = Place<TEdit>(80, 40, 100, 21);
    auto* lbl = Place<TLabel>(10, 40, 60, 17);
    lbl->SetCaption(QStringLiteral("&Año :"));
    lbl->SetFocusControl(e2);
    EXPECT_GT(lbl->Width(), 0);
    form->Show();
    EXPECT_EQ(form->ActiveControl(), e1);
    TFormHarness::PressKey('A', ssAlt);
    EXPECT_EQ(form->ActiveControl(), e2);
    // A button's accelerator clicks it.
    auto* bt = Place<TButton>(10, 80, 75, 25);
    bt->SetCaption(QStringLiteral("&Grabar"));
    int clicks = 0;
    bt->OnClick = [&](TObject*) { ++clicks; };
    TFormHarness::PressKey('G', ssAlt);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(form->CMDialogChar(QChar(u'z')));
}

TEST_F(ControlsTest, OwnerDrawComboDrawsTheShownItemInItsEditArea) {
    auto* cb = Place<TComboBox>(10, 10, 140, 22);
    cb->SetStyle(csOwnerDrawFixed);
    cb->Items()->Add(QStringLiteral("Rojo"));
    cb->Items()->Add(QStringLiteral("Verde"));
    cb->SetItemIndex(1);
    int index = -2;
    TOwnerDrawState state = 0;
    cb->OnDrawItem = [&](TWinControl*, int i, TRect r, TOwnerDrawState s) {
        index = i;
        state = s;
        cb->Canvas()->Brush()->SetColor(clLime);
        cb->Canvas()->FillRect(r);
    };
    form->Show();
    const QImage img = TFormHarness::Grab(cb);
    EXPECT_EQ(index, 1);
    EXPECT_TRUE(state & odComboBoxEdit);
    EXPECT_EQ(QColor(img.pixel(20, 11)), QColor(Qt::green));
}

TEST_F(ControlsTest, F1AsksForTheNearestHelpTopic) {
    auto* panel = Place<TPanel>(0, 0, 200, 100);
    panel->SetHelpContext(40);
    auto* e = Place<TEdit>(10, 10, 80, 21, panel);
    std::vector<qint64> asked;
    Application->OnHelp = [&](quint16 command, qint64 data, bool& callHelp, bool& result) {
        if (command == HELP_CONTEXT) asked.push_back(data);
        callHelp = false;
        result = true;
    };
    form->Show();
    TFormHarness::Focus(e);
    TFormHarness::PressKey(VK_F1);
    e->SetHelpContext(75);
    TFormHarness::PressKey(VK_F1);
    Application->OnHelp = nullptr;
    EXPECT_EQ(asked, (std::vector<qint64>{40, 75}));
}

TEST_F(ControlsTest, PlainContainersHoldControlsAndFindThemByPosition) {
    auto* box = new TWinControl(form.get());
    box->SetParent(form.get());
    box->SetBounds(10, 10, 200, 100);
    auto* a = Place<TButton>(0, 0, 50, 20, box);
    auto* b = Place<TButton>(40, 0, 50, 20, box);
    EXPECT_EQ(a->Widget()->parentWidget(), box->Widget());
    EXPECT_EQ(box->ControlAtPos(Point(45, 5), false), b);  // the later one is on top
    EXPECT_EQ(box->ControlAtPos(Point(5, 5), false), a);
    b->SetEnabled(false);
    EXPECT_EQ(box->ControlAtPos(Point(45, 5), false), a);
    EXPECT_EQ(box->ControlAtPos(Point(150, 50), true), nullptr);
}

TEST_F(ControlsTest, TimerFiresThroughTheEventLoop) {
    auto* t = new TTimer(form.get());
    int ticks = 0;
    t->OnTimer = [&](TObject*) { ++ticks; };
    t->SetInterval(1);
    QElapsedTimer clock;
    clock.start();
    while (ticks == 0 && clock.elapsed() < 2000) TFormHarness::ProcessEvents();
    EXPECT_GT(ticks, 0);
    t->SetEnabled(false);
    const int before = ticks;
    TFormHarness::ProcessEvents();
    EXPECT_EQ(ticks, before);
}

}  // namespace
