// Commands of the record forms on a link to the server that freezes under them (a relay that stops
// passing bytes at a chosen statement): the desk is told in the command's own box why, within one
// answer wait and one connection wait (nothing is read again on the dead link on the way out), and
// nothing of the change is stored.
#include "CasoFixture.h"
#include "records/BorraRegistro.h"
#include "records/UConsulta.h"
#include "records/UExpediente.h"
#include "records/UFactura.h"
#include "tests/support/Relay.h"

#include <QElapsedTimer>

namespace {

using platform::forms::TFormHarness;
const QString Ano = QStringLiteral("2001");
const QString Caso = QStringLiteral("00012-A");
constexpr int kConnect = 3, kAnswer = 1;
// One answer wait, then the server asked on a connection of its own that cannot be made; a second
// connection wait on the way out passes the bound.
constexpr qint64 kCota = (kAnswer + kConnect) * 1000 + 1500;

class EnlaceCongeladoTest : public casotest::CasoTest {
protected:
    void SetUp() override {
        const QString server = platform::db::DataServer(dir.path());
        if (server.isEmpty()) GTEST_SKIP() << "runs on the test server";
        qputenv("ZEMBRA_ESPERA_CONEXION", QByteArray::number(kConnect));
        qputenv("ZEMBRA_ESPERA_RESPUESTA", QByteArray::number(kAnswer));
        int port = 0;
        testsupport::ThroughPort(server, 0, &port);
        relay = std::make_unique<testsupport::TRelay>(port);
        // The test cluster's string sets its own connection wait: ours applies without it.
        platform::db::SetDataServer(dir.path(), testsupport::ThroughPort(server, relay->Port(), nullptr, "connect_timeout"));
        CasoTest::SetUp();
        titulo = Application->Title();
        Application->SetTitle(QStringLiteral("Zembra 4.0"));
    }
    void TearDown() override {
        if (!relay) return;  // skipped before anything was set up
        relay->Pass();
        delete expediente;
        delete consulta;
        CasoTest::TearDown();
        Application->SetTitle(titulo);
        platform::db::SetDataServer(dir.path(), QString());
        for (const char* n : {"ZEMBRA_ESPERA_CONEXION", "ZEMBRA_ESPERA_RESPUESTA"}) qunsetenv(n);
    }
    void AbreExpediente() {
        AddCase(Ano, Caso);
        CaseField("MONEDA", Variant(QStringLiteral("E")));
        CaseField("SITUACION", Variant(1));
        CaseField("ABOCLI", Variant(Abogado));
        Ledger(Ano, Caso, 2, 100, QStringLiteral("Honorarios"));
        ASSERT_TRUE(GoCase(Ano, Caso));
        expediente = new TExpediente(nullptr);
        expediente->Show();
        expediente->FormShow(expediente);
    }
    // Clicks `boton` as a person does (what escapes goes to the program's exception box) and says
    // yes to its question; the relay freezes when the desk sends `congela`. The time it took, in ms.
    qint64 Pulsa(TSpeedItem* boton, const QByteArray& congela) {
        harness->AnswerMessage(mrYes);
        relay->FreezeAt(congela);
        QElapsedTimer t;
        t.start();
        TFormHarness::Click(boton->Button());
        const qint64 ms = t.elapsed();
        relay->Pass();
        if (!congela.isEmpty()) std::printf("link frozen at %s: ended after %lld ms\n", congela.constData(), static_cast<long long>(ms));
        return ms;
    }
    // The invoicing with the number `numero`.
    qint64 Factura(TSpeedItem* boton, const char* numero, const QByteArray& congela) {
        harness->ClearRecords();
        harness->AnswerModal([numero](TCustomForm& f) {
            auto& d = static_cast<TFacturar&>(f);
            d.Numero->SetText(QString::fromLatin1(numero));
            d.Fecha->SetText(QStringLiteral("20/06/2001"));
            d.btOk->Click();
        });
        return Pulsa(boton, congela);
    }
    // After the question, the command's words (`palabras`) in the program's error box, last; the
    // lost server's reason there or in the data module's box just before it; nothing in the raw
    // exception box, no transaction left.
    void Told(const QString& palabras) {
        const auto& m = harness->Messages();
        ASSERT_GE(m.size(), 2u);
        EXPECT_LE(m.size(), 3u) << Texts().join(QStringLiteral("; ")).toStdString();
        EXPECT_EQ(m.back().Caption, QString::fromUtf8("¡¡ ERROR !!"));
        EXPECT_TRUE(m.back().Text.startsWith(palabras)) << m.back().Text.toStdString();
        const QString motivo = m.back().Text + m[m.size() - 2].Text;
        EXPECT_TRUE(motivo.contains(QString::fromUtf8("Se ha perdido la conexión con el servidor de datos"))) << motivo.toStdString();
        EXPECT_TRUE(harness->Exceptions().empty()) << harness->Exceptions().front().Message.toStdString();
        EXPECT_FALSE(Dat->Db->InTransaction());
    }
    double Campo(const char* tabla, const char* campo, const QString& numero) {
        return Valor(QStringLiteral("SELECT %1 FROM %2 WHERE ANO = '2001' AND NUMERO = '%3'")
                         .arg(QString::fromLatin1(campo), QString::fromLatin1(tabla), numero))
            .AsFloat();
    }

    std::unique_ptr<testsupport::TRelay> relay;
    TExpediente* expediente = nullptr;
    TConsulta* consulta = nullptr;
    QString titulo;
};

}  // namespace

TEST_F(EnlaceCongeladoTest, ACaseFileInvoiceOnALinkThatFreezesIsToldInItsWordsAndNothingIsStored) {
    AbreExpediente();
    // Inside the transaction, at the raise of the year's counter.
    EXPECT_LT(Factura(expediente->btFacturar, "20", "SET NUMFACTU"), kCota);
    Told(QStringLiteral("ERROR al facturar"));
    // While the ledger's sums are read, before anything is written.
    EXPECT_LT(Factura(expediente->btFacturar, "20", "SUM(IMPORTE)"), kCota);
    Told(QStringLiteral("ERROR al facturar"));
    // At the case file's own write, told first by the data module's handler; cancelling the edit
    // runs nothing again of what follows the case file (its balance) on the dead link.
    EXPECT_LT(Factura(expediente->btFacturar, "20", "UPDATE \"exped\""), kCota);
    Told(QStringLiteral("ERROR al facturar"));

    EXPECT_EQ(Campo("EXPED", "SITUACION", Caso), 1);
    EXPECT_EQ(Campo("EXPED", "FACTURA", Caso), 0);
    EXPECT_EQ(Contador(2001, "NUMFACTU"), QStringLiteral("7"));
    EXPECT_EQ(Cuenta(QStringLiteral("AGENDA")), 0);
    EXPECT_EQ(Dat->TExped->State(), dsBrowse);
    EXPECT_EQ(Dat->TAgen->State(), dsBrowse);
    // With the link back, the same invoicing goes through.
    harness->ClearRecords();
    Factura(expediente->btFacturar, "20", QByteArray());
    EXPECT_EQ(Campo("EXPED", "FACTURA", Caso), 20);
    EXPECT_EQ(Agenda(Ano, Caso).size(), 1);
}

TEST_F(EnlaceCongeladoTest, AConsultationInvoiceOnALinkThatFreezesIsToldInItsWordsAndNothingIsStored) {
    TTable* c = Dat->TConsultas;
    c->Append();
    c->FieldByName(QStringLiteral("ANO"))->SetAsString(Ano);
    c->FieldByName(QStringLiteral("NUMERO"))->SetAsString(QStringLiteral("00004-A"));
    c->FieldByName(QStringLiteral("ABOCLI"))->SetAsInteger(Abogado);
    c->FieldByName(QStringLiteral("NOMCLIENTE"))->SetAsString(QStringLiteral("SANZ,EVA"));
    c->FieldByName(QStringLiteral("SITUACION"))->SetAsInteger(1);
    c->FieldByName(QStringLiteral("MONEDA"))->SetAsString(QStringLiteral("E"));
    c->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(50);
    c->Post();
    consulta = new TConsulta(nullptr);
    consulta->activaEdicion(true);
    consulta->Show();
    consulta->FormShow(consulta);

    EXPECT_LT(Factura(consulta->btFacturar, "21", "SET NUMFACTU"), kCota);
    Told(QStringLiteral("ERROR al facturar"));
    EXPECT_EQ(Campo("CONSULTAS", "SITUACION", QStringLiteral("00004-A")), 1);
    EXPECT_EQ(Campo("CONSULTAS", "FACTURA", QStringLiteral("00004-A")), 0);
    EXPECT_EQ(Contador(2001, "NUMFACTU"), QStringLiteral("7"));
    EXPECT_EQ(Cuenta(QStringLiteral("AGENDA")), 0);
    EXPECT_EQ(Dat->TConsultas->State(), dsBrowse);
}

// Closing and deleting a case file end the same way: told once the link is given up, nothing read
// again on the dead link, nothing stored.
TEST_F(EnlaceCongeladoTest, ClosingOrDeletingACaseFileOnALinkThatFreezesIsToldAtOnceAndStoresNothing) {
    AbreExpediente();
    harness->ClearRecords();
    EXPECT_LT(Pulsa(expediente->btCerrar, "UPDATE \"exped\""), kCota);
    Told(QStringLiteral("ERROR al cerrar"));
    EXPECT_EQ(Campo("EXPED", "SITUACION", Caso), 1);
    EXPECT_EQ(Cuenta(QStringLiteral("AGENDA")), 0);

    relay->FreezeAt("DELETE FROM");
    QElapsedTimer t;
    t.start();
    QString motivo;
    try {
        records::BorraExpediente(true);
    } catch (const Exception& e) {
        motivo = e.Message();
    }
    const qint64 ms = t.elapsed();
    relay->Pass();
    EXPECT_LT(ms, kCota);
    EXPECT_TRUE(motivo.contains(QString::fromUtf8("Se ha perdido la conexión con el servidor de datos"))) << motivo.toStdString();
    EXPECT_EQ(Cuenta(QStringLiteral("EXPED")), 1);
    EXPECT_EQ(Cuenta(QStringLiteral("CUENTAS")), 1);
}
