// The start-up as the program runs it (the same routine app/main calls): splash, folders, data,
// the first user, the login gate and the exit dialog, over real data folders.
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "platform/classes/Registry.h"
#include "platform/db/Driver.h"
#include "platform/forms/FormHarness.h"
#include "platform/rtl/SysUtils.h"
#include "shell/Acceso.h"
#include "shell/Inicio.h"
#include "shell/UFin.h"
#include "shell/UPrincipal.h"
#include "shell/UPrograma.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using platform::forms::TFormHarness;

namespace {

QString S(const char* s) { return QString::fromUtf8(s); }

class ArranqueTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(config.isValid() && datos.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        harness = std::make_unique<TFormHarness>();
        // The machine's document application is not the test's business.
        comun::EditorRegistrado = [] { return QStringLiteral("writer.desktop"); };
        TRegIniFile reg(comun::ClavePrograma(comun::NombreBase(Application->ExeName())));
        reg.WriteString(QStringLiteral("Install"), QStringLiteral("Datos"), datos.path());
    }
    void TearDown() override {
        shell::FinPrograma();
        comun::EditorRegistrado = comun::EditorDeXdg;
        harness.reset();
        qunsetenv("XDG_CONFIG_HOME");
    }
    // Users stored in the data folder before the program starts.
    void Usuarios(const std::vector<std::pair<const char*, const char*>>& usuarios) {
        CarpetaDatos = datos.path();
        Dat = new TDat(nullptr);
        for (const auto& [nombre, clave] : usuarios) {
            Dat->TPriv->Append();
            Dat->TPriv->FieldByName(QStringLiteral("Usuario"))->SetAsString(QString::fromUtf8(nombre));
            Dat->TPriv->FieldByName(QStringLiteral("Contrasenia"))->SetAsString(QString::fromUtf8(clave));
            Dat->TPriv->Post();
        }
        delete Dat;
        Dat = nullptr;
    }
    // The login answered by a script of attempts: each pair is typed and OK is clicked.
    void Responde(std::vector<std::pair<QString, QString>> intentos, std::function<void(TEntrada&)> fin = nullptr) {
        harness->AnswerModal([intentos, fin](TCustomForm& f) {
            auto& e = dynamic_cast<TEntrada&>(f);
            for (const auto& [usuario, clave] : intentos) {
                e.ENombre->SetText(QString());
                e.EPassword->SetText(QString());
                TFormHarness::Type(e.ENombre, usuario);
                TFormHarness::Type(e.EPassword, clave);
                TFormHarness::Click(e.BitBtn1);
                if (f.ModalResult() != mrNone) return;
            }
            if (fin) fin(e);
        });
    }
    QStringList Mensajes() const {
        QStringList r;
        for (const auto& m : harness->Messages()) r << m.Text;
        return r;
    }
    bool LoginMostrado() const {
        for (const auto& m : harness->ModalForms())
            if (m.Caption == S("Identificación")) return true;
        return false;
    }

    QTemporaryDir config, datos;
    std::unique_ptr<TFormHarness> harness;
};

// ---------------------------------------------------------------------------------------------- no login

TEST_F(ArranqueTest, ANewFolderOpensStraightInAsSupervisorWithTheCountersOfTheYear) {
    ASSERT_TRUE(shell::Arranca());
    EXPECT_EQ(CarpetaDatos, datos.path());
    EXPECT_EQ(NombreEjecutable, QStringLiteral("test_shell"));
    EXPECT_TRUE(CarpetaEjecutable.endsWith(QLatin1Char('/')));
    EXPECT_EQ(CarpetaPrograma + QLatin1Char('/'), CarpetaEjecutable);
    EXPECT_EQ(Application->Title(), QStringLiteral("Zembra 4.0"));
    EXPECT_FALSE(LoginMostrado());
    EXPECT_TRUE(harness->Messages().empty());
    EXPECT_EQ(Dat->TPriv->RecordCount(), 1);
    EXPECT_EQ(shell::UsuarioSesion(), QStringLiteral("SUPERVISOR"));
    for (const char* f : {"Privacidad", "Expedientes", "Consulta", "Agenda", "Modelos", "Fusion", "Listados", "Economico", "General"})
        EXPECT_TRUE(Dat->TPriv->FieldByName(QString::fromLatin1(f))->AsBoolean()) << f;
    EXPECT_EQ(Dat->TPriv->FieldByName(QStringLiteral("Abogado"))->AsInteger(), -1);
    EXPECT_TRUE(shell::CompruebaUsuario(QStringLiteral("SUPERVISOR"), QStringLiteral("KODRAM")));
    // The splash has done its work: full gauge, hidden, its animation our own.
    ASSERT_NE(Presenta, nullptr);
    EXPECT_FALSE(Presenta->Visible());
    EXPECT_EQ(Presenta->Ps->Progress(), 100);
    EXPECT_EQ(Presenta->ZbGIFAnimator1->Image()->Count(), 12);
    EXPECT_TRUE(Presenta->ZbGIFAnimator1->Animate());
    // The main window is the program's window and says who is in.
    ASSERT_NE(Principio, nullptr);
    EXPECT_EQ(Application->MainForm(), Principio);
    Principio->Show();
    EXPECT_EQ(Principio->LineaEstado->Panels()->Items(1)->Text(), QStringLiteral("Usuario : SUPERVISOR"));
    // A new year has its counters' row, with nothing counted yet.
    int ano = 0, mes = 0, dia = 0;
    DecodeDate(Date(), ano, mes, dia);
    ASSERT_TRUE(Dat->TTabcon->Locate(QStringLiteral("ANO"), Variant(ano), 0));
    EXPECT_EQ(Dat->TTabcon->RecordCount(), 1);
    EXPECT_EQ(Dat->TTabcon->FieldByName(QStringLiteral("CONTEXP"))->AsString(), QString());
    EXPECT_EQ(Dat->TTabcon->FieldByName(QStringLiteral("NUMFACTU"))->AsInteger(), 0);
}

TEST_F(ArranqueTest, OneUserEntersWithoutLogin) {
    Usuarios({{"PEPE", "CLAVE"}});
    ASSERT_TRUE(shell::Arranca());
    EXPECT_FALSE(LoginMostrado());
    EXPECT_EQ(Dat->TPriv->RecordCount(), 1);  // no supervisor added beside an existing user
    EXPECT_EQ(shell::UsuarioSesion(), QStringLiteral("PEPE"));
}

TEST_F(ArranqueTest, TwoProgramsStartedAtOnceOnANewFolderBothEnterAsSupervisor) {
    // This program found no user while opening the data; the other one, started at the same
    // moment, adds the first user before this one's main window is made.
    CarpetaDatos = datos.path();
    Dat = new TDat(nullptr);
    ASSERT_TRUE(Dat->TPriv->IsEmpty());
    platform::db::OpenSqlite(datos.path())
        ->Insert(QStringLiteral("PRIVACIDAD"), {QStringLiteral("Usuario"), QStringLiteral("Contrasenia"), QStringLiteral("Abogado")},
                 {QVariant(QStringLiteral("SUPERVISOR")), QVariant(QStringLiteral("x")), QVariant(-1)});
    Application->CreateForm(Principio);
    EXPECT_EQ(Mensajes(), QStringList());
    EXPECT_EQ(Dat->TPriv->State(), dsBrowse);
    EXPECT_EQ(Dat->TPriv->RecordCount(), 1);
    EXPECT_EQ(shell::UsuarioSesion(), QStringLiteral("SUPERVISOR"));
    // The main window is whole: it offers the working years.
    EXPECT_GT(Principio->AnoActual->Items()->Count(), 0);
}

// ---------------------------------------------------------------------------------------------- login

TEST_F(ArranqueTest, TwoUsersAskForLoginAndTheRightPasswordEntersAsThatUser) {
    Usuarios({{"ANA", "UNO"}, {"PEPE", "DOS 2"}});
    // Typed in lower case: the boxes turn it into capitals; the blank is part of the password.
    Responde({{QStringLiteral("pepe"), QStringLiteral("dos 2")}});
    ASSERT_TRUE(shell::Arranca());
    EXPECT_TRUE(LoginMostrado());
    EXPECT_EQ(shell::UsuarioSesion(), QStringLiteral("PEPE"));
    EXPECT_TRUE(harness->Messages().empty());
}

TEST_F(ArranqueTest, TwoWrongTriesThenTheRightOneEnter) {
    Usuarios({{"ANA", "UNO"}, {"PEPE", "DOS"}});
    Responde({{QStringLiteral("PEPE"), QStringLiteral("UNO")},
              {QStringLiteral("NADIE"), QStringLiteral("DOS")},
              {QStringLiteral("PEPE"), QStringLiteral("DOS")}});
    ASSERT_TRUE(shell::Arranca());
    EXPECT_EQ(shell::UsuarioSesion(), QStringLiteral("PEPE"));
}

TEST_F(ArranqueTest, ThreeWrongTriesEndTheProgram) {
    Usuarios({{"ANA", "UNO"}, {"PEPE", "DOS"}});
    // Blanks count: " DOS" and "DOS " are not "DOS".
    Responde({{QStringLiteral("PEPE"), QStringLiteral(" DOS")},
              {QStringLiteral("PEPE"), QStringLiteral("DOS ")},
              {QStringLiteral("PEPE "), QStringLiteral("DOS")},
              {QStringLiteral("PEPE"), QStringLiteral("DOS")}});
    EXPECT_FALSE(shell::Arranca());
    EXPECT_EQ(Mensajes(), QStringList{S("Identificación incorrecta")});
    EXPECT_EQ(harness->LastMessage().Caption, S("¡¡ ERROR !!"));
    EXPECT_EQ(IntentosEntrada, 3);
    ASSERT_NE(Principio, nullptr);
    EXPECT_FALSE(Principio->Visible());
}

TEST_F(ArranqueTest, EscapeEndsTheProgram) {
    Usuarios({{"ANA", "UNO"}, {"PEPE", "DOS"}});
    harness->AnswerModal([](TCustomForm& f) {
        TFormHarness::Focus(dynamic_cast<TEntrada&>(f).ENombre);
        TFormHarness::PressKey(VK_ESCAPE);
    });
    EXPECT_FALSE(shell::Arranca());
    ASSERT_FALSE(harness->ModalForms().empty());
    EXPECT_EQ(harness->ModalForms().back().Result, mrNo);
    EXPECT_EQ(Mensajes(), QStringList{S("Identificación incorrecta")});
}

// The login closed by the system keys, after a wrong password for the supervisor: as written the
// program would run, with the supervisor's rights.
TEST_F(ArranqueTest, ALoginWindowClosedAnyOtherWayEndsTheProgram) {
    Usuarios({{"ANA", "UNO"}, {"SUPERVISOR", "KODRAM"}});
    Responde({{QStringLiteral("SUPERVISOR"), QStringLiteral("NOLOSE")}}, [](TEntrada& e) { e.Close(); });
    EXPECT_FALSE(shell::Arranca());
    EXPECT_EQ(harness->ModalForms().back().Result, mrCancel);
    EXPECT_EQ(Mensajes(), QStringList{S("Identificación incorrecta")});
}

TEST_F(ArranqueTest, AWrongPasswordNeverMovesTheUsersTable) {
    Usuarios({{"ANA", "UNO"}, {"SUPERVISOR", "KODRAM"}});
    QString tras;
    Responde({{QStringLiteral("SUPERVISOR"), QStringLiteral("NOLOSE")}}, [&tras](TEntrada& e) {
        tras = shell::UsuarioSesion();
        TFormHarness::Click(e.BitBtn2);
    });
    EXPECT_FALSE(shell::Arranca());
    EXPECT_EQ(tras, QStringLiteral("ANA"));
    EXPECT_EQ(shell::UsuarioSesion(), QStringLiteral("ANA"));
}

TEST_F(ArranqueTest, EnterInTheLoginMovesToTheNextBox) {
    Usuarios({{"ANA", "UNO"}, {"PEPE", "DOS"}});
    TWinControl* tras = nullptr;
    harness->AnswerModal([&tras](TCustomForm& f) {
        auto& e = dynamic_cast<TEntrada&>(f);
        TFormHarness::Focus(e.ENombre);
        TFormHarness::Type(QStringLiteral("ANA"));
        TFormHarness::PressKey(VK_RETURN);
        tras = TFormHarness::Focused();
        TFormHarness::Type(QStringLiteral("UNO"));
        TFormHarness::PressKey(VK_RETURN);
        // Enter on the focused OK button is OK.
        EXPECT_EQ(TFormHarness::Focused(), e.BitBtn1);
        TFormHarness::PressKey(VK_RETURN);
    });
    ASSERT_TRUE(shell::Arranca());
    EXPECT_EQ(tras != nullptr ? tras->Name() : QString(), QStringLiteral("EPassword"));
    EXPECT_EQ(shell::UsuarioSesion(), QStringLiteral("ANA"));
}

// ---------------------------------------------------------------------------------------------- passwords

TEST_F(ArranqueTest, PasswordsAreStoredAsSaltedHashesOnly) {
    Usuarios({{"ANA", "KODRAM"}, {"PEPE", "KODRAM"}});
    CarpetaDatos = datos.path();
    Dat = new TDat(nullptr);
    QStringList guardadas;
    for (Dat->TPriv->First(); !Dat->TPriv->Eof(); Dat->TPriv->Next())
        guardadas << Dat->TPriv->FieldByName(QStringLiteral("Contrasenia"))->AsString();
    ASSERT_EQ(guardadas.size(), 2);
    for (const QString& g : guardadas) {
        EXPECT_TRUE(g.startsWith(QStringLiteral("$argon2id$"))) << g.toStdString();
        EXPECT_FALSE(g.contains(QStringLiteral("KODRAM")));
    }
    EXPECT_NE(guardadas[0], guardadas[1]);  // salted: the same password never looks the same
    EXPECT_TRUE(shell::CompruebaUsuario(QStringLiteral("ANA"), QStringLiteral("KODRAM")));
    EXPECT_FALSE(shell::CompruebaUsuario(QStringLiteral("ANA"), QStringLiteral("kodram")));
    EXPECT_FALSE(shell::CompruebaUsuario(QStringLiteral("ANA"), guardadas[0]));  // the hash is no password
    // Saving a user again keeps its hash as it is.
    Dat->TPriv->First();
    Dat->TPriv->Edit();
    Dat->TPriv->FieldByName(QStringLiteral("Listados"))->SetAsBoolean(true);
    Dat->TPriv->Post();
    EXPECT_TRUE(shell::CompruebaUsuario(QStringLiteral("ANA"), QStringLiteral("KODRAM")));
    delete Dat;
    Dat = nullptr;
    // Nowhere in the data file is the password readable.
    QFile f(QDir(datos.path()).filePath(QStringLiteral("zembra.db")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_FALSE(f.readAll().contains("KODRAM"));
}

// A users row written by another program keeps its password as typed, or none at all: with no
// hash stored nobody enters as that user, whatever is typed, the stored text itself included.
TEST_F(ArranqueTest, AStoredPasswordThatIsNoHashLetsNobodyIn) {
    Usuarios({{"ANA", "UNO"}, {"PEPE", "DOS"}});
    CarpetaDatos = datos.path();
    Dat = new TDat(nullptr);
    {
        TQuery q(nullptr);
        q.SetDatabaseName(QStringLiteral("ZEMBRA"));
        q.SQL()->SetText(QStringLiteral("UPDATE PRIVACIDAD SET Contrasenia = 'DOS' WHERE Usuario = 'PEPE'"));
        q.ExecSQL();
        q.SQL()->SetText(QStringLiteral("INSERT INTO PRIVACIDAD (Usuario, Contrasenia) VALUES ('LUIS', ''), ('EVA', NULL)"));
        q.ExecSQL();
    }
    for (const char* usuario : {"PEPE", "LUIS", "EVA"})
        for (const char* clave : {"DOS", "", " ", "dos"})
            EXPECT_FALSE(shell::CompruebaUsuario(QString::fromLatin1(usuario), QString::fromLatin1(clave))) << usuario << "/" << clave;
    EXPECT_TRUE(shell::CompruebaUsuario(QStringLiteral("ANA"), QStringLiteral("UNO")));
    delete Dat;
    Dat = nullptr;
    // At the login the three tries are refused and the program ends.
    Responde({{QStringLiteral("PEPE"), QStringLiteral("DOS")}, {QStringLiteral("LUIS"), QString()}, {QStringLiteral("EVA"), QString()}});
    EXPECT_FALSE(shell::Arranca());
    EXPECT_EQ(Mensajes(), QStringList{S("Identificación incorrecta")});
}

// ---------------------------------------------------------------------------------------------- damaged data

TEST_F(ArranqueTest, ACoreTableThatCannotBeOpenedEndsTheStartUpNamingIt) {
    Usuarios({});
    {
        // A users table of another program under the same name: none of the fields expected.
        auto conn = platform::db::OpenSqlite(datos.path());
        conn->DropTable(QStringLiteral("Privacidad"));
        platform::db::TTableDesc ajena;
        ajena.Name = QStringLiteral("Privacidad");
        ajena.Columns = {{QStringLiteral("X"), platform::db::TColumnType::Integer, 0, false}};
        conn->CreateTable(ajena);
    }
    EXPECT_FALSE(shell::Arranca());
    EXPECT_EQ(Dat, nullptr);
    EXPECT_EQ(Principio, nullptr);  // no supervisor made on a closed users table
    EXPECT_FALSE(LoginMostrado());
    ASSERT_EQ(harness->Messages().size(), 1u);
    const QString texto = harness->LastMessage().Text;
    EXPECT_TRUE(texto.contains(QStringLiteral("Privacidad.db"))) << texto.toStdString();
    EXPECT_TRUE(texto.contains(QStringLiteral("not found"), Qt::CaseInsensitive)) << texto.toStdString();
    EXPECT_FALSE(Presenta->Visible());
}

TEST_F(ArranqueTest, AMissingDataFolderIsNamed) {
    TRegIniFile reg(comun::ClavePrograma(NombreEjecutable.isEmpty() ? QStringLiteral("test_shell") : NombreEjecutable));
    reg.WriteString(QStringLiteral("Install"), QStringLiteral("Datos"), datos.path() + QStringLiteral("/no-existe"));
    EXPECT_FALSE(shell::Arranca());
    EXPECT_EQ(Dat, nullptr);
    ASSERT_EQ(harness->Messages().size(), 1u);
    EXPECT_TRUE(harness->LastMessage().Text.contains(datos.path() + QStringLiteral("/no-existe")));
}

// Another workstation's lock files must survive this one's start-up.
TEST_F(ArranqueTest, StartUpNeverDeletesLockFiles) {
    QStringList locks;
    for (const char* n : {"PARADOX.LCK", "PDOXUSRS.LCK"}) {
        locks << QDir(datos.path()).filePath(QString::fromLatin1(n));
        QFile f(locks.back());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("otro puesto");
    }
    ASSERT_TRUE(shell::Arranca());
    for (const QString& l : locks) EXPECT_TRUE(QFile::exists(l)) << l.toStdString();
}

// ---------------------------------------------------------------------------------------------- exit dialog

TEST_F(ArranqueTest, TheExitDialogAnswersNoToEnterAndEscapeAndOkOnItsButton) {
    for (quint16 tecla : {quint16(VK_RETURN), quint16(VK_ESCAPE)}) {
        harness->AnswerModal([tecla](TCustomForm& f) {
            auto& fin = dynamic_cast<TFFin&>(f);
            EXPECT_TRUE(fin.Guardar->Checked());
            TFormHarness::Focus(fin.Guardar);
            TFormHarness::PressKey(tecla);
        });
        auto fin = std::make_unique<TFFin>(nullptr);
        EXPECT_EQ(fin->ShowModal(), mrNo);
    }
    harness->AnswerModal([](TCustomForm& f) {
        auto& fin = dynamic_cast<TFFin&>(f);
        TFormHarness::Click(fin.Guardar);
        TFormHarness::Click(fin.BtOk);
    });
    auto fin = std::make_unique<TFFin>(nullptr);
    EXPECT_EQ(fin->ShowModal(), mrOk);
    EXPECT_FALSE(fin->Guardar->Checked());
}

}  // namespace
