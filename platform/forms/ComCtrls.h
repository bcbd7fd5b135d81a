#pragma once
// Page control and tab sheets, status bar with panels, progress bar and gauge, up-down
// buttons and the tree view.
#include "platform/forms/StdCtrls.h"
#include "platform/graphics/ImgList.h"

#include <memory>
#include <vector>

class QTabBar;
class QProgressBar;
class QTreeWidget;
class QTreeWidgetItem;
class TPageControl;

class TTabSheet : public TWinControl {
public:
    explicit TTabSheet(TComponent* owner);
    ~TTabSheet() override;
    TPageControl* PageControl() const { return FPageControl; }
    void SetPageControl(TPageControl* pageControl);
    int PageIndex() const;
    bool TabVisible() const { return FTabVisible; }
    void SetTabVisible(bool value);
    // Position among the visible tabs, or -1.
    int TabIndex() const;
    void CMTextChanged() override;

    TNotifyEvent OnShow;
    TNotifyEvent OnHide;

private:
    friend class TPageControl;
    TPageControl* FPageControl = nullptr;
    bool FTabVisible = true;
};

using TTabChangingEvent = TEvent<TObject*, bool&>;

class TPageControl : public TWinControl {
public:
    explicit TPageControl(TComponent* owner);
    ~TPageControl() override;
    int PageCount() const { return int(FPages.size()); }
    TTabSheet* Pages(int index) const { return FPages.at(size_t(index)); }
    TTabSheet* ActivePage() const { return FActivePage; }
    void SetActivePage(TTabSheet* page);
    // Next or previous visible page after `current`.
    TTabSheet* FindNextPage(TTabSheet* current, bool goForward, bool checkTabVisible) const;
    void SelectNextPage(bool goForward);

    TNotifyEvent OnChange;
    TTabChangingEvent OnChanging;

    void AdjustClientRect(TRect& rect) const override;
    bool TabStopsAtContainer() const override { return TabStop(); }
    bool CMDialogKey(quint16 key, TShiftState shift) override;
    void CMFocusChanged(TWinControl* focused) override;

protected:
    void AlignControls(TRect& rect) override;
    void KeyDown(quint16& key, TShiftState shift) override;
    virtual bool CanChange();
    virtual void Change();

private:
    friend class TTabSheet;
    void InsertPage(TTabSheet* page);
    void RemovePage(TTabSheet* page);
    void UpdateTabs();
    void ShowActive();
    QTabBar* Bar() const { return FBar; }
    std::vector<TTabSheet*> FPages;
    TTabSheet* FActivePage = nullptr;
    QTabBar* FBar = nullptr;
    bool FUpdatingTabs = false;
};

enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };
enum TStatusPanelStyle { psText, psOwnerDraw };

class TStatusBar;

class TStatusPanel {
public:
    explicit TStatusPanel(TStatusBar* bar) : FBar(bar) {}
    QString Text() const { return FText; }
    void SetText(const QString& v);
    int Width() const { return FWidth; }
    void SetWidth(int v);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment v);
    TStatusPanelBevel Bevel() const { return FBevel; }
    TStatusPanelStyle Style() const { return FStyle; }
    void SetStyle(TStatusPanelStyle v);
    int Index() const;

private:
    TStatusBar* FBar;
    QString FText;
    int FWidth = 50;
    TAlignment FAlignment = taLeftJustify;
    TStatusPanelBevel FBevel = pbLowered;
    TStatusPanelStyle FStyle = psText;
};

class TStatusPanels {
public:
    explicit TStatusPanels(TStatusBar* bar) : FBar(bar) {}
    int Count() const { return int(FItems.size()); }
    TStatusPanel* Items(int index) const;
    TStatusPanel* operator[](int index) const { return Items(index); }
    TStatusPanel* Add();
    void Delete(int index);
    void Clear();
    void BeginUpdate() { ++FUpdate; }
    void EndUpdate();

private:
    friend class TStatusPanel;
    void Changed();
    TStatusBar* FBar;
    std::vector<std::unique_ptr<TStatusPanel>> FItems;
    int FUpdate = 0;
};

using TDrawPanelEvent = TEvent<TStatusBar*, TStatusPanel*, const TRect&>;

class TStatusBar : public TCustomControl {
public:
    explicit TStatusBar(TComponent* owner);
    ~TStatusBar() override;
    TStatusPanels* Panels() const { return FPanels.get(); }
    bool SimplePanel() const { return FSimplePanel; }
    void SetSimplePanel(bool v) { FSimplePanel = v; Invalidate(); }
    QString SimpleText() const { return FSimpleText; }
    void SetSimpleText(const QString& v) { FSimpleText = v; Invalidate(); }
    bool SizeGrip() const { return FSizeGrip; }
    void SetSizeGrip(bool v) { FSizeGrip = v; Invalidate(); }
    // The rectangle of a panel (the last one takes what is left).
    TRect PanelRect(int index) const;
    TDrawPanelEvent OnDrawPanel;

protected:
    void Paint() override;
    virtual void DrawPanel(TStatusPanel* panel, const TRect& rect);

private:
    std::unique_ptr<TStatusPanels> FPanels;
    bool FSimplePanel = false;
    QString FSimpleText;
    bool FSizeGrip = true;
};

class TProgressBar : public TWinControl {
public:
    explicit TProgressBar(TComponent* owner);
    int Min() const { return FMin; }
    void SetMin(int v);
    int Max() const { return FMax; }
    void SetMax(int v);
    int Position() const { return FPosition; }
    void SetPosition(int v);
    int Step() const { return FStep; }
    void SetStep(int v) { FStep = v; }
    void StepIt() { SetPosition(FPosition + FStep); }
    void StepBy(int delta) { SetPosition(FPosition + delta); }

private:
    QProgressBar* Bar() const;
    int FMin = 0, FMax = 100, FPosition = 0, FStep = 10;
};

enum TGaugeKind { gkText, gkHorizontalBar, gkVerticalBar, gkPie, gkNeedle };

// The painted gauge with its percentage in the middle.
class TGauge : public TGraphicControl {
public:
    explicit TGauge(TComponent* owner);
    int MinValue() const { return FMinValue; }
    void SetMinValue(int v);
    int MaxValue() const { return FMaxValue; }
    void SetMaxValue(int v);
    int Progress() const { return FProgress; }
    void SetProgress(int v);
    void AddProgress(int v) { SetProgress(FProgress + v); }
    int PercentDone() const;
    TGaugeKind Kind() const { return FKind; }
    void SetKind(TGaugeKind v) { FKind = v; Invalidate(); }
    TColor ForeColor() const { return FForeColor; }
    void SetForeColor(TColor v) { FForeColor = v; Invalidate(); }
    TColor BackColor() const { return FBackColor; }
    void SetBackColor(TColor v) { FBackColor = v; Invalidate(); }
    bool ShowText() const { return FShowText; }
    void SetShowText(bool v) { FShowText = v; Invalidate(); }
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle v) { FBorderStyle = v; Invalidate(); }

protected:
    void Paint() override;

private:
    int FMinValue = 0, FMaxValue = 100, FProgress = 0;
    TGaugeKind FKind = gkHorizontalBar;
    TColor FForeColor = clBlack, FBackColor = clWhite;
    bool FShowText = true;
    TBorderStyle FBorderStyle = bsSingle;
};

enum TUDBtnType { btNext, btPrev };
enum TUDOrientation { udHorizontal, udVertical };
using TUDClickEvent = TEvent<TObject*, TUDBtnType>;
using TUDChangingEvent = TEvent<TObject*, bool&>;

class TUpDown : public TCustomControl {
public:
    explicit TUpDown(TComponent* owner);
    int Min() const { return FMin; }
    void SetMin(int v) { FMin = v; SetPosition(FPosition); }
    int Max() const { return FMax; }
    void SetMax(int v) { FMax = v; SetPosition(FPosition); }
    int Position() const { return FPosition; }
    void SetPosition(int v);
    int Increment() const { return FIncrement; }
    void SetIncrement(int v) { FIncrement = v; }
    bool Wrap() const { return FWrap; }
    void SetWrap(bool v) { FWrap = v; }
    bool Thousands() const { return FThousands; }
    void SetThousands(bool v) { FThousands = v; }
    TUDOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TUDOrientation v) { FOrientation = v; Invalidate(); }
    // The edit that shows the position; it is placed against the up-down's left side.
    TWinControl* Associate() const { return FAssociate; }
    void SetAssociate(TWinControl* edit);
    // Moves one step as a click of that button does.
    void ClickButton(TUDBtnType button);

    TUDClickEvent OnClick;
    TUDChangingEvent OnChanging;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    void UpdateAssociate();
    int FMin = 0, FMax = 100, FPosition = 0, FIncrement = 1;
    bool FWrap = false, FThousands = true;
    TUDOrientation FOrientation = udVertical;
    TWinControl* FAssociate = nullptr;
};

class TTreeView;
class TTreeNodes;

class TTreeNode {
public:
    QString Text() const;
    void SetText(const QString& v);
    void* Data() const { return FData; }
    void SetData(void* v);
    // An object the node owns and frees with itself (a row's bookmark or key); Data points at it.
    TObject* OwnedData() const { return FOwnedData.get(); }
    void SetOwnedData(std::unique_ptr<TObject> data);
    TTreeNode* Parent() const { return FParent; }
    int Count() const { return int(FChildren.size()); }
    TTreeNode* Item(int index) const { return FChildren.at(size_t(index)); }
    bool HasChildren() const { return !FChildren.empty(); }
    int Index() const;
    int Level() const;
    int AbsoluteIndex() const;
    bool Expanded() const;
    void SetExpanded(bool v);
    void Expand(bool recurse);
    void Collapse(bool recurse);
    bool Selected() const;
    void SetSelected(bool v);
    bool Focused() const { return Selected(); }
    void MakeVisible();
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int v);
    int SelectedIndex() const { return FSelectedIndex; }
    void SetSelectedIndex(int v);
    TTreeNode* GetFirstChild() const { return FChildren.empty() ? nullptr : FChildren.front(); }
    TTreeNode* GetLastChild() const { return FChildren.empty() ? nullptr : FChildren.back(); }
    TTreeNode* GetNextSibling() const;
    TTreeNode* GetPrevSibling() const;
    // Next node in the whole tree, depth first.
    TTreeNode* GetNext() const;
    void Delete();
    void DeleteChildren();
    // Puts the children in alphabetical order of their texts.
    void AlphaSort();
    TTreeNodes* Owner() const { return FOwner; }
    TTreeView* TreeView() const;

private:
    friend class TTreeNodes;
    friend class TTreeView;
    explicit TTreeNode(TTreeNodes* owner) : FOwner(owner) {}
    TTreeNodes* FOwner;
    TTreeNode* FParent = nullptr;
    std::vector<TTreeNode*> FChildren;
    QTreeWidgetItem* FItem = nullptr;
    void* FData = nullptr;
    std::unique_ptr<TObject> FOwnedData;
    int FImageIndex = -1, FSelectedIndex = -1;
    // Where the node was last found among its siblings: walking a branch of many nodes looked
    // each one up from the start.
    mutable int FIndexHint = -1;
};

class TTreeNodes {
public:
    explicit TTreeNodes(TTreeView* owner) : FOwner(owner) {}
    ~TTreeNodes();
    int Count() const;
    TTreeNode* Item(int absoluteIndex) const;
    TTreeNode* GetFirstNode() const { return FRoots.empty() ? nullptr : FRoots.front(); }
    // A sibling of `node` at the end of its level (a root when node is null).
    TTreeNode* Add(TTreeNode* node, const QString& text) { return AddObject(node, text, nullptr); }
    TTreeNode* AddObject(TTreeNode* node, const QString& text, void* data);
    TTreeNode* AddChild(TTreeNode* parent, const QString& text) { return AddChildObject(parent, text, nullptr); }
    TTreeNode* AddChildObject(TTreeNode* parent, const QString& text, void* data);
    TTreeNode* Insert(TTreeNode* before, const QString& text);
    void Delete(TTreeNode* node);
    void Clear();
    void BeginUpdate();
    void EndUpdate();
    TTreeView* Owner() const { return FOwner; }
    const std::vector<TTreeNode*>& Roots() const { return FRoots; }

private:
    friend class TTreeNode;
    friend class TTreeView;
    TTreeNode* Make(TTreeNode* parent, int index, const QString& text, void* data);
    void Free(TTreeNode* node);
    TTreeNode* NodeOf(QTreeWidgetItem* item) const;
    TTreeView* FOwner;
    std::vector<TTreeNode*> FRoots;
};

using TTVChangedEvent = TEvent<TObject*, TTreeNode*>;
using TTVChangingEvent = TEvent<TObject*, TTreeNode*, bool&>;
using TTVExpandingEvent = TEvent<TObject*, TTreeNode*, bool&>;

class TTreeView : public TWinControl {
public:
    explicit TTreeView(TComponent* owner);
    ~TTreeView() override;
    TTreeNodes* Items() const { return FNodes.get(); }
    TTreeNode* Selected() const;
    void SetSelected(TTreeNode* node);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool v) { FReadOnly = v; }
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool v) { FHideSelection = v; }
    bool ShowRoot() const { return FShowRoot; }
    bool ShowLines() const { return FShowLines; }
    void SetShowLines(bool v) { FShowLines = v; }
    bool ShowButtons() const { return FShowButtons; }
    void FullExpand();
    // The pictures of the nodes: each node shows the image of its ImageIndex, and the image of
    // its SelectedIndex while it is selected.
    TImageList* Images() const { return FImages; }
    void SetImages(TImageList* value);

    TTVChangedEvent OnChange;
    TTVChangingEvent OnChanging;
    TTVExpandingEvent OnExpanding;
    TTVExpandingEvent OnCollapsing;
    TTVChangedEvent OnExpanded;
    TTVChangedEvent OnCollapsed;
    TTVChangedEvent OnDeletion;

    bool WantsKey(quint16 key, TShiftState shift) const override;
    QTreeWidget* Tree() const;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TTreeNodes;
    friend class TTreeNode;
    void ImageListChange(TObject* sender);
    void UpdateNodeImage(TTreeNode* node);
    std::unique_ptr<TTreeNodes> FNodes;
    TImageList* FImages = nullptr;
    std::unique_ptr<TChangeLink> FImageChangeLink;
    bool FReadOnly = false, FHideSelection = true, FShowRoot = true, FShowLines = true, FShowButtons = true;
    bool FSyncing = false;
};
