#include "records/RPTFicAbo.h"

#include "shell/UData.h"

namespace {
records::TFichaInforme::TDatos Datos() {
    records::TFichaInforme::TDatos d;
    d.Titulo = QStringLiteral("FICHA DE ABOGADO");
    d.SQL = {QStringLiteral("SELECT * FROM ABOGADOS WHERE"), QStringLiteral("      ABOGADO =:ABOGADO")};
    d.Parametro = QStringLiteral("ABOGADO");
    d.Maestro = Dat->TAbogados;
    d.Clave = QStringLiteral("ABOGADO");
    d.Separador = QStringLiteral(" ");
    d.Lineas = {{QStringLiteral("C.I.F. :"), {QStringLiteral("DNI")}},
            {QStringLiteral("Domicilio :"), {QStringLiteral("DOMICILIO"), QStringLiteral("CDPOSTAL"), QStringLiteral("POBLACION")}},
            {QStringLiteral("Provincia :"), {QStringLiteral("PROVINCIA")}},
            {QStringLiteral("Teléfono :"), {QStringLiteral("TELEFONO")}},
            {QStringLiteral("Fax :"), {QStringLiteral("FAX")}},
            {QStringLiteral("Despacho :"), {QStringLiteral("DESPACHO")}},
            {QStringLiteral("Expedientes Abiertos :"), {QStringLiteral("EXPABIERTOS")}},
            {QStringLiteral("Expedientes Pendientes :"), {QStringLiteral("EXPPENDIENTES")}},
            {QStringLiteral("Expedientes Cerrados :"), {QStringLiteral("EXPCERRADOS")}}};
    return d;
}
}  // namespace

TInfFicAbo::TInfFicAbo(TComponent* owner) : records::TFichaInforme(owner, Datos()) {}
