#pragma once
// The case files of a year between two numbers: "LISTADO DE EXPEDIENTES".
#include "reports/ListaExpedientes.h"

class TInfExpNum : public reports::TListaExpedientes {
public:
    explicit TInfExpNum(TComponent* owner);
    ~TInfExpNum() override;
};

extern TInfExpNum* InfExpNum;

namespace reports {
// The year, the numbers (compared as text) and the range text ("Número :  TODOS").
void PreparaExpNum(TInfExpNum* informe, const QString& ano, const QString& desde, const QString& hasta, const QString& filtro);
// Previews it through the preview window.
void rptLisExpNum(const QString& ano, const QString& desde, const QString& hasta, const QString& filtro);
}  // namespace reports
