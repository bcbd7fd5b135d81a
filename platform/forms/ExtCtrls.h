#pragma once
// Panels, bevels, shapes, images, radio groups, the timer and the scroll box.
#include "platform/forms/StdCtrls.h"

#include <memory>
#include <vector>

class QTimer;
class QScrollArea;

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };
enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

class TCustomPanel : public TCustomControl {
public:
    explicit TCustomPanel(TComponent* owner);
    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut v) { FBevelInner = v; Realign(); Invalidate(); }
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut v) { FBevelOuter = v; Realign(); Invalidate(); }
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int v) { FBevelWidth = v; Realign(); Invalidate(); }
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int v) { FBorderWidth = v; Realign(); Invalidate(); }
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle v) { FBorderStyle = v; Realign(); Invalidate(); }
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment v) { FAlignment = v; Invalidate(); }
    void AdjustClientRect(TRect& rect) const override;

protected:
    void Paint() override;

private:
    TBevelCut FBevelInner = bvNone, FBevelOuter = bvRaised;
    int FBevelWidth = 1, FBorderWidth = 0;
    TBorderStyle FBorderStyle = bsNone;
    TAlignment FAlignment = taCenter;
};

class TPanel : public TCustomPanel {
public:
    explicit TPanel(TComponent* owner) : TCustomPanel(owner) {}
};

class TBevel : public TGraphicControl {
public:
    explicit TBevel(TComponent* owner);
    TBevelShape Shape() const { return FShape; }
    void SetShape(TBevelShape v) { FShape = v; Invalidate(); }
    TBevelStyle Style() const { return FStyle; }
    void SetStyle(TBevelStyle v) { FStyle = v; Invalidate(); }

protected:
    void Paint() override;

private:
    TBevelShape FShape = bsBox;
    TBevelStyle FStyle = bsLowered;
};

class TShape : public TGraphicControl {
public:
    explicit TShape(TComponent* owner);
    ~TShape() override;
    TShapeType Shape() const { return FShape; }
    void SetShape(TShapeType v) { FShape = v; Invalidate(); }
    TPen* Pen() const { return FPen.get(); }
    TBrush* Brush() const { return FBrush.get(); }

protected:
    void Paint() override;

private:
    TShapeType FShape = stRectangle;
    std::unique_ptr<TPen> FPen;
    std::unique_ptr<TBrush> FBrush;
};

class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* owner);
    ~TImage() override;
    TPicture* Picture() const { return FPicture.get(); }
    void SetPicture(TPicture* v) { FPicture->Assign(v); }
    bool Stretch() const { return FStretch; }
    void SetStretch(bool v) { FStretch = v; Invalidate(); }
    bool Center() const { return FCenter; }
    void SetCenter(bool v) { FCenter = v; Invalidate(); }
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool v);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool v) { FTransparent = v; Invalidate(); }

protected:
    void Paint() override;

private:
    void PictureChanged();
    std::unique_ptr<TPicture> FPicture;
    bool FStretch = false, FCenter = false, FAutoSize = false, FTransparent = false;
};

class TCustomRadioGroup : public TCustomGroupBox {
public:
    explicit TCustomRadioGroup(TComponent* owner);
    ~TCustomRadioGroup() override;
    TStrings* Items() const { return FItems.get(); }
    void SetItems(TStrings* v) { FItems->Assign(v); }
    int ItemIndex() const { return FItemIndex; }
    virtual void SetItemIndex(int v);
    int Columns() const { return FColumns; }
    void SetColumns(int v);
    int ButtonCount() const { return int(FButtons.size()); }
    TRadioButton* Buttons(int index) const { return FButtons.at(size_t(index)); }
    void CMEnabledChanged() override;

protected:
    void BoundsChanged(bool sizeChanged) override;
    virtual void ButtonClicked(int index);

private:
    void ItemsChanged();
    void ArrangeButtons();
    std::unique_ptr<platform::forms::TControlStrings> FItems;
    std::vector<TRadioButton*> FButtons;
    int FItemIndex = -1;
    int FColumns = 1;
    bool FUpdating = false;
};

class TRadioGroup : public TCustomRadioGroup {
public:
    explicit TRadioGroup(TComponent* owner) : TCustomRadioGroup(owner) {}
};

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool v);
    unsigned Interval() const { return FInterval; }
    void SetInterval(unsigned v);
    TNotifyEvent OnTimer;
    // Runs the timer's handler now (tests, and the queued tick).
    virtual void Timer();
    // Whether its ticks run while the program waits on the data server (a clock may); they are
    // skipped by default: a handler may use the data, whose connection is busy then.
    bool RunsDuringServerWait() const { return FDuringServerWait; }
    void SetRunsDuringServerWait(bool v) { FDuringServerWait = v; }

private:
    void Update();
    std::unique_ptr<QTimer> FTimer;
    bool FEnabled = true;
    bool FDuringServerWait = false;
    unsigned FInterval = 1000;
};

class TScrollBox : public TWinControl {
public:
    explicit TScrollBox(TComponent* owner);
    QWidget* ClientWidget() const override { return FContent; }
    TRect ClientRect() const override;
    // The area the children cover grows the scrollable range.
    void UpdateRange();
    void ScrollInView(TControl* control);

protected:
    void BoundsChanged(bool sizeChanged) override;

private:
    QScrollArea* Area() const;
    QWidget* FContent = nullptr;
};
