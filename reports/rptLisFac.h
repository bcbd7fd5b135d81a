#pragma once
// The invoices of case files and consultations between two dates, a group per currency with
// its sums, and the grand total in the office currency.
#include "reports/Listado.h"

class TInfLisFac : public TForm {
public:
    explicit TInfLisFac(TComponent* owner);
    ~TInfLisFac() override;

    TQuery* QExped = nullptr;     // the invoices: 'E' case files, 'C' consultations
    TQuery* QClientes = nullptr;  // the client names of a case file
    TQuery* TCliCon = nullptr;    // the consultation of a row
    TQuery* Texpcon = nullptr;    // the case file of a row
    TQuickRep* QRInfFac = nullptr;
    TQRBand* QRCabecera = nullptr;
    TQRBand* QRColumnas = nullptr;
    TQRLabel* QRTitulo = nullptr;
    TQRGroup* QRGroup1 = nullptr;     // on MONEDA
    TQRChildBand* QRCabGru = nullptr;  // "Moneda : "
    TQRLabel* QRMoneda = nullptr;
    TQRBand* QRDetalle = nullptr;
    TQRLabel *QRReferencia = nullptr, *QRLabel14 = nullptr;
    std::array<TQRLabel*, 5> QRCli{};
    TQRBand* QRPieGru = nullptr;  // group footer
    TQRExpr *QRTDer = nullptr, *QRTSup = nullptr, *QRTGas = nullptr, *QRTIva = nullptr, *QRTIrpf = nullptr,
            *QRTTotal = nullptr;
    TQRBand* QRBand3 = nullptr;  // summary
    TQRLabel *QREuro = nullptr, *QRTot = nullptr;

    void FormCreate(TObject* sender);
    void QRInfFacBeforePrint(TQuickRep* report, bool& print);
    void QRCabGruBeforePrint(TQRCustomBand* band, bool& print);
    void QRDetalleBeforePrint(TQRCustomBand* band, bool& print);
    void QRLabel14Print(TObject* sender, QString& value);
    void QRPieGruBeforePrint(TQRCustomBand* band, bool& print);
    void QRPieGruAfterPrint(TQRCustomBand* band, bool printed);
    void QRBand3BeforePrint(TQRCustomBand* band, bool& print);
    void QREuroPrint(TObject* sender, QString& value);
    void FormClose(TObject* sender, TCloseAction& action);

    double TotalGeneral() const { return FTotalGeneral; }

private:
    long double FTotalGrupo = 0, FTotalGeneral = 0;
};

extern TInfLisFac* InfLisFac;

namespace reports {
// Which invoices: every one, the numbered ones (by number) or those without number.
enum TClaseFacturas { cfGeneral, cfPorNumero, cfSinNumero };
// Of case files and consultations, case files only, consultations only (the dialog's RGTipo).
enum TTipoFacturas { tfTodo, tfExpedientes, tfConsultas };
QStringList SqlFacturas(TClaseFacturas clase, TTipoFacturas tipo);
// "LISTADO GENERAL DE FACTURAS DESDE " and its siblings.
QString TituloFacturas(TClaseFacturas clase, TTipoFacturas tipo);
void PreparaLisFac(TInfLisFac* informe, TClaseFacturas clase, TTipoFacturas tipo, TDateTime desde, TDateTime hasta);
void rptLisFac(TClaseFacturas clase, TTipoFacturas tipo, TDateTime desde, TDateTime hasta);
}  // namespace reports
