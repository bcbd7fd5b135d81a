#include "documents/NumeroEnLetra.h"

#include "platform/rtl/Exceptions.h"

#include <cstdlib>

namespace {

const char* const kUnits[10] = {"", "UNA ", "DOS ", "TRES ", "CUATRO ", "CINCO ", "SEIS ", "SIETE ", "OCHO ", "NUEVE "};
const char* const kTeens[6] = {"DIEZ ", "ONCE ", "DOCE ", "TRECE ", "CATORCE ", "QUINCE "};
const char* const kTens[10] = {"", "DIECI", "VEINTI", "TREINTA ", "CUARENTA ", "CINCUENTA ", "SESENTA ", "SETENTA ", "OCHENTA ", "NOVENTA "};
const char* const kHundreds[10] = {"", "CIENTO ", "DOS", "TRES", "CUATRO", "QUINIENT", "SEIS", "SETE", "OCHO", "NOVE"};

constexpr qint64 kLargest = 999999999;

}  // namespace

QString NumeroEnLetra(int amount) {
    const qint64 value = std::llabs(qint64(amount));
    if (value > kLargest)
        throw ERangeError(QStringLiteral("Importe demasiado grande para escribirlo en letra: %1").arg(amount));
    if (value == 0)
        return QStringLiteral("CERO ");

    // d[1..9]: millions, thousands and units groups of three digits each.
    const QString digits = QString::number(value).rightJustified(9, QLatin1Char('0'));
    int d[10] = {};
    for (int i = 1; i <= 9; ++i)
        d[i] = digits.at(i - 1).digitValue();
    auto groupIsZero = [&](int first) { return d[first] == 0 && d[first + 1] == 0 && d[first + 2] == 0; };

    QString r;
    for (int i = 1; i <= 9; ++i) {
        const int digit = d[i];
        switch (i % 3) {
        case 1:  // hundreds
            if (digit == 1) {
                r += (d[i + 1] != 0 || d[i + 2] != 0) ? QStringLiteral("CIENTO ") : QStringLiteral("CIEN ");
            } else if (digit >= 2) {
                r += QLatin1String(kHundreds[digit]);
                if (digit != 5)
                    r += QStringLiteral("CIENT");
                r += (i == 1) ? QStringLiteral("OS ") : QStringLiteral("AS ");
            }
            break;
        case 2: {  // tens
            const int u = d[i + 1];
            if (digit == 1 && u <= 5)
                r += QLatin1String(kTeens[u]);
            else if (digit == 2 && u == 0)
                r += QStringLiteral("VEINTE ");
            else if (digit >= 1)
                r += QLatin1String(kTens[digit]);
            break;
        }
        default: {  // units
            const int t = d[i - 1];
            if (digit == 0 || (t == 1 && digit <= 5))
                break;
            if (t >= 3)
                r += QStringLiteral("Y ");
            if (digit >= 2)
                r += QLatin1String(kUnits[digit]);
            else if (i == 3)
                r += QStringLiteral("UN ");
            else if (i == 6) {
                if (d[4] != 0 || d[5] != 0)
                    r += QStringLiteral("UNA ");
            } else
                r += QStringLiteral("UNA ");
            break;
        }
        }
        if (i == 3 && !groupIsZero(1))
            r += (d[1] == 0 && d[2] == 0 && d[3] == 1) ? QStringLiteral("MILLON ") : QStringLiteral("MILLONES ");
        if (i == 6 && !groupIsZero(4))
            r += QStringLiteral("MIL ");
    }
    if (amount < 0)
        r.prepend(QStringLiteral("MENOS "));
    return r;
}
