#pragma once
// Year planner: twelve month rows by 37 weekday-aligned day columns, each day with its own
// colour and hint text, a year navigator in the corner and range selection with the mouse.
#include "platform/forms/Controls.h"
#include "platform/graphics/ImgList.h"
#include "platform/rtl/DateTime.h"

#include <array>
#include <memory>

class QLabel;
class QTimer;

enum TypDOW { ypMonday, ypTuesday, ypWednesday, ypThursday, ypFriday, ypSaturday, ypSunday };
enum TypSelSty { ypNormal, ypRectangle };
enum TYearPlanAbout { abNone, abAbout };
// Start column, end column, end month, start month of the selection.
using TYearEvent = TEvent<int, int, int, int>;

struct TCellData {
    QString CellHint;
    TColor CellColor = clWhite;
    bool CellColorSet = false;
};

class TYearPlanner : public TCustomControl {
public:
    explicit TYearPlanner(TComponent* owner);
    ~TYearPlanner() override;

    int Year() const { return FYear; }
    void SetYear(int value);
    TypDOW StartDayOfWeek() const { return FStartDayOfWeek; }
    void SetStartDayOfWeek(TypDOW value);
    bool UseFreeSpace() const { return FUseFreeSpace; }
    void SetUseFreeSpace(bool value);

    void SetCellColor(TDateTime date, TColor color, bool repaint = true);
    void SetCellText(TDateTime date, const QString& text, bool repaint = true);
    const TCellData& Cell(int month, int day) const { return FCells[size_t(month - 1)][size_t(day - 1)]; }

#define ZB_YP_PROP(Type, Name, Field)                                                                                 \
    Type Name() const { return Field; }                                                                               \
    void Set##Name(Type v) {                                                                                          \
        if (Field == v) return;                                                                                       \
        Field = v;                                                                                                    \
        Invalidate();                                                                                                 \
    }
    ZB_YP_PROP(bool, AllowSelections, FAllowSelections)
    ZB_YP_PROP(TColor, DayColor, FDayColor)
    ZB_YP_PROP(bool, DrawOffScreen, FDrawOffScreen)
    ZB_YP_PROP(bool, EndEllipsis, FEndEllipsis)
    ZB_YP_PROP(bool, FlatCells, FFlatCells)
    ZB_YP_PROP(bool, GridLines, FGridLines)
    ZB_YP_PROP(TColor, HeadingColor, FHeadingColor)
    ZB_YP_PROP(TColor, HintColor, FHintColor)
    ZB_YP_PROP(TColor, MonthColor, FMonthColor)
    ZB_YP_PROP(TColor, NoDayColor, FNoDayColor)
    ZB_YP_PROP(bool, NoDayPriority, FNoDayPriority)
    ZB_YP_PROP(TColor, SelectionColor, FSelectionColor)
    ZB_YP_PROP(TypSelSty, SelectionStyle, FSelectionStyle)
    ZB_YP_PROP(bool, Seperator, FSeperator)
    ZB_YP_PROP(bool, SoftBorder, FSoftBorder)
    ZB_YP_PROP(bool, StretchImages, FStretchImages)
    ZB_YP_PROP(TColor, WeekendColor, FWeekendColor)
    ZB_YP_PROP(TColor, WeekendHeadingColor, FWeekendHeadingColor)
    ZB_YP_PROP(TColor, YearColor, FYearColor)
    ZB_YP_PROP(bool, YearNavigators, FYearNavigators)
#undef ZB_YP_PROP
    int HintDelay() const { return FHintDelay; }
    void SetHintDelay(int v) { FHintDelay = std::max(0, v); }
    TYearPlanAbout About() const { return abNone; }
    TImageList* Images() const { return FImages; }
    void SetImages(TImageList* v) { FImages = v; }
    TFont* DayFont() const { return FDayFont.get(); }
    void SetDayFont(TFont* f) { FDayFont->Assign(f); Invalidate(); }
    TFont* HintFont() const { return FHintFont.get(); }
    void SetHintFont(TFont* f) { FHintFont->Assign(f); }
    TFont* MonthFont() const { return FMonthFont.get(); }
    void SetMonthFont(TFont* f) { FMonthFont->Assign(f); Invalidate(); }
    TFont* YearFont() const { return FYearFont.get(); }
    void SetYearFont(TFont* f) { FYearFont->Assign(f); Invalidate(); }
    TPen* GridPen() const { return FGridPen.get(); }
    void SetGridPen(TPen* p) { FGridPen->Assign(p); }

    // The day and month of the last day cell the pointer moved over.
    quint8 CurrentDay = 0;
    quint8 CurrentMonth = 0;

    TYearEvent OnDblClick;
    TYearEvent OnMouseRightClick;
    TNotifyEvent OnYearChange;

    // --- Geometry, hit test and what each cell shows.
    void ComputeGeometry();
    int HeadingWidth() const { return FHeadingWidth; }
    int HeadingHeight() const { return FHeadingHeight; }
    int DayColumnWidth() const { return FColWidth; }
    int MonthRowHeight() const { return FRowHeight; }
    TRect LeftArrowRect() const { return FLeftArrow; }
    TRect RightArrowRect() const { return FRightArrow; }
    void HitTest(int x, int y, int& column, int& month) const;
    QString CellText(int column, int row) const { return FText[size_t(column)][size_t(row)]; }
    TColor CellBackground(int column, int month) const;
    bool IsSelected(int column, int month) const;
    int SelectionState() const { return FSelState; }
    TDateTime StartDate() const { return FStartDate; }
    TDateTime EndDate() const { return FEndDate; }
    // The hint now shown (empty when none).
    bool HintShowing() const { return FHintShowing; }
    const QWidget* HintWindow() const;
    QString HintText() const { return FHintText; }
    TSize HintSize() const { return FHintSize; }
    void CancelHint();

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void DblClick() override;
    void BoundsChanged(bool sizeChanged) override;

private:
    void BuildText();
    void ResetCells();
    bool IsWeekendColumn(int column) const;
    TDateTime CellDate(int column, int month) const;
    void UpdateDates();
    void PaintTo(TCanvas* c);
    void ShowHintFor(int column, int month, int x, int y);

    int FYear;
    TypDOW FStartDayOfWeek = ypMonday;
    std::array<std::array<QString, 13>, 38> FText;
    std::array<std::array<TCellData, 31>, 12> FCells;
    int FHeadingWidth = 0, FHeadingHeight = 0, FColWidth = 0, FRowHeight = 0;
    TRect FLeftArrow, FRightArrow;
    int FAnchorCol = 0, FAnchorMonth = 0, FStartCol = 0, FStartMonth = 0, FEndCol = 0, FEndMonth = 0;
    TDateTime FStartDate, FEndDate;
    int FSelState = 0;
    int FLastHintCol = -1, FLastHintMonth = -1;
    bool FHintShowing = false;
    QString FHintText;
    TSize FHintSize{0, 0};
    std::unique_ptr<QTimer> FHintTimer;
    // Its own hint window: the program's tooltips keep the desktop's look.
    std::unique_ptr<QLabel> FHintWindow;
    std::unique_ptr<TBitmap> FOffscreen;
    std::unique_ptr<TFont> FDayFont, FHintFont, FMonthFont, FYearFont;
    std::unique_ptr<TPen> FGridPen;
    TImageList* FImages = nullptr;
    bool FAllowSelections = true, FDrawOffScreen = true, FEndEllipsis = false, FFlatCells = true,
         FGridLines = true, FNoDayPriority = false, FSeperator = true, FSoftBorder = false,
         FStretchImages = false, FUseFreeSpace = true, FYearNavigators = true;
    TColor FDayColor = clWhite, FHeadingColor = clGray, FHintColor = clYellow, FMonthColor = clGray,
           FNoDayColor = clSilver, FSelectionColor = clBlue, FWeekendColor = clGray,
           FWeekendHeadingColor = clSilver, FYearColor = clGray;
    TypSelSty FSelectionStyle = ypNormal;
    int FHintDelay = 0;
};
