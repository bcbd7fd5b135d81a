// The main window's read-only view of a case file's ledger: only the entries of the case file
// of the grid row, nothing editable, and the ledger left whole afterwards.
#include "PrincipioFixture.h"
#include "records/UEconomico.h"

using namespace shelltest;

namespace {

class EconomicoPrincipalTest : public PrincipioTest {};

TEST_F(EconomicoPrincipalTest, LedgerOfTheGridRowOpensReadOnly) {
    Genera(1, 6);
    Usuario(-1);
    Dat->TPriv->Edit();
    Dat->TPriv->FieldByName(QStringLiteral("Economico"))->SetAsBoolean(true);
    Dat->TPriv->Post();
    Muestra();
    form->TExped->First();
    form->TExped->Next();
    const QString ano = form->TExped->FieldByName(QStringLiteral("ANO"))->AsString();
    const QString numero = form->TExped->FieldByName(QStringLiteral("NUMERO"))->AsString();
    TQuery q(nullptr);
    q.SetDatabaseName(Dat->Db->DatabaseName());
    int orden = 0;
    for (TDataSet* t = form->TExped; !t->Eof(); t->Next())
        for (int tipo : {2, 3}) {
            q.SQL()->SetText(QStringLiteral("INSERT INTO CUENTAS (ANO, NUMERO, ORDEN, TIPO, CONCEPTO, IMPORTE) VALUES ('%1', '%2', %3, %4, 'X', 10)")
                                 .arg(t->FieldByName(QStringLiteral("ANO"))->AsString(), t->FieldByName(QStringLiteral("NUMERO"))->AsString())
                                 .arg(++orden)
                                 .arg(tipo));
            q.ExecSQL();
        }
    form->TExped->First();
    form->TExped->Next();
    Dat->TCuentas->Refresh();
    q.SQL()->SetText(QStringLiteral("SELECT COUNT(*) FROM CUENTAS WHERE ANO = '%1' AND NUMERO = '%2'").arg(ano, numero));
    q.Open();
    const int suyas = q.Fields()->Fields(0)->AsInteger();
    q.Close();
    q.SQL()->SetText(QStringLiteral("SELECT COUNT(*) FROM CUENTAS"));
    q.Open();
    const int todas = q.Fields()->Fields(0)->AsInteger();
    ASSERT_GT(todas, suyas);

    QString caption;
    int filas = -1;
    bool anade = true, otras = false;
    harness->AnswerModal([&](TCustomForm& f) {
        auto& e = dynamic_cast<TEconomico&>(f);
        caption = e.Caption();
        anade = e.btAdd->Enabled() || e.btEdit->Enabled() || e.btDel->Enabled();
        filas = 0;
        for (Dat->TCuentas->First(); !Dat->TCuentas->Eof(); Dat->TCuentas->Next(), ++filas)
            if (Dat->TCuentas->FieldByName(QStringLiteral("NUMERO"))->AsString() != numero) otras = true;
    });
    form->Economico1->Click();
    platform::forms::TFormHarness::ProcessEvents();
    EXPECT_EQ(caption, QString::fromUtf8("Situación Económica de ") + ano + QLatin1Char('/') + numero);
    EXPECT_FALSE(anade);
    EXPECT_EQ(filas, suyas);
    EXPECT_FALSE(otras);
    // Closing the view lifts its range.
    EXPECT_EQ(Economico, nullptr);
    EXPECT_EQ(Dat->TCuentas->RecordCount(), todas);
}

}  // namespace
