// The consultation card.
#include "records/rptFicCons.h"

#include "comun/UData.h"
#include "platform/rtl/SysUtils.h"
#include "records/FichaInforme.h"

TUFicCon* UFicCon = nullptr;

TUFicCon::TUFicCon(TComponent* owner) : TForm(owner) {
    QFicha = new TQuery(this);
    QFicha->SetName(QStringLiteral("QFicha"));
    QFicha->SetDatabaseName(Dat->Db->DatabaseName());
    QFicha->SQL()->SetText(QStringLiteral(
        "SELECT C.ANO, C.NUMERO, C.FECHAENTRADA, C.SITUACION, C.FACTURA, C.TIPO, C.OBSERVACIONES, C.NOMCLIENTE, C.HORAS, "
        "C.IMPORTE, C.FECHAFACTURA, C.FECHACOBRO, A.APELLIDOS || ',' || A.NOMBRE AS NOMABOCLI FROM CONSULTAS C "
        "LEFT JOIN ABOCLI A ON A.ABOCLI = C.ABOCLI WHERE C.ANO = :ANO AND C.NUMERO = :NUMERO"));

    QRFicCon = new TQuickRep(this);
    QRFicCon->SetName(QStringLiteral("QRFicCon"));
    QRFicCon->SetDataSet(QFicha);
    QRTitulo = records::CabeceraFicha(this, QRFicCon, QStringLiteral("FICHA CONSULTA"), QRCabecera);

    QRDetalle = new TQRBand(this);
    QRDetalle->SetName(QStringLiteral("QRDetalle"));
    QRDetalle->SetBandType(rbDetail);
    QRDetalle->SetParent(QRFicCon);
    QRDetalle->BeforePrint = TQRBandBeforePrintEvent(this, &TUFicCon::QRDetalleBeforePrint);
    int top = 20;
    auto etiqueta = [&](const QString& texto) { records::EtiquetaFicha(this, QRDetalle, texto, top); };
    auto texto = [&](const char* nombre) {
        auto* l = new TQRLabel(this);
        l->SetName(QString::fromLatin1(nombre));
        l->SetParent(QRDetalle);
        l->SetBounds(240, top, 450, 20);
        return l;
    };
    auto campo = [&](const char* nombre, int alto = 20) {
        auto* t = new TQRDBText(this);
        t->SetName(QStringLiteral("QR") + QString::fromLatin1(nombre));
        t->SetParent(QRDetalle);
        t->SetDataSet(QFicha);
        t->SetDataField(QString::fromLatin1(nombre));
        t->SetBounds(240, top, 450, alto);
        return t;
    };
    etiqueta(QStringLiteral("Consulta :"));
    QRConsulta = texto("QRConsulta");
    top += 24;
    etiqueta(QStringLiteral("Fecha de Apertura :"));
    campo("FECHAENTRADA");
    top += 24;
    etiqueta(QStringLiteral("Situación :"));
    QRSituacion = texto("QRSituacion");
    top += 24;
    etiqueta(QStringLiteral("Tipo Consulta :"));
    campo("TIPO");
    top += 24;
    etiqueta(QStringLiteral("Cliente :"));
    campo("NOMCLIENTE");
    top += 24;
    etiqueta(QStringLiteral("Abogado :"));
    campo("NOMABOCLI");
    top += 24;
    etiqueta(QStringLiteral("Horas :"));
    campo("HORAS");
    top += 24;
    etiqueta(QStringLiteral("Importe :"));
    campo("IMPORTE");
    top += 24;
    etiqueta(QStringLiteral("Fecha Factura :"));
    campo("FECHAFACTURA");
    top += 24;
    etiqueta(QStringLiteral("Fecha Cobrado :"));
    campo("FECHACOBRO");
    top += 34;
    etiqueta(QStringLiteral("Descripción :"));
    auto* descripcion = campo("OBSERVACIONES", 20);
    descripcion->SetAutoSize(false);
    descripcion->SetAutoStretch(true);
    descripcion->SetWordWrap(true);
    QRDetalle->SetHeight(top + 40);

    OnClose = TCloseEvent(this, &TUFicCon::FormClose);
}

TUFicCon::~TUFicCon() {
    if (UFicCon == this) UFicCon = nullptr;
}

void TUFicCon::Abre() {
    QFicha->Close();
    QFicha->ParamByName(QStringLiteral("ANO"))->SetAsString(Dat->TConsultas->FieldByName(QStringLiteral("ANO"))->AsString());
    QFicha->ParamByName(QStringLiteral("NUMERO"))->SetAsString(Dat->TConsultas->FieldByName(QStringLiteral("NUMERO"))->AsString());
    QFicha->Open();
    const bool euros = Dat->TConsultas->FieldByName(QStringLiteral("MONEDA"))->AsString() == QLatin1String("E");
    if (TField* f = QFicha->FindField(QStringLiteral("IMPORTE")))
        if (auto* n = dynamic_cast<TNumericField*>(f)) n->SetDisplayFormat(euros ? QStringLiteral("#,##0.00") : QStringLiteral("#,##0"));
    for (const char* d : {"FECHAENTRADA", "FECHAFACTURA", "FECHACOBRO"})
        if (auto* f = dynamic_cast<TDateTimeField*>(QFicha->FindField(QString::fromLatin1(d))))
            f->SetDisplayFormat(QStringLiteral("dd/mm/yyyy"));
}

void TUFicCon::Preview() {
    Abre();
    QRFicCon->Preview();
}

void TUFicCon::Prepare() {
    Abre();
    QRFicCon->Prepare();
}

void TUFicCon::QRDetalleBeforePrint(TQRCustomBand*, bool&) {
    QRConsulta->SetCaption(QFicha->FieldByName(QStringLiteral("ANO"))->AsString() + QStringLiteral(" / ") +
                           QFicha->FieldByName(QStringLiteral("NUMERO"))->AsString());
    // Any state but open and invoiced reads as closed on the card.
    const int situacion = QFicha->FieldByName(QStringLiteral("SITUACION"))->AsInteger();
    QRSituacion->SetCaption(situacion == 1   ? QStringLiteral("Abierto")
                            : situacion == 2 ? QStringLiteral("Facturado Nº ") +
                                                   Trim(Format(QStringLiteral("%5d"), QFicha->FieldByName(QStringLiteral("FACTURA"))->AsInteger()))
                                             : QStringLiteral("Cerrado"));
}

void TUFicCon::FormClose(TObject*, TCloseAction& action) { action = caFree; }
