#include "records/RPTFicClien.h"

#include "comun/UData.h"

TInfFicClien::TInfFicClien(TComponent* owner)
    : records::TFichaInforme(
          owner,
          records::DatosFicha(QStringLiteral("FICHA DE CLIENTE"), QStringLiteral("CLIENTES"), QStringLiteral("CLIENTE"),
                              QStringLiteral("CLIENTE"), Dat->TClientes, QStringLiteral(", "),
                              {records::LineasDireccion(QStringLiteral("DNI")),
                               {{QStringLiteral("Asociados :"), {QStringLiteral("ASOCIADOS")}}},
                               records::LineasExpedientes()})) {}
