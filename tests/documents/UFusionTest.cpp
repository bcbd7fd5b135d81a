#include "comun/Ganchos.h"
#include "comun/UComunes.h"
#include "documents/UFusion.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

using platform::documents::Document;

namespace {

void writeZip(const QString& path, const std::vector<std::pair<std::string, std::string>>& files)
{
    int err = 0;
    zip_t* za = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    ASSERT_NE(za, nullptr);
    for (const auto& [name, data] : files) {
        zip_int64_t i = zip_file_add(za, name.c_str(), zip_source_buffer(za, data.data(), data.size(), 0), 0);
        ASSERT_GE(i, 0);
        if (name == "mimetype") zip_set_file_compression(za, zip_uint64_t(i), ZIP_CM_STORE, 0);
    }
    ASSERT_EQ(zip_close(za), 0);
}

// A one-paragraph Word model (or office template) with the given runs.
void makeDocx(const QString& path, const std::string& runs, bool plantilla = false)
{
    const std::string kind = plantilla ? "template" : "document";
    writeZip(path,
             {{"[Content_Types].xml",
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
               "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
               "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
               "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
               "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
               "vnd.openxmlformats-officedocument.wordprocessingml."
                   + kind + ".main+xml\"/></Types>"},
              {"_rels/.rels",
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
               "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
               "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
               "relationships/officeDocument\" Target=\"word/document.xml\"/></Relationships>"},
              {"word/document.xml",
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:document "
               "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body><w:p>"
                   + runs + "</w:p></w:body></w:document>"}});
}

void makeOdt(const QString& path, const std::string& paragraph)
{
    writeZip(path,
             {{"mimetype", "application/vnd.oasis.opendocument.text"},
              {"META-INF/manifest.xml",
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
               "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" "
               "manifest:version=\"1.2\"><manifest:file-entry manifest:full-path=\"/\" "
               "manifest:media-type=\"application/vnd.oasis.opendocument.text\"/>"
               "<manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\"/>"
               "</manifest:manifest>"},
              {"content.xml",
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content "
               "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
               "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
               "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
               "xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\" office:version=\"1.2\">"
               "<office:body><office:text>"
                   + paragraph + "</office:text></office:body></office:document-content>"}});
}

QString runTool(const QString& program, const QStringList& args, int* exitCode)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
    }
    *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAllStandardOutput()) + QString::fromUtf8(p.readAllStandardError());
}

std::string run(const std::string& t) { return "<w:r><w:t xml:space=\"preserve\">" + t + "</w:t></w:r>"; }

QStringList lista(const TStringList* l)
{
    QStringList out;
    for (int i = 0; i < l->Count(); ++i) out << l->Strings(i);
    return out;
}

class Fusion : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QStringList estados;
    QStringList abiertos;
    void SetUp() override
    {
        comun::LineaEstado = [this](const QString& t) { estados << t; };
        documents::AbreConEscritorio = [this](const QString& f) {
            abiertos << f;
            return true;
        };
        CreaListasFusion();
        EditorOle.reset();
        TipoEditor = QStringLiteral("Word2000");
    }
    void TearDown() override
    {
        comun::LineaEstado = nullptr;
        EditorOle.reset();
    }
};

} // namespace

TEST_F(Fusion, ExtensionsFollowTheEditorFamily)
{
    EXPECT_EQ(ExtensionDeEditor("Word97"), ".docx");
    EXPECT_EQ(ExtensionDeEditor("Word2000"), ".docx");
    EXPECT_EQ(ExtensionPlantilla("Word97"), ".dotx");
    EXPECT_EQ(ExtensionDeEditor("WordPro96"), ".odt");
    EXPECT_EQ(ExtensionPlantilla("WordPro96"), "");
    EXPECT_EQ(ExtensionDeEditor("word97"), "");
}

TEST_F(Fusion, UnknownEditorNameIsNoEditorAtAll)
{
    const QString modelo = dir.filePath("1.docx");
    makeDocx(modelo, run("[[Cliente.Nombre]]"));
    for (const QString& tipo : {QStringLiteral("word97"), QStringLiteral("Word97 "), QString()}) {
        estados.clear();
        EXPECT_FALSE(AbreEditor(tipo)) << tipo.toStdString();
        EXPECT_EQ(estados, QStringList({"Abriendo editor ..", ""}));
        // With a live editor object but a foreign name nothing is opened, searched or written.
        auto editor = std::make_shared<TEditorDocumentos>();
        AbreEscrito(editor, tipo, modelo, false);
        EXPECT_FALSE(editor->Activo.has_value());
        BuscaCampos(editor, tipo);
        EXPECT_EQ(CamposEncontrados->Count(), 0);
        GuardaEscrito(editor, tipo, dir.filePath("x.docx"));
        EXPECT_FALSE(QFileInfo::exists(dir.filePath("x.docx")));
    }
}

TEST_F(Fusion, MergeFindsDistinctFieldsReplacesThemOnceAndSaves)
{
    const QString modelo = dir.filePath("7.docx");
    makeDocx(modelo, run("[[AbogadoCliente.Nombre]] [[Cliente.Nom") + run("bre]] [[AbogadoCliente.Nombre]]")
                         + run(" [[abogadoCliente.Nombre]] [[Nota.Texto]]"));
    EditorOle = AbreEditor(TipoEditor);
    ASSERT_TRUE(EditorOle);
    AbreEscrito(EditorOle, TipoEditor, modelo, false);
    estados.clear();
    BuscaCampos(EditorOle, TipoEditor);
    EXPECT_EQ(estados, QStringList({"Buscando Campos ..", ""}));
    EXPECT_EQ(lista(CamposEncontrados), QStringList({"[[AbogadoCliente.Nombre]]", "[[Cliente.Nombre]]",
                                                     "[[abogadoCliente.Nombre]]", "[[Nota.Texto]]"}));
    for (const QString& c : lista(CamposEncontrados)) ValoresCampos->Add(c);
    ValoresCampos->SetString(0, "Luis Gómez");
    ValoresCampos->SetString(1, "Marta");
    // A value that holds a field is written as typed, not merged again.
    ValoresCampos->SetString(3, "ver [[Cliente.Nombre]] & <otros>");
    ReemplazaCampos(EditorOle, TipoEditor, CamposEncontrados, ValoresCampos);

    FicheroEscrito = dir.filePath("Escritos/42.docx");
    QDir().mkpath(dir.filePath("Escritos"));
    GuardaEscrito(EditorOle, TipoEditor, FicheroEscrito);
    EXPECT_EQ(Document::Load(FicheroEscrito).BodyText(),
              "Luis Gómez Marta Luis Gómez [[abogadoCliente.Nombre]] ver [[Cliente.Nombre]] & <otros>");
    // The model itself is untouched.
    EXPECT_EQ(Document::Load(modelo).Fields().size(), 5);

    MuestraEditor(EditorOle, TipoEditor);
    EXPECT_EQ(abiertos, QStringList({FicheroEscrito}));
    CierraEditor(EditorOle, TipoEditor);
    EXPECT_THROW(GuardaEscrito(EditorOle, TipoEditor, dir.filePath("otra.docx")), EDocumentError);
}

TEST_F(Fusion, ReplaceAllStartsFromTheTopAndChangesEveryOccurrence)
{
    TipoEditor = QStringLiteral("Word97");
    const QString modelo = dir.filePath("3.docx");
    makeDocx(modelo, run("«FIRMA» y otra vez «FIR") + run("MA»"));
    EditorOle = AbreEditor(TipoEditor);
    AbreEscrito(EditorOle, TipoEditor, modelo, false);
    ReemplazaTodo(EditorOle, TipoEditor, "«FIRMA»", "El letrado «FIRMA»");
    EXPECT_EQ(EditorOle->Activo->BodyText(), "El letrado «FIRMA» y otra vez El letrado «FIRMA»");
}

TEST_F(Fusion, NewFromTemplateIsAWordDocumentShownFromAPrivateCopy)
{
    const QString plantilla = dir.filePath("Normal.dotx");
    makeDocx(plantilla, run("Membrete"), true);
    EditorOle = AbreEditor(TipoEditor);
    estados.clear();
    NuevoDesdeModelo(plantilla);
    EXPECT_EQ(estados, QStringList({"Cargando Modelo ..", ""}));
    ASSERT_TRUE(EditorOle->Activo.has_value());
    MuestraEditor(EditorOle, TipoEditor);
    ASSERT_EQ(abiertos.size(), 1);
    const QString mostrado = abiertos.front();
    EXPECT_NE(mostrado, plantilla);
    EXPECT_TRUE(mostrado.endsWith(".docx"));
    QProcess py;
    py.start("/usr/bin/python3", {"-c", "import docx,sys; print(docx.Document(sys.argv[1]).paragraphs[0].text)", mostrado});
    ASSERT_TRUE(py.waitForFinished(60000));
    // python-docx refuses a file that still says it is a template.
    ASSERT_EQ(py.exitCode(), 0) << py.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromUtf8(py.readAllStandardOutput()).trimmed(), "Membrete");
    QFile::remove(mostrado);

    // Word Pro has no templates: nothing is loaded.
    TipoEditor = QStringLiteral("WordPro96");
    EditorOle = AbreEditor(TipoEditor);
    NuevoDesdeModelo(plantilla);
    EXPECT_FALSE(EditorOle->Activo.has_value());
}

TEST_F(Fusion, AnotaCampoKeepsFirstOccurrenceOnly)
{
    AnotaCampo("[[A.B]]");
    AnotaCampo("[[A.b]]");
    AnotaCampo("[[A.B]]");
    EXPECT_EQ(lista(CamposEncontrados), QStringList({"[[A.B]]", "[[A.b]]"}));
    CreaListasFusion();
    EXPECT_EQ(CamposEncontrados->Count(), 0);
}

// Types an invoice-like block where a field stands, the way the fee-note merge does.
class Escritura : public Fusion, public ::testing::WithParamInterface<const char*> {};

TEST_P(Escritura, TypesAtTheFieldWithTabsBoldAndSizeThenTheOfficeSuiteReadsIt)
{
    TipoEditor = QString::fromLatin1(GetParam());
    const bool word = EsFamiliaWord(TipoEditor);
    const QString modelo = dir.filePath("9" + ExtensionDeEditor(TipoEditor));
    const std::string campo = "[[Economicos.Detalle de Factura]]";
    if (word)
        makeDocx(modelo, "<w:pPr><w:tabs><w:tab w:val=\"left\" w:pos=\"5670\"/></w:tabs></w:pPr>"
                             + run("Importe: [[Economicos.") + run("Detalle de Factura]] fin"));
    else
        makeOdt(modelo, "<text:p>Importe: " + campo + " fin</text:p>");
    EditorOle = AbreEditor(TipoEditor);
    AbreEscrito(EditorOle, TipoEditor, modelo, false);
    EscribeTexto(EditorOle, TipoEditor, "Al inicio. ");
    BuscaTexto(EditorOle, TipoEditor, QString::fromStdString(campo));
    FijaTabuladores(EditorOle, TipoEditor);
    TamanoLetra(EditorOle, TipoEditor, 10);
    EscribeTexto(EditorOle, TipoEditor, "Honorarios\t");
    Negrita(EditorOle, TipoEditor);
    EscribeTexto(EditorOle, TipoEditor, "1.000,00 <&>\r");
    Negrita(EditorOle, TipoEditor);
    EscribeTexto(EditorOle, TipoEditor, "Total\tMIL EUROS\r");
    ReemplazaTodo(EditorOle, TipoEditor, QString::fromStdString(campo), "");
    const QString salida = dir.filePath("salida" + ExtensionDeEditor(TipoEditor));
    GuardaEscrito(EditorOle, TipoEditor, salida);

    int code = 0;
    const QString leido = runTool("/usr/bin/python3",
                                  {QStringLiteral(ZEMBRA_SOURCE_DIR) + "/tests/documents/read_typed.py", salida}, &code);
    ASSERT_EQ(code, 0) << leido.toStdString();
    const QStringList lineas = leido.trimmed().split('\n');
    ASSERT_EQ(lineas.size(), 3) << leido.toStdString();
    // Word2000 clears the model's own stop; Word97 and the OpenDocument style keep to the four.
    QString paradas = word ? "1.0:LEFT (0):SPACES (0),1.5:LEFT (0):SPACES (0),12.0:LEFT (0):DOTS (1),14.5:RIGHT (2):SPACES (0)"
                           : "1.0:left:none,1.5:left:none,12.0:left:dotted,14.5:right:none";
    if (TipoEditor == "Word97") paradas = "1.0:LEFT (0):SPACES (0),1.5:LEFT (0):SPACES (0),10.0:LEFT (0):SPACES (0),"
                                          "12.0:LEFT (0):DOTS (1),14.5:RIGHT (2):SPACES (0)";
    EXPECT_EQ(lineas[0], "Al inicio. Importe: Honorarios~1.000,00 <&> | 1.000,00 <&> | 10 | " + paradas);
    EXPECT_EQ(lineas[1], "Total~MIL EUROS |  | 10 | " + paradas);
    EXPECT_EQ(lineas[2], " fin |  |  | " + paradas);

    const QString office = QStandardPaths::findExecutable("libreoffice");
    if (office.isEmpty() || TipoEditor == "Word97") return;
    QString log = runTool(office, {"-env:UserInstallation=file://" + dir.filePath("perfil"), "--headless",
                                   "--convert-to", "txt:Text (encoded):UTF8", "--outdir", dir.filePath("txt"), salida},
                          &code);
    QFile txt(dir.filePath("txt/salida.txt"));
    ASSERT_TRUE(txt.open(QIODevice::ReadOnly)) << log.toStdString();
    EXPECT_EQ(QString::fromUtf8(txt.readAll()).remove('\r').remove(QChar(0xFEFF)).trimmed(),
              "Al inicio. Importe: Honorarios\t1.000,00 <&>\nTotal\tMIL EUROS\n fin");
}

INSTANTIATE_TEST_SUITE_P(Editores, Escritura, ::testing::Values("Word2000", "Word97", "WordPro96"));
