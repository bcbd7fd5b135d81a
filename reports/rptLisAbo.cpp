#include "reports/rptLisAbo.h"

TInfAbo* InfAbo = nullptr;

TInfAbo::TInfAbo(TComponent* owner)
    : reports::TListaSimple(
          owner, "InfAbo", "QAbo", QStringLiteral("LISTADO ALFABÉTICO DE ABOGADOS"),
          QStringLiteral("SELECT APELLIDOS||', '||NOMBRE AS NOM, DNI, POBLACION, TELEFONO, FAX, DOMICILIO, CDPOSTAL FROM ABOGADOS ORDER BY NOM"),
          nullptr,
          {
                     {"Nombre", "NOM", 26},
                     {"D.N.I.", "DNI", 10},
                     {"Domicilio", "DOMICILIO", 24},
                     {"C.P.", "CDPOSTAL", 6},
                     {"Población", "POBLACION", 16},
                     {"Teléfono", "TELEFONO", 12},
                     {"Fax", "FAX", 10}},
          poLandscape) {
    QAbo = Consulta;
}

TInfAbo::~TInfAbo() {
    if (InfAbo == this) InfAbo = nullptr;
}

namespace reports {
void rptLisAbo() {
    Presenta(InfAbo, &TInfAbo::QuickRep1, [](TInfAbo*) {});
}
}  // namespace reports
