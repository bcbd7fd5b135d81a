// Output of the recorded pages: PDF files read back by pdftotext, print jobs with a page range
// and copies, the preview control, and the graphic elements.
#include "Support.h"
#include "tests/support/DiscoLleno.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/Forms.h"
#include "platform/report/QRPrev.h"
#include "platform/rtl/SysUtils.h"

#include <QPainter>
#include <QRegularExpression>
#include <QScrollBar>

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

    // 150 pages of five rows: "Página N de M", a logo and a rule in the header; each row a number,
    // a bold red label, a rectangle and a framed band.
    TQuickRep* LongReport(std::unique_ptr<TBitmap>& logo) {
        TTable* t = Lines(NumberedLines(750, 1000));
        TQuickRep* r = NewReport();
        r->SetDataSet(t);
        TQRCustomBand* header = r->Bands(0);
        auto* number = new TQRSysData(&owner);
        number->SetParent(header);
        number->SetData(qrsPageNumber);
        number->SetText(QStringLiteral("Página "));
        number->SetLeft(300);
        auto* count = new TQRSysData(&owner);
        count->SetParent(header);
        count->SetData(qrsPageCount);
        count->SetText(QStringLiteral(" de "));
        count->SetLeft(380);
        auto* image = new TQRImage(&owner);
        image->SetParent(header);
        image->SetBounds(600, 2, 12, 12);  // narrower than the picture: its shown part is kept once
        logo = std::make_unique<TBitmap>();
        logo->SetWidth(30);
        logo->SetHeight(10);
        logo->Canvas()->Brush()->SetColor(clGreen);
        logo->Canvas()->FillRect(Rect(0, 0, 30, 10));
        image->Picture()->SetGraphic(logo.get());
        header->Frame()->SetDrawBottom(true);
        TQRBand* detail = Band(r, rbDetail, QStringLiteral("Detalle"), 200);
        detail->Frame()->SetDrawLeft(true);
        detail->Frame()->SetColor(clBlue);
        detail->Frame()->SetWidth(2);
        TQRExpr* row = Expr(detail, QStringLiteral("'Fila ' + NUM"), 50);
        row->SetAlignment(taRightJustify);
        TQRLabel* mark = Label(detail, QStringLiteral("Señal «ñ»"), 200, 30);
        mark->Font()->SetStyle({fsBold});
        mark->Font()->SetColor(clRed);
        mark->SetTransparent(false);
        mark->SetColor(clYellow);
        auto* box = new TQRShape(&owner);
        box->SetParent(detail);
        box->SetBounds(400, 20, 80, 40);
        box->Pen()->SetStyle(psDash);
        box->Brush()->SetColor(clSilver);
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

// The disk fills while the PDF is written: an error, and the file of that name that was there
// before is left whole, with nothing half-written beside it.
TEST_F(OutputTest, PdfToAFullDiskIsAnErrorAndKeepsTheEarlierFile) {
    FivePages();
    const QString file = dir.filePath(QStringLiteral("informe.pdf"));
    const QByteArray antes("%PDF-1.4 el informe de ayer");
    auto escribeAntes = [&] {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(antes);
    };
    auto leido = [&] {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    escribeAntes();
    EXPECT_THROW(zbtest::ConDiscoLleno(1500, [&] { QRPrinter->ExportToPdf(file); }), EPrinter);
    EXPECT_EQ(leido(), antes);

    QRPrinter->SetOutputFileName(file);
    EXPECT_THROW(zbtest::ConDiscoLleno(1500, [&] { QRPrinter->Print(); }), EPrinter);
    EXPECT_EQ(leido(), antes);
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("informe.pdf*")}, QDir::Files), QStringList{QStringLiteral("informe.pdf")});

    // With room on the disk the same print replaces it.
    QRPrinter->Print();
    QRPrinter->SetOutputFileName(QString());
    EXPECT_TRUE(leido().startsWith("%PDF"));
    EXPECT_GT(leido().size(), 1500);
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
    // At real size the page is taller than the control: its vertical bar takes the right edge,
    // and the page is centred in what is left.
    const auto bars = preview->Widget()->findChildren<QScrollBar*>();
    ASSERT_EQ(bars.size(), 2);
    QScrollBar* vertical = bars[0]->orientation() == Qt::Vertical ? bars[0] : bars[1];
    QScrollBar* horizontal = vertical == bars[0] ? bars[1] : bars[0];
    ASSERT_TRUE(vertical->isVisible());
    EXPECT_FALSE(horizontal->isVisible());
    const int view = 880 - vertical->width();
    EXPECT_EQ(vertical->geometry(), QRect(view, 0, vertical->width(), 660));
    int left = (view - page.Width) / 2;  // centred when narrower than the control
    if (page.Width + 20 >= view) left = 10;
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

    // The bar reaches the page's foot, and the picture follows it.
    vertical->setValue(vertical->maximum());
    EXPECT_EQ(vertical->maximum(), page.Height + 20 - 660);
    const QImage foot = platform::forms::TFormHarness::Grab(preview);
    EXPECT_EQ(foot.pixel(left + 5, 660 - 10 - 1), expected.pixel(5, page.Height - 1));
    EXPECT_NE(foot.pixel(left + 5, 660 - 5), expected.pixel(5, page.Height - 1));  // the grey border below it
    // Larger still, a horizontal bar too; fitted to the control, none.
    preview->SetZoom(200);
    EXPECT_TRUE(horizontal->isVisible());
    EXPECT_TRUE(vertical->isVisible());
    EXPECT_EQ(horizontal->maximum(), page.Width * 2 + 20 - view);
    preview->ZoomToFit();
    EXPECT_FALSE(horizontal->isVisible());
    EXPECT_FALSE(vertical->isVisible());
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

namespace {

void ExpectSameOpsBesideTheirNumbers(const platform::report::TQRPageRecord& a, const platform::report::TQRPageRecord& b) {
    static const QRegularExpression digits(QStringLiteral("\\d+"));
    ASSERT_EQ(a.Ops.size(), b.Ops.size());
    EXPECT_EQ(a.Width, b.Width);
    EXPECT_EQ(a.Height, b.Height);
    for (size_t i = 0; i < a.Ops.size(); ++i) {
        const auto &x = a.Ops[i], &y = b.Ops[i];
        EXPECT_EQ(x.Kind, y.Kind) << i;
        if (x.Kind == platform::report::TOpKind::Text) {
            EXPECT_EQ(x.Rect.top(), y.Rect.top()) << i;  // the width follows the numbers
            EXPECT_EQ(x.Rect.height(), y.Rect.height()) << i;
        } else {
            EXPECT_EQ(x.Rect, y.Rect) << i;
        }
        EXPECT_EQ(QString(x.Text).replace(digits, QStringLiteral("#")), QString(y.Text).replace(digits, QStringLiteral("#"))) << i;
        EXPECT_EQ(x.Font, y.Font) << i;
        EXPECT_EQ(x.Font.bold(), y.Font.bold()) << i;
        EXPECT_EQ(x.Color, y.Color) << i;
        EXPECT_EQ(x.Fill, y.Fill) << i;
        EXPECT_EQ(x.PenWidth, y.PenWidth) << i;
        EXPECT_EQ(x.PenStyle, y.PenStyle) << i;
        EXPECT_EQ(x.Flags, y.Flags) << i;
        EXPECT_EQ(x.Image, y.Image) << i;
        EXPECT_EQ(x.PageCount, y.PageCount) << i;
    }
}

}  // namespace

TEST_F(OutputTest, ALongReportKeepsFewPagesInMemoryAndReadsTheOthersBackAsRecorded) {
    std::unique_ptr<TBitmap> logo;
    LongReport(logo)->Prepare();
    ASSERT_EQ(QRPrinter->PageCount(), 150);
    EXPECT_LT(QRPrinter->PagesInMemory(), 60);
    // Every page, walked forwards, backwards and again, says its own number, rows and count.
    std::vector<int> order;
    for (int p = 1; p <= 150; ++p) order.push_back(p);
    for (int p = 150; p >= 1; --p) order.push_back(p);
    for (int p = 1; p <= 150; p += 7) order.push_back(p);
    for (int p : order) {
        const QStringList texts = QRPrinter->Pages(p).Texts();
        ASSERT_GE(texts.size(), 12) << p;
        EXPECT_EQ(texts[1], QStringLiteral("Página %1").arg(p)) << p;
        EXPECT_EQ(texts[2], QStringLiteral(" de 150")) << p;
        for (int k = 0; k < 5; ++k) EXPECT_TRUE(texts.contains(QStringLiteral("Fila %1").arg(5 * (p - 1) + k + 1))) << p;
        EXPECT_EQ(texts.count(QStringLiteral("Señal «ñ»")), 5) << p;
    }
    EXPECT_LT(QRPrinter->PagesInMemory(), 60);
    // A page read back holds what a page kept as recorded holds, to its fonts, colours and pictures.
    const platform::report::TQRPageRecord kept = QRPrinter->Pages(2);
    ExpectSameOpsBesideTheirNumbers(kept, QRPrinter->Pages(140));
    ExpectSameOpsBesideTheirNumbers(kept, QRPrinter->Pages(97));

    if (!HavePdfToText()) return;
    QString file = dir.filePath(QStringLiteral("largo.pdf"));
    QRPrinter->ExportToPdf(file);
    QStringList pages = PdfPages(file);
    ASSERT_EQ(pages.size(), 150);
    EXPECT_TRUE(pages[119].contains(QStringLiteral("Página 120"))) << pages[119].toStdString();
    EXPECT_TRUE(pages[119].contains(QStringLiteral("de 150"))) << pages[119].toStdString();
    EXPECT_TRUE(pages[119].contains(QStringLiteral("Fila 600"))) << pages[119].toStdString();
}

TEST_F(OutputTest, PagesReadBackForPdfPrintTheirOwnTextsOnly) {
    if (!HavePdfToText()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    // 60 pages of four rows, well past the pages kept as recorded. The rows of even pages carry
    // a note of their own, so pages read back one after another differ in texts and op counts.
    TTable* t = Lines(NumberedLines(240, 1000));
    TQuickRep* r = NewReport();
    r->SetDataSet(t);
    TQRBand* detail = Band(r, rbDetail, QStringLiteral("Detalle"), 250);
    Expr(detail, QStringLiteral("'Fila ' + NUM + '.'"), 20);
    TQRLabel* note = Label(detail, QString(), 20, 40);
    note->SetWidth(600);
    note->SetAutoSize(false);
    detail->BeforePrint = TQRBandBeforePrintEvent([&](TQRCustomBand*, bool&) {
        const int num = t->FieldByName(QStringLiteral("NUM"))->AsInteger();
        note->SetVisible((num - 1) / 4 % 2 == 1);
        note->SetCaption(QStringLiteral("Nota de la fila %1, más larga que su número.").arg(num));
    });
    r->Prepare();
    ASSERT_EQ(QRPrinter->PageCount(), 60);
    const QString file = dir.filePath(QStringLiteral("leidas.pdf"));
    QRPrinter->ExportToPdf(file);
    const QStringList pages = PdfPages(file);
    ASSERT_EQ(pages.size(), 60);
    for (int p = 1; p <= 60; ++p) {
        const QString& pdf = pages[p - 1];
        for (const QString& text : QRPrinter->Pages(p).Texts()) {
            if (text.isEmpty()) continue;
            EXPECT_TRUE(pdf.contains(text)) << p << ": " << text.toStdString();
        }
        EXPECT_EQ(pdf.count(QStringLiteral("Fila ")), 4) << p;
        EXPECT_EQ(pdf.count(QStringLiteral("Nota ")), p % 2 == 0 ? 4 : 0) << p;
        if (p > 1) {
            EXPECT_FALSE(pdf.contains(QStringLiteral("Fila %1.").arg(4 * (p - 1)))) << p;
        }
    }
    EXPECT_LT(QRPrinter->PagesInMemory(), 60);
}

TEST_F(OutputTest, TextsDrawnFromTheirBaselineLandWhereTheirBoxesPutThem) {
    platform::forms::ApplicationInstance();
    // Faces, sizes, styles and lines of lists, kerned pairs, accents, signs from other faces, a
    // tab, a direction mark, and every alignment: the page drawn as replayed and drawn box by
    // box give the same pixels, at screen scale and enlarged as for a printer.
    using platform::report::TOpKind;
    using platform::report::TPageOp;
    platform::report::TQRPageRecord page;
    page.Width = 400;
    page.Height = 300;
    const QStringList texts{QStringLiteral("AVATAR Tú, Yo y «Wally» — 1.234,56 €"), QStringLiteral("Peña Álvarez,Íñigo"),
                            QStringLiteral("Col\tumna"), QStringLiteral("abc\u200fdef"), QStringLiteral("  con blancos  "),
                            QStringLiteral("Ligadura ȸȹ Ƞ ǅ y ‱ ⁂")};
    const int aligns[] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter};
    int y = 0;
    for (const char* face : {"Arial", "Courier New", "Times New Roman"}) {
        for (int px : {11, 17}) {
            for (bool bold : {false, true}) {
                QFont f(platform::graphics::ResolveFontFamily(QString::fromLatin1(face)));
                f.setPixelSize(px);
                f.setBold(bold);
                f.setItalic(px == 17 && !bold);
                f.setUnderline(px == 11 && bold);
                f.setStrikeOut(px == 17 && bold);
                f.setHintingPreference(QFont::PreferFullHinting);
                for (int i = 0; i < texts.size(); ++i) {
                    page.Ops.push_back(TPageOp{.Kind = TOpKind::Text, .Rect = QRect(3 + 7 * i, y % 280, 380, px + 4),
                                               .Text = texts[i], .Font = f, .Color = QColor(Qt::black),
                                               .Flags = aligns[(y / 3 + i) % 3] | Qt::AlignTop});
                    y += 7;
                }
            }
        }
    }
    for (double scale : {1.0, 600.0 / 96}) {
        auto draw = [&](bool replayed) {
            QImage image(int(page.Width * scale), int(page.Height * scale), QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter p(&image);
            p.scale(scale, scale);
            if (replayed) {
                platform::report::ReplayPage(page, &p);
            } else {
                for (const TPageOp& op : page.Ops) {
                    p.setFont(op.Font);
                    p.drawText(op.Rect, op.Flags | Qt::TextSingleLine | Qt::TextDontClip, op.Text);
                }
            }
            return image;
        };
        const QImage replayed = draw(true), boxed = draw(false);
        EXPECT_TRUE(replayed == boxed) << scale;
        int ink = 0;  // the texts were drawn at all
        for (int yy = 0; yy < replayed.height(); ++yy)
            for (int xx = 0; xx < replayed.width(); ++xx) ink += qGray(replayed.pixel(xx, yy)) < 128;
        EXPECT_GT(ink, 2000) << scale;
    }
}

TEST_F(OutputTest, PagesShownWhileALongPreviewIsLaidOutGetThePageCountWhenItEnds) {
    std::unique_ptr<TBitmap> logo;
    TQuickRep* r = LongReport(logo);
    QStringList early;
    QRPrinter->OnPreview = TNotifyEvent([&](TObject*) {
        // Far beyond the pages kept as recorded, before the run has ended.
        QRPrinter->Reach(90);
        early = QRPrinter->Pages(80).Texts();
    });
    r->Preview();
    QRPrinter->OnPreview = nullptr;
    ASSERT_GE(early.size(), 3);
    EXPECT_EQ(early[2], QStringLiteral(" de "));
    EXPECT_EQ(QRPrinter->PageCount(), 150);
    EXPECT_EQ(QRPrinter->Pages(80).Texts()[2], QStringLiteral(" de 150"));
    for (int p = 150; p >= 60; --p) QRPrinter->Pages(p);  // page 80 read back again
    EXPECT_EQ(QRPrinter->Pages(80).Texts()[2], QStringLiteral(" de 150"));
    EXPECT_EQ(QRPrinter->Pages(80).Texts()[1], QStringLiteral("Página 80"));
}
