#pragma once
// The agenda concepts: ready-made entry texts grouped by agenda type, each with its days of
// notice, that the entry editor offers.
#include "comun/UFormRegistro.h"
#include "controls/data/ZbLookup.h"
#include "platform/forms/DBCtrls.h"

class TConAgenda : public TFormRegistro {
public:
    explicit TConAgenda(TComponent* owner);
    ~TConAgenda() override;

    TDataSet* Tabla() const override;

    TDBEdit* DBDescripcion = nullptr;
    TDBEdit* DBDias = nullptr;
    TZbDBLookupCombo* DBLookupComboBox1 = nullptr;

protected:
    bool AsignaDisponible() const override { return false; }
    TBusqueda Busqueda() const override;
    void ImprimeFicha() override;
};

extern TConAgenda* ConAgenda;

namespace agenda {
// The search over the concepts, grouped by agenda type; with `tipo` only that type's.
QStringList ConsultaConceptos(bool porTipo);
}  // namespace agenda
