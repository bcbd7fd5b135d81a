#pragma once
// The dialog of one ledger entry: date, text, accounting concept, type and amount. It proposes
// the text, type and amount of a concept picked by code, in the case file's currency.
#include "controls/edit/CurrEdit.h"
#include "controls/visual/ZBCtrls.h"
#include "platform/forms/Buttons.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Mask.h"
#include "platform/forms/StdCtrls.h"
#include "platform/rtl/Currency.h"

class TFIntroImp : public TForm {
public:
    explicit TFIntroImp(TComponent* owner);
    ~TFIntroImp() override;

    TMaskEdit* Fecha = nullptr;
    TZbSpeedButton* btFecha = nullptr;
    TMemo* Texto = nullptr;
    TEdit* Cuenta = nullptr;
    TZbSpeedButton* btBuscar = nullptr;
    TComboBox* Tipo = nullptr;
    TCurrencyEdit* Importe = nullptr;
    TBitBtn* btSi = nullptr;
    TBitBtn* btNo = nullptr;

    // The entry's date as typed (today when it does not read as one).
    TDateTime FechaTecleada() const;

    void FormCreate(TObject* sender);
    void FormKeyPress(TObject* sender, QChar& key);
    void FormKeyDown(TObject* sender, quint16& key, TShiftState shift);
    void btFechaClick(TObject* sender);
    void FechaExit(TObject* sender);
    void btBuscarClick(TObject* sender);
    void CuentaExit(TObject* sender);
    void btSiClick(TObject* sender);
    void btNoClick(TObject* sender);

private:
    // Text, code, type and amount of the concept current in Dat->TConConta.
    void CopiaConcepto();
};

extern TFIntroImp* FIntroImp;
// The amount the dialog validated on OK, as typed (advances not yet turned negative).
extern Currency ImporteApunte;
// The amount of a concept held in the office currency, in the case file's currency.
Currency ImporteConcepto(Currency importe, const QString& monedaDespacho, const QString& monedaExpediente);
