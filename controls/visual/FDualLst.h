#pragma once
// The dialog of the two-list chooser: items move between a source and a destination list.
#include "controls/visual/ListBoxHelpers.h"
#include "controls/visual/ZBCtrls_lists.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/StdCtrls.h"

class TDualListForm : public TForm {
public:
    explicit TDualListForm(TComponent* owner);

    TBevel* Bevel1;
    TLabel* SrcLabel;
    TLabel* DstLabel;
    TTextListBox* SrcList;
    TTextListBox* DstList;
    TButton* IncBtn;
    TButton* IncAllBtn;
    TButton* ExclBtn;
    TButton* ExclAllBtn;
    TButton* OkBtn;
    TButton* CancelBtn;
    TButton* HelpBtn;

    bool ShowHelp() const { return HelpBtn->Visible(); }
    void SetShowHelp(bool value);

    void FormCreate(TObject* sender);
    void ListClick(TObject* sender);
    void IncBtnClick(TObject* sender);
    void IncAllBtnClick(TObject* sender);
    void ExclBtnClick(TObject* sender);
    void ExclAllBtnClick(TObject* sender);
    void HelpBtnClick(TObject* sender);
    void SrcListDragOver(TObject* sender, TObject* source, int x, int y, TDragState state, bool& accept);
    void DstListDragOver(TObject* sender, TObject* source, int x, int y, TDragState state, bool& accept);
    void SrcListDragDrop(TObject* sender, TObject* source, int x, int y);
    void DstListDragDrop(TObject* sender, TObject* source, int x, int y);
    void SrcListKeyDown(TObject* sender, quint16& key, TShiftState shift);
    void DstListKeyDown(TObject* sender, quint16& key, TShiftState shift);

    // The drag cursor of the source list: a single item, or several selected.
    TCursor SrcDragCursor() const { return SrcList->DragCursor(); }

private:
    void SetButtons();
    void ListDragOver(TTextListBox* list, TObject* source, int x, int y, TDragState state, bool& accept);
    void ListKeyDown(TTextListBox* list, quint16& key, TShiftState shift);
};
