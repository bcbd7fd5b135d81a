#pragma once
// The stored form of passwords: a salted hash (Argon2id), never the text itself. The data module
// hashes on saving a user; the login form checks against it.
#include <QString>

namespace comun {
// The stored form of a password. Raises when it cannot be made.
QString CifraContrasenia(const QString& texto);
// Whether a stored value is such a hash (a typed password, upper case, never is).
bool ContraseniaCifrada(const QString& guardada);
// Whether the typed text is the password a stored hash was made from.
bool ContraseniaCorrecta(const QString& guardada, const QString& tecleada);
}  // namespace comun
