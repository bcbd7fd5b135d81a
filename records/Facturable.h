#pragma once
// What a case file and a consultation share as records that are invoiced: their currency (the
// icon that changes it, the amount told in the other currency, the format of amounts), the case
// file's balance line (on its form and on its ledger), the question before closing or reopening,
// and the invoicing's question, dialog and error report.
#include "platform/db/DB.h"
#include "platform/forms/DBCtrls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/rtl/Currency.h"

#include <QString>
#include <functional>
#include <memory>

class TFacturar;

namespace records {

// The pesetas icon and the euros one, in the same place at (left, top) of `padre`; `gesto`
// ("Clic", "Doble clic") tells in their hints how the currency is changed.
void IconosMoneda(TWinControl* padre, int left, int top, const QString& gesto, TImage*& pesetas, TImage*& euros);
// The icon of `moneda` ("P", "E") shows; it changes the currency only while `cambia`.
void MuestraMoneda(TImage* pesetas, TImage* euros, const QString& moneda, bool cambia);
// `importe`, in `moneda`, told in the other currency as the hint of `control`.
void ImporteEnOtraMoneda(TControl* control, const QString& moneda, Currency importe);
// The currency line of the record current in `t`: the icon of its MONEDA, which changes the
// currency only while the record is open (SITUACION 1) and, when `soloConsulta`, browsing; and
// `importe` told in the other currency as the hint of `control` (none when null).
void LineaMoneda(TDataSet* t, TImage* pesetas, TImage* euros, bool soloConsulta, TControl* control = nullptr,
                 Currency importe = Currency(0));
// A click on a currency icon: while the icon is enabled, `antes` (when given) re-reads the record,
// `cambia` turns it into `destino` and `despues` shows it again.
void AlternaMoneda(TImage* icono, QChar destino, void (*cambia)(QChar), const std::function<void()>& antes,
                   const std::function<void()>& despues);
// The display format of amounts in `moneda`: to the cent in euros, whole pesetas.
QString FormatoImporte(const QString& moneda);
// An amount typed for an entry or a fee: up to a thousand thousand million less a cent, so that
// its cents stay exact and the sums and taxes of an invoice fit the fixed-point figure they are
// worked in.
bool ImporteEnLimites(double importe);
// Out of range: the error box "IMPORTE demasiado grande" and true.
bool ImporteExcesivo(double importe);

// The balance of the case file's ledger (Dat->DSSaldo), bold and right-aligned, `ancho` wide, on
// the line of its "Saldo :" label at `top`.
TDBText* TextoSaldo(TWinControl* padre, int left, int top, int ancho);
// The balance of the case file current in the data module; 0 before it is read.
double SaldoExpediente();
// The balance's colour: red when negative, blue otherwise.
void ColoreaSaldo(TDBText* texto);

// The question before closing (SITUACION 1 and 2) or reopening (3) the record current in `t`;
// `sinFactura` ("Expediente NO FACTURADO") and `cerrado` ("Expediente YA CERRADO") head the
// question about `este` ("éste Expediente") when not invoiced and when closed. Whether the user
// goes on; false too for any other state.
// Reopening a record that holds an invoice says, on a line before that question, which invoice
// leaves the invoice lists.
bool ConfirmaCierre(TDataSet* t, const QString& sinFactura, const QString& este, const QString& cerrado);
// The invoice the record current in `t` holds, as the office reads it ("Factura Nº 101 de
// 15/01/2027, total 1.234,56 €"); empty when it holds none. Read before a reopening clears it.
QString FacturaDelRegistro(TDataSet* t);
// The agenda text of a reopening (`texto`, "REAPERTURA DE EXPEDIENTE") followed by the invoice
// `factura` it withdrew, so the agenda keeps the record of an invoice that was issued.
QString TextoReapertura(const QString& texto, const QString& factura);
// The question before invoicing the record current in `t`: `este` ("éste Expediente") the first
// time; `facturado` ("Expediente Facturado") and its number when it was invoiced before. Whether
// the user goes on; when they do, the working year has followed the calendar (a desk that ran
// over New Year invoices in the new year's series).
bool ConfirmaFacturar(TDataSet* t, const QString& este, const QString& facturado);
// The dialog of the invoice's data for the record current in `t` of `tabla` (EXPED, CONSULTAS),
// proposing its number in the working year `anoContador`; null unless the user accepts it.
std::unique_ptr<TFacturar> PideDatosFactura(TDataSet* t, const QString& tabla, int anoContador);
// Tells the user why the invoicing failed, in the program's own box ("ERROR al facturar", and the
// engine's reason when the server could not be reached); called from its catch block, once rolled back.
void InformaErrorFactura();

}  // namespace records
