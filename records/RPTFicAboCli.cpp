#include "records/RPTFicAboCli.h"

#include "comun/UData.h"

TInfFicAboCli::TInfFicAboCli(TComponent* owner)
    : records::TFichaInforme(
          owner,
          records::DatosFicha(QStringLiteral("FICHA DE ABOGADO DEL CLIENTE"), QStringLiteral("ABOCLI"),
                              QStringLiteral("ABOCLI"), QStringLiteral("ABOCLI"), Dat->TAboCli, QStringLiteral(" "),
                              {records::LineasDireccion(QStringLiteral("CIF"), false),
                               {{QStringLiteral("Expedientes Civil :"), {QStringLiteral("EXPCIVIL")}},
                                {QStringLiteral("Expedientes Penal :"), {QStringLiteral("EXPPENAL")}},
                                {QStringLiteral("Expedientes Laboral :"), {QStringLiteral("EXPLABORAL")}},
                                {QStringLiteral("Expedientes Administrativos :"), {QStringLiteral("EXPADM")}}}})) {}
