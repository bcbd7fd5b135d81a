#include "comun/Contrasenia.h"

#include "platform/rtl/Exceptions.h"

#include <sodium.h>

namespace comun {

namespace {
void IniciaSodium() {
    if (sodium_init() < 0) throw Exception(QStringLiteral("No se pudo iniciar la biblioteca de cifrado"));
}
}  // namespace

QString CifraContrasenia(const QString& texto) {
    IniciaSodium();
    const QByteArray claro = texto.toUtf8();
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, claro.constData(), quint64(claro.size()), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        throw Exception(QStringLiteral("No hay memoria para cifrar la contraseña"));
    return QString::fromLatin1(hash);
}

bool ContraseniaCifrada(const QString& guardada) { return guardada.startsWith(QLatin1String("$argon2")); }

bool ContraseniaCorrecta(const QString& guardada, const QString& tecleada) {
    if (!ContraseniaCifrada(guardada)) return false;
    IniciaSodium();
    const QByteArray hash = guardada.toLatin1();
    const QByteArray claro = tecleada.toUtf8();
    return crypto_pwhash_str_verify(hash.constData(), claro.constData(), quint64(claro.size())) == 0;
}

}  // namespace comun
