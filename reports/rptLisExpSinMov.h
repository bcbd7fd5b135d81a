#pragma once
// The case files whose latest agenda entry is older than a date, or that have none at all:
// "LISTADO DE EXPEDIENTES SIN MOVIMIENTO".
#include "reports/ListaExpedientes.h"

class TInfExpSinMov : public reports::TListaExpedientes {
public:
    explicit TInfExpSinMov(TComponent* owner);
    ~TInfExpSinMov() override;
};

extern TInfExpSinMov* InfExpSinMov;

namespace reports {
// The date and the range text ("Desde 01/01/2001").
void PreparaExpSinMov(TInfExpSinMov* informe, TDateTime fecha, const QString& filtro);
// Previews it through the preview window.
void rptLisExpSinMov(TDateTime fecha, const QString& filtro);
}  // namespace reports
