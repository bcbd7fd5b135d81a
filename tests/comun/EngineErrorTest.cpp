// Engine errors provoked by a second workstation (this same test program run as a child), and
// their Spanish messages.
#include "DatFixture.h"

#include "platform/rtl/SysUtils.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

using namespace shelltest;

namespace {
QString S(const char* s) { return QString::fromUtf8(s); }

bool WaitForFile(const QString& path, int ms = 30000) {
    QElapsedTimer t;
    t.start();
    while (!QFile::exists(path)) {
        if (t.elapsed() > ms) return false;
        QThread::msleep(10);
    }
    return true;
}

void Touch(const QString& path) {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
}

class WorkstationTest : public DatTest {
protected:
    void TearDown() override {
        if (child.state() != QProcess::NotRunning) {
            Touch(dir.filePath(QStringLiteral("fin")));
            child.waitForFinished(30000);
        }
        DatTest::TearDown();
    }
    void Start(const QString& action) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZB_HIJO"), action);
        env.insert(QStringLiteral("ZB_CARPETA"), dir.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(env);
        child.start(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget(),
                    {QStringLiteral("--gtest_filter=OtherWorkstation.Runs")});
        ASSERT_TRUE(child.waitForStarted(10000));
    }
    void Finish() {
        ASSERT_TRUE(child.waitForFinished(60000));
        ASSERT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
    }
    QProcess child;
};
}  // namespace

// The second workstation: does what ZB_HIJO says on the folder ZB_CARPETA.
TEST(OtherWorkstation, Runs) {
    const QString action = qEnvironmentVariable("ZB_HIJO");
    if (action.isEmpty()) GTEST_SKIP() << "only run as the second workstation";
    const QString folder = qEnvironmentVariable("ZB_CARPETA");
    platform::forms::TFormHarness harness;
    CarpetaDatos = folder;
    Dat = new TDat(nullptr);
    if (action == QLatin1String("bloquea")) {
        Dat->TClientes->First();
        Dat->TClientes->Edit();
        Touch(folder + QStringLiteral("/listo"));
        ASSERT_TRUE(WaitForFile(folder + QStringLiteral("/fin")));
        Dat->TClientes->Cancel();
    } else if (action == QLatin1String("modifica")) {
        Dat->TClientes->First();
        Dat->TClientes->Edit();
        Dat->TClientes->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(S("Cambiado en otro puesto"));
        Dat->TClientes->Post();
    } else if (action == QLatin1String("duplica")) {
        Dat->TExped->Append();
        Dat->TExped->FieldByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2024"));
        Dat->TExped->FieldByName(QStringLiteral("NUMERO"))->SetAsString(QStringLiteral("00001-A"));
        Dat->TExped->Post();
    } else if (action == QLatin1String("borra-usuario")) {
        TQuery q(nullptr);
        q.SetDatabaseName(QStringLiteral("ZEMBRA"));
        q.SQL()->SetText(QStringLiteral("DELETE FROM PRIVACIDAD WHERE USUARIO = 'ANA'"));
        q.ExecSQL();
    } else if (action == QLatin1String("quita-derechos")) {
        TQuery q(nullptr);
        q.SetDatabaseName(QStringLiteral("ZEMBRA"));
        q.SQL()->SetText(QStringLiteral("UPDATE PRIVACIDAD SET ECONOMICO = 0 WHERE USUARIO = 'BEA'"));
        q.ExecSQL();
    } else if (action == QLatin1String("clientes")) {
        ASSERT_TRUE(WaitForFile(folder + QStringLiteral("/listo")));
        for (int i = 0; i < 25; ++i) {
            Dat->TClientes->Append();
            Dat->TClientes->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QStringLiteral("Hijo %1").arg(i));
            Dat->TClientes->Post();
        }
    }
    EXPECT_TRUE(harness.Messages().empty());
    delete Dat;
    Dat = nullptr;
}

TEST_F(WorkstationTest, ARecordBeingEditedElsewhereIsInUse) {
    AddClient(S("Muñoz"));
    Start(QStringLiteral("bloquea"));
    ASSERT_TRUE(WaitForFile(dir.filePath(QStringLiteral("listo"))));
    Dat->TClientes->First();
    ExpectAbort([&] { Dat->TClientes->Edit(); });
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("REGISTRO EN USO")});
    EXPECT_EQ(Dat->TClientes->State(), dsBrowse);
    harness->AnswerMessage(mrYes);
    ExpectAbort([&] { Dat->TClientes->Delete(); });
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral("REGISTRO EN USO"));
    EXPECT_EQ(Dat->TClientes->RecordCount(), 1);
    Touch(dir.filePath(QStringLiteral("fin")));
    Finish();
}

TEST_F(WorkstationTest, ARecordChangedElsewhereNamesTheDataset) {
    AddClient(S("Muñoz"));
    Dat->TClientes->First();
    Start(QStringLiteral("modifica"));
    Finish();
    ExpectAbort([&] { Dat->TClientes->Edit(); });
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("TClientes MODIFICADO POR OTRO USUARIO")});
    // The other workstation's values are shown now, and editing again works.
    EXPECT_EQ(Dat->TClientes->FieldByName(QStringLiteral("APELLIDOS"))->AsString(), S("Cambiado en otro puesto"));
    Dat->TClientes->Edit();
    EXPECT_EQ(Dat->TClientes->State(), dsEdit);
    Dat->TClientes->Cancel();
}

TEST_F(WorkstationTest, AUserDeletedElsewhereNeverTakesOnTheNextUsersRights) {
    for (const char* u : {"ANA", "BEA"}) {
        Dat->TPriv->Append();
        Dat->TPriv->FieldByName(QStringLiteral("Usuario"))->SetAsString(QString::fromLatin1(u));
        Dat->TPriv->FieldByName(QStringLiteral("Contrasenia"))->SetAsString(QStringLiteral("X"));
        // BEA may do everything, ANA nothing.
        for (const char* d : {"Privacidad", "Expedientes", "Economico", "General"})
            Dat->TPriv->FieldByName(QString::fromLatin1(d))->SetAsBoolean(u[0] == 'B');
        Dat->TPriv->Post();
    }
    // ANA is logged in here; another workstation deletes her.
    ASSERT_TRUE(Dat->TPriv->Locate(QStringLiteral("Usuario"), Variant(QStringLiteral("ANA")), 0));
    Start(QStringLiteral("borra-usuario"));
    Finish();
    Dat->RefrescaTablas();
    EXPECT_EQ(Dat->Usuario(), QStringLiteral("ANA"));
    for (const char* d : {"Privacidad", "Expedientes", "Economico", "General"})
        EXPECT_FALSE(Dat->TPriv->FieldByName(QString::fromLatin1(d))->AsBoolean()) << d;
    // A user still there takes the changes made elsewhere.
    ASSERT_TRUE(Dat->TPriv->Locate(QStringLiteral("Usuario"), Variant(QStringLiteral("BEA")), 0));
    Start(QStringLiteral("quita-derechos"));
    Finish();
    Dat->RefrescaTablas();
    EXPECT_EQ(Dat->Usuario(), QStringLiteral("BEA"));
    EXPECT_FALSE(Dat->TPriv->FieldByName(QStringLiteral("Economico"))->AsBoolean());
    EXPECT_TRUE(harness->Messages().empty());
}

TEST_F(WorkstationTest, AKeyTakenElsewhereIsADuplicateAndTheRecordStaysInInsert) {
    Dat->TExped->Append();
    Dat->TExped->FieldByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2024"));
    Dat->TExped->FieldByName(QStringLiteral("NUMERO"))->SetAsString(QStringLiteral("00001-A"));
    Start(QStringLiteral("duplica"));
    Finish();
    ExpectAbort([&] { Dat->TExped->Post(); });
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("CLAVE DUPLICADA")});
    EXPECT_EQ(Dat->TExped->State(), dsInsert);
    Dat->TExped->FieldByName(QStringLiteral("NUMERO"))->SetAsString(QStringLiteral("00002-A"));
    Dat->TExped->Post();
    EXPECT_EQ(Dat->TExped->RecordCount(), 2);
}

TEST_F(WorkstationTest, TwoWorkstationsNumberingAtOnceNeverShareANumber) {
    Start(QStringLiteral("clientes"));
    Touch(dir.filePath(QStringLiteral("listo")));
    for (int i = 0; i < 25; ++i) AddClient(QStringLiteral("Padre %1").arg(i));
    Finish();
    Dat->TClientes->Refresh();
    EXPECT_EQ(Dat->TClientes->RecordCount(), 50);
    QSet<int> codes;
    for (Dat->TClientes->First(); !Dat->TClientes->Eof(); Dat->TClientes->Next())
        codes.insert(Dat->TClientes->FieldByName(QStringLiteral("CLIENTE"))->AsInteger());
    EXPECT_EQ(codes.size(), 50);
    EXPECT_EQ(*std::max_element(codes.begin(), codes.end()), 50);
    EXPECT_EQ(Sistem("CLIENTE"), 50);
    EXPECT_TRUE(harness->Messages().empty());
}

TEST_F(DatTest, OtherEngineErrorsShowTheirCodeAndText) {
    EDBEngineError e(0x3303, QStringLiteral("General SQL error."));
    TDataAction action = daFail;
    Dat->error(Dat->TExped, e, action);
    EXPECT_EQ(action, daAbort);
    ASSERT_EQ(harness->Messages().size(), 1u);
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral("Error :13059\rGeneral SQL error."));
    EXPECT_EQ(harness->LastMessage().Icon, mtError);
    EXPECT_EQ(harness->LastMessage().Buttons, std::vector<TMsgDlgBtn>{mbOK});
}

TEST_F(DatTest, ErrorsThatAreNotTheEnginesStillSayWhy) {
    Dat->TExpCli->Append();
    Dat->TExpCli->FieldByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2024"));
    Dat->TExpCli->FieldByName(QStringLiteral("NUMERO"))->SetAsString(QStringLiteral("00001-A"));
    ExpectAbort([&] { Dat->TExpCli->Post(); });
    ASSERT_EQ(harness->Messages().size(), 1u);
    EXPECT_TRUE(harness->LastMessage().Text.contains(QStringLiteral("CLIENTE"))) << harness->LastMessage().Text.toStdString();
    EXPECT_EQ(Dat->TExpCli->State(), dsInsert);
    Dat->TExpCli->Cancel();
}
