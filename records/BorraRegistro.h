#pragma once
// Deleting a case file or a consultation: every row that is part of it, in one transaction, so
// that a failure leaves the record whole and a success leaves nothing of it behind.
#include <QString>

namespace records {

// Deletes the case file where Dat->TExped stands: its clients and opposing parties (EXPCLI,
// EXPCON), and, when `apuntes`, its ledger and its agenda entries of types E and X. The case
// files linked to it before and after it no longer point at it. Throws when any step fails, with
// everything as it was; the data module's cursors over those tables show the outcome either way.
void BorraExpediente(bool apuntes);
// Deletes the consultation where Dat->TConsultas stands and, when `apuntes`, its agenda entries
// of types C and Y. Throws as BorraExpediente.
void BorraConsulta(bool apuntes);

}  // namespace records
