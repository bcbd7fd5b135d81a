#include "shell/rptLisPriv.h"

#include "comun/PresPrel.h"
#include "platform/report/QRCtrls.h"
#include "shell/UPrograma.h"

TFLisPriv* FLisPriv = nullptr;

namespace {
struct TColumna {
    const char* Cabecera;
    int Ancho;
};
// Heads and widths of the columns, left to right (report units).
const TColumna Columnas[] = {{"Usuario", 120}, {"Privacidad", 84}, {"Listados", 76}, {"Expedientes", 92},
                             {"Consultas", 84},  {"Agenda", 70},     {"Modelos", 72},  {"Abogado", 220},
                             {"Escritos", 72},   {"Económico", 86},  {"D. Generales", 96}};

QString SiNo(TDataSet* ds, const char* campo) {
    return ds->FieldByName(QString::fromLatin1(campo))->AsBoolean() ? QStringLiteral("Si") : QStringLiteral("No");
}
}  // namespace

TFLisPriv::TFLisPriv(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("FLisPriv"));
    QLisPriv = new TQuery(this);
    QLisPriv->SetName(QStringLiteral("QLisPriv"));
    QLisPriv->SetDatabaseName(QStringLiteral("ZEMBRA"));
    QLisPriv->SQL()->Add(QStringLiteral("SELECT * FROM PRIVACIDAD"));
    QAbo = new TQuery(this);
    QAbo->SetName(QStringLiteral("QAbo"));
    QAbo->SetDatabaseName(QStringLiteral("ZEMBRA"));
    QAbo->SQL()->Add(QStringLiteral("SELECT NOMBRE || ' ' || APELLIDOS AS NOMABO"));
    QAbo->SQL()->Add(QStringLiteral("FROM ABOCLI"));
    QAbo->SQL()->Add(QStringLiteral("WHERE ABOCLI = :ABOGADO"));

    QRLisPriv = new TQuickRep(this);
    QRLisPriv->SetName(QStringLiteral("QRLisPriv"));
    QRLisPriv->SetDataSet(QLisPriv);
    QRLisPriv->SetReportTitle(QStringLiteral("LISTADO DE PRIVACIDAD"));
    QRLisPriv->Page()->SetOrientation(poLandscape);
    QRLisPriv->Page()->SetTopMargin(15);
    QRLisPriv->Page()->SetLeftMargin(15);
    QRLisPriv->Page()->SetRightMargin(15);
    QRLisPriv->Font()->SetName(QStringLiteral("Arial"));
    QRLisPriv->Font()->SetHeight(-11);

    QRBand1 = new TQRBand(this);
    QRBand1->SetName(QStringLiteral("QRBand1"));
    QRBand1->SetBandType(rbPageHeader);
    QRBand1->SetHeight(84);
    QRBand1->SetParent(QRLisPriv);
    const int ancho = QRLisPriv->PrintableWidth();
    QRFecha = new TQRSysData(this);
    QRFecha->SetName(QStringLiteral("QRFecha"));
    QRFecha->SetParent(QRBand1);
    QRFecha->SetBounds(0, 4, 150, 16);
    QRFecha->SetData(qrsDate);
    QRPagina = new TQRSysData(this);
    QRPagina->SetName(QStringLiteral("QRPagina"));
    QRPagina->SetParent(QRBand1);
    QRPagina->SetBounds(ancho - 150, 4, 150, 16);
    QRPagina->SetAlignment(taRightJustify);
    QRPagina->SetData(qrsPageNumber);
    QRPagina->SetText(QStringLiteral("Página : "));
    QRTitulo = new TQRLabel(this);
    QRTitulo->SetName(QStringLiteral("QRTitulo"));
    QRTitulo->SetParent(QRBand1);
    QRTitulo->SetBounds(0, 24, ancho, 26);
    QRTitulo->SetAlignToBand(true);
    QRTitulo->SetAlignment(taCenter);
    QRTitulo->SetCaption(QStringLiteral("LISTADO DE PRIVACIDAD"));
    QRTitulo->Font()->SetHeight(-19);
    QRTitulo->Font()->SetStyle(TFontStyles{fsBold});

    QRBand2 = new TQRBand(this);
    QRBand2->SetName(QStringLiteral("QRBand2"));
    QRBand2->SetBandType(rbDetail);
    QRBand2->SetHeight(20);
    QRBand2->SetParent(QRLisPriv);
    TQRLabel** detalle[] = {&QRUsuario, &QRPrivacidad, &QRListados, &QRExpedientes, &QRConsultas, &QRAgenda,
                            &QRModelos, &QRAbogado,    &QREscritos, &QREconomico,   &QRGeneral};
    // The columns share the printable width in their proportions.
    int total = 0;
    for (const TColumna& c : Columnas) total += c.Ancho;
    int x = 0;
    for (size_t i = 0; i < std::size(Columnas); ++i) {
        const int anchoColumna = Columnas[i].Ancho * ancho / total;
        auto* cabecera = new TQRLabel(this);
        cabecera->SetParent(QRBand1);
        cabecera->SetBounds(x, 62, anchoColumna - 4, 16);
        cabecera->SetCaption(QString::fromUtf8(Columnas[i].Cabecera));
        cabecera->Font()->SetStyle(TFontStyles{fsBold});
        auto* l = new TQRLabel(this);
        l->SetParent(QRBand2);
        l->SetBounds(x, 2, anchoColumna - 4, 16);
        *detalle[i] = l;
        x += anchoColumna;
    }
    QRUsuario->SetName(QStringLiteral("QRUsuario"));
    QRAbogado->SetName(QStringLiteral("QRAbogado"));
    QRBand2->BeforePrint = TQRBandBeforePrintEvent(this, &TFLisPriv::QRBand2BeforePrint);
    OnClose = TCloseEvent(this, &TFLisPriv::FormClose);
}

TFLisPriv::~TFLisPriv() {
    if (FLisPriv == this) FLisPriv = nullptr;
}

void TFLisPriv::QRBand2BeforePrint(TQRCustomBand*, bool&) {
    TDataSet* u = QLisPriv;
    QRUsuario->SetCaption(u->FieldByName(QStringLiteral("Usuario"))->AsString());
    QRPrivacidad->SetCaption(SiNo(u, "Privacidad"));
    QRListados->SetCaption(SiNo(u, "Listados"));
    QRModelos->SetCaption(SiNo(u, "Modelos"));
    QRGeneral->SetCaption(SiNo(u, "General"));
    QRExpedientes->SetCaption(SiNo(u, "Expedientes"));
    QRConsultas->SetCaption(SiNo(u, "Consulta"));
    QREscritos->SetCaption(SiNo(u, "Fusion"));
    QRAgenda->SetCaption(SiNo(u, "Agenda"));
    QREconomico->SetCaption(SiNo(u, "Economico"));
    const int abogado = u->FieldByName(QStringLiteral("Abogado"))->AsInteger();
    if (abogado == -1) {
        QRAbogado->SetCaption(QStringLiteral("TODOS"));
    } else if (abogado == 0) {
        QRAbogado->SetCaption(QStringLiteral("NINGUNO"));
    } else {
        QAbo->Close();
        QAbo->ParamByName(QStringLiteral("ABOGADO"))->SetAsInteger(abogado);
        QAbo->Open();
        QRAbogado->SetCaption(QAbo->IsEmpty() ? QString() : QAbo->FieldByName(QStringLiteral("NOMABO"))->AsString());
    }
}

void TFLisPriv::FormClose(TObject*, TCloseAction& action) { action = caFree; }

void TFLisPriv::MuestraPreview(TObject* sender) { comun::MuestraPreView(sender); }
