// Printing from the preview on a real CUPS queue: a private cupsd with a PDF queue, two copies
// of pages 2 to 3 of a client list, and the PDFs the queue wrote read back.
#include "InformeFixture.h"

#include "comun/dlgImp.h"
#include "platform/forms/Printers.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <pwd.h>
#include <unistd.h>

using namespace reportstest;
using platform::forms::TFormHarness;

namespace {

// Every print query of this process goes to the private server (none is there until a test
// starts it), so the tests never see the machine's own printers. Set before anything asks.
QString CarpetaCups() { return QDir::tempPath() + QStringLiteral("/zembra-cups-%1").arg(getpid()); }
const bool ServidorPrivado = [] {
    qputenv("CUPS_SERVER", (CarpetaCups() + QStringLiteral("/cups.sock")).toLocal8Bit());
    return true;
}();

const QString Cola = QStringLiteral("ZembraPDF");

QString Salida(const QString& program, const QStringList& args, int* rc = nullptr) {
    QProcess p;
    p.start(program, args);
    const bool done = p.waitForFinished(30000);
    if (rc) *rc = done && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
}

// Where cups-pdf writes the jobs of this user: its "Out" setting, ${HOME} being the home of
// the job's owner.
QString CarpetaPdf() {
    QString out = QStringLiteral("${HOME}/PDF");
    QFile conf(QStringLiteral("/etc/cups/cups-pdf.conf"));
    if (conf.open(QIODevice::ReadOnly))
        for (const QString& line : QString::fromUtf8(conf.readAll()).split(QLatin1Char('\n')))
            if (line.startsWith(QStringLiteral("Out "))) out = line.mid(4).trimmed();
    const passwd* pw = getpwuid(geteuid());
    out.replace(QStringLiteral("${HOME}"), pw ? QString::fromLocal8Bit(pw->pw_dir) : QDir::homePath());
    return out;
}

// The queue's folder, made here before any job and left in place: cups-pdf cancels a job whose
// folder another job (a second copy, a test running beside) created a moment before it, and a
// folder removed under a job loses it.
QDir CarpetaPdfLista() {
    const QString path = CarpetaPdf();
    if (!QFileInfo::exists(path) && QDir().mkpath(path))
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return QDir(path);
}

// A cupsd of the test's own: configuration, spool and socket in a private folder, started in
// the foreground and stopped with the test.
class TServidorCups {
public:
    ~TServidorCups() { Para(); }
    // Empty when it runs; else why not.
    QString Arranca() {
        if (geteuid() != 0) return QStringLiteral("cups-pdf writes only for jobs of a server run as root");
        for (const char* f : {"/usr/sbin/cupsd", "/usr/sbin/lpadmin", "/usr/bin/lpstat", "/usr/lib/cups/backend/cups-pdf",
                              "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd", "/usr/bin/pdfinfo", "/usr/bin/pdftotext"})
            if (!QFileInfo::exists(QString::fromLatin1(f))) return QStringLiteral("%1 is missing").arg(QString::fromLatin1(f));
        const QString d = CarpetaCups();
        QDir(d).removeRecursively();
        for (const char* sub : {"spool", "tmp", "cache", "state", "log"}) QDir().mkpath(d + QLatin1Char('/') + QString::fromLatin1(sub));
        QFile::setPermissions(d + QStringLiteral("/tmp"), QFileDevice::Permissions(0x7777));
        QFile files(d + QStringLiteral("/cups-files.conf"));
        if (!files.open(QIODevice::WriteOnly)) return QStringLiteral("cannot write the configuration");
        files.write(QStringLiteral("ServerRoot %1\nRequestRoot %1/spool\nTempDir %1/tmp\nCacheDir %1/cache\n"
                                   "StateDir %1/state\nServerBin /usr/lib/cups\nDataDir /usr/share/cups\n"
                                   "AccessLog %1/log/access_log\nErrorLog %1/log/error_log\n"
                                   "PageLog %1/log/page_log\nUser lp\nGroup lp\nSystemGroup root\n")
                        .arg(d)
                        .toUtf8());
        files.close();
        QFile conf(d + QStringLiteral("/cupsd.conf"));
        if (!conf.open(QIODevice::WriteOnly)) return QStringLiteral("cannot write the configuration");
        conf.write(QStringLiteral("Listen %1/cups.sock\nLogLevel warn\nWebInterface No\nBrowsing Off\n"
                                  "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n")
                       .arg(d)
                       .toUtf8());
        conf.close();
        FProceso.start(QStringLiteral("/usr/sbin/cupsd"),
                       {QStringLiteral("-f"), QStringLiteral("-c"), d + QStringLiteral("/cupsd.conf"),
                        QStringLiteral("-s"), d + QStringLiteral("/cups-files.conf")});
        if (!FProceso.waitForStarted(5000)) return QStringLiteral("cupsd does not start");
        QElapsedTimer t;
        t.start();
        while (!QFileInfo::exists(d + QStringLiteral("/cups.sock"))) {
            if (FProceso.state() != QProcess::Running || t.elapsed() > 10000)
                return QStringLiteral("cupsd did not open its socket: %1").arg(Registro());
            QThread::msleep(50);
        }
        // The driver with options labels every job's file with its number, so that the copies,
        // one job each under one title, do not overwrite each other; the cairo renderer keeps
        // the text readable through the queue's conversion to PostScript.
        int rc = 0;
        const QString out = Salida(QStringLiteral("/usr/sbin/lpadmin"),
                                   {QStringLiteral("-p"), Cola, QStringLiteral("-v"), QStringLiteral("cups-pdf:/"),
                                    QStringLiteral("-P"), QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd"),
                                    QStringLiteral("-o"), QStringLiteral("pdftops-renderer-default=pdftocairo"),
                                    QStringLiteral("-E")},
                                   &rc);
        if (rc != 0) return QStringLiteral("lpadmin failed: %1").arg(out);
        return QString();
    }
    void Para() {
        if (FProceso.state() != QProcess::NotRunning) {
            FProceso.terminate();
            if (!FProceso.waitForFinished(10000)) {
                FProceso.kill();
                FProceso.waitForFinished(5000);
            }
        }
        QDir(CarpetaCups()).removeRecursively();
    }
    QString Registro() const {
        QFile f(CarpetaCups() + QStringLiteral("/log/error_log"));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).right(2000) : QString();
    }

private:
    QProcess FProceso;
};

class ImpresionTest : public InformeTest {
protected:
    // The private server with its queue, the system's only printer; false when it cannot run.
    bool ArrancaCups() {
        const QString why = cups.Arranca();
        if (!why.isEmpty()) {
            porque = why;
            return false;
        }
        return EsperaColas(Cola, true);
    }
    // Waits until the system has (or no longer has) that queue.
    static bool EsperaColas(const QString& cola, bool esta) {
        QElapsedTimer t;
        t.start();
        while (Printer()->Printers().contains(cola) != esta && t.elapsed() < 10000) QThread::msleep(100);
        return Printer()->Printers().contains(cola) == esta;
    }
    // Adds a PDF queue with that driver; true once the system has it.
    static bool Instala(const QString& cola,
                        const QString& ppd = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd")) {
        return Orden(QStringLiteral("/usr/sbin/lpadmin"),
                     {QStringLiteral("-p"), cola, QStringLiteral("-v"), QStringLiteral("cups-pdf:/"), QStringLiteral("-P"), ppd,
                      QStringLiteral("-o"), QStringLiteral("pdftops-renderer-default=pdftocairo"), QStringLiteral("-E")}) == 0 &&
               EsperaColas(cola, true);
    }
    static int Orden(const QString& program, const QStringList& args) {
        int rc = 0;
        Salida(program, args, &rc);
        return rc;
    }
    // Every job the server was handed, done or not.
    static QString Trabajos() {
        return Salida(QStringLiteral("/usr/bin/lpstat"), {QStringLiteral("-W"), QStringLiteral("all"), QStringLiteral("-o")})
            .trimmed();
    }
    void TearDown() override {
        Printer()->SetPrinterName(QString());
        InformeTest::TearDown();
    }

    TServidorCups cups;
    QString porque;
};

TEST_F(ImpresionTest, TwoCopiesOfPagesTwoToThreeReachTheCupsQueue) {
    ASSERT_TRUE(ServidorPrivado);
    TServidorCups cups;
    const QString why = cups.Arranca();
    if (!why.isEmpty()) GTEST_SKIP() << "no private CUPS server: " << why.toStdString();
    // The queue is the system's only printer, so the program's printer from the start.
    QElapsedTimer t;
    t.start();
    while (!Printer()->Printers().contains(Cola) && t.elapsed() < 10000) QThread::msleep(100);
    ASSERT_TRUE(Printer()->Printers().contains(Cola));

    const QString titulo = QStringLiteral("ZembraPrueba%1").arg(getpid());
    const QDir pdfs = CarpetaPdfLista();
    auto trabajos = [&] {
        return pdfs.entryList({QStringLiteral("*") + titulo + QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
    };
    for (const QString& f : trabajos()) QFile::remove(pdfs.filePath(f));

    Clientes(150);
    TQuickRep* report = ListaClientes();
    QString etiqueta;
    harness->AnswerModal([&](TCustomForm& f) {
        auto& p = static_cast<TPreView&>(f);
        ASSERT_GE(QRPrinter->PageCount(), 3);
        QRPrinter->SetTitle(titulo);
        harness->AnswerModal([&](TCustomForm& g) {
            auto& d = static_cast<TdlgImprime&>(g);
            harness->AnswerPrinterSetup(Cola);
            TFormHarness::Click(d.BImpresora);
            etiqueta = d.LImpresora->Caption();
            TFormHarness::Click(d.rbPaginas);
            d.EDesde->SetText(QStringLiteral("2"));
            d.EHasta->SetText(QStringLiteral("3"));
            d.ECopias->SetText(QStringLiteral("2"));
            TFormHarness::Click(d.btOk);
        });
        TFormHarness::Click(p.sbPrint->Button());
    });
    comun::PresentaInforme(report);
    EXPECT_TRUE(harness->Exceptions().empty()) << harness->Exceptions().front().Message.toStdString();
    EXPECT_TRUE(harness->Messages().empty());
    EXPECT_TRUE(QRPrinter->HeldIn().isEmpty());
    EXPECT_EQ(etiqueta, Cola);
    EXPECT_EQ(Printer()->PrinterName(), Cola);

    // One job per copy: two documents, each with pages 2 and 3.
    t.restart();
    // Done when the queue holds no job (cups-pdf writes its file before its job completes).
    auto pendientes = [] {
        return Salida(QStringLiteral("/usr/bin/lpstat"), {QStringLiteral("-o"), Cola}).trimmed();
    };
    while ((trabajos().size() < 2 || !pendientes().isEmpty()) && t.elapsed() < 60000) QThread::msleep(200);
    const QStringList hechos = trabajos();
    ASSERT_EQ(hechos.size(), 2) << cups.Registro().toStdString();
    for (const QString& f : hechos) {
        const QString file = pdfs.filePath(f);
        const QString info = Salida(QStringLiteral("pdfinfo"), {file});
        const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
        EXPECT_EQ(m.captured(1), QStringLiteral("2")) << info.toStdString();
        const QString text = Salida(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
        EXPECT_TRUE(text.contains(QStringLiteral("LISTADO DE CLIENTES"))) << text.left(400).toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("Página : 2")));
        EXPECT_TRUE(text.contains(QStringLiteral("Página : 3")));
        EXPECT_FALSE(text.contains(QStringLiteral("Página : 1")));
        QFile::remove(file);
    }
}

// A queue that refuses jobs: the print is an error that names it, not a preview that closes as
// if the pages had gone out.
TEST_F(ImpresionTest, AQueueThatRefusesJobsIsAnErrorNotASilentPrint) {
    ASSERT_TRUE(ServidorPrivado);
    if (!ArrancaCups()) GTEST_SKIP() << "no private CUPS server: " << porque.toStdString();
    ASSERT_EQ(Orden(QStringLiteral("/usr/sbin/cupsreject"), {Cola}), 0);
    Clientes(5);
    TQuickRep* report = ListaClientes();
    Printer()->SetPrinterName(Cola);
    QString mensaje;
    try {
        report->Print();
    } catch (const EPrinter& e) {
        mensaje = e.Message();
    }
    EXPECT_TRUE(mensaje.contains(Cola)) << mensaje.toStdString();
    EXPECT_TRUE(mensaje.contains(QStringLiteral("no acepta trabajos"))) << mensaje.toStdString();
    EXPECT_TRUE(Trabajos().isEmpty()) << Trabajos().toStdString();

    // Taking jobs again, the same print goes out: the refusal was not left behind. (Held in
    // the stopped queue: it writes no file.)
    ASSERT_EQ(Orden(QStringLiteral("/usr/sbin/cupsaccept"), {Cola}), 0);
    ASSERT_EQ(Orden(QStringLiteral("/usr/sbin/cupsdisable"), {Cola}), 0);
    EXPECT_NO_THROW(report->Print());
    EXPECT_FALSE(Trabajos().isEmpty());
}

// A printer chosen and then removed from the system: the job is not sent to another printer
// unseen; the next print dialog shows the one that will be used.
TEST_F(ImpresionTest, APrinterRemovedAfterItWasChosenSendsNothingElsewhere) {
    ASSERT_TRUE(ServidorPrivado);
    if (!ArrancaCups()) GTEST_SKIP() << "no private CUPS server: " << porque.toStdString();
    const QString otra = QStringLiteral("ZembraOtra");
    auto instala = [&] { return Instala(otra); };
    auto quita = [&] {
        return Orden(QStringLiteral("/usr/sbin/lpadmin"), {QStringLiteral("-x"), otra}) == 0 && EsperaColas(otra, false);
    };
    // Jobs are held, not written: only their count matters.
    ASSERT_EQ(Orden(QStringLiteral("/usr/sbin/cupsdisable"), {Cola}), 0);
    ASSERT_TRUE(instala());
    Clientes(5);
    TQuickRep* report = ListaClientes();
    Printer()->SetPrinterName(otra);
    ASSERT_TRUE(quita());
    QString mensaje;
    try {
        report->Print();
    } catch (const EPrinter& e) {
        mensaje = e.Message();
    }
    EXPECT_TRUE(mensaje.contains(otra)) << mensaje.toStdString();
    EXPECT_TRUE(Trabajos().isEmpty()) << Trabajos().toStdString();
    // Told once: the choice is dropped and the system's printer is the program's again.
    EXPECT_EQ(Printer()->PrinterName(), Cola);
    EXPECT_TRUE(Printer()->MissingPrinter().isEmpty());

    // Removed before the print dialog opens: it shows the printer the job will go to, and
    // printing goes there.
    ASSERT_TRUE(instala());
    Printer()->SetPrinterName(otra);
    ASSERT_TRUE(quita());
    auto* d = new TdlgImprime(Application);
    EXPECT_EQ(d->LImpresora->Caption(), Cola);
    d->Free();
    EXPECT_NO_THROW(report->Print());
    EXPECT_FALSE(Trabajos().isEmpty());
}

// The PDF queue's driver with letter as its one paper: a printer that has no A4.
QString DriverSoloCarta(const QString& folder) {
    QFile in(QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd"));
    if (!in.open(QIODevice::ReadOnly)) return QString();
    QStringList out;
    bool custom = false;
    for (QString line : QString::fromLatin1(in.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QStringLiteral("*CustomPageSize"))) custom = true;
        if (custom) {
            if (line.startsWith(QStringLiteral("*End"))) custom = false;
            continue;
        }
        if (line.contains(QStringLiteral("CustomPageSize")) || line.startsWith(QStringLiteral("*MaxMedia"))) continue;
        if (line.startsWith(QStringLiteral("*VariablePaperSize"))) line = QStringLiteral("*VariablePaperSize: False");
        bool sized = false;
        for (const char* k : {"*PageSize ", "*PageRegion ", "*ImageableArea ", "*PaperDimension "})
            if (line.startsWith(QLatin1String(k))) sized = true;
        if (sized && !line.section(QLatin1Char(' '), 1, 1).startsWith(QStringLiteral("Letter/"))) continue;
        for (const char* k : {"*DefaultPageSize", "*DefaultPageRegion", "*DefaultImageableArea", "*DefaultPaperDimension"})
            if (line.startsWith(QLatin1String(k))) line = QLatin1String(k) + QStringLiteral(": Letter");
        out << line;
    }
    const QString file = folder + QStringLiteral("/carta.ppd");
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly)) return QString();
    f.write(out.join(QLatin1Char('\n')).toLatin1());
    return file;
}

// An A4 report on a printer whose only paper is letter (shorter): the sheet takes the whole page,
// shrunk to fit, its foot with the page number included, instead of losing its bottom edge.
TEST_F(ImpresionTest, AnA4ReportOnALetterOnlyPrinterKeepsItsPageFoot) {
    ASSERT_TRUE(ServidorPrivado);
    if (!ArrancaCups()) GTEST_SKIP() << "no private CUPS server: " << porque.toStdString();
    const QString carta = QStringLiteral("ZembraCarta");
    const QString ppd = DriverSoloCarta(CarpetaCups());
    ASSERT_FALSE(ppd.isEmpty());
    ASSERT_TRUE(Instala(carta, ppd));

    const QString titulo = QStringLiteral("ZembraCarta%1").arg(getpid());
    const QDir pdfs = CarpetaPdfLista();
    auto trabajos = [&] {
        return pdfs.entryList({QStringLiteral("*") + titulo + QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
    };
    for (const QString& f : trabajos()) QFile::remove(pdfs.filePath(f));
    Clientes(80);  // two pages
    TQuickRep* report = ListaClientes();
    report->SetReportTitle(titulo);
    Printer()->SetPrinterName(carta);
    report->Print();
    QElapsedTimer t;
    t.start();
    auto pendientes = [&] { return Salida(QStringLiteral("/usr/bin/lpstat"), {QStringLiteral("-o"), carta}).trimmed(); };
    while ((trabajos().isEmpty() || !pendientes().isEmpty()) && t.elapsed() < 60000) QThread::msleep(200);
    const QStringList hechos = trabajos();
    ASSERT_EQ(hechos.size(), 1) << cups.Registro().toStdString();
    const QString file = pdfs.filePath(hechos.front());
    const QString info = Salida(QStringLiteral("pdfinfo"), {file});
    EXPECT_TRUE(info.contains(QStringLiteral("612 x 792"))) << info.toStdString();
    const QString text = Salida(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
    EXPECT_TRUE(text.contains(QStringLiteral("LISTADO DE CLIENTES")));
    EXPECT_TRUE(text.contains(QStringLiteral("Página : 1"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Página : 2")));
    QFile::remove(file);
}

// A stopped (paused) printer takes the job and holds it: the user is told that nothing comes out
// until the printer is started again (a running one prints without a word: the first test).
TEST_F(ImpresionTest, PrintingToAStoppedPrinterSaysTheJobWaitsInItsQueue) {
    ASSERT_TRUE(ServidorPrivado);
    if (!ArrancaCups()) GTEST_SKIP() << "no private CUPS server: " << porque.toStdString();
    Clientes(5);
    TQuickRep* report = ListaClientes();
    Printer()->SetPrinterName(Cola);
    auto imprime = [&] {
        harness->AnswerModal([&](TCustomForm& f) {
            harness->AnswerModal([&](TCustomForm& g) { TFormHarness::Click(static_cast<TdlgImprime&>(g).btOk); });
            TFormHarness::Click(static_cast<TPreView&>(f).sbPrint->Button());
        });
        comun::PresentaInforme(report);
    };
    ASSERT_EQ(Orden(QStringLiteral("/usr/sbin/cupsdisable"), {Cola}), 0);
    imprime();
    ASSERT_EQ(harness->Messages().size(), 1u);
    EXPECT_TRUE(harness->LastMessage().Text.contains(Cola)) << harness->LastMessage().Text.toStdString();
    EXPECT_TRUE(harness->LastMessage().Text.contains(QStringLiteral("detenida")));
    EXPECT_EQ(Trabajos().count(Cola), 1) << Trabajos().toStdString();  // waiting, not lost
    EXPECT_EQ(QRPrinter->HeldIn(), Cola);
}

// The print server stopped: the print says there is no printer, and the printer chosen is not
// taken for one removed (which would drop the choice for good).
TEST_F(ImpresionTest, AStoppedPrintServerKeepsThePrinterChosen) {
    ASSERT_TRUE(ServidorPrivado);
    if (!ArrancaCups()) GTEST_SKIP() << "no private CUPS server: " << porque.toStdString();
    const QString otra = QStringLiteral("ZembraOtra");
    ASSERT_TRUE(Instala(otra));
    Printer()->SetPrinterName(otra);
    Clientes(5);
    TQuickRep* report = ListaClientes();
    cups.Para();
    ASSERT_TRUE(EsperaColas(Cola, false));
    QString mensaje;
    try {
        report->Print();
    } catch (const EPrinter& e) {
        mensaje = e.Message();
    }
    EXPECT_EQ(mensaje, QStringLiteral("No hay ninguna impresora disponible"));
    // The server back without that queue: the choice was kept, and is told missing now.
    ASSERT_TRUE(ArrancaCups());
    EXPECT_EQ(Printer()->MissingPrinter(), otra);
}

}  // namespace
