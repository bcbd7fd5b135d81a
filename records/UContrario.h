#pragma once
// The opposing parties form.
#include "records/FichaPersona.h"

class TContrario : public records::TFichaPersona {
public:
    explicit TContrario(TComponent* owner);
    ~TContrario() override;

    // Opening mode: 0 standalone, 2 from a case file (OK also links the party to it).
    static void FijaModo(int modo);

    TButton* BtRelacion = nullptr;
    void BtRelacionClick(TObject* sender);

protected:
    void RegistroCambiado() override;
    TBusqueda Busqueda() const override;
    void ImprimeFicha() override;
    void MuestraPreview(TObject* sender) override;
};

extern TContrario* Contrario;
