#pragma once
// Whose case files and consultations the logged-in user may reach: the `Abogado` of the user's
// row of the users table, -1 every lawyer, 0 nobody, any other value one firm lawyer's ABOCLI.
// Written once: the browsers, their filters, the list reports and the pick lists over case files,
// consultations, invoices and provisions all take the condition below, and a test of one record
// gives the same answer.
#include <QString>

namespace comun {

constexpr int TodosLosAbogados = -1;
constexpr int NingunAbogado = 0;

// The `Abogado` of the current row of Dat->TPriv. An office with no user yet is its first user's,
// who reaches every lawyer (the main window makes "SUPERVISOR" so).
int AbogadoUsuario();

// Whether a user with `abogadoUsuario` may reach a record whose responsible lawyer is `abocli`.
bool Alcanza(int abogadoUsuario, int abocli);
bool Alcanza(int abocli);

// The same as an SQL condition on `columna` (ABOCLI of EXPED or CONSULTAS, with its table's alias
// when the query joins): empty when every row passes.
QString CondicionAlcance(int abogadoUsuario, const QString& columna = QStringLiteral("ABOCLI"));
QString CondicionAlcance(const QString& columna = QStringLiteral("ABOCLI"));
// " AND " and the condition of the logged-in user, to close a WHERE; empty when every row passes.
QString YAlcance(const QString& columna = QStringLiteral("ABOCLI"));

}  // namespace comun
