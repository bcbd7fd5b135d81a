// Merging a two-page letter model with 60 fields (found, replaced in one pass, saved) against the
// floor of any engine that writes the archive: unzipping the same file and zipping it again
// unchanged, with the same compression. Both sides in interleaved rounds (alternating which goes
// first); the medians and their ratio merge/zip are reported, for .docx and for .odt.
#include "platform/documents/Document.h"

#include <benchmark/benchmark.h>
#include <zip.h>

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

using platform::documents::Document;

namespace {
using Clock = std::chrono::steady_clock;

const char* const kGroups[] = {"PrimerCliente", "Destino", "Expediente", "Bufete", "AbogadoCliente", "Otros"};
const char* const kNames[] = {"Nombre y Apellidos", "Domicilio", "Población", "Código Postal", "Provincia"};
const std::string kText =
    "En relación con el procedimiento de referencia, y siguiendo las instrucciones recibidas, le comunico que la "
    "vista ha quedado señalada y que conviene reunir con tiempo la documentación que obra en su poder. ";

std::string Key(int i)
{
    return std::string("[[") + kGroups[i % 6] + "." + kNames[(i / 6) % 5] + "]]";
}

// Body paragraphs of about two pages: 30 distinct fields, each twice, every other one typed in
// two formatting runs.
template <class Para>
std::string Body(Para para)
{
    std::string body;
    for (int i = 0; i < 60; ++i) {
        const std::string key = Key(i % 30);
        const size_t cut = (i % 2) ? key.size() / 2 : key.size();
        body += para(kText.substr(0, 60 + (i * 37) % 120), key.substr(0, cut), key.substr(cut));
    }
    return body;
}

void WriteZip(const QString& path, const std::vector<std::pair<std::string, std::string>>& files)
{
    int err = 0;
    zip_t* za = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    for (const auto& [name, data] : files) {
        zip_int64_t i = zip_file_add(za, name.c_str(), zip_source_buffer(za, data.data(), data.size(), 0), 0);
        zip_set_file_compression(za, zip_uint64_t(i), name == "mimetype" ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
    }
    zip_close(za);
}

// A style sheet of the size a word processor writes (some 40 styles).
std::string Styles(bool docx)
{
    std::string s;
    for (int i = 0; i < 40; ++i) {
        const std::string n = std::to_string(i);
        s += docx ? "<w:style w:type=\"paragraph\" w:styleId=\"Estilo" + n + "\"><w:name w:val=\"Estilo " + n +
                        "\"/><w:basedOn w:val=\"Normal\"/><w:pPr><w:spacing w:after=\"120\" w:line=\"276\" "
                        "w:lineRule=\"auto\"/></w:pPr><w:rPr><w:rFonts w:ascii=\"Liberation Serif\" "
                        "w:hAnsi=\"Liberation Serif\"/><w:sz w:val=\"24\"/></w:rPr></w:style>"
                  : "<style:style style:name=\"Estilo" + n + "\" style:family=\"paragraph\" "
                        "style:parent-style-name=\"Standard\"><style:paragraph-properties fo:margin-bottom=\"0.21cm\" "
                        "fo:line-height=\"115%\"/><style:text-properties style:font-name=\"Liberation Serif\" "
                        "fo:font-size=\"12pt\"/></style:style>";
    }
    return s;
}

void MakeDocx(const QString& path)
{
    const std::string w = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
                          "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
    const std::string body = Body([](const std::string& text, const std::string& a, const std::string& b) {
        std::string p = "<w:p><w:pPr><w:pStyle w:val=\"Estilo1\"/></w:pPr><w:r><w:t xml:space=\"preserve\">" + text +
                        "</w:t></w:r><w:r><w:rPr><w:b/></w:rPr><w:t>" + a + "</w:t></w:r>";
        if (!b.empty()) p += "<w:r><w:t>" + b + "</w:t></w:r>";
        return p + "</w:p>";
    });
    WriteZip(path,
             {{"[Content_Types].xml",
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types "
               "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Default Extension=\"rels\" "
               "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/><Default Extension=\"xml\" "
               "ContentType=\"application/xml\"/><Override PartName=\"/word/document.xml\" "
               "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
               "<Override PartName=\"/word/styles.xml\" "
               "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/></Types>"},
              {"_rels/.rels",
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
               "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" "
               "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
               "Target=\"word/document.xml\"/></Relationships>"},
              {"word/_rels/document.xml.rels",
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
               "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" "
               "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
               "Target=\"styles.xml\"/></Relationships>"},
              {"word/styles.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:styles " + w + ">" + Styles(true) + "</w:styles>"},
              {"word/document.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:document " + w + "><w:body>" + body +
                                        "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/></w:sectPr></w:body></w:document>"}});
}

void MakeOdt(const QString& path)
{
    const std::string ns = "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                           "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
                           "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
                           "xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\" office:version=\"1.2\"";
    const std::string body = Body([](const std::string& text, const std::string& a, const std::string& b) {
        return "<text:p text:style-name=\"Estilo1\">" + text + "<text:span text:style-name=\"N\">" + a + "</text:span>" + b +
               "</text:p>";
    });
    WriteZip(path,
             {{"mimetype", "application/vnd.oasis.opendocument.text"},
              {"META-INF/manifest.xml",
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?><manifest:manifest "
               "xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" manifest:version=\"1.2\">"
               "<manifest:file-entry manifest:full-path=\"/\" manifest:media-type=\"application/vnd.oasis.opendocument.text\"/>"
               "<manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\"/>"
               "<manifest:file-entry manifest:full-path=\"styles.xml\" manifest:media-type=\"text/xml\"/></manifest:manifest>"},
              {"styles.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-styles " + ns + "><office:styles>" +
                                 Styles(false) + "</office:styles></office:document-styles>"},
              {"content.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content " + ns +
                                  "><office:automatic-styles><style:style style:name=\"N\" style:family=\"text\">"
                                  "<style:text-properties fo:font-weight=\"bold\"/></style:style></office:automatic-styles>"
                                  "<office:body><office:text>" + body + "</office:text></office:body></office:document-content>"}});
}

// The floor: every entry read, then written again with the same compression.
void Rezip(const QString& from, const QString& to)
{
    int err = 0;
    zip_t* in = zip_open(QFile::encodeName(from).constData(), ZIP_RDONLY, &err);
    std::vector<std::pair<std::string, std::string>> files;
    const zip_int64_t n = zip_get_num_entries(in, 0);
    for (zip_int64_t i = 0; i < n; ++i) {
        zip_file_t* f = zip_fopen_index(in, zip_uint64_t(i), 0);
        std::string data;
        char buf[65536];
        zip_int64_t got;
        while ((got = zip_fread(f, buf, sizeof buf)) > 0) data.append(buf, size_t(got));
        zip_fclose(f);
        files.emplace_back(zip_get_name(in, zip_uint64_t(i), 0), std::move(data));
    }
    zip_discard(in);
    WriteZip(to, files);
}

void Merge(const QString& from, const QString& to, const QHash<QString, QString>& values)
{
    Document doc = Document::Load(from);
    QHash<QString, QString> found;
    for (const QString& key : doc.Fields())
        if (!found.contains(key)) found.insert(key, values.value(key, key));
    doc.ReplaceAll(found);
    doc.Save(to);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double Seconds(const std::function<void()>& work)
{
    const auto t0 = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

void Run(benchmark::State& state, bool docx)
{
    QTemporaryDir dir;
    const QString model = dir.filePath(docx ? "modelo.docx" : "modelo.odt");
    const QString out = dir.filePath(docx ? "salida.docx" : "salida.odt");
    const QString copy = dir.filePath(docx ? "copia.docx" : "copia.odt");
    docx ? MakeDocx(model) : MakeOdt(model);
    QHash<QString, QString> values;
    for (int i = 0; i < 30; ++i) values.insert(QString::fromStdString(Key(i)), QStringLiteral("Valor «%1» <&> Núñez").arg(i));
    if (Document::Load(model).Fields().size() != 60) state.SkipWithError("the model does not hold 60 fields");
    std::vector<double> m, z;
    bool mergeFirst = true;
    for (auto _ : state) {
        auto merge = [&] { m.push_back(Seconds([&] { Merge(model, out, values); })); };
        auto zip = [&] { z.push_back(Seconds([&] { Rezip(model, copy); })); };
        if (mergeFirst) { merge(); zip(); }
        else { zip(); merge(); }
        mergeFirst = !mergeFirst;
    }
    const double mm = Median(m), mz = Median(z);
    state.counters["merge_us"] = mm * 1e6;
    state.counters["rezip_us"] = mz * 1e6;
    state.counters["ratio"] = mz > 0 ? mm / mz : 0;
    state.counters["model_kB"] = double(QFile(model).size()) / 1024;
}

void BM_MergeDocx(benchmark::State& state) { Run(state, true); }
void BM_MergeOdt(benchmark::State& state) { Run(state, false); }

}  // namespace

BENCHMARK(BM_MergeDocx)->Iterations(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeOdt)->Iterations(200)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
