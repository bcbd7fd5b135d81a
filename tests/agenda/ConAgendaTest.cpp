// The agenda concepts form and the numbering of new concepts, over a real data folder.
#include "../records/CasoFixture.h"
#include "agenda/UConAgenda.h"
#include "comun/Abusca2.h"

namespace {

using platform::forms::TFormHarness;

class ConAgendaTest : public casotest::CasoTest {
protected:
    void Tipo(const QString& tipo) {
        if (Dat->TTipoAgenda->Locate(QStringLiteral("TIPO"), Variant(tipo), 0)) return;  // a new folder has it
        Dat->TTipoAgenda->Append();
        Dat->TTipoAgenda->FieldByName(QStringLiteral("TIPO"))->SetAsString(tipo);
        Dat->TTipoAgenda->Post();
    }
    int Concepto(const QString& texto, int dias, const QString& tipo) {
        TTable* t = Dat->TConAgendas;
        t->Append();
        t->FieldByName(QStringLiteral("CONCEPTO"))->SetAsString(texto);
        t->FieldByName(QStringLiteral("DIAS"))->SetAsInteger(dias);
        t->FieldByName(QStringLiteral("TIPOAGENDA"))->SetAsString(tipo);
        t->Post();
        return t->FieldByName(QStringLiteral("CODIGO"))->AsInteger();
    }
};

TEST_F(ConAgendaTest, ANewConceptTakesTheNextFreeCode) {
    Tipo(QStringLiteral("GENERAL"));
    EXPECT_EQ(Concepto(QStringLiteral("Señalamiento de vista"), 5, QStringLiteral("GENERAL")), 1);
    EXPECT_EQ(Concepto(QStringLiteral("Presentar recurso"), 0, QStringLiteral("GENERAL")), 2);
    // A code typed by hand stays, and the next one comes after the highest.
    TTable* t = Dat->TConAgendas;
    t->Append();
    t->FieldByName(QStringLiteral("CODIGO"))->SetAsInteger(40);
    t->FieldByName(QStringLiteral("CONCEPTO"))->SetAsString(QStringLiteral("Plazo de alegaciones"));
    t->Post();
    EXPECT_EQ(Concepto(QStringLiteral("Citación"), 3, QStringLiteral("GENERAL")), 41);
    // Editing keeps the code.
    ASSERT_TRUE(t->Locate(QStringLiteral("CODIGO"), Variant(2), 0));
    t->Edit();
    t->FieldByName(QStringLiteral("DIAS"))->SetAsInteger(7);
    t->Post();
    EXPECT_EQ(Valor(QStringLiteral("SELECT DIAS FROM CONAGENDAS WHERE CODIGO = 2")).AsInteger(), 7);
    // A refused concept writes nothing and leaves no transaction open.
    t->Append();
    EXPECT_THROW(t->Post(), EAbort);
    t->Cancel();
    EXPECT_EQ(Cuenta(QStringLiteral("CONAGENDAS")), 4);
    EXPECT_FALSE(Dat->Db->InTransaction());
    EXPECT_EQ(Concepto(QStringLiteral("Otro"), 0, QStringLiteral("GENERAL")), 42);
}

TEST_F(ConAgendaTest, TheFormEditsConceptsAndKeepsItsItemsByState) {
    Tipo(QStringLiteral("GENERAL"));
    Tipo(QStringLiteral("PROCEDIMIENTO"));
    Concepto(QStringLiteral("Señalamiento de vista"), 5, QStringLiteral("PROCEDIMIENTO"));
    Concepto(QStringLiteral("Llamar al cliente"), 0, QStringLiteral("GENERAL"));
    auto* f = new TConAgenda(Application);
    f->activaEdicion(true);
    EXPECT_EQ(f->Caption(), QStringLiteral("Conceptos de la Agenda"));
    EXPECT_EQ(Dat->TConAgendas->FieldByName(QStringLiteral("CONCEPTO"))->AsString(), QStringLiteral("Llamar al cliente"));
    EXPECT_EQ(f->ModeIndicator->Caption(), QStringLiteral("[Estado :Consulta]"));
    EXPECT_TRUE(f->btAdd->Visible());
    EXPECT_FALSE(f->BtOk->Visible());

    f->btAddClick(f->btAdd);
    EXPECT_EQ(f->ModeIndicator->Caption(), QStringLiteral("[Estado :Nuevo]"));
    EXPECT_EQ(Dat->TConAgendas->FieldByName(QStringLiteral("TIPOAGENDA"))->AsString(), QStringLiteral("GENERAL"));
    // While editing, search, print and navigation wait.
    for (TSpeedItem* i : {f->btBuscar, f->btImprimir, f->btFirst, f->btPrev, f->btNext, f->btLast, f->btAdd}) EXPECT_FALSE(i->Enabled()) << i->Name().toStdString();
    EXPECT_TRUE(f->BtOk->Visible());
    Dat->TConAgendas->FieldByName(QStringLiteral("CONCEPTO"))->SetAsString(QStringLiteral("Pedir copia de autos"));
    Dat->TConAgendas->FieldByName(QStringLiteral("DIAS"))->SetAsInteger(2);
    f->BtOkClick(f->BtOk);
    EXPECT_EQ(f->ModeIndicator->Caption(), QStringLiteral("[Estado :Consulta]"));
    EXPECT_EQ(Dat->TConAgendas->FieldByName(QStringLiteral("CODIGO"))->AsInteger(), 3);
    EXPECT_EQ(Cuenta(QStringLiteral("CONAGENDAS WHERE CODIGO = 3 AND DIAS = 2")), 1);

    // The search groups the concepts by type and moves to the chosen one.
    harness->AnswerModal([](TCustomForm& d) {
        auto& b = dynamic_cast<TBuscar2&>(d);
        EXPECT_EQ(b.Caption(), QStringLiteral("Busca Conceptos de Agenda"));
        ASSERT_TRUE(b.QBusca->Locate(QStringLiteral("NOMBRE"), Variant(QStringLiteral("Señalamiento de vista")), 0));
        d.SetModalResult(mrOk);
    });
    f->btBuscarClick(f->btBuscar);
    EXPECT_EQ(Dat->TConAgendas->FieldByName(QStringLiteral("CODIGO"))->AsInteger(), 1);

    // Printing previews the concepts list; the item is back afterwards.
    harness->ClearRecords();
    harness->AnswerModal(mrOk);
    f->btImprimir->Click();
    ASSERT_EQ(harness->ModalForms().size(), 1u);
    EXPECT_TRUE(harness->ModalForms().back().FormClass.contains(QStringLiteral("PreView")));
    EXPECT_TRUE(f->btImprimir->OnClick().Assigned());
    TFormHarness::ProcessEvents();
    delete f;
}

}  // namespace
