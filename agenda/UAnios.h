#pragma once
// The office's yearly calendar of special days (holidays and other day types): a new year can
// be generated with its Sundays marked, and any day given a type and a description.
#include "controls/data/ZBCombos.h"
#include "controls/edit/Yearplan.h"
#include "controls/visual/SpeedBar.h"
#include "platform/db/DBTables.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

class TFAnios : public TForm {
public:
    explicit TFAnios(TComponent* owner);
    ~TFAnios() override;

    TSpeedBar* SpeedBar1 = nullptr;
    TSpeedItem* SpeedItem1 = nullptr;
    TSpeedItem* SpeedItem2 = nullptr;
    TPanel* Panel1 = nullptr;
    TLabel* Label1 = nullptr;
    TColorComboBox* cbCol = nullptr;
    TYearPlanner* YearPlanner1 = nullptr;
    TTable* TAnios = nullptr;
    TQuery* QDias = nullptr;
    TQuery* QFechas = nullptr;

    // Sets the year and the selected day the calendar opens on.
    void Situa(TDateTime fecha);

    void Cambia(TObject* sender);
    void cbColChange(TObject* sender);
    void YearPlanner1DblClick(int stDays, int enDays, int stMonth, int enMonth);
    void SpeedItem1Click(TObject* sender);
    void SpeedItem2Click(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);

private:
    // The colour a special day of type `tipo` shows on `fecha`.
    TColor ColorDelDia(TDateTime fecha, int tipo) const;
    void NombraTipos();
    bool FCambiando = false;
};

// The last day double-clicked on the yearly calendar.
extern TDateTime FechaAnios;

namespace agenda {
// Writes a red special day for every Sunday of `ano` that has none, in one transaction, and
// only when the year still has no special day at all: a second run, here or on another
// workstation, adds nothing. Returns the number of days written.
int GeneraAnio(int ano);
// The special days of a year.
int DiasEspeciales(int ano);
}  // namespace agenda
