#include "Support.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace reporttest {

void ReportTest::SetUp() {
    ASSERT_TRUE(dir.isValid());
    folder = dir.path();
    QRPrinter->OnPreview = nullptr;
}

TTable* ReportTest::Lines(const std::vector<TLine>& rows) {
    auto* t = new TTable(&owner);
    t->SetName(QStringLiteral("TLineas"));
    t->SetDatabaseName(folder);
    t->SetTableName(QStringLiteral("LINEAS"));
    t->FieldDefs()->Add(QStringLiteral("GRUPO"), ftString, 10);
    t->FieldDefs()->Add(QStringLiteral("SUB"), ftString, 10);
    t->FieldDefs()->Add(QStringLiteral("NUM"), ftInteger, 0, true);
    t->FieldDefs()->Add(QStringLiteral("IMPORTE"), ftFloat);
    t->FieldDefs()->Add(QStringLiteral("NOTAS"), ftMemo);
    t->IndexDefs()->Add(QString(), QStringLiteral("NUM"), ixPrimary);
    t->CreateTable();
    t->Open();
    for (const TLine& r : rows) {
        t->Append();
        t->FieldByName(QStringLiteral("GRUPO"))->SetAsString(r.Grupo);
        t->FieldByName(QStringLiteral("SUB"))->SetAsString(r.Sub);
        t->FieldByName(QStringLiteral("NUM"))->SetAsInteger(r.Num);
        t->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(r.Importe);
        if (!r.Notas.isEmpty()) t->FieldByName(QStringLiteral("NOTAS"))->SetAsString(r.Notas);
        t->Post();
    }
    t->First();
    return t;
}

TTable* ReportTest::Parts(const std::vector<std::pair<int, QString>>& rows) {
    auto* t = new TTable(&owner);
    t->SetDatabaseName(folder);
    t->SetTableName(QStringLiteral("PARTES"));
    t->FieldDefs()->Add(QStringLiteral("ORDEN"), ftInteger, 0, true);
    t->FieldDefs()->Add(QStringLiteral("NUM"), ftInteger);
    t->FieldDefs()->Add(QStringLiteral("NOMBRE"), ftString, 40);
    t->IndexDefs()->Add(QString(), QStringLiteral("ORDEN"), ixPrimary);
    t->CreateTable();
    t->Open();
    int orden = 0;
    for (const auto& [num, nombre] : rows) {
        t->Append();
        t->FieldByName(QStringLiteral("ORDEN"))->SetAsInteger(++orden);
        t->FieldByName(QStringLiteral("NUM"))->SetAsInteger(num);
        t->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(nombre);
        t->Post();
    }
    t->Close();
    return t;
}

TQuery* ReportTest::Query(const QString& sql) {
    auto* q = new TQuery(&owner);
    q->SetDatabaseName(folder);
    q->SQL()->SetText(sql);
    return q;
}

TQuickRep* ReportTest::NewReport(const QString& name) {
    auto* r = new TQuickRep(&owner);
    r->SetName(name);
    r->Page()->SetTopMargin(0);
    r->Page()->SetBottomMargin(0);
    r->Page()->SetLeftMargin(0);
    r->Page()->SetRightMargin(0);
    TQRBand* header = Band(r, rbPageHeader, QStringLiteral("Cabecera"), 23);
    Label(header, QStringLiteral("LISTADO"));
    return r;
}

TQRBand* ReportTest::Band(TQuickRep* report, TQRBandType type, const QString& name, int height) {
    auto* b = new TQRBand(&owner);
    b->SetName(name);
    b->SetBandType(type);
    b->SetHeight(height);
    b->SetParent(report);
    return b;
}

TQRGroup* ReportTest::Group(TQuickRep* report, const QString& name, int height, const QString& expression) {
    auto* g = new TQRGroup(&owner);
    if (!name.isEmpty()) g->SetName(name);
    g->SetHeight(height);
    g->SetParent(report);
    g->SetExpression(expression);
    return g;
}

TQRLabel* ReportTest::Label(TQRCustomBand* band, const QString& caption, int left, int top) {
    auto* l = new TQRLabel(&owner);
    l->SetParent(band);
    l->SetCaption(caption);
    l->SetLeft(left);
    l->SetTop(top);
    return l;
}

TQRDBText* ReportTest::DBText(TQRCustomBand* band, TDataSet* ds, const QString& field, int left, int top) {
    auto* t = new TQRDBText(&owner);
    t->SetParent(band);
    t->SetDataSet(ds);
    t->SetDataField(field);
    t->SetLeft(left);
    t->SetTop(top);
    return t;
}

TQRExpr* ReportTest::Expr(TQRCustomBand* band, const QString& expression, int left, int top) {
    auto* e = new TQRExpr(&owner);
    e->SetParent(band);
    e->SetExpression(expression);
    e->SetLeft(left);
    e->SetTop(top);
    return e;
}

std::vector<QStringList> ReportTest::PageTexts() {
    std::vector<QStringList> out;
    for (int i = 1; i <= QRPrinter->PageCount(); ++i) out.push_back(QRPrinter->Pages(i).Texts());
    return out;
}

std::vector<TLine> NumberedLines(int count, int perGroup) {
    std::vector<TLine> rows;
    for (int i = 1; i <= count; ++i)
        rows.push_back({QStringLiteral("G%1").arg((i - 1) / perGroup + 1, 2, 10, QChar(u'0')), QString(), i, double(i), QString()});
    return rows;
}

bool HavePdfToText() { return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(); }

namespace {
QString RunPdfToText(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}
}  // namespace

QStringList PdfPages(const QString& file) {
    QStringList pages = RunPdfToText({QStringLiteral("-enc"), QStringLiteral("UTF-8"), file, QStringLiteral("-")}).split(u'\f');
    if (!pages.isEmpty() && pages.back().trimmed().isEmpty()) pages.removeLast();
    return pages;
}

std::vector<std::vector<TPdfWord>> PdfWords(const QString& file) {
    QString html = RunPdfToText({QStringLiteral("-bbox"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), file,
                                 QStringLiteral("-")});
    std::vector<std::vector<TPdfWord>> pages;
    static const QRegularExpression tag(QStringLiteral(
        R"re(<page [^>]*>|<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    // Points to report units (1/72 to 1/96 inch).
    const double k = 96.0 / 72.0;
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        auto m = it.next();
        if (m.captured(0).startsWith(QStringLiteral("<page"))) {
            pages.emplace_back();
            continue;
        }
        if (pages.empty()) continue;
        QString text = m.captured(5);
        text.replace(QStringLiteral("&amp;"), QStringLiteral("&")).replace(QStringLiteral("&lt;"), QStringLiteral("<"));
        text.replace(QStringLiteral("&gt;"), QStringLiteral(">")).replace(QStringLiteral("&quot;"), QStringLiteral("\""));
        QRectF box(QPointF(m.captured(1).toDouble() * k, m.captured(2).toDouble() * k),
                   QPointF(m.captured(3).toDouble() * k, m.captured(4).toDouble() * k));
        pages.back().push_back({text, box});
    }
    return pages;
}

}  // namespace reporttest
