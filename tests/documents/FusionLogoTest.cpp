// The office logo in the header of a merged letter, and the letter as the office suite prints
// it: a PDF whose first page is kept as a PNG (docs/documents with ZEMBRA_RENDER_DOCS set).
#include "FusionFixture.h"

#include <QImage>
#include <QPainter>
#include <QStandardPaths>

using fusiontest::FusionDatos;
using fusiontest::RunTool;
using fusiontest::Script;

namespace {
class Logo : public FusionDatos {
protected:
    void SetUp() override
    {
        FusionDatos::SetUp();
        Llena();
        // A 240 x 80 logo at 96 ppp: 2,54 x 0,847 inches.
        QImage img(240, 80, QImage::Format_RGB32);
        img.fill(QColor(20, 60, 140));
        img.setDotsPerMeterX(3780);
        img.setDotsPerMeterY(3780);
        QPainter p(&img);
        p.fillRect(20, 20, 200, 40, QColor(230, 180, 30));
        p.end();
        logo = dir.filePath("logo.png");
        ASSERT_TRUE(img.save(logo));
        Cambia("SISTEM", "LOGO = '" + logo + "'");
    }
    QString Modelo(const char* como, const QString& nombre)
    {
        int code = 0;
        const QString fichero = dir.filePath(nombre);
        const QString log = RunTool("/usr/bin/python3", {Script("merge_models.py"), como, fichero}, &code);
        EXPECT_EQ(code, 0) << log.toStdString();
        return fichero;
    }
    QString logo;
};

// Prints the header's pictures: size in EMU and whether the bytes are the logo's.
const char* const kCabecera = R"(
import sys, docx
d = docx.Document(sys.argv[1])
h = d.sections[0].header
logo = open(sys.argv[2], 'rb').read()
ns = {'a': 'http://schemas.openxmlformats.org/drawingml/2006/main',
      'wp': 'http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing'}
for inline in h._element.findall('.//wp:inline', ns):
    ext = inline.find('wp:extent', ns)
    rid = inline.find('.//a:blip', ns).get('{http://schemas.openxmlformats.org/officeDocument/2006/relationships}embed')
    print(ext.get('cx'), ext.get('cy'), h.part.related_parts[rid].blob == logo)
print('|'.join(p.text for p in h.paragraphs))
)";
}  // namespace

TEST_F(Logo, GoesAtTheTopOfTheHeaderOfWordDocumentsOnly)
{
    EditorOle = AbreEditor(TipoEditor);
    // A model with a header of its own keeps its text under the logo; one without gets a header.
    for (const char* como : {"make", "sin"}) {
        SCOPED_TRACE(como);
        QString modelo = Modelo("make", "con.docx");
        if (QLatin1String(como) == QLatin1String("sin")) {
            int code = 0;
            modelo = dir.filePath("sin.docx");
            RunTool("/usr/bin/python3", {"-c", "import docx,sys; d=docx.Document(); d.add_paragraph('Hola'); d.save(sys.argv[1])", modelo},
                    &code);
            ASSERT_EQ(code, 0);
        }
        AbreEscrito(EditorOle, TipoEditor, modelo, false);
        InsertaLogo();
        const QString salida = dir.filePath(QString("logo-%1.docx").arg(como));
        GuardaEscrito(EditorOle, TipoEditor, salida);
        int code = 0;
        const QString leido = RunTool("/usr/bin/python3", {"-c", kCabecera, salida, logo}, &code);
        ASSERT_EQ(code, 0) << leido.toStdString();
        const QString cabecera = QLatin1String(como) == QLatin1String("make") ? "|[[Bufete.Despacho]] - [[Bufete.Población]]" : "";
        EXPECT_EQ(leido.trimmed(), ("2286000 762000 True\n" + cabecera).trimmed());
        // The fields of the header are still found and merged.
        EXPECT_EQ(EditorOle->Activo->Fields().contains("[[Bufete.Despacho]]"), QLatin1String(como) == QLatin1String("make"));
    }

    // Word Pro gets no logo, and no error.
    TipoEditor = "WordPro96";
    ExtensionEscrito = ".odt";
    const QString odt = Modelo("make", "m.odt");
    EditorOle = AbreEditor(TipoEditor);
    AbreEscrito(EditorOle, TipoEditor, odt, false);
    EXPECT_NO_THROW(InsertaLogo());

    // A logo that cannot be read is said so.
    TipoEditor = "Word2000";
    EditorOle = AbreEditor(TipoEditor);
    AbreEscrito(EditorOle, TipoEditor, Modelo("make", "otra.docx"), false);
    Cambia("SISTEM", "LOGO = '" + dir.filePath("no-existe.png") + "'");
    EXPECT_THROW(InsertaLogo(), EDocumentError);
}

TEST_F(Logo, MergedLetterPrintsWithItsLogoAndValues)
{
    const QString office = QStandardPaths::findExecutable("soffice");
    const QString pdftoppm = QStandardPaths::findExecutable("pdftoppm");
    if (office.isEmpty() || pdftoppm.isEmpty()) GTEST_SKIP() << "no office suite";
    Picks();
    Cambia("EXPED", "PROCEDIMIENTO = 'Juicio ordinario', AUTOS = '123/2001'");
    Cambia("ABOGADOS", "DOMICILIO = 'Avda. de la Paz 12', CDPOSTAL = '26500' WHERE ABOGADO = 1");
    const QString modelo = Modelo("letter", "carta.docx");
    EditorOle = AbreEditor(TipoEditor);
    AbreEscrito(EditorOle, TipoEditor, modelo, false);
    BuscaCampos(EditorOle, TipoEditor);
    for (int i = 0; i < CamposEncontrados->Count(); ++i) ValoresCampos->Add(CamposEncontrados->Strings(i));
    // José is the first client chosen.
    TStrings* elegidos = documents::OrigenFusion.LCli2->Items();
    elegidos->Delete(elegidos->IndexOf("María"));
    ProveedoresExpediente();
    RellenaDestinoAbogadoContrario();
    AsignaCampo("[[Texto.Observaciones]]", "Adjunto copia de la demanda y de los documentos 1 a 4.\nPlazo: diez días.");
    ReemplazaCampos(EditorOle, TipoEditor, CamposEncontrados, ValoresCampos);
    InsertaLogo();
    ASSERT_TRUE(GrabaEscrito(true)) << Texts().join("; ").toStdString();

    int code = 0;
    const QString pdfDir = dir.filePath("pdf");
    const QString log = RunTool("timeout", {"120", office, "-env:UserInstallation=file://" + dir.filePath("perfil"), "--headless",
                                            "--convert-to", "pdf", "--outdir", pdfDir, FicheroEscrito},
                                &code);
    const QString pdf = pdfDir + "/42.pdf";
    ASSERT_TRUE(QFileInfo::exists(pdf)) << log.toStdString();
    const QByteArray docs = qgetenv("ZEMBRA_RENDER_DOCS");
    const QString destino = docs.isEmpty() ? dir.path() : QString::fromLocal8Bit(docs) + "/documents";
    QDir().mkpath(destino);
    RunTool(pdftoppm, {"-png", "-r", "80", "-f", "1", "-l", "1", "-singlefile", pdf, destino + "/CartaFusionada"}, &code);
    ASSERT_EQ(code, 0);
    const QImage pagina(destino + "/CartaFusionada.png");
    ASSERT_FALSE(pagina.isNull());
    // The logo's two colours stand in the top part of the page.
    bool azul = false, oro = false;
    for (int y = 0; y < pagina.height() / 5; ++y)
        for (int x = 0; x < pagina.width(); ++x) {
            const QColor c = pagina.pixelColor(x, y);
            azul = azul || (qAbs(c.red() - 20) < 20 && qAbs(c.green() - 60) < 20 && qAbs(c.blue() - 140) < 20);
            oro = oro || (qAbs(c.red() - 230) < 20 && qAbs(c.green() - 180) < 20 && qAbs(c.blue() - 30) < 20);
        }
    EXPECT_TRUE(azul && oro);
    // And the text of the letter is the merged one.
    const QString txt = RunTool("pdftotext", {"-layout", pdf, "-"}, &code);
    EXPECT_TRUE(txt.contains("Luis Opuesto")) << txt.toStdString();
    EXPECT_TRUE(txt.contains("Juicio ordinario 123/2001, Juzgado nº 1")) << txt.toStdString();
    EXPECT_TRUE(txt.contains("Plazo: diez días.")) << txt.toStdString();
    EXPECT_TRUE(txt.contains("Ana Letrada Ruiz")) << txt.toStdString();
    EXPECT_TRUE(txt.contains("José Núñez \"el Chico\", con domicilio en Calle")) << txt.toStdString();
    EXPECT_FALSE(txt.contains("[[")) << txt.toStdString();
}
