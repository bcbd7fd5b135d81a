#include "reports/RPTLisProParJu.h"

TInfLisProParJu* InfLisProParJu = nullptr;

TInfLisProParJu::TInfLisProParJu(TComponent* owner)
    : reports::TListaSimple(
          owner, "InfLisProParJu", "QProcu", QStringLiteral("LISTADO DE PROCURADORES POR PARTIDO JUDICIAL"),
          QStringLiteral("SELECT APELLIDOS||', '||NOMBRE AS NOM, PARTIDO, CIF, POBLACION, TELEFONO, FAX, DOMICILIO, CDPOSTAL FROM PROCU ORDER BY PARTIDO"),
          "PARTIDO",
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
    QProcu = Consulta;
}

TInfLisProParJu::~TInfLisProParJu() {
    if (InfLisProParJu == this) InfLisProParJu = nullptr;
}

namespace reports {
void RPTLisProParJu() {
    Presenta(InfLisProParJu, &TInfLisProParJu::QuickRep1, [](TInfLisProParJu*) {});
}
}  // namespace reports
