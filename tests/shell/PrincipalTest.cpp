// The main window: the filter engine over real tables (the engine's selection and the row test
// agree, and both give the expected case files), the filter rows, the lawyer restriction, the
// selectors, the column choosers, the stored layout and the first-paint notice.
#include "PrincipioFixture.h"
#include "comun/UNuevaLinea.h"
#include "documents/UFusion.h"
#include "platform/classes/IniFiles.h"
#include "platform/classes/Registry.h"
#include "platform/help/HelpEngine.h"
#include "platform/rtl/SysUtils.h"
#include "shell/Acceso.h"
#include "shell/UFin.h"
#include "shell/UPrincipal.h"
#include "shell/UPrograma.h"
#include "tests/support/GeneraDespacho.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QImage>
#include <QSet>
#include <memory>

using namespace shelltest;

namespace {

const QString Hoy = QString::number(QDate::currentDate().year());

class FiltroTest : public DatTest {
protected:
    void SetUp() override {
        DatTest::SetUp();
        Close();
        zbtest::TGenerador g(dir.path());
        g.Empieza();
        // ANO, NUMERO, ABOCLI, AUTOS, AUTOS1, AUTOS2, AUTOS3, PROCEDIMIENTO, TRIBUNAL, SITUACION, ABOCON, PERITO
        Caso(g, "2026", "00001-A", 1, "12/26", "", "99/26", "", "Juicio Verbal", "Juzgado nº 1", 1, 5, 0);
        Caso(g, "2026", "00002-A", 2, "x", "99/26", "", "", "juicio verbal", "Juzgado nº 1", 2, 6, 3);
        Caso(g, "2025", "00001-A", 1, "", "", "", "99/26", "Monitorio", "Audiencia", 3, 5, 0);
        Caso(g, "2026", "00003-A", 1, "99/26 ", "", "", "", "Juicio Verbal ", "O'Donnell", 1, 0, 0);
        g.Exec("INSERT INTO expcli (ANO, NUMERO, CLIENTE) VALUES ('2026','00001-A',10), ('2026','00002-A',11), "
               "('2026','00002-A',10), ('2025','00001-A',11)");
        g.Exec("INSERT INTO expcon (ANO, NUMERO, CONTRARIO) VALUES ('2026','00001-A',7), ('2025','00001-A',8)");
        g.Exec("INSERT INTO consultas (ANO, NUMERO, ABOCLI, ABOENT, SITUACION, TIPO, NOMCLIENTE) VALUES "
               "('2026','00001-C',1,2,1,'Civil','Peña,Ana'), ('2026','00002-C',2,2,3,'civil','Peña,Ana'), "
               "('2025','00001-C',1,1,1,'Civil','PEÑA,ANA')");
        g.Termina();
        Open();
        auto tabla = [](const char* t) {
            auto x = std::make_unique<TTable>(nullptr);
            x->SetDatabaseName(QStringLiteral("ZEMBRA"));
            x->SetTableName(QString::fromLatin1(t));
            x->Open();
            return x;
        };
        exped = tabla("EXPED");
        expCli = tabla("EXPCLI");
        expCon = tabla("EXPCON");
        consultas = tabla("CONSULTAS");
    }
    void TearDown() override {
        exped.reset();
        expCli.reset();
        expCon.reset();
        consultas.reset();
        DatTest::TearDown();
    }
    static void Caso(zbtest::TGenerador& g, const char* ano, const char* numero, int abocli, const char* a0,
                     const char* a1, const char* a2, const char* a3, const char* proc, const char* trib, int sit, int abocon,
                     int perito) {
        auto st = g.Prepara(QStringLiteral(
            "INSERT INTO exped (ANO, NUMERO, ABOCLI, AUTOS, AUTOS1, AUTOS2, AUTOS3, PROCEDIMIENTO, TRIBUNAL, SITUACION, "
            "ABOCON, PERITO) VALUES (?,?,?,?,?,?,?,?,?,?,?,?)"));
        auto t = [](const char* s) { return QString::fromUtf8(s); };
        g.Fila(st, t(ano), t(numero), abocli, t(a0), t(a1), t(a2), t(a3), t(proc), t(trib), sit, abocon, perito);
    }
    static QString Clave(TDataSet* ds) {
        return ds->FieldByName(QStringLiteral("ANO"))->AsString() + QLatin1Char('/') + ds->FieldByName(QStringLiteral("NUMERO"))->AsString();
    }
    // The case files the engine selects and those the row test accepts; they must be the same.
    QSet<QString> Expedientes(const TFiltroExpedientes& f, const TSeleccionPrincipal& s) {
        QSet<QString> porSql, porFila;
        TTable t(nullptr);
        t.SetDatabaseName(QStringLiteral("ZEMBRA"));
        t.SetTableName(QStringLiteral("EXPED"));
        t.SetFilter(f.Sql(s));
        t.SetFiltered(true);
        t.Open();
        for (t.First(); !t.Eof(); t.Next()) porSql << Clave(&t);
        for (exped->First(); !exped->Eof(); exped->Next())
            if (f.Acepta(exped.get(), s, expCli.get(), expCon.get())) porFila << Clave(exped.get());
        EXPECT_EQ(porSql, porFila) << f.Sql(s).toStdString();
        return porSql;
    }
    QSet<QString> Consultas(const TFiltroConsultas& f, const TSeleccionPrincipal& s) {
        QSet<QString> porSql, porFila;
        TTable t(nullptr);
        t.SetDatabaseName(QStringLiteral("ZEMBRA"));
        t.SetTableName(QStringLiteral("CONSULTAS"));
        t.SetFilter(f.Sql(s));
        t.SetFiltered(true);
        t.Open();
        for (t.First(); !t.Eof(); t.Next()) porSql << Clave(&t);
        for (consultas->First(); !consultas->Eof(); consultas->Next())
            if (f.Acepta(consultas.get(), s)) porFila << Clave(consultas.get());
        EXPECT_EQ(porSql, porFila) << f.Sql(s).toStdString();
        return porSql;
    }
    static TSeleccionPrincipal Todos(int usuario = -1) {
        TSeleccionPrincipal s;
        s.PorAbogado = false;
        s.AbogadoUsuario = usuario;
        s.PorAno = false;
        return s;
    }
    static QSet<QString> Set(std::initializer_list<const char*> l) {
        QSet<QString> r;
        for (const char* c : l) r << QString::fromLatin1(c);
        return r;
    }
    std::unique_ptr<TTable> exped, expCli, expCon, consultas;
};

TEST_F(FiltroTest, CriteriaCompareExactlyAndCaseSensitively) {
    TFiltroExpedientes f;
    EXPECT_EQ(Expedientes(f, Todos()), Set({"2026/00001-A", "2026/00002-A", "2025/00001-A", "2026/00003-A"}));
    f.FiltroProcedimiento = QStringLiteral("Juicio Verbal");  // not "juicio verbal", not with a trailing blank
    EXPECT_EQ(Expedientes(f, Todos()), Set({"2026/00001-A"}));
    f.Reinicia();
    f.FiltroTribunal = QStringLiteral("O'Donnell");
    EXPECT_EQ(Expedientes(f, Todos()), Set({"2026/00003-A"}));
    f.Reinicia();
    f.FiltroSituacion = 3;
    EXPECT_EQ(Expedientes(f, Todos()), Set({"2025/00001-A"}));
    f.Reinicia();
    f.FiltroAboCon = 5;
    f.FiltroSituacion = 1;
    EXPECT_EQ(Expedientes(f, Todos()), Set({"2026/00001-A"}));
    f.Reinicia();
    f.FiltroPerito = 3;
    EXPECT_EQ(Expedientes(f, Todos()), Set({"2026/00002-A"}));
}

TEST_F(FiltroTest, ClientAndOpposingPartyGoThroughTheCaseFilesLists) {
    TFiltroExpedientes f;
    f.FiltroCliente = 10;  // the main client of the first, a second client of the other
    EXPECT_EQ(Expedientes(f, Todos()), Set({"2026/00001-A", "2026/00002-A"}));
    f.FiltroCliente = 99;
    EXPECT_TRUE(Expedientes(f, Todos()).isEmpty());
    f.Reinicia();
    f.FiltroContrario = 8;
    EXPECT_EQ(Expedientes(f, Todos()), Set({"2025/00001-A"}));
}

TEST_F(FiltroTest, CaseNumberMatchesAutosOrAutos1NeverTheOlderOnes) {
    TFiltroExpedientes f;
    f.FiltroAutos = QStringLiteral("99/26");
    EXPECT_EQ(Expedientes(f, Todos()), Set({"2026/00002-A"}));
    // An empty answer filters the case files whose current or first earlier number is empty.
    f.FiltroAutos = QString();
    EXPECT_EQ(Expedientes(f, Todos()), Set({"2026/00001-A", "2025/00001-A", "2026/00003-A"}));
}

// An empty answer matches a field left empty by another program and one our own writes leave
// null alike, in the selection the browser runs as in the row test the lists print with.
TEST_F(FiltroTest, AnEmptyValueMatchesEmptyAndNullFieldsAlike) {
    {
        zbtest::TGenerador g(dir.path());
        g.Exec("INSERT INTO exped (ANO, NUMERO, ABOCLI, SITUACION) VALUES ('2026', '00004-A', 1, 1)");
        g.Exec("INSERT INTO exped (ANO, NUMERO, ABOCLI, SITUACION, PROCEDIMIENTO, TRIBUNAL, AUTOS, AUTOS1) "
               "VALUES ('2026', '00005-A', 1, 1, '', '', '', '')");
        // Stored as written: one row null, the other empty (a count of a column counts the rows not null).
        const auto filas = g.Consulta(QStringLiteral("SELECT COUNT(PROCEDIMIENTO), COUNT(TRIBUNAL), COUNT(AUTOS) FROM exped "
                                                     "WHERE NUMERO IN ('00004-A', '00005-A')"));
        ASSERT_EQ(filas.size(), size_t(1));
        for (const QVariant& v : filas[0]) EXPECT_EQ(v.toInt(), 1);
    }
    exped->Refresh();
    TFiltroExpedientes f;
    f.FiltroProcedimiento = QString();
    EXPECT_EQ(Expedientes(f, Todos()), Set({"2026/00004-A", "2026/00005-A"}));
    f.Reinicia();
    f.FiltroTribunal = QString();
    EXPECT_EQ(Expedientes(f, Todos()), Set({"2026/00004-A", "2026/00005-A"}));
    f.Reinicia();
    f.FiltroAutos = QString();
    EXPECT_EQ(Expedientes(f, Todos()), Set({"2026/00001-A", "2025/00001-A", "2026/00003-A", "2026/00004-A", "2026/00005-A"}));
}

TEST_F(FiltroTest, YearAndLawyerSelectors) {
    TFiltroExpedientes f;
    TSeleccionPrincipal s;
    s.PorAbogado = true;
    s.AbogadoElegido = 1;
    s.AbogadoUsuario = -1;
    s.PorAno = true;
    s.Ano = QStringLiteral("2026");
    EXPECT_EQ(Expedientes(f, s), Set({"2026/00001-A", "2026/00003-A"}));
    s.Ano = QStringLiteral("202");  // the text of ANO, whole
    EXPECT_TRUE(Expedientes(f, s).isEmpty());
    s.PorAno = false;
    EXPECT_EQ(Expedientes(f, s), Set({"2026/00001-A", "2025/00001-A", "2026/00003-A"}));
    s.AbogadoUsuario = 1;
    EXPECT_EQ(Expedientes(f, s).size(), 3);
    // A user of another lawyer sees nothing of this one.
    s.AbogadoUsuario = 2;
    EXPECT_TRUE(Expedientes(f, s).isEmpty());
}

// "TODOS" keeps a restricted user within reach: only the user's lawyer's rows, none for NINGUNO.
TEST_F(FiltroTest, AllLawyersNeverLiftsTheUsersRestriction) {
    TFiltroExpedientes f;
    EXPECT_EQ(Expedientes(f, Todos(2)), Set({"2026/00002-A"}));
    EXPECT_TRUE(Expedientes(f, Todos(0)).isEmpty());
    EXPECT_EQ(Expedientes(f, Todos(-1)).size(), 4);
    TFiltroConsultas c;
    EXPECT_EQ(Consultas(c, Todos(2)), Set({"2026/00002-C"}));
    EXPECT_TRUE(Consultas(c, Todos(0)).isEmpty());
}

TEST_F(FiltroTest, ConsultationCriteria) {
    TFiltroConsultas c;
    c.FiltroNomCliente = QStringLiteral("Peña,Ana");  // the name, not the code; case counts
    EXPECT_EQ(Consultas(c, Todos()), Set({"2026/00001-C", "2026/00002-C"}));
    c.FiltroTipoCon = QStringLiteral("Civil");
    EXPECT_EQ(Consultas(c, Todos()), Set({"2026/00001-C"}));
    c.Reinicia();
    c.FiltroAboEnt = 2;
    c.FiltroSituacionCon = 3;
    EXPECT_EQ(Consultas(c, Todos()), Set({"2026/00002-C"}));
}

TEST(FilasFiltro, RowsFillInOrderReplaceTheirLabelAndStopAtTen) {
    TFilasFiltro f;
    EXPECT_FALSE(f.Activo());
    EXPECT_TRUE(f.Agrega(QStringLiteral("CLIENTE"), QStringLiteral("Peña,Ana")));
    EXPECT_TRUE(f.Agrega(QStringLiteral("SITUACIÓN"), QStringLiteral("Abiertos")));
    EXPECT_TRUE(f.Agrega(QStringLiteral("SITUACIÓN"), QStringLiteral("Cerrados")));  // same row, new value
    EXPECT_TRUE(f.Activo());
    EXPECT_EQ(f.Usadas(), 2);
    EXPECT_EQ(f.UltimaFila(), 1);
    EXPECT_EQ(f.Valor(1), QStringLiteral("Cerrados"));
    EXPECT_EQ(f.AltoPanel(), 2 * 18 + 9);
    EXPECT_EQ(f.AltoRejilla(), 2 * 16 + 3);
    for (int i = 2; i < 10; ++i) EXPECT_TRUE(f.Agrega(QStringLiteral("L%1").arg(i), QString()));
    EXPECT_FALSE(f.Agrega(QStringLiteral("OTRO"), QStringLiteral("x")));
    EXPECT_TRUE(f.Agrega(QStringLiteral("CLIENTE"), QStringLiteral("Gil,Rosa")));  // its own row is still there
    EXPECT_EQ(f.Usadas(), 10);

    // Removing moves the rest up; an empty row below the used ones is left alone.
    EXPECT_EQ(f.Quita(0), QStringLiteral("CLIENTE"));
    EXPECT_EQ(f.Etiqueta(0), QStringLiteral("SITUACIÓN"));
    EXPECT_EQ(f.Etiqueta(9), QString());
    EXPECT_EQ(f.UltimaFila(), 8);
    EXPECT_EQ(f.Quita(9), QString());
    EXPECT_EQ(f.UltimaFila(), 8);
    EXPECT_EQ(f.Usadas(), 9);
}

// With all ten rows in use, removing any one keeps the other nine, labels and values, in order,
// and frees the last row for the next criterion.
TEST(FilasFiltro, RemovingOneOfTenKeepsTheOtherNineInOrder) {
    for (int quitada : {0, 4, 8, 9}) {
        SCOPED_TRACE(quitada);
        TFilasFiltro f;
        for (int i = 0; i < TFilasFiltro::Filas; ++i) ASSERT_TRUE(f.Agrega(QStringLiteral("L%1").arg(i), QStringLiteral("V%1").arg(i)));
        EXPECT_EQ(f.Quita(quitada), QStringLiteral("L%1").arg(quitada));
        QStringList quedan, esperadas;
        for (int i = 0; i < TFilasFiltro::Filas; ++i) {
            quedan << f.Etiqueta(i) + QLatin1Char('=') + f.Valor(i);
            if (i != quitada) esperadas << QStringLiteral("L%1=V%1").arg(i);
        }
        esperadas << QStringLiteral("=");
        EXPECT_EQ(quedan, esperadas);
        EXPECT_EQ(f.UltimaFila(), 8);
        EXPECT_TRUE(f.Agrega(QStringLiteral("NUEVO"), QStringLiteral("N")));
        EXPECT_EQ(f.Etiqueta(9), QStringLiteral("NUEVO"));
        EXPECT_EQ(f.Usadas(), 10);
    }
}

// ---------------------------------------------------------------------------------------------- the window


// The help requests of the program reach the help viewer while the main window is up: "Ayuda .."
// shows the contents and a form's help button its page.
TEST_F(PrincipioTest, HelpRequestsReachTheHelpViewer) {
    struct TVisor : platform::help::THelpEngine {
        QStringList Pedidos;
        bool HtmlHelpAvailable() override { return true; }
        bool HtmlHelp(const QString& file, int command, qint64 data) override {
            Pedidos << QStringLiteral("%1 %2 %3").arg(QFileInfo(file).fileName()).arg(command).arg(data);
            return true;
        }
        bool WinHelp(const QString&, int, qint64) override { return false; }
    } visor;
    platform::help::SetHelpEngine(&visor);
    const QString fichero = Application->HelpFile();
    Application->SetHelpFile(QStringLiteral("Zembra.hlp"));
    Genera(2);
    Muestra();
    form->Ayuda1->Click();
    Application->HelpContext(28);
    form.reset();
    Application->SetHelpFile(fichero);
    platform::help::SetHelpEngine(nullptr);
    EXPECT_EQ(visor.Pedidos, (QStringList{QStringLiteral("Zembra.chm 1 0"), QStringLiteral("Zembra.chm 15 28")}));
}

TEST_F(PrincipioTest, AnEmptyUsersTableGetsTheSupervisorAndAFullOneIsLeftAlone) {
    Genera(3);
    Muestra();
    ASSERT_EQ(Dat->TPriv->RecordCount(), 1);
    Dat->TPriv->First();
    EXPECT_EQ(Dat->TPriv->FieldByName(QStringLiteral("Usuario"))->AsString(), QStringLiteral("SUPERVISOR"));
    EXPECT_EQ(Dat->TPriv->FieldByName(QStringLiteral("Abogado"))->AsInteger(), -1);
    for (const char* d : {"Privacidad", "Expedientes", "Consulta", "Agenda", "Modelos", "Listados", "Fusion", "Economico", "General"})
        EXPECT_TRUE(Dat->TPriv->FieldByName(QString::fromLatin1(d))->AsBoolean()) << d;
    EXPECT_EQ(form->LineaEstado->Panels()->Items(1)->Text(), QStringLiteral("Usuario : SUPERVISOR"));
    form.reset();
    Muestra();
    EXPECT_EQ(Dat->TPriv->RecordCount(), 1);
}

TEST_F(PrincipioTest, StartShowsEveryLawyersCaseFilesOfTheYearUnderTodos) {
    Genera(3);
    Muestra();
    EXPECT_TRUE(form->ZbAbogados->Visible());
    EXPECT_FALSE(form->ZbUnAbo->Visible());
    EXPECT_EQ(form->ZbAbogados->GetDisplayText(), QStringLiteral("TODOS"));
    EXPECT_EQ(AnoSeleccionado, Hoy);
    EXPECT_EQ(form->AnoActual->Text(), Hoy);
    QSet<int> abogados;
    int filas = 0;
    for (form->TExped->First(); !form->TExped->Eof(); form->TExped->Next(), ++filas) {
        EXPECT_EQ(form->TExped->FieldByName(QStringLiteral("ANO"))->AsString(), Hoy);
        abogados << form->TExped->FieldByName(QStringLiteral("ABOCLI"))->AsInteger();
    }
    EXPECT_EQ(filas, 25);
    EXPECT_EQ(abogados.size(), 3);
    // Unchecking the year shows every year.
    form->cbAnio->SetChecked(false);
    form->cbAnioClick(form->cbAnio);
    EXPECT_FALSE(form->AnoActual->Enabled());
    EXPECT_EQ(form->TExped->RecordCount(), 50);
    // The grid's row is where the data module's case file stands.
    form->TExped->Last();
    EXPECT_EQ(Dat->TExped->FieldByName(QStringLiteral("NUMERO"))->AsString(),
              form->TExped->FieldByName(QStringLiteral("NUMERO"))->AsString());
}

TEST_F(PrincipioTest, OneFirmLawyerShowsTheReadOnlyEditAndNoTodos) {
    Genera(1);
    Muestra();
    EXPECT_TRUE(form->ZbUnAbo->Visible());
    EXPECT_FALSE(form->ZbAbogados->Visible());
    Dat->QAbo->Close();
    form->QAbo->First();
    EXPECT_EQ(form->ZbUnAbo->Text(), form->QAbo->FieldByName(QStringLiteral("NOMABO"))->AsString());
    EXPECT_FALSE(form->ZbUnAbo->Text().isEmpty());
    EXPECT_EQ(form->TExped->RecordCount(), 25);
}

TEST_F(PrincipioTest, ARestrictedUserUnderTodosSeesOnlyTheirLawyersRows) {
    Genera(3);
    Usuario(2);
    Muestra();
    EXPECT_EQ(form->ZbAbogados->GetDisplayText(), QStringLiteral("TODOS"));
    const QList<int> exp = Abogados(form->TExped);
    EXPECT_FALSE(exp.isEmpty());
    EXPECT_EQ(QSet<int>(exp.begin(), exp.end()), QSet<int>{2});
    form->Paginas->SetActivePage(form->pgConsultas);
    form->PaginasChange(form->Paginas);
    const QList<int> con = Abogados(form->TConsul);
    EXPECT_FALSE(con.isEmpty());
    EXPECT_EQ(QSet<int>(con.begin(), con.end()), QSet<int>{2});
}

TEST_F(PrincipioTest, FilterRowsAddReplaceRemoveAndResizeThePanel) {
    Genera(3);
    Muestra();
    EXPECT_FALSE(form->pFilExp->Visible());
    EXPECT_FALSE(form->btFiltros->Enabled());
    form->Abiertos1Click(nullptr);
    EXPECT_TRUE(form->pFilExp->Visible());
    EXPECT_TRUE(form->btFiltros->Enabled());
    EXPECT_EQ(form->FiltrosExp->Cells(0, 0), QStringLiteral("SITUACIÓN"));
    EXPECT_EQ(form->FiltrosExp->Cells(1, 0), QStringLiteral("Abiertos"));
    EXPECT_EQ(form->pFilExp->Height(), 27);
    EXPECT_EQ(form->FiltrosExp->Height(), 19);
    for (form->TExped->First(); !form->TExped->Eof(); form->TExped->Next())
        EXPECT_EQ(form->TExped->FieldByName(QStringLiteral("SITUACION"))->AsInteger(), 1);
    form->Cerrados1Click(nullptr);
    EXPECT_EQ(form->FiltrosExp->Cells(1, 0), QStringLiteral("Cerrados"));
    EXPECT_EQ(form->FiltrosExp->Cells(0, 1), QString());
    EXPECT_EQ(FiltroExp.FiltroSituacion, 3);
    harness->AnswerModal([](TCustomForm& f) {
        auto* d = dynamic_cast<TNuevaLinea*>(&f);
        ASSERT_NE(d, nullptr);
        d->Respuesta->SetText(QStringLiteral("12/26"));
        f.SetModalResult(mrOk);
    });
    form->NdeAutos1Click(nullptr);
    EXPECT_EQ(form->FiltrosExp->Cells(0, 1), QStringLiteral("Nº AUTOS"));
    EXPECT_EQ(form->pFilExp->Height(), 2 * 18 + 9);
    EXPECT_EQ(form->FiltrosExp->Height(), 2 * 16 + 3);

    // "Quitar éste" on an empty row keeps every criterion and its row.
    form->FiltrosExp->SetRow(5);
    form->QuitarExpClick(nullptr);
    EXPECT_EQ(FiltroExp.FiltroSituacion, 3);
    EXPECT_EQ(FiltroExp.FiltroAutos, QStringLiteral("12/26"));
    EXPECT_EQ(form->FiltrosExp->Cells(0, 1), QStringLiteral("Nº AUTOS"));

    form->FiltrosExp->SetRow(0);
    form->QuitarExpClick(nullptr);
    EXPECT_EQ(FiltroExp.FiltroSituacion, 0);
    EXPECT_EQ(form->FiltrosExp->Cells(0, 0), QStringLiteral("Nº AUTOS"));
    EXPECT_EQ(form->pFilExp->Height(), 27);
    form->QuitarExpClick(nullptr);
    EXPECT_FALSE(form->pFilExp->Visible());
    EXPECT_FALSE(form->btFiltros->Enabled());
    EXPECT_EQ(FiltroExp.FiltroAutos, QStringLiteral(" "));
    EXPECT_EQ(form->TExped->RecordCount(), 25);

    // Stored texts end in no blank: a typed number is compared without its trailing blanks, and
    // a lone blank asks for the case files without a number, never for no criterion at all.
    auto autos = [&](const char* respuesta) {
        harness->AnswerModal([respuesta](TCustomForm& f) {
            static_cast<TNuevaLinea&>(f).Respuesta->SetText(QString::fromLatin1(respuesta));
            f.SetModalResult(mrOk);
        });
        form->NdeAutos1Click(nullptr);
        return FiltroExp.FiltroAutos;
    };
    EXPECT_EQ(autos("12/26  "), QStringLiteral("12/26"));
    EXPECT_EQ(autos(" "), QString());
    EXPECT_EQ(form->FiltrosExp->Cells(0, 0), QStringLiteral("Nº AUTOS"));
    EXPECT_EQ(form->FiltrosExp->Cells(1, 0), QString());
    EXPECT_TRUE(form->TExped->Filter().contains(QStringLiteral("AUTOS")));
    for (form->TExped->First(); !form->TExped->Eof(); form->TExped->Next())
        EXPECT_TRUE(form->TExped->FieldByName(QStringLiteral("AUTOS"))->AsString().isEmpty() ||
                    form->TExped->FieldByName(QStringLiteral("AUTOS1"))->AsString().isEmpty());
}

// The data layer drops only the spaces at the end of a text: a number ending in a control
// character (pasted from elsewhere) keeps it, and typing the number finds its case file.
TEST_F(PrincipioTest, ACaseNumberEndingInAControlCharacterIsFoundByTypingIt) {
    Genera(3);
    ASSERT_TRUE(Dat->TExped->Locate(QStringLiteral("ANO"), Variant(Hoy), 0));
    const QString numero = Dat->TExped->FieldByName(QStringLiteral("NUMERO"))->AsString();
    Dat->TExped->Edit();
    Dat->TExped->FieldByName(QStringLiteral("AUTOS"))->SetAsString(QStringLiteral("55/26\t  "));
    Dat->TExped->Post();
    EXPECT_EQ(Dat->TExped->FieldByName(QStringLiteral("AUTOS"))->AsString(), QStringLiteral("55/26\t"));
    Muestra();
    harness->AnswerModal([](TCustomForm& f) {
        static_cast<TNuevaLinea&>(f).Respuesta->SetText(QStringLiteral("55/26\t "));
        f.SetModalResult(mrOk);
    });
    form->NdeAutos1Click(nullptr);
    EXPECT_EQ(FiltroExp.FiltroAutos, QStringLiteral("55/26\t"));
    ASSERT_EQ(form->TExped->RecordCount(), 1);
    form->TExped->First();
    EXPECT_EQ(form->TExped->FieldByName(QStringLiteral("NUMERO"))->AsString(), numero);
}

TEST_F(PrincipioTest, TooManyFiltersIsSaidAndRemovingAllIsPerPage) {
    Genera(3);
    Muestra();
    for (int i = 0; i < 10; ++i) form->AgregaFiltroExp(QStringLiteral("L%1").arg(i), QString());
    EXPECT_TRUE(Texts().isEmpty());
    form->AgregaFiltroExp(QStringLiteral("OTRO"), QString());
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("Demasiados filtros")});
    form->Paginas->SetActivePage(form->pgConsultas);
    form->PaginasChange(form->Paginas);
    EXPECT_FALSE(form->pFilCon->Visible());
    EXPECT_FALSE(form->btFiltros->Enabled());
    form->Presentado1Click(nullptr);
    EXPECT_TRUE(form->pFilCon->Visible());
    form->QuitarFiltros1Click(nullptr);
    EXPECT_FALSE(form->pFilCon->Visible());
    EXPECT_EQ(FiltroCon.FiltroSituacionCon, 0);
    EXPECT_EQ(FiltroExp.Filas.Usadas(), 10);  // the other page's filter is untouched
    form->Paginas->SetActivePage(form->pgExped);
    form->PaginasChange(form->Paginas);
    EXPECT_TRUE(form->pFilExp->Visible());
    EXPECT_TRUE(form->btFiltros->Enabled());
}

TEST_F(PrincipioTest, RemovingOneOfTenFilterRowsShowsTheOtherNineInOrder) {
    Genera(3);
    Muestra();
    for (int i = 0; i < 10; ++i) form->AgregaFiltroExp(QStringLiteral("L%1").arg(i), QStringLiteral("V%1").arg(i));
    form->FiltrosExp->SetRow(3);
    form->QuitarExpClick(nullptr);
    QStringList filas, esperadas;
    for (int i = 0; i < 10; ++i) {
        filas << form->FiltrosExp->Cells(0, i) + QLatin1Char('=') + form->FiltrosExp->Cells(1, i);
        if (i != 3) esperadas << QStringLiteral("L%1=V%1").arg(i);
    }
    esperadas << QStringLiteral("=");
    EXPECT_EQ(filas, esperadas);
    EXPECT_EQ(form->pFilExp->Height(), 9 * 18 + 9);
    EXPECT_TRUE(form->pFilExp->Visible());
    // The freed row takes the next criterion without a complaint.
    form->AgregaFiltroExp(QStringLiteral("OTRO"), QStringLiteral("x"));
    EXPECT_TRUE(Texts().isEmpty());
    EXPECT_EQ(form->FiltrosExp->Cells(0, 9), QStringLiteral("OTRO"));
}

TEST_F(PrincipioTest, ColumnChoosersAndDefaults) {
    Genera(3);
    Muestra();
    form->ZbCfgExpPopup(nullptr);
    EXPECT_TRUE(form->mNumero->Checked());
    EXPECT_FALSE(form->mAboCon->Checked());
    form->mAboCon->Click();
    EXPECT_TRUE(form->TExped->FieldByName(QStringLiteral("NOMABOCON"))->Visible());
    EXPECT_TRUE(form->mAboCon->Checked());
    form->mNumero->Click();
    EXPECT_FALSE(form->TExped->FieldByName(QStringLiteral("NUMERO"))->Visible());
    form->TExped->FieldByName(QStringLiteral("NOMCLI"))->SetDisplayWidth(40);
    form->ValoresporDefecto1Click(nullptr);
    EXPECT_TRUE(form->TExped->FieldByName(QStringLiteral("NUMERO"))->Visible());
    EXPECT_FALSE(form->TExped->FieldByName(QStringLiteral("NOMABOCON"))->Visible());
    EXPECT_EQ(form->TExped->FieldByName(QStringLiteral("NOMCLI"))->DisplayWidth(), 25);
    EXPECT_TRUE(form->TExped->FieldByName(QStringLiteral("SITUACION"))->Visible());

    form->TConsul->FieldByName(QStringLiteral("IMPORTE"))->SetVisible(true);
    form->MenuItem15Click(nullptr);
    EXPECT_FALSE(form->TConsul->FieldByName(QStringLiteral("IMPORTE"))->Visible());
    EXPECT_FALSE(form->TConsul->FieldByName(QStringLiteral("FECHAFACTURA"))->Visible());
    EXPECT_TRUE(form->TConsul->FieldByName(QStringLiteral("TIPO"))->Visible());
    EXPECT_EQ(form->TConsul->FieldByName(QStringLiteral("TIPO"))->DisplayWidth(), 30);
}

TEST_F(PrincipioTest, TheLayoutIsSavedOnlyWhenTheExitDialogSaysSoAndComesBack) {
    Genera(3);
    auto cierra = [&](bool guardar) {
        harness->AnswerModal([guardar](TCustomForm& f) {
            auto* fin = dynamic_cast<TFFin*>(&f);
            ASSERT_NE(fin, nullptr);
            EXPECT_TRUE(fin->Guardar->Checked());
            fin->Guardar->SetChecked(guardar);
            f.SetModalResult(mrOk);
        });
        form->Close();
        platform::forms::TFormHarness::ProcessEvents();
        form.reset();
    };
    const QString ini = config.filePath(QStringLiteral("zembra/Zembra.ini"));
    Muestra();
    form->TExped->FieldByName(QStringLiteral("AUTOS"))->SetDisplayWidth(15);
    cierra(false);
    EXPECT_FALSE(QFile::exists(ini) && TIniFile(ini).SectionExists(QStringLiteral("TPrincipio")) &&
                 TIniFile(ini).ValueExists(QStringLiteral("TPrincipio"), QStringLiteral("TExpedAUTOS_DisplayWidth")));

    Muestra();
    EXPECT_EQ(form->TExped->FieldByName(QStringLiteral("AUTOS"))->DisplayWidth(), 8);
    form->TExped->FieldByName(QStringLiteral("AUTOS"))->SetDisplayWidth(15);
    form->TExped->FieldByName(QStringLiteral("NOMPERITO"))->SetVisible(true);
    form->TConsul->FieldByName(QStringLiteral("TOTAL"))->SetVisible(true);
    cierra(true);
    ASSERT_TRUE(QFile::exists(ini));

    Muestra();
    EXPECT_EQ(form->TExped->FieldByName(QStringLiteral("AUTOS"))->DisplayWidth(), 15);
    EXPECT_TRUE(form->TExped->FieldByName(QStringLiteral("NOMPERITO"))->Visible());
    EXPECT_TRUE(form->TConsul->FieldByName(QStringLiteral("TOTAL"))->Visible());
}

// Ctrl+Enter opens the case file once: the grid, which opens on Enter, must not open it again.
TEST_F(PrincipioTest, CtrlEnterInTheGridOpensTheCaseFileOnce) {
    Genera(2);
    Muestra();
    int abiertos = 0;
    harness->AnswerModal([&abiertos](TCustomForm& f) {
        if (f.Name() == QStringLiteral("Expediente")) ++abiertos;
    });
    harness->AnswerModal([&abiertos](TCustomForm& f) {
        if (f.Name() == QStringLiteral("Expediente")) ++abiertos;
    });
    platform::forms::TFormHarness::Focus(form->DBPrincipal);
    platform::forms::TFormHarness::PressKey(form->DBPrincipal, VK_RETURN, ssCtrl);
    platform::forms::TFormHarness::ProcessEvents();
    EXPECT_EQ(abiertos, 1);
    EXPECT_TRUE(harness->Exceptions().empty());
    EXPECT_TRUE(harness->Messages().empty());
}

TEST_F(PrincipioTest, NoClosingWhenTheExitDialogSaysNo) {
    Genera(2);
    Muestra();
    harness->AnswerModal(mrNo);
    form->Close();
    EXPECT_TRUE(form->Visible());
}

TEST_F(PrincipioTest, TheAgendaNoticeComesOnceAtTheFirstPaint) {
    Genera(2);
    Dat->TAgen->Append();
    Dat->TAgen->FieldByName(QStringLiteral("ABOCLI"))->SetAsInteger(2);
    Dat->TAgen->FieldByName(QStringLiteral("FECHA"))->SetAsDateTime(Date());
    Dat->TAgen->FieldByName(QStringLiteral("HORA"))->SetAsString(QStringLiteral("10:00"));
    Dat->TAgen->Post();
    form = std::make_unique<TPrincipio>(nullptr);
    Principio = form.get();
    // Never from inside the paint: a modal box there leaves the window black behind it.
    form->FormPaint(form.get());
    EXPECT_EQ(Texts().count(QStringLiteral("Hay Tareas en la Agenda ")), 0);
    EXPECT_FALSE(form->PrimeraVez());
    form->Show();
    platform::forms::TFormHarness::ProcessEvents();
    form->Repaint();
    platform::forms::TFormHarness::ProcessEvents();
    ASSERT_EQ(Texts().count(QStringLiteral("Hay Tareas en la Agenda ")), 1);
    EXPECT_EQ(harness->Messages().back().Caption, QStringLiteral("¡¡ ATENCION !!"));
    EXPECT_FALSE(form->PrimeraVez());
}

TEST_F(PrincipioTest, WithoutADocumentApplicationWordIsNotFound) {
    Genera(2);
    comun::EditorRegistrado = [] { return QString(); };
    comun::ProcesadorEnRuta = [] { return QString(); };
    Muestra();
    EXPECT_FALSE(HayWord);
    EXPECT_TRUE(Texts().contains(QStringLiteral("Word no se encuentra")));
    form.reset();
    harness->ClearRecords();
    comun::EditorRegistrado = [] { return QStringLiteral("writer.desktop"); };
    Muestra();
    EXPECT_TRUE(HayWord);
    EXPECT_FALSE(Texts().contains(QStringLiteral("Word no se encuentra")));
    EXPECT_TRUE(comun::ProgramaDocumentos().endsWith(QStringLiteral("/xdg-open")));
    // No default for the format, but the office suite on the PATH: it is the word processor, and
    // the documents are opened with it.
    form.reset();
    harness->ClearRecords();
    comun::EditorRegistrado = [] { return QString(); };
    comun::ProcesadorEnRuta = [] { return QStringLiteral("/usr/bin/soffice"); };
    Muestra();
    EXPECT_TRUE(HayWord);
    EXPECT_FALSE(Texts().contains(QStringLiteral("Word no se encuentra")));
    EXPECT_EQ(comun::ProgramaDocumentos(), QStringLiteral("/usr/bin/soffice"));
    comun::ProcesadorEnRuta = comun::OfficeEnRuta;
}

// The office's word processor is read when the main window is shown, not only when the settings
// form saves it.
TEST_F(PrincipioTest, ShowingTheWindowReadsTheOfficesEditor) {
    Genera(2);
    Dat->TSistem->Edit();
    Dat->TSistem->FieldByName(QStringLiteral("EDITOR"))->SetAsString(QStringLiteral("WordPro96"));
    Dat->TSistem->Post();
    TipoEditor = QStringLiteral("Word97");
    Muestra();
    EXPECT_EQ(TipoEditor, QStringLiteral("WordPro96"));
    TipoEditor.clear();
}

// The office suite is found on the PATH under either of its names.
TEST(CompruebaWord, FindsTheOfficeSuiteOnThePath) {
    QTemporaryDir bin;
    const QByteArray path0 = qgetenv("PATH");
    auto programa = [&](const char* nombre) {
        QFile f(QDir(bin.path()).filePath(QString::fromLatin1(nombre)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n");
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    };
    qputenv("PATH", QFile::encodeName(bin.path()));
    EXPECT_EQ(comun::OfficeEnRuta(), QString());
    programa("libreoffice");
    EXPECT_EQ(comun::OfficeEnRuta(), QDir(bin.path()).filePath(QStringLiteral("libreoffice")));
    programa("soffice");
    EXPECT_EQ(comun::OfficeEnRuta(), QDir(bin.path()).filePath(QStringLiteral("soffice")));
    qputenv("PATH", path0);
}

}  // namespace

namespace {

// Pictures of the main window for docs/forms: 50 generated case files, one filter on each page.
TEST_F(PrincipioTest, RenderBothPagesWithAFilter) {
    Genera(3);
    Muestra();
    form->SetBounds(0, 0, 1000, 560);
    form->FormResize(form.get());
    form->Abiertos1Click(nullptr);
    platform::forms::TFormHarness::ProcessEvents();
    const QString dirSalida = QStringLiteral(ZEMBRA_TEST_BINARY_DIR);
    const QString exp = dirSalida + QStringLiteral("/UPrincipal.png");
    ASSERT_TRUE(platform::forms::TFormHarness::SaveToPng(form.get(), exp));
    form->Paginas->SetActivePage(form->pgConsultas);
    form->PaginasChange(form->Paginas);
    form->Presentado1Click(nullptr);
    platform::forms::TFormHarness::ProcessEvents();
    const QString con = dirSalida + QStringLiteral("/UPrincipal_Consultas.png");
    ASSERT_TRUE(platform::forms::TFormHarness::SaveToPng(form.get(), con));
    // Dates and numbers of the field's display width fit their column.
    const QFontMetrics fm(form->DBConsultas->Font()->ToQFont());
    for (int i = 0; i < form->DBConsultas->Columns()->Count(); ++i) {
        TColumn* c = form->DBConsultas->Columns()->Items(i);
        if (c->Field() && c->Field()->FieldName() == u"FECHAENTRADA") {
            // Drawn 2 pixels in from the left edge, with as much before the line on the right.
            EXPECT_GE(c->Width(), fm.horizontalAdvance(QStringLiteral("26.03.2026")) + 4);
        }
    }
    for (const QString& f : {exp, con}) {
        const QImage img(f);
        ASSERT_FALSE(img.isNull());
        // The grid's area below the filter panel holds rows: not one flat colour.
        QSet<QRgb> colores;
        for (int y = 120; y < 150; y += 2)
            for (int x = 20; x < img.width() - 20; x += 3) colores.insert(img.pixel(x, y));
        EXPECT_GT(colores.size(), 4) << f.toStdString();
    }
}

}  // namespace

namespace {

// The document application is the desktop's default for the documents' format, as xdg-mime says.
TEST(CompruebaWord, AsksTheDesktopForTheDocumentsApplication) {
    QTemporaryDir cfg, datos;
    const QByteArray c0 = qgetenv("XDG_CONFIG_HOME"), d0 = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(cfg.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(datos.path()));
    EXPECT_EQ(comun::EditorDeXdg(), QString());
    QFile lista(QDir(cfg.path()).filePath(QStringLiteral("mimeapps.list")));
    ASSERT_TRUE(lista.open(QIODevice::WriteOnly));
    lista.write("[Default Applications]\napplication/vnd.openxmlformats-officedocument.wordprocessingml.document="
                "zbtexto.desktop\n");
    lista.close();
    QDir(datos.path()).mkpath(QStringLiteral("applications"));
    QFile app(QDir(datos.path()).filePath(QStringLiteral("applications/zbtexto.desktop")));
    ASSERT_TRUE(app.open(QIODevice::WriteOnly));
    app.write("[Desktop Entry]\nType=Application\nName=Texto\nExec=true %f\n");
    app.close();
    EXPECT_EQ(comun::EditorDeXdg(), QStringLiteral("zbtexto.desktop"));
    auto vuelve = [](const char* n, const QByteArray& v) {
        if (v.isNull()) qunsetenv(n);
        else qputenv(n, v);
    };
    vuelve("XDG_CONFIG_HOME", c0);
    vuelve("XDG_DATA_HOME", d0);
}

}  // namespace

namespace {

// The program's own start-up over a folder with two users: login, the main window with its rows,
// a filter added and removed, and the exit dialog that lets it close.
TEST(ProgramaCompleto, LoginMainWindowFilterAndExit) {
    platform::forms::TFormHarness harness;
    QTemporaryDir config, datos;
    const QByteArray c0 = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    comun::EditorRegistrado = [] { return QStringLiteral("writer.desktop"); };
    {
        TRegIniFile reg(comun::ClavePrograma(comun::NombreBase(Application->ExeName())));
        reg.WriteString(QStringLiteral("Install"), QStringLiteral("Datos"), datos.path());
    }
    CarpetaDatos = datos.path();
    delete new TDat(nullptr);
    zbtest::TTamDespacho t;
    t.Anos = 2;
    t.Abogados = 3;
    t.UltimoAno = QDate::currentDate().year();
    zbtest::GeneraDespacho(datos.path(), t);
    Dat = new TDat(nullptr);
    for (const char* u : {"ANA", "PEPE"}) {
        Dat->TPriv->Append();
        Dat->TPriv->FieldByName(QStringLiteral("Usuario"))->SetAsString(QString::fromLatin1(u));
        Dat->TPriv->FieldByName(QStringLiteral("Contrasenia"))->SetAsString(QStringLiteral("CLAVE"));
        for (const char* d : {"Expedientes", "Consulta"}) Dat->TPriv->FieldByName(QString::fromLatin1(d))->SetAsBoolean(true);
        Dat->TPriv->FieldByName(QStringLiteral("Abogado"))->SetAsInteger(-1);
        Dat->TPriv->Post();
    }
    delete Dat;
    Dat = nullptr;

    harness.AnswerModal([](TCustomForm& f) {
        auto& e = dynamic_cast<TEntrada&>(f);
        platform::forms::TFormHarness::Type(e.ENombre, QStringLiteral("PEPE"));
        platform::forms::TFormHarness::Type(e.EPassword, QStringLiteral("CLAVE"));
        platform::forms::TFormHarness::Click(e.BitBtn1);
    });
    ASSERT_TRUE(shell::Arranca());
    ASSERT_NE(Principio, nullptr);
    EXPECT_EQ(Application->MainForm(), Principio);
    Principio->Show();
    platform::forms::TFormHarness::ProcessEvents();
    EXPECT_EQ(Principio->LineaEstado->Panels()->Items(1)->Text(), QStringLiteral("Usuario : PEPE"));
    EXPECT_EQ(Principio->TExped->RecordCount(), 25);
    EXPECT_TRUE(Principio->Caption().contains(QStringLiteral("Bufete Ortega")));

    Principio->Facturados1Click(nullptr);
    const int facturados = Principio->TExped->RecordCount();
    EXPECT_GT(facturados, 0);
    EXPECT_LT(facturados, 25);
    Principio->FiltrosExp->SetRow(0);
    Principio->QuitarExpClick(nullptr);
    EXPECT_FALSE(Principio->pFilExp->Visible());
    EXPECT_EQ(Principio->TExped->RecordCount(), 25);

    // Closing the program's window would end the test run: its close question is asked alone.
    harness.AnswerModal([](TCustomForm& f) {
        EXPECT_EQ(f.Caption(), QStringLiteral("Confirme operación"));
        platform::forms::TFormHarness::Click(dynamic_cast<TFFin&>(f).BtOk);
    });
    bool cierra = false;
    Principio->FormCloseQuery(Principio, cierra);
    EXPECT_TRUE(cierra);
    EXPECT_TRUE(Principio->FormStorage1->Active());

    shell::FinPrograma();
    comun::EditorRegistrado = comun::EditorDeXdg;
    if (c0.isNull()) qunsetenv("XDG_CONFIG_HOME");
    else qputenv("XDG_CONFIG_HOME", c0);
}

}  // namespace

// A column hidden with the chooser stays hidden when another column is widened by hand.
TEST_F(PrincipioTest, AColumnHiddenWithTheChooserStaysHiddenWhenAnotherIsResized) {
    Genera(2);
    Muestra();
    TField* autos = form->TExped->FieldByName(QStringLiteral("AUTOS"));
    ASSERT_TRUE(autos->Visible());
    form->mAutos->Click();
    EXPECT_FALSE(autos->Visible());
    TDBGrid* g = form->DBPrincipal;
    const TRect r = g->CellRect(0, 1);
    platform::forms::TFormHarness::Drag(g, r.Right, r.Top / 2, r.Right + 60, r.Top / 2);
    EXPECT_GT(g->CellRect(0, 1).Right - g->CellRect(0, 1).Left, r.Right - r.Left + 30);
    EXPECT_FALSE(autos->Visible());
    form->ZbCfgExpPopup(nullptr);
    EXPECT_FALSE(form->mAutos->Checked());
}
