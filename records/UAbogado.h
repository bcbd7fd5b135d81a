#pragma once
// The opposing lawyers form.
#include "records/FichaPersona.h"

class TAbogado : public records::TFichaPersona {
public:
    explicit TAbogado(TComponent* owner);
    ~TAbogado() override;

    // Opening mode: 0 standalone or viewing the case file's lawyer, 1 creating one for it.
    static void FijaModo(int modo);

protected:
    void TrasGuardar() override;
    bool NoCierra() const override;
    void Asigna() override;
    bool PuedeAsignar() const override;
    TBusqueda Busqueda() const override;
    void ImprimeFicha() override;
    void MuestraPreview(TObject* sender) override;
};

extern TAbogado* Abogado;
