#include "reports/rptLisExpPro.h"

#include "comun/Alcance.h"

TInfExpPro* InfExpPro = nullptr;

TInfExpPro::TInfExpPro(TComponent* owner)
    : reports::TListaExpedientes(owner, "InfExpPro", QStringLiteral("LISTADO DE EXPEDIENTES POR ABOGADO"),
                                 QStringLiteral("SELECT ANO, NUMERO, SITUACION, PROCLI, CONTRARIO,AUTOS, PROCEDIMIENTO, ABOCLI FROM EXPED WHERE ANO = :ANO AND ABOCLI BETWEEN :ABOCLID AND :ABOCLIH") +
                                     comun::YAlcance() + QStringLiteral(" ORDER BY ABOCLI, NUMERO"),
                                 uProcurador, false) {
    using namespace reports;
    QRGroup1 = NuevoGrupo(this, QRListado, "QRGroup1", QStringLiteral("ABOCLI"), 26);
    NuevaEtiqueta(this, QRGroup1, "QRLabel2", 0, 6, 70, QStringLiteral("Abogado :"), taLeftJustify, true);
    QRAbogado = NuevaEtiqueta(this, QRGroup1, "QRAbogado", 72, 6, 500, QString(), taLeftJustify, true);
    QRGroup1->BeforePrint = TQRBandBeforePrintEvent(this, &TInfExpPro::QRGroup1BeforePrint);
}

TInfExpPro::~TInfExpPro() {
    if (InfExpPro == this) InfExpPro = nullptr;
}

void TInfExpPro::QRGroup1BeforePrint(TQRCustomBand*, bool&) {
    QRAbogado->SetCaption(FAbogados.Nombre(QExped->FieldByName(QStringLiteral("ABOCLI"))->AsInteger()));
}

namespace reports {

void PreparaExpPro(TInfExpPro* f, const QString& ano, int desde, int hasta, const QString& filtro) {
    f->QExped->Close();
    f->QExped->ParamByName(QStringLiteral("ANO"))->SetAsString(ano);
    f->QExped->ParamByName(QStringLiteral("ABOCLID"))->SetAsInteger(desde);
    f->QExped->ParamByName(QStringLiteral("ABOCLIH"))->SetAsInteger(hasta);
    f->QRFiltro->SetCaption(filtro);
    f->QExped->Open();
}

void rptLisExpPro(const QString& ano, int desde, int hasta, const QString& filtro) {
    Presenta(InfExpPro, &TInfExpPro::QRListado, [&](TInfExpPro* f) { PreparaExpPro(f, ano, desde, hasta, filtro); });
}

}  // namespace reports
