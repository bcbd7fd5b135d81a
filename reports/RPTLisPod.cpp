#include "reports/RPTLisPod.h"

TInfLisPod* InfLisPod = nullptr;

TInfLisPod::TInfLisPod(TComponent* owner) : TForm(owner) {
    using namespace reports;
    SetName(QStringLiteral("InfLisPod"));
    QPoderes = NuevaConsulta(this, "QPoderes",
                             QStringLiteral("SELECT A.* , B.APELLIDOS||', '||B.NOMBRE AS NOMCLI FROM PODER A, CLIENTES B "
                                            "WHERE A.CLIENTE BETWEEN :CLIENTED AND :CLIENTEH AND A.CLIENTE = B.CLIENTE "
                                            "ORDER BY NOMCLI"));
    DSPoderes = new TDataSource(this);
    DSPoderes->SetName(QStringLiteral("DSPoderes"));
    DSPoderes->SetDataSet(QPoderes);
    QAbogado = NuevaConsulta(this, "QAbogado",
                             QStringLiteral("SELECT APELLIDOS||', '||NOMBRE AS NOMAB FROM ABOCLI WHERE ABOCLI =:ABOGADO"));
    QAbogado->SetDataSource(DSPoderes);

    QRLisPod = NuevoInforme(this, "QRLisPod", QPoderes, QStringLiteral("LISTADO DE PODERES"), poLandscape);
    QRBand1 = NuevaBanda(this, QRLisPod, "QRBand1", rbPageHeader, 90);
    const TCabeceraListado c = NuevaCabecera(this, QRBand1, QStringLiteral("LISTADO DE PODERES"), true);
    QRLabel1 = c.Titulo;
    QRFiltro = c.Filtro;
    const auto sitios = Cabeceras(this, QRBand1, 70,
                                  {{"Cliente", 26}, {"Nº Poder", 9}, {"Nº Protocolo", 10}, {"Notario / Abogado", 25},
                                   {"Fecha", 9}, {"Situación", 21}});
    QRGroup1 = NuevoGrupo(this, QRLisPod, "QRGroup1", QStringLiteral("NOMCLI"), 0);
    QRCabGrupo = new TQRChildBand(this);
    QRCabGrupo->SetName(QStringLiteral("QRCabGrupo"));
    QRCabGrupo->SetParent(QRLisPod);
    QRCabGrupo->SetParentBand(QRGroup1);
    QRCabGrupo->SetHeight(4);
    QRBand2 = NuevaBanda(this, QRLisPod, "QRBand2", rbDetail, 36);
    QRCli = NuevaEtiqueta(this, QRBand2, "QRCli", sitios[0].Left, 1, sitios[0].Width, QString(), taLeftJustify, true);
    NuevoCampo(this, QRBand2, "QRPoder", QPoderes, "PODER", sitios[1].Left, 1, sitios[1].Width);
    NuevoCampo(this, QRBand2, "QRProtocolo", QPoderes, "PROTOCOLO", sitios[2].Left, 1, sitios[2].Width);
    NuevoCampo(this, QRBand2, "QRNotario", QPoderes, "NOTARIO", sitios[3].Left, 1, sitios[3].Width);
    NuevoCampo(this, QRBand2, "QRNomAb", QAbogado, "NOMAB", sitios[3].Left, 18, sitios[3].Width);
    NuevoCampo(this, QRBand2, "QRFecha", QPoderes, "FECHA", sitios[4].Left, 1, sitios[4].Width);
    auto* situacion = NuevoCampo(this, QRBand2, "QRSituacion", QPoderes, "SITUACION", sitios[5].Left, 1, sitios[5].Width);
    situacion->SetHeight(34);
    situacion->SetAutoStretch(true);

    QRCabGrupo->BeforePrint = TQRBandBeforePrintEvent(this, &TInfLisPod::QRCabGrupoBeforePrint);
    QRBand2->AfterPrint = TQRBandAfterPrintEvent(this, &TInfLisPod::QRBand2AfterPrint);
    OnClose = TCloseEvent(this, &TInfLisPod::FormClose);
}

TInfLisPod::~TInfLisPod() {
    if (InfLisPod == this) InfLisPod = nullptr;
}

void TInfLisPod::QRCabGrupoBeforePrint(TQRCustomBand*, bool&) {
    QRCli->SetCaption(QPoderes->FieldByName(QStringLiteral("NOMCLI"))->AsString());
}

void TInfLisPod::QRBand2AfterPrint(TQRCustomBand*, bool) { QRCli->SetCaption(QString()); }

void TInfLisPod::FormClose(TObject*, TCloseAction& action) { action = caFree; }

namespace reports {

void PreparaPoderes(TInfLisPod* f, int desde, int hasta, const QString& filtro) {
    f->QPoderes->Close();
    f->QPoderes->ParamByName(QStringLiteral("CLIENTED"))->SetAsInteger(desde);
    f->QPoderes->ParamByName(QStringLiteral("CLIENTEH"))->SetAsInteger(hasta);
    f->QPoderes->Open();
    // The lawyer's query follows the powers' rows once they are open.
    if (!f->QAbogado->Active()) f->QAbogado->Open();
    f->QRFiltro->SetCaption(filtro);
}

void RPTLisPod(int desde, int hasta, const QString& filtro) {
    Presenta(InfLisPod, &TInfLisPod::QRLisPod, [&](TInfLisPod* f) { PreparaPoderes(f, desde, hasta, filtro); });
}

}  // namespace reports
