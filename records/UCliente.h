#pragma once
// The clients form.
#include "records/FichaPersona.h"

class TCliente : public records::TFichaPersona {
public:
    explicit TCliente(TComponent* owner);
    ~TCliente() override;

    // Opening mode: 0 standalone, 2 from a case file (OK also links the client to it).
    static void FijaModo(int modo);
    static int Modo();

    TButton* BtRelacion = nullptr;
    TButton* BtPoder = nullptr;

    void BtRelacionClick(TObject* sender);
    void BtPoderClick(TObject* sender);

protected:
    void RegistroCambiado() override;
    TBusqueda Busqueda() const override;
    void ImprimeFicha() override;
    void MuestraPreview(TObject* sender) override;
};

extern TCliente* Cliente;
