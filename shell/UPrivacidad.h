#pragma once
// The users and their rights ("Control de Accesos"): a record form over Dat->TPriv. The password
// box is empty and means "unchanged"; the lawyer list goes by the lawyer's code.
#include "comun/UFormRegistro.h"
#include "platform/forms/DBCtrls.h"

#include <vector>

class TFPrivacidad : public TFormRegistro {
public:
    explicit TFPrivacidad(TComponent* owner);
    ~TFPrivacidad() override;

    TDataSet* Tabla() const override;

    TDBEdit* DBUser = nullptr;
    TEdit* DBEdit2 = nullptr;
    TDBCheckBox *cbPriv = nullptr, *cbModelos = nullptr, *cbListados = nullptr, *cbExped = nullptr,
                *cbConsul = nullptr, *cbAgenda = nullptr, *cbEscritos = nullptr, *cbEconomico = nullptr,
                *cbGeneral = nullptr;
    TComboBox* cbAbogado = nullptr;
    TQuery* QAbogados = nullptr;

    void FormCreate(TObject* sender);
    void FormShow(TObject* sender);
    void cbAbogadoChange(TObject* sender);
    void btOkClick(TObject* sender);
    // The check-box handlers: the clicked box says "Si" or "No".
    void cbPrivClick(TObject* sender);

    // Lawyer code of each entry of cbAbogado: 0 "NINGUNO", -1 "TODOS", then the lawyers'.
    const std::vector<int>& CodigosAbogado() const { return FCodigos; }

protected:
    void EstadoCambiado(TDataSetState estado) override;
    void RegistroCambiado() override;
    TBusqueda Busqueda() const override;
    void LocalizaBuscado(TDataSet* elegido, const TBusqueda& busqueda) override;
    void ImprimeFicha() override;
    void MuestraPreview(TObject* sender) override;
    void AlCerrar() override;
    // Users are never assigned to a case file.
    bool AsignaDisponible() const override { return false; }
    bool PuedeBorrar() override;

private:
    std::vector<TDBCheckBox*> Derechos() const;
    void MuestraAbogado();
    void Rotula();
    bool EsSupervisor() const;
    std::vector<int> FCodigos;
    // The user logged in, current when the form was made.
    QString FSesion;
};

extern TFPrivacidad* FPrivacidad;
