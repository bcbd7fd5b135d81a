#pragma once
// One year of the current lawyer's agenda at a glance: every day with entries of the chosen
// kinds is coloured, its hint gives the number of entries, and a double-click chooses the day.
#include "controls/edit/Yearplan.h"
#include "controls/visual/SpeedBar.h"
#include "controls/visual/ZBCtrls_lists.h"
#include "platform/db/DBTables.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

class TFPlanner : public TForm {
public:
    explicit TFPlanner(TComponent* owner);
    ~TFPlanner() override;

    TSpeedBar* SpeedBar1 = nullptr;
    TSpeedItem* SpeedItem1 = nullptr;
    TYearPlanner* YearPlanner1 = nullptr;
    TPanel* Panel1 = nullptr;
    TZbCheckListBox* btAgenda = nullptr;
    TZbCheckListBox* btAvisos = nullptr;
    TTable* TAnios = nullptr;
    TQuery* QAgen = nullptr;

    // Sets the year and the selected day the planner opens on.
    void Situa(TDateTime fecha);

    void Cambia(TObject* sender);
    void YearPlanner1DblClick(int stDays, int enDays, int stMonth, int enMonth);
    void SpeedItem1Click(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
    void btAgendaClickCheck(TObject* sender);

    // The kinds of entries the check lists ask for, as the list of an IN clause.
    QString ListaTipos() const;

private:
    bool FCambiando = false;
};

// The day chosen by a double-click on the planner.
extern TDateTime FechaPlanner;

namespace agenda {
// The look both year forms give their planner: no selections or grid lines, red weekends,
// pale green headings on white, the whole client area.
void PreparaPlanner(TYearPlanner* planner);
// Locates the per-year row of `anio` in `anios` and returns the year the forms work on: that
// year, or the year of the current row when it has none.
int AnoDeTrabajo(TTable* anios, int anio);
// The least size at which a planner still shows every day and whole month names (15-pixel day
// columns): on an 800-pixel screen the year forms shrink their planner to it instead of scrolling.
constexpr int PlannerAnchoMinimo = 620, PlannerAltoMinimo = 240;
}  // namespace agenda
