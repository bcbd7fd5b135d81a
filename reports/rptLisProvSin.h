#pragma once
// The open case files opened between two dates that hold no provision of funds, with their
// current balance, a total per currency and the whole in the office currency.
#include "reports/ListaProvisiones.h"

class TFLisProvSin : public reports::TListaProvisiones {
public:
    explicit TFLisProvSin(TComponent* owner);
    ~TFLisProvSin() override;

    TQuery* QSaldo = nullptr;
    TQuery* QProvi = nullptr;
    TQRLabel* QRSaldo = nullptr;
    TQRLabel* QRImp = nullptr;

    void QRBand1BeforePrint(TQRCustomBand* band, bool& print);

protected:
    bool Fila() override;
};

extern TFLisProvSin* FLisProvSin;

namespace reports {
void PreparaProvSin(TFLisProvSin* informe, TDateTime desde, TDateTime hasta, const QString& filtro);
void rptLisProvSin(TDateTime desde, TDateTime hasta, const QString& filtro);
}  // namespace reports
