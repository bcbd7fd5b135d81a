#include "reports/RPTLisCon.h"

TInfLisCon* InfLisCon = nullptr;

TInfLisCon::TInfLisCon(TComponent* owner)
    : reports::TListaSimple(
          owner, "InfLisCon", "QContrario", QStringLiteral("LISTADO DE CONTRARIOS"),
          QStringLiteral("SELECT APELLIDOS||', '||NOMBRE AS NOMCLI, EXPABIERTOS, POBLACION, EXPPENDIENTES, EXPCERRADOS, TELEFONO, DOMICILIO, CDPOSTAL, FAX, MAIL FROM CONTRARIOS ORDER BY NOMCLI"),
          nullptr,
          {
                     {"Nombre", "NOMCLI", 24},
                     {"Domicilio", "DOMICILIO", 22},
                     {"C.P.", "CDPOSTAL", 6},
                     {"Población", "POBLACION", 14},
                     {"Teléfono", "TELEFONO", 11},
                     {"Fax", "FAX", 10},
                     {"E-mail", "MAIL", 16},
                     {"Abiertos", "EXPABIERTOS", 7, taRightJustify},
                     {"Pendientes", "EXPPENDIENTES", 8, taRightJustify},
                     {"Cerrados", "EXPCERRADOS", 7, taRightJustify}},
          poLandscape) {
    QContrario = Consulta;
}

TInfLisCon::~TInfLisCon() {
    if (InfLisCon == this) InfLisCon = nullptr;
}

namespace reports {
void RPTLisCon() {
    Presenta(InfLisCon, &TInfLisCon::QuickRep1, [](TInfLisCon*) {});
}
}  // namespace reports
