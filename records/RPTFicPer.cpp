#include "records/RPTFicPer.h"

#include "shell/UData.h"

namespace {
records::TFichaInforme::TDatos Datos() {
    records::TFichaInforme::TDatos d;
    d.Titulo = QStringLiteral("FICHA DE PERITO");
    d.SQL = {QStringLiteral("SELECT * FROM PERITOS WHERE"), QStringLiteral("      PERITO =:PERITO")};
    d.Parametro = QStringLiteral("PERITO");
    d.Maestro = Dat->TPeritos;
    d.Clave = QStringLiteral("PERITO");
    d.Separador = QStringLiteral(", ");
    d.Lineas = {{QStringLiteral("C.I.F. :"), {QStringLiteral("CIF")}},
            {QStringLiteral("Domicilio :"), {QStringLiteral("DOMICILIO"), QStringLiteral("CDPOSTAL"), QStringLiteral("POBLACION")}},
            {QStringLiteral("Provincia :"), {QStringLiteral("PROVINCIA")}},
            {QStringLiteral("Teléfono :"), {QStringLiteral("TELEFONO")}},
            {QStringLiteral("Fax :"), {QStringLiteral("FAX")}},
            {QStringLiteral("Colegiado :"), {QStringLiteral("COLEGIADO")}},
            {QStringLiteral("Profesión :"), {QStringLiteral("PROFESION")}},
            {QStringLiteral("Banco :"), {QStringLiteral("BANCO")}},
            {QStringLiteral("Sucursal :"), {QStringLiteral("SUCURSAL")}},
            {QStringLiteral("Nº Cuenta :"), {QStringLiteral("CUENTACORRIENTE")}},
            {QStringLiteral("Expedientes Abiertos :"), {QStringLiteral("EXPABIERTOS")}},
            {QStringLiteral("Expedientes Pendientes :"), {QStringLiteral("EXPPENDIENTES")}},
            {QStringLiteral("Expedientes Cerrados :"), {QStringLiteral("EXPCERRADOS")}}};
    return d;
}
}  // namespace

TInfFicPer::TInfFicPer(TComponent* owner) : records::TFichaInforme(owner, Datos()) {}
