#include "controls/visual/FDualLst.h"

#include "controls/visual/DualList.h"

namespace {
TButton* MakeButton(TForm* form, const QString& name, int left, int top, int width, int height) {
    auto* b = new TButton(form);
    b->SetName(name);
    b->SetParent(form);
    b->SetBounds(left, top, width, height);
    return b;
}

TTextListBox* MakeList(TForm* form, const QString& name, int left) {
    auto* list = new TTextListBox(form);
    list->SetName(name);
    list->SetParent(form);
    list->SetBounds(left, 30, 164, 194);
    list->SetDragMode(dmAutomatic);
    list->SetMultiSelect(true);
    list->SetSorted(true);
    list->SetItemHeight(13);
    return list;
}
}  // namespace

TDualListForm::TDualListForm(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("DualListForm"));
    SetBorderStyle(bsDialog);
    SetBorderIcons(0);
    SetPosition(poScreenCenter);
    SetClientWidth(392);
    SetClientHeight(269);
    Font()->SetName(QStringLiteral("MS Sans Serif"));
    Font()->SetStyle(TFontStyles{fsBold});

    Bevel1 = new TBevel(this);
    Bevel1->SetName(QStringLiteral("Bevel1"));
    Bevel1->SetParent(this);
    Bevel1->SetBounds(4, 7, 384, 224);
    SrcLabel = new TLabel(this);
    SrcLabel->SetName(QStringLiteral("SrcLabel"));
    SrcLabel->SetParent(this);
    SrcLabel->SetBounds(12, 12, 60, 13);
    DstLabel = new TLabel(this);
    DstLabel->SetName(QStringLiteral("DstLabel"));
    DstLabel->SetParent(this);
    DstLabel->SetBounds(216, 12, 60, 13);
    SrcList = MakeList(this, QStringLiteral("SrcList"), 12);
    DstList = MakeList(this, QStringLiteral("DstList"), 216);
    SrcLabel->SetFocusControl(SrcList);
    DstLabel->SetFocusControl(DstList);

    IncBtn = MakeButton(this, QStringLiteral("IncBtn"), 183, 32, 26, 26);
    IncAllBtn = MakeButton(this, QStringLiteral("IncAllBtn"), 183, 64, 26, 26);
    ExclBtn = MakeButton(this, QStringLiteral("ExclBtn"), 183, 97, 26, 26);
    ExclAllBtn = MakeButton(this, QStringLiteral("ExclAllBtn"), 183, 129, 26, 26);
    IncBtn->SetCaption(QStringLiteral(">"));
    IncAllBtn->SetCaption(QStringLiteral(">>"));
    ExclBtn->SetCaption(QStringLiteral("<"));
    ExclAllBtn->SetCaption(QStringLiteral("<<"));
    for (TButton* b : {IncBtn, IncAllBtn, ExclBtn, ExclAllBtn}) {
        b->SetParentFont(false);
        b->Font()->SetName(QStringLiteral("MS Sans Serif"));
        b->Font()->SetHeight(-12);
        b->Font()->SetStyle(TFontStyles{fsBold});
    }
    OkBtn = MakeButton(this, QStringLiteral("OkBtn"), 138, 239, 77, 25);
    OkBtn->SetDefault(true);
    OkBtn->SetModalResult(mrOk);
    CancelBtn = MakeButton(this, QStringLiteral("CancelBtn"), 221, 239, 77, 25);
    CancelBtn->SetCancel(true);
    CancelBtn->SetModalResult(mrCancel);
    HelpBtn = MakeButton(this, QStringLiteral("HelpBtn"), 310, 239, 77, 25);
    // SrcList is first in the tab order, so it has the focus when the dialog opens.

    OnCreate = TNotifyEvent(this, &TDualListForm::FormCreate);
    OnShow = TNotifyEvent(this, &TDualListForm::ListClick);
    OnActivate = TNotifyEvent(this, &TDualListForm::ListClick);
    SrcList->OnClick = TNotifyEvent(this, &TDualListForm::ListClick);
    DstList->OnClick = TNotifyEvent(this, &TDualListForm::ListClick);
    SrcList->OnDblClick = TNotifyEvent(this, &TDualListForm::IncBtnClick);
    DstList->OnDblClick = TNotifyEvent(this, &TDualListForm::ExclBtnClick);
    SrcList->OnDragOver = TDragOverEvent(this, &TDualListForm::SrcListDragOver);
    DstList->OnDragOver = TDragOverEvent(this, &TDualListForm::DstListDragOver);
    SrcList->OnDragDrop = TDragDropEvent(this, &TDualListForm::SrcListDragDrop);
    DstList->OnDragDrop = TDragDropEvent(this, &TDualListForm::DstListDragDrop);
    SrcList->OnKeyDown = TKeyEvent(this, &TDualListForm::SrcListKeyDown);
    DstList->OnKeyDown = TKeyEvent(this, &TDualListForm::DstListKeyDown);
    IncBtn->OnClick = TNotifyEvent(this, &TDualListForm::IncBtnClick);
    IncAllBtn->OnClick = TNotifyEvent(this, &TDualListForm::IncAllBtnClick);
    ExclBtn->OnClick = TNotifyEvent(this, &TDualListForm::ExclBtnClick);
    ExclAllBtn->OnClick = TNotifyEvent(this, &TDualListForm::ExclAllBtnClick);
    HelpBtn->OnClick = TNotifyEvent(this, &TDualListForm::HelpBtnClick);
    DoCreate();
}

void TDualListForm::FormCreate(TObject*) {
    OkBtn->SetCaption(controls::visual::SOKButton());
    CancelBtn->SetCaption(controls::visual::SCancelButton());
    HelpBtn->SetCaption(controls::visual::SHelpButton());
    // New-style controls: a plain font.
    Font()->SetStyle(Font()->Style() - fsBold);
}

void TDualListForm::SetShowHelp(bool value) {
    HelpBtn->SetEnabled(value);
    HelpBtn->SetVisible(value);
    if (value) {
        HelpBtn->SetLeft(Width() - HelpBtn->Width() - 16);
        CancelBtn->SetLeft(HelpBtn->Left() - CancelBtn->Width() - 15);
    } else {
        CancelBtn->SetLeft(Width() - CancelBtn->Width() - 16);
    }
    OkBtn->SetLeft(CancelBtn->Left() - OkBtn->Width() - 8);
}

void TDualListForm::SetButtons() {
    const bool srcEmpty = SrcList->Items()->Count() == 0;
    const bool dstEmpty = DstList->Items()->Count() == 0;
    IncBtn->SetEnabled(!srcEmpty && BoxGetFirstSelection(SrcList) >= 0);
    IncAllBtn->SetEnabled(!srcEmpty);
    ExclBtn->SetEnabled(!dstEmpty && BoxGetFirstSelection(DstList) >= 0);
    ExclAllBtn->SetEnabled(!dstEmpty);
}

void TDualListForm::ListClick(TObject*) { SetButtons(); }

void TDualListForm::IncBtnClick(TObject*) {
    BoxMoveSelectedItems(SrcList, DstList);
    SetButtons();
}

void TDualListForm::IncAllBtnClick(TObject*) {
    BoxMoveAllItems(SrcList, DstList);
    SetButtons();
}

void TDualListForm::ExclBtnClick(TObject*) {
    BoxMoveSelectedItems(DstList, SrcList);
    SetButtons();
}

void TDualListForm::ExclAllBtnClick(TObject*) {
    BoxMoveAllItems(DstList, SrcList);
    SetButtons();
}

void TDualListForm::HelpBtnClick(TObject*) { Application->HelpContext(HelpContext()); }

void TDualListForm::ListDragOver(TTextListBox* list, TObject* source, int x, int y, TDragState state, bool& accept) {
    accept = BoxDragOver(list, source, x, y, state, list->Sorted());
    if (state == dsDragLeave)
        SrcList->SetDragCursor(crDrag);
    else if (state == dsDragEnter && BoxSelCount(SrcList) > 1)
        SrcList->SetDragCursor(crMultiDrag);
}

void TDualListForm::SrcListDragOver(TObject*, TObject* source, int x, int y, TDragState state, bool& accept) {
    ListDragOver(SrcList, source, x, y, state, accept);
}

void TDualListForm::DstListDragOver(TObject*, TObject* source, int x, int y, TDragState state, bool& accept) {
    ListDragOver(DstList, source, x, y, state, accept);
}

void TDualListForm::SrcListDragDrop(TObject* sender, TObject* source, int x, int y) {
    if (source == DstList)
        ExclBtnClick(sender);
    else if (source == SrcList)
        BoxMoveFocusedItem(SrcList, BoxItemAtPos(SrcList, Point(x, y), true));
}

void TDualListForm::DstListDragDrop(TObject* sender, TObject* source, int x, int y) {
    if (source == SrcList)
        IncBtnClick(sender);
    else if (source == DstList)
        BoxMoveFocusedItem(DstList, BoxItemAtPos(DstList, Point(x, y), true));
}

void TDualListForm::ListKeyDown(TTextListBox* list, quint16& key, TShiftState shift) {
    if (list->Sorted() || !(shift & ssCtrl))
        return;
    if (key == VK_DOWN) {
        BoxMoveFocusedItem(list, list->ItemIndex() + 1);
        key = 0;
    } else if (key == VK_UP) {
        BoxMoveFocusedItem(list, list->ItemIndex() - 1);
        key = 0;
    }
}

void TDualListForm::SrcListKeyDown(TObject*, quint16& key, TShiftState shift) { ListKeyDown(SrcList, key, shift); }

void TDualListForm::DstListKeyDown(TObject*, quint16& key, TShiftState shift) { ListKeyDown(DstList, key, shift); }
