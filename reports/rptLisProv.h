#pragma once
// The provisions of funds received between two dates, a group per currency with its total, and
// the whole in the office currency.
#include "reports/ListaProvisiones.h"

class TFLisProv : public reports::TListaProvisiones {
public:
    explicit TFLisProv(TComponent* owner);
    ~TFLisProv() override;

    TQRLabel* QRFactura = nullptr;
    TQRDBText* QRProvision = nullptr;
    TQRExpr* QRTotal = nullptr;

protected:
    void GrupoDeMoneda() override;
    bool Fila() override;
};

extern TFLisProv* FLisProv;

namespace reports {
// Dates of the entries and the range text ("Desde 01/01/2001 a 31/12/2001").
void PreparaProv(TFLisProv* informe, TDateTime desde, TDateTime hasta, const QString& filtro);
void rptLisProv(TDateTime desde, TDateTime hasta, const QString& filtro);
}  // namespace reports
