// libFuzzer target: the .docx/.odt reader on hostile archives and XML, then a merge and a
// write-read round trip of whatever it accepted. An input that starts "PK" is read as the archive
// itself; any other is the main XML part behind one byte choosing the kind (even: the body of a
// Word document, odd: the content of an OpenDocument text), packed into a sound archive, so the
// XML is reached without first getting past the archive's checksums.
#include "platform/documents/Document.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>
#include <zip.h>

using platform::documents::Document;

namespace {

QTemporaryDir& Folder()
{
    static QTemporaryDir dir;
    return dir;
}

bool Pack(const QString& path, const std::vector<std::pair<const char*, QByteArray>>& parts)
{
    int err = 0;
    zip_t* za = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!za) return false;
    for (const auto& [name, data] : parts) {
        // The source copies nothing: the bytes live until zip_close below.
        zip_source_t* src = zip_source_buffer(za, data.constData(), zip_uint64_t(data.size()), 0);
        if (!src || zip_file_add(za, name, src, ZIP_FL_ENC_UTF_8) < 0) {
            if (src) zip_source_free(src);
            zip_discard(za);
            return false;
        }
    }
    return zip_close(za) == 0;
}

Document Packed(bool odt, const QByteArray& xml)
{
    const QString path = Folder().filePath(QStringLiteral("in.bin"));
    bool ok;
    if (odt) {
        ok = Pack(path, {{"mimetype", QByteArrayLiteral("application/vnd.oasis.opendocument.text")},
                         {"content.xml", xml},
                         {"styles.xml", QByteArrayLiteral("<?xml version=\"1.0\"?><office:document-styles "
                                                          "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\"/>")}});
    } else {
        ok = Pack(path,
                  {{"[Content_Types].xml",
                    QByteArrayLiteral("<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/"
                                      "2006/content-types\"><Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                                      "</Types>")},
                   {"word/document.xml", xml}});
    }
    if (!ok) throw Exception(QStringLiteral("no se pudo preparar la entrada"));
    return Document::Load(path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        Document d = bytes.startsWith("PK") || bytes.isEmpty()
                         ? Document::FromBytes(bytes, "fuzz")
                         : Packed((data[0] & 1) != 0, bytes.mid(1));
        const QStringList fields = d.Fields();
        QHash<QString, QString> values;
        for (const QString& f : fields) values.insert(f, QStringLiteral("a\r\nb\t<&>[[x]]"));
        d.ReplaceAll(values);
        d.Find(QStringLiteral("b"));
        d.TypeText(QStringLiteral("uno\rdos\t"));
        const QString out = Folder().filePath(QStringLiteral("out.bin"));
        d.Save(out);
        try { // what was written must read back
            Document::Load(out).Fields();
        } catch (const Exception&) {
            __builtin_trap();
        }
    } catch (const Exception&) {
    }
    return 0;
}
