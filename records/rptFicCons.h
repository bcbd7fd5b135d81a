#pragma once
// The consultation card: one page with the consultation current in the data module.
#include "platform/db/DBTables.h"
#include "platform/forms/Forms.h"
#include "platform/report/QRCtrls.h"
#include "platform/report/QuickRpt.h"

class TUFicCon : public TForm {
public:
    explicit TUFicCon(TComponent* owner);
    ~TUFicCon() override;

    TQuickRep* QRFicCon = nullptr;
    TQuery* QFicha = nullptr;
    TQRBand* QRCabecera = nullptr;
    TQRBand* QRDetalle = nullptr;
    TQRLabel* QRTitulo = nullptr;
    TQRLabel* QRConsulta = nullptr;
    TQRLabel* QRSituacion = nullptr;

    // Reads the consultation current in the data module and previews the card.
    void Preview();
    // The same without the preview (the pages only).
    void Prepare();

    void QRDetalleBeforePrint(TQRCustomBand* band, bool& print);
    void FormClose(TObject* sender, TCloseAction& action);

private:
    void Abre();
};

extern TUFicCon* UFicCon;
