#include "records/RPTFicAbo.h"

#include "comun/UData.h"

TInfFicAbo::TInfFicAbo(TComponent* owner)
    : records::TFichaInforme(owner, records::DatosFicha(QStringLiteral("FICHA DE ABOGADO"), QStringLiteral("ABOGADOS"),
                                                        QStringLiteral("ABOGADO"), QStringLiteral("ABOGADO"),
                                                        Dat->TAbogados, QStringLiteral(" "),
                                                        {records::LineasDireccion(QStringLiteral("DNI")),
                                                         {{QStringLiteral("Despacho :"), {QStringLiteral("DESPACHO")}}},
                                                         records::LineasExpedientes()})) {}
