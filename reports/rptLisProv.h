#pragma once
// The provisions of funds received between two dates, a group per currency with its total, and
// the whole in the office currency.
#include "reports/Listado.h"

class TFLisProv : public TForm {
public:
    explicit TFLisProv(TComponent* owner);
    ~TFLisProv() override;

    TQuery* QExped = nullptr;
    TQuery* QClientes = nullptr;
    TQuery* QAboCli = nullptr;
    TQuickRep* QRListado = nullptr;
    TQRBand* QRCabecera = nullptr;
    TQRBand* QRColumnas = nullptr;
    TQRLabel *QRLabel1 = nullptr, *QRFiltro = nullptr;
    TQRGroup* QRCabGru = nullptr;  // on MONEDA
    TQRLabel* QRMoneda = nullptr;
    TQRBand* QRDetalle = nullptr;
    TQRLabel *QSitua = nullptr, *QRCliente = nullptr, *QRAbogado = nullptr, *QRFactura = nullptr;
    TQRDBText* QRProvision = nullptr;
    TQRBand* QRBand1 = nullptr;  // group footer
    TQRExpr* QRTotal = nullptr;
    TQRBand* QRBand2 = nullptr;  // summary
    TQRLabel *QRTot = nullptr, *QREuro = nullptr;

    void FormCreate(TObject* sender);
    void QRCabGruBeforePrint(TQRCustomBand* band, bool& print);
    void QRDetalleBeforePrint(TQRCustomBand* band, bool& print);
    void QRBand1AfterPrint(TQRCustomBand* band, bool printed);
    void QRBand2BeforePrint(TQRCustomBand* band, bool& print);
    void QREuroPrint(TObject* sender, QString& value);
    void FormClose(TObject* sender, TCloseAction& action);

private:
    reports::TNombres FAbogados, FClientes;
    // The total of the group running, and the groups' totals in the office currency.
    double FGrupo = 0, FTotal = 0;
    bool FConvertible = true;
};

extern TFLisProv* FLisProv;

namespace reports {
// Dates of the entries and the range text ("Desde 01/01/2001 a 31/12/2001").
void PreparaProv(TFLisProv* informe, TDateTime desde, TDateTime hasta, const QString& filtro);
void rptLisProv(TDateTime desde, TDateTime hasta, const QString& filtro);
}  // namespace reports
