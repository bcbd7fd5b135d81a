#pragma once
// The borderless month calendar that returns one day: it opens on the shared calendar date, marks
// special days and the agenda of the current lawyer, and moves by months and years.
#include "controls/edit/Calpnl.h"
#include "controls/visual/ZBCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

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
