#pragma once
// RTF to and from a Qt text document, for what the rich edit's attributes can hold: face, size,
// bold, italic, underline, strike-out, colour, pitch and protection of the characters; alignment,
// indents, tab stops and bullets of the paragraphs. An embedded object's group is kept whole as
// one object character, to be written back as it came; pictures, tables and styles are not kept
// (table cells arrive as text separated by tabs).
//
// The reader never recurses and bounds every count it takes from the file, so damaged or
// hostile bytes give some text or none, never a crash or a hang.
#include <QByteArray>
#include <QTextFormat>

class QTextCursor;
class QTextDocument;

namespace controls::edit::rtf {

// Properties the document keeps besides Qt's own: the pitch of a run (1 fixed, 2 variable),
// and the start indent and the offset of the following lines of a paragraph, in twips.
constexpr int PitchProperty = QTextFormat::UserProperty + 1;
constexpr int StartIndentProperty = QTextFormat::UserProperty + 2;
constexpr int OffsetProperty = QTextFormat::UserProperty + 3;
// A protected run (\protect): edits touching it need the edit's permission.
constexpr int ProtectedProperty = QTextFormat::UserProperty + 4;
// The RTF bytes of an embedded object's group, on its object character.
constexpr int ObjectGroupProperty = QTextFormat::UserProperty + 5;
// Object type of an embedded object's character, for the layout's painter.
constexpr int EmbeddedObjectType = QTextFormat::UserObject + 1;

// Write options.
enum WriteOption : unsigned {
    PlainRtf = 1,   // no code-page and charset words
    NoObjects = 2,  // embedded objects left out
};

// Sets the paragraph's indents (twips) and the margins Qt lays out with; a bulleted paragraph
// keeps its first line with the others, the bullet standing in the start indent.
void SetIndents(QTextBlockFormat& format, int startTwips, int offsetTwips, bool bullet, qreal pixelsPerPoint);
int StartIndent(const QTextBlockFormat& format, qreal pixelsPerPoint);
int Offset(const QTextBlockFormat& format, qreal pixelsPerPoint);

// Whether the bytes start as an RTF file ("{\rtf" after blanks).
bool IsRtf(const QByteArray& data);

// Inserts the RTF's text at the cursor. False (and nothing inserted) when the bytes are no RTF.
// With noObjects, embedded objects' groups are dropped.
bool Read(const QByteArray& data, QTextCursor& cursor, qreal pixelsPerPoint, bool noObjects = false);

// The document's characters from `from` to `to` (-1: to the end) as RTF; options of WriteOption.
QByteArray Write(const QTextDocument* document, int from, int to, qreal pixelsPerPoint, unsigned options = 0);

// Whether the character at a position is an embedded object.
bool IsObject(const QTextCharFormat& format);

}  // namespace controls::edit::rtf
