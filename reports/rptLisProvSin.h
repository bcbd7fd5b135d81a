#pragma once
// The open case files opened between two dates that hold no provision of funds, with their
// current balance, a total per currency and the whole in the office currency.
#include "reports/Listado.h"

class TFLisProvSin : public TForm {
public:
    explicit TFLisProvSin(TComponent* owner);
    ~TFLisProvSin() override;

    TQuery* QExped = nullptr;
    TQuery* QSaldo = nullptr;
    TQuery* QProvi = nullptr;
    TQuery* QClientes = nullptr;
    TQuery* QAboCli = nullptr;
    TQuickRep* QRListado = nullptr;
    TQRBand* QRCabecera = nullptr;
    TQRBand* QRColumnas = nullptr;
    TQRLabel *QRLabel1 = nullptr, *QRFiltro = nullptr;
    TQRGroup* QRCabGru = nullptr;  // on MONEDA
    TQRLabel* QRMoneda = nullptr;
    TQRBand* QRDetalle = nullptr;
    TQRLabel *QSitua = nullptr, *QRCliente = nullptr, *QRAbogado = nullptr, *QRSaldo = nullptr;
    TQRBand* QRBand1 = nullptr;  // group footer
    TQRLabel* QRImp = nullptr;
    TQRBand* QRBand2 = nullptr;  // summary
    TQRLabel *QRTot = nullptr, *QREuro = nullptr;

    void FormCreate(TObject* sender);
    void QRCabGruBeforePrint(TQRCustomBand* band, bool& print);
    void QRDetalleBeforePrint(TQRCustomBand* band, bool& print);
    void QRBand1BeforePrint(TQRCustomBand* band, bool& print);
    void QRBand1AfterPrint(TQRCustomBand* band, bool printed);
    void QRBand2BeforePrint(TQRCustomBand* band, bool& print);
    void QREuroPrint(TObject* sender, QString& value);
    void FormClose(TObject* sender, TCloseAction& action);

private:
    reports::TNombres FAbogados, FClientes;
    QString FFormato;
    long double FSaldo = 0;  // of the currency's group
    double FTotal = 0;       // of the groups, in the office currency
    bool FConvertible = true;
};

extern TFLisProvSin* FLisProvSin;

namespace reports {
void PreparaProvSin(TFLisProvSin* informe, TDateTime desde, TDateTime hasta, const QString& filtro);
void rptLisProvSin(TDateTime desde, TDateTime hasta, const QString& filtro);
}  // namespace reports
