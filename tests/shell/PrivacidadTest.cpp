// The users and rights editor over a real data folder, and the rights report.
#include "DatFixture.h"
#include "comun/Abusca.h"
#include "platform/report/QuickRpt.h"
#include "shell/Acceso.h"
#include "shell/UPrivacidad.h"
#include "shell/rptLisPriv.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>

namespace {

using platform::forms::TFormHarness;

class PrivacidadTest : public shelltest::DatTest {
protected:
    void SetUp() override {
        DatTest::SetUp();
        shell::AltaSupervisor();
        Abogado(QStringLiteral("ANA"), QStringLiteral("GARCIA"));
        Abogado(QStringLiteral("LUIS"), QStringLiteral("PEREZ"));
        Abogado(QStringLiteral("LUIS"), QStringLiteral("PEREZ"));  // a namesake
        Usuario(QStringLiteral("PEPE"), QStringLiteral("CLAVE"), 3);
        Dat->TPriv->First();
    }
    void TearDown() override {
        if (form) form->Free();
        DatTest::TearDown();
    }
    int Abogado(const QString& nombre, const QString& apellidos) {
        Dat->TAboCli->Append();
        Dat->TAboCli->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(nombre);
        Dat->TAboCli->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(apellidos);
        Dat->TAboCli->Post();
        return Dat->TAboCli->FieldByName(QStringLiteral("ABOCLI"))->AsInteger();
    }
    void Usuario(const QString& nombre, const QString& clave, int abogado) {
        Dat->TPriv->Append();
        Dat->TPriv->FieldByName(QStringLiteral("Usuario"))->SetAsString(nombre);
        Dat->TPriv->FieldByName(QStringLiteral("Contrasenia"))->SetAsString(clave);
        for (const char* f : {"Expedientes", "Consulta", "Agenda", "Economico", "Fusion"})
            Dat->TPriv->FieldByName(QString::fromLatin1(f))->SetAsBoolean(true);
        Dat->TPriv->FieldByName(QStringLiteral("Abogado"))->SetAsInteger(abogado);
        Dat->TPriv->Post();
    }
    void Abre() {
        form = new TFPrivacidad(nullptr);
        form->activaEdicion(true);
        form->Show();
    }
    void Situa(const QString& usuario) {
        ASSERT_TRUE(Dat->TPriv->Locate(QStringLiteral("Usuario"), Variant(usuario), 0));
    }
    int AbogadoDe(const QString& usuario) {
        TQuery q(nullptr);
        q.SetDatabaseName(QStringLiteral("ZEMBRA"));
        q.SQL()->SetText(QStringLiteral("SELECT Abogado FROM PRIVACIDAD WHERE Usuario = :U"));
        q.ParamByName(QStringLiteral("U"))->SetAsString(usuario);
        q.Open();
        return q.Fields()->Fields(0)->AsInteger();
    }
    bool Derecho(const char* campo) { return Dat->TPriv->FieldByName(QString::fromLatin1(campo))->AsBoolean(); }
    TFPrivacidad* form = nullptr;
};

TEST_F(PrivacidadTest, TheLawyerListHoldsNobodyEverybodyAndEveryLawyerByCode) {
    Abre();
    EXPECT_EQ(form->Caption(), QStringLiteral("Control de Accesos"));
    EXPECT_EQ(form->HelpContext(), 250);
    ASSERT_EQ(form->cbAbogado->Items()->Count(), 5);
    EXPECT_EQ(form->cbAbogado->Items()->Strings(0), QStringLiteral("NINGUNO"));
    EXPECT_EQ(form->cbAbogado->Items()->Strings(1), QStringLiteral("TODOS"));
    EXPECT_EQ(form->cbAbogado->Items()->Strings(2), QStringLiteral("ANA GARCIA"));
    EXPECT_EQ(form->cbAbogado->Items()->Strings(4), QStringLiteral("LUIS PEREZ"));
    EXPECT_EQ(form->CodigosAbogado(), (std::vector<int>{0, -1, 1, 2, 3}));
    // PEPE reaches the second LUIS PEREZ (code 3): that entry, not the first of the name.
    Situa(QStringLiteral("PEPE"));
    EXPECT_EQ(form->cbAbogado->ItemIndex(), 4);
    Situa(QStringLiteral("SUPERVISOR"));
    EXPECT_EQ(form->cbAbogado->Text(), QStringLiteral("TODOS"));
    EXPECT_EQ(form->cbExped->Caption(), QStringLiteral("Si"));
    Situa(QStringLiteral("PEPE"));
    EXPECT_EQ(form->cbPriv->Caption(), QStringLiteral("No"));
    EXPECT_EQ(form->cbExped->Caption(), QStringLiteral("Si"));
}

TEST_F(PrivacidadTest, TheSupervisorKeepsItsRightsAndNameButMayChangeItsPassword) {
    Abre();
    Situa(QStringLiteral("SUPERVISOR"));
    TFormHarness::Click(form->btEdit->Button());
    ASSERT_EQ(Dat->TPriv->State(), dsEdit);
    for (TDBCheckBox* cb : {form->cbPriv, form->cbExped, form->cbGeneral, form->cbEconomico}) EXPECT_FALSE(cb->Enabled());
    EXPECT_FALSE(form->cbAbogado->Enabled());
    EXPECT_FALSE(form->DBUser->Enabled());
    EXPECT_TRUE(form->DBEdit2->Enabled());
    EXPECT_TRUE(form->BtOk->Visible());
    EXPECT_EQ(form->ModeIndicator->Caption(), QStringLiteral("[Estado :Modificar]"));
    TFormHarness::Type(form->DBEdit2, QStringLiteral("nueva"));
    TFormHarness::Click(form->BtOk);
    EXPECT_EQ(Dat->TPriv->State(), dsBrowse);
    EXPECT_TRUE(shell::CompruebaUsuario(QStringLiteral("SUPERVISOR"), QStringLiteral("NUEVA")));
    EXPECT_FALSE(shell::CompruebaUsuario(QStringLiteral("SUPERVISOR"), QStringLiteral("KODRAM")));
    EXPECT_EQ(form->DBEdit2->Text(), QString());
    EXPECT_EQ(AbogadoDe(QStringLiteral("SUPERVISOR")), -1);
}

// Nothing is typed into a user shown, the password no more than the name: a password typed
// there went on into the next edit and was saved with it.
TEST_F(PrivacidadTest, ThePasswordBoxTakesNoTypingWhileTheUserIsOnlyShown) {
    Abre();
    Situa(QStringLiteral("PEPE"));
    ASSERT_EQ(Dat->TPriv->State(), dsBrowse);
    TFormHarness::Type(form->DBEdit2, QStringLiteral("otra"));
    TFormHarness::Type(form->DBUser, QStringLiteral("x"));
    EXPECT_EQ(form->DBEdit2->Text(), QString());
    EXPECT_EQ(form->DBUser->Text(), QStringLiteral("PEPE"));
    TFormHarness::Click(form->btEdit->Button());
    ASSERT_EQ(Dat->TPriv->State(), dsEdit);
    TFormHarness::Click(form->BtOk);
    EXPECT_TRUE(shell::CompruebaUsuario(QStringLiteral("PEPE"), QStringLiteral("CLAVE")));
    // Editing, it takes the new one; shown again, none.
    TFormHarness::Click(form->btEdit->Button());
    TFormHarness::Type(form->DBEdit2, QStringLiteral("otra"));
    EXPECT_EQ(form->DBEdit2->Text(), QStringLiteral("OTRA"));
    TFormHarness::Click(form->BtNo);
    EXPECT_EQ(Dat->TPriv->State(), dsBrowse);
    TFormHarness::Type(form->DBEdit2, QStringLiteral("z"));
    EXPECT_EQ(form->DBEdit2->Text(), QString());
}

TEST_F(PrivacidadTest, AnEmptyPasswordBoxKeepsThePasswordAndANewUserMustGetOne) {
    Abre();
    Situa(QStringLiteral("PEPE"));
    TFormHarness::Click(form->btEdit->Button());
    EXPECT_TRUE(form->cbPriv->Enabled());
    EXPECT_TRUE(form->DBUser->Enabled());
    TFormHarness::Click(form->cbListados);
    EXPECT_EQ(form->cbListados->Caption(), QStringLiteral("Si"));
    TFormHarness::Click(form->BtOk);
    ASSERT_EQ(Dat->TPriv->State(), dsBrowse);
    EXPECT_TRUE(Derecho("Listados"));
    EXPECT_TRUE(shell::CompruebaUsuario(QStringLiteral("PEPE"), QStringLiteral("CLAVE")));

    TFormHarness::Click(form->btAdd->Button());
    ASSERT_EQ(Dat->TPriv->State(), dsInsert);
    TFormHarness::Type(form->DBUser, QStringLiteral("luisa"));
    TFormHarness::Click(form->BtOk);
    EXPECT_EQ(Texts(), QStringList{QString::fromUtf8("CONTRASEÑA no puede quedar vacía")});
    EXPECT_EQ(Dat->TPriv->State(), dsInsert);
    TFormHarness::Type(form->DBEdit2, QStringLiteral("secreta"));
    TFormHarness::Click(form->BtOk);
    ASSERT_EQ(Dat->TPriv->State(), dsBrowse);
    EXPECT_TRUE(shell::CompruebaUsuario(QStringLiteral("LUISA"), QStringLiteral("SECRETA")));
    EXPECT_EQ(AbogadoDe(QStringLiteral("LUISA")), 0);
}

// The user logged in may manage the others but not delete itself: the session would go on as the
// next user of the table, with that user's rights and reach.
TEST_F(PrivacidadTest, TheUserLoggedInCannotDeleteItselfButDeletesOthers) {
    Usuario(QStringLiteral("LOLA"), QStringLiteral("OTRA"), 3);
    Situa(QStringLiteral("PEPE"));
    Abre();
    TFormHarness::PressKey(form, VK_DELETE, ssCtrl);
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("No puede borrar el USUARIO con el que ha entrado")});
    EXPECT_TRUE(shell::CompruebaUsuario(QStringLiteral("PEPE"), QStringLiteral("CLAVE")));
    EXPECT_EQ(Dat->TPriv->FieldByName(QStringLiteral("Usuario"))->AsString(), QStringLiteral("PEPE"));

    harness->ClearRecords();
    Situa(QStringLiteral("LOLA"));
    harness->AnswerMessage(mrYes);
    TFormHarness::Click(form->btDel->Button());
    EXPECT_FALSE(shell::CompruebaUsuario(QStringLiteral("LOLA"), QStringLiteral("OTRA")));

    harness->ClearRecords();
    Situa(QStringLiteral("SUPERVISOR"));
    TFormHarness::Click(form->btDel->Button());
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("SUPERVISOR no puede ser borrado")});
    EXPECT_TRUE(shell::CompruebaUsuario(QStringLiteral("SUPERVISOR"), QStringLiteral("KODRAM")));
}

TEST_F(PrivacidadTest, NobodyClearsAndLocksTheFiveDataRightsAndALawyerSetsThem) {
    Abre();
    Situa(QStringLiteral("PEPE"));
    TFormHarness::Click(form->btEdit->Button());
    form->cbAbogado->SetItemIndex(0);
    form->cbAbogadoChange(form->cbAbogado);
    for (TDBCheckBox* cb : {form->cbExped, form->cbConsul, form->cbAgenda, form->cbEconomico, form->cbEscritos}) {
        EXPECT_FALSE(cb->Enabled()) << cb->Name().toStdString();
        EXPECT_EQ(cb->Caption(), QStringLiteral("No"));
    }
    EXPECT_TRUE(form->cbPriv->Enabled());
    TFormHarness::Click(form->BtOk);
    ASSERT_EQ(Dat->TPriv->State(), dsBrowse);
    EXPECT_EQ(AbogadoDe(QStringLiteral("PEPE")), 0);
    for (const char* f : {"Expedientes", "Consulta", "Agenda", "Economico", "Fusion"}) EXPECT_FALSE(Derecho(f)) << f;

    TFormHarness::Click(form->btEdit->Button());
    form->cbAbogado->SetItemIndex(2);
    form->cbAbogadoChange(form->cbAbogado);
    TFormHarness::Click(form->BtOk);
    EXPECT_EQ(AbogadoDe(QStringLiteral("PEPE")), 1);
    for (const char* f : {"Expedientes", "Consulta", "Agenda", "Economico", "Fusion"}) EXPECT_TRUE(Derecho(f)) << f;
}

// A lawyer code with no lawyer row is kept by a save that does not choose another: as written
// the user would show "NINGUNO" and be saved with code 0 and the five data rights still on.
TEST_F(PrivacidadTest, AStoredCodeWithoutLawyerIsKeptUnlessAnotherIsChosen) {
    Usuario(QStringLiteral("RITA"), QStringLiteral("R"), 99);
    Abre();
    Situa(QStringLiteral("RITA"));
    EXPECT_EQ(form->cbAbogado->ItemIndex(), -1);
    TFormHarness::Click(form->btEdit->Button());
    TFormHarness::Click(form->cbModelos);
    TFormHarness::Click(form->BtOk);
    ASSERT_EQ(Dat->TPriv->State(), dsBrowse);
    EXPECT_EQ(AbogadoDe(QStringLiteral("RITA")), 99);
    EXPECT_TRUE(Derecho("Modelos"));
    EXPECT_TRUE(Derecho("Expedientes"));
    // The namesake's user keeps the namesake.
    Situa(QStringLiteral("PEPE"));
    TFormHarness::Click(form->btEdit->Button());
    TFormHarness::Click(form->BtOk);
    EXPECT_EQ(AbogadoDe(QStringLiteral("PEPE")), 3);
}

TEST_F(PrivacidadTest, SearchFindsAUserByName) {
    Abre();
    Situa(QStringLiteral("SUPERVISOR"));
    harness->AnswerModal([](TCustomForm& f) {
        auto& b = dynamic_cast<TBuscar&>(f);
        EXPECT_EQ(b.Caption(), QStringLiteral("Buscar Usuario"));
        ASSERT_TRUE(b.QBusca->Locate(QStringLiteral("NOMBRE"), Variant(QStringLiteral("PEPE")), 0));
        f.SetModalResult(mrOk);
    });
    TFormHarness::Click(form->btBuscar->Button());
    EXPECT_EQ(shell::UsuarioSesion(), QStringLiteral("PEPE"));
}

TEST_F(PrivacidadTest, TheRightsReportListsEveryUserWithoutPasswords) {
    Abre();
    harness->ClearRecords();
    TFormHarness::Click(form->btImprimir->Button());
    ASSERT_EQ(harness->ModalForms().size(), 1u);
    EXPECT_EQ(harness->ModalForms()[0].FormClass, QStringLiteral("TPreView"));
    EXPECT_FALSE(QRPrinter->OnPreview.Assigned());
    EXPECT_TRUE(form->btImprimir->OnClick().Assigned());
    ASSERT_EQ(QRPrinter->PageCount(), 1);
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) GTEST_SKIP() << "no pdftotext";
    const QString pdf = dir.filePath(QStringLiteral("privacidad.pdf"));
    QRPrinter->ExportToPdf(pdf);
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    ASSERT_TRUE(p.waitForFinished(20000));
    const QString texto = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_TRUE(texto.contains(QStringLiteral("LISTADO DE PRIVACIDAD"))) << texto.toStdString();
    EXPECT_TRUE(texto.contains(QString::fromUtf8("Página : 1")));
    EXPECT_TRUE(texto.contains(QString::fromUtf8("Económico")));
    const QStringList lineas = texto.split(QLatin1Char('\n'));
    auto linea = [&](const QString& usuario) {
        for (const QString& l : lineas)
            if (l.simplified().startsWith(usuario + QLatin1Char(' '))) return l.simplified();
        return QString();
    };
    EXPECT_EQ(linea(QStringLiteral("SUPERVISOR")), QStringLiteral("SUPERVISOR Si Si Si Si Si Si TODOS Si Si Si"));
    EXPECT_EQ(linea(QStringLiteral("PEPE")), QStringLiteral("PEPE No No Si Si Si No LUIS PEREZ Si Si No"));
    EXPECT_FALSE(texto.contains(QStringLiteral("argon")));
    EXPECT_FALSE(texto.contains(QStringLiteral("CLAVE")));
    if (!QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty()) {
        QProcess r;
        r.start(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("80"), QStringLiteral("-singlefile"),
                                             pdf, QStringLiteral(ZEMBRA_TEST_BINARY_DIR "/rptLisPriv")});
        EXPECT_TRUE(r.waitForFinished(60000));
    }
}

TEST_F(PrivacidadTest, RenderOfTheEditor) {
    Abre();
    Situa(QStringLiteral("PEPE"));
    const QString path = QStringLiteral(ZEMBRA_TEST_BINARY_DIR "/UPrivacidad.png");
    ASSERT_TRUE(TFormHarness::SaveToPng(form, path));
    const QImage img(path);
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.width(), form->Width());
    // Browsing: every record command is offered, the rights are shown but locked.
    for (TSpeedItem* i : {form->btFirst, form->btNext, form->btAdd, form->btEdit, form->btDel, form->btBuscar, form->btImprimir})
        EXPECT_TRUE(i->Visible() && i->Enabled()) << i->Name().toStdString();
    EXPECT_FALSE(form->btAsigna->Visible());
    EXPECT_FALSE(form->cbExped->Enabled());
    EXPECT_FALSE(form->cbAbogado->Enabled());
    EXPECT_EQ(form->cbAbogado->Text(), QStringLiteral("LUIS PEREZ"));
}

}  // namespace
