#pragma once
// Shared set-up of the database tests: a case-file table, a people table and a ledger.
#include "platform/db/DBTables.h"

#include <QString>

#include <functional>

namespace dbtest {
// Creates EXPED (ANO;NUMERO primary), CLIENTES (CLIENTE primary, index "nombre" on
// APELLIDOS;NOMBRE case-insensitive) and CUENTAS (ORDEN primary, index on ANO;NUMERO) in `folder`.
void CreateSchema(const QString& folder);
// A table on `folder` (the folder path serves as DatabaseName), not yet open.
TTable* NewTable(TComponent* owner, const QString& folder, const QString& name);
TQuery* NewQuery(TComponent* owner, const QString& folder, const QString& sql);
void AddCase(TTable* exped, const QString& ano, const QString& numero, double importe = 0);
// The engine's error code that `op` ends in (0 when it ends well), and its message.
int EngineCode(const std::function<void()>& op, QString* message = nullptr);
}  // namespace dbtest
