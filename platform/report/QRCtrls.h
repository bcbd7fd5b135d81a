#pragma once
// Report elements placed on bands: labels, data fields, expressions with aggregates, system
// data, memos, shapes and images. Positions are in report units relative to the band.
#include "platform/classes/Strings.h"
#include "platform/db/DB.h"
#include "platform/report/QRExpr.h"
#include "platform/report/QuickRpt.h"

#include <memory>

namespace platform::report {
// What an element prints on one printing of its band: its text lines and their geometry
// (text elements), or nothing for the graphic elements, which draw their own bounds.
struct TElementOutput {
    QStringList Lines;
    QFont Font;
    QColor Color;
    int LineHeight = 0;
    int X = 0, Width = 0;   // horizontal place of the text, relative to the band
    int Flags = 0;          // Qt alignment
    bool Stretch = false;   // lines beyond the element's height grow the band
    bool PageCount = false;
    bool Text = false;
    // Height the element needs for all its lines (its own height when it does not stretch).
    int NeededHeight(int ownHeight) const;
    // Back to no text, keeping the room of its lines; the font stays (it means nothing
    // without text) since making a new one costs more than the rest together.
    void Reset();
};
}  // namespace platform::report

class TQRExpr;

class TQRPrintable : public TComponent {
public:
    explicit TQRPrintable(TComponent* owner);
    ~TQRPrintable() override;

    TQRCustomBand* Parent() const { return FParent; }
    void SetParent(TQRCustomBand* band);

    int Left() const { return FLeft; }
    void SetLeft(int v) { FLeft = v; }
    int Top() const { return FTop; }
    void SetTop(int v) { FTop = v; }
    int Width() const { return FWidth; }
    void SetWidth(int v) { FWidth = v < 0 ? 0 : v; }
    int Height() const { return FHeight; }
    void SetHeight(int v) { FHeight = v < 0 ? 0 : v; }
    void SetBounds(int left, int top, int width, int height);
    bool Visible() const { return FVisible; }
    void SetVisible(bool v) { FVisible = v; }
    void Show() { FVisible = true; }
    void Hide() { FVisible = false; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool v) { FEnabled = v; }

    TFont* Font() const { return FFont.get(); }
    // Changing Font clears ParentFont; with it the band's font is used.
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool v) { FParentFont = v; }
    const TFont* EffectiveFont() const;
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment v) { FAlignment = v; }
    // Aligns within the whole band width instead of the element's bounds.
    bool AlignToBand() const { return FAlignToBand; }
    void SetAlignToBand(bool v) { FAlignToBand = v; }
    // An auto-sized text is as wide as what it prints (a caption known beforehand). Without it
    // the text keeps to its box: a single line is cut at the box's edge (the head of a left-
    // aligned text, the tail of a right-aligned one, the middle of a centred one); word-wrapped
    // text prints the whole lines that fit the box and its band. Columns of a list turn it off.
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool v) { FAutoSize = v; }
    // Grows the band to show every line (and carries the rest over to the next pages).
    bool AutoStretch() const { return FAutoStretch; }
    void SetAutoStretch(bool v) { FAutoStretch = v; }
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool v) { FWordWrap = v; }
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool v) { FTransparent = v; }
    TColor Color() const { return FColor; }
    void SetColor(TColor v) { FColor = v; }
    TQRFrame* Frame() { return &FFrame; }

    // Used by the report while it runs.
    virtual void PrepareOutput(platform::report::TElementOutput& out);
    // The kinds the run treats apart, asked for every element of every band printed.
    virtual TQRExpr* AsExpr() { return nullptr; }
    virtual bool IsSysData() const { return false; }
    // Records the element with its top at y (page units) and band's left at x; text elements
    // record lines firstLine .. firstLine + lineCount - 1.
    virtual void Render(platform::report::TQRPageRecord& page, int x, int y,
                        const platform::report::TElementOutput& out, int firstLine, int lineCount);

protected:
    // Lays out text into lines of the element's width.
    void LayoutText(const QString& text, platform::report::TElementOutput& out) const;
    int BandWidth() const;

private:
    friend class TQRCustomBand;
    void FontChanged(TObject*) { FParentFont = false; }

    TQRCustomBand* FParent = nullptr;
    int FLeft = 0, FTop = 0, FWidth = 65, FHeight = 17;
    bool FVisible = true, FEnabled = true, FParentFont = true;
    std::unique_ptr<TFont> FFont;
    TAlignment FAlignment = taLeftJustify;
    bool FAlignToBand = false, FAutoSize = true, FAutoStretch = false, FWordWrap = true, FTransparent = true;
    TColor FColor = clWhite;
    TQRFrame FFrame;
};

// Text elements: the printed value passes through OnPrint, which may change it.
class TQRCustomLabel : public TQRPrintable {
public:
    explicit TQRCustomLabel(TComponent* owner) : TQRPrintable(owner) {}
    // The text as it would print now (before OnPrint).
    virtual QString PrintText() { return FCaption; }
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& v) { FCaption = v; }

    TEvent<TObject*, QString&> OnPrint;

    void PrepareOutput(platform::report::TElementOutput& out) override;

protected:
    QString FCaption;
};

class TQRLabel : public TQRCustomLabel {
public:
    explicit TQRLabel(TComponent* owner);
};

// A field of a dataset: its display text (with the field's display format), or the picture
// mask when one is set on a numeric field; memo fields print their whole text.
class TQRDBText : public TQRCustomLabel {
public:
    explicit TQRDBText(TComponent* owner);
    TDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet* dataSet);
    QString DataField() const { return FDataField; }
    void SetDataField(const QString& v) { FDataField = v; }
    QString Mask() const { return FMask; }
    void SetMask(const QString& v) { FMask = v; }
    QString PrintText() override;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    TField* Field();
    TDataSet* FDataSet = nullptr;
    TField* FField = nullptr;  // the field last found by its name, until it goes
    QString FDataField, FMask;
};

// An expression over the master's fields; aggregates count the detail rows of the master
// (the report or a sub-detail) that print, each on the page it prints on, and restart when
// their band's turn is over when ResetAfterPrint is on (group footers, page sums), printed,
// left out or hidden.
class TQRExpr : public TQRCustomLabel {
public:
    explicit TQRExpr(TComponent* owner);
    ~TQRExpr() override;
    TQRExpr* AsExpr() override { return this; }
    QString Expression() const { return FExpression; }
    void SetExpression(const QString& v);
    QString Mask() const { return FMask; }
    void SetMask(const QString& v) { FMask = v; }
    bool ResetAfterPrint() const { return FResetAfterPrint; }
    void SetResetAfterPrint(bool v) { FResetAfterPrint = v; }
    TComponent* Master() const { return FMaster; }
    void SetMaster(TComponent* master) { FMaster = master; }

    platform::report::TQRValue Value();
    QString PrintText() override;

    // Used by the report while it runs.
    void Reset();
    void Update();
    bool IsAggregate();
    // The report or sub-detail whose rows feed the aggregates.
    TComponent* EffectiveMaster() const;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    void EnsureCompiled();
    TField* Resolve(const QString& qualifier, const QString& name) const;

    QString FExpression, FMask, FCompiledFor;
    bool FCompiledOnce = false;
    bool FResetAfterPrint = false;
    TComponent* FMaster = nullptr;
    platform::report::TQREvaluator FEval;
};

enum TQRSysDataType {
    qrsTime, qrsDate, qrsDateTime, qrsPageNumber, qrsReportTitle, qrsDetailCount, qrsDetailNo, qrsPageCount
};

// Run-time data of the report after the fixed Text: "Página : " + the page number.
class TQRSysData : public TQRCustomLabel {
public:
    explicit TQRSysData(TComponent* owner);
    bool IsSysData() const override { return true; }
    TQRSysDataType Data() const { return FData; }
    void SetData(TQRSysDataType v) { FData = v; }
    QString Text() const { return FText; }
    void SetText(const QString& v) { FText = v; }
    QString PrintText() override;
    void PrepareOutput(platform::report::TElementOutput& out) override;

private:
    TQRSysDataType FData = qrsDate;
    QString FText;
};

// Lines of text; with AutoStretch the band grows to show them all.
class TQRMemo : public TQRCustomLabel {
public:
    explicit TQRMemo(TComponent* owner);
    TStrings* Lines() const { return FLines.get(); }
    QString PrintText() override;

private:
    std::unique_ptr<TStringList> FLines;
};

enum TQRShapeType { qrsRectangle, qrsCircle, qrsVertLine, qrsHorLine, qrsTopAndBottom, qrsRightAndLeft };

class TQRShape : public TQRPrintable {
public:
    explicit TQRShape(TComponent* owner);
    TQRShapeType Shape() const { return FShape; }
    void SetShape(TQRShapeType v) { FShape = v; }
    TPen* Pen() const { return FPen.get(); }
    TBrush* Brush() const { return FBrush.get(); }
    void Render(platform::report::TQRPageRecord& page, int x, int y, const platform::report::TElementOutput& out,
                int firstLine, int lineCount) override;

private:
    TQRShapeType FShape = qrsRectangle;
    std::unique_ptr<TPen> FPen;
    std::unique_ptr<TBrush> FBrush;
};

// A picture (from a file or assigned from another picture); an empty picture prints nothing.
class TQRImage : public TQRPrintable {
public:
    explicit TQRImage(TComponent* owner);
    ~TQRImage() override;
    TPicture* Picture() const { return FPicture.get(); }
    void SetPicture(TPicture* picture) { FPicture->Assign(picture); }
    bool Stretch() const { return FStretch; }
    void SetStretch(bool v) { FStretch = v; }
    bool Center() const { return FCenter; }
    void SetCenter(bool v) { FCenter = v; }
    void Render(platform::report::TQRPageRecord& page, int x, int y, const platform::report::TElementOutput& out,
                int firstLine, int lineCount) override;

private:
    void PictureChanged(TObject*) { FCache = FCrop = QImage(); FCacheValid = false; }
    std::unique_ptr<TPicture> FPicture;
    bool FStretch = false, FCenter = false;
    QImage FCache, FCrop;  // the picture, and its part that fits the element
    bool FCacheValid = false;
};
