#include "records/RPTFicProcon.h"

#include "comun/UData.h"

TInfFicProCon::TInfFicProCon(TComponent* owner)
    : records::TFichaInforme(
          owner,
          records::DatosFicha(QStringLiteral("FICHA DEL PROCURADOR"), QStringLiteral("PROCU"), QStringLiteral("PROCU"),
                              QStringLiteral("PROCON"), Dat->TProcu, QStringLiteral(", "),
                              {records::LineasDireccion(QStringLiteral("CIF")),
                               {{QStringLiteral("Colegiado :"), {QStringLiteral("COLEGIADO")}},
                                {QStringLiteral("Partido :"), {QStringLiteral("PARTIDO")}}},
                               records::LineasBanco(),
                               records::LineasExpedientes()})) {}
