// The pick list and the one-line input over a real data folder: the office's lookup tables, the
// lists of people, duplicates, renames and deletes that meet another workstation's changes.
#include "DatFixture.h"

#include "comun/Abusca.h"
#include "comun/UNuevaLinea.h"
#include "platform/rtl/SysUtils.h"

#include <QDir>

using namespace shelltest;
using platform::forms::TFormHarness;

namespace {

struct TTablaLista {
    const char* Titulo;
    const char* Tabla;
    const char* Campo;
    int Longitud;
};
const TTablaLista Listas[] = {
    {"Partidos Judiciales", "PARTIDOS", "PARTIDO", 20},  {"Procedimientos", "PROCEDIMIENTOS", "PROCEDIMIENTO", 30},
    {"Tipos de Despacho", "TIPODES", "TIPO", 30},         {"Profesiones", "PROFESIONES", "PROFESION", 20},
    {"Destinos de Despacho", "TURNADOS", "TURNADO", 30},  {"Tipo de Consulta", "TIPOCONSULTA", "TIPO", 30},
    {"Tribunales", "TRIBUNALES", "TRIBUNAL", 30},
};

class BuscarTest : public DatTest {
protected:
    void SetUp() override {
        DatTest::SetUp();
        Application->CreateForm(principal);  // the dialogs are never the program's main form
    }
    void TearDown() override {
        delete Buscar;
        Buscar = nullptr;
        delete principal;
        principal = nullptr;
        DatTest::TearDown();
    }
    // Creates the pick list over a query and sets it up as the callers do.
    void Prepara(const QString& sql, const QString& titulo, bool popup, int modo) {
        delete Buscar;
        Application->CreateForm(Buscar);
        Buscar->QBusca->Close();
        Buscar->QBusca->SQL()->Clear();
        Buscar->QBusca->SQL()->Add(sql);
        Buscar->SetCaption(QStringLiteral("Busca ") + titulo);
        Buscar->Inicia(titulo, popup, modo);
    }
    void PreparaTabla(const TTablaLista& t, int modo = 1) {
        Prepara(QStringLiteral("SELECT %1 AS NOMBRE FROM %2 ORDER BY %1").arg(QString::fromLatin1(t.Campo),
                                                                          QString::fromLatin1(t.Tabla)),
                QString::fromUtf8(t.Titulo), true, modo);
    }
    void Valores(const char* tabla, const QStringList& valores) {
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
    QStringList EnTabla(const char* tabla) {
        TQuery q(nullptr);
        q.SetDatabaseName(QStringLiteral("ZEMBRA"));
        q.SQL()->SetText(QStringLiteral("SELECT * FROM ") + QString::fromLatin1(tabla));
        q.Open();
        QStringList r;
        for (; !q.Eof(); q.Next()) r << q.Fields()->Fields(0)->AsString();
        r.sort();
        return r;
    }
    QStringList Filas() const {
        QStringList r;
        TTreeNode* raiz = Buscar->Lista->Items()->GetFirstNode();
        for (int i = 0; raiz && i < raiz->Count(); ++i) r << raiz->Item(i)->Text();
        return r;
    }
    TTreeNode* Fila(const QString& texto) const {
        TTreeNode* raiz = Buscar->Lista->Items()->GetFirstNode();
        for (int i = 0; i < raiz->Count(); ++i)
            if (raiz->Item(i)->Text() == texto) return raiz->Item(i);
        return nullptr;
    }
    // The next one-line input is answered with this text (OK), after the checks of `mira`.
    void Responde(const QString& texto, const std::function<void(TNuevaLinea&)>& mira = nullptr) {
        harness->AnswerModal([texto, mira](TCustomForm& f) {
            auto& n = static_cast<TNuevaLinea&>(f);
            if (mira) mira(n);
            n.Respuesta->SetText(texto);
            TFormHarness::Click(n.btOk);
        });
    }
    TForm* principal = nullptr;
};

TEST_F(BuscarTest, EveryLookupTableTakesNewValuesWithItsQuestionAndLength) {
    for (const TTablaLista& t : Listas) {
        SCOPED_TRACE(t.Titulo);
        const QString titulo = QString::fromUtf8(t.Titulo);
        PreparaTabla(t);
        // Empty: the root alone, "Nuevo" offered, nothing to accept.
        EXPECT_EQ(Buscar->Lista->Items()->Count(), 1);
        EXPECT_EQ(Buscar->Lista->Selected(), Buscar->Lista->Items()->GetFirstNode());
        EXPECT_EQ(Buscar->Lista->Selected()->Text(), titulo);
        EXPECT_TRUE(Buscar->btNuevo->Visible());
        EXPECT_FALSE(Buscar->btBorrar->Visible());
        EXPECT_FALSE(Buscar->btOk->Enabled());
        QString pregunta;
        int longitud = -1, ancho = -1, izquierda = -1, contenedor = -1;
        bool okAlAbrir = true;
        Responde(QStringLiteral("Primero"), [&](TNuevaLinea& n) {
            pregunta = n.Pregunta->Caption();
            longitud = n.Respuesta->MaxLength();
            ancho = n.Respuesta->Width();
            izquierda = n.Respuesta->Left();
            contenedor = n.Contenedor->Width();
            okAlAbrir = n.btOk->Enabled();
        });
        TFormHarness::Click(Buscar->btNuevo);
        EXPECT_EQ(pregunta, QStringLiteral("Introduzca ") + titulo);
        EXPECT_EQ(longitud, t.Longitud);
        EXPECT_EQ(ancho, 8 * t.Longitud);
        EXPECT_EQ(izquierda, (contenedor - ancho) / 2);
        EXPECT_FALSE(okAlAbrir);
        EXPECT_EQ(EnTabla(t.Tabla), QStringList{QStringLiteral("Primero")});
        // The new value is the first row, selected, and the query stands on it.
        EXPECT_EQ(Filas(), QStringList{QStringLiteral("Primero")});
        EXPECT_EQ(Buscar->Lista->Selected()->Text(), QStringLiteral("Primero"));
        EXPECT_TRUE(Buscar->btOk->Enabled());
        EXPECT_TRUE(Buscar->btBorrar->Visible());
        EXPECT_EQ(Buscar->QBusca->FieldByName(QStringLiteral("NOMBRE"))->AsString(), QStringLiteral("Primero"));
        EXPECT_TRUE(harness->Messages().empty());
    }
}

TEST_F(BuscarTest, AnOlderDataFolderWithoutTheOfficeTypesGetsTheTable) {
    {
        TQuery q(nullptr);
        q.SetDatabaseName(QStringLiteral("ZEMBRA"));
        q.SQL()->SetText(QStringLiteral("DROP TABLE TIPODES"));
        q.ExecSQL();
    }
    ASSERT_FALSE(Dat->Db->Connection()->TableExists(QStringLiteral("TIPODES")));
    PreparaTabla(Listas[2]);
    EXPECT_EQ(Buscar->Lista->Items()->Count(), 1);
    Responde(QStringLiteral("Penal"));
    TFormHarness::Click(Buscar->btNuevo);
    EXPECT_EQ(EnTabla("TIPODES"), QStringList{QStringLiteral("Penal")});
    EXPECT_TRUE(harness->Exceptions().empty());
}

TEST_F(BuscarTest, AValueIsRefusedOnlyWhenItsWholeTextExistsInTheSameCase) {
    Valores("PARTIDOS", {QStringLiteral("Madrid Centro")});
    PreparaTabla(Listas[0]);
    Responde(QStringLiteral("Madrid"));
    TFormHarness::Click(Buscar->btNuevo);
    EXPECT_TRUE(harness->Messages().empty());
    EXPECT_EQ(EnTabla("PARTIDOS"), QStringList({QStringLiteral("Madrid"), QStringLiteral("Madrid Centro")}));
    Responde(QStringLiteral("Madrid"));
    TFormHarness::Click(Buscar->btNuevo);
    ASSERT_EQ(harness->Messages().size(), 1u);
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral("PARTIDOS JUDICIALES ya existe"));
    EXPECT_EQ(harness->LastMessage().Caption, QStringLiteral("¡¡ ERROR !!"));
    Responde(QStringLiteral("madrid"));
    TFormHarness::Click(Buscar->btNuevo);
    EXPECT_EQ(harness->Messages().size(), 1u);
    // Listed in Spanish order: capitals first among equal letters.
    EXPECT_EQ(Filas(), QStringList({QStringLiteral("Madrid"), QStringLiteral("madrid"), QStringLiteral("Madrid Centro")}));
    // No answer: nothing is written.
    harness->AnswerModal(mrNo);
    TFormHarness::Click(Buscar->btNuevo);
    EXPECT_EQ(EnTabla("PARTIDOS").size(), 3);
    EXPECT_EQ(NuevaLinea, nullptr);
}

TEST_F(BuscarTest, RenamingToAnExistingValueReportsTheKeyViolationAndRebuildsTheList) {
    Valores("TRIBUNALES", {QStringLiteral("Audiencia"), QStringLiteral("Juzgado 1")});
    PreparaTabla(Listas[6]);
    Buscar->Lista->SetSelected(Fila(QStringLiteral("Juzgado 1")));
    QString preset;
    Responde(QStringLiteral("Audiencia"), [&](TNuevaLinea& n) {
        preset = n.Respuesta->Text();
        EXPECT_TRUE(n.btOk->Enabled());  // the preset text counts
    });
    Buscar->PopupBuscarPopup(Buscar);
    EXPECT_TRUE(Buscar->Modificar1->Enabled());
    platform::forms::Guarded(Buscar, [] { Buscar->Modificar1->Click(); });  // as a menu click runs
    EXPECT_EQ(preset, QStringLiteral("Juzgado 1"));
    ASSERT_EQ(harness->Messages().size(), 1u);
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral("CLAVE DUPLICADA"));
    EXPECT_EQ(EnTabla("TRIBUNALES"), QStringList({QStringLiteral("Audiencia"), QStringLiteral("Juzgado 1")}));
    EXPECT_EQ(Filas(), QStringList({QStringLiteral("Audiencia"), QStringLiteral("Juzgado 1")}));
    EXPECT_EQ(Buscar->TTabla->State(), dsBrowse);
    // A free name is written and shown.
    Buscar->Lista->SetSelected(Fila(QStringLiteral("Juzgado 1")));
    Responde(QStringLiteral("Juzgado 2"));
    Buscar->Modificar1->Click();
    EXPECT_EQ(EnTabla("TRIBUNALES"), QStringList({QStringLiteral("Audiencia"), QStringLiteral("Juzgado 2")}));
    EXPECT_EQ(Filas(), QStringList({QStringLiteral("Audiencia"), QStringLiteral("Juzgado 2")}));
    // The data module's view of the table sees the change.
    EXPECT_TRUE(Dat->TTribunales->Locate(QStringLiteral("TRIBUNAL"), Variant(QStringLiteral("Juzgado 2")), 0));
}

TEST_F(BuscarTest, DeletingAsksFirstAndARowAnotherWorkstationDeletedOnlyRebuilds) {
    Valores("PROFESIONES", {QStringLiteral("Arquitecto"), QStringLiteral("Médico"), QStringLiteral("Tasador")});
    PreparaTabla(Listas[3]);
    Buscar->Lista->SetSelected(Fila(QStringLiteral("Médico")));
    harness->AnswerMessage(mrNo);
    TFormHarness::Click(Buscar->btBorrar);
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral("¿Borrar Médico?"));
    EXPECT_EQ(harness->LastMessage().Caption, QStringLiteral("¡¡ ATENCIÓN !!"));
    EXPECT_EQ(EnTabla("PROFESIONES").size(), 3);
    harness->AnswerMessage(mrYes);
    TFormHarness::Click(Buscar->btBorrar);
    EXPECT_EQ(EnTabla("PROFESIONES"), QStringList({QStringLiteral("Arquitecto"), QStringLiteral("Tasador")}));
    EXPECT_EQ(Filas(), QStringList({QStringLiteral("Arquitecto"), QStringLiteral("Tasador")}));

    // Another workstation deletes "Tasador" while it is on screen here.
    {
        TQuery otra(nullptr);
        otra.SetDatabaseName(dir.path());
        otra.SQL()->SetText(QStringLiteral("DELETE FROM PROFESIONES WHERE PROFESION = 'Tasador'"));
        otra.ExecSQL();
    }
    Buscar->Lista->SetSelected(Fila(QStringLiteral("Tasador")));
    harness->ClearRecords();
    harness->AnswerMessage(mrYes);
    Buscar->PopupBuscarPopup(Buscar);
    ASSERT_TRUE(Buscar->Eliminar1->Enabled());
    Buscar->Eliminar1->Click();  // the pop-up item acts as the button
    EXPECT_EQ(harness->Messages().size(), 1u);  // the question, and no error
    EXPECT_TRUE(harness->Exceptions().empty());
    EXPECT_EQ(Filas(), QStringList{QStringLiteral("Arquitecto")});
}

TEST_F(BuscarTest, PeopleAreChosenByTheirRowAndTheListHasNothingToWrite) {
    const int ana = AddClient(QStringLiteral("García"), QStringLiteral("Ana"));
    const int ana2 = AddClient(QStringLiteral("García"), QStringLiteral("Ana"));
    const int luis = AddClient(QStringLiteral("Ruiz"), QStringLiteral("Luis"));
    Dat->TClientes->Append();
    Dat->TClientes->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QStringLiteral("Sin"));
    Dat->TClientes->Post();
    const QString sql = QStringLiteral(
        "SELECT CLIENTE AS CODIGO, APELLIDOS || ',' || NOMBRE AS NOMBRE FROM CLIENTES ORDER BY APELLIDOS, CLIENTE");
    Prepara(sql, QStringLiteral("Clientes"), true, 0);
    // A row whose name the query gives as nothing still has its node.
    ASSERT_EQ(Filas().size(), 4);
    EXPECT_EQ(Filas().mid(0, 3), QStringList({QStringLiteral("García,Ana"), QStringLiteral("García,Ana"), QStringLiteral("Ruiz,Luis")}));
    EXPECT_FALSE(Buscar->btNuevo->Visible());
    EXPECT_FALSE(Buscar->btBorrar->Visible());
    // Each of the two equal names leads to its own row.
    TTreeNode* raiz = Buscar->Lista->Items()->GetFirstNode();
    int codigos[3] = {};
    for (int i = 0; i < 3; ++i) {
        Buscar->Lista->SetSelected(raiz->Item(i));
        codigos[i] = Buscar->QBusca->FieldByName(QStringLiteral("CODIGO"))->AsInteger();
    }
    EXPECT_EQ(codigos[0], ana);
    EXPECT_EQ(codigos[1], ana2);
    EXPECT_EQ(codigos[2], luis);
    // The root puts the query back on its first row and cannot be accepted.
    Buscar->Lista->SetSelected(raiz);
    EXPECT_FALSE(Buscar->btOk->Enabled());
    EXPECT_EQ(Buscar->QBusca->FieldByName(QStringLiteral("CODIGO"))->AsInteger(), ana);
    // "Modificar" on a list of people is not offered, and forced it writes nothing.
    Buscar->Lista->SetSelected(raiz->Item(2));
    Buscar->PopupBuscarPopup(Buscar);
    EXPECT_FALSE(Buscar->Modificar1->Enabled());
    EXPECT_FALSE(Buscar->Nuevo1->Enabled());
    EXPECT_FALSE(Buscar->Eliminar1->Enabled());
    Buscar->Modificar1->Click();
    Buscar->Nuevo1->Click();
    Buscar->Eliminar1->Click();
    EXPECT_TRUE(harness->ModalForms().empty());
    EXPECT_TRUE(harness->Messages().empty());
    // OK returns the chosen row; a double-click too.
    harness->AnswerModal([](TCustomForm& f) { TFormHarness::Click(static_cast<TBuscar&>(f).btOk); });
    EXPECT_EQ(Buscar->ShowModal(), mrOk);
    EXPECT_EQ(Buscar->QBusca->FieldByName(QStringLiteral("CODIGO"))->AsInteger(), luis);
    delete Buscar;
    Buscar = nullptr;
    Prepara(sql, QStringLiteral("Clientes"), false, 0);
    EXPECT_EQ(Buscar->Lista->PopupMenu(), nullptr);
    harness->AnswerModal([](TCustomForm& f) {
        auto& b = static_cast<TBuscar&>(f);
        b.Lista->SetSelected(b.Lista->Items()->Item(2));
        b.ListaDblClick(b.Lista);
    });
    EXPECT_EQ(Buscar->ShowModal(), mrOk);
    EXPECT_EQ(Buscar->QBusca->FieldByName(QStringLiteral("CODIGO"))->AsInteger(), ana2);
    harness->AnswerModal([](TCustomForm& f) { TFormHarness::Click(static_cast<TBuscar&>(f).btNo); });
    EXPECT_EQ(Buscar->ShowModal(), mrNo);
}

TEST_F(BuscarTest, EnterTakesTheRowAndEscapeIsNoFromTheKeyboard) {
    AddClient(QStringLiteral("García"), QStringLiteral("Ana"));
    const int luis = AddClient(QStringLiteral("Ruiz"), QStringLiteral("Luis"));
    Prepara(QStringLiteral("SELECT CLIENTE AS CODIGO, APELLIDOS AS NOMBRE FROM CLIENTES ORDER BY APELLIDOS"),
            QStringLiteral("Clientes"), false, 2);
    bool abierto = false;
    harness->AnswerModal([&](TCustomForm& f) {
        auto& b = static_cast<TBuscar&>(f);
        // Enter on the title is not a choice: the list stays open.
        b.Lista->SetSelected(b.Lista->Items()->GetFirstNode());
        TFormHarness::PressKey(b.Lista, VK_RETURN);
        abierto = b.ModalResult() == mrNone;
        b.Lista->SetSelected(b.Lista->Items()->Item(2));
        TFormHarness::PressKey(b.Lista, VK_RETURN);
    });
    EXPECT_EQ(Buscar->ShowModal(), mrOk);
    EXPECT_TRUE(abierto);
    EXPECT_EQ(Buscar->QBusca->FieldByName(QStringLiteral("CODIGO"))->AsInteger(), luis);
    // Esc is No, never the "Nuevo" that shares its letter: nothing is asked of the caller.
    harness->AnswerModal([](TCustomForm& f) { TFormHarness::PressKey(static_cast<TBuscar&>(f).Lista, VK_ESCAPE); });
    EXPECT_EQ(Buscar->ShowModal(), mrNo);
}

TEST_F(BuscarTest, NewInModeTwoAsksTheCallerForARecord) {
    AddClient(QStringLiteral("García"), QStringLiteral("Ana"));
    Prepara(QStringLiteral("SELECT CLIENTE AS CODIGO, APELLIDOS AS NOMBRE FROM CLIENTES"), QStringLiteral("Clientes"), true, 2);
    EXPECT_TRUE(Buscar->btNuevo->Visible());
    EXPECT_FALSE(Buscar->btBorrar->Visible());
    harness->AnswerModal([](TCustomForm& f) {
        auto& b = static_cast<TBuscar&>(f);
        b.PopupBuscarPopup(&b);
        EXPECT_TRUE(b.Nuevo1->Enabled());
        b.Nuevo1->Click();
    });
    EXPECT_EQ(Buscar->ShowModal(), mrIgnore);
    EXPECT_EQ(EnTabla("CLIENTES").size(), 1);
}

TEST_F(BuscarTest, RendersThePickListWithRealRows) {
    Valores("PARTIDOS", {QStringLiteral("Alcalá de Henares"), QStringLiteral("Getafe"), QStringLiteral("Leganés"),
                         QStringLiteral("Madrid"), QStringLiteral("Móstoles"), QStringLiteral("Navalcarnero")});
    PreparaTabla(Listas[0]);
    Buscar->SetCaption(QStringLiteral("Busca Partido Judicial"));
    Buscar->Lista->SetSelected(Fila(QStringLiteral("Getafe")));
    Buscar->Show();
    const QString path = QDir(QStringLiteral(ZEMBRA_TEST_BINARY_DIR)).filePath(QStringLiteral("Abusca.png"));
    ASSERT_TRUE(TFormHarness::SaveToPng(Buscar, path));
    EXPECT_TRUE(Buscar->btBorrar->Visible());
    EXPECT_EQ(Buscar->QBusca->FieldByName(QStringLiteral("NOMBRE"))->AsString(), QStringLiteral("Getafe"));
}

TEST_F(BuscarTest, OneLineInputTakesEnterOnlyWithAnAnswerAndEscapeRefuses) {
    Application->CreateForm(NuevaLinea);
    NuevaLinea->Respuesta->SetMaxLength(20);
    bool abiertoVacio = false;
    harness->AnswerModal([&](TCustomForm& f) {
        auto& n = static_cast<TNuevaLinea&>(f);
        EXPECT_TRUE(n.Respuesta->Focused());
        TFormHarness::PressKey(n.Respuesta, VK_RETURN);
        TFormHarness::ProcessEvents();
        abiertoVacio = n.ModalResult() == mrNone;
        TFormHarness::Type(n.Respuesta, QStringLiteral("Getafe"));
        TFormHarness::PressKey(n.Respuesta, VK_RETURN);
    });
    EXPECT_EQ(NuevaLinea->ShowModal(), mrOk);
    EXPECT_TRUE(abiertoVacio);
    EXPECT_EQ(NuevaLinea->Respuesta->Text(), QStringLiteral("Getafe"));
    harness->AnswerModal([](TCustomForm& f) {
        TFormHarness::PressKey(static_cast<TNuevaLinea&>(f).Respuesta, VK_ESCAPE);
    });
    EXPECT_EQ(NuevaLinea->ShowModal(), mrNo);
    delete NuevaLinea;
    EXPECT_EQ(NuevaLinea, nullptr);
}

TEST_F(BuscarTest, RendersTheOneLineInput) {
    Application->CreateForm(NuevaLinea);
    NuevaLinea->Pregunta->SetCaption(QStringLiteral("Introduzca Tribunales"));
    NuevaLinea->Respuesta->SetMaxLength(30);
    NuevaLinea->Respuesta->SetText(QStringLiteral("Juzgado de lo Social nº 3"));
    NuevaLinea->Show();
    NuevaLinea->FormShow(NuevaLinea);
    const QString path = QDir(QStringLiteral(ZEMBRA_TEST_BINARY_DIR)).filePath(QStringLiteral("UNuevaLinea.png"));
    ASSERT_TRUE(TFormHarness::SaveToPng(NuevaLinea, path));
    EXPECT_TRUE(NuevaLinea->btOk->Enabled());
    NuevaLinea->Respuesta->SetText(QString());
    EXPECT_FALSE(NuevaLinea->btOk->Enabled());
    delete NuevaLinea;
    NuevaLinea = nullptr;
}

}  // namespace

// The table keeps no trailing blanks: an answer is checked as it will be kept, and one of blanks
// only is refused in Spanish instead of reaching the engine.
TEST_F(BuscarTest, AnAnswerIsCheckedAsTheTableKeepsItAndBlanksAloneAreRefused) {
    Valores("PARTIDOS", {QStringLiteral("Madrid")});
    PreparaTabla(Listas[0]);
    Responde(QStringLiteral("Madrid  "));
    TFormHarness::Click(Buscar->btNuevo);
    ASSERT_EQ(harness->Messages().size(), 1u);
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral("PARTIDOS JUDICIALES ya existe"));
    Responde(QStringLiteral("   "));
    TFormHarness::Click(Buscar->btNuevo);
    ASSERT_EQ(harness->Messages().size(), 2u);
    EXPECT_EQ(harness->LastMessage().Text, QString::fromUtf8("PARTIDOS JUDICIALES no puede quedar vacío"));
    Responde(QStringLiteral("  Toledo "));
    TFormHarness::Click(Buscar->btNuevo);
    EXPECT_EQ(harness->Messages().size(), 2u);
    EXPECT_EQ(EnTabla("PARTIDOS"), QStringList({QStringLiteral("  Toledo"), QStringLiteral("Madrid")}));
    // Renaming to blanks alone keeps the old value.
    Buscar->Lista->SetSelected(Fila(QStringLiteral("Madrid")));
    Responde(QStringLiteral("  "));
    Buscar->Modificar1->Click();
    ASSERT_EQ(harness->Messages().size(), 3u);
    EXPECT_EQ(harness->LastMessage().Text, QString::fromUtf8("PARTIDOS JUDICIALES no puede quedar vacío"));
    EXPECT_EQ(EnTabla("PARTIDOS"), QStringList({QStringLiteral("  Toledo"), QStringLiteral("Madrid")}));
    EXPECT_EQ(Buscar->TTabla->State() == dsInsert || Buscar->TTabla->State() == dsEdit, false);
}
