#pragma once
// The economic ledger of the case file current in the data module: its entries with the running
// balance, adding, editing and deleting entries through the entry dialog, the switch between
// pesetas and euros and the printed economic statement.
#include "comun/UFormRegistro.h"
#include "controls/data/ZBDBCtrl.h"
#include "platform/forms/DBCtrls.h"
#include "platform/forms/Menus.h"

class TEconomico : public TFormRegistro {
public:
    explicit TEconomico(TComponent* owner);
    ~TEconomico() override;

    TDataSet* Tabla() const override;

    // Binds the ledger of the current case file; `edita` allows adding, editing and deleting.
    void ActivaNavegacion(bool edita);

    TZbDBGrid* DBCuentas = nullptr;
    TLabel* LSaldo = nullptr;
    TDBText* DBSaldo = nullptr;
    TLabel* LFactura = nullptr;
    TDBText* DBNumFac = nullptr;
    TImage* Image4 = nullptr;  // pesetas
    TImage* Image5 = nullptr;  // euros
    TPopupMenu* PopupMenu1 = nullptr;
    TMenuItem *Nuevo1 = nullptr, *Editar1 = nullptr, *Borrar1 = nullptr, *N1 = nullptr, *Imprimir1 = nullptr;

    void FormShow(TObject* sender);
    void FormKeyDown(TObject* sender, quint16& key, TShiftState shift);
    void btAddClick(TObject* sender);
    void btEditClick(TObject* sender);
    void btDelClick(TObject* sender);
    void btRefreshClick(TObject* sender);
    void btSalirClick(TObject* sender);
    void DBCuentasDblClick(TObject* sender);
    void DBCuentasKeyDown(TObject* sender, quint16& key, TShiftState shift);
    void Image4DblClick(TObject* sender);
    void Image5DblClick(TObject* sender);

    bool Edita() const { return FEdita; }

protected:
    void EstadoCambiado(TDataSetState estado) override;
    void RegistroCambiado() override;
    bool AsignaDisponible() const override { return false; }
    void ImprimeFicha() override;
    void MuestraPreview(TObject* sender) override;
    void AlCerrar() override;

private:
    // Writes the dialog's fields into the ledger row in insert or edit, and posts it.
    void GrabaApunte(class TFIntroImp* dlg);
    // Shows the dialog until its entry is saved or it is cancelled: a failed save brings it back
    // with the entry as typed.
    void PideYGraba(class TFIntroImp* dlg, bool nuevo);
    void Saldo();
    bool HayApuntes() const;

    bool FEdita = false;
    bool FRangoPropio = false;
};

extern TEconomico* Economico;
// Date of the entry being edited, or today for a new one.
extern TDateTime FechaApunte;
