#pragma once
// The court agents form.
#include "records/FichaPersona.h"

class TProcu : public records::TFichaPersona {
public:
    explicit TProcu(TComponent* owner);
    ~TProcu() override;

    // Opening mode: 0 standalone or viewing the client's agent, 1 viewing the opponent's agent,
    // 2 creating an agent for the case file.
    static void FijaModo(int modo);
    // Side of the case file: 1 the client's agent, any other the opponent's.
    static void FijaParte(int parte);

    TButton* BtPartido = nullptr;
    void BtPartidoClick(TObject* sender);

protected:
    void TrasGuardar() override;
    bool NoCierra() const override;
    void Asigna() override;
    bool PuedeAsignar() const override;
    void EstadoCambiado(TDataSetState estado) override;
    TBusqueda Busqueda() const override;
    void ImprimeFicha() override;
    void MuestraPreview(TObject* sender) override;
};

extern TProcu* Procu;
