#include "reports/rptLisPerPro.h"

TInfPerPro* InfPerPro = nullptr;

TInfPerPro::TInfPerPro(TComponent* owner)
    : reports::TListaSimple(
          owner, "InfPerPro", "QPerito", QStringLiteral("LISTADO DE PERITOS POR PROFESIÓN"),
          QStringLiteral("SELECT APELLIDOS||', '||NOMBRE AS NOM, PROFESION, CIF, POBLACION, TELEFONO, FAX, DOMICILIO, CDPOSTAL FROM PERITOS ORDER BY PROFESION, NOM"),
          "PROFESION",
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

TInfPerPro::~TInfPerPro() {
    if (InfPerPro == this) InfPerPro = nullptr;
}

namespace reports {
void rptLisPerPro() {
    Presenta(InfPerPro, &TInfPerPro::QuickRep1, [](TInfPerPro*) {});
}
}  // namespace reports
