#include "FusionFixture.h"

#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>
#include <QTextStream>
#include <QThread>
#include <sys/mount.h>
#include <sys/stat.h>

using fusiontest::FusionDatos;
using fusiontest::RunTool;
using fusiontest::Script;

namespace {
QString Lee(const QString& fichero)
{
    QFile f(fichero);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}
void Escribe(const QString& fichero, const QByteArray& datos)
{
    QFile f(fichero);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(datos);
}

class Escrito : public FusionDatos, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override
    {
        FusionDatos::SetUp();
        Llena();
        Picks();
        TipoEditor = QString::fromLatin1(GetParam());
        ExtensionEscrito = ExtensionDeEditor(TipoEditor);
        Fila("ESCRITOS", {{"ESCRITO", 5}, {"CONCEPTO", "Carta de presentación"}, {"TIPO", "CARTAS"}});
        Dat->QLisEscri->Close();
        Dat->QLisEscri->ParamByName("LISTIPO")->SetAsString("CARTAS");
        Dat->QLisEscri->Open();
        QDir().mkpath(CarpetaDatos + "/Modelos");
        int code = 0;
        const QString modelo = CarpetaDatos + "/Modelos/5" + ExtensionEscrito;
        const QString log = RunTool("/usr/bin/python3", {Script("merge_models.py"), "make", modelo}, &code);
        ASSERT_EQ(code, 0) << log.toStdString();
        EditorOle = AbreEditor(TipoEditor);
        ASSERT_TRUE(EditorOle);
        RutaModelo();
        ASSERT_EQ(FicheroModelo, modelo);
        AbreEscrito(EditorOle, TipoEditor, FicheroModelo, false);
    }
    // What the merge dialog's OK does, for a case file or a consultation.
    void Dialogo(bool unir, const QString& destinatario, const QString& asunto)
    {
        documents::OrigenFusion.Destinatario = destinatario;
        if (ModoEscrito == QLatin1Char('E')) {
            ProveedoresExpediente();
            RellenaDestinoProcuradorCliente();
        } else {
            ProveedoresConsulta();
            RellenaDestinoClienteConsulta();
        }
        AsignaCampo("[[Texto.Asunto]]", asunto);
        ReemplazaCampos(EditorOle, TipoEditor, CamposEncontrados, ValoresCampos);
        guardado = GrabaEscrito(unir);
    }
    QStringList Leido(const QString& fichero)
    {
        int code = 0;
        const QString salida = RunTool("/usr/bin/python3", {Script("merge_models.py"), "read", fichero}, &code);
        EXPECT_EQ(code, 0) << salida.toStdString();
        return salida.trimmed().split('\n');
    }
    QString AgendaFila(const QString& columnas)
    {
        TQuery q(nullptr);
        q.SetDatabaseName(Dat->Db->DatabaseName());
        q.SQL()->SetText("SELECT " + columnas + " FROM AGENDA ORDER BY ORDEN");
        q.Open();
        QStringList filas;
        for (q.First(); !q.Eof(); q.Next()) {
            QStringList r;
            for (int i = 0; i < q.Fields()->Count(); ++i) r << q.Fields()->Fields(i)->AsString();
            filas << r.join(",");
        }
        return filas.join("\n");
    }
    bool guardado = false;
};
}  // namespace

TEST_P(Escrito, CaseFileLetterIsMergedNumberedAndRecorded)
{
    // A document already standing under the next number is never written over.
    QDir().mkpath(CarpetaDatos + "/Escritos");
    const QString ajeno = CarpetaDatos + "/Escritos/42" + ExtensionEscrito;
    Escribe(ajeno, "escrito anterior");
    documents::DialogoExpediente = [&] {
        Dialogo(true, "Procurador Cliente", "Reclamación \"urgente\" <&>\r\nsegunda línea");
        return mrOk;
    };
    FusionaExpediente();
    ASSERT_TRUE(guardado) << Texts().join("; ").toStdString();
    EXPECT_EQ(Lee(ajeno), "escrito anterior");
    EXPECT_EQ(FicheroEscrito, CarpetaDatos + "/Escritos/43" + ExtensionEscrito);
    EXPECT_EQ(Sistem("ESCEXP"), 43);
    EXPECT_EQ(abiertos, QStringList({FicheroEscrito}));
    EXPECT_EQ(CamposEncontrados->Count(), 0);
    EXPECT_EQ(ValoresCampos->Count(), 0);
    EXPECT_EQ(AgendaFila("TIPO, ABOCLI, ANO, NUMERO, SITUACION, ARCHIVADO, ESCRITO, EXTENSION, TIPOAGENDA"),
              "E,1,2001,0042,CARTAS : Carta de presentación AL Procurador Cliente,S,43," + ExtensionEscrito
                  + ",ESCRITOS Y CARTAS");

    const QString primero = documents::OrigenFusion.LCli2->Items()->Strings(0);
    const QString completo = primero == "José" ? "José Núñez \"el Chico\"" : "María Álvarez";
    EXPECT_EQ(Leido(FicheroEscrito),
              QStringList({"H:Bufete Núñez & Asociados - Logroño", "B:Sr. D. Inés Procuradora Cliente", "B:",
                           "B: Logroño ()", "B:Ref.: 2001 / 0042, cliente " + primero + " y otra vez " + primero,
                           "T:Cliente / " + completo, "T:Procurador / Inés Procuradora Cliente",
                           "B:Apertura: 05/03/2001; cierre: «»", "B:Asunto: Reclamación \"urgente\" <&>|segunda línea",
                           "B:Campo desconocido: [[Nada.Que Ver]]", "B:Nota: [[Consultas.Descripción]]",
                           "F:Página del expediente 2001/0042"}));

    // The office suite reads the merged letter too.
    const QString office = QStandardPaths::findExecutable("soffice");
    if (office.isEmpty()) GTEST_SKIP() << "no office suite";
    int code = 0;
    const QString log = RunTool("timeout", {"120", office, "-env:UserInstallation=file://" + dir.filePath("perfil"), "--headless",
                                            "--convert-to", "txt:Text (encoded):UTF8", "--outdir", dir.filePath("txt"), FicheroEscrito},
                                &code);
    const QString texto = Lee(dir.filePath("txt/43.txt")).remove('\r').remove(QChar(0xFEFF));
    ASSERT_FALSE(texto.isEmpty()) << log.toStdString();
    EXPECT_TRUE(texto.contains("Sr. D. Inés Procuradora Cliente\n")) << texto.toStdString();
    EXPECT_TRUE(texto.contains("Asunto: Reclamación \"urgente\" <&>")) << texto.toStdString();
    EXPECT_TRUE(texto.contains("segunda línea")) << texto.toStdString();
    EXPECT_TRUE(texto.contains("Apertura: 05/03/2001; cierre: «»")) << texto.toStdString();
    EXPECT_TRUE(texto.contains("[[Nada.Que Ver]]")) << texto.toStdString();
    EXPECT_FALSE(texto.contains("[[Destino")) << texto.toStdString();
}

// Only a letter names its addressee in the agenda: another kind of document merged with one
// chosen is noted by its kind and concept alone.
TEST_P(Escrito, OnlyALetterNamesItsAddresseeInTheAgenda)
{
    Sql("UPDATE ESCRITOS SET TIPO = 'CIVIL' WHERE ESCRITO = 5");
    Dat->QLisEscri->Close();
    Dat->QLisEscri->ParamByName("LISTIPO")->SetAsString("CIVIL");
    Dat->QLisEscri->Open();
    documents::DialogoExpediente = [&] {
        Dialogo(true, "Procurador Cliente", "Demanda");
        return mrOk;
    };
    FusionaExpediente();
    ASSERT_TRUE(guardado) << Texts().join("; ").toStdString();
    EXPECT_EQ(AgendaFila("TIPO, SITUACION, ARCHIVADO, ESCRITO, TIPOAGENDA"),
              "E,CIVIL : Carta de presentación,S,42,ESCRITOS Y CARTAS");
}

TEST_P(Escrito, ConsultationDocumentNotJoinedGoesToAPrivateFileOfItsOwn)
{
    ModoEscrito = QLatin1Char('C');
    documents::DialogoDespacho = [&] {
        Dialogo(false, "Cliente", "Consulta");
        return mrOk;
    };
    FusionaDespacho();
    ASSERT_TRUE(guardado);
    const QString primero = FicheroEscrito;
    EXPECT_EQ(QFileInfo(primero).absolutePath(), QDir(CarpetaPrivada).absolutePath());
    EXPECT_TRUE(primero.endsWith(ExtensionEscrito));
    EXPECT_EQ(abiertos, QStringList({primero}));
    const QStringList leido = Leido(primero);
    EXPECT_TRUE(leido.contains("B:Nota: Primera línea|segunda línea")) << leido.join("\n").toStdString();
    EXPECT_TRUE(leido.contains("B:Sr. D. María Álvarez")) << leido.join("\n").toStdString();

    // The same model merged again gets a name of its own; the first document stays.
    AbreEscrito(EditorOle, TipoEditor, FicheroModelo, false);
    FusionaDespacho();
    EXPECT_NE(FicheroEscrito, primero);
    EXPECT_TRUE(QFileInfo::exists(primero));
    EXPECT_EQ(Sistem("ESCEXP"), 41);
    // Recorded under the consultation and its lawyer, not joined.
    EXPECT_EQ(AgendaFila("TIPO, ABOCLI, ANO, NUMERO, SITUACION, ARCHIVADO, ESCRITO, EXTENSION"),
              "C,2,2001,0007,CARTAS : Carta de presentación AL Cliente,N,0,\n"
              "C,2,2001,0007,CARTAS : Carta de presentación AL Cliente,N,0,");
}

TEST_P(Escrito, CancelledDialogEndsTheEditorAndWritesNothing)
{
    documents::DialogoExpediente = [&] {
        EXPECT_EQ(CamposEncontrados->Count(), 18);
        EXPECT_EQ(ValoresCampos->Strings(0), CamposEncontrados->Strings(0));
        return mrCancel;
    };
    FusionaExpediente();
    EXPECT_FALSE(EditorOle->Activo.has_value());
    EXPECT_TRUE(abiertos.isEmpty());
    EXPECT_EQ(Agenda(), 0);
    EXPECT_EQ(Sistem("ESCEXP"), 41);
    EXPECT_EQ(CamposEncontrados->Count(), 0);
}

TEST_P(Escrito, ALetterInAGroupSharedOfficeServesTheWholeGroup)
{
    // The office's folder is the group's; this user keeps a private umask, and the letters folder is new.
    const mode_t previa = ::umask(077);
    ASSERT_EQ(::chmod(QFile::encodeName(CarpetaDatos).constData(), 02770), 0);
    documents::DialogoExpediente = [&] {
        Dialogo(true, "Procurador Cliente", "Asunto");
        return mrOk;
    };
    FusionaExpediente();
    ::umask(previa);
    ASSERT_TRUE(guardado) << Texts().join("; ").toStdString();
    struct stat carpeta {}, escrito {};
    ASSERT_EQ(::stat(QFile::encodeName(CarpetaDatos + "/Escritos").constData(), &carpeta), 0);
    ASSERT_EQ(::stat(QFile::encodeName(FicheroEscrito).constData(), &escrito), 0);
    EXPECT_EQ(carpeta.st_mode & 07777, mode_t(02770));
    EXPECT_EQ(escrito.st_mode & 0777, mode_t(0660));
}

TEST_P(Escrito, FailedSaveSaysSoRecordsNothingAndLeavesNoEmptyFile)
{
    documents::DialogoExpediente = [&] {
        EditorOle->Activo.reset();  // nothing left to save
        guardado = GrabaEscrito(true);
        return mrOk;
    };
    FusionaExpediente();
    EXPECT_FALSE(guardado);
    const QString fichero = CarpetaDatos + "/Escritos/42" + ExtensionEscrito;
    EXPECT_EQ(Texts(), QStringList({"ERROR al generar documemto : " + fichero}));
    EXPECT_FALSE(QFileInfo::exists(fichero));
    EXPECT_EQ(Agenda(), 0);
    // The number is spent.
    EXPECT_EQ(Sistem("ESCEXP"), 42);
}

INSTANTIATE_TEST_SUITE_P(Familias, Escrito, ::testing::Values("Word2000", "WordPro96"));

namespace {
constexpr int kReservas = 40;

// Reserves kReservas document numbers and lists them, one per line, in `salida`.
void Reserva(const QString& salida)
{
    QStringList numeros;
    for (int i = 0; i < kReservas; ++i) {
        NombreEscrito();
        numeros << QFileInfo(FicheroEscrito).completeBaseName();
    }
    QFile f(salida);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(numeros.join('\n').toUtf8());
}
}  // namespace

// The second workstation of the test below.
TEST(OtraEstacionEscritos, Reserva)
{
    const QString carpeta = qEnvironmentVariable("ZB_ESCRITOS");
    if (carpeta.isEmpty()) GTEST_SKIP() << "only run as the second workstation";
    platform::forms::TFormHarness harness;
    CarpetaDatos = carpeta;
    Dat = new TDat(nullptr);
    ExtensionEscrito = ".docx";
    Escribe(carpeta + "/listo", "");
    for (int i = 0; i < 12000 && !QFileInfo::exists(carpeta + "/empieza"); ++i) QThread::msleep(5);
    Reserva(carpeta + "/hijo.txt");
    delete Dat;
    Dat = nullptr;
}

TEST_F(FusionDatos, TwoWorkstationsNeverTakeTheSameDocumentNumber)
{
    Llena();
    ExtensionEscrito = ".docx";
    QProcess hijo;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ZB_ESCRITOS", CarpetaDatos);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    hijo.setProcessEnvironment(env);
    hijo.start(QFileInfo("/proc/self/exe").symLinkTarget(), {"--gtest_filter=OtraEstacionEscritos.Reserva"});
    ASSERT_TRUE(hijo.waitForStarted(10000));
    // Both start reserving together, once the other has its data open.
    for (int i = 0; i < 12000 && !QFileInfo::exists(CarpetaDatos + "/listo"); ++i) QThread::msleep(5);
    Escribe(CarpetaDatos + "/empieza", "");
    Reserva(CarpetaDatos + "/padre.txt");
    ASSERT_TRUE(hijo.waitForFinished(120000));
    ASSERT_EQ(hijo.exitCode(), 0) << hijo.readAll().toStdString();

    const QStringList padre = Lee(CarpetaDatos + "/padre.txt").split('\n');
    const QStringList otro = Lee(CarpetaDatos + "/hijo.txt").split('\n');
    ASSERT_EQ(padre.size(), kReservas);
    ASSERT_EQ(otro.size(), kReservas);
    QSet<int> todos;
    for (const QString& n : padre + otro) todos.insert(n.toInt());
    EXPECT_EQ(todos.size(), 2 * kReservas);
    for (int n = 42; n < 42 + 2 * kReservas; ++n) {
        EXPECT_TRUE(todos.contains(n)) << n;
        EXPECT_TRUE(QFileInfo::exists(CarpetaDatos + QString("/Escritos/%1.docx").arg(n))) << n;
    }
    EXPECT_EQ(Sistem("ESCEXP"), 41 + 2 * kReservas);
}

// The letters folder refuses the new document (a medium gone read-only, a full one): the number
// reserved for it is given back, the write lock with it, so another workstation writes at once,
// and the next save of this one commits its own change alone. Once the folder takes files again,
// the document gets the number it would have had.
TEST_F(FusionDatos, ADocumentTheFolderRefusesSpendsNoNumberAndHoldsNoLock)
{
    Llena();
    ExtensionEscrito = ".docx";
    const QByteArray escritos = QFile::encodeName(CarpetaDatos + "/Escritos");
    QDir().mkpath(CarpetaDatos + "/Escritos");
    const struct {
        unsigned long Flags;
        const char* Options;
    } medios[] = {{MS_RDONLY, "size=1m"}, {0, "size=1m,nr_inodes=1"}};
    int vueltas = 0;
    for (const auto& medio : medios) {
        ++vueltas;
        SCOPED_TRACE(medio.Options);
        if (::mount("tmpfs", escritos.constData(), "tmpfs", medio.Flags, medio.Options) != 0)
            GTEST_SKIP() << "cannot mount a small file system here: needs root";
        struct Desmonta {
            QByteArray Ruta;
            ~Desmonta() { ::umount2(Ruta.constData(), MNT_DETACH); }
        } desmonta{escritos};
        try {
            NombreEscrito();
            ADD_FAILURE() << "made " << FicheroEscrito.toStdString();
        } catch (const EDocumentError& e) {
            EXPECT_TRUE(e.Message().startsWith("No se puede crear el escrito")) << e.Message().toStdString();
        }
        EXPECT_FALSE(Dat->Db->Connection()->InTransaction());
        EXPECT_EQ(Sistem("ESCEXP"), 41);
        // Another workstation takes the write lock and writes at once.
        auto otra = platform::db::OpenData(CarpetaDatos);
        otra->StartTransaction();
        otra->Insert("CLIENTES", {"CLIENTE", "APELLIDOS"}, {QVariant(1000 - vueltas), QVariant("Otro Puesto")});
        otra->Commit();
        // This workstation's next save is committed with nothing else in it.
        AddClient("Este Puesto");
        EXPECT_FALSE(Dat->Db->Connection()->InTransaction());
        auto cuenta = [&](const QString& sql) {
            auto st = otra->Prepare(otra->TranslateSql(sql));
            return st->Step() ? st->Column(0).toInt() : -1;
        };
        EXPECT_EQ(cuenta("SELECT COUNT(*) FROM CLIENTES WHERE APELLIDOS = 'Este Puesto'"), vueltas);
        EXPECT_EQ(cuenta("SELECT MAX(ESCEXP) FROM SISTEM"), 41);
        EXPECT_EQ(cuenta("SELECT COUNT(*) FROM SISTEM"), 1);
    }
    NombreEscrito();
    EXPECT_EQ(FicheroEscrito, CarpetaDatos + "/Escritos/42.docx");
    EXPECT_EQ(Sistem("ESCEXP"), 42);
}
