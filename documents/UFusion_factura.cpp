// The itemised account typed into a fee note where "[[Economicos.Detalle de Factura]]" stands.
#include "documents/UFusion.h"

#include "comun/UComunes.h"
#include "comun/UData.h"
#include "platform/db/DBTables.h"
#include "platform/rtl/SysUtils.h"

#include <cmath>
#include <cstdlib>

namespace {
const QString kCampo = QStringLiteral("[[Economicos.Detalle de Factura]]");
const QString CR = QStringLiteral("\r");
const QString TAB = QStringLiteral("\t");
const QString B104(104, QLatin1Char(' '));
const QString B40(40, QLatin1Char(' '));
const QString B30(30, QLatin1Char(' '));
const QString kRaya = QStringLiteral("  --------------");

Currency aCentimos(Currency x)
{
    const qint64 raw = x.Raw();
    qint64 q = raw / 100;
    const qint64 resto = std::llabs(raw % 100);
    if (resto > 50 || (resto == 50 && (q & 1))) q += raw < 0 ? -1 : 1;
    return Currency::FromRaw(q * 100);
}

// The typing of one block, in the record's currency. Any currency flag other than "P" is euros,
// and the amount in the other currency is labelled with the currency it is in.
struct Bloque {
    bool pesetas = false;

    void escribe(const QString& texto) const { EscribeTexto(EditorOle, TipoEditor, texto); }
    void tamano(int puntos) const { TamanoLetra(EditorOle, TipoEditor, puntos); }
    void negrita() const { Negrita(EditorOle, TipoEditor); }
    QString importe(Currency v) const { return Format(pesetas ? QStringLiteral("%10.0n") : QStringLiteral("%10.2n"), v.ToDouble()); }
    QString otraMoneda(Currency v) const
    {
        return pesetas ? Format(QStringLiteral("%10.2n"), ConvierteMoneda(QLatin1Char('E'), v).ToDouble())
                       : Format(QStringLiteral("%10.0n"), ConvierteMoneda(QLatin1Char('P'), v).ToDouble());
    }
    // A percentage of a base, rounded as the invoice rounds it.
    Currency impuesto(Currency base, double porcentaje) const
    {
        const double bruto = base.ToDouble() * porcentaje / 100.0;
        if (pesetas) return Currency(qint64(std::trunc(bruto + 0.5)));
        return aCentimos(Currency(bruto));
    }
    void raya() const { escribe(CR + TAB + TAB + B104 + kRaya); }
    void inicio() const
    {
        BuscaTexto(EditorOle, TipoEditor, kCampo);
        FijaTabuladores(EditorOle, TipoEditor);
    }
    void fin() const { ReemplazaTodo(EditorOle, TipoEditor, kCampo, QString()); }

    // One group of the ledger: heading, concepts and total. Returns the group's sum; the group is
    // typed only when `imprime` says so for that sum.
    Currency grupo(int tipo, const QString& titulo, const QString& etiqueta, bool soloPositivo) const
    {
        AbreGrupo(tipo);
        TField* suma = Dat->QGrupo->FieldByName(QStringLiteral("IMPORTE"));
        const Currency total = suma->IsNull() ? Currency() : Currency(suma->AsFloat());
        const bool imprime = soloPositivo ? total > Currency() : total != Currency();
        Currency s;
        bool cabecera = false;
        TQuery* q = Dat->QMinuta;
        for (q->First(); !q->Eof(); q->Next()) {
            const Currency importeFila(q->FieldByName(QStringLiteral("IMPORTE"))->AsFloat());
            s += importeFila;
            if (!imprime) continue;
            if (!cabecera) {
                tamano(14);
                negrita();
                escribe(CR + TAB + titulo);
                negrita();
                tamano(12);
                cabecera = true;
            }
            const QString concepto = q->FieldByName(QStringLiteral("CONCEPTO"))->AsString();
            if (concepto.size() < 36) {
                escribe(CR + TAB + TAB + concepto);
            } else {
                // Split at the last blank within the first 35 characters; with none, at 35.
                int corte = concepto.left(35).lastIndexOf(QLatin1Char(' '));
                corte = corte < 0 ? 35 : corte + 1;
                escribe(CR + TAB + TAB + concepto.left(corte));
                escribe(CR + TAB + TAB + concepto.mid(corte));
            }
            escribe(TAB + TAB + importe(importeFila));
        }
        if (cabecera) {
            raya();
            negrita();
            tamano(12);
            escribe(CR + TAB + TAB + B30 + etiqueta + TAB + TAB + importe(s));
            negrita();
        }
        return s;
    }
};

QString porcentaje(double v) { return FloatToStr(v); }

// The record's stored invoice, when it has been invoiced.
bool facturado(TDataSet* ds)
{
    TField* f = ds->FindField(QStringLiteral("FECHAFACTURA"));
    return f && !f->IsNull();
}
Currency importeDe(TDataSet* ds, const char* campo)
{
    TField* f = ds->FieldByName(QString::fromLatin1(campo));
    return f->IsNull() ? Currency() : Currency(f->AsFloat());
}
}  // namespace

void AbreGrupo(int tipo)
{
    for (TQuery* q : {Dat->QMinuta, Dat->QGrupo}) {
        q->Close();
        q->ParamByName(QStringLiteral("ANO"))->SetAsString(Dat->TExped->FieldByName(QStringLiteral("ANO"))->AsString());
        q->ParamByName(QStringLiteral("NUMERO"))->SetAsString(Dat->TExped->FieldByName(QStringLiteral("NUMERO"))->AsString());
        q->ParamByName(QStringLiteral("TIPO"))->SetAsInteger(tipo);
        q->Open();
    }
}

void DetalleFacturaExpediente()
{
    TDataSet* e = Dat->TExped;
    Bloque b;
    b.pesetas = e->FieldByName(QStringLiteral("MONEDA"))->AsString() == QLatin1String("P");
    b.inicio();
    // Every type's sum counts, whether its group is typed or not (a refund leaves a group at zero
    // or below): the totals are those of the whole ledger, as the invoice computed them.
    const Currency S = b.grupo(1, QStringLiteral("SUPLIDOS"), QStringLiteral("Total Suplidos"), true);
    const Currency D = b.grupo(2, QStringLiteral("DERECHOS"), QStringLiteral("Total Derechos"), true);
    const Currency G = b.grupo(4, QStringLiteral("GASTOS"), QStringLiteral("Total Gastos"), true);

    const double pIva = e->FieldByName(QStringLiteral("IVA"))->AsFloat();
    const double pIrpf = e->FieldByName(QStringLiteral("IRPF"))->AsFloat();
    const bool guardada = facturado(e);
    const bool conBase = D > Currency() || G > Currency();
    Currency iva, irpf, total;
    if (guardada) {
        iva = importeDe(e, "IMPIVA");
        irpf = -importeDe(e, "IMPIRPF");
        total = importeDe(e, "TOTAL");
    } else {
        if (conBase && pIva > 0) iva = b.impuesto(D + G, pIva);
        if (conBase && pIrpf > 0) irpf = -b.impuesto(D + G, pIrpf);
        total = D + G + S + iva + irpf;
    }
    if (conBase || iva != Currency() || irpf != Currency()) {
        if (pIva > 0 || iva != Currency()) {
            b.tamano(12);
            b.escribe(CR + TAB + TAB + B40 + QStringLiteral("I.V.A. ") + porcentaje(pIva) + QStringLiteral("% ") + TAB + TAB
                      + b.importe(iva));
        }
        if (pIrpf > 0 || irpf != Currency()) {
            b.tamano(12);
            b.escribe(CR + TAB + TAB + B40 + QStringLiteral("I.R.P.F. ") + porcentaje(pIrpf) + QStringLiteral("% ....") + TAB
                      + TAB + b.importe(irpf));
        }
        b.raya();
        b.negrita();
        b.tamano(12);
        b.escribe(CR + TAB + TAB + B30 + QStringLiteral("TOTAL FACTURA") + TAB + TAB + b.importe(total));
        b.negrita();
    }

    const Currency P = b.grupo(3, QStringLiteral("PROVISIONES"), QStringLiteral("Total Provisiones"), false);

    const Currency saldo = total + P;
    b.raya();
    b.negrita();
    b.tamano(12);
    const bool aMiFavor = saldo > Currency();
    const QString moneda = b.pesetas ? QStringLiteral("Ptas.") : QStringLiteral("Euros.");
    b.escribe(CR + TAB + TAB + B30 + (aMiFavor ? QStringLiteral("Saldo a mi favor s.e.u o. ") : QStringLiteral("Saldo a su favor s.e.u o. "))
              + moneda + TAB + TAB + b.importe(saldo) + CR);
    b.tamano(12);
    b.negrita();
    if (saldo != Currency()) {
        QString texto;
        if (b.pesetas) texto = aMiFavor ? QStringLiteral("Saldo a mi favor s.e.u o. Euros.") : QStringLiteral("Saldo a su favor s.e.u o. Euros.");
        else texto = aMiFavor ? QStringLiteral("Saldo a mi favor s.e.u o. Ptas.") : QStringLiteral("Saldo a su favor s.e.u o. Ptas");
        b.escribe(TAB + TAB + B30 + texto + TAB + TAB + b.otraMoneda(saldo) + CR);
    }
    b.negrita();
    b.fin();
}

void DetalleFacturaConsulta()
{
    TDataSet* c = Dat->TConsultas;
    Bloque b;
    b.pesetas = c->FieldByName(QStringLiteral("MONEDA"))->AsString() == QLatin1String("P");
    b.inicio();
    b.tamano(14);
    b.negrita();
    b.escribe(CR + TAB + QStringLiteral("DERECHOS"));
    b.negrita();
    b.tamano(12);
    const Currency importe = importeDe(c, "IMPORTE");
    b.escribe(CR + TAB + TAB + QStringLiteral("DERECHOS DE CONSULTA"));
    b.escribe(TAB + TAB + b.importe(importe));

    const double pIva = c->FieldByName(QStringLiteral("IVA"))->AsFloat();
    const double pIrpf = c->FieldByName(QStringLiteral("IPRF"))->AsFloat();
    const bool guardada = facturado(c);
    Currency iva, irpf, total;
    if (guardada) {
        iva = importeDe(c, "IMPIVA");
        irpf = -importeDe(c, "IMPIRPF");
        total = importeDe(c, "TOTAL");
    } else {
        if (pIva > 0) iva = b.impuesto(importe, pIva);
        if (pIrpf > 0) irpf = -b.impuesto(importe, pIrpf);
        total = importe + iva + irpf;
    }
    if (pIva > 0 || iva != Currency()) {
        b.tamano(12);
        b.escribe(CR + CR + TAB + TAB + B40 + QStringLiteral("I.V.A. ") + porcentaje(pIva) + QStringLiteral("% ") + TAB + TAB
                  + b.importe(iva));
    }
    if (pIrpf > 0 || irpf != Currency()) {
        b.tamano(12);
        b.escribe(CR + TAB + TAB + B40 + QStringLiteral("I.R.P.F. ") + porcentaje(pIrpf) + QStringLiteral("% ....") + TAB + TAB
                  + b.importe(irpf));
    }
    b.raya();
    b.negrita();
    b.tamano(12);
    b.escribe(CR + TAB + TAB + B30 + (b.pesetas ? QStringLiteral("TOTAL FACTURA  Ptas.") : QStringLiteral("TOTAL FACTURA  Euros."))
              + TAB + TAB + b.importe(total) + CR);
    b.tamano(12);
    b.negrita();
    if (total != Currency()) {
        QString texto;
        if (b.pesetas) texto = QStringLiteral("TOTAL FACTURA Euros.");
        else texto = total > Currency() ? QStringLiteral("TOTAL FACTURA Ptas.") : QStringLiteral("TOTAL FACTURA Ptas");
        b.escribe(TAB + TAB + B30 + texto + TAB + TAB + b.otraMoneda(total) + CR);
    }
    b.fin();
}
