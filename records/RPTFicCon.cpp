#include "records/RPTFicCon.h"

#include "shell/UData.h"

namespace {
records::TFichaInforme::TDatos Datos() {
    records::TFichaInforme::TDatos d;
    d.Titulo = QStringLiteral("FICHA DE CONTRARIO");
    d.SQL = {QStringLiteral("SELECT * FROM CONTRARIOS WHERE"), QStringLiteral("      CONTRARIO =:CONTRARIO")};
    d.Parametro = QStringLiteral("CONTRARIO");
    d.Maestro = Dat->TContrarios;
    d.Clave = QStringLiteral("CONTRARIO");
    d.Separador = QStringLiteral(", ");
    d.Lineas = {{QStringLiteral("C.I.F. :"), {QStringLiteral("DNI")}},
            {QStringLiteral("Domicilio :"), {QStringLiteral("DOMICILIO"), QStringLiteral("CDPOSTAL"), QStringLiteral("POBLACION")}},
            {QStringLiteral("Provincia :"), {QStringLiteral("PROVINCIA")}},
            {QStringLiteral("Teléfono :"), {QStringLiteral("TELEFONO")}},
            {QStringLiteral("Fax :"), {QStringLiteral("FAX")}},
            {QStringLiteral("Asociados :"), {QStringLiteral("ASOCIADOS")}},
            {QStringLiteral("Expedientes Abiertos :"), {QStringLiteral("EXPABIERTOS")}},
            {QStringLiteral("Expedientes Pendientes :"), {QStringLiteral("EXPPENDIENTES")}},
            {QStringLiteral("Expedientes Cerrados :"), {QStringLiteral("EXPCERRADOS")}}};
    return d;
}
}  // namespace

TInfFicCon::TInfFicCon(TComponent* owner) : records::TFichaInforme(owner, Datos()) {}
