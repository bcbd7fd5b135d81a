// The preview window over a real client list: the page counter and navigation, zooms, printing
// through the print-options dialog (page range, copies, cancel), and its picture.
#include "InformeFixture.h"

#include "comun/dlgImp.h"
#include "platform/forms/Printers.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

using namespace reportstest;
using platform::forms::TFormHarness;

namespace {

QString Run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000)) return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

int PdfPages(const QString& file) {
    const QString info = Run(QStringLiteral("pdfinfo"), {file});
    for (const QString& line : info.split(QLatin1Char('\n')))
        if (line.startsWith(QStringLiteral("Pages:"))) return line.mid(6).trimmed().toInt();
    return -1;
}

QString PdfText(const QString& file) { return Run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")}); }

class PreViewTest : public InformeTest {
protected:
    // Runs the report as an opener does, with `script` acting on the preview while it is up.
    void Presenta(TQuickRep* report, const std::function<void(TPreView&)>& script) {
        harness->AnswerModal([script](TCustomForm& f) { script(static_cast<TPreView&>(f)); });
        comun::PresentaInforme(report);
    }
    // The next print-options dialog: pages `desde`..`hasta` (none: all) and `copias` copies.
    void Imprime(const QString& desde, const QString& hasta, const QString& copias) {
        harness->AnswerModal([=](TCustomForm& f) {
            auto& d = static_cast<TdlgImprime&>(f);
            if (!desde.isEmpty()) {
                TFormHarness::Click(d.rbPaginas);
                d.EDesde->SetText(desde);
                d.EHasta->SetText(hasta);
            }
            d.ECopias->SetText(copias);
            TFormHarness::Click(d.btOk);
        });
    }
    static QString Contador(TPreView& p) { return p.LPaginas->Caption(); }
    static std::vector<bool> Navegacion(TPreView& p) {
        return {p.sbFirst->Enabled(), p.sbPrev->Enabled(), p.sbNext->Enabled(), p.sbLast->Enabled()};
    }
};

TEST_F(PreViewTest, OpensMaximizedAndKeepsTheExitButtonAtTheRightWhenResized) {
    Clientes(3);
    bool shown = false;
    Presenta(ListaClientes(), [&](TPreView& p) {
        shown = true;
        // Maximized: the window manager fits the frame, title bar included, in the screen.
        EXPECT_EQ(p.WindowState(), wsMaximized);
        p.SetWindowState(wsNormal);
        p.SetBounds(20, 20, 640, 400);
        TFormHarness::ProcessEvents();
        EXPECT_EQ(p.SpeedBar1->Width(), p.ClientWidth());
        EXPECT_EQ(p.sbExit->Left(), p.SpeedBar1->Width() - p.SpeedBar1->BtnWidth() - 5);
        TFormHarness::Click(p.sbExit->Button());
    });
    EXPECT_TRUE(shown);
}

TEST_F(PreViewTest, OnePageReportOpensWithNavigationOffAndOneOfOne) {
    Clientes(12);
    bool shown = false;
    Presenta(ListaClientes(), [&](TPreView& p) {
        shown = true;
        EXPECT_EQ(&p, PreView);
        EXPECT_EQ(p.Caption(), QStringLiteral("Presentación Preliminar .."));
        EXPECT_EQ(Contador(p), QStringLiteral("1 de 1"));
        EXPECT_EQ(Navegacion(p), std::vector<bool>({false, false, false, false}));
        EXPECT_EQ(p.QRPreview1->Zoom(), 100);
        EXPECT_EQ(p.QRPreview1->PageNumber(), 1);
        // The whole working area, the exit button at the bar's right end.
        EXPECT_LE(p.Left(), 0);  // the window frame may stand out of the screen
        EXPECT_GT(p.Left(), -10);
        EXPECT_LE(p.Top(), 0);
        EXPECT_GT(p.Top(), -10);
        EXPECT_EQ(p.Width(), Screen->WorkAreaWidth());
        EXPECT_EQ(p.Height(), Screen->WorkAreaHeight());
        EXPECT_EQ(p.sbExit->Left(), p.SpeedBar1->Width() - p.SpeedBar1->BtnWidth() - 5);
        EXPECT_EQ(p.sbPrint->Hint(), QStringLiteral("Imprime"));
        EXPECT_EQ(p.btZoomOut->Hint(), QStringLiteral("Zoom 50%|Informe al 50% de su tamaño"));
        EXPECT_EQ(p.sbExit->Hint(), QStringLiteral("Salir|Abandona presentación preliminar"));
        TFormHarness::Click(p.sbExit->Button());
    });
    EXPECT_TRUE(shown);
    // The run is over: no window left, no hook left.
    EXPECT_EQ(PreView, nullptr);
    EXPECT_FALSE(QRPrinter->OnPreview.Assigned());
}

TEST_F(PreViewTest, PagesThroughTheReportAndStopsAtItsEnds) {
    Clientes(150);
    int pages = 0;
    Presenta(ListaClientes(), [&](TPreView& p) {
        pages = QRPrinter->PageCount();
        ASSERT_GE(pages, 3);
        const QString de = QStringLiteral(" de %1").arg(pages);
        EXPECT_EQ(Contador(p), QStringLiteral("1") + de);
        EXPECT_EQ(Navegacion(p), std::vector<bool>({false, false, true, true}));
        TFormHarness::Click(p.sbPrev->Button());  // disabled: nothing happens
        p.sbPrevClick(nullptr);                   // and the handler itself keeps page 1
        EXPECT_EQ(p.QRPreview1->PageNumber(), 1);
        TFormHarness::Click(p.sbNext->Button());
        EXPECT_EQ(Contador(p), QStringLiteral("2") + de);
        EXPECT_EQ(Navegacion(p), std::vector<bool>({true, true, true, true}));
        TFormHarness::Click(p.sbLast->Button());
        EXPECT_EQ(Contador(p), QString::number(pages) + de);
        EXPECT_EQ(Navegacion(p), std::vector<bool>({true, true, false, false}));
        p.sbNextClick(nullptr);
        EXPECT_EQ(p.QRPreview1->PageNumber(), pages);
        TFormHarness::Click(p.sbPrev->Button());
        EXPECT_EQ(p.QRPreview1->PageNumber(), pages - 1);
        TFormHarness::Click(p.sbFirst->Button());
        EXPECT_EQ(Contador(p), QStringLiteral("1") + de);
        EXPECT_EQ(Navegacion(p), std::vector<bool>({false, false, true, true}));
        TFormHarness::Click(p.sbExit->Button());
    });
    EXPECT_GE(pages, 3);
}

TEST_F(PreViewTest, TheKeyboardPagesPrintsAndLeaves) {
    Clientes(150);
    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("lista.pdf"));
    QRPrinter->SetOutputFileName(pdf);
    int pages = 0;
    Presenta(ListaClientes(), [&](TPreView& p) {
        pages = QRPrinter->PageCount();
        ASSERT_GE(pages, 3);
        TFormHarness::Focus(p.QRPreview1);
        TFormHarness::PressKey(VK_PRIOR);  // page 1 has none before it
        EXPECT_EQ(p.QRPreview1->PageNumber(), 1);
        TFormHarness::PressKey(VK_NEXT);
        EXPECT_EQ(Contador(p).left(2), QStringLiteral("2 "));
        TFormHarness::PressKey(VK_END, ssCtrl);
        EXPECT_EQ(p.QRPreview1->PageNumber(), pages);
        EXPECT_EQ(Navegacion(p), std::vector<bool>({true, true, false, false}));
        TFormHarness::PressKey(VK_PRIOR);
        EXPECT_EQ(p.QRPreview1->PageNumber(), pages - 1);
        TFormHarness::PressKey(VK_HOME, ssCtrl);
        EXPECT_EQ(p.QRPreview1->PageNumber(), 1);
        // Ctrl+P asks the print options; cancelled, the preview stays, and Esc leaves it.
        harness->AnswerModal(mrNo);
        TFormHarness::PressKey('P', ssCtrl);
        ASSERT_EQ(harness->ModalForms().size(), 1u);
        EXPECT_EQ(harness->ModalForms()[0].Caption, QStringLiteral("Imprimir .."));
        EXPECT_EQ(p.ModalResult(), mrNone);
        TFormHarness::PressKey(VK_ESCAPE);
        EXPECT_NE(p.ModalResult(), mrNone);
    });
    EXPECT_GE(pages, 3);
    EXPECT_FALSE(QFile::exists(pdf));
}

// A list of many pages opens on its first pages; the others are laid out while the window is idle
// and the counter grows with them. "Última Página" does not hold the window until they are all
// there: it shows the last one ready and goes to the last page once it is laid out.
TEST_F(PreViewTest, ALongListLaysOutItsPagesWhileIdleAndReachesItsLastPage) {
    {
        TQuery q(nullptr);
        q.SetDatabaseName(QStringLiteral("ZEMBRA"));
        q.SQL()->SetText(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                                        "INSERT INTO CLIENTES (CLIENTE, APELLIDOS, NOMBRE) "
                                        "SELECT i, 'Cliente ' || i, 'Nombre' FROM n"));
        q.ExecSQL();
    }
    Presenta(ListaClientes(), [&](TPreView& p) {
        ASSERT_TRUE(QRPrinter->Pending());
        const int primeras = QRPrinter->PagesReady();
        EXPECT_EQ(Contador(p), QStringLiteral("1 de %1...").arg(primeras));
        TFormHarness::Click(p.sbLast->Button());
        EXPECT_TRUE(QRPrinter->Pending());  // the click came back before the whole list was laid out
        EXPECT_TRUE(Contador(p).endsWith(QStringLiteral("...")));
        const QDeadlineTimer fin(60000);
        while (QRPrinter->Pending() && !fin.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        ASSERT_FALSE(QRPrinter->Pending());
        const int todas = QRPrinter->PagesReady();
        EXPECT_GT(todas, primeras);
        EXPECT_EQ(p.QRPreview1->PageNumber(), todas);
        EXPECT_EQ(Contador(p), QStringLiteral("%1 de %1").arg(todas));
        EXPECT_EQ(Navegacion(p), std::vector<bool>({true, true, false, false}));
        TFormHarness::Click(p.sbExit->Button());
    });
}

TEST_F(PreViewTest, ZoomsToTheWholePageTheWidthAndRealSize) {
    Clientes(20);
    Presenta(ListaClientes(), [&](TPreView& p) {
        const int pageWidth = QRPrinter->Pages(1).Width, pageHeight = QRPrinter->Pages(1).Height;
        TFormHarness::Click(p.btZoomOut->Button());
        const int fit = p.QRPreview1->Zoom();
        EXPECT_LE(pageHeight * fit / 100, p.QRPreview1->ClientHeight());
        EXPECT_LE(pageWidth * fit / 100, p.QRPreview1->ClientWidth());
        TFormHarness::Click(p.btZoomPage->Button());
        const int width = p.QRPreview1->Zoom();
        EXPECT_LE(pageWidth * width / 100, p.QRPreview1->ClientWidth());
        EXPECT_GT(pageWidth * (width + 2) / 100, p.QRPreview1->ClientWidth() - 40);
        EXPECT_GT(width, fit);  // a portrait page: the width fit is the larger one
        TFormHarness::Click(p.btZoomIn->Button());
        EXPECT_EQ(p.QRPreview1->Zoom(), 100);
        TFormHarness::Click(p.sbExit->Button());
    });
}

TEST_F(PreViewTest, CancellingThePrintDialogLeavesThePreviewOnItsPage) {
    Clientes(150);
    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("lista.pdf"));
    QRPrinter->SetOutputFileName(pdf);
    Presenta(ListaClientes(), [&](TPreView& p) {
        TFormHarness::Click(p.sbNext->Button());
        harness->AnswerModal(mrNo);
        TFormHarness::Click(p.sbPrint->Button());
        EXPECT_TRUE(p.Visible());
        EXPECT_EQ(p.ModalResult(), mrNone);
        EXPECT_EQ(p.QRPreview1->PageNumber(), 2);
        EXPECT_EQ(Contador(p).left(2), QStringLiteral("2 "));
        TFormHarness::Click(p.sbExit->Button());
    });
    EXPECT_FALSE(QFile::exists(pdf));
    ASSERT_EQ(harness->ModalForms().size(), 2u);
    EXPECT_EQ(harness->ModalForms()[0].Caption, QStringLiteral("Imprimir .."));
}

TEST_F(PreViewTest, PrintsThePagesChosenAndClosesThePreview) {
    Clientes(150);
    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("lista.pdf"));
    QRPrinter->SetOutputFileName(pdf);
    int pages = 0;
    Presenta(ListaClientes(), [&](TPreView& p) {
        pages = QRPrinter->PageCount();
        Imprime(QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("1"));
        TFormHarness::Click(p.sbPrint->Button());
    });
    EXPECT_EQ(PreView, nullptr);
    ASSERT_TRUE(QFile::exists(pdf));
    EXPECT_EQ(PdfPages(pdf), 2);
    const QString text = PdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("Página : 2")));
    EXPECT_TRUE(text.contains(QStringLiteral("Página : 3")));
    EXPECT_FALSE(text.contains(QStringLiteral("Página : 1")));
    EXPECT_TRUE(text.contains(QStringLiteral("LISTADO DE CLIENTES")));
    ASSERT_GE(pages, 3);

    // A range past the end prints the pages there are.
    QFile::remove(pdf);
    Presenta(ListaClientes(), [&](TPreView& p) {
        Imprime(QStringLiteral("2"), QStringLiteral("99"), QStringLiteral("1"));
        TFormHarness::Click(p.sbPrint->Button());
    });
    EXPECT_EQ(PdfPages(pdf), pages - 1);
    // A range wholly past the end prints nothing and says so; the preview stays, and "Todo"
    // then prints every page, not the range asked for before.
    QFile::remove(pdf);
    Presenta(ListaClientes(), [&](TPreView& p) {
        Imprime(QString::number(pages + 1), QString::number(pages + 5), QStringLiteral("1"));
        TFormHarness::Click(p.sbPrint->Button());
        EXPECT_TRUE(p.Visible());
        EXPECT_FALSE(QFile::exists(pdf));
        Imprime(QString(), QString(), QStringLiteral("1"));
        TFormHarness::Click(p.sbPrint->Button());
    });
    ASSERT_FALSE(harness->Messages().empty());
    EXPECT_EQ(harness->Messages().back().Text,
              QStringLiteral("El informe tiene %1 páginas: no hay ninguna a partir de la %2. No se ha impreso nada.").arg(pages).arg(pages + 1));
    EXPECT_EQ(PdfPages(pdf), pages);
    // "Todo" prints every page.
    QFile::remove(pdf);
    Presenta(ListaClientes(), [&](TPreView& p) {
        Imprime(QString(), QString(), QStringLiteral("1"));
        TFormHarness::Click(p.sbPrint->Button());
    });
    EXPECT_EQ(PdfPages(pdf), pages);
}

// With no printer at all, "print to file" chosen in the printer set-up writes the report to a
// PDF: the pages of the range, every copy, in the one file.
TEST_F(PreViewTest, PrintsToAPdfFileChosenInsteadOfAPrinter) {
    Clientes(150);
    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("copias.pdf"));
    struct Vuelve {
        ~Vuelve() { Printer()->SetOutputFileName(QString()); }
    } vuelve;
    QString destino;
    Presenta(ListaClientes(), [&](TPreView& p) {
        harness->AnswerModal([&](TCustomForm& f) {
            auto& d = static_cast<TdlgImprime&>(f);
            harness->AnswerPrinterSetupFile(pdf);
            TFormHarness::Click(d.BImpresora);
            destino = d.LImpresora->Caption();
            TFormHarness::Click(d.rbPaginas);
            d.EDesde->SetText(QStringLiteral("2"));
            d.EHasta->SetText(QStringLiteral("3"));
            d.ECopias->SetText(QStringLiteral("2"));
            TFormHarness::Click(d.btOk);
        });
        TFormHarness::Click(p.sbPrint->Button());
    });
    EXPECT_TRUE(harness->Exceptions().empty()) << harness->Exceptions().front().Message.toStdString();
    EXPECT_EQ(destino, QStringLiteral("Archivo PDF: copias.pdf"));
    EXPECT_EQ(PreView, nullptr);
    ASSERT_TRUE(QFile::exists(pdf));
    EXPECT_EQ(PdfPages(pdf), 4);
    const QString text = PdfText(pdf);
    EXPECT_FALSE(text.contains(QStringLiteral("Página : 1")));
    const qsizetype dos = text.indexOf(QStringLiteral("Página : 2")), tres = text.indexOf(QStringLiteral("Página : 3"));
    const qsizetype dosOtra = text.indexOf(QStringLiteral("Página : 2"), dos + 1),
                    tresOtra = text.indexOf(QStringLiteral("Página : 3"), tres + 1);
    EXPECT_TRUE(dos >= 0 && dos < tres && tres < dosOtra && dosOtra < tresOtra) << text.toStdString();
    EXPECT_EQ(text.count(QStringLiteral("LISTADO DE CLIENTES")), 4);
}

TEST_F(PreViewTest, NoCopiesPrintNothingButCloseThePreview) {
    Clientes(20);
    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("lista.pdf"));
    QRPrinter->SetOutputFileName(pdf);
    Presenta(ListaClientes(), [&](TPreView& p) {
        Imprime(QString(), QString(), QStringLiteral("0"));
        TFormHarness::Click(p.sbPrint->Button());
    });
    EXPECT_EQ(PreView, nullptr);
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(PreViewTest, APrintErrorIsShownAndThePreviewStays) {
    Clientes(20);
    QRPrinter->SetOutputFileName(QStringLiteral("/nonexistent-folder/lista.pdf"));
    Presenta(ListaClientes(), [&](TPreView& p) {
        Imprime(QString(), QString(), QStringLiteral("2"));
        TFormHarness::Click(p.sbPrint->Button());
        EXPECT_TRUE(p.Visible());
        TFormHarness::Click(p.sbExit->Button());
    });
    ASSERT_FALSE(harness->Exceptions().empty());
    EXPECT_EQ(harness->Exceptions().back().ClassName, QStringLiteral("EPrinter"));
}

TEST_F(PreViewTest, TheHookShowsTheWindowEvenWhenTheOpenerMadeNone) {
    Clientes(3);
    TQuickRep* report = ListaClientes();
    QRPrinter->OnPreview = TNotifyEvent(&comun::MuestraPreView);
    QString contador;
    harness->AnswerModal([&](TCustomForm& f) {
        contador = static_cast<TPreView&>(f).LPaginas->Caption();
        TFormHarness::Click(static_cast<TPreView&>(f).sbExit->Button());
    });
    ASSERT_EQ(PreView, nullptr);
    report->Preview();
    QRPrinter->OnPreview = nullptr;
    EXPECT_EQ(contador, QStringLiteral("1 de 1"));
    TFormHarness::ProcessEvents();  // closed: it frees itself
    EXPECT_EQ(PreView, nullptr);
}

TEST_F(PreViewTest, ACancelledRunShowsNoPreviewAndLeavesNothingBehind) {
    Clientes(5);
    TQuickRep* report = ListaClientes();
    report->BeforePrint = TEvent<TQuickRep*, bool&>([](TQuickRep*, bool& go) { go = false; });
    comun::PresentaInforme(report);
    EXPECT_TRUE(harness->ModalForms().empty());
    EXPECT_EQ(PreView, nullptr);
    EXPECT_FALSE(QRPrinter->OnPreview.Assigned());
}

TEST_F(PreViewTest, RendersAClientListPage) {
    Clientes(90);
    QTemporaryDir temp;
    const QByteArray docs = qgetenv("ZEMBRA_RENDER_DOCS");
    const QString folder = docs.isEmpty() ? temp.path() : QString::fromLocal8Bit(docs);
    const QString path = QDir(folder).filePath(QStringLiteral("PresPrel.png"));
    int shadow = 0;
    Presenta(ListaClientes(), [&](TPreView& p) {
        TFormHarness::Click(p.sbNext->Button());
        QCursor::setPos(400, 500);  // no button under the pointer
        TFormHarness::MouseLeave(p.sbPrint->Button());
        TFormHarness::ProcessEvents();
        ASSERT_TRUE(TFormHarness::SaveToPng(&p, path));
        // A disabled page button still shows its embossed arrow.
        const QImage next = TFormHarness::Grab(p.sbNext->Button());
        for (int y = 0; y < next.height(); ++y)
            for (int x = 0; x < next.width(); ++x)
                if (platform::graphics::FromQRgb(next.pixel(x, y)) == ColorToRGB(clBtnShadow)) ++shadow;
        TFormHarness::Click(p.sbExit->Button());
    });
    EXPECT_GT(shadow, 10);
    const QImage image(path);
    ASSERT_FALSE(image.isNull());
    // The working area's width, less the frame the window system draws round a maximized window.
    EXPECT_LE(image.width(), Screen->WorkAreaWidth());
    EXPECT_GT(image.width(), Screen->WorkAreaWidth() - 10);
    // The page is white paper with dark text on the grey work space.
    int white = 0, dark = 0;
    for (int y = 40; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) {
            const QRgb c = image.pixel(x, y);
            if (qGray(c) > 250) ++white;
            if (qGray(c) < 80) ++dark;
        }
    EXPECT_GT(white, image.width() * image.height() / 16);
    EXPECT_GT(dark, 500);
}

}  // namespace
