#include "reports/rptLisFacAbo.h"

#include "comun/Alcance.h"
#include "platform/rtl/SysUtils.h"

#include <algorithm>
#include <iterator>

TInfFacAbo* InfFacAbo = nullptr;

namespace {
QString Campo(TDataSet* ds, const char* c) { return ds->FieldByName(QString::fromLatin1(c))->AsString(); }
void Abre(TQuery* q, const char* param, const QString& valor, const char* param2 = nullptr, const QString& valor2 = {}) {
    q->Close();
    if (!q->Prepared()) q->Prepare();
    q->ParamByName(QString::fromLatin1(param))->SetAsString(valor);
    if (param2) q->ParamByName(QString::fromLatin1(param2))->SetAsString(valor2);
    q->Open();
}
}  // namespace

TInfFacAbo::TInfFacAbo(TComponent* owner) : TForm(owner) {
    using namespace reports;
    SetName(QStringLiteral("InfFacAbo"));
    QExped = NuevaConsulta(this, "QExped",
                           QStringLiteral("SELECT 'E' AS PRIMERA, ANO, NUMERO, PROCEDIMIENTO, FECHAFACTURA, FACTURA, "
                                          "DERECHOS, SUPLIDOS,GASTOS, IMPIVA, IMPIRPF, TOTAL,CLIENTE,ABOENT,MONEDA FROM EXPED "
                                          "ORDER BY ABOENT, FECHAFACTURA"));
    QAboEnt = NuevaConsulta(this, "QAboEnt",
                            QStringLiteral("SELECT NOMBRE || ' ' || APELLIDOS AS NOMABO FROM ABOCLI WHERE ABOCLI = :ABOENT"));
    QClientes = NuevaConsulta(this, "QClientes",
                              QStringLiteral("SELECT  NOMBRE || ' ' || APELLIDOS as NOMBRE FROM CLIENTES WHERE CLIENTE = :CLIENTE "));
    TCliCon = NuevaConsulta(this, "TCliCon", QStringLiteral("SELECT NOMCLIENTE FROM CONSULTAS WHERE ANO = :ANO AND NUMERO = :NUMERO"));
    Texpcon = NuevaConsulta(this, "Texpcon", QStringLiteral("SELECT AUTOS FROM EXPED WHERE ANO = :ANO AND NUMERO = :NUMERO"));

    QRInfFacAbo = NuevoInforme(this, "QRInfFacAbo", QExped, QStringLiteral("LISTADO DE FACTURAS"), poLandscape);
    QRCabecera = NuevaBanda(this, QRInfFacAbo, "QRCabecera", rbPageHeader, 68);
    const TCabeceraListado c = NuevaCabecera(this, QRCabecera, QString(), true, "QRTitulo");
    QRTitulo = c.Titulo;
    QRLim = c.Filtro;
    QRLim->SetName(QStringLiteral("QRLim"));
    QRColumnas = NuevaBanda(this, QRInfFacAbo, "QRColumnas", rbColumnHeader, 24);
    const auto s = Cabeceras(this, QRColumnas, 2,
                             {{"Referencia", 10}, {"Nº Autos", 6}, {"Tipo / Procedimiento", 17}, {"Cliente", 11},
                              {"Fecha", 8}, {"Número", 6, taRightJustify}, {"Suplidos", 9, taRightJustify},
                              {"Derechos", 10, taRightJustify}, {"Gastos", 8, taRightJustify}, {"I.V.A.", 9, taRightJustify},
                              {"I.R.P.F.", 9, taRightJustify}, {"Total", 10, taRightJustify}, {"", 3}});
    QRGroup1 = NuevoGrupo(this, QRInfFacAbo, "QRGroup1", QStringLiteral("ABOENT"), 24);
    NuevaEtiqueta(this, QRGroup1, "QRLabel15", 0, 5, 70, QStringLiteral("Abogado :"), taLeftJustify, true);
    QRAbogado = NuevaEtiqueta(this, QRGroup1, "QRAbogado", 72, 5, 400, QString(), taLeftJustify, true);

    QRDetalle = NuevaBanda(this, QRInfFacAbo, "QRDetalle", rbDetail, 18);
    QRReferencia = NuevaEtiqueta(this, QRDetalle, "QRReferencia", s[0].Left, 1, s[0].Width);
    QRLabel14 = NuevaEtiqueta(this, QRDetalle, "QRLabel14", s[1].Left, 1, s[1].Width);
    NuevoCampo(this, QRDetalle, "QRProcedimiento", QExped, "PROCEDIMIENTO", s[2].Left, 1, s[2].Width);
    QRCli = NuevaEtiqueta(this, QRDetalle, "QRCli", s[3].Left, 1, s[3].Width);
    // A client's whole name: what does not fit goes on in the lines below.
    QRCli->SetAutoStretch(true);
    NuevoCampo(this, QRDetalle, "QRFecha", QExped, "FECHAFACTURA", s[4].Left, 1, s[4].Width);
    NuevoCampo(this, QRDetalle, "QRFactura", QExped, "FACTURA", s[5].Left, 1, s[5].Width, taRightJustify);
    const char* importes[] = {"SUPLIDOS", "DERECHOS", "GASTOS", "IMPIVA", "IMPIRPF", "TOTAL"};
    for (size_t i = 0; i < 6; ++i)
        QRImportes.push_back(NuevoCampo(this, QRDetalle, nullptr, QExped, importes[i], s[6 + i].Left, 1, s[6 + i].Width,
                                        taRightJustify));
    QRMonedaFila = NuevaEtiqueta(this, QRDetalle, "QRMonedaFila", s[12].Left, 1, s[12].Width);
    auto suma = [&](TQRCustomBand* b, const char* nombre, size_t i, bool reinicia) {
        TQRExpr* e = NuevaSuma(this, b, nombre, QStringLiteral("SUM(%1)").arg(QString::fromLatin1(importes[i])),
                               s[6 + i].Left, 5, s[6 + i].Width);
        e->SetResetAfterPrint(reinicia);
        e->Font()->SetStyle(TFontStyles{fsBold});
        // Rows of two currencies are never added as one number: the sum printed is the
        // converted one.
        e->OnPrint = TEvent<TObject*, QString&>(
            [this, e, i, reinicia](TObject*, QString& value) { value = SumaTexto(i, reinicia, e->Mask()); });
        return e;
    };
    QRPie = NuevaBanda(this, QRInfFacAbo, "QRPie", rbGroupFooter, 26);
    QRPie->Frame()->SetDrawTop(true);
    QRGroup1->SetFooterBand(QRPie);
    NuevaEtiqueta(this, QRPie, "QRLabel16", s[3].Left, 5, s[3].Width, QStringLiteral("Totales ...... :"), taLeftJustify, true);
    QRPSup = suma(QRPie, "QRPSup", 0, true);
    QRPDer = suma(QRPie, "QRPDer", 1, true);
    QRPIva = suma(QRPie, "QRPIva", 3, true);
    QRPIrpf = suma(QRPie, "QRPIrpf", 4, true);
    QRPTotal = suma(QRPie, "QRPTotal", 5, true);
    QRBand3 = NuevaBanda(this, QRInfFacAbo, "QRBand3", rbSummary, 48);
    QRBand3->Frame()->SetDrawTop(true);
    NuevaEtiqueta(this, QRBand3, "QRLabel17", s[3].Left, 5, s[3].Width, QStringLiteral("Totales ...... :"), taLeftJustify, true);
    QRTSup = suma(QRBand3, "QRTSup", 0, false);
    QRTDer = suma(QRBand3, "QRTDer", 1, false);
    QRTGas = suma(QRBand3, "QRTGas", 2, false);
    QRTIva = suma(QRBand3, "QRTIva", 3, false);
    QRTIrpf = suma(QRBand3, "QRTIrpf", 4, false);
    QRTTotal = suma(QRBand3, "QRTTotal", 5, false);
    NuevaEtiqueta(this, QRBand3, "QRLabel18", s[8].Left, 26, s[8].Width + s[9].Width, QStringLiteral("Euros :"),
                  taRightJustify, true);
    QREuro = NuevaEtiqueta(this, QRBand3, "QREuro", s[10].Left, 26, s[10].Width + s[11].Width + 4, QString(),
                           taRightJustify, true);

    QRGroup1->BeforePrint = TQRBandBeforePrintEvent(this, &TInfFacAbo::QRGroup1BeforePrint);
    QRDetalle->BeforePrint = TQRBandBeforePrintEvent(this, &TInfFacAbo::QRDetalleBeforePrint);
    QRLabel14->OnPrint = TEvent<TObject*, QString&>(this, &TInfFacAbo::QRLabel14Print);
    QRBand3->BeforePrint = TQRBandBeforePrintEvent(this, &TInfFacAbo::QRBand3BeforePrint);
    QREuro->OnPrint = TEvent<TObject*, QString&>(this, &TInfFacAbo::QREuroPrint);
    QRPie->AfterPrint = TQRBandAfterPrintEvent([this](TQRCustomBand*, bool) { ReiniciaGrupo(); });
    QRInfFacAbo->BeforePrint = TEvent<TQuickRep*, bool&>([this](TQuickRep*, bool&) {
        FTotalEuros = FTotalPesetas = 0;
        ReiniciaGrupo();
        std::fill(std::begin(FSuma), std::end(FSuma), 0.0);
        FSumaConvertible = true;
    });
    OnClose = TCloseEvent(this, &TInfFacAbo::FormClose);
    FormCreate(this);
}

TInfFacAbo::~TInfFacAbo() {
    if (InfFacAbo == this) InfFacAbo = nullptr;
}

void TInfFacAbo::FormCreate(TObject*) {
    FTotalEuros = FTotalPesetas = 0;
    const QString formato = reports::FormatoMoneda(reports::MonedaDespacho());
    for (TQRDBText* t : QRImportes) t->SetMask(formato);
    for (TQRExpr* e : {QRPSup, QRPDer, QRPIva, QRPIrpf, QRPTotal, QRTSup, QRTDer, QRTGas, QRTIva, QRTIrpf, QRTTotal})
        e->SetMask(formato);
}

void TInfFacAbo::QRGroup1BeforePrint(TQRCustomBand*, bool&) {
    // The records without an entering lawyer make a group of their own, with no name.
    if (QExped->FieldByName(QStringLiteral("ABOENT"))->IsNull()) {
        QRAbogado->SetCaption(QString());
        return;
    }
    Abre(QAboEnt, "ABOENT", Campo(QExped, "ABOENT"));
    QRAbogado->SetCaption(QAboEnt->IsEmpty() ? QString() : Campo(QAboEnt, "NOMABO"));
}

void TInfFacAbo::QRDetalleBeforePrint(TQRCustomBand*, bool&) {
    TDataSet* e = QExped;
    QRReferencia->SetCaption(Campo(e, "PRIMERA") + QLatin1Char(' ') + Campo(e, "ANO") + QLatin1Char('/') + Campo(e, "NUMERO"));
    if (Campo(e, "PRIMERA") == u"C") {
        Abre(TCliCon, "ANO", Campo(e, "ANO"), "NUMERO", Campo(e, "NUMERO"));
        QRCli->SetCaption(TCliCon->IsEmpty() ? QString() : Campo(TCliCon, "NOMCLIENTE"));
    } else {
        Abre(QClientes, "CLIENTE", Campo(e, "CLIENTE"));
        QRCli->SetCaption(QClientes->IsEmpty() ? QString() : Campo(QClientes, "NOMBRE"));
    }
    // Each currency keeps its own total: pesetas and euros are never added as one number.
    const double total = e->FieldByName(QStringLiteral("TOTAL"))->AsFloat();
    const bool euros = Campo(e, "MONEDA") == u"E";
    if (euros) FTotalEuros += total;
    else FTotalPesetas += total;
    const QString despacho = reports::MonedaDespacho();
    // The row's amounts are in its own currency: shown as such, and marked when it is not the
    // office's, whose currency the sums are in.
    for (TQRDBText* t : QRImportes) t->SetMask(reports::FormatoMoneda(euros ? QStringLiteral("E") : QStringLiteral("P")));
    QRMonedaFila->SetCaption(euros == (despacho == u"E") ? QString() : euros ? QStringLiteral("€") : QStringLiteral("Pts."));
    const double cambio = reports::CambioEuro();
    const char* importes[] = {"SUPLIDOS", "DERECHOS", "GASTOS", "IMPIVA", "IMPIRPF", "TOTAL"};
    for (size_t i = 0; i < 6; ++i) {
        const double importe = e->FieldByName(QString::fromLatin1(importes[i]))->AsFloat();
        double convertido = 0;
        if (importe != 0 && !reports::EnMonedaDespacho(importe, euros ? QStringLiteral("E") : QStringLiteral("P"), despacho,
                                                       cambio, convertido)) {
            FGrupoConvertible = FSumaConvertible = false;
            continue;
        }
        FGrupo[i] += convertido;
        FSuma[i] += convertido;
    }
}

void TInfFacAbo::ReiniciaGrupo() {
    std::fill(std::begin(FGrupo), std::end(FGrupo), 0.0);
    FGrupoConvertible = true;
}

QString TInfFacAbo::SumaTexto(size_t importe, bool grupo, const QString& mascara) const {
    if (!(grupo ? FGrupoConvertible : FSumaConvertible)) return QString();
    return platform::report::TQRValue::FromNumber(grupo ? FGrupo[importe] : FSuma[importe]).AsString(mascara);
}

void TInfFacAbo::QRLabel14Print(TObject*, QString& value) {
    value.clear();
    if (Campo(QExped, "PRIMERA") != u"E") return;
    Abre(Texpcon, "ANO", Campo(QExped, "ANO"), "NUMERO", Campo(QExped, "NUMERO"));
    if (!Texpcon->IsEmpty()) value = Campo(Texpcon, "AUTOS");
}

void TInfFacAbo::QRBand3BeforePrint(TQRCustomBand*, bool& print) { print = FTotalEuros != 0 || FTotalPesetas != 0; }

void TInfFacAbo::QREuroPrint(TObject*, QString& value) {
    // The whole in euros: the euro rows as they are, the peseta rows converted at the office's
    // rate; without a rate the pesetas cannot join it and the line stays empty.
    double pesetas = 0;
    if (FTotalPesetas != 0 &&
        !reports::EnMonedaDespacho(FTotalPesetas, QStringLiteral("P"), QStringLiteral("E"), reports::CambioEuro(), pesetas)) {
        value.clear();
        return;
    }
    value = reports::ImporteTexto(FTotalEuros + pesetas, 2);
}

void TInfFacAbo::FormClose(TObject*, TCloseAction& action) { action = caFree; }

namespace reports {

QStringList SqlFacturasAbogado(TTipoFacturas tipo, bool todos) {
    // Every lawyer takes in the invoices of records that name no entering lawyer as well.
    const QString abogado = todos ? QStringLiteral("AND (ABOENT BETWEEN :ADESDE AND :AHASTA OR ABOENT IS NULL) ")
                                  : QStringLiteral("AND ABOENT BETWEEN :ADESDE AND :AHASTA ");
    QStringList exped = {QStringLiteral("SELECT 'E' AS PRIMERA, ANO, NUMERO, PROCEDIMIENTO, "),
                         QStringLiteral("FECHAFACTURA, FACTURA, DERECHOS, SUPLIDOS, GASTOS,"),
                         QStringLiteral("IMPIVA, IMPIRPF, TOTAL, CLIENTE, ABOENT, MONEDA "), QStringLiteral("FROM EXPED "),
                         QStringLiteral("WHERE FECHAFACTURA BETWEEN :FDESDE AND :FHASTA "),
                         abogado};
    QStringList consultas = {QStringLiteral("SELECT 'C' AS PRIMERA, ANO, NUMERO, TIPO AS PROCEDIMIENTO, "),
                             QStringLiteral("FECHAFACTURA, FACTURA, IMPORTE AS DERECHOS, 0 AS SUPLIDOS, 0 AS GASTOS, "),
                             QStringLiteral("IMPIVA, IMPIRPF, TOTAL, CLIENTE, ABOENT, MONEDA "), QStringLiteral("FROM CONSULTAS "),
                             QStringLiteral("WHERE FECHAFACTURA BETWEEN :FDESDE AND :FHASTA "),
                             abogado};
    // Within the rule on the responsible lawyer, whatever the entering lawyer chosen.
    if (const QString alcance = comun::YAlcance(); !alcance.isEmpty()) {
        exped << alcance;
        consultas << alcance;
    }
    QStringList sql;
    if (tipo != tfConsultas) sql << exped;
    if (tipo == tfTodo) sql << QStringLiteral("UNION ");
    if (tipo != tfExpedientes) sql << consultas;
    sql << QStringLiteral("ORDER BY ABOENT, FECHAFACTURA ");
    return sql;
}

void PreparaFacAbo(TInfFacAbo* f, TTipoFacturas tipo, TDateTime desde, TDateTime hasta, int abogado, const QString& nombre) {
    TQuery* q = f->QExped;
    q->Close();
    q->SQL()->Clear();
    for (const QString& l : SqlFacturasAbogado(tipo, abogado == 0)) q->SQL()->Add(l);
    q->ParamByName(QStringLiteral("FDESDE"))->SetAsDate(desde);
    q->ParamByName(QStringLiteral("FHASTA"))->SetAsDate(hasta);
    q->ParamByName(QStringLiteral("ADESDE"))->SetAsInteger(abogado == 0 ? 0 : abogado);
    q->ParamByName(QStringLiteral("AHASTA"))->SetAsInteger(abogado == 0 ? 9999 : abogado);
    q->Open();
    f->QRTitulo->SetCaption(TituloFacturas(cfGeneral, tipo) + DateToStr(desde) + QStringLiteral(" A ") + DateToStr(hasta));
    f->QRLim->SetCaption(abogado == 0 ? QStringLiteral("ABOGADO DE ENTRADA : TODOS")
                                      : QStringLiteral("ABOGADO DE ENTRADA : ") + nombre);
}

void rptLisFacAbo(TTipoFacturas tipo, TDateTime desde, TDateTime hasta, int abogado, const QString& nombre) {
    Presenta(InfFacAbo, &TInfFacAbo::QRInfFacAbo,
             [&](TInfFacAbo* f) { PreparaFacAbo(f, tipo, desde, hasta, abogado, nombre); });
}

}  // namespace reports
