// A brand-new office's first day, on the data folder the program has just made and whose settings
// nobody has touched: its first case file is in euros, a ledger entry typed with cents keeps
// them, and its first invoice carries today's VAT and withholding, to the cent.
#include "CasoFixture.h"
#include "records/UEconomico.h"
#include "records/UExpediente.h"
#include "records/UFactura.h"
#include "records/UIntroImp.h"
#include "records/UNuevo.h"

namespace {

using platform::forms::TFormHarness;

class DespachoNuevoTest : public casotest::CasoTest {};

TEST_F(DespachoNuevoTest, FirstCaseFileIsInEurosKeepsTheCentsTypedAndIsInvoicedAtTodaysRates) {
    Dat->TAboCli->Locate(QStringLiteral("ABOCLI"), Variant(Abogado), 0);
    auto* nuevo = new TNuevoExp(nullptr);
    nuevo->Prepara(TNuevoExp::CaptionExpediente);
    nuevo->FormShow(nuevo);
    nuevo->Expediente->SetText(QStringLiteral("00011-A"));
    nuevo->Fecha->SetText(QStringLiteral("05/02/2001"));
    nuevo->BtOkClick(nuevo);
    delete nuevo;
    ASSERT_TRUE(GoCase(QStringLiteral("2001"), QStringLiteral("00011-A")));
    EXPECT_EQ(Dat->TExped->FieldByName(QStringLiteral("MONEDA"))->AsString(), QStringLiteral("E"));

    // The amount typed key by key, comma and cents included.
    auto* eco = new TEconomico(nullptr);
    eco->ActivaNavegacion(true);
    eco->Show();
    eco->FormShow(eco);
    QString visto;
    harness->AnswerModal([&](TCustomForm& f) {
        auto& d = static_cast<TFIntroImp&>(f);
        d.Texto->SetText(QStringLiteral("Honorarios"));
        d.Tipo->SetItemIndex(1);
        TFormHarness::Focus(d.Importe);
        TFormHarness::Type(d.Importe, QStringLiteral("1000,50"));
        visto = d.Importe->Text();
        d.btSi->Click();
    });
    eco->btAdd->Click();
    delete eco;
    EXPECT_EQ(visto, QStringLiteral("1.000,50"));
    EXPECT_DOUBLE_EQ(Valor(QStringLiteral("SELECT IMPORTE FROM CUENTAS WHERE NUMERO = '00011-A'")).AsFloat(), 1000.50);

    // The dialog proposes the office's rates, kept as they come.
    auto* expediente = new TExpediente(nullptr);
    expediente->Show();
    expediente->FormShow(expediente);
    QString tasas;
    harness->AnswerMessage(mrYes);
    harness->AnswerModal([&](TCustomForm& f) {
        auto& d = static_cast<TFacturar&>(f);
        tasas = d.Iva->Text() + QLatin1Char('/') + d.Irpf->Text();
        d.Fecha->SetText(QStringLiteral("20/06/2001"));
        d.btOk->Click();
    });
    expediente->btFacturar->Click();
    delete expediente;
    EXPECT_EQ(tasas, QStringLiteral("21/15"));
    auto exp = [&](const char* campo) {
        return Valor(QStringLiteral("SELECT %1 FROM EXPED WHERE NUMERO = '00011-A'").arg(QString::fromLatin1(campo))).AsFloat();
    };
    // 21 % of 1.000,50 is 210,105 and 15 % is 150,075: each to the even cent.
    EXPECT_DOUBLE_EQ(exp("IMPIVA"), 210.10);
    EXPECT_DOUBLE_EQ(exp("IMPIRPF"), 150.08);
    EXPECT_DOUBLE_EQ(exp("TOTAL"), 1060.52);
    EXPECT_EQ(exp("FACTURA"), 8);
}

}  // namespace
