#pragma once
// Preview control: shows one page of a report printer's recorded pages at a zoom percentage
// (100 = real size on a 96 pixels-per-inch screen), with fits to the whole page and to its width.
// A page larger than the control scrolls with its scroll bars and the mouse wheel.
#include "platform/forms/Controls.h"
#include "platform/report/QuickRpt.h"

class QScrollBar;

class TQRPreview : public TCustomControl {
public:
    explicit TQRPreview(TComponent* owner);
    ~TQRPreview() override;

    // The report printer shown (the global one unless set).
    TQRPrinter* QRPrinter() const;
    void SetQRPrinter(TQRPrinter* printer) { FPrinter = printer; Invalidate(); }

    // Current page, 1 .. page count; values outside are brought within.
    int PageNumber() const;
    void SetPageNumber(int value);
    int Zoom() const { return FZoom; }
    void SetZoom(int percent);
    // Zooms so the whole page shows / the page's width fills the control.
    void ZoomToFit();
    void ZoomToWidth();

    bool WidgetEvent(QEvent* event) override;

protected:
    void Paint() override;
    void BoundsChanged(bool sizeChanged) override;

private:
    void ClampScroll();
    QSize PageSize() const;
    // The page at the zoom with its grey border, and the part of the control left to show it
    // once the scroll bars it needs are placed.
    QSize ContentSize() const;
    QSize ViewSize() const;
    void UpdateBars();

    QScrollBar* FHBar = nullptr;  // children of the control's widget
    QScrollBar* FVBar = nullptr;
    QRect FBarsFor;  // the content and control sizes the bars were last set for

    TQRPrinter* FPrinter = nullptr;
    int FPageNumber = 1;
    int FZoom = 100;
    int FScrollX = 0, FScrollY = 0;
};
