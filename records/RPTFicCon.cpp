#include "records/RPTFicCon.h"

#include "comun/UData.h"

TInfFicCon::TInfFicCon(TComponent* owner)
    : records::TFichaInforme(
          owner, records::DatosFicha(QStringLiteral("FICHA DE CONTRARIO"), QStringLiteral("CONTRARIOS"),
                                     QStringLiteral("CONTRARIO"), QStringLiteral("CONTRARIO"), Dat->TContrarios,
                                     QStringLiteral(", "),
                                     {records::LineasDireccion(QStringLiteral("DNI")),
                                      {{QStringLiteral("Asociados :"), {QStringLiteral("ASOCIADOS")}}},
                                      records::LineasExpedientes()})) {}
