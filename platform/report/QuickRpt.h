#pragma once
// Banded reports. A report (TQuickRep) placed on a form runs over its dataset and prints its
// bands: title, page header, column header, group headers, detail, sub-details, group footers,
// summary and page footer, each with its elements (QRCtrls.h). A page ends before the band
// that does not fit: its page footer (and the footer's child bands, whose room every page
// keeps) sums and reads the rows of that page only. Pages are recorded once, as
// drawing operations in report units (1/96 inch from the paper's top-left corner) together
// with their texts, into the global report printer QRPrinter, which replays them to the
// preview control, the system's printers and PDF files.
#include "platform/classes/Component.h"
#include "platform/graphics/Graphics.h"
#include "platform/rtl/Events.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPageSize>
#include <QRect>
#include <QStringList>
#include <memory>
#include <vector>

class QPainter;
class TDataSet;
class TQuickRep;
class TQRPrintable;
class TQRCustomBand;
class TQRChildBand;

namespace platform::report {

class TReportRunner;
class TLazyRun;
class TPageStore;

enum class TOpKind : quint8 { Band, Text, Rect, Ellipse, Line, Image };

// One drawing operation of a recorded page.
struct TPageOp {
    TOpKind Kind = TOpKind::Text;
    QRect Rect{};             // report units; for lines: from top-left to bottom-right
    QString Text{};           // text of a text op; name of the band for a band op
    QFont Font{};             // pixel-sized, at 96 pixels per inch
    QColor Color{};           // text or pen colour
    QColor Fill{};            // brush colour; invalid = no fill
    int PenWidth = 1;
    Qt::PenStyle PenStyle = Qt::SolidLine;
    int Flags = 0;            // Qt alignment of a text op
    QImage Image{};
    bool PageCount = false;   // text ends with the page count, filled in when the run ends
};

// A page as the report produced it.
class TQRPageRecord {
public:
    int Width = 0, Height = 0;  // report units
    QPageSize::PageSizeId PaperSize = QPageSize::A4;
    bool Landscape = false;
    std::vector<TPageOp> Ops;

    // Texts in the order they were printed.
    QStringList Texts() const;
    // Names of the bands in the order they were printed (suppressed bands are absent).
    QStringList Bands() const;
    // The first text op whose text equals `text`, or none.
    const TPageOp* FindText(const QString& text) const;
    const TPageOp* FindBand(const QString& name) const;
};

// Draws a page on a painter whose coordinates are report units.
void ReplayPage(const TQRPageRecord& page, QPainter* painter);
// Report units per inch.
constexpr int UnitsPerInch = 96;
int MMToUnits(double mm);

}  // namespace platform::report

// ---------------------------------------------------------------------------------------------
// The report printer: pages of the last report run, page range, copies, printing and PDF.

class TQRPrinter : public TComponent {
public:
    explicit TQRPrinter(TComponent* owner);
    ~TQRPrinter() override;

    // Every page of the run (a preview's run lays out the pages it has not shown yet first).
    int PageCount() const;
    // Pages count from 1; a page not laid out yet is laid out first.
    const platform::report::TQRPageRecord& Pages(int pageNumber) const;
    // A preview shows its first pages while the later ones are still to come: the pages laid
    // out so far, whether more are to come, and laying out until `count` pages exist (or the
    // run ends), giving the pages ready. An error of the run is raised here.
    int PagesReady() const;
    bool Pending() const { return FRun != nullptr; }
    int Reach(int count) const;
    // Pages held in memory: the first pages and those shown last; the others wait in a
    // temporary file of the run.
    int PagesInMemory() const;

    // Range that Print prints; a run sets it to 1 .. PageCount. Out-of-range values are
    // clamped when printing.
    int FirstPage() const { return FFirstPage; }
    void SetFirstPage(int value) { FFirstPage = value; }
    int LastPage() const { return FLastPage; }
    void SetLastPage(int value) { FLastPage = value; }
    // Copies within one print job, collated; a run sets it to 1.
    int Copies() const { return FCopies; }
    void SetCopies(int value) { FCopies = value; }

    // Name of the system printer; empty: the program's printer (Printers.h).
    QString PrinterName() const { return FPrinterName; }
    void SetPrinterName(const QString& name) { FPrinterName = name; }
    // When set, print jobs are written to this PDF file instead of a printer.
    QString OutputFileName() const { return FOutputFileName; }
    void SetOutputFileName(const QString& name) { FOutputFileName = name; }
    QString Title() const { return FTitle; }
    void SetTitle(const QString& title) { FTitle = title; }

    // One print job with the pages FirstPage .. LastPage, Copies times. EPrinter when there is
    // no printer or the job cannot start; nothing is printed when the range is empty.
    void Print();
    // The printer whose queue is stopped, where the last print job was left waiting; empty when
    // it went to a running printer (or to a file).
    QString HeldIn() const { return FHeldIn; }
    // Every page into a PDF file; EPrinter when the file cannot be written.
    void ExportToPdf(const QString& fileName);

    // Shown by a report's Preview once its pages are ready: the openers install their hook
    // here and clear it afterwards. The sender is the report.
    TNotifyEvent OnPreview;

    // Used by the reports while they run.
    void Clear();
    void SetPages(std::vector<platform::report::TQRPageRecord>&& pages);

private:
    friend class TQuickRep;
    friend class platform::report::TReportRunner;
    friend class platform::report::TLazyRun;
    void SetPages(std::unique_ptr<platform::report::TPageStore> pages);
    void CheckPage(int pageNumber) const;
    // A page for printing or writing out, valid until the next page is asked for.
    const platform::report::TQRPageRecord& PageToPaint(int pageNumber) const;
    std::unique_ptr<platform::report::TPageStore> FPages;
    mutable std::unique_ptr<platform::report::TLazyRun> FRun;
    int FFirstPage = 0, FLastPage = 0, FCopies = 1;
    QString FPrinterName, FOutputFileName, FTitle, FHeldIn;
};

namespace platform::report {
TQRPrinter* GlobalPrinter();
struct TQRPrinterRef {
    TQRPrinter* operator->() const { return GlobalPrinter(); }
    TQRPrinter& operator*() const { return *GlobalPrinter(); }
    operator TQRPrinter*() const { return GlobalPrinter(); }
};
}  // namespace platform::report

// The one report printer of the program.
inline constexpr platform::report::TQRPrinterRef QRPrinter{};

// ---------------------------------------------------------------------------------------------
// Frames of bands and elements.

class TQRFrame {
public:
    bool DrawTop() const { return FTop; }
    void SetDrawTop(bool v) { FTop = v; }
    bool DrawBottom() const { return FBottom; }
    void SetDrawBottom(bool v) { FBottom = v; }
    bool DrawLeft() const { return FLeft; }
    void SetDrawLeft(bool v) { FLeft = v; }
    bool DrawRight() const { return FRight; }
    void SetDrawRight(bool v) { FRight = v; }
    TColor Color() const { return FColor; }
    void SetColor(TColor c) { FColor = c; }
    int Width() const { return FWidth; }
    void SetWidth(int w) { FWidth = w; }
    bool Any() const { return FTop || FBottom || FLeft || FRight; }
    // Records the frame lines around r.
    void Record(platform::report::TQRPageRecord& page, const QRect& r) const;

private:
    bool FTop = false, FBottom = false, FLeft = false, FRight = false;
    TColor FColor = clBlack;
    int FWidth = 1;
};

// ---------------------------------------------------------------------------------------------
// Bands

enum TQRBandType {
    rbTitle, rbPageHeader, rbDetail, rbPageFooter, rbSummary, rbGroupHeader, rbGroupFooter, rbSubDetail,
    rbColumnHeader, rbChild
};

using TQRBandBeforePrintEvent = TEvent<TQRCustomBand*, bool&>;
using TQRBandAfterPrintEvent = TEvent<TQRCustomBand*, bool>;

class TQRCustomBand : public TComponent {
public:
    explicit TQRCustomBand(TComponent* owner);
    ~TQRCustomBand() override;

    TQuickRep* ParentReport() const { return FReport; }
    // Places the band on a report (bands print in the order of their kind, then of placing).
    void SetParent(TQuickRep* report);

    TQRBandType BandType() const { return FBandType; }
    void SetBandType(TQRBandType type) { FBandType = type; }
    // Height in report units; a height set while the report runs is the one printed.
    int Height() const { return FHeight; }
    void SetHeight(int value) { FHeight = value < 0 ? 0 : value; }
    // The printable width of the report's page.
    int Width() const;
    // A disabled band is never printed.
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value) { FEnabled = value; }
    // Starts a new page before the band unless the page holds nothing yet.
    bool ForceNewPage() const { return FForceNewPage; }
    void SetForceNewPage(bool value) { FForceNewPage = value; }
    TColor Color() const { return FColor; }
    void SetColor(TColor value) { FColor = value; }
    TFont* Font() const { return FFont.get(); }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool value) { FParentFont = value; }
    // The font the band's elements inherit.
    const TFont* EffectiveFont() const;
    TQRFrame* Frame() { return &FFrame; }

    // The child band that prints right after this one (when this one prints).
    TQRChildBand* ChildBand() const { return FChild; }
    bool HasChild() const { return FChild != nullptr; }

    int ControlCount() const { return int(FControls.size()); }
    TQRPrintable* Controls(int index) const { return FControls.at(size_t(index)); }

    TQRBandBeforePrintEvent BeforePrint;
    TQRBandAfterPrintEvent AfterPrint;

protected:
    TQRBandType FBandType = rbDetail;

private:
    friend class TQRPrintable;
    friend class TQRChildBand;
    friend class TQuickRep;
    void FontChanged(TObject*) { FParentFont = false; }

    TQuickRep* FReport = nullptr;
    int FHeight = 40;
    bool FEnabled = true, FForceNewPage = false, FParentFont = true;
    TColor FColor = clWhite;
    std::unique_ptr<TFont> FFont;
    TQRFrame FFrame;
    TQRChildBand* FChild = nullptr;
    std::vector<TQRPrintable*> FControls;
};

class TQRBand : public TQRCustomBand {
public:
    explicit TQRBand(TComponent* owner) : TQRCustomBand(owner) {}
};

// Prints after its parent band, on the same terms.
class TQRChildBand : public TQRCustomBand {
public:
    explicit TQRChildBand(TComponent* owner);
    ~TQRChildBand() override;
    TQRCustomBand* ParentBand() const { return FParentBand; }
    void SetParentBand(TQRCustomBand* band);

private:
    friend class TQRCustomBand;
    TQRCustomBand* FParentBand = nullptr;
};

// A group header: prints when the value of its expression changes between detail rows of its
// master (the report or a sub-detail); its footer band prints before the next header.
class TQRGroup : public TQRCustomBand {
public:
    explicit TQRGroup(TComponent* owner);
    QString Expression() const { return FExpression; }
    void SetExpression(const QString& value) { FExpression = value; }
    TQRCustomBand* FooterBand() const { return FFooter; }
    void SetFooterBand(TQRCustomBand* band);
    // The report or sub-detail whose rows the group breaks; none: the report.
    TComponent* Master() const { return FMaster; }
    void SetMaster(TComponent* master) { FMaster = master; }

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    QString FExpression;
    TQRCustomBand* FFooter = nullptr;
    TComponent* FMaster = nullptr;
};

// A detail over a second dataset, printed once per row of that dataset for every row of its
// master (the report or another sub-detail). The dataset is usually a query whose parameters
// come from the master's current row through its data source.
class TQRSubDetail : public TQRCustomBand {
public:
    explicit TQRSubDetail(TComponent* owner);
    TDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet* dataSet);
    TComponent* Master() const { return FMaster; }
    void SetMaster(TComponent* master) { FMaster = master; }
    // Bands before the first and after the last row (only when there are rows, or PrintIfEmpty).
    TQRCustomBand* HeaderBand() const { return FHeader; }
    void SetHeaderBand(TQRCustomBand* band);
    TQRCustomBand* FooterBand() const { return FFooter; }
    void SetFooterBand(TQRCustomBand* band);
    bool PrintIfEmpty() const { return FPrintIfEmpty; }
    void SetPrintIfEmpty(bool value) { FPrintIfEmpty = value; }

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    TDataSet* FDataSet = nullptr;
    TComponent* FMaster = nullptr;
    TQRCustomBand* FHeader = nullptr;
    TQRCustomBand* FFooter = nullptr;
    bool FPrintIfEmpty = false;
};

// ---------------------------------------------------------------------------------------------
// The report

enum TQRPaperSize { A4, A5, Letter, Legal };
enum TPrinterOrientation { poPortrait, poLandscape };

class TQRPage {
public:
    TQRPaperSize PaperSize() const { return FPaperSize; }
    void SetPaperSize(TQRPaperSize v) { FPaperSize = v; }
    TPrinterOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TPrinterOrientation v) { FOrientation = v; }
    // Margins in millimetres.
    double TopMargin() const { return FTop; }
    void SetTopMargin(double v) { FTop = v; }
    double BottomMargin() const { return FBottom; }
    void SetBottomMargin(double v) { FBottom = v; }
    double LeftMargin() const { return FLeft; }
    void SetLeftMargin(double v) { FLeft = v; }
    double RightMargin() const { return FRight; }
    void SetRightMargin(double v) { FRight = v; }
    // Paper width and length in millimetres, after the orientation.
    double Width() const;
    double Length() const;

private:
    TQRPaperSize FPaperSize = A4;
    TPrinterOrientation FOrientation = poPortrait;
    double FTop = 10, FBottom = 10, FLeft = 10, FRight = 10;
};

class TQRExpr;

class TQuickRep : public TComponent {
public:
    explicit TQuickRep(TComponent* owner);
    ~TQuickRep() override;

    // The master dataset: the detail band prints once per row (opened when closed). Without
    // one the detail band prints once.
    TDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet* dataSet);
    TQRPage* Page() { return &FPage; }
    QString ReportTitle() const { return FReportTitle; }
    void SetReportTitle(const QString& title) { FReportTitle = title; }
    TFont* Font() const { return FFont.get(); }

    int BandCount() const { return int(FBands.size()); }
    TQRCustomBand* Bands(int index) const { return FBands.at(size_t(index)); }

    // Runs the report into the report printer's pages.
    void Prepare();
    // Prepares, then hands the pages to the report printer's OnPreview when one is installed.
    void Preview();
    // Prepares and prints the pages through the report printer.
    void Print();

    // While running: the current page, and the master rows handled so far.
    int PageNumber() const { return FPageNumber; }
    int RecordNumber() const { return FRecordNumber; }
    int RecordCount() const;
    TQRPrinter* QRPrinter() const;

    // Page geometry in report units.
    int PageWidthUnits() const;
    int PageHeightUnits() const;
    int PrintableWidth() const;

    TEvent<TQuickRep*, bool&> BeforePrint;
    TEvent<TQuickRep*> AfterPrint;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TQRCustomBand;
    friend class platform::report::TReportRunner;
    void AddBand(TQRCustomBand* band);
    void RemoveBand(TQRCustomBand* band);

    TDataSet* FDataSet = nullptr;
    TQRPage FPage;
    QString FReportTitle;
    std::unique_ptr<TFont> FFont;
    std::vector<TQRCustomBand*> FBands;
    int FPageNumber = 0;
    int FRecordNumber = 0;
    bool FRunning = false;
};

// The name the report forms use for the same component.
using TQuickReport = TQuickRep;
