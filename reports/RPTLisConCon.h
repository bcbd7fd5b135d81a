#pragma once
// The list "LISTADO DE CONCEPTOS CONTABLES", grouped by concept type, showing the types the
// user ticked.
#include "reports/Listado.h"

class TInfLisConCon : public TForm {
public:
    explicit TInfLisConCon(TComponent* owner);
    ~TInfLisConCon() override;

    TQuery* QConceptos = nullptr;
    TQuickRep* QRLisConCon = nullptr;
    TQRBand* QRBand1 = nullptr;   // page header
    TQRGroup* QRCabGru = nullptr;  // header of a concept type
    TQRLabel* QRCabTipo = nullptr;
    TQRBand* QRBand2 = nullptr;   // one concept
    TQRLabel* QRLabel1 = nullptr;
    TQRDBText *QRCuenta = nullptr, *QRConcepto = nullptr, *QRImporte = nullptr;

    // Which types print: disbursements, fees, provisions, expenses, in this order.
    void FijaTipos(bool suplidos, bool derechos, bool provisiones, bool gastos);

    void FormCreate(TObject* sender);
    void QRBand2BeforePrint(TQRCustomBand* band, bool& print);
    void QRCabGruBeforePrint(TQRCustomBand* band, bool& print);
    void FormClose(TObject* sender, TCloseAction& action);

private:
    bool Tipo(int tipo) const;
};

extern TInfLisConCon* InfLisConCon;

namespace reports {
// Previews the concepts of the ticked types through the preview window.
void RPTLisConCon(bool suplidos, bool derechos, bool provisiones, bool gastos);
}  // namespace reports
