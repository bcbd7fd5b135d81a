// The data module over a real data folder: opening, numbering, checks, defaults, delete guards
// and calculated fields.
#include "DatFixture.h"

#include "comun/Ganchos.h"
#include "platform/db/Driver.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <sys/stat.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>
#include <map>
#include <sqlite3.h>

using namespace shelltest;
using platform::forms::TFormHarness;

namespace {
QString S(const char* s) { return QString::fromUtf8(s); }
}  // namespace

// ---------------------------------------------------------------------------------------------- opening

TEST_F(DatTest, ANewFolderGetsEveryTableEmptyAndTheSingleSettingsRow) {
    int tables = 0;
    for (int i = 0; i < Dat->ComponentCount(); ++i) {
        if (auto* t = dynamic_cast<TTable*>(Dat->Components(i))) {
            ++tables;
            EXPECT_TRUE(t->Active()) << t->Name().toStdString();
            if (t != Dat->TSistem && t != Dat->TTabcon && t != Dat->TTipoAgenda) {
                EXPECT_TRUE(t->IsEmpty()) << t->Name().toStdString();
            }
        }
    }
    EXPECT_EQ(tables, 30);
    EXPECT_EQ(Dat->TSistem->RecordCount(), 1);
    EXPECT_TRUE(harness->Messages().empty());
    // Tag 1 queries stay closed; the others are open.
    EXPECT_FALSE(Dat->QMinuta->Active());
    EXPECT_FALSE(Dat->QGrupo->Active());
    EXPECT_FALSE(Dat->QAgen->Active());
    for (TQuery* q : {Dat->QSaldo, Dat->QNumCli, Dat->QNumCon, Dat->QExpAbo, Dat->QAgendas, Dat->QAgenExp, Dat->QAbo, Dat->QLisEscri})
        EXPECT_TRUE(q->Active()) << q->Name().toStdString();
    EXPECT_EQ(Session->AliasPath(QStringLiteral("DAT")), dir.path());
    EXPECT_EQ(Dat->Db->AliasName(), QStringLiteral("DAT"));
    EXPECT_EQ(Session->NetFileDir(), dir.path() + QStringLiteral("/NetDir/"));
    // The private folder is this user's alone, never one folder in the shared temporary folder.
    EXPECT_TRUE(CarpetaPrivada.endsWith(QStringLiteral("/zembra")));
    // In the session's runtime folder when it has one (which may itself lie under /tmp), else never
    // in the shared temporary folder.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        EXPECT_EQ(CarpetaPrivada, QDir(runtime).filePath(QStringLiteral("zembra")));
    else
        EXPECT_FALSE(CarpetaPrivada.startsWith(QDir::tempPath() + QLatin1Char('/')));
    EXPECT_FALSE(CarpetaPrivada.contains(QStringLiteral("//")));
    EXPECT_TRUE(DirectoryExists(CarpetaPrivada));
    const auto permisos = QFileInfo(CarpetaPrivada).permissions();
    EXPECT_TRUE(permisos.testFlags(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    EXPECT_FALSE(permisos & (QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                             QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther));
    EXPECT_EQ(Session->PrivateDir(), CarpetaPrivada);
    EXPECT_FALSE(Session->OnPassword);
}

TEST_F(DatTest, ANewFolderHasTheAgendaTypesTheProgramWritesAndAnOlderOneKeepsItsOwn) {
    auto tipos = [] {
        TTable* t = Dat->TTipoAgenda;
        t->Refresh();
        QStringList r;
        for (t->First(); !t->Eof(); t->Next()) r << t->FieldByName(QStringLiteral("TIPO"))->AsString();
        return r;
    };
    EXPECT_EQ(tipos(), (QStringList{S("ECONOMICO"), S("ECONOMICOS"), S("ESCRITOS Y CARTAS"), S("GENERAL")}));
    // An office that removed them, and one whose folder predates the list: neither gets them back.
    while (!Dat->TTipoAgenda->IsEmpty()) Dat->TTipoAgenda->Delete();
    Close();
    Open();
    EXPECT_TRUE(tipos().isEmpty());
    Close();
    platform::db::OpenData(dir.path())->DropTable(QStringLiteral("TIPOAGENDAS"));
    Open();
    EXPECT_TRUE(Dat->Db->Connection()->TableExists(QStringLiteral("TIPOAGENDAS")));
    EXPECT_TRUE(tipos().isEmpty());
}

TEST_F(DatTest, TheFieldsCarryTheirMasksFormatsAndLinks) {
    EXPECT_EQ(Dat->TExped->FieldByName(QStringLiteral("FECHAAPERTURA"))->EditMask(), QStringLiteral("!99/99/9999;1;_"));
    EXPECT_EQ(Dat->TConsultas->FieldByName(QStringLiteral("FECHACOBRO"))->EditMask(), QStringLiteral("!99/99/0000;1;_"));
    EXPECT_EQ(Dat->QSaldo->DataSource(), Dat->DSExped);
    EXPECT_EQ(Dat->QAgen->Tag(), 1);
}

TEST_F(DatTest, AnExistingFolderIsOpenedAsItIs) {
    AddClient(S("García Pérez"), S("Íñigo"));
    Close();
    Open();
    ASSERT_EQ(Dat->TClientes->RecordCount(), 1);
    EXPECT_EQ(Dat->TClientes->FieldByName(QStringLiteral("NOMCLI"))->AsString(), S("García Pérez,Íñigo"));
    EXPECT_EQ(Dat->TSistem->RecordCount(), 1);
}

TEST_F(DatTest, ANewFolderWorksInEurosWithTodaysTaxesAndAnOlderOneKeepsItsSettings) {
    auto ajustes = [] {
        Dat->TSistem->Refresh();
        TTable* s = Dat->TSistem;
        return QStringList{s->FieldByName(QStringLiteral("MONEDA"))->AsString(), s->FieldByName(QStringLiteral("EURO"))->AsString(),
                           s->FieldByName(QStringLiteral("IVA"))->AsString(), s->FieldByName(QStringLiteral("IRPF"))->AsString(),
                           s->FieldByName(QStringLiteral("EDITOR"))->AsString()};
    };
    EXPECT_EQ(ajustes(), (QStringList{S("E"), S("166,386"), S("21"), S("15"), S("Word2000")}));
    EXPECT_DOUBLE_EQ(Dat->TSistemEURO->AsFloat(), 166.386);

    // A folder of an office that works in pesetas, with no withholding, no word processor named
    // and a list the program added since: opened by this program, its settings stay.
    Dat->TSistem->Edit();
    Dat->TSistem->FieldByName(QStringLiteral("MONEDA"))->SetAsString(S("P"));
    Dat->TSistem->FieldByName(QStringLiteral("EURO"))->SetAsFloat(0);
    Dat->TSistem->FieldByName(QStringLiteral("IVA"))->SetAsInteger(16);
    Dat->TSistem->FieldByName(QStringLiteral("IRPF"))->SetAsInteger(0);
    Dat->TSistem->FieldByName(QStringLiteral("EDITOR"))->Clear();
    Dat->TSistem->Post();
    Close();
    platform::db::OpenData(dir.path())->DropTable(QStringLiteral("TURNADOS"));
    Open();
    EXPECT_TRUE(Dat->Db->Connection()->TableExists(QStringLiteral("TURNADOS")));
    EXPECT_EQ(ajustes(), (QStringList{S("P"), S("0"), S("16"), S("0"), QString()}));
    EXPECT_EQ(Dat->TSistem->RecordCount(), 1);
}

TEST_F(DatTest, ATableThatCannotBeOpenedIsNamedAndOpeningGoesOn) {
    Close();
    {
        // A table of another program under the same name: none of the fields the module expects.
        auto conn = platform::db::OpenData(dir.path());
        conn->DropTable(QStringLiteral("PERITOS"));
        platform::db::TTableDesc ajena;
        ajena.Name = QStringLiteral("PERITOS");
        ajena.Columns = {{QStringLiteral("X"), platform::db::TColumnType::Integer, 0, false}};
        conn->CreateTable(ajena);
    }
    std::vector<int> progress;
    comun::ProgresoApertura = [&](int p) { progress.push_back(p); };
    Open();
    comun::ProgresoApertura = nullptr;
    ASSERT_EQ(harness->Messages().size(), 1u);
    // The component's name, then the engine's reason.
    const QStringList lineas = harness->LastMessage().Text.split(QLatin1Char('\n'));
    ASSERT_EQ(lineas.size(), 2) << harness->LastMessage().Text.toStdString();
    EXPECT_EQ(lineas[0], QStringLiteral("TPeritos"));
    EXPECT_TRUE(lineas[1].contains(QStringLiteral("not found"))) << lineas[1].toStdString();
    EXPECT_EQ(harness->LastMessage().Caption, S("¡¡ ERROR !!"));
    EXPECT_FALSE(Dat->TPeritos->Active());
    EXPECT_TRUE(Dat->TProcedimientos->Active());
    // The gauge runs from 0 to 100 over every component, never backwards.
    ASSERT_EQ(int(progress.size()), Dat->ComponentCount());
    EXPECT_EQ(progress.front(), 0);
    EXPECT_EQ(progress.back(), 100);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
}

// What the progress leaves pending (the splash's repaint at 100) is handled before the opening
// returns, however quickly it ran.
TEST_F(DatTest, TheLastProgressIsShownBeforeTheOpeningReturns) {
    Close();
    bool shown = false;
    int reported = -1;
    comun::ProgresoApertura = [&](int p) {
        reported = p;
        if (p == 100) QMetaObject::invokeMethod(QCoreApplication::instance(), [&] { shown = true; }, Qt::QueuedConnection);
    };
    Open();
    comun::ProgresoApertura = nullptr;
    EXPECT_EQ(reported, 100);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(Dat->TTipoConsul->Active());
}

// Nothing else ever inserts a counters' row: opening the data makes the current year's, once.
TEST_F(DatTest, TheCurrentYearGetsItsCountersRowOnceWhenTheDataOpens) {
    int ano = 0, mes = 0, dia = 0;
    DecodeDate(Date(), ano, mes, dia);
    Dat->TTabcon->First();
    Dat->TTabcon->Delete();
    Dat->TTabcon->Append();
    Dat->TTabcon->FieldByName(QStringLiteral("ANO"))->SetAsInteger(ano - 1);
    Dat->TTabcon->FieldByName(QStringLiteral("CONTEXP"))->SetAsString(QStringLiteral("00012-A"));
    Dat->TTabcon->FieldByName(QStringLiteral("NUMFACTU"))->SetAsInteger(7);
    Dat->TTabcon->Post();
    for (int vez = 0; vez < 2; ++vez) {
        Close();
        Open();
        EXPECT_EQ(Dat->TTabcon->RecordCount(), 2);
        ASSERT_TRUE(Dat->TTabcon->Locate(QStringLiteral("ANO"), Variant(ano - 1), 0));
        EXPECT_EQ(Dat->TTabcon->FieldByName(QStringLiteral("CONTEXP"))->AsString(), QStringLiteral("00012-A"));
        EXPECT_EQ(Dat->TTabcon->FieldByName(QStringLiteral("NUMFACTU"))->AsInteger(), 7);
        ASSERT_TRUE(Dat->TTabcon->Locate(QStringLiteral("ANO"), Variant(ano), 0));
        EXPECT_EQ(Dat->TTabcon->FieldByName(QStringLiteral("NUMFACTU"))->AsInteger(), 0);
    }
    EXPECT_FALSE(Dat->Db->InTransaction());
    // Once the row is there, a workstation that starts while another is writing opens at once
    // instead of waiting for that write to end.
    Close();
    sqlite3* otro = nullptr;
    ASSERT_EQ(sqlite3_open(QDir(dir.path()).filePath(QStringLiteral("zembra.db")).toUtf8().constData(), &otro), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(otro, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    Open();
    EXPECT_TRUE(Dat->TTabcon->Locate(QStringLiteral("ANO"), Variant(ano), 0));
    sqlite3_exec(otro, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(otro);
}

// ---------------------------------------------------------------------------------------------- numbering

TEST_F(DatTest, ALedgerEntryTakesTheNextCounterAndRaisesIt) {
    AddCase(QStringLiteral("2024"), QStringLiteral("00012-A"));
    SetSistem("CUENTAS", 41);
    Dat->TCuentas->Append();
    Dat->TCuentas->FieldByName(QStringLiteral("FECHA"))->SetAsDateTime(EncodeDate(2024, 3, 1));
    Dat->TCuentas->FieldByName(QStringLiteral("CONCEPTO"))->SetAsString(S("Tasas judiciales"));
    Dat->TCuentas->FieldByName(QStringLiteral("TIPO"))->SetAsInteger(1);
    Dat->TCuentas->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(-150.25);  // negative amounts are accepted
    Dat->TCuentas->Post();
    EXPECT_EQ(Dat->TCuentas->FieldByName(QStringLiteral("ORDEN"))->AsInteger(), 42);
    EXPECT_EQ(Dat->TCuentas->FieldByName(QStringLiteral("ANO"))->AsString(), QStringLiteral("2024"));
    EXPECT_EQ(Dat->TCuentas->FieldByName(QStringLiteral("NUMERO"))->AsString(), QStringLiteral("00012-A"));
    EXPECT_EQ(Sistem("CUENTAS"), 42);
    EXPECT_FALSE(Dat->Db->InTransaction());
}

TEST_F(DatTest, PeopleAreNumberedFromTheirOwnCounters) {
    SetSistem("CLIENTE", 7);
    EXPECT_EQ(AddClient(QStringLiteral("Uno")), 8);
    EXPECT_EQ(AddClient(QStringLiteral("Dos")), 9);
    EXPECT_EQ(Sistem("CLIENTE"), 9);
    EXPECT_EQ(Sistem("CONTRARIO"), 0);

    Dat->TContrarios->Append();
    Dat->TContrarios->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QStringLiteral("Otro"));
    Dat->TContrarios->Post();
    EXPECT_EQ(Dat->TContrarios->FieldByName(QStringLiteral("CONTRARIO"))->AsInteger(), 1);
    EXPECT_EQ(Sistem("CONTRARIO"), 1);

    Dat->TEscritos->Append();
    Dat->TEscritos->FieldByName(QStringLiteral("CONCEPTO"))->SetAsString(QStringLiteral("Demanda"));
    Dat->TEscritos->Post();
    EXPECT_EQ(Dat->TEscritos->FieldByName(QStringLiteral("ESCRITO"))->AsInteger(), 1);
    EXPECT_EQ(Sistem("ESCRITO"), 1);
}

TEST_F(DatTest, EditingKeepsTheNumberAndOnlyRaisesTheCounter) {
    AddClient(QStringLiteral("Uno"));
    AddClient(QStringLiteral("Dos"));
    ASSERT_TRUE(Dat->TClientes->Locate(QStringLiteral("CLIENTE"), Variant(1), 0));
    Dat->TClientes->Edit();
    Dat->TClientes->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(QStringLiteral("Ana"));
    Dat->TClientes->Post();
    EXPECT_EQ(Dat->TClientes->FieldByName(QStringLiteral("CLIENTE"))->AsInteger(), 1);
    EXPECT_EQ(Sistem("CLIENTE"), 2);

    // A code typed above the counter carries the counter up; a lower one never lowers it.
    Dat->TClientes->Edit();
    Dat->TClientes->FieldByName(QStringLiteral("CLIENTE"))->SetAsInteger(50);
    Dat->TClientes->Post();
    EXPECT_EQ(Sistem("CLIENTE"), 50);
    EXPECT_EQ(AddClient(QStringLiteral("Tres")), 51);
}

TEST_F(DatTest, ARefusedPostStoresNothingAndLeavesTheCounter) {
    SetSistem("CLIENTE", 3);
    Dat->TClientes->Append();
    Dat->TClientes->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(QStringLiteral("Sin apellidos"));
    ExpectAbort([&] { Dat->TClientes->Post(); });
    EXPECT_EQ(Texts(), QStringList{S("APELLIDOS no puede quedar vacío")});
    EXPECT_EQ(harness->LastMessage().Caption, S("¡¡ ERROR !!"));
    EXPECT_EQ(harness->LastMessage().Icon, mtError);
    EXPECT_EQ(Dat->TClientes->State(), dsInsert);
    Dat->TClientes->Cancel();
    EXPECT_TRUE(Dat->TClientes->IsEmpty());
    EXPECT_EQ(Sistem("CLIENTE"), 3);
    EXPECT_FALSE(Dat->Db->InTransaction());
}

TEST_F(DatTest, ChecksRunInTheirOrderWithTheirTexts) {
    auto post = [&](TTable* t) {
        harness->ClearRecords();
        EXPECT_THROW(t->Post(), EAbort);
        return harness->Messages().empty() ? QString() : harness->LastMessage().Text;
    };
    Dat->TAboCli->Append();
    EXPECT_EQ(post(Dat->TAboCli), S("Nombre no puede quedar vacío"));
    Dat->TAboCli->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(QStringLiteral("Luis"));
    EXPECT_EQ(post(Dat->TAboCli), S("APELLIDOS no puede quedar vacío"));
    Dat->TAboCli->Cancel();

    Dat->TProcu->Append();
    EXPECT_EQ(post(Dat->TProcu), S("APELLIDOS no puede quedar vacío"));
    Dat->TProcu->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QStringLiteral("Gil"));
    EXPECT_EQ(post(Dat->TProcu), S("PARTIDO JUDICIAL no puede quedar vacío"));
    Dat->TProcu->Cancel();

    Dat->TPeritos->Append();
    Dat->TPeritos->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QStringLiteral("Gil"));
    EXPECT_EQ(post(Dat->TPeritos), S("PROFESIÓN no puede quedar vacío"));
    Dat->TPeritos->Cancel();

    Dat->TCuentas->Append();
    Dat->TCuentas->FieldByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2024"));
    Dat->TCuentas->FieldByName(QStringLiteral("NUMERO"))->SetAsString(QStringLiteral("00001-A"));
    EXPECT_EQ(post(Dat->TCuentas), S("FECHA no puede quedar vacía"));
    Dat->TCuentas->FieldByName(QStringLiteral("FECHA"))->SetAsDateTime(EncodeDate(2024, 1, 2));
    EXPECT_EQ(post(Dat->TCuentas), S("CONCEPTO no puede quedar vacío"));
    Dat->TCuentas->FieldByName(QStringLiteral("CONCEPTO"))->SetAsString(QStringLiteral("Minuta"));
    EXPECT_EQ(post(Dat->TCuentas), S("TIPO no puede quedar vacío"));
    Dat->TCuentas->FieldByName(QStringLiteral("TIPO"))->SetAsInteger(2);
    EXPECT_EQ(post(Dat->TCuentas), S("IMPORTE no puede quedar vacío"));
    Dat->TCuentas->Cancel();

    Dat->TAgen->Append();
    Dat->TAgen->FieldByName(QStringLiteral("FECHA"))->Clear();
    EXPECT_EQ(post(Dat->TAgen), S("FECHA no puede quedar vacía"));
    Dat->TAgen->FieldByName(QStringLiteral("FECHA"))->SetAsDateTime(EncodeDate(2024, 1, 2));
    Dat->TAgen->FieldByName(QStringLiteral("HORA"))->Clear();
    EXPECT_EQ(post(Dat->TAgen), S("HORA no puede quedar vacía"));
    Dat->TAgen->Cancel();

    Dat->TConAgendas->Append();
    EXPECT_EQ(post(Dat->TConAgendas), S("DESCRIPCIÓN debe tener valor"));
    Dat->TConAgendas->Cancel();
    Dat->TPoderes->Append();
    EXPECT_EQ(post(Dat->TPoderes), S("PODER no puede quedar vacío"));
    Dat->TPoderes->Cancel();
    Dat->TPriv->Append();
    EXPECT_EQ(post(Dat->TPriv), S("USUARIO no puede quedar vacío"));
    Dat->TPriv->FieldByName(QStringLiteral("Usuario"))->SetAsString(QStringLiteral("PEPE"));
    EXPECT_EQ(post(Dat->TPriv), S("CONTRASEÑA no puede quedar vacía"));
    Dat->TPriv->Cancel();
    EXPECT_EQ(Sistem("CUENTAS"), 0);
    EXPECT_EQ(Sistem("AGENDA"), 0);
}

TEST_F(DatTest, RangeChecksRefuseAgendaConceptsBeforePosting) {
    Dat->TConAgendas->Append();
    Dat->TConAgendas->FieldByName(QStringLiteral("CONCEPTO"))->SetAsString(QStringLiteral("Vista"));
    EXPECT_ANY_THROW(Dat->TConAgendas->FieldByName(QStringLiteral("DIAS"))->SetAsInteger(366));
    EXPECT_ANY_THROW(Dat->TConAgendas->FieldByName(QStringLiteral("CODIGO"))->SetAsInteger(0));
    EXPECT_ANY_THROW(Dat->TConAgendas->FieldByName(QStringLiteral("CODIGO"))->SetAsInteger(100001));
    Dat->TConAgendas->FieldByName(QStringLiteral("CODIGO"))->SetAsInteger(100000);
    Dat->TConAgendas->FieldByName(QStringLiteral("DIAS"))->SetAsInteger(365);
    Dat->TConAgendas->Post();
    EXPECT_EQ(Dat->TConAgendas->RecordCount(), 1);
    EXPECT_EQ(Dat->TConAgendas->FieldByName(QStringLiteral("TIPOAGENDA"))->AsString(), QStringLiteral("GENERAL"));
}

// ---------------------------------------------------------------------------------------------- defaults

TEST_F(DatTest, NewRecordsTakeTheirDefaults) {
    Dat->TPriv->Append();
    for (const char* f : {"Privacidad", "Expedientes", "Consulta", "Agenda", "Modelos", "Fusion", "Listados", "Economico", "General"}) {
        EXPECT_FALSE(Dat->TPriv->FieldByName(QString::fromLatin1(f))->IsNull()) << f;
        EXPECT_FALSE(Dat->TPriv->FieldByName(QString::fromLatin1(f))->AsBoolean()) << f;
    }
    EXPECT_EQ(Dat->TPriv->FieldByName(QStringLiteral("Abogado"))->AsInteger(), 0);
    Dat->TPriv->FieldByName(QStringLiteral("Usuario"))->SetAsString(QStringLiteral("MARÍA"));
    Dat->TPriv->FieldByName(QStringLiteral("Contrasenia"))->SetAsString(QStringLiteral("ñandú"));
    Dat->TPriv->Post();

    Dat->TAboCli->Append();
    Dat->TAboCli->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(QStringLiteral("Luis"));
    Dat->TAboCli->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QStringLiteral("Gil"));
    Dat->TAboCli->Post();
    const int abogado = Dat->TAboCli->FieldByName(QStringLiteral("ABOCLI"))->AsInteger();

    const TDateTime before = Now();
    Dat->TAgen->Append();
    EXPECT_EQ(Dat->TAgen->FieldByName(QStringLiteral("ABOCLI"))->AsInteger(), abogado);
    EXPECT_EQ(Dat->TAgen->FieldByName(QStringLiteral("TIPO"))->AsString(), QStringLiteral("P"));
    EXPECT_EQ(Dat->TAgen->FieldByName(QStringLiteral("TIPOAGENDA"))->AsString(), QStringLiteral("GENERAL"));
    EXPECT_EQ(Dat->TAgen->FieldByName(QStringLiteral("ORDEN"))->AsInteger(), 0);
    EXPECT_EQ(Dat->TAgen->FieldByName(QStringLiteral("CODIGO"))->AsInteger(), 0);
    EXPECT_EQ(double(Dat->TAgen->FieldByName(QStringLiteral("FECHA"))->AsDateTime()), double(Date()));
    EXPECT_NEAR(double(Dat->TAgen->FieldByName(QStringLiteral("HORA"))->AsDateTime()), double(before) - double(Date()), 1.0 / 1440);
    EXPECT_EQ(Dat->TAgen->FieldByName(QStringLiteral("USUARIO"))->AsString(), S("MARÍA"));
    Dat->TAgen->Post();
    EXPECT_EQ(Dat->TAgen->FieldByName(QStringLiteral("ORDEN"))->AsInteger(), 1);
    EXPECT_EQ(Sistem("AGENDA"), 1);

    const int cliente = AddClient(QStringLiteral("Ruiz"));
    Dat->TPoderes->Append();
    EXPECT_EQ(Dat->TPoderes->FieldByName(QStringLiteral("CLIENTE"))->AsInteger(), cliente);
    EXPECT_EQ(double(Dat->TPoderes->FieldByName(QStringLiteral("FECHA"))->AsDateTime()), double(Date()));
    Dat->TPoderes->Cancel();
    Dat->TConConta->Append();
    EXPECT_EQ(Dat->TConConta->FieldByName(QStringLiteral("TIPO"))->AsInteger(), 1);
    Dat->TConConta->Cancel();
    Dat->TClientes->Append();
    EXPECT_TRUE(Dat->TClientes->FieldByName(QStringLiteral("NOMBRE"))->AsString().isEmpty());
    Dat->TClientes->Cancel();
}

// ---------------------------------------------------------------------------------------------- calculated fields

TEST_F(DatTest, CalculatedFieldsFollowTheirRules) {
    AddClient(QStringLiteral("Solo Apellidos"));
    EXPECT_EQ(Dat->TClientes->FieldByName(QStringLiteral("NOMCLI"))->AsString(), QStringLiteral("Solo Apellidos,"));
    EXPECT_TRUE(Dat->TClientes->FieldByName(QStringLiteral("REFERENCIA"))->AsString().isEmpty());
    // A further client of a case file shows the client's name.
    Dat->TExpCli->Append();
    Dat->TExpCli->FieldByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2024"));
    Dat->TExpCli->FieldByName(QStringLiteral("NUMERO"))->SetAsString(QStringLiteral("00003-B"));
    Dat->TExpCli->FieldByName(QStringLiteral("CLIENTE"))->SetAsInteger(Dat->TClientes->FieldByName(QStringLiteral("CLIENTE"))->AsInteger());
    Dat->TExpCli->Post();
    EXPECT_EQ(Dat->TExpCli->FieldByName(QStringLiteral("NomCli"))->AsString(), QStringLiteral("Solo Apellidos,"));

    Dat->TExped->Append();
    Dat->TExped->FieldByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2024"));
    Dat->TExped->FieldByName(QStringLiteral("NUMERO"))->SetAsString(QStringLiteral("00003-B"));
    Dat->TExped->FieldByName(QStringLiteral("PRINCIPAL"))->SetAsFloat(1000.5);
    Dat->TExped->FieldByName(QStringLiteral("INTERESES"))->SetAsFloat(20);
    Dat->TExped->Post();
    EXPECT_DOUBLE_EQ(Dat->TExped->FieldByName(QStringLiteral("EXPTOTAL"))->AsFloat(), 1020.5);
    EXPECT_TRUE(Dat->QSaldo->FieldByName(QStringLiteral("SALDO"))->IsNull());

    for (int tipo : {1, 2, 3, 4, 0, 7}) {
        Dat->TCuentas->Append();
        Dat->TCuentas->FieldByName(QStringLiteral("TIPO"))->SetAsInteger(tipo);
        Dat->TCuentas->FieldByName(QStringLiteral("FECHA"))->SetAsDateTime(EncodeDate(2024, 5, 5));
        Dat->TCuentas->FieldByName(QStringLiteral("CONCEPTO"))->SetAsString(QStringLiteral("c"));
        Dat->TCuentas->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(10);
        if (tipo == 0) {
            EXPECT_THROW(Dat->TCuentas->Post(), EAbort);
            EXPECT_EQ(Dat->TCuentas->FieldByName(QStringLiteral("TIPOSTRING"))->AsString(), QStringLiteral("G"));
            Dat->TCuentas->Cancel();
            continue;
        }
        Dat->TCuentas->Post();
        const char* expected = tipo == 1 ? "S" : tipo == 2 ? "D" : tipo == 3 ? "P" : "G";
        EXPECT_EQ(Dat->TCuentas->FieldByName(QStringLiteral("TIPOSTRING"))->AsString(), QString::fromLatin1(expected));
    }
    Dat->QSaldo->Close();
    Dat->QSaldo->Open();
    EXPECT_DOUBLE_EQ(Dat->QSaldo->FieldByName(QStringLiteral("SALDO"))->AsFloat(), 50);
}

TEST_F(DatTest, TheAgendaShowsItsCaseFileOrNothing) {
    auto add = [&](const char* tipo, const char* ano, const char* numero) {
        Dat->TAgen->Append();
        Dat->TAgen->FieldByName(QStringLiteral("ABOCLI"))->SetAsInteger(1);
        Dat->TAgen->FieldByName(QStringLiteral("TIPO"))->SetAsString(QString::fromLatin1(tipo));
        Dat->TAgen->FieldByName(QStringLiteral("ANO"))->SetAsString(QString::fromLatin1(ano));
        Dat->TAgen->FieldByName(QStringLiteral("NUMERO"))->SetAsString(QString::fromLatin1(numero));
        Dat->TAgen->Post();
        return Dat->TAgen->FieldByName(QStringLiteral("ORDEN"))->AsInteger();
    };
    const int e = add("X", "2024", "00012-A"), c = add("Y", "2023", "00001-C"), p = add("P", "2022", "00002-D"),
              n = add("P", "", "");
    Dat->TAgen3->SetFiltered(false);
    Dat->TAgen3->Refresh();
    auto exped = [&](int orden) {
        EXPECT_TRUE(Dat->TAgen3->Locate(QStringLiteral("ORDEN"), Variant(orden), 0));
        return Dat->TAgen3->FieldByName(QStringLiteral("EXPED"))->AsString();
    };
    EXPECT_EQ(exped(e), QStringLiteral("E 2024/00012-A"));
    EXPECT_EQ(exped(c), QStringLiteral("C 2023/00001-C"));
    EXPECT_EQ(exped(p), QStringLiteral("  2022/00002-D"));
    EXPECT_EQ(exped(n), QString());
}

TEST_F(DatTest, QueriesFollowTheirDataSourcesAndParameters) {
    Dat->TAboCli->Append();
    Dat->TAboCli->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(S("Íñigo"));
    Dat->TAboCli->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(S("Muñoz"));
    Dat->TAboCli->Post();
    Dat->QAbo->Close();
    Dat->QAbo->Open();
    Dat->TConsultas->Append();
    Dat->TConsultas->FieldByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2024"));
    Dat->TConsultas->FieldByName(QStringLiteral("NUMERO"))->SetAsString(QStringLiteral("00001-C"));
    Dat->TConsultas->FieldByName(QStringLiteral("ABOCLI"))->SetAsInteger(1);
    Dat->TConsultas->FieldByName(QStringLiteral("ABOENT"))->SetAsInteger(1);
    Dat->TConsultas->Post();
    EXPECT_EQ(Dat->TConsultas->FieldByName(QStringLiteral("NOMABOCLI"))->AsString(), S("Íñigo Muñoz"));
    EXPECT_EQ(Dat->TConsultas->FieldByName(QStringLiteral("NOMABOENT"))->AsString(), S("Íñigo Muñoz"));

    for (int d : {3, 4}) {
        Dat->TAgen->Append();
        Dat->TAgen->FieldByName(QStringLiteral("FECHA"))->SetAsDateTime(EncodeDate(2024, 6, d));
        Dat->TAgen->Post();
    }
    Dat->QAgendas->Close();
    Dat->QAgendas->ParamByName(QStringLiteral("ABOCLI"))->SetAsInteger(1);
    Dat->QAgendas->ParamByName(QStringLiteral("DESDE"))->SetAsDate(EncodeDate(2024, 6, 4));
    Dat->QAgendas->ParamByName(QStringLiteral("HASTA"))->SetAsDate(EncodeDate(2024, 6, 30));
    Dat->QAgendas->ParamByName(QStringLiteral("TIPOD"))->SetAsString(QStringLiteral("A"));
    Dat->QAgendas->ParamByName(QStringLiteral("TIPOH"))->SetAsString(QStringLiteral("Z"));
    Dat->QAgendas->Open();
    ASSERT_EQ(Dat->QAgendas->RecordCount(), 1);
    harness->AnswerMessage(mrNo);
    ExpectAbort([&] { Dat->QAgendas->Delete(); });
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral("¿Borrar APUNTE AGENDA ?"));
    harness->AnswerMessage(mrYes);
    Dat->QAgendas->Delete();
    EXPECT_EQ(Dat->QAgendas->RecordCount(), 0);
    Dat->TAgen->Refresh();
    EXPECT_EQ(Dat->TAgen->RecordCount(), 1);
}

// ---------------------------------------------------------------------------------------------- the party tables' rules

namespace {
struct TParte {
    TTable* Tabla;
    const char* Clave;   // numbered field and SISTEM counter
    const char* Nombre;  // display name
    const char* Otro;    // a further required field, or none
};
}  // namespace

// Each party table numbers from its own counter, never another's, and shows its own name.
TEST_F(DatTest, EveryPartyTableNumbersFromItsOwnCounterAndShowsItsName) {
    const std::vector<TParte> partes = {
        {Dat->TAboCli, "ABOCLI", "NOMABOCLI", nullptr}, {Dat->TClientes, "CLIENTE", "NOMCLI", nullptr},
        {Dat->TContrarios, "CONTRARIO", "NOMCON", nullptr}, {Dat->TAbogados, "ABOGADO", "NOMABO", nullptr},
        {Dat->TProcu, "PROCU", "NOMPROCU", "PARTIDO"},      {Dat->TPeritos, "PERITO", "NOMPERITO", "PROFESION"},
    };
    // Counters 20, 30, ... 70: a post raises its own table's by one and leaves the others.
    std::map<QString, int> contadores;
    for (const TParte& p : partes) SetSistem(p.Clave, contadores[QString::fromLatin1(p.Clave)] = 10 * int(contadores.size() + 1));
    for (const TParte& p : partes) {
        SCOPED_TRACE(p.Clave);
        TTable* t = p.Tabla;
        t->Append();
        t->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QStringLiteral("Ruiz"));
        t->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(QStringLiteral("Eva"));
        if (p.Otro) t->FieldByName(QString::fromLatin1(p.Otro))->SetAsString(QStringLiteral("Lugo"));
        t->Post();
        const int numero = ++contadores[QString::fromLatin1(p.Clave)];
        EXPECT_EQ(t->FieldByName(QString::fromLatin1(p.Clave))->AsInteger(), numero);
        EXPECT_EQ(t->FieldByName(QString::fromLatin1(p.Nombre))->AsString(), QStringLiteral("Ruiz,Eva"));
        for (const auto& [clave, valor] : contadores) EXPECT_EQ(Sistem(clave.toLatin1().constData()), valor) << clave.toStdString();
    }
}

// A cursor of its own on a party table (as a recount or a form opens one) that binds the shared
// handlers checks and numbers by that table's rules; a table that is no party is refused plainly.
TEST_F(DatTest, AnyCursorOnAPartyTableFollowsThatTablesRules) {
    TTable peritos(nullptr);
    peritos.SetDatabaseName(Dat->Db->DatabaseName());
    peritos.SetTableName(QStringLiteral("peritos"));
    peritos.BeforePost = TDataSetNotifyEvent(Dat, &TDat::PersonaBeforePost);
    peritos.AfterPost = TDataSetNotifyEvent(Dat, &TDat::PersonaAfterPost);
    peritos.Open();
    SetSistem("PERITO", 4);
    peritos.Append();
    peritos.FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QStringLiteral("Vera"));
    ExpectAbort([&] { peritos.Post(); });
    EXPECT_EQ(Texts(), QStringList{S("PROFESIÓN no puede quedar vacío")});
    peritos.FieldByName(QStringLiteral("PROFESION"))->SetAsString(QStringLiteral("Arquitecto"));
    peritos.Post();
    EXPECT_EQ(peritos.FieldByName(QStringLiteral("PERITO"))->AsInteger(), 5);
    EXPECT_EQ(Sistem("PERITO"), 5);
    EXPECT_EQ(Sistem("PROCU"), 0);
    EXPECT_FALSE(Dat->Db->InTransaction());

    TTable partidos(nullptr);
    partidos.SetDatabaseName(Dat->Db->DatabaseName());
    partidos.SetTableName(QStringLiteral("PARTIDOS"));
    partidos.BeforePost = TDataSetNotifyEvent(Dat, &TDat::PersonaBeforePost);
    partidos.Open();
    partidos.Append();
    partidos.FieldByName(QStringLiteral("PARTIDO"))->SetAsString(QStringLiteral("Lugo"));
    EXPECT_THROW(partidos.Post(), EDatabaseError);
    partidos.Cancel();
    EXPECT_TRUE(partidos.IsEmpty());
}

// ---------------------------------------------------------------------------------------------- windows' views of the agenda

// Two windows' views of the agenda filter on their own: one's filter never narrows the other's
// or the module's; a refresh of the agendas shows a row written elsewhere in every open view;
// a view that goes with its window is no longer refreshed.
TEST_F(DatTest, EachWindowsViewOfTheAgendaFiltersOnItsOwnAndAllSeeNewRows) {
    auto add = [&](const char* tipo, const char* numero, int dia) {
        Dat->TAgen->Append();
        Dat->TAgen->FieldByName(QStringLiteral("ABOCLI"))->SetAsInteger(1);
        Dat->TAgen->FieldByName(QStringLiteral("FECHA"))->SetAsDateTime(EncodeDate(2024, 3, dia));
        Dat->TAgen->FieldByName(QStringLiteral("TIPO"))->SetAsString(QString::fromLatin1(tipo));
        Dat->TAgen->FieldByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2024"));
        Dat->TAgen->FieldByName(QStringLiteral("NUMERO"))->SetAsString(QString::fromLatin1(numero));
        Dat->TAgen->Post();
    };
    add("E", "00001-A", 4);
    add("X", "00001-A", 5);
    add("C", "00002-C", 5);
    auto filas = [](TDataSet* t) {
        QStringList r;
        for (t->First(); !t->Eof(); t->Next()) r << t->FieldByName(QStringLiteral("TIPO"))->AsString();
        return r;
    };
    auto solo = [](const char* tipo) {
        return TFilterRecordEvent([tipo](TDataSet* ds, bool& acepta) {
            acepta = ds->FieldByName(QStringLiteral("TIPO"))->AsString() == QLatin1String(tipo);
        });
    };
    TComponent ventana(nullptr);
    TTable* caso = Dat->VistaAgenda(&ventana, QStringLiteral("TAgen2"), TDat::TVistaAgenda::DeExpediente);
    caso->OnFilterRecord = solo("E");
    caso->Open();
    caso->SetRange({Variant(QStringLiteral("2024")), Variant(QStringLiteral("00001-A"))},
                   {Variant(QStringLiteral("2024")), Variant(QStringLiteral("00001-A"))});
    auto otra = std::make_unique<TComponent>(nullptr);
    TTable* dia = Dat->VistaAgenda(otra.get(), QStringLiteral("TAgen3"), TDat::TVistaAgenda::PorFecha);
    dia->OnFilterRecord = solo("C");
    dia->Open();
    EXPECT_EQ(filas(caso), QStringList{QStringLiteral("E")});
    EXPECT_EQ(filas(dia), QStringList{QStringLiteral("C")});
    EXPECT_EQ(dia->FieldByName(QStringLiteral("EXPED"))->AsString(), QStringLiteral("C 2024/00002-C"));
    EXPECT_EQ(dia->FieldByName(QStringLiteral("HORA"))->DisplayText().size(), 5) << "hh:mm";
    EXPECT_EQ(filas(Dat->TAgen2).size(), 3);
    EXPECT_EQ(filas(Dat->TAgen3).size(), 3);

    add("E", "00001-A", 6);
    add("C", "00003-C", 6);
    Dat->RefrescaAgendas();
    EXPECT_EQ(filas(caso), (QStringList{QStringLiteral("E"), QStringLiteral("E")}));
    EXPECT_EQ(filas(dia), (QStringList{QStringLiteral("C"), QStringLiteral("C")}));
    EXPECT_EQ(filas(Dat->TAgen2).size(), 5);

    otra.reset();  // the window goes, and its view with it
    add("E", "00001-A", 7);
    Dat->RefrescaAgendas();
    EXPECT_EQ(filas(caso).size(), 3);
}

TEST(CarpetaPrivadaTest, AHomeThatCannotTakeItFallsBackToAFolderOfTheUserAloneInTheTemporaryOne) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A file where the folders should be: nothing can be made under it, not even by root.
    const QString fichero = dir.filePath(QStringLiteral("no-es-carpeta"));
    {
        QFile f(fichero);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QString temporal = dir.filePath(QStringLiteral("tmp"));
    ASSERT_TRUE(QDir().mkpath(temporal));
    const QByteArray antes[] = {qgetenv("XDG_RUNTIME_DIR"), qgetenv("XDG_CACHE_HOME"), qgetenv("HOME"), qgetenv("TMPDIR")};
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(fichero + QStringLiteral("/cache")));
    qputenv("HOME", QFile::encodeName(fichero + QStringLiteral("/home")));
    qputenv("TMPDIR", QFile::encodeName(temporal));

    const QString carpeta = comun::CarpetaPrivadaUsuario();
    EXPECT_EQ(carpeta, temporal + QStringLiteral("/zembra-%1").arg(::getuid()));
    EXPECT_TRUE(QFileInfo(carpeta).isDir());
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(carpeta).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // Nowhere at all: the first place tried is named in the error.
    qputenv("TMPDIR", QFile::encodeName(fichero + QStringLiteral("/tmp")));
    try {
        comun::CarpetaPrivadaUsuario();
        ADD_FAILURE() << "no error without any folder";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("No se puede crear la carpeta privada %1/cache/zembra").arg(fichero));
    }
    const char* nombres[] = {"XDG_RUNTIME_DIR", "XDG_CACHE_HOME", "HOME", "TMPDIR"};
    for (int i = 0; i < 4; ++i) {
        if (antes[i].isNull()) qunsetenv(nombres[i]);
        else qputenv(nombres[i], antes[i]);
    }
}

// What another user of the machine, with no way into the folder above the data, reads at start.
TEST(CarpetaDatos, AFolderOutOfThisUsersReachIsNotCalledMissing) {
    QTemporaryDir dir;
    const QString carpeta = dir.filePath(QStringLiteral("Despacho Núñez"));
    ASSERT_TRUE(QDir().mkpath(carpeta));
    EXPECT_EQ(comun::ProblemaCarpetaDatos(carpeta), QString());
    EXPECT_EQ(comun::ProblemaCarpetaDatos(carpeta + QStringLiteral("/no")), QStringLiteral("No existe la carpeta de datos %1/no").arg(carpeta));
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to ask as another user";
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0700), 0);
    int tubo[2];
    ASSERT_EQ(::pipe(tubo), 0);
    const pid_t hijo = ::fork();
    ASSERT_GE(hijo, 0);
    if (hijo == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
        const QByteArray texto = comun::ProblemaCarpetaDatos(carpeta).toUtf8();
        ::_exit(::write(tubo[1], texto.constData(), size_t(texto.size())) == texto.size() ? 0 : 4);
    }
    ::close(tubo[1]);
    QByteArray leido;
    char trozo[512];
    for (ssize_t n; (n = ::read(tubo[0], trozo, sizeof trozo)) > 0;) leido.append(trozo, n);
    ::close(tubo[0]);
    int estado = 0;
    ::waitpid(hijo, &estado, 0);
    ASSERT_TRUE(WIFEXITED(estado) && WEXITSTATUS(estado) == 0) << estado;
    const QString problema = QString::fromUtf8(leido);
    EXPECT_TRUE(problema.startsWith(QStringLiteral("No tiene permiso para llegar a la carpeta de datos %1.").arg(carpeta)))
        << problema.toStdString();
    EXPECT_TRUE(problema.contains(QStringLiteral("administre"))) << problema.toStdString();
}
