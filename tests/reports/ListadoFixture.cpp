#include "ListadoFixture.h"

#include "platform/db/DBTables.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>

namespace reportstest {

void ListadoTest::SetUp() {
    InformeTest::SetUp();
    hayPdftotext = !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
}

void ListadoTest::Sql(const QString& sql) {
    TQuery q(nullptr);
    q.SetDatabaseName(QStringLiteral("ZEMBRA"));
    q.SQL()->SetText(sql);
    q.ExecSQL();
}

QString ListadoTest::Pdf(TQuickRep* report) {
    report->Prepare();
    const QString pdf = dir.filePath(report->Name() + QStringLiteral(".pdf"));
    QRPrinter->ExportToPdf(pdf);
    if (!hayPdftotext) return QString();
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(60000)) return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

QStringList ListadoTest::Lineas(const QString& texto) {
    QStringList r;
    for (const QString& l : texto.split(QLatin1Char('\n')))
        if (!l.trimmed().isEmpty()) r << l.simplified();
    return r;
}

QString ListadoTest::Linea(const QString& texto, const QString& inicio) {
    for (const QString& l : Lineas(texto))
        if (l.startsWith(inicio)) return l;
    return QString();
}

void ListadoTest::Dibuja(const QString& nombre) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty()) return;
    const QString pdf = dir.filePath(nombre + QStringLiteral(".pdf"));
    QRPrinter->ExportToPdf(pdf);
    const QByteArray docs = qgetenv("ZEMBRA_RENDER_DOCS");
    const QString out = QDir(docs.isEmpty() ? dir.path() : QString::fromLocal8Bit(docs)).filePath(nombre);
    QProcess p;
    p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("80"), QStringLiteral("-f"),
                                         QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
                                         QStringLiteral("-singlefile"), pdf, out});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QImage image(out + QStringLiteral(".png"));
    ASSERT_FALSE(image.isNull());
    int tinta = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            if (qGray(image.pixel(x, y)) < 100) ++tinta;
    EXPECT_GT(tinta, 300) << nombre.toStdString();
}

int ListadoTest::Cuenta(const QString& texto, const QString& trozo) { return int(texto.count(trozo)); }

}  // namespace reportstest
