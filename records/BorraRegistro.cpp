#include "records/BorraRegistro.h"

#include "comun/UComunes.h"
#include "comun/UData.h"
#include "platform/db/DBTables.h"

#include <initializer_list>

namespace records {

namespace {

void Ejecuta(const QString& sql, const QString& ano, const QString& numero) {
    TQuery q(nullptr);
    q.SetDatabaseName(QStringLiteral("ZEMBRA"));
    q.SQL()->SetText(sql);
    q.ParamByName(QStringLiteral("ANO"))->SetAsString(ano);
    q.ParamByName(QStringLiteral("NUMERO"))->SetAsString(numero);
    q.ExecSQL();
}

// After the transaction, committed or rolled back: an edit left open is dropped and the cursors
// show what the tables now hold. Not read again without the server (`releer` false): each
// reading would wait on the dead link once more.
void Refresca(TDataSet* borrado, std::initializer_list<TDataSet*> otras, bool releer = true) {
    if (!releer) {
        comun::TSinReconexion sinReconexion;
        if (borrado->State() != dsBrowse) borrado->Cancel();
        return;
    }
    if (borrado->State() != dsBrowse) borrado->Cancel();
    if (borrado->Active()) borrado->Refresh();
    for (TDataSet* t : otras)
        if (t->Active()) t->Refresh();
}

}  // namespace

void BorraExpediente(bool apuntes) {
    TTable* e = Dat->TExped;
    const QString ano = e->FieldByName(QStringLiteral("ANO"))->AsString();
    const QString numero = e->FieldByName(QStringLiteral("NUMERO"))->AsString();
    try {
        Dat->EnTransaccion([&] {
            if (apuntes) {
                Ejecuta(QStringLiteral("DELETE FROM AGENDA WHERE ANO = :ANO AND NUMERO = :NUMERO AND TIPO IN ('E', 'X')"), ano, numero);
                Ejecuta(QStringLiteral("DELETE FROM CUENTAS WHERE ANO = :ANO AND NUMERO = :NUMERO"), ano, numero);
            }
            Ejecuta(QStringLiteral("DELETE FROM EXPCLI WHERE ANO = :ANO AND NUMERO = :NUMERO"), ano, numero);
            Ejecuta(QStringLiteral("DELETE FROM EXPCON WHERE ANO = :ANO AND NUMERO = :NUMERO"), ano, numero);
            // Its place in a chain of linked case files goes with it: a link left behind would
            // show a case file that no longer exists.
            Ejecuta(QStringLiteral("UPDATE EXPED SET ANOSIGUIENTE = NULL, NUMSIGUIENTE = NULL "
                                   "WHERE ANOSIGUIENTE = :ANO AND NUMSIGUIENTE = :NUMERO"),
                    ano, numero);
            Ejecuta(QStringLiteral("UPDATE EXPED SET ANOANTERIOR = NULL, NUMANTERIOR = NULL "
                                   "WHERE ANOANTERIOR = :ANO AND NUMANTERIOR = :NUMERO"),
                    ano, numero);
            e->Delete();
        });
    } catch (...) {
        Refresca(e, {Dat->TExpCli, Dat->TExpCon, Dat->TCuentas, Dat->TAgen}, !comun::FalloDeLaBase());
        throw;
    }
    Refresca(e, {Dat->TExpCli, Dat->TExpCon, Dat->TCuentas, Dat->TAgen});
}

void BorraConsulta(bool apuntes) {
    TTable* c = Dat->TConsultas;
    const QString ano = c->FieldByName(QStringLiteral("ANO"))->AsString();
    const QString numero = c->FieldByName(QStringLiteral("NUMERO"))->AsString();
    try {
        Dat->EnTransaccion([&] {
            if (apuntes)
                Ejecuta(QStringLiteral("DELETE FROM AGENDA WHERE ANO = :ANO AND NUMERO = :NUMERO AND TIPO IN ('C', 'Y')"), ano, numero);
            c->Delete();
        });
    } catch (...) {
        Refresca(c, {Dat->TAgen}, !comun::FalloDeLaBase());
        throw;
    }
    Refresca(c, {Dat->TAgen});
}

}  // namespace records
