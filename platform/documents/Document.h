#pragma once
// A word-processor document (.docx or .odt) held in memory: its merge fields, their
// replacement in one pass, and saving back a valid archive.
#include "platform/rtl/Exceptions.h"

#include <QHash>
#include <QRegularExpression>
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
    // The same from bytes already in memory (shownName names it in errors).
    static Document FromBytes(const QByteArray& bytes, const QString& shownName);
    // Writes the archive (through a temporary file, so a failed write leaves the old file).
    void Save(const QString& fileName);
    // Writes a plain Word template: A4, margins of 2.5 cm, Liberation Serif 12 pt, one empty
    // paragraph, no header or footer. The file appears whole or not at all.
    static void WriteWordTemplate(const QString& fileName);

    DocumentFormat Format() const;
    // Every "[[...]]" in document order: body (with its tables), then headers, then footers, then
    // the notes (an OpenDocument note is read where it stands in the body).
    // Repeated fields are listed each time they occur.
    QStringList Fields() const;
    // Replaces every occurrence of each key by its value in one pass; inserted text is never
    // searched again. "\n" (or CR LF) in a value becomes a line break, TAB a tab. Returns the count.
    int ReplaceAll(const QHash<QString, QString>& values);
    // Replaces every occurrence of a plain text, in the same single pass.
    int ReplaceText(const QString& find, const QString& value);
    // A document made from a template (.dotx, .ott) is saved as an ordinary document.
    void ConvertTemplateToDocument();
    // Every match of a pattern in the paragraphs' text, in document order (body, headers, footers).
    QStringList Matches(const QRegularExpression& pattern) const;
    // Puts the body of another Word document before the block at the insertion point (at the
    // start of the body when none), with the pictures and links it refers to.
    void InsertBody(const Document& other);
    // Plain text of the body paragraphs (tabs and breaks as "\t" and "\n"), one line per paragraph.
    QString BodyText() const;

    // Insertion point and typing, in the body. Replacing moves the insertion point to the start.
    void MoveToStart();
    // Puts the insertion point at the first occurrence of text in the body; false if absent.
    bool Find(const QString& text);
    // Types text before the insertion point: CR (or LF, CR LF) starts a new paragraph, TAB is a tab.
    void TypeText(const QString& text);
    // Bold switches on or off, and the size changes, for the text typed after the call.
    void ToggleBold();
    void SetFontSize(int points);
    enum class TabAlign { Left, Right };
    struct TabStop { double cm; TabAlign align; bool dotLeader; };
    // A picture (PNG, JPEG, GIF or BMP bytes) in a paragraph of its own at the top of the header the
    // document's first page shows (the first section's first-page header when it has a first page of
    // its own), made when the document has none; its size in EMU (914400 per inch).
    // Word documents only.
    void InsertHeaderPicture(const QByteArray& image, const QString& extension, qint64 widthEmu, qint64 heightEmu);
    // Tab stops of the paragraph at the insertion point (paragraphs typed after it inherit them).
    void SetTabStops(const std::vector<TabStop>& stops, bool clearFirst);

    struct Impl;
private:
    // From the file or, when it is null, from the bytes.
    static Document FromArchive(const QString* fileName, const QByteArray* bytes, const QString& shownName);
    std::unique_ptr<Impl> d;
};

// Why nothing can be written next to fileName, in words the office reads: its folder is missing or
// not writable. Empty when the folder takes files.
QString FolderProblem(const QString& fileName);

} // namespace platform::documents
