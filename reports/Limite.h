#pragma once
// The date-range dialog of the list reports: first and last date (the opener may hide the last
// one to ask for a single date), each with its calendar button. The other range dialogs build
// on it.
#include "controls/visual/ZBCtrls.h"
#include "platform/forms/Buttons.h"
#include "platform/forms/Mask.h"
#include "platform/forms/StdCtrls.h"
#include "platform/rtl/DateTime.h"

class TLimites : public TForm {
public:
    explicit TLimites(TComponent* owner);

    TLabel* Label1;
    TLabel* Label2;
    TMaskEdit* EDesde;
    TMaskEdit* EHasta;
    TZbSpeedButton* SpeedButton1;
    TZbSpeedButton* SpeedButton2;
    TBitBtn* btOk;
    TBitBtn* btNo;

    void FormShow(TObject* sender);
    void FormKeyPress(TObject* sender, QChar& key);
    void SpeedButton1Click(TObject* sender);
    void SpeedButton2Click(TObject* sender);
    void EDesdeExit(TObject* sender);
    void EHastaExit(TObject* sender);
    void btOkClick(TObject* sender);

protected:
    // Completes and checks a date edit the user leaves.
    void SalidaFecha(TMaskEdit* edit);
    // Opens the calendar on a date edit's date and writes the chosen day back.
    void Calendario(TMaskEdit* edit);
    // Widens the dialog to show its whole title.
    void AnchoDelTitulo();
};

namespace reports {
// The text of an empty date edit.
inline const QString FechaVacia = QStringLiteral("  /  /    ");
}  // namespace reports
