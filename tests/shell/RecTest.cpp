// The recount of the people's case-file counts against a small office counted by hand.
#include "DatFixture.h"
#include "shell/Rec.h"

#include <QFile>
#include <QPointer>

namespace {

using platform::forms::TFormHarness;

class RecTest : public shelltest::DatTest {
protected:
    void SetUp() override {
        DatTest::SetUp();
        conn = Dat->Db->Connection();
    }
    // A person written straight into its file with stale counts, past the data module's checks.
    void Persona(const char* tabla, const char* clave, int codigo, const QString& apellidos,
                 const QStringList& masCampos = {}, const QVariantList& masValores = {}) {
        QStringList campos{QString::fromLatin1(clave), QStringLiteral("APELLIDOS"), QStringLiteral("NOMBRE")};
        QVariantList valores{codigo, apellidos, QStringLiteral("X")};
        const bool abocli = QLatin1String(tabla) == QLatin1String("ABOCLI");
        const QStringList cuentas = abocli ? QStringList{"EXPCIVIL", "EXPPENAL", "EXPLABORAL", "EXPADM"}
                                           : QStringList{"EXPABIERTOS", "EXPPENDIENTES", "EXPCERRADOS"};
        for (const QString& c : cuentas) {
            campos << c;
            valores << 9;
        }
        campos << masCampos;
        valores << masValores;
        conn->Insert(QString::fromLatin1(tabla), campos, std::vector<QVariant>(valores.begin(), valores.end()));
    }
    void Caso(const QString& numero, int abocli, const QString& jurisdiccion, int situacion, int abocon, int procli,
              int procon, int perito, int cliente = 0) {
        conn->Insert(QStringLiteral("EXPED"),
                     {QStringLiteral("ANO"), QStringLiteral("NUMERO"), QStringLiteral("ABOCLI"), QStringLiteral("JURISDICCION"),
                      QStringLiteral("SITUACION"), QStringLiteral("ABOCON"), QStringLiteral("PROCLI"), QStringLiteral("PROCON"),
                      QStringLiteral("PERITO"), QStringLiteral("CLIENTE")},
                     {QVariant(QStringLiteral("2001")), QVariant(numero), QVariant(abocli), QVariant(jurisdiccion),
                      QVariant(situacion), QVariant(abocon), QVariant(procli), QVariant(procon), QVariant(perito),
                      QVariant(cliente)});
    }
    void Enlace(const char* tabla, const char* campo, const QString& numero, int codigo) {
        conn->Insert(QString::fromLatin1(tabla), {QStringLiteral("ANO"), QStringLiteral("NUMERO"), QString::fromLatin1(campo)},
                     {QVariant(QStringLiteral("2001")), QVariant(numero), QVariant(codigo)});
    }
    QList<int> Cuentas(const char* tabla, const char* clave, int codigo, const QStringList& campos) {
        TQuery q(nullptr);
        q.SetDatabaseName(Dat->Db->DatabaseName());
        q.SQL()->SetText(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = %4")
                             .arg(campos.join(u','), QString::fromLatin1(tabla), QString::fromLatin1(clave))
                             .arg(codigo));
        q.Open();
        QList<int> r;
        for (int i = 0; i < campos.size(); ++i) r << q.Fields()->Fields(i)->AsInteger();
        return r;
    }
    QList<int> Estados(const char* tabla, const char* clave, int codigo) {
        return Cuentas(tabla, clave, codigo,
                       {QStringLiteral("EXPABIERTOS"), QStringLiteral("EXPPENDIENTES"), QStringLiteral("EXPCERRADOS")});
    }
    QList<int> Jurisdicciones(int abocli) {
        return Cuentas("ABOCLI", "ABOCLI", abocli,
                       {QStringLiteral("EXPCIVIL"), QStringLiteral("EXPPENAL"), QStringLiteral("EXPLABORAL"),
                        QStringLiteral("EXPADM")});
    }
    // The office counted by hand in the expectations below.
    void Despacho() {
        Persona("ABOCLI", "ABOCLI", 1, QStringLiteral("RUIZ"));
        Persona("ABOCLI", "ABOCLI", 2, QStringLiteral("SANZ"));
        Persona("ABOGADOS", "ABOGADO", 1, QStringLiteral("MARTIN"));
        Persona("ABOGADOS", "ABOGADO", 2, QStringLiteral("NIETO"));
        Persona("PROCU", "PROCU", 1, QStringLiteral("NUÑEZ"), {QStringLiteral("PARTIDO")}, {QStringLiteral("MADRID")});
        Persona("PROCU", "PROCU", 2, QStringLiteral("OLMO"), {QStringLiteral("PARTIDO")}, {QStringLiteral("MADRID")});
        Persona("PERITOS", "PERITO", 1, QStringLiteral("SOLER"), {QStringLiteral("PROFESION")}, {QStringLiteral("ARQUITECTO")});
        Persona("CLIENTES", "CLIENTE", 1, QStringLiteral("GARCIA"));
        Persona("CLIENTES", "CLIENTE", 2, QStringLiteral("LOPEZ"));
        Persona("CONTRARIOS", "CONTRARIO", 1, QStringLiteral("INMOBILIARIA SOL"));
        //     number     lawyer  jurisdiction       state  opp.lawyer  agents (own, other)  expert  main client
        Caso(QStringLiteral("00001-A"), 1, QStringLiteral("CIVIL"), 1, 1, 1, 1, 1);
        Caso(QStringLiteral("00002-A"), 1, QStringLiteral("PENAL"), 2, 1, 2, 0, 1, 2);
        Caso(QStringLiteral("00003-A"), 1, QStringLiteral("MERCANTIL"), 3, 2, 0, 1, 0);
        Caso(QStringLiteral("00004-A"), 2, QStringLiteral("ADMINISTRATIVO"), 1, 0, 0, 0, 0);
        Caso(QStringLiteral("00005-A"), 2, QStringLiteral("LABORAL"), 1, 0, 0, 0, 0);
        Enlace("EXPCLI", "CLIENTE", QStringLiteral("00001-A"), 1);
        Enlace("EXPCLI", "CLIENTE", QStringLiteral("00004-A"), 1);
        Enlace("EXPCLI", "CLIENTE", QStringLiteral("00003-A"), 1);
        Enlace("EXPCON", "CONTRARIO", QStringLiteral("00002-A"), 1);
        Dat->RefrescaTablas();
    }

    std::shared_ptr<platform::db::TConnection> conn;
};

TEST_F(RecTest, EveryCountMatchesTheCaseFilesCountedByHand) {
    Despacho();
    Dat->TClientes->Locate(QStringLiteral("CLIENTE"), Variant(2), 0);
    TFRec::Recuenta();
    TFormHarness::ProcessEvents();
    EXPECT_EQ(FRec, nullptr);  // the window went with its work
    EXPECT_TRUE(Texts().isEmpty()) << Texts().join(u'|').toStdString();

    // Jurisdictions other than the four are not counted (the third case file is MERCANTIL).
    EXPECT_EQ(Jurisdicciones(1), (QList<int>{1, 1, 0, 0}));
    EXPECT_EQ(Jurisdicciones(2), (QList<int>{0, 0, 1, 1}));
    EXPECT_EQ(Estados("ABOGADOS", "ABOGADO", 1), (QList<int>{1, 1, 0}));
    EXPECT_EQ(Estados("ABOGADOS", "ABOGADO", 2), (QList<int>{0, 0, 1}));
    // Agent of both sides of one case file: counted once.
    EXPECT_EQ(Estados("PROCU", "PROCU", 1), (QList<int>{1, 0, 1}));
    EXPECT_EQ(Estados("PROCU", "PROCU", 2), (QList<int>{0, 1, 0}));
    EXPECT_EQ(Estados("PERITOS", "PERITO", 1), (QList<int>{1, 1, 0}));
    // Through the link rows: two open case files; the main client without a link row has none.
    EXPECT_EQ(Estados("CLIENTES", "CLIENTE", 1), (QList<int>{2, 0, 1}));
    EXPECT_EQ(Estados("CLIENTES", "CLIENTE", 2), (QList<int>{0, 0, 0}));
    EXPECT_EQ(Estados("CONTRARIOS", "CONTRARIO", 1), (QList<int>{0, 1, 0}));

    // The shared cursors are back where they were, and show what was written.
    EXPECT_EQ(Dat->TClientes->FieldByName(QStringLiteral("CLIENTE"))->AsInteger(), 2);
    Dat->TAbogados->Locate(QStringLiteral("ABOGADO"), Variant(2), 0);
    EXPECT_EQ(Dat->TAbogados->FieldByName(QStringLiteral("EXPCERRADOS"))->AsInteger(), 1);
}

TEST_F(RecTest, AnInvalidPersonIsReportedOnceAndLeftAsItWas) {
    Despacho();
    Persona("CLIENTES", "CLIENTE", 3, QString());  // no surname
    Persona("CLIENTES", "CLIENTE", 4, QString());
    Enlace("EXPCLI", "CLIENTE", QStringLiteral("00005-A"), 3);
    Dat->RefrescaTablas();
    TFRec::Recuenta();
    EXPECT_EQ(Texts(), (QStringList{QStringLiteral("APELLIDOS no puede quedar vacío"),
                                    QStringLiteral("APELLIDOS no puede quedar vacío")}));
    EXPECT_EQ(Estados("CLIENTES", "CLIENTE", 3), (QList<int>{9, 9, 9}));
    EXPECT_EQ(Dat->TClientes->State(), dsBrowse);
    // The others were counted all the same, before and after them.
    EXPECT_EQ(Estados("CLIENTES", "CLIENTE", 1), (QList<int>{2, 0, 1}));
    EXPECT_EQ(Estados("CLIENTES", "CLIENTE", 2), (QList<int>{0, 0, 0}));
    EXPECT_EQ(Estados("CONTRARIOS", "CONTRARIO", 1), (QList<int>{0, 1, 0}));
}

// The database itself gone under the recount (a moved file here; a server that went away does
// the same): no person can be written, so one message ends it instead of one per person.
TEST_F(RecTest, ADatabaseGoneEndsTheRecountWithOneMessage) {
    Despacho();
    if (!QFile::exists(dir.filePath(QStringLiteral("zembra.db"))))
        GTEST_SKIP() << "the data live on a server";
    ASSERT_TRUE(QFile::rename(dir.filePath(QStringLiteral("zembra.db")), dir.filePath(QStringLiteral("apartado.db"))));
    ExpectAbort([] { TFRec::Recuenta(); });
    ASSERT_EQ(Texts().size(), 1) << Texts().join(u'|').toStdString();
    EXPECT_TRUE(Texts().first().contains(QStringLiteral("movido"))) << Texts().first().toStdString();
    TFormHarness::ProcessEvents();
    EXPECT_EQ(FRec, nullptr);  // its window closed all the same
    // The shared cursors are usable and answer to their own handlers again.
    EXPECT_EQ(Dat->TAboCli->State(), dsBrowse);
    EXPECT_EQ(Dat->TAboCli->OnPostError, TDataSetErrorEvent(Dat, &TDat::error));
}

TEST_F(RecTest, OnePersonOrAnEmptyTable) {
    Despacho();
    auto* f = new TFRec(nullptr);
    QPointer<QWidget> w = f->Widget();
    f->Show();
    // Only the chosen client.
    f->RecuentaClientes(2);
    EXPECT_EQ(Estados("CLIENTES", "CLIENTE", 2), (QList<int>{0, 0, 0}));
    EXPECT_EQ(Estados("CLIENTES", "CLIENTE", 1), (QList<int>{9, 9, 9}));
    EXPECT_EQ(f->Label1->Caption(), QStringLiteral("[Recontando Clientes :     2]"));
    EXPECT_EQ(f->Estado->Position(), 100);
    // A code nobody has changes nothing.
    f->RecuentaClientes(77);
    EXPECT_EQ(Estados("CLIENTES", "CLIENTE", 1), (QList<int>{9, 9, 9}));
    // The opposing lawyers through the window's own cursor.
    f->RecuentaAbogados(-1);
    EXPECT_EQ(f->Label1->Caption(), QStringLiteral("[Recontando Abogados Contrarios :     2]"));
    EXPECT_EQ(Estados("ABOGADOS", "ABOGADO", 1), (QList<int>{1, 1, 0}));
    // No experts at all: the pass ends at once.
    conn->EmptyTable(QStringLiteral("PERITOS"));
    Dat->RefrescaTablas();
    f->RecuentaPeritos(-1);
    EXPECT_EQ(f->Estado->Position(), 0);
    EXPECT_TRUE(Texts().isEmpty()) << Texts().join(u'|').toStdString();
    f->Close();
    TFormHarness::ProcessEvents();
    EXPECT_TRUE(w.isNull());
}

}  // namespace
