#include "reports/ListaExpedientes.h"

namespace reports {

QString Expediente(TDataSet* ds) {
    return ds->FieldByName(QStringLiteral("ANO"))->AsString() + QLatin1Char('/') +
           ds->FieldByName(QStringLiteral("NUMERO"))->AsString();
}

TListaExpedientes::TListaExpedientes(TComponent* owner, const char* nombreForm, const QString& titulo, const QString& sql,
                                     TUltima ultima, bool ultimaFecha)
    : TForm(owner), FUltima(ultima) {
    SetName(QString::fromLatin1(nombreForm));
    QExped = NuevaConsulta(this, "QExped", sql);
    QAboCli = NuevaConsulta(this, "QAboCli", QStringLiteral("SELECT APELLIDOS||','||NOMBRE AS NOM FROM ABOCLI WHERE ABOCLI = :ABOCLI"));
    QProCli = NuevaConsulta(this, "QProCli", QStringLiteral("SELECT APELLIDOS||','||NOMBRE AS NOM FROM PROCU WHERE PROCU = :PROCLI"));
    FAbogados = TNombres(QAboCli, "ABOCLI", "NOM");
    FProcuradores = TNombres(QProCli, "PROCLI", "NOM");

    QRListado = NuevoInforme(this, "QRListado", QExped, titulo, poLandscape);
    QRCabecera = NuevaBanda(this, QRListado, "QRCabecera", rbPageHeader, 68);
    const TCabeceraListado c = NuevaCabecera(this, QRCabecera, titulo, true);
    QRLabel1 = c.Titulo;
    QRFiltro = c.Filtro;
    const char* tercera = ultimaFecha ? "Ult. Fecha" : "Situación";
    const char* ultimaCab = ultima == uAbogado ? "Abogado Cliente" : "Procurador Cliente";
    struct TCab {
        const char* Texto;
        int Left, Ancho;
    };
    const TCab cabs[] = {{"Expediente", 0, 100}, {"Cliente", 105, 200},       {tercera, 310, 80},
                         {"Nº Auto", 395, 80},  {"Procedimiento", 480, 125}, {"Contrario", 610, 200},
                         {ultimaCab, 815, QRCabecera->Width() - 815}};
    QRColumnas = NuevaBanda(this, QRListado, "QRColumnas", rbColumnHeader, 24);
    for (const TCab& k : cabs)
        NuevaEtiqueta(this, QRColumnas, nullptr, k.Left, 2, k.Ancho, QString::fromUtf8(k.Texto), taLeftJustify, true);
    auto* raya = new TQRShape(this);
    raya->SetParent(QRColumnas);
    raya->SetShape(qrsHorLine);
    raya->SetBounds(0, 19, QRColumnas->Width(), 2);

    QRDetalle = NuevaBanda(this, QRListado, "QRDetalle", rbDetail, 20);
    QRExpediente = NuevaEtiqueta(this, QRDetalle, "QRExpediente", 0, 1, 100);
    if (ultimaFecha) QRFecha = NuevoCampo(this, QRDetalle, "QRFecha", QExped, "MAX(A.FECHA)", 310, 1, 80);
    else QSitua = NuevaEtiqueta(this, QRDetalle, "QSitua", 310, 1, 80);
    QRAutos = NuevoCampo(this, QRDetalle, "QRAutos", QExped, "AUTOS", 395, 1, 80);
    QRProcedimiento = NuevoCampo(this, QRDetalle, "QRProcedimiento", QExped, "PROCEDIMIENTO", 480, 1, 125);
    QRNombre = NuevaEtiqueta(this, QRDetalle, "QRNombre", 815, 1, QRDetalle->Width() - 815);
    Partes.Crea(this, QRDetalle, 105, 200, 610, 200);
    QRCli1 = Partes.QRCli[0], QRCli2 = Partes.QRCli[1], QRCli3 = Partes.QRCli[2], QRCli4 = Partes.QRCli[3],
    QRCli5 = Partes.QRCli[4];
    QRCon1 = Partes.QRCon[0], QRCon2 = Partes.QRCon[1], QRCon3 = Partes.QRCon[2], QRCon4 = Partes.QRCon[3],
    QRCon5 = Partes.QRCon[4];
    QRDetalle->BeforePrint = TQRBandBeforePrintEvent(this, &TListaExpedientes::QRDetalleBeforePrint);
    QRListado->BeforePrint = TEvent<TQuickRep*, bool&>([this](TQuickRep*, bool&) {
        if (!QExped->Active()) QExped->Open();
        Partes.Prepara(QExped);
    });
    OnClose = TCloseEvent(this, &TListaExpedientes::FormClose);
}

TListaExpedientes::~TListaExpedientes() = default;

void TListaExpedientes::QRDetalleBeforePrint(TQRCustomBand*, bool&) {
    TDataSet* e = QExped;
    QRExpediente->SetCaption(Expediente(e));
    if (QSitua) QSitua->SetCaption(SituacionExpediente(e->FieldByName(QStringLiteral("SITUACION"))->AsInteger()));
    const int lineas = Partes.Rellena(e->FieldByName(QStringLiteral("ANO"))->AsString(),
                                      e->FieldByName(QStringLiteral("NUMERO"))->AsString());
    QRDetalle->SetHeight(20 * lineas);
    QRNombre->SetCaption(FUltima == uAbogado
                             ? FAbogados.Nombre(e->FieldByName(QStringLiteral("ABOCLI"))->AsInteger())
                             : FProcuradores.Nombre(e->FieldByName(QStringLiteral("PROCLI"))->AsInteger()));
}

void TListaExpedientes::FormClose(TObject*, TCloseAction& action) { action = caFree; }

}  // namespace reports
