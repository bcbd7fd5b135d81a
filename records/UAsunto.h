#pragma once
// The matter of the case file: description, jurisdiction, amounts, dates, the client's role and
// the court data with its history (the current set and three earlier ones, the last push undoable).
#include "comun/UFormRegistro.h"
#include "platform/forms/DBCtrls.h"

class TAsunto : public TFormRegistro {
public:
    explicit TAsunto(TComponent* owner);
    ~TAsunto() override;

    TDataSet* Tabla() const override;
    void activaEdicion(bool activa) override;

    TMemo* Texto = nullptr;
    TDBComboBox* DBComboBox1 = nullptr;
    TDBEdit* DBJurisdiccion = nullptr;
    TDBEdit *DBCuantia = nullptr, *DBPrincipal = nullptr, *DBIntereses = nullptr, *DBTotal = nullptr;
    TDBEdit *DBFAper = nullptr, *DBFFact = nullptr, *DBFCierre = nullptr;
    TButton *btFecApe = nullptr, *btFecFac = nullptr, *btFecCie = nullptr;
    TDBComboBox* DBActor = nullptr;
    TButton* BtObserva = nullptr;
    // Court sets: 1 the current one, 2 the last before it, 3 the one before that.
    TDBEdit *DBTrib1 = nullptr, *DBPob1 = nullptr, *DBProc1 = nullptr, *DBAutos1 = nullptr;
    TDBEdit *DBTrib2 = nullptr, *DBPob2 = nullptr, *DBProc2 = nullptr, *DBAutos2 = nullptr;
    TDBEdit *DBTrib3 = nullptr, *DBPob3 = nullptr, *DBProc3 = nullptr, *DBAutos3 = nullptr;
    TButton *BtTribunal = nullptr, *BtTribunal1 = nullptr, *BtTribunal2 = nullptr;
    TButton *BtProcedimiento = nullptr, *BtProcedimiento1 = nullptr, *BtProcedimiento2 = nullptr;
    TButton *btNuevo = nullptr, *btDeshacer = nullptr;

    void FormShow(TObject* sender);
    void TextoKeyPress(TObject* sender, QChar& key);
    void AsuntoOkClick(TObject* sender);
    void AsuntoKeyDown(TObject* sender, quint16& key, TShiftState shift);
    void DBCuantiaKeyPress(TObject* sender, QChar& key);
    void BtObservaClick(TObject* sender);
    void btFecApeClick(TObject* sender);
    void btFecFacClick(TObject* sender);
    void btFecCieClick(TObject* sender);
    void BtTribunalClick(TObject* sender);
    void BtProcedimientoClick(TObject* sender);
    void BtNuevoClick(TObject* sender);
    void BtDeshacerClick(TObject* sender);

protected:
    void EstadoCambiado(TDataSetState estado) override;
    void RegistroCambiado() override;
    bool AsignaDisponible() const override { return false; }

private:
    void Calendario(const QString& campo, TDBEdit* edit);
    void Elige(const QString& campo, TDBEdit* edit, const QString& sql, const QString& caption, const QString& titulo);
};

extern TAsunto* Asunto;
