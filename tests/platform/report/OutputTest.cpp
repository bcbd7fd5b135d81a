// Output of the recorded pages: PDF files read back by pdftotext, print jobs with a page range
// and copies, the preview control, and the graphic elements.
#include "Support.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/Forms.h"
#include "platform/report/QRPrev.h"
#include "platform/rtl/SysUtils.h"

#include <QPainter>

using namespace reporttest;

namespace {

class OutputTest : public ReportTest {
protected:
    // Five pages: "Página N" in the header, ten rows a page.
    TQuickRep* FivePages() {
        TTable* t = Lines(NumberedLines(50, 100));
        TQuickRep* r = NewReport();
        r->SetDataSet(t);
        r->SetReportTitle(QStringLiteral("Relación de líneas"));
        auto* page = new TQRSysData(&owner);
        page->SetParent(r->Bands(0));
        page->SetData(qrsPageNumber);
        page->SetText(QStringLiteral("Página "));
        page->SetLeft(400);
        TQRBand* detail = Band(r, rbDetail, QStringLiteral("Detalle"), 110);
        TQRExpr* e = Expr(detail, QStringLiteral("'Fila ' + NUM + ' año ñandú'"));
        e->SetLeft(50);
        r->Prepare();
        return r;
    }
};

}  // namespace

TEST_F(OutputTest, PdfExportKeepsEveryPageAndItsSpanishText) {
    if (!HavePdfToText()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    FivePages();
    ASSERT_EQ(QRPrinter->PageCount(), 5);
    QString file = dir.filePath(QStringLiteral("informe.pdf"));
    QRPrinter->ExportToPdf(file);
    QStringList pages = PdfPages(file);
    ASSERT_EQ(pages.size(), 5);
    for (int p = 0; p < 5; ++p) {
        EXPECT_TRUE(pages[p].contains(QStringLiteral("LISTADO"))) << p;
        EXPECT_TRUE(pages[p].contains(QStringLiteral("Página %1").arg(p + 1))) << pages[p].toStdString();
        EXPECT_TRUE(pages[p].contains(QStringLiteral("Fila %1 año ñandú").arg(p * 10 + 1))) << pages[p].toStdString();
    }
    EXPECT_LT(pages[0].indexOf(QStringLiteral("Fila 1 ")), pages[0].indexOf(QStringLiteral("Fila 2 ")));
}

TEST_F(OutputTest, PrintJobHoldsThePageRangeTimesTheCopies) {
    if (!HavePdfToText()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    FivePages();
    QString file = dir.filePath(QStringLiteral("trabajo.pdf"));
    QRPrinter->SetOutputFileName(file);
    QRPrinter->SetFirstPage(2);
    QRPrinter->SetLastPage(3);
    QRPrinter->SetCopies(2);
    QRPrinter->Print();
    QStringList pages = PdfPages(file);
    ASSERT_EQ(pages.size(), 4);
    QStringList numbers;
    for (const QString& p : pages)
        for (int n = 1; n <= 5; ++n)
            if (p.contains(QStringLiteral("Página %1").arg(n))) numbers << IntToStr(n);
    EXPECT_EQ(numbers, (QStringList{"2", "3", "2", "3"}));

    // A range past the last page is cut to it; an empty one prints nothing.
    QRPrinter->SetFirstPage(4);
    QRPrinter->SetLastPage(99);
    QRPrinter->SetCopies(1);
    QRPrinter->Print();
    EXPECT_EQ(PdfPages(file).size(), 2);
    QFile::remove(file);
    QRPrinter->SetFirstPage(5);
    QRPrinter->SetLastPage(4);
    QRPrinter->Print();
    EXPECT_FALSE(QFile::exists(file));
    QRPrinter->SetOutputFileName(QString());
}

TEST_F(OutputTest, PrintingWithoutAnyPrinterIsAnError) {
    FivePages();
    QRPrinter->SetOutputFileName(QString());
    QRPrinter->SetPrinterName(QStringLiteral("NoExisteEstaImpresora"));
    EXPECT_THROW(QRPrinter->Print(), EPrinter);
    QRPrinter->SetPrinterName(QString());
    // The pages stay for a later attempt.
    EXPECT_EQ(QRPrinter->PageCount(), 5);
}

TEST_F(OutputTest, PdfExportToAnUnwritablePlaceIsAnError) {
    FivePages();
    EXPECT_THROW(QRPrinter->ExportToPdf(dir.filePath(QStringLiteral("no/existe/informe.pdf"))), EPrinter);
}

TEST_F(OutputTest, PreviewShowsTheCurrentPageAsItPrints) {
    platform::forms::TFormHarness harness;
    FivePages();
    auto* form = new TForm(&owner);
    form->SetBounds(0, 0, 900, 700);
    auto* preview = new TQRPreview(form);
    preview->SetParent(form);
    preview->SetBounds(0, 0, 880, 660);
    form->Show();

    EXPECT_EQ(preview->PageNumber(), 1);
    preview->SetPageNumber(9);
    EXPECT_EQ(preview->PageNumber(), 5);
    preview->SetPageNumber(0);
    EXPECT_EQ(preview->PageNumber(), 1);
    preview->SetPageNumber(3);

    preview->ZoomToFit();
    int fit = preview->Zoom();
    EXPECT_LE(QRPrinter->Pages(3).Height * fit / 100.0, 660 - 20);
    EXPECT_GT(QRPrinter->Pages(3).Height * (fit + 1) / 100.0, 660 - 20);
    preview->ZoomToWidth();
    EXPECT_GT(preview->Zoom(), fit);
    EXPECT_LE(QRPrinter->Pages(3).Width * preview->Zoom() / 100.0, 880 - 20);
    preview->SetZoom(100);

    // The control's picture of page 3 equals the page replayed on an image at the same size.
    QImage shown = platform::forms::TFormHarness::Grab(preview);
    const auto& page = QRPrinter->Pages(3);
    QImage expected(page.Width, page.Height, QImage::Format_RGB32);
    expected.fill(Qt::white);
    {
        QPainter p(&expected);
        platform::report::ReplayPage(page, &p);
    }
    const auto* row = page.FindText(QStringLiteral("Fila 21 año ñandú"));
    ASSERT_NE(row, nullptr);
    int left = (880 - page.Width) / 2;  // centred when narrower than the control
    if (page.Width + 20 >= 880) left = 10;
    QRect area = row->Rect.adjusted(-2, -2, 2, 2);
    int differing = 0, ink = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            QRgb a = shown.pixel(x + left, y + 10), b = expected.pixel(x, y);
            if (qGray(b) < 128) ++ink;
            if (a != b) ++differing;
        }
    EXPECT_GT(ink, 20);
    EXPECT_EQ(differing, 0);
    form->Hide();
}

TEST_F(OutputTest, ShapesImagesAndFramesAreRecorded) {
    TQuickRep* r = NewReport();
    TQRBand* detail = Band(r, rbDetail, QStringLiteral("Detalle"), 60);
    detail->Frame()->SetDrawBottom(true);
    auto* shape = new TQRShape(&owner);
    shape->SetParent(detail);
    shape->SetBounds(10, 5, 100, 40);
    shape->Brush()->SetColor(clRed);
    auto* line = new TQRShape(&owner);
    line->SetParent(detail);
    line->SetShape(qrsHorLine);
    line->SetBounds(200, 0, 50, 10);
    auto* image = new TQRImage(&owner);
    image->SetParent(detail);
    image->SetBounds(300, 5, 20, 20);
    auto* empty = new TQRImage(&owner);
    empty->SetParent(detail);
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetWidth(30);
    bmp->SetHeight(10);
    bmp->Canvas()->Brush()->SetColor(clBlue);
    bmp->Canvas()->FillRect(Rect(0, 0, 30, 10));
    image->Picture()->SetGraphic(bmp.get());
    r->Prepare();

    using platform::report::TOpKind;
    std::vector<const platform::report::TPageOp*> ops;
    for (const auto& op : QRPrinter->Pages(1).Ops)
        if (op.Kind != TOpKind::Band && op.Kind != TOpKind::Text) ops.push_back(&op);
    ASSERT_EQ(ops.size(), 4u);
    EXPECT_EQ(ops[0]->Kind, TOpKind::Rect);
    EXPECT_EQ(ops[0]->Rect, QRect(10, 28, 100, 40));
    EXPECT_EQ(ops[0]->Fill, QColor(Qt::red));
    EXPECT_EQ(ops[1]->Kind, TOpKind::Line);
    EXPECT_EQ(ops[1]->Rect.top(), 23 + 5);
    EXPECT_EQ(ops[2]->Kind, TOpKind::Image);
    EXPECT_EQ(ops[2]->Rect, QRect(300, 28, 20, 10));  // cut to the element's width
    EXPECT_EQ(ops[2]->Image.pixelColor(5, 5), QColor(Qt::blue));
    EXPECT_EQ(ops[3]->Kind, TOpKind::Line);
    EXPECT_EQ(ops[3]->Rect.top(), 23 + 60);
}
