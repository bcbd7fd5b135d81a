// Deleting a case file: nothing of it is left in any table, and its place in a chain of linked
// case files is cleared, so no button leads to a case file that is gone. (The consultation's
// delete is walked through the main window's command.)
#include "CasoFixture.h"
#include "records/BorraRegistro.h"
#include "records/UExpediente.h"

namespace {

class BorraRegistroTest : public casotest::CasoTest {
protected:
    void TearDown() override {
        delete form;
        CasoTest::TearDown();
    }
    // Every row of the case file or consultation `numero` of 2001 in `tabla` (and `donde`).
    int Filas(const char* tabla, const QString& numero, const QString& donde = QString()) {
        return Cuenta(QStringLiteral("%1 WHERE ANO = '2001' AND NUMERO = '%2'%3").arg(QString::fromLatin1(tabla), numero, donde));
    }
    void Enlaza(const QString& anterior, const QString& siguiente) {
        ASSERT_TRUE(GoCase(QStringLiteral("2001"), anterior));
        CaseField("ANOSIGUIENTE", Variant(QStringLiteral("2001")));
        CaseField("NUMSIGUIENTE", Variant(siguiente));
        ASSERT_TRUE(GoCase(QStringLiteral("2001"), siguiente));
        CaseField("ANOANTERIOR", Variant(QStringLiteral("2001")));
        CaseField("NUMANTERIOR", Variant(anterior));
    }
    // Links of any case file to one that does not exist.
    int EnlacesMuertos() {
        int n = 0;
        for (const char* lado : {"ANTERIOR", "SIGUIENTE"})
            n += Cuenta(QStringLiteral("EXPED E WHERE COALESCE(E.NUM%1, '') <> '' AND NOT EXISTS "
                                       "(SELECT 1 FROM EXPED X WHERE X.ANO = E.ANO%1 AND X.NUMERO = E.NUM%1)")
                            .arg(QString::fromLatin1(lado)));
        return n;
    }
    // An agenda row of type `tipo` for the record `numero` of 2001.
    void Apunte(const QString& numero, const char* tipo, const QString& texto) {
        Note(QStringLiteral("2001"), numero, texto);
        Dat->TAgen->Edit();
        Dat->TAgen->FieldByName(QStringLiteral("TIPO"))->SetAsString(QString::fromLatin1(tipo));
        Dat->TAgen->Post();
    }
    TExpediente* form = nullptr;
};

TEST_F(BorraRegistroTest, TheMiddleOfAChainOfThreeLeavesNoRowAndNoLinkBehind) {
    const int cliente = AddClient(QStringLiteral("GARCIA"), QStringLiteral("ANA"));
    const QString a = QStringLiteral("00021-A"), b = QStringLiteral("00022-A"), c = QStringLiteral("00023-A");
    for (const QString& n : {a, b, c}) {
        AddCase(QStringLiteral("2001"), n, cliente);
        ASSERT_TRUE(GoCase(QStringLiteral("2001"), n));
        CaseField("ABOCLI", Variant(Abogado));
        CaseField("SITUACION", Variant(1));
        Link("EXPCLI", QStringLiteral("2001"), n, "CLIENTE", cliente);
        Link("EXPCON", QStringLiteral("2001"), n, "CONTRARIO", 7);
        Ledger(QStringLiteral("2001"), n, 2, 100, QStringLiteral("Honorarios"));
        Note(QStringLiteral("2001"), n, QStringLiteral("APERTURA DE EXPEDIENTE"));
    }
    Enlaza(a, b);
    Enlaza(b, c);
    // A consultation with the same number keeps its agenda.
    Apunte(b, "C", QStringLiteral("CONSULTA"));

    ASSERT_TRUE(GoCase(QStringLiteral("2001"), b));
    records::BorraExpediente(true);

    for (const char* tabla : {"EXPED", "EXPCLI", "EXPCON", "CUENTAS"}) EXPECT_EQ(Filas(tabla, b), 0) << tabla;
    EXPECT_EQ(Filas("AGENDA", b, QStringLiteral(" AND TIPO IN ('E', 'X')")), 0);
    EXPECT_EQ(Filas("AGENDA", b, QStringLiteral(" AND TIPO = 'C'")), 1);
    EXPECT_EQ(EnlacesMuertos(), 0);
    for (const QString& n : {a, c}) {
        for (const char* tabla : {"EXPED", "EXPCLI", "EXPCON", "CUENTAS", "AGENDA"}) EXPECT_EQ(Filas(tabla, n), 1) << tabla;
    }
    // The ends keep their other side: A has no predecessor, C no successor, and neither points on.
    EXPECT_EQ(Cuenta(QStringLiteral("EXPED WHERE COALESCE(NUMSIGUIENTE, '') <> '' OR COALESCE(NUMANTERIOR, '') <> ''")), 0);
    EXPECT_FALSE(Dat->Db->InTransaction());

    // The case files at the two ends, as the form shows them from the data module's cursor.
    for (const QString& n : {a, c}) {
        ASSERT_TRUE(GoCase(QStringLiteral("2001"), n));
        delete form;
        form = new TExpediente(nullptr);
        form->Show();
        form->FormShow(form);
        EXPECT_FALSE(form->btSiguiente->Visible()) << n.toStdString();
        EXPECT_FALSE(form->btAnterior->Visible()) << n.toStdString();
        EXPECT_FALSE(form->ExpSiguiente->Visible()) << n.toStdString();
    }
}

// A chain whose end is deleted: only the link to it goes; the rest of the chain holds.
TEST_F(BorraRegistroTest, TheEndOfAChainTakesOnlyItsOwnLink) {
    const QString a = QStringLiteral("00031-A"), b = QStringLiteral("00032-A"), c = QStringLiteral("00033-A");
    for (const QString& n : {a, b, c}) AddCase(QStringLiteral("2001"), n);
    Enlaza(a, b);
    Enlaza(b, c);
    ASSERT_TRUE(GoCase(QStringLiteral("2001"), c));
    records::BorraExpediente(false);
    EXPECT_EQ(Filas("EXPED", c), 0);
    EXPECT_EQ(EnlacesMuertos(), 0);
    EXPECT_EQ(Valor(QStringLiteral("SELECT NUMSIGUIENTE FROM EXPED WHERE NUMERO = '%1'").arg(a)).AsString(), b);
    EXPECT_EQ(Valor(QStringLiteral("SELECT NUMANTERIOR FROM EXPED WHERE NUMERO = '%1'").arg(b)).AsString(), a);
    EXPECT_EQ(Valor(QStringLiteral("SELECT COALESCE(NUMSIGUIENTE, '') FROM EXPED WHERE NUMERO = '%1'").arg(b)).AsString(), QString());
}

}  // namespace
