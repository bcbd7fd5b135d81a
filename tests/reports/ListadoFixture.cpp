#include "ListadoFixture.h"

#include "platform/db/DBTables.h"

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

int ListadoTest::Cuenta(const QString& texto, const QString& trozo) { return int(texto.count(trozo)); }

}  // namespace reportstest
