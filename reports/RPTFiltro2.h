#pragma once
// The consultations the main window's browser shows under its current filters: "LISTADO DE
// CONSULTAS", with the sum of their amounts.
#include "reports/RPTFiltro.h"

class TInfFiltro2 : public TForm {
public:
    explicit TInfFiltro2(TComponent* owner);
    ~TInfFiltro2() override;

    TTable* TConsul = nullptr;
    TQuickRep* QRListado = nullptr;
    TQRBand* QRCabecera = nullptr;
    TQRBand* QRColumnas = nullptr;
    TQRLabel* QRLabel1 = nullptr;
    TQRBand* QRFiltros = nullptr;
    TQRLabel *LAno = nullptr, *NomAbogado = nullptr;
    reports::TEtiquetasFiltro LFiltro;
    TQRBand* QRBand2 = nullptr;  // one consultation
    TQRLabel* QSitu = nullptr;
    TQRDBText* QRImporte = nullptr;
    TQRBand* QRBand3 = nullptr;  // summary
    TQRExpr* QRSuma = nullptr;

    TSeleccionPrincipal Seleccion;

    void FormCreate(TObject* sender);
    void TConsulFilterRecord(TDataSet* dataSet, bool& accept);
    void QRBand2BeforePrint(TQRCustomBand* band, bool& print);
    void FormClose(TObject* sender, TCloseAction& action);
};

extern TInfFiltro2* InfFiltro2;

namespace reports {
// Previews the consultations with the main window's selectors and filters, as RPTFiltro does.
void RPTFiltro2(const TSeleccionPrincipal& seleccion, const QString& nombreAbogado);
}  // namespace reports
