#pragma once
// The powers of attorney of a client.
#include "comun/UFormRegistro.h"
#include "controls/data/ZbLookup.h"
#include "platform/forms/DBCtrls.h"

class TPoder : public TFormRegistro {
public:
    explicit TPoder(TComponent* owner);
    ~TPoder() override;

    // Opening mode: 0, or 1 when the client form put the table into insert for a client
    // without powers (No then also closes the form).
    static void FijaModo(int modo);

    TDataSet* Tabla() const override;

    TQuery* QAbo = nullptr;
    TDataSource* DSAbo = nullptr;
    TDBEdit* DBNomCli = nullptr;
    TZbDBLookupCombo* cbAbogado = nullptr;

protected:
    bool NoCierra() const override;
    bool AsignaDisponible() const override { return false; }
    void EstadoCambiado(TDataSetState estado) override;
    TBusqueda Busqueda() const override;
    void LocalizaBuscado(TDataSet* elegido, const TBusqueda& busqueda) override;
};

extern TPoder* Poder;
