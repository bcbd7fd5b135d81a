#include "platform/documents/Document.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QStandardPaths>

using platform::documents::Document;
using platform::documents::DocumentFormat;

namespace {

// Writes a zip from (name, content) pairs, in order; "mimetype" stored.
void writeZip(const QString& path, const std::vector<std::pair<std::string, std::string>>& files)
{
    int err = 0;
    zip_t* za = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    ASSERT_NE(za, nullptr);
    for (const auto& [name, data] : files) {
        zip_source_t* src = zip_source_buffer(za, data.data(), data.size(), 0);
        zip_int64_t i = zip_file_add(za, name.c_str(), src, ZIP_FL_ENC_UTF_8);
        ASSERT_GE(i, 0);
        if (name == "mimetype") zip_set_file_compression(za, zip_uint64_t(i), ZIP_CM_STORE, 0);
    }
    ASSERT_EQ(zip_close(za), 0);
}

const char* const W = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
                      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";

std::string wpara(const std::string& runs) { return "<w:p>" + runs + "</w:p>"; }
std::string wrun(const std::string& text, bool bold = false)
{
    return std::string("<w:r>") + (bold ? "<w:rPr><w:b/></w:rPr>" : "") + "<w:t xml:space=\"preserve\">" + text
           + "</w:t></w:r>";
}

// A letter model: a field split across a bold and a plain run, two fields on one line,
// a repeated field, an unknown one, a table, a header and a footer.
void makeDocx(const QString& path)
{
    std::string body = wpara(wrun("Estimado ") + wrun("[[Cliente.", true) + wrun("Nombre]]") + wrun(":"))
                       + wpara(wrun("[[Cliente.Nombre]] y [[Cliente.Domicilio]]  [[cliente.Nombre]]"))
                       + wpara(wrun("Nota: [[Asunto.Observaciones]] fin"))
                       + "<w:tbl><w:tblGrid><w:gridCol w:w=\"4000\"/></w:tblGrid><w:tr><w:tc>"
                         "<w:tcPr><w:tcW w:w=\"4000\" w:type=\"dxa\"/></w:tcPr>"
                       + wpara(wrun("Ref. [[Expediente.Número]]")) + "</w:tc></w:tr></w:tbl>"
                       + wpara(wrun("Sin campos"))
                       + "<w:sectPr><w:headerReference w:type=\"default\" r:id=\"rIdH\"/>"
                         "<w:footerReference w:type=\"default\" r:id=\"rIdF\"/></w:sectPr>";
    writeZip(path,
             {{"[Content_Types].xml",
               "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
               "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
               "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
               "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
               "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
               "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
               "<Override PartName=\"/word/header1.xml\" ContentType=\"application/"
               "vnd.openxmlformats-officedocument.wordprocessingml.header+xml\"/>"
               "<Override PartName=\"/word/footer1.xml\" ContentType=\"application/"
               "vnd.openxmlformats-officedocument.wordprocessingml.footer+xml\"/></Types>"},
              {"_rels/.rels",
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
               "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
               "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
               "relationships/officeDocument\" Target=\"word/document.xml\"/></Relationships>"},
              {"word/_rels/document.xml.rels",
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
               "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
               "<Relationship Id=\"rIdH\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
               "relationships/header\" Target=\"header1.xml\"/>"
               "<Relationship Id=\"rIdF\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
               "relationships/footer\" Target=\"footer1.xml\"/></Relationships>"},
              {"word/document.xml", std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
                                                "<w:document ")
                                        + W + "><w:body>" + body + "</w:body></w:document>"},
              {"word/header1.xml",
               std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:hdr ") + W + ">"
                   + wpara(wrun("Despacho [[Abogado.Nombre]]")) + "</w:hdr>"},
              {"word/footer1.xml",
               std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:ftr ") + W + ">"
                   + wpara(wrun("[[Abogado.Ciudad]], [[Cliente.Nombre]]")) + "</w:ftr>"}});
}

const char* const ODT_NS =
    "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
    "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
    "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
    "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
    "xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\" office:version=\"1.2\"";

void makeOdt(const QString& path)
{
    std::string body =
        "<text:p>Estimado <text:span text:style-name=\"B\">[[Cliente.</text:span>Nombre]]:</text:p>"
        "<text:p>[[Cliente.Nombre]] y [[Cliente.Domicilio]]<text:s text:c=\"2\"/>[[cliente.Nombre]]</text:p>"
        "<text:p>Nota: [[Asunto.Observaciones]] fin</text:p>"
        "<table:table table:name=\"T\"><table:table-column/><table:table-row><table:table-cell>"
        "<text:p>Ref. [[Expediente.Número]]</text:p></table:table-cell></table:table-row></table:table>"
        "<text:p>Sin campos</text:p>";
    writeZip(path,
             {{"mimetype", "application/vnd.oasis.opendocument.text"},
              {"META-INF/manifest.xml",
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
               "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" "
               "manifest:version=\"1.2\">"
               "<manifest:file-entry manifest:full-path=\"/\" manifest:media-type=\"application/"
               "vnd.oasis.opendocument.text\"/>"
               "<manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\"/>"
               "<manifest:file-entry manifest:full-path=\"styles.xml\" manifest:media-type=\"text/xml\"/>"
               "</manifest:manifest>"},
              {"content.xml",
               std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content ") + ODT_NS
                   + "><office:automatic-styles><style:style style:name=\"B\" style:family=\"text\">"
                     "<style:text-properties fo:font-weight=\"bold\"/></style:style></office:automatic-styles>"
                     "<office:body><office:text>"
                   + body + "</office:text></office:body></office:document-content>"},
              {"styles.xml",
               std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-styles ") + ODT_NS
                   + "><office:automatic-styles><style:page-layout style:name=\"pm1\"/></office:automatic-styles>"
                     "<office:master-styles><style:master-page style:name=\"Standard\" "
                     "style:page-layout-name=\"pm1\">"
                     "<style:header><text:p>Despacho [[Abogado.Nombre]]</text:p></style:header>"
                     "<style:footer><text:p>[[Abogado.Ciudad]], [[Cliente.Nombre]]</text:p></style:footer>"
                     "</style:master-page></office:master-styles></office:document-styles>"}});
}

QHash<QString, QString> mergeValues()
{
    return {{"[[Cliente.Nombre]]", "José \"Pepe\" Núñez <&>"},
            {"[[Cliente.Domicilio]]", "C/ Mayor, 3"},
            {"[[Asunto.Observaciones]]", "Primera línea\r\nSegunda [[Cliente.Nombre]]"},
            {"[[Expediente.Número]]", "2026/17"},
            {"[[Abogado.Nombre]]", "Ana Ruiz"},
            {"[[Abogado.Ciudad]]", "Cádiz"}};
}

QString runTool(const QString& program, const QStringList& args, int* exitCode = nullptr)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
    }
    if (exitCode) *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAllStandardOutput()) + QString::fromUtf8(p.readAllStandardError());
}

QString readBack(const QString& file)
{
    int code = 0;
    QString out = runTool("/usr/bin/python3",
                          {QStringLiteral(ZEMBRA_SOURCE_DIR) + "/tests/platform/documents/read_document.py", file},
                          &code);
    EXPECT_EQ(code, 0) << out.toStdString();
    return out;
}

bool pythonDocxPresent()
{
    int code = 0;
    runTool("/usr/bin/python3", {"-c", "import docx"}, &code);
    return code == 0;
}

const QStringList kExpectedFields = {
    "[[Cliente.Nombre]]", "[[Cliente.Nombre]]", "[[Cliente.Domicilio]]", "[[cliente.Nombre]]",
    "[[Asunto.Observaciones]]", "[[Expediente.Número]]", "[[Abogado.Nombre]]", "[[Abogado.Ciudad]]",
    "[[Cliente.Nombre]]"};

class DocumentFamilies : public ::testing::TestWithParam<const char*> {
protected:
    QTemporaryDir dir;
    QString model() const { return dir.filePath(QStringLiteral("modelo.") + GetParam()); }
    void make()
    {
        if (QString(GetParam()) == "docx") makeDocx(model());
        else makeOdt(model());
    }
};

} // namespace

TEST_P(DocumentFamilies, FindsEveryFieldInOrderAcrossRunsTablesHeadersAndFooters)
{
    make();
    Document doc = Document::Load(model());
    EXPECT_EQ(doc.Format(), QString(GetParam()) == "docx" ? DocumentFormat::Docx : DocumentFormat::Odt);
    EXPECT_EQ(doc.Fields(), kExpectedFields);
}

TEST_P(DocumentFamilies, MergedFileReadsBackWithAnIndependentReader)
{
    const bool docx = QString(GetParam()) == "docx";
    if (docx && !pythonDocxPresent()) GTEST_SKIP() << "python3-docx not installed";
    make();
    Document doc = Document::Load(model());
    EXPECT_EQ(doc.ReplaceAll(mergeValues()), 8);
    // Nothing left but the unknown field, and the value typed inside a memo stays as typed.
    EXPECT_EQ(doc.Fields(), QStringList({"[[cliente.Nombre]]", "[[Cliente.Nombre]]"}));
    const QString out = dir.filePath(QStringLiteral("escrito.") + GetParam());
    doc.Save(out);

    const QString text = readBack(out);
    const QString name = "José \"Pepe\" Núñez <&>";
    EXPECT_TRUE(text.contains("B Estimado " + name + ":")) << text.toStdString();
    EXPECT_TRUE(text.contains("B " + name + " y C/ Mayor, 3  [[cliente.Nombre]]")) << text.toStdString();
    EXPECT_TRUE(text.contains("B Nota: Primera línea|Segunda [[Cliente.Nombre]] fin")) << text.toStdString();
    EXPECT_TRUE(text.contains("Ref. 2026/17")) << text.toStdString();
    EXPECT_TRUE(text.contains("H Despacho Ana Ruiz")) << text.toStdString();
    EXPECT_TRUE(text.contains("F Cádiz, " + name)) << text.toStdString();
    EXPECT_TRUE(text.contains("B Sin campos")) << text.toStdString();
    if (docx) { // the value took the bold run where its field began; the rest stays plain
        EXPECT_TRUE(text.contains("B Estimado " + name + ": bold=1")) << text.toStdString();
    }

    // The saved file opens again and gives the same fields.
    EXPECT_EQ(Document::Load(out).Fields(), QStringList({"[[cliente.Nombre]]", "[[Cliente.Nombre]]"}));
}

TEST_P(DocumentFamilies, OfficeSuiteReadsTheMergedText)
{
    const QString office = QStandardPaths::findExecutable("libreoffice");
    if (office.isEmpty()) GTEST_SKIP() << "libreoffice not installed";
    make();
    Document doc = Document::Load(model());
    doc.ReplaceAll(mergeValues());
    const QString out = dir.filePath(QStringLiteral("carta.") + GetParam());
    doc.Save(out);
    int code = 0;
    QString log = runTool(office, {"-env:UserInstallation=file://" + dir.filePath("profile"), "--headless",
                                   "--convert-to", "txt:Text (encoded):UTF8", "--outdir", dir.filePath("txt"), out},
                          &code);
    QFile txt(dir.filePath("txt/carta.txt"));
    ASSERT_TRUE(txt.open(QIODevice::ReadOnly)) << log.toStdString();
    const QString text = QString::fromUtf8(txt.readAll());
    EXPECT_TRUE(text.contains("Estimado José \"Pepe\" Núñez <&>:")) << text.toStdString();
    EXPECT_TRUE(text.contains("Nota: Primera línea\nSegunda [[Cliente.Nombre]] fin")
                || text.contains("Nota: Primera línea\r\nSegunda [[Cliente.Nombre]] fin"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("Ref. 2026/17")) << text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Formats, DocumentFamilies, ::testing::Values("docx", "odt"));

TEST(DocumentErrors, DamagedOrForeignFilesGiveAClearError)
{
    QTemporaryDir dir;
    auto expectError = [&](const QString& file, const char* fragment) {
        try {
            Document::Load(file);
            ADD_FAILURE() << "no error for " << file.toStdString();
        } catch (const EDocumentError& e) {
            EXPECT_TRUE(e.Message().contains(QFileInfo(file).fileName())) << e.Message().toStdString();
            EXPECT_TRUE(e.Message().contains(QString::fromUtf8(fragment))) << e.Message().toStdString();
        }
    };
    expectError(dir.filePath("no-existe.docx"), "no existe");

    QFile old(dir.filePath("viejo.doc"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(600, '\0'));
    old.close();
    expectError(old.fileName(), "no es un documento");

    writeZip(dir.filePath("otro.zip"), {{"hola.txt", "hola"}});
    expectError(dir.filePath("otro.zip"), "no es un documento");

    writeZip(dir.filePath("hoja.ods"), {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                                         {"content.xml", "<a/>"}});
    expectError(dir.filePath("hoja.ods"), "no es un documento de texto");

    writeZip(dir.filePath("roto.docx"), {{"[Content_Types].xml", "<Types/>"},
                                          {"word/document.xml", "<w:document><w:body><w:p>"}});
    expectError(dir.filePath("roto.docx"), "word/document.xml");

    // A small archive that inflates far beyond any real model is refused, not read into memory.
    std::string zeros(size_t(80) << 20, '\0');
    writeZip(dir.filePath("bomba.docx"), {{"[Content_Types].xml", "<Types/>"}, {"word/document.xml", zeros}});
    zeros.clear();
    EXPECT_LT(QFileInfo(dir.filePath("bomba.docx")).size(), 1 << 20);
    expectError(dir.filePath("bomba.docx"), "demasiado grande");
}

TEST(DocumentErrors, BytesInMemoryReadLikeTheFile)
{
    QTemporaryDir dir;
    makeOdt(dir.filePath("m.odt"));
    QFile f(dir.filePath("m.odt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_EQ(Document::FromBytes(bytes, "m.odt").Fields(), kExpectedFields);
    try {
        Document::FromBytes(bytes.left(bytes.size() / 2), "mitad.odt");
        ADD_FAILURE() << "a cut archive was accepted";
    } catch (const EDocumentError& e) {
        EXPECT_TRUE(e.Message().contains("mitad.odt")) << e.Message().toStdString();
    }
}

TEST(DocumentErrors, FailedSaveKeepsThePreviousFile)
{
    QTemporaryDir dir;
    const QString model = dir.filePath("m.docx");
    makeDocx(model);
    Document doc = Document::Load(model);
    doc.ReplaceAll({{"[[Abogado.Nombre]]", "X"}});
    EXPECT_THROW(doc.Save(dir.filePath("falta/escrito.docx")), EDocumentError);
    // Saving over the model writes a whole new file that opens again.
    doc.Save(model);
    EXPECT_FALSE(Document::Load(model).Fields().contains("[[Abogado.Nombre]]"));
}

// A writ's footnotes and endnotes name the parties too: their fields are found and merged, and
// the merged file keeps none.
TEST(DocumentNotes, FieldsInFootnotesAndEndnotesAreMerged)
{
    QTemporaryDir dir;
    const QString model = dir.filePath("notas.docx");
    auto notes = [](const char* root, const char* note, const std::string& runs) {
        return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:") + root + " " + W + "><w:" + note
               + " w:type=\"separator\" w:id=\"-1\"><w:p><w:r><w:separator/></w:r></w:p></w:" + note + "><w:" + note
               + " w:id=\"1\">" + wpara(runs) + "</w:" + note + "></w:" + root + ">";
    };
    writeZip(model,
             {{"[Content_Types].xml",
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types "
               "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
               "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
               "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
               "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>"},
              {"word/document.xml", std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:document ") + W
                                        + "><w:body>" + wpara(wrun("Demanda de [[Cliente.Nombre]]"))
                                        + "</w:body></w:document>"},
              {"word/footnotes.xml", notes("footnotes", "footnote", wrun("Véase [[Cliente.", true) + wrun("Nombre]].")) },
              {"word/endnotes.xml", notes("endnotes", "endnote", wrun("Ref. [[Expediente.Número]]"))}});
    Document doc = Document::Load(model);
    EXPECT_EQ(doc.Fields(), QStringList({"[[Cliente.Nombre]]", "[[Cliente.Nombre]]", "[[Expediente.Número]]"}));
    EXPECT_EQ(doc.ReplaceAll(mergeValues()), 3);
    const QString out = dir.filePath("escrito.docx");
    doc.Save(out);
    Document back = Document::Load(out);
    EXPECT_TRUE(back.Fields().isEmpty()) << back.Fields().join(' ').toStdString();
    EXPECT_EQ(back.BodyText(), "Demanda de José \"Pepe\" Núñez <&>");
}

namespace {
// The text of one entry of a zip, empty when it is not there.
std::string zipEntry(const QString& path, const char* name)
{
    int err = 0;
    zip_t* za = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &err);
    if (!za) return {};
    std::string out;
    if (zip_file_t* f = zip_fopen(za, name, 0)) {
        char buf[4096];
        for (zip_int64_t n; (n = zip_fread(f, buf, sizeof buf)) > 0;) out.append(buf, size_t(n));
        zip_fclose(f);
    }
    zip_close(za);
    return out;
}

int occurrences(const std::string& text, const std::string& what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}
} // namespace

// An older letter brought into the office template keeps its numbered list and its own paragraph
// style; brought in again, its list gets numbers of its own instead of joining the first one.
TEST(DocumentInsert, InsertedLetterKeepsItsListsAndStyles)
{
    QTemporaryDir dir;
    const QString letter = dir.filePath("hechos.docx");
    writeZip(letter,
             {{"[Content_Types].xml",
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types "
               "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
               "<Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>"},
              {"word/_rels/document.xml.rels",
               "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
               "<Relationship Id=\"rS\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
               "Target=\"styles.xml\"/><Relationship Id=\"rN\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
               "2006/relationships/numbering\" Target=\"numbering.xml\"/></Relationships>"},
              {"word/styles.xml", std::string("<w:styles ") + W
                                      + "><w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Standard\">"
                                        "<w:name w:val=\"Standard\"/></w:style><w:style w:type=\"paragraph\" w:styleId=\"Hecho\"><w:name w:val=\"Hecho\"/>"
                                        "<w:pPr><w:numPr><w:numId w:val=\"1\"/></w:numPr></w:pPr></w:style></w:styles>"},
              {"word/numbering.xml", std::string("<w:numbering ") + W
                                         + "><w:abstractNum w:abstractNumId=\"0\"><w:lvl w:ilvl=\"0\"><w:numFmt "
                                           "w:val=\"decimal\"/><w:lvlText w:val=\"%1.\"/></w:lvl></w:abstractNum>"
                                           "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"0\"/></w:num></w:numbering>"},
              {"word/document.xml",
               std::string("<w:document ") + W + "><w:body><w:p><w:pPr><w:pStyle w:val=\"Hecho\"/></w:pPr>"
                   + wrun("HECHOS") + "</w:p><w:p><w:pPr><w:numPr><w:ilvl w:val=\"0\"/><w:numId w:val=\"1\"/></w:numPr></w:pPr>"
                   + wrun("Primero: [[Cliente.Nombre]]") + "</w:p></w:body></w:document>"}});

    const QString model = dir.filePath("modelo.docx");
    Document::WriteWordTemplate(dir.filePath("Zembra.dotx"));
    Document doc = Document::Load(dir.filePath("Zembra.dotx"));
    doc.ConvertTemplateToDocument();
    doc.InsertBody(Document::Load(letter));
    doc.Save(model);
    EXPECT_EQ(Document::Load(model).Fields(), QStringList({"[[Cliente.Nombre]]"}));
    EXPECT_EQ(occurrences(zipEntry(model, "word/numbering.xml"), "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"0\"/>"), 1);
    EXPECT_EQ(occurrences(zipEntry(model, "word/_rels/document.xml.rels"), "relationships/numbering\" Target=\"numbering.xml\""), 1);
    EXPECT_EQ(occurrences(zipEntry(model, "[Content_Types].xml"), "PartName=\"/word/numbering.xml\""), 1);
    EXPECT_EQ(occurrences(zipEntry(model, "word/styles.xml"), "w:styleId=\"Hecho\""), 1);
    EXPECT_EQ(occurrences(zipEntry(model, "word/styles.xml"), "w:styleId=\"Normal\""), 1);
    // The letter's own default paragraph style comes as a style, not as the template's default.
    EXPECT_EQ(occurrences(zipEntry(model, "word/styles.xml"), "w:styleId=\"Standard\""), 1);
    EXPECT_EQ(occurrences(zipEntry(model, "word/styles.xml"), "w:default=\"1\""), 1);

    // Into a document that has that list already: new numbers for the second copy, and the style
    // it already has is not doubled.
    Document again = Document::Load(model);
    again.InsertBody(Document::Load(letter));
    const QString twice = dir.filePath("dos.docx");
    again.Save(twice);
    const std::string numbering = zipEntry(twice, "word/numbering.xml");
    EXPECT_EQ(occurrences(numbering, "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"0\"/>"), 1);
    EXPECT_EQ(occurrences(numbering, "<w:num w:numId=\"2\"><w:abstractNumId w:val=\"1\"/>"), 1);
    EXPECT_LT(numbering.find("w:abstractNumId=\"1\""), numbering.find("<w:num "));  // definitions before lists
    const std::string body = zipEntry(twice, "word/document.xml");
    EXPECT_EQ(occurrences(body, "<w:numId w:val=\"1\"/>"), 1);
    EXPECT_EQ(occurrences(body, "<w:numId w:val=\"2\"/>"), 1);
    EXPECT_EQ(occurrences(zipEntry(twice, "word/styles.xml"), "w:styleId=\"Hecho\""), 1);
    EXPECT_EQ(occurrences(zipEntry(twice, "word/_rels/document.xml.rels"), "relationships/numbering\""), 1);
}

// A save that cannot be made says which folder is at fault, in Spanish, not the archive library's
// own English words.
TEST(DocumentErrors, FailedSaveNamesTheFolderThatIsMissingOrReadOnly)
{
    QTemporaryDir dir;
    const QString model = dir.filePath("m.docx");
    makeDocx(model);
    Document doc = Document::Load(model);
    auto saveError = [&](const QString& file) {
        try {
            doc.Save(file);
        } catch (const EDocumentError& e) {
            return e.Message();
        }
        return QString();
    };
    const QString missing = dir.filePath("Escritos");
    EXPECT_EQ(saveError(missing + "/1.docx"),
              "No se puede guardar el documento \"1.docx\": la carpeta \"" + missing + "\" no existe.");
    EXPECT_EQ(platform::documents::FolderProblem(model), QString());

    const QString locked = dir.filePath("Modelos");
    ASSERT_TRUE(QDir().mkpath(locked));
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (!QFileInfo(locked).isWritable()) {  // the superuser writes in any folder
        EXPECT_EQ(saveError(locked + "/2.docx"),
                  "No se puede guardar el documento \"2.docx\": no se puede escribir en la carpeta \"" + locked + "\".");
        EXPECT_FALSE(QFileInfo::exists(locked + "/2.docx"));
    }
}

// A letter whose first page has a header of its own gets the logo there, where a one-page letter
// shows it; without such a header it goes to the ordinary one, as before.
TEST(DocumentLogo, GoesToTheHeaderTheFirstPageShows)
{
    QTemporaryDir dir;
    const std::string relNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    auto letter = [&](const QString& path, bool firstHeader) {
        std::string rels = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                           "<Relationship Id=\"rIdD\" Type=\"" + relNs + "header\" Target=\"header1.xml\"/>";
        std::string refs = "<w:headerReference w:type=\"default\" r:id=\"rIdD\"/>";
        std::vector<std::pair<std::string, std::string>> files = {
            {"word/header1.xml", std::string("<w:hdr ") + W + ">" + wpara(wrun("Resto [[Abogado.Nombre]]")) + "</w:hdr>"}};
        if (firstHeader) {
            rels += "<Relationship Id=\"rIdP\" Type=\"" + relNs + "header\" Target=\"header2.xml\"/>";
            refs += "<w:headerReference w:type=\"first\" r:id=\"rIdP\"/>";
            files.push_back({"word/header2.xml", std::string("<w:hdr ") + W + ">" + wpara(wrun("Primera")) + "</w:hdr>"});
        }
        files.push_back({"[Content_Types].xml",
                         "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                         "<Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>"});
        files.push_back({"word/_rels/document.xml.rels", rels + "</Relationships>"});
        files.push_back({"word/document.xml", std::string("<w:document ") + W + "><w:body>" + wpara(wrun("Carta"))
                                                  + "<w:sectPr>" + refs + "<w:titlePg/></w:sectPr></w:body></w:document>"});
        writeZip(path, files);
    };
    const QByteArray png = QByteArray::fromBase64(
        "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAIAAACQd1PeAAAADElEQVR4nGP4z8AAAAMBAQDJ/pLvAAAAAElFTkSuQmCC");

    // The first page's own header takes it; the other pages' header is left as it was.
    letter(dir.filePath("dos.docx"), true);
    Document doc = Document::Load(dir.filePath("dos.docx"));
    doc.InsertHeaderPicture(png, "png", 914400, 457200);
    doc.Save(dir.filePath("dos-logo.docx"));
    EXPECT_EQ(occurrences(zipEntry(dir.filePath("dos-logo.docx"), "word/header2.xml"), "<w:drawing>"), 1);
    EXPECT_EQ(occurrences(zipEntry(dir.filePath("dos-logo.docx"), "word/header1.xml"), "<w:drawing>"), 0);

    // A first page of its own with no header of its own: one is made for it.
    letter(dir.filePath("una.docx"), false);
    doc = Document::Load(dir.filePath("una.docx"));
    doc.InsertHeaderPicture(png, "png", 914400, 457200);
    doc.Save(dir.filePath("una-logo.docx"));
    const std::string body = zipEntry(dir.filePath("una-logo.docx"), "word/document.xml");
    EXPECT_EQ(occurrences(body, "w:type=\"first\""), 1);
    EXPECT_EQ(occurrences(body, "w:type=\"default\" r:id=\"rIdD\""), 1);
    EXPECT_EQ(occurrences(zipEntry(dir.filePath("una-logo.docx"), "word/header1.xml"), "<w:drawing>"), 0);
    EXPECT_EQ(occurrences(zipEntry(dir.filePath("una-logo.docx"), "word/headerZb1.xml"), "<w:drawing>"), 1);
    EXPECT_EQ(Document::Load(dir.filePath("una-logo.docx")).Fields(), QStringList({"[[Abogado.Nombre]]"}));
}
