#include "reports/rptLisPer.h"

TInfPer* InfPer = nullptr;

TInfPer::TInfPer(TComponent* owner)
    : reports::TListaSimple(
          owner, "InfPer", "QPerito", QStringLiteral("LISTADO DE ALFABÉTICO DE PERITOS"),
          QStringLiteral("SELECT APELLIDOS||', '||NOMBRE AS NOM, PROFESION, CIF, POBLACION, TELEFONO, FAX, DOMICILIO, CDPOSTAL FROM PERITOS ORDER BY NOM"),
          nullptr,
          {
                     {"Nombre", "NOM", 24},
                     {"C.I.F.", "CIF", 10},
                     {"Domicilio", "DOMICILIO", 22},
                     {"C.P.", "CDPOSTAL", 6},
                     {"Población", "POBLACION", 14},
                     {"Teléfono", "TELEFONO", 11},
                     {"Fax", "FAX", 10},
                     {"Profesión", "PROFESION", 13}},
          poLandscape) {
    QPerito = Consulta;
}

TInfPer::~TInfPer() {
    if (InfPer == this) InfPer = nullptr;
}

namespace reports {
void rptLisPer() {
    Presenta(InfPer, &TInfPer::QuickRep1, [](TInfPer*) {});
}
}  // namespace reports
