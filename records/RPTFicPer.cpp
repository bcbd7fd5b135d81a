#include "records/RPTFicPer.h"

#include "comun/UData.h"

TInfFicPer::TInfFicPer(TComponent* owner)
    : records::TFichaInforme(
          owner,
          records::DatosFicha(QStringLiteral("FICHA DE PERITO"), QStringLiteral("PERITOS"), QStringLiteral("PERITO"),
                              QStringLiteral("PERITO"), Dat->TPeritos, QStringLiteral(", "),
                              {records::LineasDireccion(QStringLiteral("CIF")),
                               {{QStringLiteral("Colegiado :"), {QStringLiteral("COLEGIADO")}},
                                {QStringLiteral("Profesión :"), {QStringLiteral("PROFESION")}}},
                               records::LineasBanco(),
                               records::LineasExpedientes()})) {}
