// The two-level tree search over a real data folder: court agents by district, experts by
// profession, accounting concepts by kind, and the new districts and professions it can make.
#include "DatFixture.h"

#include "comun/Abusca2.h"
#include "comun/UComunes.h"
#include "comun/UNuevaLinea.h"
#include "platform/forms/ComCtrls.h"

#include <QDir>

using namespace shelltest;
using platform::forms::TFormHarness;

namespace {

class Buscar2Test : public DatTest {
protected:
    void SetUp() override {
        DatTest::SetUp();
        Application->CreateForm(principal);
    }
    void TearDown() override {
        delete Buscar2;
        Buscar2 = nullptr;
        delete principal;
        principal = nullptr;
        DatTest::TearDown();
    }
    void Grupos(const char* tabla, const QStringList& valores) {
        TTable t(nullptr);
        t.SetDatabaseName(QStringLiteral("ZEMBRA"));
        t.SetTableName(QString::fromLatin1(tabla));
        t.Open();
        for (const QString& v : valores) {
            t.Append();
            t.Fields()->Fields(0)->SetAsString(v);
            t.Post();
        }
    }
    int Persona(TTable* t, const QString& apellidos, const QString& nombre, const char* campo, const QString& grupo) {
        t->Append();
        t->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(apellidos);
        t->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(nombre);
        t->FieldByName(QString::fromLatin1(campo))->SetAsString(grupo);
        t->Post();
        return t->Fields()->Fields(0)->AsInteger();
    }
    void Abre(const QString& sql, const QString& caption, bool modo, bool grupos) {
        delete Buscar2;
        Application->CreateForm(Buscar2);
        Buscar2->QBusca->Close();
        Buscar2->QBusca->SQL()->SetText(sql);
        Buscar2->QBusca->Open();
        Buscar2->SetCaption(QStringLiteral("Busca"));
        Buscar2->Inicia(caption, modo, grupos);
    }
    void AbreProcuradores(bool modo = true) {
        Abre(QStringLiteral("SELECT PARTIDO AS CONCEPTO, PROCU AS CODIGO, APELLIDOS || ',' || NOMBRE AS NOMBRE "
                            "FROM PROCU ORDER BY PARTIDO, APELLIDOS, NOMBRE, PROCU"),
             QStringLiteral("Procuradores"), modo, modo);
    }
    TTreeNode* Raiz() const { return Buscar2->Lista->Items()->GetFirstNode(); }
    TTreeNode* Hijo(TTreeNode* padre, const QString& texto) const { return BuscaNodo(Buscar2->Lista, padre, texto); }
    static QStringList Textos(TTreeNode* padre) {
        QStringList r;
        for (int i = 0; padre && i < padre->Count(); ++i) r << padre->Item(i)->Text();
        return r;
    }
    TForm* principal = nullptr;
};

TEST_F(Buscar2Test, CourtAgentsStandUnderEveryDistrictOneItemPerRow) {
    Grupos("PARTIDOS", {QStringLiteral("Getafe"), QStringLiteral("Alcalá"), QStringLiteral("Móstoles")});
    const int p1 = Persona(Dat->TProcu, QStringLiteral("Pérez"), QStringLiteral("Juan"), "PARTIDO", QStringLiteral("Getafe"));
    const int p2 = Persona(Dat->TProcu, QStringLiteral("Pérez"), QStringLiteral("Juan"), "PARTIDO", QStringLiteral("Getafe"));
    const int p3 = Persona(Dat->TProcu, QStringLiteral("Abad"), QStringLiteral("Eva"), "PARTIDO", QStringLiteral("Alcalá"));
    {
        // An agent stored without a district (the form refuses it; old data may hold one).
        TQuery q(nullptr);
        q.SetDatabaseName(QStringLiteral("ZEMBRA"));
        q.SQL()->SetText(QStringLiteral("INSERT INTO PROCU (PROCU, APELLIDOS, NOMBRE) VALUES (99, 'Sanz', 'Rosa')"));
        q.ExecSQL();
    }
    AbreProcuradores();
    ASSERT_EQ(Buscar2->Lista->Items()->Roots().size(), 1u);
    EXPECT_EQ(Raiz()->Text(), QStringLiteral("Procuradores"));
    EXPECT_EQ(Buscar2->Lista->Selected(), Raiz());
    // Every district, also one with nobody in it, in the order of the district list; the agent
    // without a district is one level higher.
    EXPECT_EQ(Textos(Raiz()), QStringList({QStringLiteral("Alcalá"), QStringLiteral("Getafe"), QStringLiteral("Móstoles"),
                                           QStringLiteral("Sanz,Rosa")}));
    TTreeNode* getafe = Hijo(Raiz(), QStringLiteral("Getafe"));
    EXPECT_EQ(Textos(getafe), QStringList({QStringLiteral("Pérez,Juan"), QStringLiteral("Pérez,Juan")}));
    EXPECT_EQ(Hijo(Raiz(), QStringLiteral("Móstoles"))->Count(), 0);
    int codigos[2] = {};
    for (int i = 0; i < 2; ++i) {
        Buscar2->Lista->SetSelected(getafe->Item(i));
        codigos[i] = Buscar2->QBusca->FieldByName(QStringLiteral("CODIGO"))->AsInteger();
    }
    EXPECT_EQ(codigos[0], p1);
    EXPECT_EQ(codigos[1], p2);
    Buscar2->Lista->SetSelected(Hijo(Raiz(), QStringLiteral("Alcalá"))->Item(0));
    EXPECT_EQ(Buscar2->QBusca->FieldByName(QStringLiteral("CODIGO"))->AsInteger(), p3);
    // Open folders for expanded nodes, the leaf picture for people.
    EXPECT_EQ(Raiz()->ImageIndex(), 1);
    EXPECT_EQ(getafe->ImageIndex(), 3);
    EXPECT_EQ(getafe->Item(0)->ImageIndex(), 4);
    getafe->Collapse(false);
    EXPECT_EQ(getafe->ImageIndex(), 2);
    EXPECT_EQ(getafe->SelectedIndex(), 2);
    getafe->Expand(false);
    EXPECT_EQ(getafe->SelectedIndex(), 3);
    // OK on an item returns its row.
    harness->AnswerModal([&](TCustomForm& f) {
        auto& b = static_cast<TBuscar2&>(f);
        b.Lista->SetSelected(Hijo(b.Lista->Items()->GetFirstNode(), QStringLiteral("Getafe"))->Item(1));
        EXPECT_TRUE(b.btOk->Visible());
        TFormHarness::Click(b.btOk);
    });
    EXPECT_EQ(Buscar2->ShowModal(), mrOk);
    EXPECT_EQ(Buscar2->QBusca->FieldByName(QStringLiteral("CODIGO"))->AsInteger(), p2);
}

TEST_F(Buscar2Test, OkOnTheRootIsRefusedOnAGroupItAsksTheCaller) {
    Grupos("PARTIDOS", {QStringLiteral("Getafe")});
    Persona(Dat->TProcu, QStringLiteral("Pérez"), QStringLiteral("Juan"), "PARTIDO", QStringLiteral("Getafe"));
    AbreProcuradores();
    bool abierto = false;
    harness->AnswerModal([&](TCustomForm& f) {
        auto& b = static_cast<TBuscar2&>(f);
        EXPECT_FALSE(b.btOk->Visible());
        EXPECT_TRUE(b.btNuevo->Visible());
        EXPECT_EQ(b.btNuevo->Caption(), QStringLiteral("Partido"));
        b.Lista->OnDblClick(b.Lista);  // double-click on the root
        abierto = b.ModalResult() == mrNone;
        b.Lista->SetSelected(b.Lista->Items()->Item(1));
        EXPECT_EQ(b.btNuevo->Caption(), QStringLiteral("Procura."));
        EXPECT_FALSE(b.btOk->Visible());
        b.btOkClick(&b);
    });
    EXPECT_EQ(Buscar2->ShowModal(), mrIgnore);
    EXPECT_TRUE(abierto);
    ASSERT_EQ(harness->Messages().size(), 1u);
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral("Procuradores no válido"));
    EXPECT_EQ(Buscar2->Lista->Selected()->Text(), QStringLiteral("Getafe"));
    // Without the mode flag nothing can be made.
    AbreProcuradores(false);
    EXPECT_FALSE(Buscar2->btNuevo->Visible());
    EXPECT_EQ(Textos(Raiz()), QStringList{QStringLiteral("Getafe")});
}

TEST_F(Buscar2Test, EnterTakesOnlyAnItemAndEscapeIsNo) {
    Grupos("PARTIDOS", {QStringLiteral("Getafe")});
    Persona(Dat->TProcu, QStringLiteral("Pérez"), QStringLiteral("Juan"), "PARTIDO", QStringLiteral("Getafe"));
    AbreProcuradores();
    QList<TModalResult> abierto;
    harness->AnswerModal([&](TCustomForm& f) {
        auto& b = static_cast<TBuscar2&>(f);
        // On the root and on a group Enter chooses nothing and says nothing.
        for (int i : {0, 1}) {
            b.Lista->SetSelected(b.Lista->Items()->Item(i));
            TFormHarness::PressKey(b.Lista, VK_RETURN);
            abierto << b.ModalResult();
        }
        b.Lista->SetSelected(b.Lista->Items()->Item(2));
        TFormHarness::PressKey(b.Lista, VK_RETURN);
    });
    EXPECT_EQ(Buscar2->ShowModal(), mrOk);
    EXPECT_EQ(abierto, (QList<TModalResult>{mrNone, mrNone}));
    EXPECT_TRUE(harness->Messages().empty());
    EXPECT_EQ(Buscar2->QBusca->FieldByName(QStringLiteral("NOMBRE"))->AsString(), QStringLiteral("Pérez,Juan"));
    AbreProcuradores();
    harness->AnswerModal([](TCustomForm& f) { TFormHarness::PressKey(static_cast<TBuscar2&>(f).Lista, VK_ESCAPE); });
    EXPECT_EQ(Buscar2->ShowModal(), mrNo);
}

TEST_F(Buscar2Test, AccountingConceptsStandUnderTheirKind) {
    auto concepto = [&](const QString& texto, int tipo) {
        Dat->TConConta->Append();
        Dat->TConConta->FieldByName(QStringLiteral("CONCEPTO"))->SetAsString(texto);
        Dat->TConConta->FieldByName(QStringLiteral("TIPO"))->SetAsInteger(tipo);
        Dat->TConConta->Post();
    };
    concepto(QStringLiteral("Tasas judiciales"), 1);
    concepto(QStringLiteral("Honorarios"), 2);
    concepto(QStringLiteral("Minuta"), 2);
    concepto(QStringLiteral("Provisión inicial"), 3);
    concepto(QStringLiteral("Desplazamiento"), 4);
    concepto(QStringLiteral("Otro"), 7);
    Abre(QStringLiteral("SELECT TIPO AS CONCEPTO, CONCEPTO AS NOMBRE, IMPORTE FROM CONCONTAS ORDER BY TIPO, CONCEPTO"),
         QStringLiteral("Conceptos Contables"), false, false);
    EXPECT_EQ(Textos(Raiz()), QStringList({QStringLiteral("SUPLIDOS"), QStringLiteral("DERECHOS"), QStringLiteral("PROVISIONES"),
                                           QStringLiteral("GASTOS"), QStringLiteral("Otro")}));
    EXPECT_EQ(Textos(Hijo(Raiz(), QStringLiteral("DERECHOS"))), QStringList({QStringLiteral("Honorarios"), QStringLiteral("Minuta")}));
    EXPECT_FALSE(Buscar2->btNuevo->Visible());
    harness->AnswerModal([&](TCustomForm& f) {
        auto& b = static_cast<TBuscar2&>(f);
        b.Lista->SetSelected(Hijo(b.Lista->Items()->GetFirstNode(), QStringLiteral("Otro")));
        EXPECT_FALSE(b.btOk->Visible());
        b.btOkClick(&b);
    });
    EXPECT_EQ(Buscar2->ShowModal(), mrIgnore);
}

TEST_F(Buscar2Test, NewDistrictsAndProfessionsAreRefusedOnlyWhenTheWholeTextExists) {
    Grupos("PARTIDOS", {QStringLiteral("Madrid Centro"), QStringLiteral("Getafe")});
    AbreProcuradores();
    QString pregunta;
    int longitud = 0;
    harness->AnswerModal([&](TCustomForm& f) {
        auto& n = static_cast<TNuevaLinea&>(f);
        pregunta = n.Pregunta->Caption();
        longitud = n.Respuesta->MaxLength();
        n.Respuesta->SetText(QStringLiteral("Madrid"));
        TFormHarness::Click(n.btOk);
    });
    TFormHarness::Click(Buscar2->btNuevo);
    EXPECT_EQ(pregunta, QStringLiteral("Introduzca Partido Judicial"));
    EXPECT_EQ(longitud, 20);
    EXPECT_TRUE(harness->Messages().empty());
    // Added as the last group, the others stay.
    EXPECT_EQ(Textos(Raiz()), QStringList({QStringLiteral("Getafe"), QStringLiteral("Madrid Centro"), QStringLiteral("Madrid")}));
    Abre(QStringLiteral("SELECT PARTIDO AS CONCEPTO, PROCU AS CODIGO, APELLIDOS AS NOMBRE FROM PROCU"),
         QStringLiteral("Procuradores"), true, true);
    EXPECT_EQ(Textos(Raiz()), QStringList({QStringLiteral("Getafe"), QStringLiteral("Madrid"), QStringLiteral("Madrid Centro")}));
    EXPECT_TRUE(Dat->TPartidos->Locate(QStringLiteral("PARTIDO"), Variant(QStringLiteral("Madrid")), 0));
    harness->AnswerModal([&](TCustomForm& f) {
        auto& n = static_cast<TNuevaLinea&>(f);
        n.Respuesta->SetText(QStringLiteral("Getafe"));
        TFormHarness::Click(n.btOk);
    });
    TFormHarness::Click(Buscar2->btNuevo);
    ASSERT_EQ(harness->Messages().size(), 1u);
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral("PARTIDO JUDICIAL YA existe"));
    // On a group, "new" asks the caller for a person of that district.
    Buscar2->Lista->SetSelected(Hijo(Raiz(), QStringLiteral("Getafe")));
    harness->AnswerModal([](TCustomForm& f) { TFormHarness::Click(static_cast<TBuscar2&>(f).btNuevo); });
    EXPECT_EQ(Buscar2->ShowModal(), mrIgnore);
    EXPECT_EQ(Buscar2->Lista->Selected()->Text(), QStringLiteral("Getafe"));

    // Experts: professions.
    Grupos("PROFESIONES", {QStringLiteral("Tasador")});
    Abre(QStringLiteral("SELECT PROFESION AS CONCEPTO, PERITO AS CODIGO, APELLIDOS AS NOMBRE FROM PERITOS"),
         QStringLiteral("Peritos"), true, true);
    EXPECT_EQ(Buscar2->btNuevo->Caption(), QStringLiteral("Profesión"));
    harness->AnswerModal([&](TCustomForm& f) {
        auto& n = static_cast<TNuevaLinea&>(f);
        pregunta = n.Pregunta->Caption();
        n.Respuesta->SetText(QStringLiteral("Tasador"));
        TFormHarness::Click(n.btOk);
    });
    TFormHarness::Click(Buscar2->btNuevo);
    EXPECT_EQ(pregunta, QStringLiteral("Introduzca Profesion"));
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral("PROFESION YA existe"));
    // Checked as the table keeps it: trailing blanks go, blanks alone are refused in Spanish.
    for (const char* respuesta : {"Tasador  ", "   "}) {
        harness->AnswerModal([&](TCustomForm& f) {
            auto& n = static_cast<TNuevaLinea&>(f);
            n.Respuesta->SetText(QString::fromLatin1(respuesta));
            TFormHarness::Click(n.btOk);
        });
        TFormHarness::Click(Buscar2->btNuevo);
    }
    const size_t avisos = harness->Messages().size();
    ASSERT_GE(avisos, 2u);
    EXPECT_EQ(harness->Messages()[avisos - 2].Text, QStringLiteral("PROFESION YA existe"));
    EXPECT_EQ(harness->LastMessage().Text, QString::fromUtf8("PROFESION no puede quedar vacío"));
    harness->AnswerModal([&](TCustomForm& f) {
        auto& n = static_cast<TNuevaLinea&>(f);
        n.Respuesta->SetText(QStringLiteral("Tasa"));
        TFormHarness::Click(n.btOk);
    });
    TFormHarness::Click(Buscar2->btNuevo);
    EXPECT_EQ(Textos(Raiz()), QStringList({QStringLiteral("Tasador"), QStringLiteral("Tasa")}));
    Buscar2->Lista->SetSelected(Hijo(Raiz(), QStringLiteral("Tasa")));
    EXPECT_EQ(Buscar2->btNuevo->Caption(), QStringLiteral("Perito"));
}

TEST_F(Buscar2Test, PathRoutineReusesNodesSkipsEmptyTextsAndCanSort) {
    Application->CreateForm(Buscar2);
    TTreeView* tv = Buscar2->Lista;
    int datos = 0;
    auto ruta = [](std::initializer_list<const char*> t) {
        auto l = std::make_unique<TStringList>();
        for (const char* s : t) l->Add(QString::fromUtf8(s));
        return l;
    };
    TTreeNode* a = AgregaRama(tv, ruta({"Raiz", "Grupo", "Uno"}).get(), &datos, false);
    TTreeNode* b = AgregaRama(tv, ruta({"Raiz", "Grupo", "Uno"}).get(), nullptr, false);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a->Data(), &datos);
    EXPECT_EQ(a->ImageIndex(), 4);
    EXPECT_EQ(a->Parent()->ImageIndex(), 2);
    TTreeNode* c = AgregaRama(tv, ruta({"Raiz", "", "Suelto"}).get(), nullptr, false);
    EXPECT_EQ(c->Level(), 1);
    EXPECT_EQ(c->ImageIndex(), 4);
    AgregaRama(tv, ruta({"Raiz", "Alfa"}).get(), nullptr, true);
    EXPECT_EQ(Textos(tv->Items()->GetFirstNode()), QStringList({QStringLiteral("Alfa"), QStringLiteral("Grupo"), QStringLiteral("Suelto")}));
    EXPECT_EQ(BuscaNodo(tv, nullptr, QStringLiteral("raiz")), nullptr);
    EXPECT_EQ(BuscaNodo(tv, nullptr, QStringLiteral("Raiz")), tv->Items()->GetFirstNode());
}

TEST_F(Buscar2Test, RendersTheTreeSearchWithRealRows) {
    Grupos("PARTIDOS", {QStringLiteral("Alcalá de Henares"), QStringLiteral("Getafe"), QStringLiteral("Móstoles")});
    Persona(Dat->TProcu, QStringLiteral("Pérez Gómez"), QStringLiteral("Juan"), "PARTIDO", QStringLiteral("Getafe"));
    Persona(Dat->TProcu, QStringLiteral("Núñez Peña"), QStringLiteral("María"), "PARTIDO", QStringLiteral("Getafe"));
    Persona(Dat->TProcu, QStringLiteral("Abad Ruiz"), QStringLiteral("Eva"), "PARTIDO", QStringLiteral("Alcalá de Henares"));
    Persona(Dat->TProcu, QStringLiteral("Sanz"), QStringLiteral("Rosa"), "PARTIDO", QStringLiteral("Móstoles"));
    AbreProcuradores();
    Buscar2->SetCaption(QStringLiteral("Busca Procurador"));
    Buscar2->Lista->SetSelected(Hijo(Hijo(Raiz(), QStringLiteral("Getafe")), QStringLiteral("Núñez Peña,María")));
    Buscar2->Show();
    const QString path = QDir(QStringLiteral(ZEMBRA_TEST_BINARY_DIR)).filePath(QStringLiteral("Abusca2.png"));
    ASSERT_TRUE(TFormHarness::SaveToPng(Buscar2, path));
    EXPECT_TRUE(Buscar2->btOk->Visible());
}

}  // namespace
