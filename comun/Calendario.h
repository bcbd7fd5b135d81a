#pragma once
// The borderless month calendar that returns one day: it opens on the shared calendar date, marks
// special days and the agenda of the current lawyer, and moves by months and years.
#include "controls/edit/Calpnl.h"
#include "controls/visual/ZBCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

namespace comun {
// What every calendar of the agenda shows alike: short dd/mm dates, no weeks, holidays in red,
// marked days in navy and the thirteen colours of the day types.
void CalendarioDeAgenda(TCalenPnl* c);
}  // namespace comun

class TAlmanaque : public TForm {
public:
    explicit TAlmanaque(TComponent* owner);
    ~TAlmanaque() override;

    TCalenPnl* Calendar = nullptr;
    TLabel* Fecha = nullptr;
    TZbSpeedButton* btMesMinus = nullptr;
    TZbSpeedButton* btMesPlus = nullptr;
    TZbSpeedButton* btYearAnt = nullptr;
    TZbSpeedButton* ZbSpeedButton1 = nullptr;

    void FormShow(TObject* sender);
    void FormKeyDown(TObject* sender, quint16& key, TShiftState shift);
    void FormKeyUp(TObject* sender, quint16& key, TShiftState shift);
    void CalendarChange(TObject* sender);
    void CalendarDblClick(TObject* sender);
    void btMesMinusClick(TObject* sender);
    void btMesPlusClick(TObject* sender);
    void btYearAntClick(TObject* sender);
    void ZbSpeedButton1Click(TObject* sender);

private:
    // Moves the shared date and shows its month with its marks, the shared day selected.
    void Mueve(int meses, int anos);
    void Redibuja();
};

extern TAlmanaque* Almanaque;

// True when a date or time edit holds nothing but its mask's blanks and separators.
bool SinTeclear(const QString& texto);
// The date typed in `edit` into `dia`; false, and `dia` untouched, when it holds none. A text
// that is no date shows "FECHA ERRONEA : " with it, puts the focus back in the edit and aborts.
bool FechaDelEdit(TCustomEdit* edit, TDateTime& dia);
// Shows the calendar on `dia` (when `hay`; else on the day it starts with) and frees it; true,
// with the day chosen in `dia`, when it was closed with OK.
bool EligeFecha(TDateTime& dia, bool hay = true);
// The calendar on the date typed in `edit`, if any; the day chosen is written into the edit as
// "dd/mm/yyyy". True when one was chosen.
bool FechaDelCalendario(TCustomEdit* edit);
