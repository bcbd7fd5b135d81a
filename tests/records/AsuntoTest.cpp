// The matter form: the court history's push and undo, and what may be typed in each state.
#include "CasoFixture.h"
#include "records/UAsunto.h"
#include "comun/UObservacion.h"
#include "platform/graphics/Clipbrd.h"

namespace {

using platform::forms::TFormHarness;

class AsuntoTest : public casotest::CasoTest {
protected:
    void SetUp() override {
        CasoTest::SetUp();
        AddCase(QStringLiteral("2001"), QStringLiteral("00012-A"));
        ASSERT_TRUE(GoCase(QStringLiteral("2001"), QStringLiteral("00012-A")));
        form = new TAsunto(nullptr);
        form->activaEdicion(true);
        form->Show();
        form->FormShow(form);
    }
    void TearDown() override {
        delete form;
        CasoTest::TearDown();
    }
    void Juego(const QString& sufijo, const QString& trib, const QString& pob, const QString& proc, const QString& autos) {
        Escribe(QStringLiteral("TRIBUNAL") + sufijo, trib);
        Escribe(QStringLiteral("POBLACION") + sufijo, pob);
        Escribe(QStringLiteral("PROCEDIMIENTO") + sufijo, proc);
        Escribe(QStringLiteral("AUTOS") + sufijo, autos);
    }
    void Escribe(const QString& campo, const QString& valor) { Dat->TExped->FieldByName(campo)->SetAsString(valor); }
    QStringList Leido(const QString& sufijo) {
        QStringList r;
        for (const char* b : {"TRIBUNAL", "POBLACION", "PROCEDIMIENTO", "AUTOS"})
            r << Dat->TExped->FieldByName(QString::fromLatin1(b) + sufijo)->AsString();
        return r;
    }
    TAsunto* form = nullptr;
};

TEST_F(AsuntoTest, PushMovesEverySetDownAndUndoRestoresItOnce) {
    form->btEdit->Click();
    Juego(QString(), QStringLiteral("JUZGADO 3"), QStringLiteral("GETAFE"), QStringLiteral("VERBAL"), QStringLiteral("245/01"));
    Juego(QStringLiteral("1"), QStringLiteral("JUZGADO 1"), QStringLiteral("MADRID"), QStringLiteral("MONITORIO"), QStringLiteral("12/00"));
    Juego(QStringLiteral("2"), QStringLiteral("JUZGADO PAZ"), QStringLiteral("PINTO"), QStringLiteral("CONCILIACION"), QStringLiteral("1/99"));
    const QStringList actual = Leido(QString()), uno = Leido(QStringLiteral("1")), dos = Leido(QStringLiteral("2"));
    EXPECT_TRUE(form->btNuevo->Visible());
    form->btNuevo->Click();
    EXPECT_EQ(Leido(QString()), (QStringList{QString(), QString(), QString(), QString()}));
    EXPECT_EQ(Leido(QStringLiteral("1")), actual);
    EXPECT_EQ(Leido(QStringLiteral("2")), uno);
    EXPECT_EQ(Leido(QStringLiteral("3")), dos);

    form->btDeshacer->Click();
    EXPECT_EQ(Leido(QString()), actual);
    EXPECT_EQ(Leido(QStringLiteral("1")), uno);
    EXPECT_EQ(Leido(QStringLiteral("2")), dos);
    EXPECT_EQ(Dat->TExped->FieldByName(QStringLiteral("TRIBUNAL3"))->AsString(), QStringLiteral("X"));
    EXPECT_EQ(Dat->TExped->FieldByName(QStringLiteral("AUTOS3"))->AsString(), QStringLiteral("1/99"));

    form->btDeshacer->Click();
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral(" NO SE PUEDE DESHACER "));
    EXPECT_EQ(Leido(QString()), actual);

    form->BtOk->Click();
    EXPECT_EQ(Valor(QStringLiteral("SELECT TRIBUNAL FROM EXPED WHERE NUMERO = '00012-A'")).AsString(), QStringLiteral("JUZGADO 3"));
}

TEST_F(AsuntoTest, PushNeedsCourtProcedureAndDocketInThatOrder) {
    form->btEdit->Click();
    form->btNuevo->Click();
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral(" TRIBUNAL esta en BLANCO "));
    Escribe(QStringLiteral("TRIBUNAL"), QStringLiteral("JUZGADO 3"));
    form->btNuevo->Click();
    EXPECT_EQ(harness->LastMessage().Text, QString::fromUtf8(" PROCEDIMIENTO está en BLANCO "));
    Escribe(QStringLiteral("PROCEDIMIENTO"), QStringLiteral("VERBAL"));
    form->btNuevo->Click();
    EXPECT_EQ(harness->LastMessage().Text, QString::fromUtf8(" Nº de AUTOS está en BLANCO "));
    EXPECT_EQ(Dat->TExped->FieldByName(QStringLiteral("TRIBUNAL"))->AsString(), QStringLiteral("JUZGADO 3"));
    EXPECT_TRUE(Dat->TExped->FieldByName(QStringLiteral("TRIBUNAL1"))->AsString().isEmpty());
}

TEST_F(AsuntoTest, UndoOnANewCaseFillsTheCurrentSetFromTheEmptyHistory) {
    form->btEdit->Click();
    Escribe(QStringLiteral("TRIBUNAL"), QStringLiteral("JUZGADO 3"));
    form->btDeshacer->Click();
    EXPECT_TRUE(Dat->TExped->FieldByName(QStringLiteral("TRIBUNAL"))->AsString().isEmpty());
    EXPECT_EQ(Dat->TExped->FieldByName(QStringLiteral("TRIBUNAL3"))->AsString(), QStringLiteral("X"));
}

TEST_F(AsuntoTest, DatesOfInvoiceAndCloseFollowTheCaseState) {
    EXPECT_TRUE(form->DBFCierre->ReadOnly());
    EXPECT_FALSE(form->btNuevo->Visible());
    EXPECT_TRUE(form->DBJurisdiccion->Visible());
    EXPECT_FALSE(form->DBComboBox1->Visible());
    form->btEdit->Click();
    EXPECT_TRUE(form->DBFCierre->ReadOnly());
    EXPECT_TRUE(form->DBFFact->ReadOnly());
    EXPECT_TRUE(form->btFecApe->Enabled());
    EXPECT_FALSE(form->btFecFac->Enabled());
    EXPECT_TRUE(form->DBComboBox1->Visible());
    form->BtNo->Click();
    CaseField("SITUACION", Variant(2));
    form->btEdit->Click();
    EXPECT_FALSE(form->DBFFact->ReadOnly());
    EXPECT_TRUE(form->DBFCierre->ReadOnly());
    EXPECT_FALSE(form->btFecCie->Enabled());
    form->BtNo->Click();
    CaseField("SITUACION", Variant(3));
    form->btEdit->Click();
    EXPECT_FALSE(form->DBFCierre->ReadOnly());
    EXPECT_TRUE(form->btFecCie->Enabled());
}

TEST_F(AsuntoTest, DescriptionIsTypedOnlyWhileEditingAndSavedWithOk) {
    QChar k(u'a');
    form->TextoKeyPress(form->Texto, k);
    EXPECT_TRUE(k.isNull());
    form->btEdit->Click();
    k = QChar(u'a');
    form->TextoKeyPress(form->Texto, k);
    EXPECT_EQ(k, QChar(u'a'));
    form->Texto->SetText(QString::fromUtf8("Reclamación de cantidad por obras"));
    form->BtOk->Click();
    EXPECT_EQ(Valor(QStringLiteral("SELECT ASUNTO FROM EXPED WHERE NUMERO = '00012-A'")).AsString(),
              QString::fromUtf8("Reclamación de cantidad por obras"));
    EXPECT_EQ(Dat->TExped->State(), dsBrowse);
}

// Pasting, cutting or deleting into the description while browsing would show a text that OK
// does not save.
TEST_F(AsuntoTest, TheDescriptionTakesNoPasteOrDeletionWhileBrowsing) {
    form->Texto->SetText(QStringLiteral("Desahucio"));
    Clipboard()->SetAsText(QStringLiteral("pegado"));
    form->Texto->SelectAll();
    form->Texto->PasteFromClipboard();
    TFormHarness::PressKey(form->Texto, VK_DELETE, TShiftState());
    TFormHarness::PressKey(form->Texto, 'X', ssCtrl);
    EXPECT_EQ(form->Texto->Text(), QStringLiteral("Desahucio"));
    form->btEdit->Click();
    form->Texto->SelectAll();
    form->Texto->PasteFromClipboard();
    form->BtOk->Click();
    EXPECT_EQ(Valor(QStringLiteral("SELECT ASUNTO FROM EXPED WHERE NUMERO = '00012-A'")).AsString(), QStringLiteral("pegado"));
}

// The matter shown from the main window's view: its notes are read, and typing there changes
// nothing of the case file.
TEST_F(AsuntoTest, TheNotesOfAMatterOnlyViewedAreReadOnly) {
    auto vista = std::make_unique<TAsunto>(nullptr);
    vista->activaEdicion(false);
    vista->Show();
    harness->AnswerModal([&](TCustomForm& form) {
        auto* o = dynamic_cast<TObservacion*>(&form);
        ASSERT_NE(o, nullptr);
        EXPECT_EQ(Dat->TExped->State(), dsBrowse);
        EXPECT_FALSE(o->btPaste->Enabled());
        TFormHarness::Type(o->Memo, QStringLiteral("nota"));
        o->SpeedItem2->Click();
    });
    vista->BtObserva->Click();
    EXPECT_TRUE(harness->Messages().empty());
    EXPECT_EQ(Dat->TExped->State(), dsBrowse);
    EXPECT_EQ(Valor(QStringLiteral("SELECT COALESCE(OBSERVACIONES, '') AS V FROM EXPED WHERE NUMERO = '00012-A'")).AsString(),
              QString());
}

TEST_F(AsuntoTest, CostsTypedWithCentsKeepThem) {
    Dat->TExped->Edit();
    Escribe(QStringLiteral("MONEDA"), QStringLiteral("E"));
    Dat->TExped->Post();
    form->btEdit->Click();
    TFormHarness::Focus(form->DBCuantia);
    TFormHarness::PressKey(form->DBCuantia, 'A', ssCtrl);
    TFormHarness::Type(form->DBCuantia, QStringLiteral("1234,5,6"));
    TFormHarness::Focus(form->DBPrincipal);
    form->BtOk->Click();
    EXPECT_DOUBLE_EQ(Valor(QStringLiteral("SELECT IMPORTE FROM EXPED WHERE NUMERO = '00012-A'")).AsFloat(), 1234.56);
}

TEST_F(AsuntoTest, RendersTheMatterWithItsHistory) {
    form->btEdit->Click();
    Juego(QString(), QStringLiteral("AUDIENCIA PROVINCIAL SEC. 10"), QStringLiteral("MADRID"), QStringLiteral("APELACION"),
          QStringLiteral("455/2001"));
    Juego(QStringLiteral("1"), QString::fromUtf8("JUZGADO 1ª INSTANCIA Nº 3"), QStringLiteral("GETAFE"), QStringLiteral("JUICIO VERBAL"),
          QStringLiteral("245/2001"));
    Escribe(QStringLiteral("JURISDICCION"), QStringLiteral("CIVIL"));
    Escribe(QStringLiteral("ACTOR"), QStringLiteral("APELANTE"));
    Dat->TExped->FieldByName(QStringLiteral("PRINCIPAL"))->SetAsFloat(6010);
    Dat->TExped->FieldByName(QStringLiteral("FECHAAPERTURA"))->SetAsDateTime(EncodeDate(2001, 2, 5));
    form->Texto->SetText(QString::fromUtf8("Reclamación de cantidad por obras no pagadas"));
    form->BtOk->Click();
    form->FormShow(form);
    ASSERT_TRUE(TFormHarness::SaveToPng(form, Render(QStringLiteral("UAsunto.png"))));
}

}  // namespace
