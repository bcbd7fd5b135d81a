// Pictures of two list reports as they print: a portrait list grouped by lawyer with group sums,
// a "Suma y sigue" page footer and its child band, and a landscape invoice list of twelve
// columns. The first page of each is rendered from its PDF; with ZEMBRA_RENDER_DOCS set to
// docs/reports the same test refreshes the pictures there.
#include "Support.h"
#include "platform/rtl/SysUtils.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>

using namespace reporttest;

namespace {

struct TCol {
    const char* Head;
    const char* Field;
    int Left, Width;
    TAlignment Align = taLeftJustify;
};

class RenderTest : public ReportTest {
protected:
    TTable* Table(const QString& name, const std::vector<std::pair<QString, TFieldType>>& fields,
                  const std::vector<QVariantList>& rows) {
        auto* t = new TTable(&owner);
        t->SetName(QStringLiteral("T") + name);
        t->SetDatabaseName(folder);
        t->SetTableName(name);
        t->FieldDefs()->Add(QStringLiteral("ID"), ftInteger, 0, true);
        for (const auto& [field, type] : fields) t->FieldDefs()->Add(field, type, type == ftString ? 60 : 0);
        t->IndexDefs()->Add(QString(), QStringLiteral("ID"), ixPrimary);
        t->CreateTable();
        t->Open();
        int id = 0;
        for (const QVariantList& row : rows) {
            t->Append();
            t->FieldByName(QStringLiteral("ID"))->SetAsInteger(++id);
            for (size_t i = 0; i < fields.size(); ++i) {
                TField* f = t->FieldByName(fields[i].first);
                if (fields[i].second == ftFloat) f->SetAsFloat(row[int(i)].toDouble());
                else if (fields[i].second == ftInteger) f->SetAsInteger(row[int(i)].toInt());
                else f->SetAsString(row[int(i)].toString());
            }
            t->Post();
        }
        t->First();
        return t;
    }

    TQRLabel* Text(TQRCustomBand* band, const QString& caption, int left, int top, int width = 0,
                   TAlignment align = taLeftJustify) {
        TQRLabel* l = Label(band, caption, left, top);
        if (width > 0) {
            l->SetAutoSize(false);
            l->SetWidth(width);
        }
        l->SetAlignment(align);
        return l;
    }

    // Page header: title, date, page number and the column heads over a rule.
    void PageHeader(TQuickRep* r, const QString& title, const std::vector<TCol>& cols) {
        TQRCustomBand* header = r->Bands(0);
        header->SetHeight(62);
        auto* head = dynamic_cast<TQRLabel*>(header->Controls(0));
        head->SetCaption(title);
        head->Font()->SetSize(12);
        head->Font()->SetStyle({fsBold});
        head->SetTop(4);
        auto* date = new TQRSysData(&owner);
        date->SetParent(header);
        date->SetData(qrsDate);
        date->SetLeft(r->PrintableWidth() - 230);
        date->SetTop(6);
        auto* page = new TQRSysData(&owner);
        page->SetParent(header);
        page->SetData(qrsPageNumber);
        page->SetText(QStringLiteral("Página : "));
        page->SetAutoSize(false);
        page->SetBounds(r->PrintableWidth() - 100, 6, 100, 17);
        page->SetAlignment(taRightJustify);
        for (const TCol& c : cols) {
            TQRLabel* l = Text(header, QString::fromUtf8(c.Head), c.Left, 40, c.Width, c.Align);
            l->Font()->SetStyle({fsBold});
        }
        auto* rule = new TQRShape(&owner);
        rule->SetParent(header);
        rule->SetShape(qrsHorLine);
        rule->SetBounds(0, 56, r->PrintableWidth(), 6);
    }

    void Columns(TQRCustomBand* detail, TDataSet* ds, const std::vector<TCol>& cols) {
        for (const TCol& c : cols) {
            TQRDBText* t = DBText(detail, ds, QString::fromUtf8(c.Field), c.Left, 2);
            t->SetAutoSize(false);
            t->SetWidth(c.Width);
            t->SetAlignment(c.Align);
        }
    }

    TQRExpr* Sum(TQRCustomBand* band, const QString& field, const TCol& under, bool reset) {
        TQRExpr* e = Expr(band, QStringLiteral("SUM(") + field + u')', under.Left, 3);
        e->SetAutoSize(false);
        e->SetWidth(under.Width);
        e->SetAlignment(taRightJustify);
        e->SetMask(QStringLiteral("#,##0.00"));
        e->SetResetAfterPrint(reset);
        e->Font()->SetStyle({fsBold});
        return e;
    }

    // The report's first page as a PNG of 80 dots per inch, checked to hold ink.
    void Render(const QString& name) {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
            GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
        QString pdf = dir.filePath(name + QStringLiteral(".pdf"));
        QRPrinter->ExportToPdf(pdf);
        QByteArray docs = qgetenv("ZEMBRA_RENDER_DOCS");
        QString out = QDir(docs.isEmpty() ? dir.path() : QString::fromLocal8Bit(docs)).filePath(name);
        QProcess p;
        p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("80"),
                                             QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                             QStringLiteral("1"), QStringLiteral("-singlefile"), pdf, out});
        ASSERT_TRUE(p.waitForFinished(60000));
        QImage image(out + QStringLiteral(".png"));
        ASSERT_FALSE(image.isNull());
        bool landscape = QRPrinter->Pages(1).Landscape;
        EXPECT_NEAR(image.width(), landscape ? 935 : 661, 2);
        EXPECT_NEAR(image.height(), landscape ? 661 : 935, 2);
        int ink = 0;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                if (qGray(image.pixel(x, y)) < 100) ++ink;
        EXPECT_GT(ink, 2000);
    }
};

const char* const kLawyers[] = {"Álvarez Pérez, Begoña", "Castaño Ruiz, Íñigo", "Muñoz Gil, Nuria"};
const char* const kClients[] = {"Construcciones Peña e Hijos, S.L.", "Ortega Saavedra, María Ángeles",
                                "Transportes del Cantábrico, S.A.", "Fernández Ibáñez, José Luis",
                                "Comunidad de Propietarios Avda. de la Constitución 14"};
const char* const kProcedures[] = {"Juicio verbal", "Procedimiento ordinario de reclamación de cantidad",
                                   "Monitorio", "Ejecución de títulos judiciales", "Divorcio contencioso"};

}  // namespace

TEST_F(RenderTest, GroupedListPage) {
    std::vector<QVariantList> rows;
    for (int i = 0; i < 60; ++i)
        rows.push_back({QString::fromUtf8(kLawyers[i * 3 / 60]), QStringLiteral("2024/%1").arg(100 + i),
                        QString::fromUtf8(kClients[i % 5]), QString::fromUtf8(kProcedures[(i * 7) % 5]),
                        QStringLiteral("%1/2024").arg(1200 + i * 13), ((i * 37) % 23) * 125.4 - 300});
    TTable* t = Table(QStringLiteral("EXPEDIENTES"),
                      {{QStringLiteral("ABOGADO"), ftString}, {QStringLiteral("EXPEDIENTE"), ftString},
                       {QStringLiteral("CLIENTE"), ftString}, {QStringLiteral("PROCEDIMIENTO"), ftString},
                       {QStringLiteral("AUTOS"), ftString}, {QStringLiteral("SALDO"), ftFloat}},
                      rows);
    t->FieldByName(QStringLiteral("SALDO"))->SetDisplayFormat(QStringLiteral("#,##0.00"));
    TQuickRep* r = NewReport();
    r->Page()->SetTopMargin(10);
    r->Page()->SetBottomMargin(10);
    r->Page()->SetLeftMargin(12);
    r->Page()->SetRightMargin(12);
    r->SetDataSet(t);
    std::vector<TCol> cols = {{"Expediente", "EXPEDIENTE", 0, 84},
                              {"Cliente", "CLIENTE", 88, 190},
                              {"Procedimiento", "PROCEDIMIENTO", 282, 190},
                              {"Nº Autos", "AUTOS", 476, 70},
                              {"Saldo", "SALDO", 550, r->PrintableWidth() - 550, taRightJustify}};
    PageHeader(r, QStringLiteral("LISTADO DE EXPEDIENTES POR ABOGADO"), cols);

    auto* group = Group(r, QString(), 26, QStringLiteral("ABOGADO"));
    Text(group, QStringLiteral("Abogado :"), 0, 6)->Font()->SetStyle({fsBold});
    TQRDBText* lawyer = DBText(group, t, QStringLiteral("ABOGADO"), 80, 6);
    lawyer->Font()->SetStyle({fsBold});
    TQRBand* detail = Band(r, rbDetail, QStringLiteral("Detalle"), 20);
    Columns(detail, t, cols);
    TQRBand* groupFooter = Band(r, rbGroupFooter, QStringLiteral("PieGrupo"), 28);
    group->SetFooterBand(groupFooter);
    groupFooter->Frame()->SetDrawTop(true);
    Text(groupFooter, QStringLiteral("Total abogado ...... :"), 282, 3);
    Sum(groupFooter, QStringLiteral("SALDO"), cols[4], true);

    TQRBand* pageFooter = Band(r, rbPageFooter, QStringLiteral("Pie"), 24);
    pageFooter->Frame()->SetDrawTop(true);
    Text(pageFooter, QStringLiteral("Suma y sigue ...... :"), 282, 4);
    Sum(pageFooter, QStringLiteral("SALDO"), cols[4], false);
    auto* child = new TQRChildBand(&owner);
    child->SetHeight(18);
    child->SetParentBand(pageFooter);
    TQRLabel* note = Text(child, QStringLiteral("Saldos en euros a la fecha del listado"), 0, 2);
    note->Font()->SetSize(7);
    note->Font()->SetStyle({fsItalic});
    TQRBand* summary = Band(r, rbSummary, QStringLiteral("Resumen"), 28);
    Text(summary, QStringLiteral("Total general ...... :"), 282, 4)->Font()->SetStyle({fsBold});
    Sum(summary, QStringLiteral("SALDO"), cols[4], false);
    r->Prepare();
    ASSERT_GE(QRPrinter->PageCount(), 2);
    Render(QStringLiteral("lista-agrupada"));
}

TEST_F(RenderTest, LandscapeListOfTwelveColumns) {
    std::vector<QVariantList> rows;
    for (int i = 0; i < 40; ++i) {
        double der = 150 + (i * 53) % 900, sup = (i * 17) % 120, gas = (i % 4) * 12.5;
        double iva = std::round(der * 21) / 100, irpf = std::round(der * 15) / 100;
        rows.push_back({i < 28 ? QStringLiteral("Euros") : QStringLiteral("Pesetas"),
                        QStringLiteral("E %1/%2").arg(2024).arg(10 + i), QStringLiteral("%1/2024").arg(700 + i * 3),
                        QString::fromUtf8(kProcedures[i % 5]), QString::fromUtf8(kClients[(i * 3) % 5]),
                        QStringLiteral("%1/03/2024").arg(1 + i % 28, 2, 10, QChar(u'0')), 40 + i, sup, der, gas, iva,
                        irpf, der + sup + gas + iva - irpf});
    }
    TTable* t = Table(QStringLiteral("FACTURAS"),
                      {{QStringLiteral("MONEDA"), ftString}, {QStringLiteral("REFERENCIA"), ftString},
                       {QStringLiteral("AUTOS"), ftString}, {QStringLiteral("PROCEDIMIENTO"), ftString},
                       {QStringLiteral("CLIENTE"), ftString}, {QStringLiteral("FECHA"), ftString},
                       {QStringLiteral("FACTURA"), ftInteger}, {QStringLiteral("SUPLIDOS"), ftFloat},
                       {QStringLiteral("DERECHOS"), ftFloat}, {QStringLiteral("GASTOS"), ftFloat},
                       {QStringLiteral("IMPIVA"), ftFloat}, {QStringLiteral("IMPIRPF"), ftFloat},
                       {QStringLiteral("TOTAL"), ftFloat}},
                      rows);
    for (const char* f : {"SUPLIDOS", "DERECHOS", "GASTOS", "IMPIVA", "IMPIRPF", "TOTAL"})
        t->FieldByName(QString::fromLatin1(f))->SetDisplayFormat(QStringLiteral("#,##0.00"));
    TQuickRep* r = NewReport();
    r->Page()->SetOrientation(poLandscape);
    r->Page()->SetTopMargin(10);
    r->Page()->SetBottomMargin(10);
    r->Page()->SetLeftMargin(10);
    r->Page()->SetRightMargin(10);
    r->Font()->SetSize(8);
    r->SetDataSet(t);
    std::vector<TCol> cols = {{"Referencia", "REFERENCIA", 0, 72},
                              {"Nº Autos", "AUTOS", 76, 60},
                              {"Tipo/Proced.", "PROCEDIMIENTO", 140, 160},
                              {"Cliente", "CLIENTE", 304, 176},
                              {"Fecha", "FECHA", 484, 70},
                              {"Número", "FACTURA", 558, 56, taRightJustify},
                              {"Suplidos", "SUPLIDOS", 618, 68, taRightJustify},
                              {"Derechos", "DERECHOS", 690, 70, taRightJustify},
                              {"Gastos", "GASTOS", 764, 60, taRightJustify},
                              {"I.V.A.", "IMPIVA", 828, 68, taRightJustify},
                              {"I.R.P.F.", "IMPIRPF", 900, 68, taRightJustify},
                              {"Total", "TOTAL", 972, r->PrintableWidth() - 972, taRightJustify}};
    PageHeader(r, QStringLiteral("LISTADO GENERAL DE FACTURAS DESDE 01/03/2024 A 31/03/2024"), cols);
    auto* group = Group(r, QString(), 24, QStringLiteral("MONEDA"));
    Text(group, QStringLiteral("Moneda : "), 0, 5)->Font()->SetStyle({fsBold});
    DBText(group, t, QStringLiteral("MONEDA"), 66, 5)->Font()->SetStyle({fsBold});
    TQRBand* detail = Band(r, rbDetail, QStringLiteral("Detalle"), 18);
    Columns(detail, t, cols);
    TQRBand* groupFooter = Band(r, rbGroupFooter, QStringLiteral("PieGrupo"), 26);
    group->SetFooterBand(groupFooter);
    groupFooter->Frame()->SetDrawTop(true);
    Text(groupFooter, QStringLiteral("Totales ...... :"), 454, 3);
    for (size_t k = 6; k < cols.size(); ++k) Sum(groupFooter, QString::fromLatin1(cols[k].Field), cols[k], true);
    r->Prepare();
    ASSERT_GE(QRPrinter->PageCount(), 1);
    Render(QStringLiteral("lista-apaisada"));
}
