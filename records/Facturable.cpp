#include "records/Facturable.h"

#include "comun/Controles.h"
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "platform/rtl/SysUtils.h"
#include "records/Pinturas.h"
#include "records/UFactura.h"

#include <cmath>

namespace records {

namespace {
TImage* ImagenMoneda(TWinControl* padre, const char* nombre, int left, int top, const QString& hint, const QString& texto,
                     TColor color) {
    auto* i = new TImage(padre);
    i->SetName(QString::fromLatin1(nombre));
    i->SetParent(padre);
    i->SetBounds(left, top, 26, 16);
    i->SetHint(hint);
    i->SetShowHint(true);
    Dibujo(i, 26, [&](TCanvas* c) { Moneda(c, texto, color); });
    return i;
}
}  // namespace

void IconosMoneda(TWinControl* padre, int left, int top, const QString& gesto, TImage*& pesetas, TImage*& euros) {
    pesetas = ImagenMoneda(padre, "Image4", left, top, gesto + QStringLiteral(": cambiar a EUROS"), QStringLiteral("Pts"), clMaroon);
    euros = ImagenMoneda(padre, "Image5", left, top, gesto + QStringLiteral(": cambiar a PESETAS"), QStringLiteral(" €"), clGreen);
}

void MuestraMoneda(TImage* pesetas, TImage* euros, const QString& moneda, bool cambia) {
    pesetas->SetVisible(moneda == QLatin1String("P"));
    euros->SetVisible(moneda == QLatin1String("E"));
    pesetas->SetEnabled(pesetas->Visible() && cambia);
    euros->SetEnabled(euros->Visible() && cambia);
}

void ImporteEnOtraMoneda(TControl* control, const QString& moneda, Currency importe) {
    if (moneda == QLatin1String("P"))
        control->SetHint(Format(QStringLiteral("%10.2n "), ConvierteMoneda(QLatin1Char('E'), importe).ToDouble()));
    else
        control->SetHint(Format(QStringLiteral("%10.0n Pts."), ConvierteMoneda(QLatin1Char('P'), importe).ToDouble()));
}

void LineaMoneda(TDataSet* t, TImage* pesetas, TImage* euros, bool soloConsulta, TControl* control, Currency importe) {
    const QString moneda = t->FieldByName(QStringLiteral("MONEDA"))->AsString();
    const bool abierto = t->FieldByName(QStringLiteral("SITUACION"))->AsInteger() == 1 && (!soloConsulta || t->State() == dsBrowse);
    MuestraMoneda(pesetas, euros, moneda, abierto);
    if (control) ImporteEnOtraMoneda(control, moneda, importe);
}

void AlternaMoneda(TImage* icono, QChar destino, void (*cambia)(QChar), const std::function<void()>& antes,
                   const std::function<void()>& despues) {
    if (!icono->Enabled()) return;
    if (antes) antes();
    cambia(destino);
    despues();
}

QString FormatoImporte(const QString& moneda) {
    return moneda == QLatin1String("E") ? QStringLiteral("#,##0.00") : QStringLiteral("#,##0");
}

bool ImporteEnLimites(double importe) { return std::fabs(importe) <= 999999999999.99; }

bool ImporteExcesivo(double importe) {
    if (ImporteEnLimites(importe)) return false;
    MensajeError(QStringLiteral("IMPORTE demasiado grande"));
    return true;
}

TDBText* TextoSaldo(TWinControl* padre, int left, int top, int ancho) {
    TDBText* s = comun::TextoDeCampo(padre, padre, QStringLiteral("DBSaldo"), Dat->DSSaldo, QStringLiteral("SALDO"), left, top + 3, ancho);
    s->SetAlignment(taRightJustify);
    s->Font()->SetStyle({fsBold});
    s->SetShowHint(true);
    return s;
}

double SaldoExpediente() {
    TQuery* q = Dat->QSaldo;
    return q->Active() && !q->IsEmpty() ? Dat->QSaldoSALDO->AsFloat() : 0.0;
}

void ColoreaSaldo(TDBText* texto) { texto->Font()->SetColor(SaldoExpediente() < 0 ? clRed : clBlue); }

bool ConfirmaCierre(TDataSet* t, const QString& sinFactura, const QString& este, const QString& cerrado) {
    switch (t->FieldByName(QStringLiteral("SITUACION"))->AsInteger()) {
    case 1: return MensajeConfirmacion(QStringLiteral("  %1\r¿Desea cerrar %2?").arg(sinFactura, este));
    case 2: return MensajeConfirmacion(QStringLiteral("¿Desea cerrar %1?").arg(este));
    case 3: {
        // The invoice leaves every list and its number is not given again: the office is told first.
        const QString factura = FacturaDelRegistro(t);
        const QString aviso = factura.isEmpty() ? QString() : factura + QStringLiteral(": dejará de figurar en las listas de facturas.\r");
        return MensajeConfirmacion(aviso + QStringLiteral("   %1\r¿Desea abrir %2?").arg(cerrado, este));
    }
    default: return false;
    }
}

QString FacturaDelRegistro(TDataSet* t) {
    const int numero = t->FieldByName(QStringLiteral("FACTURA"))->AsInteger();
    if (numero <= 0) return {};
    TField* fecha = t->FieldByName(QStringLiteral("FECHAFACTURA"));
    const QString moneda = t->FieldByName(QStringLiteral("MONEDA"))->AsString();
    const bool euros = moneda == QLatin1String("E");
    QString texto = QStringLiteral("Factura Nº %1").arg(numero);
    if (!fecha->IsNull()) texto += QStringLiteral(" de ") + FormatDateTime(QStringLiteral("dd/mm/yyyy"), fecha->AsDateTime());
    return texto + QStringLiteral(", total ") +
           FormatFloat(FormatoImporte(moneda), t->FieldByName(QStringLiteral("TOTAL"))->AsFloat()) +
           (euros ? QStringLiteral(" €") : QStringLiteral(" Pts."));
}

QString TextoReapertura(const QString& texto, const QString& factura) {
    return factura.isEmpty() ? texto : texto + QStringLiteral(" - ") + factura;
}

bool ConfirmaFacturar(TDataSet* t, const QString& este, const QString& facturado) {
    const QString pregunta = t->FieldByName(QStringLiteral("SITUACION"))->AsInteger() < 2
                                 ? QStringLiteral("¿Desea facturar %1?").arg(este)
                                 : facturado + QStringLiteral(" Nº FACTURA : ") +
                                       Format(QStringLiteral("%7.0d"), t->FieldByName(QStringLiteral("FACTURA"))->AsInteger()) +
                                       QStringLiteral("\r¿Desea volver a facturar %1?").arg(este);
    if (!MensajeConfirmacion(pregunta)) return false;
    // The invoice takes the series of the year it is made in when the desk ran over New Year.
    comun::SigueAlCalendario();
    return true;
}

std::unique_ptr<TFacturar> PideDatosFactura(TDataSet* t, const QString& tabla, int anoContador) {
    std::unique_ptr<TFacturar> dlg(new TFacturar(nullptr));
    Facturar = dlg.get();
    if (tabla == QLatin1String("CONSULTAS")) dlg->ParaConsulta();
    dlg->ProponeNumero(t->FieldByName(QStringLiteral("FACTURA"))->AsInteger(), anoContador, tabla,
                       t->FieldByName(QStringLiteral("ANO"))->AsString(), t->FieldByName(QStringLiteral("NUMERO"))->AsString());
    if (dlg->ShowModal() != mrOk) return nullptr;
    return dlg;
}

void InformaErrorFactura() {
    try {
        throw;
    } catch (EFacturaRepetida& repetida) {
        MensajeError(repetida.Message());
        return;
    } catch (...) {
    }
    comun::InformaFallo(QStringLiteral("ERROR al facturar"));
}

}  // namespace records
