#pragma once
// A word-processor document (.docx or .odt) held in memory: its merge fields, their
// replacement in one pass, and saving back a valid archive.
#include "platform/rtl/Exceptions.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

ZB_EXCEPTION(EDocumentError, Exception)

namespace platform::documents {

enum class DocumentFormat { Docx, Odt };

class Document {
public:
    Document();
    ~Document();
    Document(Document&&) noexcept;
    Document& operator=(Document&&) noexcept;

    // Reads the whole archive; a damaged or foreign file raises EDocumentError.
    static Document Load(const QString& fileName);
    // Writes the archive (through a temporary file, so a failed write leaves the old file).
    void Save(const QString& fileName);

    DocumentFormat Format() const;
    // Every "[[...]]" in document order: body (with its tables), then headers, then footers.
    // Repeated fields are listed each time they occur.
    QStringList Fields() const;
    // Replaces every occurrence of each key by its value in one pass; inserted text is never
    // searched again. "\n" (or CR LF) in a value becomes a line break, TAB a tab. Returns the count.
    int ReplaceAll(const QHash<QString, QString>& values);
    // Replaces every occurrence of a plain text, in the same single pass.
    int ReplaceText(const QString& find, const QString& value);
    // A document made from a template (.dotx, .ott) is saved as an ordinary document.
    void ConvertTemplateToDocument();
    // Plain text of the body paragraphs (tabs and breaks as "\t" and "\n"), one line per paragraph.
    QString BodyText() const;

    struct Impl;
private:
    std::unique_ptr<Impl> d;
};

} // namespace platform::documents
