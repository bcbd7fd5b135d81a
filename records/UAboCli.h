#pragma once
// The office's own lawyers form.
#include "records/FichaPersona.h"

class TAboCli : public records::TFichaPersona {
public:
    explicit TAboCli(TComponent* owner);
    ~TAboCli() override;

    // Opening mode: "A" the case file's lawyer, "E" its entering lawyer, "P" the main menu.
    static void FijaModo(const QString& modo);
    static QString ModoAboCli();

    void FormShow(TObject* sender);

protected:
    void Asigna() override;
    bool AsignaDisponible() const override;
    bool PuedeAsignar() const override;
    void AlCerrar() override;
    TBusqueda Busqueda() const override;
    void ImprimeFicha() override;
    void MuestraPreview(TObject* sender) override;

private:
    Variant FAbogadoInicial;  // the lawyer the data module stood on when the form opened
};

extern TAboCli* AboCli;
