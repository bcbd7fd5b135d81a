// The address book over the five party tables of a fresh data folder.
#include "DatFixture.h"
#include "comun/UObservacion.h"
#include "records/UAbogado.h"
#include "records/UCliente.h"
#include "records/UContrario.h"
#include "records/UPerito.h"
#include "records/UProcu.h"
#include "records/UbscContacto.h"

namespace {

using platform::forms::TFormHarness;

class ContactoTest : public shelltest::DatTest {
protected:
    void SetUp() override {
        DatTest::SetUp();
        Persona(Dat->TClientes, "GARCIA", "ANA", "911111111", "ana@correo.es");
        Persona(Dat->TClientes, "zapata", "eva", "933333333", "");
        Persona(Dat->TContrarios, "Garrido", "Luis", "922222222", "luis@correo.es");
        Persona(Dat->TAbogados, "BENITO", "PEDRO", "900000000", "pedro@bufete.es");
        Persona(Dat->TProcu, "MARTIN", "ROSA", "944444444", "");
        Persona(Dat->TPeritos, "SOLER", "JUAN", "955555555", "");
        // The user logged in, who may change the office's people.
        Dat->TPriv->Append();
        Dat->TPriv->FieldByName(QStringLiteral("Usuario"))->SetAsString(QStringLiteral("ANA"));
        Dat->TPriv->FieldByName(QStringLiteral("Contrasenia"))->SetAsString(QStringLiteral("x"));
        Dat->TPriv->FieldByName(QStringLiteral("General"))->SetAsBoolean(true);
        Dat->TPriv->Post();
        FContacto = new TFContacto(Application);
        FContacto->Show();
    }
    void TearDown() override {
        delete FContacto;
        DatTest::TearDown();
    }
    void Persona(TTable* t, const char* apellidos, const char* nombre, const char* telefono, const char* mail) {
        t->Append();
        t->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QString::fromLatin1(apellidos));
        t->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(QString::fromLatin1(nombre));
        t->FieldByName(QStringLiteral("TELEFONO"))->SetAsString(QString::fromLatin1(telefono));
        t->FieldByName(QStringLiteral("MAIL"))->SetAsString(QString::fromLatin1(mail));
        if (TField* f = t->FindField(QStringLiteral("PARTIDO"))) f->SetAsString(QStringLiteral("MADRID"));
        if (TField* f = t->FindField(QStringLiteral("PROFESION"))) f->SetAsString(QStringLiteral("ARQUITECTO"));
        t->Post();
    }
    QStringList Nombres() {
        QStringList r;
        TDataSet* q = FContacto->QContactos;
        const TBookmark b = q->GetBookmark();
        for (q->First(); !q->Eof(); q->Next()) r << q->FieldByName(QStringLiteral("NOM"))->AsString();
        q->SetToBookmark(b);
        return r;
    }
    void Filtra(const QString& tipo) {
        FContacto->Tipo->SetItemIndex(FContacto->Tipo->Items()->IndexOf(tipo));
        FContacto->TipoChange(FContacto->Tipo);
    }
    void Ordena(const QString& campo) {
        FContacto->ZbDBGrid1TitleBtnClick(FContacto->ZbDBGrid1, 0, FContacto->QContactos->FieldByName(campo));
    }
};

TEST_F(ContactoTest, QueryTextHasOneBlockPerKindJoinedByUnion) {
    const QStringList todos = FContacto->QContactos->SQL()->Text().remove(u'\r').split(u'\n', Qt::SkipEmptyParts);
    EXPECT_EQ(todos.count(QStringLiteral("UNION")), 4);
    EXPECT_EQ(todos.size(), 5 * 3 + 4 + 1);
    EXPECT_EQ(todos.last(), QStringLiteral("ORDER BY %ORDER"));
    EXPECT_EQ(todos[1], QStringLiteral("       TELEFONO, FAX, DOMICILIO, POBLACION, PROVINCIA, 'ABOGADO        ' AS TIPO"));
    EXPECT_EQ(Nombres().size(), 6);

    Filtra(QStringLiteral("CLIENTE"));
    const QStringList clientes = FContacto->QContactos->SQL()->Text().remove(u'\r').split(u'\n', Qt::SkipEmptyParts);
    EXPECT_EQ(clientes, (QStringList{"SELECT APELLIDOS || ' ' || NOMBRE AS NOM, MAIL, CLIENTE AS CODIGO,",
                                     "       TELEFONO, FAX, DOMICILIO, POBLACION, PROVINCIA, 'CLIENTE        ' AS TIPO",
                                     "FROM CLIENTES", "ORDER BY %ORDER"}));
    EXPECT_EQ(Nombres(), (QStringList{"GARCIA ANA", "zapata eva"}));
    EXPECT_EQ(FContacto->QContactos->FieldByName(QStringLiteral("TIPO"))->AsString(), QStringLiteral("CLIENTE        "));
}

TEST_F(ContactoTest, TitlesSortAndAChangeOfKindReturnsToTheName) {
    Ordena(QStringLiteral("TELEFONO"));
    EXPECT_EQ(FContacto->Orden(), QStringLiteral("TELEFONO"));
    EXPECT_EQ(Nombres().first(), QStringLiteral("BENITO PEDRO"));
    EXPECT_EQ(Nombres().last(), QStringLiteral("SOLER JUAN"));
    TSortMarker marker = smNone;
    TColor color = clWhite;
    FContacto->ZbDBGrid1GetBtnParams(nullptr, FContacto->QContactos->FieldByName(QStringLiteral("TELEFONO")), nullptr,
                                     color, marker, false);
    EXPECT_EQ(marker, smDown);
    marker = smNone;
    FContacto->ZbDBGrid1GetBtnParams(nullptr, FContacto->QContactos->FieldByName(QStringLiteral("NOM")), nullptr, color,
                                     marker, false);
    EXPECT_EQ(marker, smNone);
    Ordena(QStringLiteral("MAIL"));
    EXPECT_EQ(FContacto->QContactos->MacroByName(QStringLiteral("ORDER"))->AsString(), QStringLiteral("MAIL"));
    Filtra(QStringLiteral("TODOS"));
    EXPECT_EQ(FContacto->Orden(), QStringLiteral("NOM"));
}

TEST_F(ContactoTest, FindLocatesTheBeginningOfTheSortColumnInAnyCase) {
    EXPECT_FALSE(FContacto->btFind->Enabled());
    FContacto->Edit1->SetText(QStringLiteral("gar"));
    EXPECT_TRUE(FContacto->btFind->Enabled());
    FContacto->btFind->Click();
    EXPECT_EQ(FContacto->QContactos->FieldByName(QStringLiteral("NOM"))->AsString(), QStringLiteral("GARCIA ANA"));
    EXPECT_EQ(MailContacto, QStringLiteral("ana@correo.es"));
    FContacto->Edit1->SetText(QStringLiteral("ZAP"));
    FContacto->btFind->Click();
    EXPECT_EQ(FContacto->QContactos->FieldByName(QStringLiteral("NOM"))->AsString(), QStringLiteral("zapata eva"));
    // Nothing matches: the row stays.
    FContacto->Edit1->SetText(QStringLiteral("xyz"));
    FContacto->btFind->Click();
    EXPECT_EQ(FContacto->QContactos->FieldByName(QStringLiteral("NOM"))->AsString(), QStringLiteral("zapata eva"));
    Ordena(QStringLiteral("TELEFONO"));
    FContacto->Edit1->SetText(QStringLiteral("92"));
    FContacto->btFind->Click();
    EXPECT_EQ(FContacto->QContactos->FieldByName(QStringLiteral("NOM"))->AsString(), QStringLiteral("Garrido Luis"));
}

TEST_F(ContactoTest, FindIgnoresAccentsAsTheSpanishOrderDoes) {
    for (const char* a : {"Vázquez", "Álvarez", "Núñez"}) {
        Dat->TClientes->Append();
        Dat->TClientes->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QString::fromUtf8(a));
        Dat->TClientes->Post();
    }
    FContacto->TipoChange(FContacto->Tipo);
    auto busca = [&](const char* texto) {
        FContacto->Edit1->SetText(QString::fromUtf8(texto));
        FContacto->btFind->Click();
        return FContacto->QContactos->FieldByName(QStringLiteral("NOM"))->AsString().trimmed();
    };
    EXPECT_EQ(busca("Vaz"), QString::fromUtf8("Vázquez"));
    EXPECT_EQ(busca("alvarez"), QString::fromUtf8("Álvarez"));
    // "ñ" is a letter of its own, not an "n" with an accent: nothing found, the row stays.
    EXPECT_EQ(busca("nun"), QString::fromUtf8("Álvarez"));
    EXPECT_EQ(busca("NUÑ"), QString::fromUtf8("Núñez"));
    EXPECT_EQ(busca("GÁR"), QStringLiteral("GARCIA ANA"));
}

// Text pasted from another program may write "é" as "e" plus a combining accent: either way of
// writing the letter, in the name or in the search box, finds the same row.
TEST_F(ContactoTest, FindMatchesALetterWrittenWithASeparateAccent) {
    const QString compuesto = QString::fromUtf8("Ibáñez Díaz");
    const QString separado = compuesto.normalized(QString::NormalizationForm_D);
    ASSERT_NE(compuesto.size(), separado.size());
    for (const QString& a : {separado, QString::fromUtf8("Pérez Gil")}) {
        Dat->TClientes->Append();
        Dat->TClientes->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(a);
        Dat->TClientes->Post();
    }
    FContacto->TipoChange(FContacto->Tipo);
    auto busca = [&](const QString& texto) {
        FContacto->Edit1->SetText(texto);
        FContacto->btFind->Click();
        return FContacto->QContactos->FieldByName(QStringLiteral("NOM"))->AsString().trimmed();
    };
    EXPECT_EQ(busca(QString::fromUtf8("ibáñez d")), separado);
    EXPECT_EQ(busca(QString::fromUtf8("pérez g")), QString::fromUtf8("Pérez Gil"));
    EXPECT_EQ(busca(QString::fromUtf8("ibáñez d").normalized(QString::NormalizationForm_D)), separado);
    EXPECT_EQ(busca(QString::fromUtf8("pérez g").normalized(QString::NormalizationForm_D)), QString::fromUtf8("Pérez Gil"));
    // A separate accent still makes no "n" an "ñ".
    EXPECT_EQ(busca(QString::fromUtf8("ibanez")), QString::fromUtf8("Pérez Gil"));
}

TEST_F(ContactoTest, AnEMailSavedInTheOpenedFormIsTheOneHandedToTheMailForm) {
    ASSERT_TRUE(FContacto->QContactos->Locate(QStringLiteral("NOM"), Variant(QStringLiteral("zapata eva")), 0));
    EXPECT_TRUE(MailContacto.isEmpty());
    harness->AnswerModal([](TCustomForm&) {
        Dat->TClientes->Edit();
        Dat->TClientes->FieldByName(QStringLiteral("MAIL"))->SetAsString(QStringLiteral("eva@zapata.es"));
        Dat->TClientes->Post();
    });
    FContacto->btOpen->Click();
    EXPECT_EQ(FContacto->QContactos->FieldByName(QStringLiteral("NOM"))->AsString(), QStringLiteral("zapata eva"));
    EXPECT_EQ(FContacto->QContactos->FieldByName(QStringLiteral("MAIL"))->AsString(), QStringLiteral("eva@zapata.es"));
    EXPECT_EQ(MailContacto, QStringLiteral("eva@zapata.es"));
}

TEST_F(ContactoTest, OpenShowsTheFormOfEachKindOnItsRow) {
    struct TCaso {
        const char* Nombre;
        const char* Clase;
        const char* Caption;
        TTable* Tabla;
    };
    const TCaso casos[] = {{"GARCIA ANA", "TCliente", "Cliente", Dat->TClientes},
                           {"Garrido Luis", "TContrario", "Contrarios", Dat->TContrarios},
                           {"BENITO PEDRO", "TAbogado", "Abogados", Dat->TAbogados},
                           {"MARTIN ROSA", "TProcu", "Procurador", Dat->TProcu},
                           {"SOLER JUAN", "TPerito", "Peritos", Dat->TPeritos}};
    for (const TCaso& c : casos) {
        c.Tabla->First();
        ASSERT_TRUE(FContacto->QContactos->Locate(QStringLiteral("NOM"), Variant(QString::fromLatin1(c.Nombre)), 0));
        harness->AnswerModal([&](TCustomForm& form) {
            auto* f = dynamic_cast<records::TFichaPersona*>(&form);
            ASSERT_NE(f, nullptr);
            EXPECT_FALSE(f->Referencia->Visible());
            EXPECT_FALSE(f->LabelRefe->Visible());
            EXPECT_FALSE(f->btAsigna->Visible());
            EXPECT_TRUE(f->btAdd->Visible());
            EXPECT_EQ(f->Tabla(), c.Tabla);
            EXPECT_EQ(f->Tabla()->FieldByName(QStringLiteral("APELLIDOS"))->AsString() + u' ' +
                          f->Tabla()->FieldByName(QStringLiteral("NOMBRE"))->AsString(),
                      QString::fromLatin1(c.Nombre));
        });
        FContacto->btOpen->Click();
        ASSERT_FALSE(harness->ModalForms().empty());
        EXPECT_EQ(harness->ModalForms().back().Caption, QString::fromLatin1(c.Caption));
        EXPECT_TRUE(harness->ModalForms().back().FormClass.contains(QString::fromLatin1(c.Clase)))
            << harness->ModalForms().back().FormClass.toStdString();
    }
}

// Without the right to the office's general data the book shows a party's record but, as the
// archive menu, lets nothing of it change: no new, edit or delete, and its notes read only.
TEST_F(ContactoTest, WithoutTheGeneralRightThePartyOpensOnlyToBeViewed) {
    Dat->TPriv->Edit();
    Dat->TPriv->FieldByName(QStringLiteral("General"))->SetAsBoolean(false);
    Dat->TPriv->Post();
    ASSERT_TRUE(FContacto->QContactos->Locate(QStringLiteral("NOM"), Variant(QStringLiteral("GARCIA ANA")), 0));
    harness->AnswerModal([&](TCustomForm& form) {
        auto* f = dynamic_cast<TCliente*>(&form);
        ASSERT_NE(f, nullptr);
        for (TSpeedItem* i : {f->btAdd, f->btDel, f->btEdit}) EXPECT_FALSE(i->Visible()) << i->Name().toStdString();
        EXPECT_EQ(f->ActiveSource->DataSet(), nullptr);
        EXPECT_EQ(Dat->TClientes->FieldByName(QStringLiteral("APELLIDOS"))->AsString(), QStringLiteral("GARCIA"));
        harness->AnswerModal([&](TCustomForm& notas) {
            auto* o = dynamic_cast<TObservacion*>(&notas);
            ASSERT_NE(o, nullptr);
            EXPECT_EQ(Dat->TClientes->State(), dsBrowse);
            TFormHarness::Type(o->Memo, QStringLiteral("cambiado"));
            o->SpeedItem2->Click();
        });
        f->BtObserva->Click();
        EXPECT_EQ(Dat->TClientes->State(), dsBrowse);
    });
    FContacto->btOpen->Click();
    ASSERT_EQ(harness->ModalForms().size(), 2u);
    EXPECT_TRUE(harness->Messages().empty());
    auto q = std::make_unique<TQuery>(nullptr);
    q->SetDatabaseName(Dat->Db->DatabaseName());
    q->SQL()->SetText(QStringLiteral("SELECT COALESCE(OBSERVACIONES, '') FROM CLIENTES WHERE APELLIDOS = 'GARCIA'"));
    q->Open();
    EXPECT_EQ(q->Fields()->Fields(0)->AsString(), QString());
}

TEST_F(ContactoTest, EmptyListDisablesOpenAndLeavesNoMail) {
    FContacto->QContactos->First();
    EXPECT_TRUE(FContacto->btOpen->Enabled());
    EXPECT_EQ(MailContacto, QStringLiteral("pedro@bufete.es"));
    auto q = std::make_unique<TQuery>(nullptr);
    q->SetDatabaseName(Dat->Db->DatabaseName());
    q->SQL()->SetText(QStringLiteral("DELETE FROM PERITOS"));
    q->ExecSQL();
    Filtra(QStringLiteral("PERITO"));
    EXPECT_TRUE(FContacto->QContactos->IsEmpty());
    EXPECT_FALSE(FContacto->btOpen->Enabled());
    EXPECT_EQ(MailContacto, QString());
    FContacto->btOpen->Click();
    EXPECT_TRUE(harness->ModalForms().empty());
}

// The list fills the window below the kind and the search at any size: maximised it grows, made
// small it shrinks, and it never covers the search box.
TEST_F(ContactoTest, TheListFollowsTheWindowsSizeBelowTheSearch) {
    TZbDBGrid* lista = FContacto->ZbDBGrid1;
    const int arriba = FContacto->Edit1->ClientToScreen(Point(0, FContacto->Edit1->Height())).Y;
    for (const auto& [ancho, alto] : {std::pair{1200, 900}, std::pair{300, 160}, std::pair{760, 420}}) {
        FContacto->SetClientWidth(ancho);
        FContacto->SetClientHeight(alto);
        TFormHarness::ProcessEvents();
        const TPoint esquina = lista->ClientToScreen(Point(0, 0));
        const TPoint origen = FContacto->ClientToScreen(Point(0, 0));
        EXPECT_EQ(lista->Width(), ancho) << ancho;
        EXPECT_EQ(esquina.Y - origen.Y + lista->Height(), alto) << alto;
        EXPECT_GE(esquina.Y, arriba) << alto;
    }
}

}  // namespace
