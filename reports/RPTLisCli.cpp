#include "reports/RPTLisCli.h"

TInfLisCLI* InfLisCLI = nullptr;

TInfLisCLI::TInfLisCLI(TComponent* owner)
    : reports::TListaSimple(
          owner, "InfLisCLI", "QCliente", QStringLiteral("LISTADO DE CLIENTES"),
          QStringLiteral("SELECT APELLIDOS||', '||NOMBRE AS NOMCLI, EXPABIERTOS, POBLACION, EXPPENDIENTES, EXPCERRADOS, TELEFONO, DOMICILIO, CDPOSTAL, FAX, MAIL FROM CLIENTES ORDER BY NOMCLI"),
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
    QCliente = Consulta;
}

TInfLisCLI::~TInfLisCLI() {
    if (InfLisCLI == this) InfLisCLI = nullptr;
}

namespace reports {
void RPTLisCli() {
    Presenta(InfLisCLI, &TInfLisCLI::QuickRep1, [](TInfLisCLI*) {});
}
}  // namespace reports
