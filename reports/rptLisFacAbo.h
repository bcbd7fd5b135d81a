#pragma once
// The invoices between two dates grouped by the entering lawyer, with each lawyer's sums and the
// sums of the whole list.
#include "reports/rptLisFac.h"

class TInfFacAbo : public TForm {
public:
    explicit TInfFacAbo(TComponent* owner);
    ~TInfFacAbo() override;

    TQuery* QExped = nullptr;
    TQuery* QAboEnt = nullptr;
    TQuery* QClientes = nullptr;  // the case file's client
    TQuery* TCliCon = nullptr;    // the consultation's client
    TQuery* Texpcon = nullptr;    // the case file's court number
    TQuickRep* QRInfFacAbo = nullptr;
    TQRBand* QRCabecera = nullptr;
    TQRBand* QRColumnas = nullptr;
    TQRLabel *QRTitulo = nullptr, *QRLim = nullptr;
    TQRGroup* QRGroup1 = nullptr;  // on ABOENT
    TQRLabel* QRAbogado = nullptr;
    TQRBand* QRDetalle = nullptr;
    TQRLabel *QRReferencia = nullptr, *QRLabel14 = nullptr, *QRCli = nullptr;
    std::vector<TQRDBText*> QRImportes;
    TQRLabel* QRMonedaFila = nullptr;  // the row's currency, when not the office's
    TQRBand* QRPie = nullptr;  // group footer
    TQRExpr *QRPSup = nullptr, *QRPDer = nullptr, *QRPIva = nullptr, *QRPIrpf = nullptr, *QRPTotal = nullptr;
    TQRBand* QRBand3 = nullptr;  // summary
    TQRExpr *QRTSup = nullptr, *QRTDer = nullptr, *QRTGas = nullptr, *QRTIva = nullptr, *QRTIrpf = nullptr,
            *QRTTotal = nullptr;
    TQRLabel* QREuro = nullptr;

    void FormCreate(TObject* sender);
    void QRGroup1BeforePrint(TQRCustomBand* band, bool& print);
    void QRDetalleBeforePrint(TQRCustomBand* band, bool& print);
    void QRLabel14Print(TObject* sender, QString& value);
    void QRBand3BeforePrint(TQRCustomBand* band, bool& print);
    void QREuroPrint(TObject* sender, QString& value);
    void FormClose(TObject* sender, TCloseAction& action);

private:
    double FTotalEuros = 0, FTotalPesetas = 0;
    // The column sums in the office currency, each row converted from its own: the lawyer's
    // and the whole list's. Not convertible when a row needs a rate the office lacks.
    double FGrupo[6] = {}, FSuma[6] = {};
    bool FGrupoConvertible = true, FSumaConvertible = true;
    void ReiniciaGrupo();
    QString SumaTexto(size_t importe, bool grupo, const QString& mascara) const;
};

extern TInfFacAbo* InfFacAbo;

namespace reports {
QStringList SqlFacturasAbogado(TTipoFacturas tipo, bool todos = false);
// Entering lawyer `abogado` (0: every one) with its name; dates; the kind of rows.
void PreparaFacAbo(TInfFacAbo* informe, TTipoFacturas tipo, TDateTime desde, TDateTime hasta, int abogado,
                   const QString& nombre);
void rptLisFacAbo(TTipoFacturas tipo, TDateTime desde, TDateTime hasta, int abogado, const QString& nombre);
}  // namespace reports
