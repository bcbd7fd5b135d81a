#include "reports/rptLisPro.h"

TInfPro* InfPro = nullptr;

TInfPro::TInfPro(TComponent* owner)
    : reports::TListaSimple(
          owner, "InfPro", "QProcon", QStringLiteral("LISTADO DE ALFABÉTICO DE PROCURADORES"),
          QStringLiteral("SELECT APELLIDOS||', '||NOMBRE AS NOM, PARTIDO, CIF, POBLACION, TELEFONO, FAX, DOMICILIO, CDPOSTAL FROM PROCU ORDER BY NOM"),
          nullptr,
          {
                     {"Nombre", "NOM", 24},
                     {"C.I.F.", "CIF", 10},
                     {"Domicilio", "DOMICILIO", 22},
                     {"C.P.", "CDPOSTAL", 6},
                     {"Población", "POBLACION", 14},
                     {"Teléfono", "TELEFONO", 11},
                     {"Fax", "FAX", 10},
                     {"Partido", "PARTIDO", 13}},
          poLandscape) {
    QProcon = Consulta;
}

TInfPro::~TInfPro() {
    if (InfPro == this) InfPro = nullptr;
}

namespace reports {
void rptLisPro() {
    Presenta(InfPro, &TInfPro::QuickRep1, [](TInfPro*) {});
}
}  // namespace reports
