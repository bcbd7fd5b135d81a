#pragma once
// Month calendar for picking dates: the grid, its popup under the date edit, the modal date
// dialog built in code and the routines that make and set them up.
#include "controls/edit/ToolEdit.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"

// The auto-repeating navigation button of the calendars.
class TZbTimerSpeedButton : public TZbSpeedButton {
public:
    explicit TZbTimerSpeedButton(TComponent* owner);
};

class TZbCalendar : public TCustomControl {
public:
    explicit TZbCalendar(TComponent* owner);

    TDateTime CalendarDate() const { return FDate; }
    void SetCalendarDate(TDateTime value);
    int Day() const { return GetDateElement(3); }
    void SetDay(int v) { SetDateElement(3, v); }
    int Month() const { return GetDateElement(2); }
    void SetMonth(int v) { SetDateElement(2, v); }
    int Year() const { return GetDateElement(1); }
    void SetYear(int v) { SetDateElement(1, v); }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool v) { FReadOnly = v; }
    TDayOfWeekName StartOfWeek() const { return FStartOfWeek; }
    void SetStartOfWeek(TDayOfWeekName v);
    bool UseCurrentDate() const { return FUseCurrentDate; }
    void SetUseCurrentDate(bool v);
    TDaysOfWeek Weekends() const { return FWeekends; }
    void SetWeekends(TDaysOfWeek v);
    TColor WeekendColor() const { return FWeekendColor; }
    void SetWeekendColor(TColor v);
    TNotifyEvent OnChange;

    int MonthOffset() const { return FMonthOffset; }
    virtual void UpdateCalendar() { UpdateLayout(false); }
    void NextMonth();
    void PrevMonth();
    void NextYear();
    void PrevYear();
    int DaysThisMonth() const;
    QString CellText(int col, int row) const;
    bool IsWeekend(int col, int row) const;
    // The selected cell.
    int Col() const { return FCol; }
    int Row() const { return FRow; }
    TRect CellRect(int col, int row) const;
    void MouseToCell(int x, int y, int& col, int& row) const;
    int DefaultColWidth() const { return FColWidth; }
    int DefaultRowHeight() const { return FRowHeight; }

    void KeyDown(quint16& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void BoundsChanged(bool sizeChanged) override;
    virtual void DrawCell(int col, int row, const TRect& r, bool selected);
    void UpdateLayout(bool dayOnly);
    void Change() { OnChange(this); }
    // Grid lines between all cells, or only under the heading row.
    bool FAllLines = true;

private:
    int GetDateElement(int index) const;
    void SetDateElement(int index, int value);
    bool SelectCell(int col, int row);

    TDateTime FDate;
    int FMonthOffset = 0;
    bool FReadOnly = false;
    TDayOfWeekName FStartOfWeek = Mon;
    bool FUpdating = false;
    bool FUseCurrentDate = true;
    TDaysOfWeek FWeekends = DayBit(Sun);
    TColor FWeekendColor = clRed;
    int FCol = 0, FRow = 1;
    int FColWidth = 20, FRowHeight = 16;
};

// The borderless grid of the popup: it never takes the focus from the edit.
class TLocCalendar : public TZbCalendar {
public:
    explicit TLocCalendar(TComponent* owner);

protected:
    void DrawCell(int col, int row, const TRect& r, bool selected) override;
};

class TPopupCalendar : public TPopupWindow {
public:
    explicit TPopupCalendar(TWinControl* owner);
    TLocCalendar* Calendar() const { return FCalendar; }
    TLabel* TitleLabel() const { return FTitleLabel; }
    // Previous year, previous month, next month, next year.
    TZbTimerSpeedButton* Buttons(int index) const { return FButtons.at(size_t(index)); }

    Variant GetValue() override;
    void SetValue(const Variant& value) override;
    void KeyDown(quint16& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;

private:
    void CalendarChange(TObject*);
    void CalendarMouseUp(TObject*, TMouseButton button, TShiftState shift, int x, int y);
    void UpdateTitle();
    TLocCalendar* FCalendar = nullptr;
    TLabel* FTitleLabel = nullptr;
    std::array<TZbTimerSpeedButton*, 4> FButtons{};
};

class TSelectDateDlg : public TForm {
public:
    explicit TSelectDateDlg(TComponent* owner);
    TZbCalendar* Calendar() const { return FCalendar; }
    TLabel* TitleLabel() const { return FTitleLabel; }
    TZbTimerSpeedButton* Buttons(int index) const { return FButtons.at(size_t(index)); }
    TDateTime Date() const { return FCalendar->CalendarDate(); }
    void SetDate(TDateTime value);

    void PrevYearBtnClick(TObject*);
    void NextYearBtnClick(TObject*);
    void PrevMonthBtnClick(TObject*);
    void NextMonthBtnClick(TObject*);
    void CalendarChange(TObject*);
    void CalendarDblClick(TObject*);
    void TopPanelDblClick(TObject*);
    void FormKeyDown(TObject*, quint16& key, TShiftState shift);

protected:
    void DoShow() override;

private:
    TZbCalendar* FCalendar = nullptr;
    TLabel* FTitleLabel = nullptr;
    std::array<TZbTimerSpeedButton*, 4> FButtons{};
};

// The popup's size; never below 180 x 120.
constexpr TSize PopupCalendarSize{187, 124};

TPopupWindow* CreatePopupCalendar(TWinControl* owner);
void SetupPopupCalendar(TWinControl* popup, TDayOfWeekName startOfWeek, TDaysOfWeek weekends, TColor weekendColor,
                        TStrings* buttonHints);
TSelectDateDlg* CreateDateDialog(const QString& title);
bool SelectDate(TDateTime& date, const QString& title, TDayOfWeekName startOfWeek, TDaysOfWeek weekends,
                TColor weekendColor, TStrings* buttonHints);
void FontSetDefault(TFont* font);
