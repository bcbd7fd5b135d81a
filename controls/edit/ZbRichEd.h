#pragma once
// Multi-line edit of formatted text: character and paragraph attributes, the paragraphs as a
// string list, search, printing, loading and saving as plain text or RTF through file-format
// converters chosen by the file's extension, protected text, and RTF on the clipboard.
#include "platform/classes/Streams.h"
#include "platform/forms/StdCtrls.h"

#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

class QMimeData;
class QTextCharFormat;
class QTextCursor;
class QTextDocument;
class QTextEdit;
class QPrinter;

enum TAttributeType { atDefaultText, atSelected, atWord };
enum TNumberingStyle { nsNone, nsBullet };
enum TRichStreamFormat { sfDefault, sfRichText, sfPlainText };

// Stream modes (a set).
enum TRichStreamMode : unsigned { smSelection = 1, smPlainRtf = 2, smNoObjects = 4, smUnicode = 8 };
using TRichStreamModes = unsigned;
// Language options (a set), in the order of their flags. Kept and reported only: keyboard and
// input-method choices belong to the desktop's input method here.
enum TRichLangOption : unsigned { rlAutoKeyboard = 1, rlAutoFont = 2, rlImeCancelComplete = 4, rlImeAlwaysSendNotify = 8 };
using TRichLangOptions = unsigned;
// Search options (a set).
enum TSearchType : unsigned { stWholeWord = 1, stMatchCase = 2 };
using TSearchTypes = unsigned;

// What an edit touching protected text is doing.
enum TProtectChangeKind { pcTyping, pcDeletion, pcPaste, pcProgram };

// Clipboard formats the edit writes beside plain text (reading also takes the other RTF names).
extern const QString CF_RTF;          // "text/rtf"
extern const QString CF_RTFNOOBJS;    // "Rich Text Format Without Objects"

class TZbCustomRichEdit;

// Sender, start and end of the range being changed, var AllowChange.
using TRichEditProtectChange = TEvent<TObject*, int, int, bool&>;
using TRichEditProtectChangeEx = TEvent<TObject*, TProtectChangeKind, int, int, bool&>;
// Sender, objects and characters on the clipboard, var SaveClipboard.
using TRichEditSaveClipboard = TEvent<TObject*, int, int, bool&>;
using TRichEditResizeEvent = TEvent<TObject*, const TRect&>;
using TRichEditFindErrorEvent = TEvent<TObject*, const QString&>;
using TRichEditURLClickEvent = TEvent<TObject*, const QString&, TMouseButton>;

// Character format of the default text, of the selection or of the word at the caret.
class TZbTextAttributes : public TPersistent {
public:
    TZbTextAttributes(TZbCustomRichEdit* owner, TAttributeType type);

    TColor Color() const;
    void SetColor(TColor v);
    QString Name() const;
    void SetName(const QString& v);
    TFontStyles Style() const;
    void SetStyle(TFontStyles v);
    int Size() const;
    void SetSize(int points);
    TFontPitch Pitch() const;
    void SetPitch(TFontPitch v);

    // From a font or another attributes object.
    void Assign(TPersistent* source) override;

protected:
    // To a font.
    void AssignTo(TPersistent* dest) override;

private:
    QTextCharFormat Get() const;
    void Set(const QTextCharFormat& changes);
    TZbCustomRichEdit* FRichEdit;
    TAttributeType FType;
};

// Paragraph format of the paragraphs the selection touches (read from the first).
class TZbParaAttributes : public TPersistent {
public:
    explicit TZbParaAttributes(TZbCustomRichEdit* owner) : FRichEdit(owner) {}

    TAlignment Alignment() const;
    void SetAlignment(TAlignment v);
    TNumberingStyle Numbering() const;
    void SetNumbering(TNumberingStyle v);
    // Points: the first line's indent, the following lines' offset from it, the right indent.
    int FirstIndent() const;
    void SetFirstIndent(int v);
    int LeftIndent() const;
    void SetLeftIndent(int v);
    int RightIndent() const;
    void SetRightIndent(int v);
    // Tab stops 0..31 in points.
    int Tab(int index) const;
    void SetTab(int index, int v);
    int TabCount() const;
    void SetTabCount(int v);

    void Assign(TPersistent* source) override;

private:
    TZbCustomRichEdit* FRichEdit;
};

// Converter between a file's bytes and the bytes the edit streams in and out; the base class
// passes them through unchanged.
class TConversion : public TObject {
public:
    // Reads up to bufSize bytes into buffer; returns the count read.
    virtual int ConvertReadStream(TStream* stream, char* buffer, int bufSize);
    // Writes bufSize bytes of buffer; returns the count written.
    virtual int ConvertWriteStream(TStream* stream, const char* buffer, int bufSize);
};
using TConversionClass = std::function<std::unique_ptr<TConversion>()>;

// The paragraphs of a rich edit.
class TRichEditStrings : public TStrings {
public:
    explicit TRichEditStrings(TZbCustomRichEdit* owner) : FRichEdit(owner) {}
    ~TRichEditStrings() override;

    int Count() const override;
    void Insert(int index, const QString& s) override;
    void Delete(int index) override;
    void Clear() override;
    void SetText(const QString& text) override;
    void AddStrings(const TStrings* strings) override;

    void LoadFromStream(TStream* stream) override;
    void SaveToStream(TStream* stream) const override;
    void LoadFromFile(const QString& fileName) override;
    void SaveToFile(const QString& fileName) const override;

protected:
    QString Get(int index) const override;
    void Put(int index, const QString& s) override;
    void SetUpdateState(bool updating) override;

private:
    friend class TZbCustomRichEdit;
    TZbCustomRichEdit* FRichEdit;
    mutable std::unique_ptr<TConversion> FConverter;
};

class TZbCustomRichEdit : public TWinControl {
public:
    explicit TZbCustomRichEdit(TComponent* owner);
    ~TZbCustomRichEdit() override;

    // Adds a file extension (without its dot) and its converter to the formats that
    // LoadFromFile/SaveToFile look up, behind those already there.
    static void RegisterConversionFormat(const QString& extension, TConversionClass conversionClass,
                                         bool plainText = false);

    TZbTextAttributes* DefAttributes() const { return FDefAttributes.get(); }
    TZbTextAttributes* SelAttributes() const { return FSelAttributes.get(); }
    TZbTextAttributes* WordAttributes() const { return FWordAttributes.get(); }
    TZbParaAttributes* Paragraph() const { return FParagraph.get(); }
    TStrings* Lines() const { return FLines.get(); }
    void SetLines(TStrings* v) { FLines->Assign(v); }

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment v);
    // Embedded objects cannot be run here (their RTF groups are kept as they came): the flag is only kept.
    bool AllowObjects() const { return FAllowObjects; }
    void SetAllowObjects(bool v) { FAllowObjects = v; }
    bool AutoURLDetect() const { return FAutoURLDetect; }
    void SetAutoURLDetect(bool v);
    bool AutoVerbMenu() const { return FAutoVerbMenu; }
    void SetAutoVerbMenu(bool v) { FAutoVerbMenu = v; }
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle v);
    bool HideScrollBars() const { return FHideScrollBars; }
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool v);
    TRichLangOptions LangOptions() const { return FLangOptions; }
    void SetLangOptions(TRichLangOptions v) { FLangOptions = v; }
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int v) { FMaxLength = std::max(0, v); }
    bool PlainText() const { return FPlainText; }
    void SetPlainText(bool v);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool v);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle v);
    bool SelectionBar() const { return FSelectionBar; }
    TRichStreamFormat StreamFormat() const { return FStreamFormat; }
    void SetStreamFormat(TRichStreamFormat v) { FStreamFormat = v; }
    TRichStreamModes StreamMode() const { return FStreamMode; }
    void SetStreamMode(TRichStreamModes v) { FStreamMode = v; }
    QString Title() const { return FTitle; }
    void SetTitle(const QString& v) { FTitle = v; }
    int UndoLimit() const { return FUndoLimit; }
    bool WantReturns() const { return FWantReturns; }
    void SetWantReturns(bool v) { FWantReturns = v; }
    bool WantTabs() const { return FWantTabs; }
    void SetWantTabs(bool v);
    bool WordSelection() const { return FWordSelection; }
    void SetWordSelection(bool v) { FWordSelection = v; }
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool v);
    bool Modified() const;
    void SetModified(bool v);

    // Pixels: the printing area on the page; empty prints on the whole printable page.
    TRect PageRect() const { return FPageRect; }
    void SetPageRect(const TRect& r) { FPageRect = r; }

    int SelStart() const;
    void SetSelStart(int v);
    int SelLength() const;
    void SetSelLength(int v);
    QString SelText() const;
    void SetSelText(const QString& v);
    void SelectAll();
    int GetTextLen() const;
    // Closes the text: empty, not modified.
    void Clear();
    void ClearSelection() { SetSelText(QString()); }
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    void Undo();

    // Position of the text from startPos within length characters, -1 when it is not there.
    int FindText(const QString& text, int startPos, int length, TSearchTypes options) const;
    // Looks for the text after the selection and selects it; when it is not there tells
    // OnTextNotFound and answers false.
    bool FindNext(const QString& text, TSearchTypes options);

    // Prints the text on the program's printer, one job titled with the caption.
    void Print(const QString& caption);
    // The same on a given printer (a file, in the tests); returns the pages printed.
    int PrintTo(QPrinter& printer, const QString& caption);

    TNotifyEvent OnChange;
    TRichEditProtectChange OnProtectChange;
    TRichEditProtectChangeEx OnProtectChangeEx;
    TRichEditSaveClipboard OnSaveClipboard;
    TNotifyEvent OnSelectionChange;
    TRichEditResizeEvent OnResizeRequest;
    TRichEditFindErrorEvent OnTextNotFound;
    TRichEditURLClickEvent OnURLClick;

    QTextEdit* Editor() const;
    QTextDocument* Document() const;
    // Screen pixels per point of the layout.
    qreal PixelsPerPoint() const { return FScreenLogPixels / 72.0; }
    // The link text at a character position, empty when there is none.
    QString URLAt(int pos, int* start = nullptr, int* length = nullptr) const;
    // Whether changing the characters from start to end (an insertion when they are equal)
    // touches protected text.
    bool IsProtected(int start, int end) const;

    bool WantsKey(quint16 key, TShiftState shift) const override;

protected:
    QString GetText() const override;
    void SetTextValue(const QString& v) override;
    virtual void Change();
    virtual void SelectionChange();
    virtual void RequestSize(const TRect& rect);
    virtual void URLClick(const QString& url, TMouseButton button);
    // Asked before an edit touching protected text; true lets it go on.
    virtual bool ProtectChange(TProtectChangeKind kind, int startPos, int endPos);
    // Asked when the edit goes while the clipboard holds its data; false clears that data.
    virtual bool SaveClipboard(int numObjects, int numChars);
    void ApplyFontToWidget() override;
    void CMColorChanged() override;

private:
    class TEditorWidget;
    friend class TRichEditStrings;
    friend class TZbTextAttributes;
    friend class TZbParaAttributes;
    void EditorChanged(int position, int removed, int added);
    void UpdateLinks();
    void LoadBytes(const QByteArray& data, TRichStreamFormat format, TRichStreamModes mode);
    QByteArray SaveBytes(TRichStreamFormat format, TRichStreamModes mode) const;
    // The stream format in force: sfDefault resolved by PlainText.
    TRichStreamFormat EffectiveFormat(TRichStreamFormat f) const;
    void SetContentsSilently(const std::function<void()>& body);
    // Asks (when the range touches protected text) whether the change may be made.
    bool ChangeAllowed(TProtectChangeKind kind, int start, int end);
    // The selection as clipboard data: plain text, RTF, RTF without objects.
    QMimeData* ClipboardData() const;
    // Inserts clipboard or dropped data over the selection when it holds rich text (RTF, else
    // HTML, kept to what the edit can express); false when it holds none.
    bool InsertRichData(const QMimeData* data);
    void ApplyDefaultFormat();

    std::unique_ptr<TZbTextAttributes> FDefAttributes, FSelAttributes, FWordAttributes;
    std::unique_ptr<TZbParaAttributes> FParagraph;
    std::unique_ptr<TRichEditStrings> FLines;
    int FScreenLogPixels = 96;
    TRect FPageRect;
    TAlignment FAlignment = taLeftJustify;
    bool FAllowObjects = true, FAutoURLDetect = true, FAutoVerbMenu = true, FHideScrollBars = true,
         FHideSelection = true, FPlainText = false, FReadOnly = false, FSelectionBar = true, FWantReturns = true,
         FWantTabs = false, FWordSelection = true, FWordWrap = true;
    TBorderStyle FBorderStyle = bsSingle;
    TRichLangOptions FLangOptions = rlAutoFont;
    int FMaxLength = 0;
    TScrollStyle FScrollBars = ssBoth;
    TRichStreamFormat FStreamFormat = sfDefault;
    TRichStreamModes FStreamMode = 0;
    QString FTitle;
    int FUndoLimit = 100;
    TColor FDefaultColor = clWindowText;
    int FSilent = 0;
    bool FSelChangeSuspended = false;
    // The link pressed on, until the same button is released on it.
    int FLinkStart = -1, FLinkLength = 0;
    TMouseButton FLinkButton = mbLeft;
    // Data this edit put on the clipboard (or into a drag), until it is replaced.
    mutable std::vector<QPointer<QMimeData>> FClipboardData;
};

class TZbRichEdit : public TZbCustomRichEdit {
public:
    explicit TZbRichEdit(TComponent* owner) : TZbCustomRichEdit(owner) {}
};
