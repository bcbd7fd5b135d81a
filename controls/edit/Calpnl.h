#pragma once
// Month calendar panel: one month of day numbers, each coloured from weekend colours and fifteen
// day lists, with optional title row, month buttons and week-number column.
#include "platform/classes/Strings.h"
#include "platform/forms/Buttons.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/rtl/DateTime.h"

#include <array>
#include <memory>

enum TDayWidth { dw1Char, dw2Char, dw3Char };

// The month-step button.
class TCalButton : public TBitBtn {
public:
    explicit TCalButton(TComponent* owner) : TBitBtn(owner) {}
};

class TCalenPnl : public TCustomPanel {
public:
    explicit TCalenPnl(TComponent* owner);
    ~TCalenPnl() override;

    TDateTime Date() const { return FDate; }
    void SetDate(TDateTime value);
    int Year() const { return FYear; }
    int Month() const { return FMonth; }
    int Day() const { return FDay; }

    bool ShowDate() const { return FShowDate; }
    void SetShowDate(bool v);
    bool UseLongDate() const { return FUseLongDate; }
    void SetUseLongDate(bool v);
    TDayWidth DayWidth() const { return FDayWidth; }
    void SetDayWidth(TDayWidth v);
    bool GermanDate() const { return FGermanDate; }
    void SetGermanDate(bool v);
    bool ShowWeeks() const { return FShowWeeks; }
    void SetShowWeeks(bool v);
    bool ShowButtonHints() const { return FShowButtonHints; }
    void SetShowButtonHints(bool v) { FShowButtonHints = v; }

    TColor ColHoliday() const { return FColHoliday; }
    void SetColHoliday(TColor v) { SetColour(FColHoliday, v); }
    TColor ColMarked() const { return FColMarked; }
    void SetColMarked(TColor v) { SetColour(FColMarked, v); }
    // Colours of days1..days13 (index 1..13).
    TColor ColDays(int index) const { return FColDays.at(size_t(index - 1)); }
    void SetColDays(int index, TColor v) { SetColour(FColDays.at(size_t(index - 1)), v); }
    TColor ColSunday() const { return FColSunday; }
    void SetColSunday(TColor v) { SetColour(FColSunday, v); }
    TColor ColSaturday() const { return FColSaturday; }
    void SetColSaturday(TColor v) { SetColour(FColSaturday, v); }

    TStrings* Holidays() const { return FHolidays.get(); }
    void SetHolidays(TStrings* v) { FHolidays->Assign(v); }
    TStrings* Markdays() const { return FMarkdays.get(); }
    void SetMarkdays(TStrings* v) { FMarkdays->Assign(v); }
    // days1..days13 (index 1..13).
    TStrings* Days(int index) const { return FDays.at(size_t(index - 1)).get(); }
    void SetDays(int index, TStrings* v) { FDays.at(size_t(index - 1))->Assign(v); }

    TNotifyEvent OnDateChange;

    // --- What the panel shows (cells 1..42, row-major).
    QString CellText(int cell) const { return FCells.at(size_t(cell)); }
    int WeekCount() const { return FWeekCount; }
    QString WeekText(int index) const { return FWeeks.at(size_t(index)); }
    int SelectedCell() const { return FSelected; }
    // Cell of the 1st of the shown month (1..7).
    int FirstCell() const;
    // The text colour of a cell by the precedence rules.
    TColor CellColor(int cell) const;
    // Week number of a date by the Monday (German) or Sunday rule.
    static int WeekNumber(TDateTime date, bool german);
    // Layout of the last paint (or computed now).
    TRect GridRect() const { return FGrid; }
    TRect HeaderRect() const { return FHeader; }
    int ColWidth() const { return FColWidth; }
    int RowHeight() const { return FRowHeight; }
    void ComputeLayout();
    TCalButton* PrevButton() const { return FPrev; }
    TCalButton* NextButton() const { return FNext; }

    void KeyDown(quint16& key, TShiftState shift) override;
    bool WantsKey(quint16 key, TShiftState shift) const override;

protected:
    void Paint() override;
    void DblClick() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    void SetColour(TColor& field, TColor v);
    void BuildCells();
    void BuildWeeks();
    bool ChangeDate(int delta);
    int CellAt(int x, int y) const;
    int ColumnOf(int cell) const { return (cell - 1) % 7 + 1; }
    bool IsSundayColumn(int col) const { return FGermanDate ? col == 7 : col == 1; }
    bool IsSaturdayColumn(int col) const { return FGermanDate ? col == 6 : col == 7; }
    TRect CellRect(int cell) const;
    void DrawCell(int cell, bool bold);
    void DrawSelection();
    void PrevMonthClick(TObject*);
    void NextMonthClick(TObject*);
    bool PageUp();
    bool PageDown();
    void Beep();

    TDateTime FDate;
    int FYear = 0, FMonth = 0, FDay = 0;
    std::array<QString, 43> FCells;
    std::array<QString, 6> FWeeks;
    int FWeekCount = 0;
    std::array<QString, 8> FDayNames;
    int FSelected = 0, FPrevSelected = 0;
    TPoint FMouseDown{-1, -1};
    TRect FHeader, FGrid;
    int FColWidth = 0, FRowHeight = 0;
    bool FShowDate = false, FUseLongDate = false, FGermanDate = false, FShowWeeks = false,
         FShowButtonHints = false;
    TDayWidth FDayWidth = dw2Char;
    TColor FColHoliday = clBlack, FColMarked = clBlack, FColSunday = clPurple, FColSaturday = clPurple;
    std::array<TColor, 13> FColDays;
    std::unique_ptr<TStringList> FHolidays, FMarkdays;
    std::array<std::unique_ptr<TStringList>, 13> FDays;
    TCalButton* FPrev = nullptr;
    TCalButton* FNext = nullptr;
};
