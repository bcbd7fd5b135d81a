// The case-file and consultation merge dialogs over a real data folder and real models, end to
// end from the models list: the document is written, recorded and numbered once. Renders
// docs/forms/UMail.png (to a temporary folder unless ZEMBRA_RENDER_DOCS names one).
#include "FusionFixture.h"
#include "comun/Ganchos.h"
#include "documents/UEscritos.h"
#include "documents/UMail.h"
#include "documents/UMail2.h"

#include <QFileInfo>
#include <QImage>

using fusiontest::FusionDatos;
using fusiontest::RunTool;
using fusiontest::Script;
using platform::forms::TFormHarness;

namespace {

class MailTest : public FusionDatos {
protected:
    void SetUp() override {
        FusionDatos::SetUp();
        Llena();
        documents::InstalaDialogosFusion();
        Fila("ESCRITOS", {{"ESCRITO", 5}, {"CONCEPTO", "Carta de presentación"}, {"TIPO", "CARTAS"}});
        QDir().mkpath(CarpetaDatos + "/Modelos");
        modelo = CarpetaDatos + "/Modelos/5.docx";
        int code = 0;
        const QString log = RunTool("/usr/bin/python3", {Script("merge_models.py"), "make", modelo}, &code);
        ASSERT_EQ(code, 0) << log.toStdString();
    }
    void TearDown() override {
        delete dialogo;
        LetraRegistro.clear();
        FusionDatos::TearDown();
    }
    // The model open in the editor and its fields found, as the driver leaves them for the dialog.
    void Abre(const QStringList& campos) {
        EditorOle = AbreEditor(TipoEditor);
        AbreEscrito(EditorOle, TipoEditor, modelo, false);
        Campos(campos);
    }
    template <class D>
    D* Muestra() {
        auto* d = new D(nullptr);
        dialogo = d;
        d->Show();
        TFormHarness::ProcessEvents();
        return d;
    }
    QStringList Leido(const QString& fichero) {
        int code = 0;
        const QString salida = RunTool("/usr/bin/python3", {Script("merge_models.py"), "read", fichero}, &code);
        EXPECT_EQ(code, 0) << salida.toStdString();
        return salida.trimmed().split('\n');
    }
    QString AgendaFilas(const QString& columnas) {
        TQuery q(nullptr);
        q.SetDatabaseName(Dat->Db->DatabaseName());
        q.SQL()->SetText("SELECT " + columnas + " FROM AGENDA ORDER BY ORDEN");
        q.Open();
        QStringList filas;
        for (q.First(); !q.Eof(); q.Next()) {
            QStringList r;
            for (int i = 0; i < q.Fields()->Count(); ++i) r << q.Fields()->Fields(i)->AsString();
            filas << r.join(',');
        }
        return filas.join('\n');
    }
    static QStringList Items(TListBox* l) {
        QStringList r;
        for (int i = 0; i < l->Items()->Count(); ++i) r << l->Items()->Strings(i);
        return r;
    }
    QString modelo;
    TForm* dialogo = nullptr;
};

TEST_F(MailTest, CaseFileDocumentFromTheModelsListIsWrittenRecordedAndNumberedOnce) {
    LetraRegistro = "E";
    harness->AnswerModal([&](TCustomForm& f) {
        auto& l = dynamic_cast<TListaEscritos&>(f);
        l.LisTipo->SetItemIndex(5);
        l.LisTipoClick(nullptr);
        ASSERT_TRUE(Dat->QLisEscri->Locate("ESCRITO", 5, 0));
        l.BtSiClick(nullptr);
        f.SetModalResult(mrNo);
    });
    harness->AnswerModal([&](TCustomForm& f) {
        auto& m = dynamic_cast<TFMail&>(f);
        EXPECT_EQ(m.Caption(), "Completar Datos ..");
        EXPECT_TRUE(m.Paginas->Visible());
        EXPECT_TRUE(m.pgClientes->TabVisible());
        EXPECT_FALSE(m.pgContrarios->TabVisible());
        EXPECT_TRUE(m.pgDestinos->TabVisible());
        EXPECT_TRUE(m.pgOtros->TabVisible());
        EXPECT_EQ(m.Paginas->ActivePage(), m.pgClientes);
        EXPECT_EQ(m.LCNeed->Caption(), "Se esperan 1 Clientes");
        EXPECT_EQ(Items(m.LCli), QStringList({"María Álvarez", "José Núñez \"el Chico\""}));
        m.LCli->SetItemIndex(1);
        m.btAddCliClick(nullptr);
        m.LCli->SetItemIndex(0);
        m.btAddCliClick(nullptr);  // one expected: the second stays
        EXPECT_EQ(Items(m.LCli2), QStringList({"José Núñez \"el Chico\""}));
        m.LDes->SetItemIndex(1);  // "Procurador Cliente"
        m.LDesClick(nullptr);
        EXPECT_EQ(m.LOtros[0]->Caption(), "Asunto");
        EXPECT_TRUE(m.EOtros[0]->Visible());
        EXPECT_FALSE(m.EOtros[1]->Visible());
        m.EOtros[0]->SetText("Reclamación \"urgente\" <&>\r\nsegunda línea");
        EXPECT_TRUE(m.cbUnir->Checked());
        EXPECT_EQ(m.cbUnir->Caption(), "Si");
        TFormHarness::Click(m.btOk);
        EXPECT_FALSE(m.btOk->Enabled());
        EXPECT_FALSE(m.btNo->Enabled());
        EXPECT_EQ(m.Progreso->Position(), 100);
    });
    AbreListaEscritos(1);
    EXPECT_EQ(harness->PendingAnswers(), 0);
    EXPECT_TRUE(harness->Exceptions().empty()) << harness->Exceptions().front().Message.toStdString();
    ASSERT_EQ(harness->ModalForms().size(), 2u);
    EXPECT_EQ(harness->ModalForms()[0].FormClass, "TFMail");
    EXPECT_EQ(harness->ModalForms()[0].Result, mrOk);

    const QString escrito = CarpetaDatos + "/Escritos/42.docx";
    EXPECT_EQ(abiertos, QStringList({escrito}));
    EXPECT_EQ(Sistem("ESCEXP"), 42);
    EXPECT_EQ(AgendaFilas("TIPO, ABOCLI, ANO, NUMERO, SITUACION, ARCHIVADO, ESCRITO, EXTENSION"),
              "E,1,2001,0042,CARTAS : Carta de presentación AL Procurador Cliente,S,42,.docx");
    EXPECT_EQ(Leido(escrito),
              QStringList({"H:Bufete Núñez & Asociados - Logroño", "B:Sr. D. Inés Procuradora Cliente", "B:", "B: Logroño ()",
                           "B:Ref.: 2001 / 0042, cliente José y otra vez José", "T:Cliente / José Núñez \"el Chico\"",
                           "T:Procurador / Inés Procuradora Cliente", "B:Apertura: 05/03/2001; cierre: «»",
                           "B:Asunto: Reclamación \"urgente\" <&>|segunda línea", "B:Campo desconocido: [[Nada.Que Ver]]",
                           "B:Nota: [[Consultas.Descripción]]", "F:Página del expediente 2001/0042"}));
    // The dialog's lists were given back.
    EXPECT_EQ(documents::OrigenFusion.LCli2, nullptr);
    EXPECT_EQ(CamposEncontrados->Count(), 0);
}

TEST_F(MailTest, ConsultationDocumentJoinedIsRecordedUnderTheConsultation) {
    LetraRegistro = "C";
    harness->AnswerModal([&](TCustomForm& f) {
        auto& l = dynamic_cast<TListaEscritos&>(f);
        EXPECT_FALSE(l.btNuevo->Visible());
        l.LisTipo->SetItemIndex(5);
        l.LisTipoClick(nullptr);
        ASSERT_TRUE(Dat->QLisEscri->Locate("ESCRITO", 5, 0));
        l.BtSiClick(nullptr);
        f.SetModalResult(mrNo);
    });
    harness->AnswerModal([&](TCustomForm& f) {
        auto& m = dynamic_cast<TFMail2&>(f);
        EXPECT_EQ(m.Caption(), "Completar Datos Despacho ..");
        EXPECT_EQ(Items(m.LDes), QStringList({"Cliente", "Otro Abogado"}));
        EXPECT_TRUE(m.pgDestinos->TabVisible());
        EXPECT_TRUE(m.pgOtros->TabVisible());
        EXPECT_FALSE(m.LDesAbo->Visible());
        EXPECT_EQ(Items(m.LDesAbo), QStringList({"Opuesto, Luis", "Otra, Eva"}));
        EXPECT_FALSE(m.cbUnir->Checked());
        EXPECT_EQ(m.cbUnir->Caption(), "No");
        EXPECT_EQ(m.LUnir->Caption(), "Unir a la Consulta :");
        m.cbUnir->SetChecked(true);
        m.cbClick(m.cbUnir);
        EXPECT_EQ(m.cbUnir->Caption(), "Si");
        m.EOtros[0]->SetText("Consulta");
        TFormHarness::Click(m.btOk);
    });
    AbreListaEscritos(2);
    EXPECT_TRUE(harness->Exceptions().empty());
    const QString escrito = CarpetaDatos + "/Escritos/42.docx";
    EXPECT_EQ(abiertos, QStringList({escrito}));
    EXPECT_EQ(Sistem("ESCEXP"), 42);
    EXPECT_EQ(AgendaFilas("TIPO, ABOCLI, ANO, NUMERO, SITUACION, ARCHIVADO, ESCRITO"),
              "C,2,2001,0007,CARTAS : Carta de presentación AL Cliente,S,42");
    const QStringList leido = Leido(escrito);
    EXPECT_TRUE(leido.contains("B:Sr. D. María Álvarez")) << leido.join("\n").toStdString();
    EXPECT_TRUE(leido.contains("B:Nota: Primera línea|segunda línea")) << leido.join("\n").toStdString();
    // No client page: the first client is the consultation's own.
    EXPECT_TRUE(leido.contains("T:Cliente / María Álvarez")) << leido.join("\n").toStdString();
    EXPECT_TRUE(leido.contains("T:Procurador / [[ProcuradorCliente.Nombre y Apellidos]]")) << leido.join("\n").toStdString();
}

TEST_F(MailTest, PagesFollowTheFieldsAndTheClientListsKeepTheExpectedCount) {
    Abre({"[[Bufete.Despacho]]"});
    auto* m = Muestra<TFMail>();
    EXPECT_FALSE(m->Paginas->Visible());
    EXPECT_EQ(m->Panel1->Caption(), "No hay campos para fusión");
    delete m;
    dialogo = nullptr;

    Campos({"[[Avisos.Plazo]]"});
    m = Muestra<TFMail>();
    EXPECT_TRUE(m->pgAvisos->TabVisible());
    EXPECT_FALSE(m->Paginas->Visible());
    delete m;
    dialogo = nullptr;

    Campos({"[[PrimerCliente.Nombre]]", "[[TercerCliente.Nombre]]", "[[PrimerContrario.Nombre]]",
            "[[SegundoContrario.Nombre]]", "[[Economicos.Detalle de Factura]]"});
    m = Muestra<TFMail>();
    EXPECT_EQ(m->ClientesEsperados, 1);
    EXPECT_EQ(m->ContrariosEsperados, 2);
    EXPECT_EQ(m->LCoNeed->Caption(), "Se esperan 2 Contrarios");
    EXPECT_TRUE(m->ConDetalleFactura);
    EXPECT_FALSE(m->btDelCli->Enabled());
    m->LCli->SetItemIndex(0);
    m->btAddCliClick(nullptr);
    m->LCli->SetItemIndex(0);
    m->btAddCliClick(nullptr);
    EXPECT_EQ(m->LCli2->Items()->Count(), 1);
    m->btAddAllCliClick(nullptr);  // ">>" does not count
    EXPECT_EQ(Items(m->LCli2), QStringList({"María Álvarez", "José Núñez \"el Chico\""}));
    EXPECT_EQ(m->LCli->Items()->Count(), 0);
    m->LCli2Click(nullptr);
    EXPECT_FALSE(m->btAddCli->Enabled());
    m->LCli2->SetItemIndex(0);
    m->LCli2Click(nullptr);
    EXPECT_TRUE(m->btDelCli->Enabled());
    m->btDelCliClick(nullptr);
    EXPECT_EQ(Items(m->LCli), QStringList({"María Álvarez"}));
    m->LCli2->SetItemIndex(-1);
    m->btDelCliClick(nullptr);  // nothing selected: nothing moves
    EXPECT_EQ(m->LCli2->Items()->Count(), 1);
    m->btDelAllCliClick(nullptr);
    EXPECT_EQ(Items(m->LCli), QStringList({"María Álvarez", "José Núñez \"el Chico\""}));
    // The one opposing party is not moved on its own when two are expected.
    EXPECT_EQ(m->LCon2->Items()->Count(), 0);
    delete m;
    dialogo = nullptr;

    // One expected client and a case file with one client: already chosen.
    Sql("DELETE FROM EXPCLI WHERE CLIENTE = 2");
    Campos({"[[PrimerCliente.Nombre]]", "[[Destino.Nombre]]"});
    m = Muestra<TFMail>();
    EXPECT_EQ(Items(m->LCli2), QStringList({"José Núñez \"el Chico\""}));
    EXPECT_EQ(m->LCli2->ItemIndex(), 0);
    EXPECT_TRUE(m->LDesCli->Visible());
    for (int i = 0; i < m->LDes->Items()->Count(); ++i) {
        m->LDes->SetItemIndex(i);
        m->LDesClick(nullptr);
        const QString d = m->LDes->Items()->Strings(i);
        EXPECT_EQ(m->LDesCli->Visible(), d == "Cliente");
        EXPECT_EQ(m->LDesCon->Visible(), d == "Contrario");
        EXPECT_EQ(m->LDesPro->Visible(), d == "Otro Procurador");
        EXPECT_EQ(m->LDesAbo->Visible(), d == "Otro Abogado");
    }
    EXPECT_EQ(Items(m->LDesAbo), QStringList({"Opuesto, Luis", "Otra, Eva"}));
    EXPECT_EQ(Items(m->LDesPro), QStringList({"Raúl Procurador Contrario", "Inés Procuradora Cliente"}));
}

TEST_F(MailTest, ArrowKeysInThePeopleListsMoveThemAsTheArrowButtonsDo) {
    Abre({"[[PrimerCliente.Nombre]]", "[[SegundoCliente.Nombre]]", "[[PrimerContrario.Nombre]]"});
    auto* m = Muestra<TFMail>();
    TFormHarness::Focus(m->LCli);
    TFormHarness::PressKey(m->LCli, VK_RIGHT);
    TFormHarness::PressKey(m->LCli, VK_RIGHT);
    EXPECT_EQ(Items(m->LCli2), QStringList({"María Álvarez", "José Núñez \"el Chico\""}));
    EXPECT_EQ(m->LCli->Items()->Count(), 0);
    TFormHarness::Focus(m->LCli2);
    m->LCli2->SetItemIndex(1);
    TFormHarness::PressKey(m->LCli2, VK_RIGHT);  // the wrong way: nothing moves
    TFormHarness::PressKey(m->LCli2, VK_LEFT);
    EXPECT_EQ(Items(m->LCli), QStringList({"José Núñez \"el Chico\""}));
    EXPECT_EQ(Items(m->LCli2), QStringList({"María Álvarez"}));

    // The one opposing party came picked: Left gives it back, Right picks it again.
    m->Paginas->SetActivePage(m->pgContrarios);
    TFormHarness::Focus(m->LCon2);
    TFormHarness::PressKey(m->LCon2, VK_LEFT);
    EXPECT_EQ(m->LCon2->Items()->Count(), 0);
    EXPECT_EQ(m->LCon->Items()->Count(), 1);
    TFormHarness::Focus(m->LCon);
    TFormHarness::PressKey(m->LCon, VK_RIGHT);
    EXPECT_EQ(m->LCon2->Items()->Count(), 1);
    EXPECT_EQ(m->LCon->Items()->Count(), 0);
}

TEST_F(MailTest, TenTextBoxesAtMostAndLabelsThatDifferInCaseShareOne) {
    QStringList campos;
    for (int k = 1; k <= 11; ++k) campos << QString("[[Texto.Nota %1]]").arg(k, 2, 10, QChar('0'));
    campos << "[[Texto.nota 01]]";
    Abre(campos);
    auto* m = Muestra<TFMail>();
    EXPECT_EQ(m->EtiquetasTexto->Count(), 11);
    for (int k = 0; k < 10; ++k) {
        EXPECT_TRUE(m->EOtros[size_t(k)]->Visible());
        EXPECT_EQ(m->LOtros[size_t(k)]->Caption(), QString("Nota %1").arg(k + 1, 2, 10, QChar('0')));
        m->EOtros[size_t(k)]->SetText(QString("valor %1").arg(k + 1));
    }
    m->btOkClick(nullptr);
    EXPECT_EQ(Valor("[[Texto.Nota 01]]"), "valor 1");
    EXPECT_EQ(Valor("[[Texto.Nota 10]]"), "valor 10");
    EXPECT_EQ(Valor("[[Texto.Nota 11]]"), "[[Texto.Nota 11]]");
    EXPECT_EQ(Valor("[[Texto.nota 01]]"), "[[Texto.nota 01]]");
}

TEST_F(MailTest, NoFieldsStillSavesAndAFailedMergeStillEndsWithOk) {
    Abre({});
    auto* m = Muestra<TFMail>();
    m->cbUnir->SetChecked(false);
    m->btOkClick(nullptr);
    // Not joined: a file of its own in the user's private folder, recorded as not joined.
    EXPECT_EQ(QFileInfo(FicheroEscrito).absolutePath(), QDir(CarpetaPrivada).absolutePath());
    EXPECT_TRUE(QFileInfo(FicheroEscrito).size() > 0);
    EXPECT_EQ(AgendaFilas("ARCHIVADO, ESCRITO"), "N,0");
    EXPECT_EQ(Sistem("ESCEXP"), 41);
    delete m;
    dialogo = nullptr;

    // A failure during the merge (here the documents folder cannot be made) is reported and the
    // dialog still ends with OK.
    {
        QFile bloqueo(CarpetaDatos + "/Escritos");
        ASSERT_TRUE(bloqueo.open(QIODevice::WriteOnly));
    }
    QStringList estados;
    comun::LineaEstado = [&](const QString& t) { estados << t; };
    harness->AnswerModal([&](TCustomForm& f) { TFormHarness::Click(dynamic_cast<TFMail&>(f).btOk); });
    EXPECT_EQ(documents::DialogoExpediente(), mrOk);
    comun::LineaEstado = nullptr;
    // The status line does not go on saying the merge is being made.
    ASSERT_FALSE(estados.isEmpty());
    EXPECT_EQ(estados.back(), QString());
    ASSERT_EQ(harness->Exceptions().size(), 1u);
    EXPECT_TRUE(harness->Exceptions()[0].Message.contains("Escritos")) << harness->Exceptions()[0].Message.toStdString();
    EXPECT_EQ(AgendaFilas("ARCHIVADO"), "N");
    EXPECT_EQ(Sistem("ESCEXP"), 41);
}

TEST_F(MailTest, Render) {
    Abre({"[[PrimerCliente.Nombre]]", "[[SegundoCliente.Nombre]]", "[[PrimerContrario.Nombre]]", "[[Destino.Nombre]]",
          "[[Texto.Asunto]]", "[[Texto.Fecha del juicio]]"});
    auto* m = Muestra<TFMail>();
    m->LCli->SetItemIndex(0);
    m->btAddCliClick(nullptr);
    TFormHarness::ProcessEvents();
    for (TLabel* l : {m->LLogo, m->LUnir, m->LClientes, m->LCNeed}) EXPECT_GT(l->Width(), 0) << l->Name().toStdString();
    EXPECT_LE(m->LUnir->Left() + m->LUnir->Width(), m->cbUnir->Left());
    EXPECT_LE(m->LLogo->Left() + m->LLogo->Width(), m->cbLogo->Left());
    const QByteArray docs = qgetenv("ZEMBRA_RENDER_DOCS");
    const QString path = QDir(docs.isEmpty() ? dir.path() : QString::fromLocal8Bit(docs)).filePath("UMail.png");
    ASSERT_TRUE(TFormHarness::SaveToPng(m, path));
    EXPECT_EQ(QImage(path).width(), m->Width());
}

}  // namespace
