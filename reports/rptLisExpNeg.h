#pragma once
// The open case files opened between two dates whose ledger balance is positive: "LISTADO DE
// EXPEDIENTES CON SALDO POSITIVO", with the total of the balances listed.
#include "reports/Listado.h"

class TFLisExpNeg : public TForm {
public:
    explicit TFLisExpNeg(TComponent* owner);
    ~TFLisExpNeg() override;

    TQuery* QExped = nullptr;
    TQuery* QSaldo = nullptr;
    TQuery* QAboCli = nullptr;
    TQuery* QClientes = nullptr;
    TQuickRep* QRListado = nullptr;
    TQRBand* QRCabecera = nullptr;
    TQRBand* QRColumnas = nullptr;
    TQRLabel* QRLabel1 = nullptr;
    TQRLabel* QRFiltro = nullptr;
    TQRBand* QRDetalle = nullptr;
    TQRLabel *QRExpediente = nullptr, *QRCliente = nullptr, *QSitua = nullptr, *QRAbogado = nullptr,
             *QRFactura = nullptr, *QRSaldo = nullptr;
    TQRBand* QRBand1 = nullptr;  // summary
    TQRLabel* QRTotal = nullptr;

    void FormCreate(TObject* sender);
    void QRListadoBeforePrint(TQuickRep* report, bool& print);
    void QRDetalleBeforePrint(TQRCustomBand* band, bool& print);
    void QRBand1BeforePrint(TQRCustomBand* band, bool& print);
    void FormClose(TObject* sender, TCloseAction& action);

    // The total of the balances printed so far.
    double Total() const { return FTotal; }

private:
    double FTotal = 0;
    QString FFormato;
    reports::TNombres FAbogados;
};

extern TFLisExpNeg* FLisExpNeg;

namespace reports {
// Opening dates and the range text ("Desde 01/01/2001 a 31/12/2001").
void PreparaExpNeg(TFLisExpNeg* informe, TDateTime desde, TDateTime hasta, const QString& filtro);
void rptLisExpNeg(TDateTime desde, TDateTime hasta, const QString& filtro);
}  // namespace reports
