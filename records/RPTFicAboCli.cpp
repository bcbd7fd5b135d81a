#include "records/RPTFicAboCli.h"

#include "shell/UData.h"

namespace {
records::TFichaInforme::TDatos Datos() {
    records::TFichaInforme::TDatos d;
    d.Titulo = QStringLiteral("FICHA DE ABOGADO DEL CLIENTE");
    d.SQL = {QStringLiteral("SELECT * FROM ABOCLI WHERE"), QStringLiteral("      ABOCLI =:ABOCLI")};
    d.Parametro = QStringLiteral("ABOCLI");
    d.Maestro = Dat->TAboCli;
    d.Clave = QStringLiteral("ABOCLI");
    d.Separador = QStringLiteral(" ");
    d.Lineas = {{QStringLiteral("C.I.F. :"), {QStringLiteral("CIF")}},
            {QStringLiteral("Domicilio :"), {QStringLiteral("DOMICILIO"), QStringLiteral("CDPOSTAL"), QStringLiteral("POBLACION")}},
            {QStringLiteral("Provincia :"), {QStringLiteral("PROVINCIA")}},
            {QStringLiteral("Expedientes Civil :"), {QStringLiteral("EXPCIVIL")}},
            {QStringLiteral("Expedientes Penal :"), {QStringLiteral("EXPPENAL")}},
            {QStringLiteral("Expedientes Laboral :"), {QStringLiteral("EXPLABORAL")}},
            {QStringLiteral("Expedientes Administrativos :"), {QStringLiteral("EXPADM")}}};
    return d;
}
}  // namespace

TInfFicAboCli::TInfFicAboCli(TComponent* owner) : records::TFichaInforme(owner, Datos()) {}
