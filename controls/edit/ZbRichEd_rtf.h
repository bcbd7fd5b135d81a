#pragma once
// RTF to and from a Qt text document, for what the rich edit's attributes can hold: face, size,
// bold, italic, underline, strike-out, colour and pitch of the characters; alignment, indents,
// tab stops and bullets of the paragraphs. Pictures, objects, tables and styles are not kept
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

// Sets the paragraph's indents (twips) and the margins Qt lays out with; a bulleted paragraph
// keeps its first line with the others, the bullet standing in the start indent.
void SetIndents(QTextBlockFormat& format, int startTwips, int offsetTwips, bool bullet, qreal pixelsPerPoint);
int StartIndent(const QTextBlockFormat& format, qreal pixelsPerPoint);
int Offset(const QTextBlockFormat& format, qreal pixelsPerPoint);

// Whether the bytes start as an RTF file ("{\rtf" after blanks).
bool IsRtf(const QByteArray& data);

// Inserts the RTF's text at the cursor. False (and nothing inserted) when the bytes are no RTF.
bool Read(const QByteArray& data, QTextCursor& cursor, qreal pixelsPerPoint);

// The document's characters from `from` to `to` (-1: to the end) as RTF.
QByteArray Write(const QTextDocument* document, int from, int to, qreal pixelsPerPoint);

}  // namespace controls::edit::rtf
