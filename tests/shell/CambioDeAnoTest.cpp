// A desk left running over New Year: the main window started at 31/12 23:59 and the program's
// clock then past midnight. The window, a new case file and an invoice take the new year as a
// desk started that day would; a year the person chose by hand stays as chosen.
#include "PrincipioFixture.h"
#include "records/UConsulta.h"
#include "records/UFactura.h"
#include "records/UNuevo.h"

using namespace shelltest;

namespace {

const QDateTime UltimoMinuto(QDate(2030, 12, 31), QTime(23, 59, 50));
const QDateTime TrasLasDoce(QDate(2031, 1, 1), QTime(0, 0, 20));

class CambioDeAnoTest : public PrincipioTest {
protected:
    void SetUp() override {
        // Before the data open: the start makes the counters row of the clock's year.
        platform::rtl::SetClockTo(UltimoMinuto);
        PrincipioTest::SetUp();
        if (HasFatalFailure()) return;
        Genera(1, 12);
        Dat->TPriv->Append();
        Dat->TPriv->FieldByName(QStringLiteral("Usuario"))->SetAsString(QStringLiteral("ANA"));
        Dat->TPriv->FieldByName(QStringLiteral("Contrasenia"))->SetAsString(QStringLiteral("X"));
        for (const char* d : {"Privacidad", "Expedientes", "Consulta", "Agenda", "Modelos", "Listados", "Fusion", "Economico",
                              "General"})
            Dat->TPriv->FieldByName(QString::fromLatin1(d))->SetAsBoolean(true);
        Dat->TPriv->FieldByName(QStringLiteral("Abogado"))->SetAsInteger(-1);
        Dat->TPriv->Post();
        // The year's series has reached invoice 4; the year before, 7.
        Sql(QStringLiteral("UPDATE tabcon SET NUMFACTU = 4 WHERE ANO = 2030"));
        Sql(QStringLiteral("UPDATE tabcon SET NUMFACTU = 7 WHERE ANO = 2029"));
        Sql(QStringLiteral("UPDATE consultas SET IMPORTE = 100, SITUACION = 1, FACTURA = 0"));
        Dat->RefrescaTablas();
        Muestra();
    }
    void TearDown() override {
        PrincipioTest::TearDown();
        platform::rtl::SetClockOffset(0);
    }
    void Sql(const QString& sql) {
        zbtest::TGenerador g(dir.path());
        g.Exec(sql);
    }
    Variant Valor(const QString& sql) {
        TQuery q(nullptr);
        q.SetDatabaseName(QStringLiteral("ZEMBRA"));
        q.SQL()->SetText(sql);
        q.Open();
        return q.IsEmpty() ? Variant() : q.Fields()->Fields(0)->Value();
    }
    QString Contador(int ano, const char* campo) {
        return Valor(QStringLiteral("SELECT %1 FROM tabcon WHERE ANO = %2").arg(QString::fromLatin1(campo)).arg(ano)).AsString();
    }
    void EligeAno(const QString& ano) {
        form->AnoActual->SetItemIndex(form->AnoActual->Items()->IndexOf(ano));
        form->AnoActualChange(form->AnoActual);
    }
    // New counters rows fail inside the engine, as with the server away, or do again.
    void AltaDeAnoFalla(bool falla) {
        const bool servidor = !platform::db::DataServer(dir.path()).isEmpty();
        if (!falla) Sql(servidor ? QStringLiteral("DROP TRIGGER no_tabcon ON tabcon") : QStringLiteral("DROP TRIGGER no_tabcon"));
        else if (!servidor)
            Sql(QStringLiteral("CREATE TRIGGER no_tabcon BEFORE INSERT ON tabcon BEGIN SELECT RAISE(ABORT, 'fuera'); END"));
        else {
            Sql(QStringLiteral("CREATE OR REPLACE FUNCTION no_tabcon() RETURNS trigger LANGUAGE plpgsql AS "
                               "'BEGIN RAISE EXCEPTION ''fuera''; END'"));
            Sql(QStringLiteral("CREATE TRIGGER no_tabcon BEFORE INSERT ON tabcon FOR EACH ROW EXECUTE FUNCTION no_tabcon()"));
        }
    }
    int FilasDe(int ano) { return Valor(QStringLiteral("SELECT COUNT(*) FROM tabcon WHERE ANO = %1").arg(ano)).AsInteger(); }
    QString FechaEnLaBarra() { return form->LineaEstado->Panels()->Items(5)->Text(); }
    // "Nuevo" on the case files' page: the year and number the dialog proposes; with `numero` the
    // case file is made under it (its form then closed), otherwise the dialog is cancelled.
    QString NuevoExpediente(const QString& numero = QString()) {
        QString propuesta;
        harness->AnswerModal([&](TCustomForm& f) {
            auto& d = static_cast<TNuevoExp&>(f);
            propuesta = d.AnoActual->Text() + QLatin1Char('/') + d.Expediente->Text();
            if (numero.isEmpty()) return d.BtNoClick(&d);
            d.Expediente->SetText(numero);
            d.BtOkClick(&d);
        });
        if (!numero.isEmpty()) harness->AnswerModal(mrCancel);
        form->Nuevo1Click(form.get());
        return propuesta;
    }
    // A consultation of `ano` opened from its page and invoiced with the number proposed; the
    // number proposed and the date it was given.
    QString FacturaConsulta(const QString& ano, QString* fecha = nullptr, const std::function<void()>& enElFormulario = {}) {
        form->Paginas->SetActivePage(form->pgConsultas);
        form->PaginasChange(form->Paginas);
        EXPECT_TRUE(form->TConsul->Locate(QStringLiteral("ANO"), Variant(ano), 0));
        QString propuesta;
        harness->AnswerModal([&](TCustomForm& f) {
            if (enElFormulario) enElFormulario();
            harness->AnswerMessage(mrYes);
            harness->AnswerModal([&](TCustomForm& g) {
                auto& d = static_cast<TFacturar&>(g);
                propuesta = d.Numero->Text();
                if (fecha) *fecha = d.Fecha->Text();
                d.btOk->Click();
            });
            static_cast<TConsulta&>(f).btFacturar->Click();
        });
        form->Abrir3Click(form.get());
        return propuesta;
    }
};

TEST_F(CambioDeAnoTest, PastMidnightTheWindowMovesToTheNewYearAsAStartWould) {
    ASSERT_EQ(AnoSeleccionado, QStringLiteral("2030"));
    ASSERT_EQ(form->AnoActual->Text(), QStringLiteral("2030"));
    ASSERT_EQ(FechaEnLaBarra(), QStringLiteral("31/12/2030"));
    ASSERT_FALSE(form->TExped->IsEmpty());
    form->Timer2Timer(form->Timer2);
    EXPECT_EQ(form->AnoActual->Text(), QStringLiteral("2030")) << "still the old year";

    platform::rtl::SetClockTo(TrasLasDoce);
    form->Timer2Timer(form->Timer2);
    EXPECT_EQ(AnoSeleccionado, QStringLiteral("2031"));
    EXPECT_EQ(form->AnoActual->Text(), QStringLiteral("2031"));
    EXPECT_EQ(FechaEnLaBarra(), QStringLiteral("01/01/2031"));
    // The new year's counters row, empty, as the first start of a year makes it.
    EXPECT_EQ(Valor(QStringLiteral("SELECT COUNT(*) FROM tabcon WHERE ANO = 2031 AND NUMFACTU = 0")).AsInteger(), 1);
    EXPECT_EQ(Dat->TTabcon->FieldByName(QStringLiteral("ANO"))->AsInteger(), 2031);
    // The list shows the year shown: none of last year's case files.
    EXPECT_TRUE(form->TExped->IsEmpty());
    // Last year's series is left as it was.
    EXPECT_EQ(Contador(2030, "NUMFACTU"), QStringLiteral("4"));
}

TEST_F(CambioDeAnoTest, ANewCaseFileAfterMidnightTakesTheNewYearBeforeTheClockTicks) {
    const QString contadorViejo = Contador(2030, "CONTEXP");
    ASSERT_FALSE(contadorViejo.isEmpty());
    ASSERT_EQ(NuevoExpediente(), QStringLiteral("2030/") + contadorViejo);

    platform::rtl::SetClockTo(TrasLasDoce);
    const QString propuesta = NuevoExpediente(QStringLiteral("00001-A"));
    EXPECT_TRUE(propuesta.startsWith(QStringLiteral("2031/"))) << propuesta.toStdString();
    EXPECT_FALSE(propuesta.endsWith(contadorViejo)) << propuesta.toStdString();
    EXPECT_EQ(Valor(QStringLiteral("SELECT COUNT(*) FROM exped WHERE ANO = '2031' AND NUMERO = '00001-A'")).AsInteger(), 1);
    EXPECT_EQ(Contador(2031, "CONTEXP"), QStringLiteral("00001-A"));
    EXPECT_EQ(Contador(2030, "CONTEXP"), contadorViejo);
    EXPECT_EQ(form->AnoActual->Text(), QStringLiteral("2031"));
}

TEST_F(CambioDeAnoTest, AnInvoiceAfterMidnightIsTheFirstOfTheNewYearsSeries) {
    platform::rtl::SetClockTo(TrasLasDoce);
    QString fecha;
    // Invoiced from the consultation form of a case of last year. The clock's tick moves nothing
    // under the form: the lists would move the data module's cursors the form works on.
    const auto tictac = [&] {
        form->Timer2Timer(form->Timer2);
        EXPECT_EQ(AnoSeleccionado, QStringLiteral("2030"));
        EXPECT_EQ(form->AnoActual->Text(), QStringLiteral("2030"));
    };
    EXPECT_EQ(FacturaConsulta(QStringLiteral("2030"), &fecha, tictac), QStringLiteral("1"));
    EXPECT_EQ(fecha, QStringLiteral("01/01/2031"));
    EXPECT_EQ(Valor(QStringLiteral("SELECT COUNT(*) FROM consultas WHERE FACTURA = 1")).AsInteger(), 1);
    EXPECT_EQ(Contador(2031, "NUMFACTU"), QStringLiteral("1"));
    EXPECT_EQ(Contador(2030, "NUMFACTU"), QStringLiteral("4"));
    // The window caught up once the form closed.
    EXPECT_EQ(form->AnoActual->Text(), QStringLiteral("2031"));
}

TEST_F(CambioDeAnoTest, ANewYearsRowThatCouldNotBeWrittenIsWrittenBeforeTheNextNumberNotOnEveryTick) {
    AltaDeAnoFalla(true);
    platform::rtl::SetClockTo(TrasLasDoce);
    form->Timer2Timer(form->Timer2);
    EXPECT_EQ(AnoSeleccionado, QStringLiteral("2031"));
    EXPECT_EQ(FilasDe(2031), 0);
    EXPECT_EQ(form->AnoActual->ItemIndex(), -1);
    AltaDeAnoFalla(false);
    // The clock's tick does not wait on the server each second for it.
    form->Timer2Timer(form->Timer2);
    EXPECT_EQ(FilasDe(2031), 0);
    EXPECT_TRUE(NuevoExpediente().startsWith(QStringLiteral("2031/")));
    EXPECT_EQ(FilasDe(2031), 1);
    EXPECT_EQ(form->AnoActual->Text(), QStringLiteral("2031"));
    EXPECT_TRUE(Texts().isEmpty()) << Texts().join(QStringLiteral("; ")).toStdString();
}

TEST_F(CambioDeAnoTest, AYearChosenByHandStaysAfterMidnight) {
    EligeAno(QStringLiteral("2029"));
    ASSERT_EQ(AnoSeleccionado, QStringLiteral("2029"));
    platform::rtl::SetClockTo(TrasLasDoce);
    form->Timer2Timer(form->Timer2);
    EXPECT_EQ(AnoSeleccionado, QStringLiteral("2029"));
    EXPECT_EQ(form->AnoActual->Text(), QStringLiteral("2029"));
    EXPECT_TRUE(NuevoExpediente().startsWith(QStringLiteral("2029/")));
    EXPECT_EQ(FacturaConsulta(QStringLiteral("2029")), QStringLiteral("8"));
    EXPECT_EQ(Contador(2029, "NUMFACTU"), QStringLiteral("8"));
    EXPECT_EQ(AnoSeleccionado, QStringLiteral("2029"));
}

}  // namespace
