#include "reports/rptLisProc.h"

TInfProc* InfProc = nullptr;

TInfProc::TInfProc(TComponent* owner)
    : reports::TListaSimple(
          owner, "InfProc", "QProce", QStringLiteral("LISTADO DE PROCEDIMIENTOS"),
          QStringLiteral("SELECT PROCEDIMIENTO FROM PROCEDIMIENTOS"),
          nullptr,
          {
                     {"Procedimiento", "PROCEDIMIENTO", 1}},
          poPortrait) {
    QProce = Consulta;
}

TInfProc::~TInfProc() {
    if (InfProc == this) InfProc = nullptr;
}

namespace reports {
void rptLisProc() {
    Presenta(InfProc, &TInfProc::QuickRep1, [](TInfProc*) {});
}
}  // namespace reports
