// Shared helpers: conversions, currency switching, identity letters, key filters, amounts,
// message boxes and the day lists of the month calendar.
#include "DatFixture.h"

#include "comun/Ganchos.h"
#include "platform/rtl/SysUtils.h"

using namespace shelltest;

namespace {
QString S(const char* s) { return QString::fromUtf8(s); }
Currency C(double v) { return Currency(v); }
const Currency Tasa = Currency::FromRaw(1663860);
}  // namespace

TEST(ConvierteMoneda, RoundsPesetasToUnitsAndEurosToCentsWithHalvesToEven) {
    EXPECT_EQ(comun::ConvierteMoneda(QLatin1Char('P'), C(1), Tasa), C(166));
    EXPECT_EQ(comun::ConvierteMoneda(QLatin1Char('E'), C(1000), Tasa), C(6.01));
    EXPECT_EQ(comun::ConvierteMoneda(QLatin1Char('P'), C(6.01), Tasa), C(1000));  // 999.98...
    EXPECT_EQ(comun::ConvierteMoneda(QLatin1Char('P'), C(-1), Tasa), C(-166));
    // Exact halves go to the even neighbour.
    EXPECT_EQ(comun::ConvierteMoneda(QLatin1Char('P'), C(0.5), C(1)), C(0));
    EXPECT_EQ(comun::ConvierteMoneda(QLatin1Char('P'), C(1.5), C(1)), C(2));
    EXPECT_EQ(comun::ConvierteMoneda(QLatin1Char('P'), C(2.5), C(1)), C(2));
    EXPECT_EQ(comun::ConvierteMoneda(QLatin1Char('E'), C(0.125), C(1)), C(0.12));
    EXPECT_EQ(comun::ConvierteMoneda(QLatin1Char('E'), C(0.135), C(1)), C(0.14));
    EXPECT_EQ(comun::ConvierteMoneda(QLatin1Char('E'), C(-0.125), C(1)), C(-0.12));
    // Any target other than "P" goes to euros; big amounts do not overflow.
    EXPECT_EQ(comun::ConvierteMoneda(QLatin1Char('X'), C(166386), Tasa), C(1000));
    EXPECT_EQ(comun::ConvierteMoneda(QLatin1Char('P'), C(500000000), Tasa), C(83193000000.0));
}

TEST(LetraNif, GivesTheCheckLetterOrABlank) {
    EXPECT_EQ(LetraNif(QStringLiteral("12345678")), QLatin1Char('Z'));
    EXPECT_EQ(LetraNif(QStringLiteral("0")), QLatin1Char('T'));
    EXPECT_EQ(LetraNif(QStringLiteral("22")), QLatin1Char('E'));
    EXPECT_EQ(LetraNif(QStringLiteral("23")), QLatin1Char('T'));
    EXPECT_EQ(LetraNif(QString()), QLatin1Char(' '));
    EXPECT_EQ(LetraNif(QStringLiteral("12A45678")), QLatin1Char(' '));
    EXPECT_EQ(LetraNif(QStringLiteral("-5")), QLatin1Char(' '));
    EXPECT_EQ(LetraNif(QStringLiteral("99999999999999")), QLatin1Char(' '));
}

TEST(PosicionEnesima, CountsInTheCopyWithEarlierOccurrencesRemoved) {
    EXPECT_EQ(PosicionEnesima(QStringLiteral("a"), QStringLiteral("banana"), 1), 2);
    EXPECT_EQ(PosicionEnesima(QStringLiteral("a"), QStringLiteral("banana"), 2), 3);
    EXPECT_EQ(PosicionEnesima(QStringLiteral("a"), QStringLiteral("banana"), 3), 4);
    EXPECT_EQ(PosicionEnesima(QStringLiteral("a"), QStringLiteral("banana"), 4), 0);
    EXPECT_EQ(PosicionEnesima(QStringLiteral("an"), QStringLiteral("banana"), 2), 2);
    EXPECT_EQ(PosicionEnesima(QStringLiteral("ñ"), QStringLiteral("año"), 1), 2);
    EXPECT_EQ(PosicionEnesima(QStringLiteral("x"), QStringLiteral("banana"), 0), 0);
}

TEST(Teclas, FiltersKeepOnlyWhatAnAmountMayHold) {
    EXPECT_EQ(TeclaNumerica(QLatin1Char('7')), QLatin1Char('7'));
    EXPECT_EQ(TeclaNumerica(QChar(8)), QChar(8));
    EXPECT_EQ(TeclaNumerica(QLatin1Char('a')), QChar(0));
    EXPECT_EQ(TeclaNumerica(QLatin1Char(',')), QChar(0));

    EXPECT_EQ(TeclaImporte(QLatin1Char(','), QStringLiteral("12"), 2), QLatin1Char(','));
    EXPECT_EQ(TeclaImporte(QLatin1Char(','), QStringLiteral("12,5"), 2), QChar(0));
    EXPECT_EQ(TeclaImporte(QLatin1Char(','), QStringLiteral("12"), 0), QChar(0));
    EXPECT_EQ(TeclaImporte(QLatin1Char('-'), QStringLiteral("12"), 0), QLatin1Char('-'));
    EXPECT_EQ(TeclaImporte(QLatin1Char('-'), QStringLiteral("-12"), 2), QChar(0));
    EXPECT_EQ(TeclaImporte(QLatin1Char('.'), QStringLiteral("12"), 2), QChar(0));
    EXPECT_EQ(TeclaImporte(QLatin1Char('9'), QStringLiteral("-1,2"), 2), QLatin1Char('9'));
    EXPECT_EQ(TeclaImporte(QChar(8), QStringLiteral("-1,2"), 0), QChar(8));
    // Ctrl+A, Ctrl+C and Ctrl+V reach the edit.
    for (const int control : {1, 3, 22}) {
        EXPECT_EQ(TeclaImporte(QChar(control), QStringLiteral("0,00"), 2), QChar(control));
        EXPECT_EQ(TeclaNumerica(QChar(control)), QChar(control));
    }
}

TEST(Importes, FormatsWithSpanishSeparatorsAndRemovesThousandsDots) {
    EXPECT_EQ(FormateaImporte(QStringLiteral("1234,5"), 2), QStringLiteral("1.234,50"));
    EXPECT_EQ(FormateaImporte(QStringLiteral("1234567"), 0), QStringLiteral("1.234.567"));
    EXPECT_EQ(FormateaImporte(QStringLiteral("-12,3"), 2), QStringLiteral("-12,30"));
    EXPECT_EQ(FormateaImporte(QString(), 2), QString());
    EXPECT_THROW(FormateaImporte(QStringLiteral("doce"), 2), EConvertError);
    EXPECT_EQ(QuitaPuntos(QStringLiteral("1.234.567,89")), QStringLiteral("1234567,89"));
    EXPECT_EQ(QuitaPuntos(FormateaImporte(QStringLiteral("1234567"), 0)), QStringLiteral("1234567"));
}

TEST(Entorno, TheTemporaryFolderAndNoDevelopmentEnvironment) {
    EXPECT_FALSE(CarpetaTemporal().isEmpty());
    EXPECT_TRUE(QFileInfo(CarpetaTemporal()).isDir());
    EXPECT_FALSE(HayEntornoDesarrollo());
}

TEST_F(DatTest, MessageBoxesAndTheStatusLine) {
    MensajeError(S("Año erróneo"));
    harness->AnswerMessage(mrNo);
    EXPECT_FALSE(MensajeConfirmacion(QStringLiteral("¿Seguro?")));
    harness->AnswerMessage(mrYes);
    EXPECT_TRUE(MensajeConfirmacion(QStringLiteral("¿Seguro?")));
    ASSERT_EQ(harness->Messages().size(), 3u);
    EXPECT_EQ(harness->Messages()[0].Caption, S("¡¡ ERROR !!"));
    EXPECT_EQ(harness->Messages()[0].Text, S("Año erróneo"));
    EXPECT_EQ(harness->Messages()[0].Buttons, std::vector<TMsgDlgBtn>{mbOK});
    EXPECT_EQ(harness->Messages()[1].Caption, S("¡¡ ATENCIÓN !!"));
    EXPECT_EQ(harness->Messages()[1].Buttons, (std::vector<TMsgDlgBtn>{mbYes, mbNo}));

    QStringList status;
    comun::LineaEstado = [&](const QString& t) { status << t; };
    MensajeEstado(QStringLiteral("Recontando .."));
    MensajeEstado(QString());
    comun::LineaEstado = nullptr;
    EXPECT_EQ(status, (QStringList{QStringLiteral("Recontando .."), QString()}));
}

// ---------------------------------------------------------------------------------------------- currency switch

namespace {
class MonedaTest : public DatTest {
protected:
    void SetUp() override {
        DatTest::SetUp();
        Dat->TExped->Append();
        Dat->TExped->FieldByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2024"));
        Dat->TExped->FieldByName(QStringLiteral("NUMERO"))->SetAsString(QStringLiteral("00007-A"));
        Dat->TExped->FieldByName(QStringLiteral("MONEDA"))->SetAsString(QStringLiteral("P"));
        Dat->TExped->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(1000);
        Dat->TExped->FieldByName(QStringLiteral("PRINCIPAL"))->SetAsFloat(2000);
        Dat->TExped->FieldByName(QStringLiteral("INTERESES"))->SetAsFloat(5);
        Dat->TExped->Post();
        for (double importe : {166386.0, -16638.6}) Entry(importe);
    }
    void Entry(double importe) {
        Dat->TCuentas->Append();
        Dat->TCuentas->FieldByName(QStringLiteral("FECHA"))->SetAsDateTime(EncodeDate(2024, 2, 2));
        Dat->TCuentas->FieldByName(QStringLiteral("CONCEPTO"))->SetAsString(QStringLiteral("Provisión"));
        Dat->TCuentas->FieldByName(QStringLiteral("TIPO"))->SetAsInteger(3);
        Dat->TCuentas->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(importe);
        Dat->TCuentas->Post();
    }
    double Importe(TDataSet* ds) { return ds->FieldByName(QStringLiteral("IMPORTE"))->AsFloat(); }
    std::vector<double> Ledger() {
        std::vector<double> r;
        Dat->TCuentas->Refresh();
        for (Dat->TCuentas->First(); !Dat->TCuentas->Eof(); Dat->TCuentas->Next()) r.push_back(Importe(Dat->TCuentas));
        return r;
    }
};
}  // namespace

TEST_F(MonedaTest, ACaseFileAndItsLedgerSwitchToEuros) {
    harness->AnswerMessage(mrYes);
    CambiaMonedaExpediente(QLatin1Char('E'));
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral("¿ Cambiar a EUROS ?"));
    Dat->TExped->Refresh();
    EXPECT_EQ(Dat->TExped->FieldByName(QStringLiteral("MONEDA"))->AsString(), QStringLiteral("E"));
    EXPECT_DOUBLE_EQ(Importe(Dat->TExped), 6.01);
    EXPECT_DOUBLE_EQ(Dat->TExped->FieldByName(QStringLiteral("PRINCIPAL"))->AsFloat(), 12.02);
    // The interest too: the case's total adds euros to euros.
    EXPECT_DOUBLE_EQ(Dat->TExped->FieldByName(QStringLiteral("INTERESES"))->AsFloat(), 0.03);
    EXPECT_DOUBLE_EQ(Dat->TExped->FieldByName(QStringLiteral("EXPTOTAL"))->AsFloat(), 6.01 + 12.02 + 0.03);
    EXPECT_EQ(Dat->TExped->FieldByName(QStringLiteral("EXPTOTAL"))->DisplayText(), QStringLiteral("18,06"));
    EXPECT_EQ(Ledger(), (std::vector<double>{1000, -100}));
    EXPECT_EQ(Dat->TCuentasIMPORTE->DisplayFormat(), QStringLiteral("#,##0.00"));
    EXPECT_EQ(Dat->TExpedPRINCIPAL->DisplayFormat(), QStringLiteral("#,##0.00"));
    EXPECT_EQ(Dat->QSaldoSALDO->DisplayFormat(), QStringLiteral("#,##0.00"));
    EXPECT_FALSE(Dat->TExped->ControlsDisabled());
    EXPECT_EQ(Sistem("CUENTAS"), 2);  // converting entries gives them no new numbers

    harness->AnswerMessage(mrYes);
    CambiaMonedaExpediente(QLatin1Char('P'));
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral("¿ Cambiar a PESETAS ?"));
    EXPECT_DOUBLE_EQ(Importe(Dat->TExped), 1000);
    EXPECT_EQ(Dat->TExpedIMPORTE->DisplayFormat(), QStringLiteral("#,##0"));
}

TEST_F(MonedaTest, AnsweringNoChangesNothing) {
    harness->AnswerMessage(mrNo);
    CambiaMonedaExpediente(QLatin1Char('E'));
    EXPECT_DOUBLE_EQ(Importe(Dat->TExped), 1000);
    EXPECT_EQ(Ledger(), (std::vector<double>{166386, -16638.6}));
}

TEST_F(MonedaTest, ASwitchThatFailsHalfwayStoresNothing) {
    Entry(0.004);  // becomes 0 euros, which a ledger entry refuses
    harness->AnswerMessage(mrYes);
    EXPECT_THROW(CambiaMonedaExpediente(QLatin1Char('E')), EAbort);
    EXPECT_EQ(harness->LastMessage().Text, S("IMPORTE no puede quedar vacío"));
    EXPECT_FALSE(Dat->Db->InTransaction());
    EXPECT_FALSE(Dat->TCuentas->ControlsDisabled());
    Dat->TExped->Refresh();
    EXPECT_EQ(Dat->TExped->FieldByName(QStringLiteral("MONEDA"))->AsString(), QStringLiteral("P"));
    EXPECT_DOUBLE_EQ(Importe(Dat->TExped), 1000);
    EXPECT_DOUBLE_EQ(Dat->TExped->FieldByName(QStringLiteral("INTERESES"))->AsFloat(), 5);
    EXPECT_EQ(Ledger(), (std::vector<double>{166386, -16638.6, 0.004}));
}

TEST_F(MonedaTest, AConsultationSwitchesAtTheOfficeRate) {
    SetSistem("EURO", 200.0);
    Dat->TConsultas->Append();
    Dat->TConsultas->FieldByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2024"));
    Dat->TConsultas->FieldByName(QStringLiteral("NUMERO"))->SetAsString(QStringLiteral("00001-C"));
    Dat->TConsultas->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(30);
    Dat->TConsultas->FieldByName(QStringLiteral("MONEDA"))->SetAsString(QStringLiteral("E"));
    Dat->TConsultas->Post();
    EXPECT_EQ(ConvierteMoneda(QLatin1Char('P'), C(1)), C(200));
    harness->AnswerMessage(mrYes);
    CambiaMonedaConsulta(QLatin1Char('P'));
    EXPECT_DOUBLE_EQ(Importe(Dat->TConsultas), 6000);
    EXPECT_EQ(Dat->TConsultasIMPORTE->DisplayFormat(), QStringLiteral("#,##0"));
    SetSistem("EURO", 0.0);
    EXPECT_EQ(ConvierteMoneda(QLatin1Char('P'), C(1)), C(166));
}

// ---------------------------------------------------------------------------------------------- calendar

TEST_F(DatTest, TheMonthCalendarListsSpecialDaysAndAgendaDaysWithoutMovingTheAgenda) {
    auto fecha = [&](int y, int m, int d, int color) {
        Dat->TDias->Append();
        Dat->TDias->FieldByName(QStringLiteral("Fecha"))->SetAsDateTime(EncodeDate(y, m, d));
        Dat->TDias->FieldByName(QStringLiteral("Descripcion"))->SetAsString(QStringLiteral("Día"));
        Dat->TDias->FieldByName(QStringLiteral("Color"))->SetAsInteger(color);
        Dat->TDias->Post();
    };
    fecha(2024, 12, 25, 9);
    fecha(2024, 12, 6, 9);
    fecha(2024, 12, 3, 1);
    fecha(2024, 12, 10, 4);  // colour 4 is not shown
    fecha(2024, 12, 31, 15);
    fecha(2024, 12, 9, 5);
    fecha(2025, 1, 1, 9);  // another month
    Dat->TFechas->Refresh();

    for (const char* nombre : {"Luis", "Eva"}) {
        Dat->TAboCli->Append();
        Dat->TAboCli->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(QString::fromLatin1(nombre));
        Dat->TAboCli->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QStringLiteral("Gil"));
        Dat->TAboCli->Post();
    }
    auto cita = [&](int abogado, int d) {
        Dat->TAgen->Append();
        Dat->TAgen->FieldByName(QStringLiteral("ABOCLI"))->SetAsInteger(abogado);
        Dat->TAgen->FieldByName(QStringLiteral("FECHA"))->SetAsDateTime(EncodeDate(2024, 12, d));
        Dat->TAgen->Post();
    };
    cita(1, 5);
    cita(1, 5);
    cita(1, 7);
    cita(2, 9);
    ASSERT_TRUE(Dat->TAboCli->Locate(QStringLiteral("ABOCLI"), Variant(1), 0));
    Dat->TAgen->First();
    Dat->TAgen->Edit();
    Dat->TAgen->FieldByName(QStringLiteral("SITUACION"))->SetAsString(QStringLiteral("a medio escribir"));
    const int orden = Dat->TAgen->FieldByName(QStringLiteral("ORDEN"))->AsInteger();

    const auto marcas = comun::MarcasCalendario(EncodeDate(2024, 12, 15), true);
    EXPECT_EQ(marcas.Festivos, (QStringList{QStringLiteral("6"), QStringLiteral("25")}));
    EXPECT_EQ(marcas.Dias[0], QStringList{QStringLiteral("3")});
    EXPECT_EQ(marcas.Dias[3], QStringList{QStringLiteral("9")});
    EXPECT_EQ(marcas.Dias[12], QStringList{QStringLiteral("31")});
    for (int i : {1, 2, 4, 5, 6, 7, 8, 9, 10, 11}) EXPECT_TRUE(marcas.Dias[size_t(i)].isEmpty()) << i;
    EXPECT_EQ(marcas.Marcados, (QStringList{QStringLiteral("5"), QStringLiteral("7")}));
    // The agenda entry being edited is untouched.
    EXPECT_EQ(Dat->TAgen->State(), dsEdit);
    EXPECT_EQ(Dat->TAgen->FieldByName(QStringLiteral("ORDEN"))->AsInteger(), orden);
    EXPECT_EQ(Dat->TAgen->FieldByName(QStringLiteral("SITUACION"))->AsString(), QStringLiteral("a medio escribir"));
    Dat->TAgen->Cancel();

    // The same lists handed to a calendar: every list is refilled and the date set last.
    TStringList holidays, markdays;
    std::array<TStringList, 13> days;
    days[5].Add(QStringLiteral("stale"));
    comun::TListasCalendario cal;
    cal.Holidays = &holidays;
    cal.Markdays = &markdays;
    for (size_t i = 0; i < days.size(); ++i) cal.Days[i] = &days[i];
    TDateTime shown;
    cal.SetDate = [&](TDateTime d) { shown = d; };
    FechaCalendario = EncodeDate(2024, 12, 15);
    MarcaDiasCalendario(cal, false);
    EXPECT_EQ(holidays.Text().trimmed(), QStringLiteral("6\r\n25"));
    EXPECT_EQ(markdays.Count(), 0);
    EXPECT_EQ(days[0].Strings(0), QStringLiteral("3"));
    EXPECT_EQ(days[5].Count(), 0);
    EXPECT_EQ(double(shown), double(FechaCalendario));

    const auto vacio = comun::MarcasCalendario(EncodeDate(2024, 11, 1), false);
    EXPECT_TRUE(vacio.Festivos.isEmpty());
    EXPECT_TRUE(vacio.Marcados.isEmpty());
    for (const auto& l : vacio.Dias) EXPECT_TRUE(l.isEmpty());
}
