#include "records/RPTFicClien.h"

#include "shell/UData.h"

namespace {
records::TFichaInforme::TDatos Datos() {
    records::TFichaInforme::TDatos d;
    d.Titulo = QStringLiteral("FICHA DE CLIENTE");
    d.SQL = {QStringLiteral("SELECT * FROM CLIENTES WHERE"), QStringLiteral("      CLIENTE =:CLIENTE")};
    d.Parametro = QStringLiteral("CLIENTE");
    d.Maestro = Dat->TClientes;
    d.Clave = QStringLiteral("CLIENTE");
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

TInfFicClien::TInfFicClien(TComponent* owner) : records::TFichaInforme(owner, Datos()) {}
