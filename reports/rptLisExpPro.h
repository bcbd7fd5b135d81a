#pragma once
// The case files of a year by office lawyer, a group per lawyer: "LISTADO DE EXPEDIENTES POR
// ABOGADO".
#include "reports/ListaExpedientes.h"

class TInfExpPro : public reports::TListaExpedientes {
public:
    explicit TInfExpPro(TComponent* owner);
    ~TInfExpPro() override;

    TQRGroup* QRGroup1 = nullptr;  // on ABOCLI
    TQRLabel* QRAbogado = nullptr;

    void QRGroup1BeforePrint(TQRCustomBand* band, bool& print);
};

extern TInfExpPro* InfExpPro;

namespace reports {
// The year, the lawyers' codes and the range text ("Abogado :  TODOS").
void PreparaExpPro(TInfExpPro* informe, const QString& ano, int desde, int hasta, const QString& filtro);
// Previews it through the preview window.
void rptLisExpPro(const QString& ano, int desde, int hasta, const QString& filtro);
}  // namespace reports
