#include "records/RptInfEcEx.h"

#include "comun/UComunes.h"
#include "comun/UData.h"
#include "platform/rtl/SysUtils.h"

#include <cmath>

namespace {
QStringList LineasCuentas() {
    QStringList l;
    const char* clases[][3] = {{"A", "A", "1"}, {"B", "B", "2"}, {"C", "B", "4"}, {"D", "C", "3"}};
    for (int i = 0; i < 4; ++i) {
        l << QStringLiteral("SELECT FECHA, CONCEPTO, '%1' AS CL, '%2' AS G1, IMPORTE FROM CUENTAS")
                 .arg(QLatin1String(clases[i][0]), QLatin1String(clases[i][1]))
          << QStringLiteral("WHERE tipo = %1").arg(QLatin1String(clases[i][2]))
          << QStringLiteral("      AND ANO =:ANO AND") << QStringLiteral("          NUMERO =:NUMERO");
        // Equal entries (same day, text and amount) are separate entries of the ledger.
        if (i < 3) l << QStringLiteral("UNION ALL");
    }
    l << QStringLiteral("ORDER BY G1, CL, FECHA");
    return l;
}
}  // namespace

TInfInfEcEx::TInfInfEcEx(TComponent* owner) : TForm(owner) {
    const QString db = Dat->Db->DatabaseName();
    QCuentas = new TQuery(this);
    QCuentas->SetName(QStringLiteral("QCuentas"));
    QCuentas->SetDatabaseName(db);
    for (const QString& l : LineasCuentas()) QCuentas->SQL()->Add(l);
    QExped = new TQuery(this);
    QExped->SetName(QStringLiteral("QExped"));
    QExped->SetDatabaseName(db);
    QExped->SQL()->SetText(QStringLiteral("SELECT * FROM EXPED\nWHERE ANO = :ANO AND NUMERO = :NUMERO"));
    QExped->ParamByName(QStringLiteral("ANO"))->SetAsString(Dat->TExped->FieldByName(QStringLiteral("ANO"))->AsString());
    QExped->ParamByName(QStringLiteral("NUMERO"))->SetAsString(Dat->TExped->FieldByName(QStringLiteral("NUMERO"))->AsString());
    QExped->Open();
    QExped->First();

    QRInfEcEx = new TQuickRep(this);
    QRInfEcEx->SetName(QStringLiteral("QRInfEcEx"));
    QRInfEcEx->SetDataSet(QCuentas);
    QRInfEcEx->SetReportTitle(QStringLiteral("INFORME ECONÓMICO DEL EXPEDIENTE"));
    QRInfEcEx->Font()->SetName(QStringLiteral("Arial"));
    QRInfEcEx->Font()->SetHeight(-13);

    auto banda = [&](TQRBandType tipo, const QString& nombre, int alto) {
        auto* b = new TQRBand(this);
        b->SetName(nombre);
        b->SetBandType(tipo);
        b->SetHeight(alto);
        b->SetParent(QRInfEcEx);
        return b;
    };
    auto etiqueta = [&](TQRCustomBand* b, const QString& texto, int left, int top, int width,
                        TAlignment a = taLeftJustify) {
        auto* l = new TQRLabel(this);
        l->SetParent(b);
        l->SetBounds(left, top, width, 18);
        l->SetAlignment(a);
        l->SetCaption(texto);
        return l;
    };
    auto negrita = [](TQRLabel* l) {
        l->Font()->SetStyle({fsBold});
        return l;
    };

    TQRBand* cab = banda(rbPageHeader, QStringLiteral("QRCabecera"), 150);
    auto* fecha = new TQRSysData(this);
    fecha->SetParent(cab);
    fecha->SetData(qrsDate);
    fecha->SetBounds(0, 0, 150, 18);
    auto* pagina = new TQRSysData(this);
    pagina->SetParent(cab);
    pagina->SetData(qrsPageNumber);
    pagina->SetText(QStringLiteral("Página : "));
    pagina->SetBounds(560, 0, 140, 18);
    pagina->SetAlignment(taRightJustify);
    TQRLabel* titulo = etiqueta(cab, QRInfEcEx->ReportTitle(), 0, 24, cab->Width(), taCenter);
    titulo->Font()->SetHeight(-19);
    titulo->Font()->SetStyle({fsBold});
    negrita(etiqueta(cab, QStringLiteral("Expediente : "), 0, 56, 90));
    QRExpediente = etiqueta(cab, QString(), 95, 56, 200);
    negrita(etiqueta(cab, QStringLiteral("Cliente : "), 0, 76, 90));
    QRCliente = etiqueta(cab, QString(), 95, 76, 500);
    negrita(etiqueta(cab, QStringLiteral("Proced. :"), 0, 96, 90));
    QRProced = etiqueta(cab, QString(), 95, 96, 300);
    negrita(etiqueta(cab, QStringLiteral("Autos :"), 400, 96, 60));
    QRAutos = etiqueta(cab, QString(), 465, 96, 200);
    negrita(etiqueta(cab, QStringLiteral("Fecha"), 0, 126, 90));
    negrita(etiqueta(cab, QStringLiteral("Concepto"), 95, 126, 300));
    negrita(etiqueta(cab, QStringLiteral("Tipo"), 420, 126, 80));
    negrita(etiqueta(cab, QStringLiteral("Importe"), 560, 126, 140, taRightJustify));
    cab->Frame()->SetDrawBottom(true);

    QRGrupo1 = new TQRGroup(this);
    QRGrupo1->SetName(QStringLiteral("QRGrupo1"));
    QRGrupo1->SetExpression(QStringLiteral("G1"));
    QRGrupo1->SetHeight(0);
    QRGrupo1->SetParent(QRInfEcEx);
    QRGrupoCL = new TQRGroup(this);
    QRGrupoCL->SetName(QStringLiteral("QRGrupoCL"));
    QRGrupoCL->SetExpression(QStringLiteral("CL"));
    QRGrupoCL->SetHeight(24);
    QRGrupoCL->SetParent(QRInfEcEx);
    QRClase = negrita(etiqueta(QRGrupoCL, QString(), 420, 4, 120));
    QRGrupoCL->BeforePrint = TQRBandBeforePrintEvent(this, &TInfInfEcEx::QRCabCLBeforePrint);

    QRDetalle = banda(rbDetail, QStringLiteral("QRDetalle"), 20);
    auto dbtexto = [&](const QString& campo, int left, int width, TAlignment a) {
        auto* t = new TQRDBText(this);
        t->SetName(QStringLiteral("QR") + campo);
        t->SetParent(QRDetalle);
        t->SetDataSet(QCuentas);
        t->SetDataField(campo);
        t->SetBounds(left, 1, width, 18);
        t->SetAlignment(a);
    };
    dbtexto(QStringLiteral("FECHA"), 0, 90, taLeftJustify);
    dbtexto(QStringLiteral("CONCEPTO"), 95, 320, taLeftJustify);
    dbtexto(QStringLiteral("IMPORTE"), 560, 140, taRightJustify);
    QRDetalle->BeforePrint = TQRBandBeforePrintEvent(this, &TInfInfEcEx::QRDetalleBeforePrint);

    QRPieCL = banda(rbGroupFooter, QStringLiteral("QRPieCL"), 26);
    QRGrupoCL->SetFooterBand(QRPieCL);
    negrita(etiqueta(QRPieCL, QStringLiteral("TOTAL ....."), 420, 4, 120));
    QRTotalClase = negrita(etiqueta(QRPieCL, QString(), 560, 4, 140, taRightJustify));
    QRPieCL->BeforePrint = TQRBandBeforePrintEvent(this, &TInfInfEcEx::QRPieCLBeforePrint);
    QRPieCL->AfterPrint = TQRBandAfterPrintEvent(this, &TInfInfEcEx::QRPieCLAfterPrint);

    QRPieGrupo1 = banda(rbGroupFooter, QStringLiteral("QRPieGrupo1"), 66);
    QRGrupo1->SetFooterBand(QRPieGrupo1);
    negrita(etiqueta(QRPieGrupo1, QStringLiteral("I.V.A. ..."), 420, 4, 120));
    QRIva = etiqueta(QRPieGrupo1, QString(), 560, 4, 140, taRightJustify);
    negrita(etiqueta(QRPieGrupo1, QStringLiteral("I.R.P.F. ..."), 420, 24, 120));
    QRIrpf = etiqueta(QRPieGrupo1, QString(), 560, 24, 140, taRightJustify);
    negrita(etiqueta(QRPieGrupo1, QStringLiteral("Total ..."), 420, 44, 120));
    QRTotal = negrita(etiqueta(QRPieGrupo1, QString(), 560, 44, 140, taRightJustify));
    QRPieGrupo1->BeforePrint = TQRBandBeforePrintEvent(this, &TInfInfEcEx::QRPieGrupo1BeforePrint);

    QRResumen = banda(rbSummary, QStringLiteral("QRResumen"), 30);
    QRResumen->Frame()->SetDrawTop(true);
    negrita(etiqueta(QRResumen, QStringLiteral("SALDO ..."), 420, 8, 120));
    QRSaldo = negrita(etiqueta(QRResumen, QString(), 560, 8, 140, taRightJustify));
    QRResumen->BeforePrint = TQRBandBeforePrintEvent(this, &TInfInfEcEx::QRResumenBeforePrint);
    QRResumen2 = new TQRChildBand(this);
    QRResumen2->SetName(QStringLiteral("QRResumen2"));
    QRResumen2->SetHeight(22);
    QRResumen2->SetParent(QRInfEcEx);
    QRResumen2->SetParentBand(QRResumen);
    QRSaldo2 = etiqueta(QRResumen2, QString(), 560, 2, 140, taRightJustify);
    QRResumen2->BeforePrint = TQRBandBeforePrintEvent(this, &TInfInfEcEx::QRResumen2BeforePrint);

    OnClose = TCloseEvent(this, &TInfInfEcEx::FormClose);
}

bool TInfInfEcEx::Euros() const { return QExped->FieldByName(QStringLiteral("MONEDA"))->AsString() == u"E"; }

void TInfInfEcEx::Inicia() {
    TDataSet* e = Dat->TExped;
    const QString ano = e->FieldByName(QStringLiteral("ANO"))->AsString();
    const QString numero = e->FieldByName(QStringLiteral("NUMERO"))->AsString();
    QCuentas->Close();
    QCuentas->ParamByName(QStringLiteral("ANO"))->SetAsString(ano);
    QCuentas->ParamByName(QStringLiteral("NUMERO"))->SetAsString(numero);
    QRExpediente->SetCaption(ano + QStringLiteral(" / ") + numero);
    // The client's name without moving the client table for good.
    QString cliente;
    TTable* c = Dat->TClientes;
    if (!e->FieldByName(QStringLiteral("CLIENTE"))->IsNull()) {
        const TBookmark marca = c->GetBookmark();
        if (c->Locate(QStringLiteral("CLIENTE"), e->FieldByName(QStringLiteral("CLIENTE"))->Value(), 0))
            cliente = c->FieldByName(QStringLiteral("NOMCLI"))->AsString();
        c->SetToBookmark(marca);
    }
    QRCliente->SetCaption(cliente);
    QRProced->SetCaption(e->FieldByName(QStringLiteral("PROCEDIMIENTO"))->AsString());
    QRAutos->SetCaption(e->FieldByName(QStringLiteral("AUTOS"))->AsString());
    QCuentas->Open();
    if (auto* f = dynamic_cast<TFloatField*>(QCuentas->FieldByName(QStringLiteral("IMPORTE"))))
        f->SetDisplayFormat(Euros() ? QStringLiteral("#,##0.00") : QStringLiteral("#,##0"));
}

QString TInfInfEcEx::Importe(long double valor, bool euros) {
    return euros ? Format(QStringLiteral("%10.2n "), {Variant(double(valor))})
                 : Format(QStringLiteral("%10.0n Pts."), {Variant(double(valor))});
}

long double TInfInfEcEx::Impuesto(long double tasa, long double base, bool euros) {
    // Amounts come from binary floating point: 0,35 is stored as 0,3499999..., so the product
    // is first taken to the millionth, where the half that decides the rounding is exact.
    auto limpio = [](long double x) { return std::roundl(x * 1e6L) / 1e6L; };
    if (euros) return std::nearbyintl(limpio(tasa * base * 0.01L * 100.0L)) * 0.01L;
    return std::truncl(limpio(tasa * base * 0.01L) + 0.5L);
}

void TInfInfEcEx::QRCabCLBeforePrint(TQRCustomBand*, bool&) {
    const QString cl = QCuentas->FieldByName(QStringLiteral("CL"))->AsString();
    QRClase->SetCaption(cl == u"A"   ? QStringLiteral("SUPLIDO")
                        : cl == u"B" ? QStringLiteral("DERECHO")
                        : cl == u"C" ? QStringLiteral("GASTOS")
                                     : QStringLiteral("PROVISION"));
}

void TInfInfEcEx::QRDetalleBeforePrint(TQRCustomBand*, bool&) {
    FParcial += static_cast<long double>(QCuentas->FieldByName(QStringLiteral("IMPORTE"))->AsFloat());
}

void TInfInfEcEx::QRPieCLBeforePrint(TQRCustomBand*, bool&) { QRTotalClase->SetCaption(Importe(FParcial, Euros())); }

void TInfInfEcEx::QRPieCLAfterPrint(TQRCustomBand*, bool) {
    const QString cl = QCuentas->FieldByName(QStringLiteral("CL"))->AsString();
    if (cl == u"A") FSuplidos = FParcial;
    else if (cl == u"B") FDerechos = FParcial;
    else if (cl == u"C") FGastos = FParcial;
    else FProvisiones = FParcial;
    FParcial = 0;
}

void TInfInfEcEx::QRPieGrupo1BeforePrint(TQRCustomBand*, bool& print) {
    print = QCuentas->FieldByName(QStringLiteral("G1"))->AsString() == u"B";
    if (!print) return;
    const bool euros = Euros();
    const long double base = FDerechos + FGastos;
    Dat->TSistem->Refresh();
    FIva = Impuesto(Dat->TSistem->FieldByName(QStringLiteral("IVA"))->AsFloat(), base, euros);
    FIrpf = Impuesto(Dat->TSistem->FieldByName(QStringLiteral("IRPF"))->AsFloat(), base, euros);
    QRIva->SetCaption(Importe(FIva, euros));
    QRIrpf->SetCaption(Importe(FIrpf, euros));
    QRTotal->SetCaption(Importe(FDerechos + FGastos + FIva - FIrpf, euros));
}

void TInfInfEcEx::QRResumenBeforePrint(TQRCustomBand*, bool&) {
    // Advance payments are stored negative: they lower what the client owes.
    FParcial = FSuplidos + FDerechos + FGastos + FIva - FIrpf + FProvisiones;
    QRSaldo->SetCaption(Importe(FParcial, Euros()));
}

void TInfInfEcEx::QRResumen2BeforePrint(TQRCustomBand*, bool& print) {
    const Currency saldo{static_cast<double>(FParcial)};
    print = saldo != Currency{0.0};
    if (!print) return;
    const bool euros = Euros();
    const Currency otra = ConvierteMoneda(euros ? u'P' : u'E', saldo);
    QRSaldo2->SetCaption(Importe(otra.ToDouble(), !euros));
}

void TInfInfEcEx::FormClose(TObject*, TCloseAction& action) { action = caFree; }
