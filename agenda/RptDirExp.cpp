#include "agenda/RptDirExp.h"

#include "comun/UData.h"
#include "platform/rtl/SysUtils.h"

#include <memory>

TInfDirExp* InfDirExp = nullptr;

TInfDirExp::TInfDirExp(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("InfDirExp"));
    const QString db = Dat->Db->DatabaseName();
    QAgenda = new TQuery(this);
    QAgenda->SetName(QStringLiteral("QAgenda"));
    QAgenda->SetDatabaseName(db);
    QAgenda->SQL()->SetText(QStringLiteral("SELECT * FROM AGENDA\nWHERE ANO = :ANO AND NUMERO = :NUMERO\nORDER BY FECHA, HORA"));
    QProcura = new TQuery(this);
    QProcura->SetName(QStringLiteral("QProcura"));
    QProcura->SetDatabaseName(db);
    QProcura->SQL()->SetText(QStringLiteral("SELECT APELLIDOS||', '||NOMBRE AS NOM \nFROM ABOCLI \nWHERE  ABOCLI =:ABOCLI "));

    QDirExp = new TQuickRep(this);
    QDirExp->SetName(QStringLiteral("QDirExp"));
    QDirExp->SetDataSet(QAgenda);
    QDirExp->SetReportTitle(QStringLiteral("Listado de Agenda del Expediente"));
    QDirExp->Page()->SetOrientation(poPortrait);
    QDirExp->Font()->SetName(QStringLiteral("Arial"));
    QDirExp->Font()->SetHeight(-12);

    auto etiqueta = [&](TQRCustomBand* b, const QString& texto, int left, int top, int width, bool negrita = false) {
        auto* l = new TQRLabel(this);
        l->SetParent(b);
        l->SetBounds(left, top, width, 18);
        l->SetCaption(texto);
        if (negrita) l->Font()->SetStyle({fsBold});
        return l;
    };
    QRCabecera = new TQRBand(this);
    QRCabecera->SetName(QStringLiteral("QRCabecera"));
    QRCabecera->SetBandType(rbPageHeader);
    QRCabecera->SetHeight(150);
    QRCabecera->SetParent(QDirExp);
    const int ancho = QDirExp->PrintableWidth();
    auto* fecha = new TQRSysData(this);
    fecha->SetParent(QRCabecera);
    fecha->SetData(qrsDate);
    fecha->SetBounds(0, 0, 150, 18);
    auto* pagina = new TQRSysData(this);
    pagina->SetParent(QRCabecera);
    pagina->SetData(qrsPageNumber);
    pagina->SetText(QStringLiteral("Página : "));
    pagina->SetBounds(ancho - 150, 0, 150, 18);
    pagina->SetAlignment(taRightJustify);
    TQRLabel* titulo = etiqueta(QRCabecera, QStringLiteral("EVOLUCIÓN DEL EXPEDIENTE"), 0, 24, ancho, true);
    titulo->SetAlignment(taCenter);
    titulo->SetAlignToBand(true);
    titulo->Font()->SetHeight(-19);
    titulo->SetHeight(26);
    etiqueta(QRCabecera, QStringLiteral("Expediente :"), 0, 60, 120, true);
    QRExpediente = etiqueta(QRCabecera, QString(), 125, 60, 200);
    etiqueta(QRCabecera, QStringLiteral("Abogado :"), 0, 80, 120, true);
    QRAbogado = etiqueta(QRCabecera, QString(), 125, 80, ancho - 125);
    etiqueta(QRCabecera, QStringLiteral("Tipo de Apuntes :"), 0, 100, 120, true);
    TipoApunte = etiqueta(QRCabecera, QString(), 125, 100, 300);
    TipoApunte->SetName(QStringLiteral("TipoApunte"));
    const int xSit = 175, xTipo = ancho - 150;
    etiqueta(QRCabecera, QStringLiteral("Fecha"), 24, 128, 80, true);
    etiqueta(QRCabecera, QStringLiteral("Hora"), 110, 128, 60, true);
    etiqueta(QRCabecera, QStringLiteral("Situación"), xSit, 128, xTipo - xSit - 8, true);
    etiqueta(QRCabecera, QStringLiteral("Tipo de Apunte"), xTipo, 128, 150, true);
    QRCabecera->Frame()->SetDrawBottom(true);

    QRTipo = new TQRBand(this);
    QRTipo->SetName(QStringLiteral("QRTipo"));
    QRTipo->SetBandType(rbDetail);
    QRTipo->SetHeight(20);
    QRTipo->SetParent(QDirExp);
    Imagen = new TQRImage(this);
    Imagen->SetName(QStringLiteral("Imagen"));
    Imagen->SetParent(QRTipo);
    Imagen->SetBounds(0, 1, 16, 16);
    auto dbtexto = [&](const QString& campo, int left, int width, const QString& mascara) {
        auto* t = new TQRDBText(this);
        t->SetName(QStringLiteral("QR") + campo);
        t->SetParent(QRTipo);
        t->SetDataSet(QAgenda);
        t->SetDataField(campo);
        t->SetBounds(left, 1, width, 18);
        if (!mascara.isEmpty()) t->SetMask(mascara);
        return t;
    };
    dbtexto(QStringLiteral("FECHA"), 24, 80, QStringLiteral("dd/mm/yyyy"));
    dbtexto(QStringLiteral("HORA"), 110, 60, QStringLiteral("hh:mm"));
    TQRDBText* situacion = dbtexto(QStringLiteral("SITUACION"), xSit, xTipo - xSit - 8, QString());
    situacion->SetWordWrap(true);
    situacion->SetAutoStretch(true);
    dbtexto(QStringLiteral("TIPOAGENDA"), xTipo, 150, QString());
    QRTipo->BeforePrint = TQRBandBeforePrintEvent(this, &TInfDirExp::QRTipoBeforePrint);
    QAgenda->AfterOpen = TDataSetNotifyEvent(this, &TInfDirExp::QAgendaAfterOpen);
    OnClose = TCloseEvent(this, &TInfDirExp::FormClose);
}

TInfDirExp::~TInfDirExp() {
    if (InfDirExp == this) InfDirExp = nullptr;
}

void TInfDirExp::Inicia() {
    TDataSet* e = Dat->TExped;
    const QString ano = e->FieldByName(QStringLiteral("ANO"))->AsString();
    const QString numero = e->FieldByName(QStringLiteral("NUMERO"))->AsString();
    QAgenda->ParamByName(QStringLiteral("ANO"))->SetAsString(ano);
    QAgenda->ParamByName(QStringLiteral("NUMERO"))->SetAsString(numero);
    QRExpediente->SetCaption(ano + QStringLiteral("/") + numero);
    QProcura->Close();
    QProcura->ParamByName(QStringLiteral("ABOCLI"))->SetAsInteger(e->FieldByName(QStringLiteral("ABOCLI"))->AsInteger());
    QProcura->Open();
    QRAbogado->SetCaption(QProcura->IsEmpty() ? QString() : QProcura->FieldByName(QStringLiteral("NOM"))->AsString().left(52));
}

void TInfDirExp::QAgendaAfterOpen(TDataSet* ds) {
    // The hour without seconds, the day in full, whatever the caller's query text.
    if (TField* f = ds->FindField(QStringLiteral("FECHA"))) f->SetDisplayFormat(QStringLiteral("dd/mm/yyyy"));
    if (TField* f = ds->FindField(QStringLiteral("HORA"))) f->SetDisplayFormat(QStringLiteral("hh:mm"));
}

void TInfDirExp::QRTipoBeforePrint(TQRCustomBand*, bool&) {
    const QString archivado = QAgenda->FieldByName(QStringLiteral("ARCHIVADO"))->AsString();
    const QString tipo = QAgenda->FieldByName(QStringLiteral("TIPO"))->AsString();
    TPicture* p = nullptr;
    if (archivado == u"S") p = Clip;
    else if (archivado == u"X") p = Unido;
    else if (tipo >= QLatin1String("X")) p = Reloj;
    if (p) Imagen->SetPicture(p);
    else Imagen->Picture()->SetGraphic(nullptr);
}

void TInfDirExp::FormClose(TObject*, TCloseAction& action) { action = caFree; }
