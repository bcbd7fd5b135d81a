#pragma once
// The economic statement of a case file: its ledger entries by class (outlays, fees, expenses,
// advance payments) with class totals, VAT and withholding on fees and expenses, and the balance
// in both currencies.
#include "platform/db/DBTables.h"
#include "platform/forms/Forms.h"
#include "platform/report/QRCtrls.h"
#include "platform/report/QuickRpt.h"

class TInfInfEcEx : public TForm {
public:
    explicit TInfInfEcEx(TComponent* owner);

    TQuickRep* QRInfEcEx = nullptr;
    TQuery* QCuentas = nullptr;
    TQuery* QExped = nullptr;  // the case file of the statement
    TQRLabel *QRExpediente = nullptr, *QRCliente = nullptr, *QRProced = nullptr, *QRAutos = nullptr;
    TQRGroup* QRGrupo1 = nullptr;
    TQRGroup* QRGrupoCL = nullptr;
    TQRBand *QRPieGrupo1 = nullptr, *QRPieCL = nullptr, *QRDetalle = nullptr, *QRResumen = nullptr;
    TQRChildBand* QRResumen2 = nullptr;
    TQRLabel *QRClase = nullptr, *QRTotalClase = nullptr, *QRIva = nullptr, *QRIrpf = nullptr, *QRTotal = nullptr,
             *QRSaldo = nullptr, *QRSaldo2 = nullptr;

    // The caller's set-up for the case file current in the data module: parameters, header
    // labels, queries open.
    void Inicia();

    // The money text of a value: "%10.2n " in euros, "%10.0n Pts." in pesetas.
    static QString Importe(long double valor, bool euros);
    // VAT or withholding of a base at a rate: to the cent (halves to even) in euros, to whole
    // pesetas (halves up) otherwise.
    static long double Impuesto(long double tasa, long double base, bool euros);

    void QRDetalleBeforePrint(TQRCustomBand* band, bool& print);
    void QRCabCLBeforePrint(TQRCustomBand* band, bool& print);
    void QRPieCLBeforePrint(TQRCustomBand* band, bool& print);
    void QRPieCLAfterPrint(TQRCustomBand* band, bool printed);
    void QRPieGrupo1BeforePrint(TQRCustomBand* band, bool& print);
    void QRResumenBeforePrint(TQRCustomBand* band, bool& print);
    void QRResumen2BeforePrint(TQRCustomBand* band, bool& print);
    void FormClose(TObject* sender, TCloseAction& action);

private:
    bool Euros() const;
    long double FParcial = 0, FSuplidos = 0, FDerechos = 0, FGastos = 0, FProvisiones = 0, FIva = 0, FIrpf = 0;
};
