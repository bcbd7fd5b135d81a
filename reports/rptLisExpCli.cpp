#include "reports/rptLisExpCli.h"

#include "comun/Alcance.h"
#include "reports/ListaExpedientes.h"

TInfExpCli* InfExpCli = nullptr;

TInfExpCli::TInfExpCli(TComponent* owner) : TForm(owner) {
    using namespace reports;
    SetName(QStringLiteral("InfExpCli"));
    QCliente = NuevaConsulta(this, "QCliente",
                             QStringLiteral("SELECT A.CLIENTE,A.APELLIDOS||','||A.NOMBRE AS NOM FROM CLIENTES A WHERE 0 < "
                                            "(SELECT COUNT(*) FROM EXPCLI B, EXPED C WHERE B.ANO = :ANO AND B.CLIENTE = A.CLIENTE "
                                            "AND C.ANO = B.ANO AND C.NUMERO = B.NUMERO") +
                                 comun::YAlcance(QStringLiteral("C.ABOCLI")) +
                                 QStringLiteral(") AND A.CLIENTE BETWEEN :CLIENTED AND :CLIENTEH"));
    DSCliente = new TDataSource(this);
    DSCliente->SetName(QStringLiteral("DSCliente"));
    DSCliente->SetDataSet(QCliente);
    QExped = NuevaConsulta(this, "QExped",
                           QStringLiteral("SELECT A.ANO, A.NUMERO, A.CLIENTE, B.FECHAAPERTURA, B.SITUACION, B.PROCLI, "
                                          "B.CONTRARIO, B.AUTOS, B.PROCEDIMIENTO, B.ABOCLI FROM EXPCLI A, EXPED B WHERE "
                                          "A.ANO = :ANO AND A.ANO = B.ANO AND A.NUMERO = B.NUMERO AND A.CLIENTE = :CLIENTE") +
                               comun::YAlcance(QStringLiteral("B.ABOCLI")));
    QExped->SetDataSource(DSCliente);
    QAboCli = NuevaConsulta(this, "QAboCli", QStringLiteral("SELECT APELLIDOS||','||NOMBRE AS NOM FROM ABOCLI WHERE ABOCLI = :ABOCLI"));
    QProCli = NuevaConsulta(this, "QProCli", QStringLiteral("SELECT APELLIDOS||','||NOMBRE AS NOM FROM PROCU WHERE PROCU = :PROCLI"));
    FAbogados = TNombres(QAboCli, "ABOCLI", "NOM");
    FProcuradores = TNombres(QProCli, "PROCLI", "NOM");

    const QString titulo = QStringLiteral("LISTADO DE EXPEDIENTES POR CLIENTES");
    QRListado = NuevoInforme(this, "QRListado", QCliente, titulo, poLandscape);
    QRCabecera = NuevaBanda(this, QRListado, "QRCabecera", rbPageHeader, 68);
    const TCabeceraListado c = NuevaCabecera(this, QRCabecera, titulo, true);
    QRLabel1 = c.Titulo;
    QRFiltro = c.Filtro;
    struct TCab {
        const char* Texto;
        int Left, Ancho;
    };
    const int ancho = QRCabecera->Width();
    const TCab cabs[] = {{"Expediente", 0, 85},    {"Procurador Cliente", 90, 150}, {"Abogado Cliente", 245, 150},
                         {"Situación", 400, 75},   {"Nº Auto", 480, 70},            {"Procedimiento", 555, 85},
                         {"Contrario", 645, 250}, {"Apertura", 900, ancho - 900}};
    QRColumnas = NuevaBanda(this, QRListado, "QRColumnas", rbColumnHeader, 24);
    for (const TCab& k : cabs)
        NuevaEtiqueta(this, QRColumnas, nullptr, k.Left, 2, k.Ancho, QString::fromUtf8(k.Texto), taLeftJustify, true);
    auto* raya = new TQRShape(this);
    raya->SetParent(QRColumnas);
    raya->SetShape(qrsHorLine);
    raya->SetBounds(0, 19, ancho, 2);

    QRCliente = NuevaBanda(this, QRListado, "QRCliente", rbDetail, 26);
    NuevaEtiqueta(this, QRCliente, "QRLabel2", 0, 6, 60, QStringLiteral("Cliente :"), taLeftJustify, true);
    NuevoCampo(this, QRCliente, "QRNom", QCliente, "NOM", 62, 6, 600)->Font()->SetStyle(TFontStyles{fsBold});

    QRDetalle = new TQRSubDetail(this);
    QRDetalle->SetName(QStringLiteral("QRDetalle"));
    QRDetalle->SetParent(QRListado);
    QRDetalle->SetDataSet(QExped);
    QRDetalle->SetHeight(20);
    QRExpediente = NuevaEtiqueta(this, QRDetalle, "QRExpediente", 0, 1, 85);
    QRProcurador = NuevaEtiqueta(this, QRDetalle, "QRProcurador", 90, 1, 150);
    QRAbogado = NuevaEtiqueta(this, QRDetalle, "QRAbogado", 245, 1, 150);
    QSitua = NuevaEtiqueta(this, QRDetalle, "QSitua", 400, 1, 75);
    NuevoCampo(this, QRDetalle, "QRAutos", QExped, "AUTOS", 480, 1, 70);
    // A long procedure takes a second line rather than losing its last words.
    TQRDBText* procedimiento = NuevoCampo(this, QRDetalle, "QRProcedimiento", QExped, "PROCEDIMIENTO", 555, 1, 85);
    procedimiento->SetWordWrap(true);
    procedimiento->SetAutoStretch(true);
    NuevoCampo(this, QRDetalle, "QRApertura", QExped, "FECHAAPERTURA", 900, 1, ancho - 900);
    Partes.Crea(this, QRDetalle, -1, 0, 645, 250);
    QRCon1 = Partes.QRCon[0], QRCon2 = Partes.QRCon[1], QRCon3 = Partes.QRCon[2], QRCon4 = Partes.QRCon[3],
    QRCon5 = Partes.QRCon[4];

    QRCliente->BeforePrint = TQRBandBeforePrintEvent(this, &TInfExpCli::QRClienteBeforePrint);
    QRDetalle->BeforePrint = TQRBandBeforePrintEvent(this, &TInfExpCli::QRDetalleBeforePrint);
    OnClose = TCloseEvent(this, &TInfExpCli::FormClose);
}

TInfExpCli::~TInfExpCli() {
    if (InfExpCli == this) InfExpCli = nullptr;
}

void TInfExpCli::QRClienteBeforePrint(TQRCustomBand*, bool& print) {
    // A client whose case files of the year are gone prints no heading of its own.
    if (!QExped->Active()) QExped->Open();
    print = !QExped->IsEmpty();
}

void TInfExpCli::QRDetalleBeforePrint(TQRCustomBand*, bool& print) {
    if (QExped->IsEmpty()) {
        print = false;
        return;
    }
    TDataSet* e = QExped;
    QRExpediente->SetCaption(reports::Expediente(e));
    QSitua->SetCaption(reports::SituacionExpediente(e->FieldByName(QStringLiteral("SITUACION"))->AsInteger()));
    QRProcurador->SetCaption(FProcuradores.Nombre(e->FieldByName(QStringLiteral("PROCLI"))->AsInteger()));
    QRAbogado->SetCaption(FAbogados.Nombre(e->FieldByName(QStringLiteral("ABOCLI"))->AsInteger()));
    const int m = Partes.Rellena(e->FieldByName(QStringLiteral("ANO"))->AsString(),
                                 e->FieldByName(QStringLiteral("NUMERO"))->AsString());
    QRDetalle->SetHeight(20 * m);
}

void TInfExpCli::FormClose(TObject*, TCloseAction& action) { action = caFree; }

namespace reports {

void PreparaExpCli(TInfExpCli* f, const QString& ano, int desde, int hasta, const QString& filtro) {
    f->QCliente->Close();
    f->QCliente->ParamByName(QStringLiteral("ANO"))->SetAsString(ano);
    f->QCliente->ParamByName(QStringLiteral("CLIENTED"))->SetAsInteger(desde);
    f->QCliente->ParamByName(QStringLiteral("CLIENTEH"))->SetAsInteger(hasta);
    f->QCliente->Open();
    f->QExped->Close();
    f->QExped->ParamByName(QStringLiteral("ANO"))->SetAsString(ano);
    f->QExped->Open();
    f->QRFiltro->SetCaption(filtro);
}

void rptLisExpCli(const QString& ano, int desde, int hasta, const QString& filtro) {
    Presenta(InfExpCli, &TInfExpCli::QRListado, [&](TInfExpCli* f) { PreparaExpCli(f, ano, desde, hasta, filtro); });
}

}  // namespace reports
