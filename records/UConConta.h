#pragma once
// The accounting concepts: the office's catalogue of standard ledger entries (code, description,
// type and default amount in the office's currency) kept record by record.
#include "comun/UFormRegistro.h"
#include "controls/data/ZbDBComb.h"
#include "platform/forms/DBCtrls.h"

class TConConta : public TFormRegistro {
public:
    explicit TConConta(TComponent* owner);
    ~TConConta() override;

    // Creates the form over the concepts and shows it modally; it frees itself.
    static void Muestra();

    TDataSet* Tabla() const override;
    void activaEdicion(bool activa) override;

    TDBEdit* DBConcepto = nullptr;
    TDBEdit* DBNombre = nullptr;
    TZbDBComboBox* ZbTipo = nullptr;
    TDBEdit* DBImporte = nullptr;
    // A cursor of its own over the concepts file, for the code check only (it cannot carry the
    // class's name).
    TTable* TCodigos = nullptr;

    void DBConceptoExit(TObject* sender);
    void DBImporteEnter(TObject* sender);
    void DBImporteExit(TObject* sender);
    void DBImporteKeyPress(TObject* sender, QChar& key);
    // The amount as the rest of the program shows money: thousands and the office's decimals.
    void IMPORTEGetText(TField* sender, QString& text, bool displayText);

protected:
    bool AsignaDisponible() const override { return false; }
    void RegistroCambiado() override;
    TBusqueda Busqueda() const override;
    void ImprimeFicha() override;
    void MuestraPreview(TObject* sender) override;
    void AlCerrar() override;

private:
    static int Decimales();
    TFieldGetTextEvent FTextoAnterior;
    bool FTextoPuesto = false;
};

extern TConConta* ConConta;
