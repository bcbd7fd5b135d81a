#pragma once
// Standard controls: label, edit, memo, button, check box, radio button, group box, combo box
// and list box.
#include "platform/classes/Strings.h"
#include "platform/forms/Forms.h"

#include <QElapsedTimer>
#include <QPoint>
#include <functional>
#include <memory>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QCheckBox;
class QRadioButton;
class QGroupBox;
class QComboBox;
class QListWidget;
class QListWidgetItem;

// Shared with the database layer's fields: whichever header comes first defines it.
#ifndef ZEMBRA_TALIGNMENT_DEFINED
#define ZEMBRA_TALIGNMENT_DEFINED
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
#endif
enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };

// Owner-draw state of a list or combo item (a set).
enum TOwnerDrawStateFlag : unsigned {
    odSelected = 1u << 0, odGrayed = 1u << 1, odDisabled = 1u << 2, odChecked = 1u << 3,
    odFocused = 1u << 4, odDefault = 1u << 5, odComboBoxEdit = 1u << 6
};
using TOwnerDrawState = unsigned;
using TDrawItemEvent = TEvent<TWinControl*, int, TRect, TOwnerDrawState>;
using TMeasureItemEvent = TEvent<TWinControl*, int, int&>;

namespace platform::forms {
// What one change of a control's list did: one line inserted, deleted or rewritten, its object
// replaced (nothing to show but a repaint), or anything else (the control shows every line again).
struct TItemsEdit {
    enum TKind { Reset, Insert, Delete, Put, Object };
    TKind Kind = Reset;
    int Index = -1;
};

// The Items/Lines list of a control: a string list that tells its control of every change.
class TControlStrings : public TStringList {
public:
    explicit TControlStrings(std::function<void(const TItemsEdit&)> changed) : FNotify(std::move(changed)) {}
    void Delete(int index) override { Track({TItemsEdit::Delete, index}, [&] { TStringList::Delete(index); }); }
    void PutObject(int index, TObject* object) override {
        Track({TItemsEdit::Object, index}, [&] { TStringList::PutObject(index, object); });
    }

protected:
    void InsertItem(int index, const QString& s, TObject* object) override {
        Track({TItemsEdit::Insert, index}, [&] { TStringList::InsertItem(index, s, object); });
    }
    void Put(int index, const QString& s) override { Track({TItemsEdit::Put, index}, [&] { TStringList::Put(index, s); }); }
    void Changed() override {
        TStringList::Changed();
        if (UpdateCount() == 0 && FNotify) FNotify(FEdit);
    }

private:
    template <class F>
    void Track(TItemsEdit edit, F&& body) {
        FEdit = edit;
        try {
            body();
        } catch (...) {
            FEdit = {};
            throw;
        }
        FEdit = {};
    }
    std::function<void(const TItemsEdit&)> FNotify;
    TItemsEdit FEdit;
};
}  // namespace platform::forms

class TCustomLabel : public TGraphicControl {
public:
    explicit TCustomLabel(TComponent* owner);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment v) { FAlignment = v; Invalidate(); }
    TTextLayout Layout() const { return FLayout; }
    void SetLayout(TTextLayout v) { FLayout = v; Invalidate(); }
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool v) { FAutoSize = v; AdjustBounds(); }
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool v) { FWordWrap = v; AdjustBounds(); Invalidate(); }
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool v) { FTransparent = v; Invalidate(); }
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool v) { FShowAccelChar = v; Invalidate(); }
    // The control that takes the focus when the label's accelerator is pressed.
    TWinControl* FocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* c) { FFocusControl = c; }

    void CMTextChanged() override;
    void CMFontChanged() override;
    bool CMDialogChar(QChar ch) override;

protected:
    void Paint() override;
    void AdjustBounds();
    // Draws the caption in the rectangle; with calcRect it only measures into the rectangle.
    virtual void DoDrawText(TRect& rect, bool calcRect);

private:
    TAlignment FAlignment = taLeftJustify;
    TTextLayout FLayout = tlTop;
    bool FAutoSize = true, FWordWrap = false, FTransparent = false, FShowAccelChar = true;
    TWinControl* FFocusControl = nullptr;
};

class TLabel : public TCustomLabel {
public:
    explicit TLabel(TComponent* owner) : TCustomLabel(owner) {}
};

class TCustomEdit : public TWinControl {
public:
    explicit TCustomEdit(TComponent* owner);
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int v);
    bool ReadOnly() const { return FReadOnly; }
    virtual void SetReadOnly(bool v);
    QChar PasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(QChar c);
    TEditCharCase CharCase() const { return FCharCase; }
    void SetCharCase(TEditCharCase v);
    bool AutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool v) { FAutoSelect = v; }
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment v);
    bool Modified() const { return FModified; }
    void SetModified(bool v) { FModified = v; }
    TBorderStyle BorderStyle() const { return FBorder; }
    void SetBorderStyle(TBorderStyle v);

    int SelStart() const;
    void SetSelStart(int v);
    int SelLength() const;
    void SetSelLength(int v);
    QString SelText() const;
    void SetSelText(const QString& v);
    void SelectAll();
    void Clear() { SetText(QString()); }
    virtual void ClearSelection();
    void CopyToClipboard();
    virtual void CutToClipboard();
    virtual void PasteFromClipboard();
    // The middle button's paste: the text another program has selected, as a paste takes it.
    void PasteSelection();
    void Undo();
    void Redo();
    // Whether the user may change the text now; a data-aware edit starts editing its record.
    virtual bool EditCanModify() { return !ReadOnly(); }

    TNotifyEvent OnChange;
    QLineEdit* LineEdit() const;

    void DoEnter() override;
    void KeyDown(quint16& key, TShiftState shift) override;
    bool WantsKey(quint16 key, TShiftState shift) const override;

protected:
    QString GetText() const override;
    void SetTextValue(const QString& v) override;
    virtual void Change();
    // The text the user typed went through; masked edits reshape it here.
    virtual void EditTextChanged();
    // What a paste takes: the clipboard's text, or the selection's for the middle button.
    QString ClipboardText() const;
    bool FSettingText = false;

private:
    // The widget's limit for a text of `length` characters (see SetTextValue).
    void FitMaxLength(qsizetype length);
    int FMaxLength = 0;
    bool FPastingSelection = false;
    bool FReadOnly = false;
    QChar FPasswordChar;
    TEditCharCase FCharCase = ecNormal;
    bool FAutoSelect = true;
    TAlignment FAlignment = taLeftJustify;
    bool FModified = false;
    TBorderStyle FBorder = bsSingle;
};

class TEdit : public TCustomEdit {
public:
    explicit TEdit(TComponent* owner) : TCustomEdit(owner) {}
};

class TCustomMemo : public TWinControl {
public:
    explicit TCustomMemo(TComponent* owner);
    ~TCustomMemo() override;
    TStrings* Lines() const { return FLines.get(); }
    void SetLines(TStrings* v) { FLines->Assign(v); }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool v);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool v);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle v);
    bool WantReturns() const { return FWantReturns; }
    void SetWantReturns(bool v) { FWantReturns = v; }
    bool WantTabs() const { return FWantTabs; }
    void SetWantTabs(bool v);
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int v) { FMaxLength = v; }
    bool Modified() const { return FModified; }
    void SetModified(bool v) { FModified = v; }
    void Clear() { SetText(QString()); }
    void SelectAll();
    int SelStart() const;
    void SetSelStart(int v);
    int SelLength() const;
    void SetSelLength(int v);
    QString SelText() const;
    virtual void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    void ClearSelection();
    void Undo();
    void Redo();
    // Whether the user may change the text now; a data-aware memo starts editing its record.
    virtual bool EditCanModify() { return !ReadOnly(); }

    TNotifyEvent OnChange;
    QPlainTextEdit* Editor() const;

    void KeyDown(quint16& key, TShiftState shift) override;
    bool WantsKey(quint16 key, TShiftState shift) const override;

protected:
    QString GetText() const override;
    void SetTextValue(const QString& v) override;
    virtual void Change();

private:
    void LinesChanged();
    void EditorChanged();
    void KeepWithinMaxLength(int position, int removed, int added);
    std::unique_ptr<platform::forms::TControlStrings> FLines;
    bool FReadOnly = false, FWordWrap = true, FWantReturns = true, FWantTabs = false, FModified = false;
    bool FSyncing = false, FSettingText = false;
    int FMaxLength = 0;
    TScrollStyle FScrollBars = ssNone;
};

class TMemo : public TCustomMemo {
public:
    explicit TMemo(TComponent* owner) : TCustomMemo(owner) {}
};

class TButtonControl : public TWinControl {
public:
    explicit TButtonControl(TComponent* owner) : TWinControl(owner) {}
    bool CMDialogChar(QChar ch) override;
};

class TButton : public TButtonControl {
public:
    explicit TButton(TComponent* owner);
    bool Default() const { return FDefault; }
    void SetDefault(bool v);
    bool Cancel() const { return FCancel; }
    void SetCancel(bool v) { FCancel = v; }
    int ModalResult() const { return FModalResult; }
    void SetModalResult(int v) { FModalResult = v; }
    // The button's form gets ModalResult, then OnClick runs.
    void Click() override;
    bool CMDialogKey(quint16 key, TShiftState shift) override;
    void CMFocusChanged(TWinControl* focused) override;
    QPushButton* PushButton() const;

protected:
    QString GetText() const override;
    void SetTextValue(const QString& v) override;

private:
    bool FDefault = false, FCancel = false;
    int FModalResult = 0;
};

class TCustomCheckBox : public TButtonControl {
public:
    explicit TCustomCheckBox(TComponent* owner);
    bool Checked() const { return FState == cbChecked; }
    void SetChecked(bool v) { SetState(v ? cbChecked : cbUnchecked); }
    TCheckBoxState State() const { return FState; }
    virtual void SetState(TCheckBoxState v);
    bool AllowGrayed() const { return FAllowGrayed; }
    void SetAllowGrayed(bool v);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment v);
    QCheckBox* CheckBox() const;

protected:
    QString GetText() const override;
    void SetTextValue(const QString& v) override;
    // A change of state clicks (as the class library does, also when set in code).
    virtual void Toggled();

private:
    TCheckBoxState FState = cbUnchecked;
    bool FAllowGrayed = false;
    bool FSetting = false;
    TAlignment FAlignment = taRightJustify;
};

class TCheckBox : public TCustomCheckBox {
public:
    explicit TCheckBox(TComponent* owner) : TCustomCheckBox(owner) {}
};

class TRadioButton : public TButtonControl {
public:
    explicit TRadioButton(TComponent* owner);
    bool Checked() const { return FChecked; }
    void SetChecked(bool v);
    QRadioButton* RadioButton() const;

protected:
    QString GetText() const override;
    void SetTextValue(const QString& v) override;

private:
    bool FChecked = false;
    bool FSetting = false;
};

class TCustomGroupBox : public TWinControl {
public:
    explicit TCustomGroupBox(TComponent* owner);
    void AdjustClientRect(TRect& rect) const override;

protected:
    QString GetText() const override;
    void SetTextValue(const QString& v) override;

private:
    QString FCaption;
};

class TGroupBox : public TCustomGroupBox {
public:
    explicit TGroupBox(TComponent* owner) : TCustomGroupBox(owner) {}
};

class TCustomComboBox : public TWinControl {
public:
    explicit TCustomComboBox(TComponent* owner);
    ~TCustomComboBox() override;
    TStrings* Items() const { return FItems.get(); }
    void SetItems(TStrings* v) { FItems->Assign(v); }
    int ItemIndex() const;
    void SetItemIndex(int v);
    TComboBoxStyle Style() const { return FStyle; }
    void SetStyle(TComboBoxStyle v);
    int DropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(int v);
    bool Sorted() const { return FItems->Sorted(); }
    void SetSorted(bool v) { FItems->SetSorted(v); }
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int v);
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int v) { FItemHeight = v; }
    bool DroppedDown() const;
    void SetDroppedDown(bool v);
    // Runs the drop-down handling (OnDropDown) as the list is about to open.
    void DoDropDown();
    void Clear();
    TCanvas* Canvas() const { return FCanvas.get(); }
    QComboBox* ComboBox() const;

    TNotifyEvent OnChange;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;
    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;

    bool WantsKey(quint16 key, TShiftState shift) const override;
    bool WidgetEvent(QEvent* event) override;
    // Owner draw: paints one item (OnDrawItem or the plain text); index -1 for an empty edit
    // area, state odComboBoxEdit for the item shown in the closed combo.
    virtual void DrawItem(int index, TRect rect, TOwnerDrawState state);

protected:
    QString GetText() const override;
    void SetTextValue(const QString& v) override;
    virtual void Change();
    virtual void DropDown();
    void ItemsChanged(const platform::forms::TItemsEdit& edit);
    // The list's items are drawn by DrawItem also in a style with an edit part.
    void SetOwnerDrawnItems(bool v) { FOwnerDrawnItems = v; }

private:
    std::unique_ptr<platform::forms::TControlStrings> FItems;
    std::unique_ptr<TCanvas> FCanvas;
    bool FOwnerDrawnItems = false;
    TComboBoxStyle FStyle = csDropDown;
    int FDropDownCount = 8, FMaxLength = 0, FItemHeight = 16;
    bool FSyncing = false;
};

class TComboBox : public TCustomComboBox {
public:
    explicit TComboBox(TComponent* owner) : TCustomComboBox(owner) {}
};

class TCustomListBox : public TWinControl {
public:
    explicit TCustomListBox(TComponent* owner);
    ~TCustomListBox() override;
    TStrings* Items() const { return FItems.get(); }
    void SetItems(TStrings* v) { FItems->Assign(v); }
    int ItemIndex() const;
    void SetItemIndex(int v);
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool v);
    bool Selected(int index) const;
    void SetSelected(int index, bool v);
    int SelCount() const;
    bool Sorted() const { return FItems->Sorted(); }
    void SetSorted(bool v) { FItems->SetSorted(v); }
    TListBoxStyle Style() const { return FStyle; }
    void SetStyle(TListBoxStyle v);
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int v);
    // Tab stops in dialog units (0: none); tab characters in items align to them.
    int TabWidth() const { return FTabWidth; }
    void SetTabWidth(int v);
    // Horizontal extent in pixels: the list scrolls sideways up to it.
    int ScrollWidth() const { return FScrollWidth; }
    void SetScrollWidth(int v);
    int ItemAtPos(const TPoint& pos, bool existing) const;
    TRect ItemRect(int index) const;
    void Clear();
    TCanvas* Canvas() const { return FCanvas.get(); }
    QListWidget* ListWidget() const;

    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;

    bool WantsKey(quint16 key, TShiftState shift) const override;
    virtual void DrawItem(int index, TRect rect, TOwnerDrawState state);
    // The press that waited for a drag reaches the list after all, as a click.
    void DragCanceled() override;

protected:
    void ItemsChanged(platform::forms::TItemsEdit edit);
    // Told of each change of the items before the window follows it; a new extent set here
    // (KeepScrollWidth) is applied to every row.
    virtual void ItemsEdited(const platform::forms::TItemsEdit&) {}
    // The extent alone, the rows left as they are.
    void KeepScrollWidth(int v);
    // While the list is given the click of a cancelled drag.
    bool ReplayingClick() const { return FReplaying; }

private:
    // A left press on the items with automatic drag mode; true when it goes no further.
    bool AutoDragPress(QMouseEvent* event);
    QListWidgetItem* NewRow(int index, int lineHeight) const;
    std::unique_ptr<platform::forms::TControlStrings> FItems;
    std::unique_ptr<TCanvas> FCanvas;
    std::unique_ptr<QObject> FPressWatch;
    QPoint FDragPress;
    bool FReplaying = false;
    // The last press that readied a drag: the next one close by in time and place is a double
    // click, which the toolkit does not see as one through the drag.
    QElapsedTimer FLastPress;
    QPoint FLastPressAt;
    bool FMultiSelect = false;
    TListBoxStyle FStyle = lbStandard;
    int FItemHeight = 16, FTabWidth = 0, FScrollWidth = 0;
    bool FSyncing = false;
};

class TListBox : public TCustomListBox {
public:
    explicit TListBox(TComponent* owner) : TCustomListBox(owner) {}
};
