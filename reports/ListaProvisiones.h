#pragma once
// The frame the two lists of provisions of funds share: case-file rows grouped by currency with
// their client's and lawyer's names, a total per currency, and the whole in the office
// currency (never two currencies added as one number).
#include "reports/Listado.h"

namespace reports {

class TListaProvisiones : public TForm {
public:
    // `sql` reads the rows (REF, SITUACION, CLIENTE, ABOCLI, AUTOS, PROCEDIMIENTO and MONEDA at
    // least) between :FDESDE and :FHASTA; `columnas` are the heads: the first seven are the
    // reference, client, state, proceedings, procedure, lawyer and invoice, the eighth the amount.
    TListaProvisiones(TComponent* owner, const char* nombre, const QString& titulo, const QString& sql,
                      std::initializer_list<TColumna> columnas);

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
    TQRLabel *QSitua = nullptr, *QRCliente = nullptr, *QRAbogado = nullptr;
    TQRBand* QRBand1 = nullptr;  // group footer
    TQRBand* QRBand2 = nullptr;  // summary
    TQRLabel *QRTot = nullptr, *QREuro = nullptr;

    virtual void FormCreate(TObject* sender);
    void QRCabGruBeforePrint(TQRCustomBand* band, bool& print);
    void QRDetalleBeforePrint(TQRCustomBand* band, bool& print);
    void QRBand1AfterPrint(TQRCustomBand* band, bool printed);
    void QRBand2BeforePrint(TQRCustomBand* band, bool& print);
    void QREuroPrint(TObject* sender, QString& value);
    void FormClose(TObject* sender, TCloseAction& action);

protected:
    // A new currency's group starts: FFormato holds its amount format.
    virtual void GrupoDeMoneda() {}
    // The row about to print; false leaves it out. It adds its amount with SumaAlGrupo.
    virtual bool Fila() = 0;
    void SumaAlGrupo(double importe) { FGrupo += importe; }

    std::vector<TSitio> FColumnas;
    QString FFormato;
    long double FGrupo = 0;  // of the currency's group
    double FTotal = 0;       // of the groups, in the office currency
    bool FConvertible = true;

private:
    TNombres FAbogados, FClientes;
};

}  // namespace reports
