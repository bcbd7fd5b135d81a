#pragma once
// Amounts in words for fee notes: Spanish capitals without accents, feminine units
// (pesetas, euros) and masculine millions.
#include <QString>

// Every word is followed by one blank, the last one too ("CIENTO UNA ").
// Amounts beyond nine digits (either sign) raise ERangeError: they cannot be said
// with these words, and reading only their first digits would name another number.
QString NumeroEnLetra(int amount);
