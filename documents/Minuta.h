#pragma once
// The fee note ("minuta") of an invoice just stored: the office's fee-note model of the case file
// or the consultation merged as any other document, its invoice block filled from the stored
// amounts.

namespace documents {
// For the case file (false) or the consultation (true) current in the data module.
void GeneraMinuta(bool consulta);
}  // namespace documents
