#pragma once
// The invoicing dialog of case files and consultations (number, date, VAT and withholding rates,
// whether to produce the fee note), and what both invoicings share: the taxes of an amount and
// the invoice number taken from the working year's counter inside the invoicing transaction.
#include "controls/visual/SpeedBar.h"
#include "controls/visual/ZBCtrls.h"
#include "platform/db/DBTables.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Mask.h"
#include "platform/forms/StdCtrls.h"
#include "platform/rtl/Currency.h"
#include "platform/rtl/Exceptions.h"

#include <functional>

class TFacturar : public TForm {
public:
    explicit TFacturar(TComponent* owner);
    ~TFacturar() override;

    TSpeedBar* SpeedBar1 = nullptr;
    TSpeedItem* btOk = nullptr;
    TSpeedItem* SpeedItem2 = nullptr;
    TPanel* Panel1 = nullptr;
    TEdit* Numero = nullptr;
    TMaskEdit* Fecha = nullptr;
    TZbSpeedButton* SpeedButton1 = nullptr;
    TEdit* Iva = nullptr;
    TEdit* Irpf = nullptr;
    TCheckBox* cbMinuta = nullptr;

    // The consultation path's captions.
    void ParaConsulta();

    // The number proposed: the record's own when it has one (re-invoicing keeps it), else the
    // working year's counter + 1, skipping numbers another record already holds in the series the
    // invoice could fall in. Leaves Dat->TTabcon on the working year's row.
    void ProponeNumero(int factura, int anoContador, const QString& tabla, const QString& ano, const QString& registro);

    // What the caller reads after OK; an empty number or rate counts as 0.
    int NumeroFactura() const;
    TDateTime FechaFactura() const;
    int TasaIva() const;
    int TasaIrpf() const;
    bool GeneraMinuta() const { return cbMinuta->Checked() && cbMinuta->Enabled(); }

    void FormCreate(TObject* sender);
    void FormKeyPress(TObject* sender, QChar& key);
    void NumeroKeyPress(TObject* sender, QChar& key);
    void cbMinutaClick(TObject* sender);
    void SpeedButton1Click(TObject* sender);
    void BtOkClick(TObject* sender);
    void SpeedItem2Click(TObject* sender);

private:
};

extern TFacturar* Facturar;

namespace records {

// VAT or withholding of `base` at `tasa` percent: in euros to the cent, an exact half cent to the
// even cent; in pesetas to the whole peseta, halves up.
Currency Impuesto(Currency base, int tasa, bool euros);

// A number that another invoice of the same series already carries.
class EFacturaRepetida : public Exception {
public:
    using Exception::Exception;
};

// The invoice number `numero` dated `fecha` for the record `ano`/`registro` of `tabla` (EXPED or
// CONSULTAS), run inside the invoicing transaction, which holds the write lock: a number another
// case file or consultation already carries with an invoice dated in the working year
// `anoContador` or in the year of `fecha` raises EFacturaRepetida, and `subeContador` (its
// parameters NFACT and ANO) raises the working year's counter only when the number is higher. A
// proforma (0) touches nothing.
void ReservaFactura(TQuery* subeContador, int numero, int anoContador, TDateTime fecha, const QString& tabla,
                    const QString& ano, const QString& registro);
// The first number from `desde` on that no other record holds in those two series.
int FacturaPropuesta(int desde, int anoContador, TDateTime fecha, const QString& tabla, const QString& ano,
                     const QString& registro);
// The SQL that raises the counter only upwards.
QString SqlSubeContador();

}  // namespace records
