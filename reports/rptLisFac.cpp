#include "reports/rptLisFac.h"

#include "comun/Alcance.h"
#include "platform/rtl/SysUtils.h"
#include "reports/ListaExpedientes.h"

#include <cmath>

TInfLisFac* InfLisFac = nullptr;

namespace {
QString Campo(TDataSet* ds, const char* c) { return ds->FieldByName(QString::fromLatin1(c))->AsString(); }
}  // namespace

TInfLisFac::TInfLisFac(TComponent* owner) : TForm(owner) {
    using namespace reports;
    SetName(QStringLiteral("InfLisFac"));
    QExped = NuevaConsulta(this, "QExped",
                           QStringLiteral("SELECT 'E' AS PRIMERA, ANO, NUMERO, AUTOS, PROCEDIMIENTO, FECHAFACTURA, FACTURA, "
                                          "DERECHOS, SUPLIDOS, GASTOS, IMPIVA, IMPIRPF, TOTAL,MONEDA, "
                                          "'12345678901234567890123456789012345678901234567890' AS NOMCLI FROM EXPED "
                                          "ORDER BY MONEDA, FECHAFACTURA"));
    QClientes = NuevaConsulta(this, "QClientes",
                              QStringLiteral("SELECT A.CLIENTE as CODIGO,B.APELLIDOS || ',' || B.NOMBRE as NOMBRE FROM "
                                             "EXPCLI A, CLIENTES B WHERE A.CLIENTE = B.CLIENTE AND A.ANO = :ANO AND "
                                             "A.NUMERO = :NUMERO ORDER BY NOMBRE"));
    TCliCon = NuevaConsulta(this, "TCliCon", QStringLiteral("SELECT NOMCLIENTE FROM CONSULTAS WHERE ANO = :ANO AND NUMERO = :NUMERO"));
    Texpcon = NuevaConsulta(this, "Texpcon", QStringLiteral("SELECT AUTOS FROM EXPED WHERE ANO = :ANO AND NUMERO = :NUMERO"));

    QRInfFac = NuevoInforme(this, "QRInfFac", QExped, QStringLiteral("LISTADO DE FACTURAS"), poLandscape);
    QRCabecera = NuevaBanda(this, QRInfFac, "QRCabecera", rbPageHeader, 50);
    QRTitulo = NuevaCabecera(this, QRCabecera, QString(), false, "QRTitulo").Titulo;
    QRColumnas = NuevaBanda(this, QRInfFac, "QRColumnas", rbColumnHeader, 24);
    const auto s = Cabeceras(this, QRColumnas, 2,
                             {{"Referencia", 10}, {"Nº Autos", 6}, {"Tipo/Proced.", 12}, {"Cliente", 16}, {"Fecha", 8},
                              {"Número", 6, taRightJustify}, {"Suplidos", 10, taRightJustify}, {"Derechos", 10, taRightJustify},
                              {"Gastos", 9, taRightJustify}, {"I.V.A.", 10, taRightJustify}, {"I.R.P.F.", 10, taRightJustify},
                              {"Total", 10, taRightJustify}});
    QRGroup1 = NuevoGrupo(this, QRInfFac, "QRGroup1", QStringLiteral("MONEDA"), 0);
    QRCabGru = new TQRChildBand(this);
    QRCabGru->SetName(QStringLiteral("QRCabGru"));
    QRCabGru->SetParent(QRInfFac);
    QRCabGru->SetParentBand(QRGroup1);
    QRCabGru->SetHeight(24);
    NuevaEtiqueta(this, QRCabGru, "QRLabel15", 0, 5, 70, QStringLiteral("Moneda : "), taLeftJustify, true);
    QRMoneda = NuevaEtiqueta(this, QRCabGru, "QRMoneda", 72, 5, 200, QString(), taLeftJustify, true);

    QRDetalle = NuevaBanda(this, QRInfFac, "QRDetalle", rbDetail, 20);
    QRReferencia = NuevaEtiqueta(this, QRDetalle, "QRReferencia", s[0].Left, 1, s[0].Width);
    QRLabel14 = NuevaEtiqueta(this, QRDetalle, "QRLabel14", s[1].Left, 1, s[1].Width);
    // A long procedure takes a second line rather than losing its last words.
    TQRDBText* procedimiento = NuevoCampo(this, QRDetalle, "QRProcedimiento", QExped, "PROCEDIMIENTO", s[2].Left, 1, s[2].Width);
    procedimiento->SetWordWrap(true);
    procedimiento->SetAutoStretch(true);
    for (int k = 0; k < 5; ++k) {
        const QByteArray n = "QRCli" + QByteArray::number(k + 1);
        QRCli[size_t(k)] = NuevaEtiqueta(this, QRDetalle, n.constData(), s[3].Left, 1 + 20 * k, s[3].Width);
        QRCli[size_t(k)]->SetHeight(17);
    }
    NuevoCampo(this, QRDetalle, "QRFecha", QExped, "FECHAFACTURA", s[4].Left, 1, s[4].Width);
    NuevoCampo(this, QRDetalle, "QRFactura", QExped, "FACTURA", s[5].Left, 1, s[5].Width, taRightJustify);
    const char* importes[] = {"SUPLIDOS", "DERECHOS", "GASTOS", "IMPIVA", "IMPIRPF", "TOTAL"};
    for (size_t i = 0; i < 6; ++i)
        NuevoCampo(this, QRDetalle, nullptr, QExped, importes[i], s[6 + i].Left, 1, s[6 + i].Width, taRightJustify)
            ->SetMask(QStringLiteral("#,##0.00"));

    QRPieGru = NuevaBanda(this, QRInfFac, "QRPieGru", rbGroupFooter, 26);
    QRPieGru->Frame()->SetDrawTop(true);
    QRGroup1->SetFooterBand(QRPieGru);
    NuevaEtiqueta(this, QRPieGru, "QRLabel16", s[3].Left, 5, s[3].Width, QStringLiteral("Totales ...... :"), taLeftJustify, true);
    TQRExpr** sumas[] = {&QRTSup, &QRTDer, &QRTGas, &QRTIva, &QRTIrpf, &QRTTotal};
    const char* nombres[] = {"QRTSup", "QRTDer", "QRTGas", "QRTIva", "QRTIrpf", "QRTTotal"};
    for (size_t i = 0; i < 6; ++i) {
        *sumas[i] = NuevaSuma(this, QRPieGru, nombres[i], QStringLiteral("SUM(%1)").arg(QString::fromLatin1(importes[i])),
                              s[6 + i].Left, 5, s[6 + i].Width);
        (*sumas[i])->SetMask(QStringLiteral("#,##0.00"));
        (*sumas[i])->Font()->SetStyle(TFontStyles{fsBold});
    }
    QRBand3 = NuevaBanda(this, QRInfFac, "QRBand3", rbSummary, 30);
    NuevaEtiqueta(this, QRBand3, "QRLabel17", s[6].Left, 8, s[6].Width + s[7].Width, QStringLiteral("Total General :"),
                  taLeftJustify, true);
    QRTot = NuevaEtiqueta(this, QRBand3, "QRTot", s[8].Left, 8, s[8].Width + s[9].Width, QString(), taLeftJustify, true);
    QREuro = NuevaEtiqueta(this, QRBand3, "QREuro", s[10].Left, 8, s[10].Width + s[11].Width + 4, QString(),
                           taRightJustify, true);

    QRInfFac->BeforePrint = TEvent<TQuickRep*, bool&>(this, &TInfLisFac::QRInfFacBeforePrint);
    QRCabGru->BeforePrint = TQRBandBeforePrintEvent(this, &TInfLisFac::QRCabGruBeforePrint);
    QRDetalle->BeforePrint = TQRBandBeforePrintEvent(this, &TInfLisFac::QRDetalleBeforePrint);
    QRLabel14->OnPrint = TEvent<TObject*, QString&>(this, &TInfLisFac::QRLabel14Print);
    QRPieGru->BeforePrint = TQRBandBeforePrintEvent(this, &TInfLisFac::QRPieGruBeforePrint);
    QRPieGru->AfterPrint = TQRBandAfterPrintEvent(this, &TInfLisFac::QRPieGruAfterPrint);
    QRBand3->BeforePrint = TQRBandBeforePrintEvent(this, &TInfLisFac::QRBand3BeforePrint);
    QREuro->OnPrint = TEvent<TObject*, QString&>(this, &TInfLisFac::QREuroPrint);
    OnClose = TCloseEvent(this, &TInfLisFac::FormClose);
    FormCreate(this);
}

TInfLisFac::~TInfLisFac() {
    if (InfLisFac == this) InfLisFac = nullptr;
}

void TInfLisFac::FormCreate(TObject*) {
    FTotalGrupo = 0;
    FTotalGeneral = 0;
}

void TInfLisFac::QRInfFacBeforePrint(TQuickRep*, bool&) { FormCreate(this); }

void TInfLisFac::QRCabGruBeforePrint(TQRCustomBand*, bool&) {
    QRMoneda->SetCaption(Campo(QExped, "MONEDA") == u"E" ? QStringLiteral("Euros") : QStringLiteral("Pesetas"));
}

void TInfLisFac::QRDetalleBeforePrint(TQRCustomBand*, bool&) {
    TDataSet* e = QExped;
    const QString ano = Campo(e, "ANO"), numero = Campo(e, "NUMERO");
    QRReferencia->SetCaption(Campo(e, "PRIMERA") + QLatin1Char(' ') + ano + QLatin1Char('/') + numero);
    auto abre = [&](TQuery* q) {
        q->Close();
        if (!q->Prepared()) q->Prepare();
        q->ParamByName(QStringLiteral("ANO"))->SetAsString(ano);
        q->ParamByName(QStringLiteral("NUMERO"))->SetAsString(numero);
        q->Open();
    };
    if (Campo(e, "PRIMERA") == u"C") {
        // A consultation has its own client only: nothing of the case file before it stays.
        abre(TCliCon);
        QRCli[0]->SetCaption(TCliCon->IsEmpty() ? QString() : Campo(TCliCon, "NOMCLIENTE"));
        for (int k = 1; k < 5; ++k) QRCli[size_t(k)]->SetVisible(false);
        QRDetalle->SetHeight(20);
    } else {
        abre(QClientes);
        const int n = std::min(QClientes->RecordCount(), 5);
        QRCli[0]->SetCaption(n > 0 ? Campo(QClientes, "NOMBRE") : QString());
        for (int k = 2; k <= 5; ++k) {
            TQRLabel* l = QRCli[size_t(k - 1)];
            if (n >= k) {
                QClientes->Next();
                const TQRLabel* anterior = QRCli[size_t(k - 2)];
                l->SetTop(anterior->Top() + anterior->Height() + 3);
                l->SetLeft(QRCli[0]->Left());
                l->SetVisible(true);
                l->SetCaption(Campo(QClientes, "NOMBRE"));
            } else {
                l->SetVisible(false);
            }
        }
        QRDetalle->SetHeight(20 * std::max(n, 1));
    }
    FTotalGrupo += e->FieldByName(QStringLiteral("TOTAL"))->AsFloat();
}

void TInfLisFac::QRLabel14Print(TObject*, QString& value) {
    value.clear();
    if (Campo(QExped, "PRIMERA") != u"E") return;
    Texpcon->Close();
    if (!Texpcon->Prepared()) Texpcon->Prepare();
    Texpcon->ParamByName(QStringLiteral("ANO"))->SetAsString(Campo(QExped, "ANO"));
    Texpcon->ParamByName(QStringLiteral("NUMERO"))->SetAsString(Campo(QExped, "NUMERO"));
    Texpcon->Open();
    if (!Texpcon->IsEmpty()) value = Campo(Texpcon, "AUTOS");
}

void TInfLisFac::QRPieGruBeforePrint(TQRCustomBand*, bool&) {
    double cambio = reports::CambioEuro();
    if (cambio == 0) cambio = 166.386;
    double convertido = 0;
    reports::EnMonedaDespacho(double(FTotalGrupo), Campo(QExped, "MONEDA"), reports::MonedaDespacho(), cambio, convertido);
    FTotalGeneral += convertido;
}

void TInfLisFac::QRPieGruAfterPrint(TQRCustomBand*, bool) { FTotalGrupo = 0; }

void TInfLisFac::QRBand3BeforePrint(TQRCustomBand*, bool& print) {
    print = FTotalGeneral != 0;
    QRTot->SetCaption(reports::MonedaDespacho() == u"E" ? QStringLiteral("Euros") : QStringLiteral("Pesetas"));
}

void TInfLisFac::QREuroPrint(TObject*, QString& value) { value = reports::ImporteTexto(double(FTotalGeneral), 2); }

void TInfLisFac::FormClose(TObject*, TCloseAction& action) { action = caFree; }

namespace reports {

QStringList SqlFacturas(TClaseFacturas clase, TTipoFacturas tipo) {
    const QString extra = clase == cfPorNumero ? QStringLiteral("AND FACTURA > 0 ")
                          : clase == cfSinNumero ? QStringLiteral("AND FACTURA = 0 ")
                                                 : QString();
    QStringList exped = {QStringLiteral("SELECT 'E' AS PRIMERA, ANO, NUMERO, PROCEDIMIENTO, "),
                         QStringLiteral("FECHAFACTURA, FACTURA, DERECHOS, SUPLIDOS, GASTOS,"),
                         QStringLiteral("IMPIVA, IMPIRPF, TOTAL, MONEDA "), QStringLiteral("FROM EXPED "),
                         QStringLiteral("WHERE FECHAFACTURA BETWEEN :FDESDE AND :FHASTA ")};
    QStringList consultas = {QStringLiteral("SELECT 'C' AS PRIMERA, ANO, NUMERO, TIPO AS PROCEDIMIENTO, "),
                             QStringLiteral("FECHAFACTURA, FACTURA, IMPORTE AS DERECHOS, 0 AS SUPLIDOS, 0 AS GASTOS, "),
                             QStringLiteral("IMPIVA, IMPIRPF, TOTAL, MONEDA "), QStringLiteral("FROM CONSULTAS "),
                             QStringLiteral("WHERE FECHAFACTURA BETWEEN :FDESDE AND :FHASTA ")};
    if (!extra.isEmpty()) {
        exped << extra;
        consultas << extra;
    }
    // Only the invoices of the case files and consultations the user may reach.
    if (const QString alcance = comun::YAlcance(); !alcance.isEmpty()) {
        exped << alcance;
        consultas << alcance;
    }
    QStringList sql;
    if (tipo != tfConsultas) sql << exped;
    if (tipo == tfTodo) sql << QStringLiteral("UNION ");
    if (tipo != tfExpedientes) sql << consultas;
    sql << (clase == cfPorNumero ? QStringLiteral("ORDER BY MONEDA, FACTURA ") : QStringLiteral("ORDER BY MONEDA, FECHAFACTURA "));
    return sql;
}

QString TituloFacturas(TClaseFacturas clase, TTipoFacturas tipo) {
    static const char* const titulos[3][3] = {
        {"LISTADO GENERAL DE FACTURAS DESDE ", "LISTADO DE FACTURAS DE EXPEDIENTES DESDE ",
         "LISTADO DE FACTURAS DE CONSULTAS DESDE "},
        {"LISTADO FACTURAS POR NÚMERO DESDE ", "LISTADO FACTURAS DE EXPEDIENTES POR NÚMERO DESDE ",
         "LISTADO FACTURAS DE CONSULTAS POR NÚMERO DESDE "},
        {"LISTADO FACTURAS SIN NÚMERO DESDE ", "LISTADO FACTURAS DE EXPEDIENTES SIN NÚMERO DESDE ",
         "LISTADO FACTURAS DE CONSULTAS SIN NÚMERO DESDE "}};
    return QString::fromUtf8(titulos[clase][tipo]);
}

void PreparaLisFac(TInfLisFac* f, TClaseFacturas clase, TTipoFacturas tipo, TDateTime desde, TDateTime hasta) {
    TQuery* q = f->QExped;
    q->Close();
    q->SQL()->Clear();
    for (const QString& l : SqlFacturas(clase, tipo)) q->SQL()->Add(l);
    q->ParamByName(QStringLiteral("FDESDE"))->SetAsDate(desde);
    q->ParamByName(QStringLiteral("FHASTA"))->SetAsDate(hasta);
    q->Open();
    f->QRTitulo->SetCaption(TituloFacturas(clase, tipo) + DateToStr(desde) + QStringLiteral(" A ") + DateToStr(hasta));
}

void rptLisFac(TClaseFacturas clase, TTipoFacturas tipo, TDateTime desde, TDateTime hasta) {
    Presenta(InfLisFac, &TInfLisFac::QRInfFac, [&](TInfLisFac* f) { PreparaLisFac(f, clase, tipo, desde, hasta); });
}

}  // namespace reports
