#pragma once
// The experts form.
#include "records/FichaPersona.h"

class TPerito : public records::TFichaPersona {
public:
    explicit TPerito(TComponent* owner);
    ~TPerito() override;

    // Opening mode: 0 standalone or viewing the case file's expert, 1 creating one for it.
    static void FijaModo(int modo);

    TButton* BtProfesion = nullptr;
    void BtProfesionClick(TObject* sender);

protected:
    void TrasGuardar() override;
    void Asigna() override;
    bool PuedeAsignar() const override;
    void EstadoCambiado(TDataSetState estado) override;
    TBusqueda Busqueda() const override;
    void ImprimeFicha() override;
    void MuestraPreview(TObject* sender) override;

private:
    void EscribeReferencia();
};

extern TPerito* Perito;
