#include "comun/Alcance.h"

#include "comun/UData.h"

namespace comun {

int AbogadoUsuario() {
    if (!Dat || !Dat->TPriv->Active() || Dat->TPriv->IsEmpty()) return TodosLosAbogados;
    return Dat->TPriv->FieldByName(QStringLiteral("Abogado"))->AsInteger();
}

bool Alcanza(int abogadoUsuario, int abocli) {
    if (abogadoUsuario == TodosLosAbogados) return true;
    return abogadoUsuario > NingunAbogado && abocli == abogadoUsuario;
}

bool Alcanza(int abocli) { return Alcanza(AbogadoUsuario(), abocli); }

QString CondicionAlcance(int abogadoUsuario, const QString& columna) {
    if (abogadoUsuario == TodosLosAbogados) return QString();
    // Nobody's, and any other value that is no lawyer's code: no row at all.
    if (abogadoUsuario <= NingunAbogado) return QStringLiteral("0 = 1");
    return QStringLiteral("%1 = %2").arg(columna).arg(abogadoUsuario);
}

QString CondicionAlcance(const QString& columna) { return CondicionAlcance(AbogadoUsuario(), columna); }

QString YAlcance(const QString& columna) {
    const QString c = CondicionAlcance(columna);
    return c.isEmpty() ? QString() : QStringLiteral(" AND ") + c + QLatin1Char(' ');
}

}  // namespace comun
