#include "records/RPTFicProcon.h"

#include "shell/UData.h"

namespace {
records::TFichaInforme::TDatos Datos() {
    records::TFichaInforme::TDatos d;
    d.Titulo = QStringLiteral("FICHA DEL PROCURADOR");
    d.SQL = {QStringLiteral("SELECT * FROM PROCU WHERE"), QStringLiteral("      PROCU =:PROCON")};
    d.Parametro = QStringLiteral("PROCON");
    d.Maestro = Dat->TProcu;
    d.Clave = QStringLiteral("PROCU");
    d.Separador = QStringLiteral(", ");
    d.Lineas = {{QStringLiteral("C.I.F. :"), {QStringLiteral("CIF")}},
            {QStringLiteral("Domicilio :"), {QStringLiteral("DOMICILIO"), QStringLiteral("CDPOSTAL"), QStringLiteral("POBLACION")}},
            {QStringLiteral("Provincia :"), {QStringLiteral("PROVINCIA")}},
            {QStringLiteral("Teléfono :"), {QStringLiteral("TELEFONO")}},
            {QStringLiteral("Fax :"), {QStringLiteral("FAX")}},
            {QStringLiteral("Colegiado :"), {QStringLiteral("COLEGIADO")}},
            {QStringLiteral("Partido :"), {QStringLiteral("PARTIDO")}},
            {QStringLiteral("Banco :"), {QStringLiteral("BANCO")}},
            {QStringLiteral("Sucursal :"), {QStringLiteral("SUCURSAL")}},
            {QStringLiteral("Nº Cuenta :"), {QStringLiteral("CUENTACORRIENTE")}},
            {QStringLiteral("Expedientes Abiertos :"), {QStringLiteral("EXPABIERTOS")}},
            {QStringLiteral("Expedientes Pendientes :"), {QStringLiteral("EXPPENDIENTES")}},
            {QStringLiteral("Expedientes Cerrados :"), {QStringLiteral("EXPCERRADOS")}}};
    return d;
}
}  // namespace

TInfFicProCon::TInfFicProCon(TComponent* owner) : records::TFichaInforme(owner, Datos()) {}
