// libFuzzer target: the .docx/.odt reader on hostile archives and XML, then a merge and a
// write-read round trip of whatever it accepted.
#include "platform/documents/Document.h"

#include <QTemporaryDir>
#include <cstdint>

using platform::documents::Document;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        Document d = Document::FromBytes(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), "fuzz");
        const QStringList fields = d.Fields();
        QHash<QString, QString> values;
        for (const QString& f : fields) values.insert(f, QStringLiteral("a\r\nb\t<&>[[x]]"));
        d.ReplaceAll(values);
        d.Find(QStringLiteral("b"));
        d.TypeText(QStringLiteral("uno\rdos\t"));
        static QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("out.bin"));
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
