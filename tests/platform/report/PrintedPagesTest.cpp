// What the printed pages say, read back from the PDF page by page: page footers that sum their
// own page, group sums that restart with every group, page numbers of bands moved to the next
// page, the room kept for the page footer and its children, text clipped to its column, and
// the report's fonts.
#include "Support.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/SysUtils.h"

#include <QFontMetrics>
#include <QProcess>
#include <QRegularExpression>
#include <cmath>
#include <functional>
#include <map>

using namespace reporttest;

namespace {

double SpanishNumber(QString s) { return s.remove(u'.').replace(u',', u'.').toDouble(); }

// Every "name=value" token of a page text.
std::vector<std::pair<QString, QString>> Tokens(const QString& page) {
    static const QRegularExpression re(QStringLiteral(R"(([A-Za-z]+)(\d*)=([-\d.,]+))"));
    std::vector<std::pair<QString, QString>> out;
    for (auto it = re.globalMatch(page); it.hasNext();) {
        auto m = it.next();
        out.emplace_back(m.captured(1) + m.captured(2), m.captured(3));
    }
    return out;
}

class PrintedPagesTest : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        platform::forms::ApplicationInstance();  // fonts are measured before the reports run
        if (!HavePdfToText()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    }
    QString Pdf() {
        QString file = dir.filePath(QStringLiteral("informe.pdf"));
        QRPrinter->ExportToPdf(file);
        return file;
    }
    // Prefixes what an element prints with "name=", so the PDF reads as tokens.
    static void Tag(TQRCustomLabel* element, const QString& name) {
        element->OnPrint = [name](TObject*, QString& value) { value = name + u'=' + value; };
    }
};

}  // namespace

TEST_F(PrintedPagesTest, PageFooterSumsExactlyTheRowsOfItsPage) {
    // 190 rows in groups of 17, each group with its footer; the even rows are left out, so
    // every page ends after a row that did not print. The page footer carries the page's
    // sum, the running total ("Suma y sigue") and the last row printed on the page.
    std::vector<TLine> rows;
    for (int i = 1; i <= 190; ++i)
        rows.push_back({QStringLiteral("G%1").arg((i - 1) / 17 + 1, 2, 10, QChar(u'0')), QString(), i, i * 3.75, {}});
    TTable* t = Lines(rows);
    TQuickRep* r = NewReport();
    r->SetDataSet(t);
    auto* group = Group(r, QString(), 20, QStringLiteral("GRUPO"));
    Expr(group, QStringLiteral("'Grupo ' + GRUPO"));
    TQRBand* detail = Band(r, rbDetail, QStringLiteral("Detalle"), 20);
    detail->BeforePrint = [t](TQRCustomBand*, bool& print) { print = t->FieldByName(QStringLiteral("NUM"))->AsInteger() % 2; };
    TQRDBText* amount = DBText(detail, t, QStringLiteral("IMPORTE"));
    t->FieldByName(QStringLiteral("IMPORTE"))->SetDisplayFormat(QStringLiteral("#,##0.00"));
    amount->OnPrint = [t](TObject*, QString& v) {
        v = QStringLiteral("Fila") + t->FieldByName(QStringLiteral("NUM"))->AsString() + u'=' + v;
    };
    TQRExpr* running = Expr(detail, QStringLiteral("SUM(IMPORTE)"), 300);
    running->SetMask(QStringLiteral("#,##0.00"));
    running->OnPrint = [t](TObject*, QString& v) {
        v = QStringLiteral("Acum") + t->FieldByName(QStringLiteral("NUM"))->AsString() + u'=' + v;
    };
    TQRBand* groupFooter = Band(r, rbGroupFooter, QStringLiteral("PieGrupo"), 20);
    group->SetFooterBand(groupFooter);
    TQRExpr* groupSum = Expr(groupFooter, QStringLiteral("SUM(IMPORTE)"));
    groupSum->SetMask(QStringLiteral("#,##0.00"));
    groupSum->SetResetAfterPrint(true);
    groupSum->OnPrint = [t](TObject*, QString& v) {
        v = QStringLiteral("Grupo") + t->FieldByName(QStringLiteral("GRUPO"))->AsString().mid(1) + u'=' + v;
    };
    // The page header carries what the previous pages summed up.
    TQRExpr* brought = Expr(r->Bands(0), QStringLiteral("SUM(IMPORTE)"), 300);
    brought->SetMask(QStringLiteral("#,##0.00"));
    Tag(brought, QStringLiteral("SumaAnterior"));
    TQRBand* pageFooter = Band(r, rbPageFooter, QStringLiteral("Pie"), 40);
    TQRExpr* pageSum = Expr(pageFooter, QStringLiteral("SUM(IMPORTE)"));
    pageSum->SetMask(QStringLiteral("#,##0.00"));
    pageSum->SetResetAfterPrint(true);
    Tag(pageSum, QStringLiteral("SumaPagina"));
    TQRExpr* carried = Expr(pageFooter, QStringLiteral("SUM(IMPORTE)"), 250);
    carried->SetMask(QStringLiteral("#,##0.00"));
    Tag(carried, QStringLiteral("SumaSigue"));
    Tag(DBText(pageFooter, t, QStringLiteral("NUM"), 500), QStringLiteral("Ultima"));
    auto* detailNo = new TQRSysData(&owner);
    detailNo->SetParent(pageFooter);
    detailNo->SetData(qrsDetailNo);
    detailNo->SetLeft(600);
    Tag(detailNo, QStringLiteral("Numero"));
    r->Prepare();
    ASSERT_GE(QRPrinter->PageCount(), 3);

    QStringList pages = PdfPages(Pdf());
    ASSERT_EQ(pages.size(), QRPrinter->PageCount());
    double total = 0;
    std::map<int, double> groupSums;
    std::map<int, QString> groupPrinted;
    int rowsSeen = 0, last = 0;
    for (int p = 0; p < pages.size(); ++p) {
        double pageTotal = 0, before = total;
        std::map<QString, QString> footer;
        for (const auto& [name, value] : Tokens(pages[p])) {
            if (name.startsWith(QStringLiteral("Fila"))) {
                int n = name.mid(4).toInt();
                EXPECT_DOUBLE_EQ(SpanishNumber(value), n * 3.75);
                pageTotal += n * 3.75;
                total += n * 3.75;
                groupSums[(n - 1) / 17 + 1] += n * 3.75;
                last = n;
                ++rowsSeen;
            } else if (name.startsWith(QStringLiteral("Acum"))) {
                // A running sum in the row includes the row, on whatever page it lands.
                EXPECT_DOUBLE_EQ(SpanishNumber(value), total) << name.toStdString() << " page " << p + 1;
            } else if (name.startsWith(QStringLiteral("Grupo"))) {
                groupPrinted[name.mid(5).toInt()] = value;
            } else {
                footer[name] = value;
            }
        }
        EXPECT_DOUBLE_EQ(SpanishNumber(footer[QStringLiteral("SumaAnterior")]), before) << "page " << p + 1;
        EXPECT_DOUBLE_EQ(SpanishNumber(footer[QStringLiteral("SumaPagina")]), pageTotal) << "page " << p + 1;
        EXPECT_DOUBLE_EQ(SpanishNumber(footer[QStringLiteral("SumaSigue")]), total) << "page " << p + 1;
        EXPECT_EQ(footer[QStringLiteral("Ultima")].toInt(), last) << "page " << p + 1;
        EXPECT_EQ(footer[QStringLiteral("Numero")].toInt(), last) << "page " << p + 1;
    }
    EXPECT_EQ(rowsSeen, 95);
    ASSERT_EQ(groupPrinted.size(), 12u);
    for (const auto& [g, sum] : groupSums) EXPECT_DOUBLE_EQ(SpanishNumber(groupPrinted[g]), sum) << "group " << g;
}

TEST_F(PrintedPagesTest, GroupSumsRestartWhenTheirFooterIsLeftOutOrHidden) {
    TTable* t = Lines({{"A", "", 1, 1, {}}, {"A", "", 2, 2, {}}, {"A", "", 3, 3, {}}, {"B", "", 4, 4, {}},
                       {"B", "", 5, 5, {}}, {"C", "", 6, 6, {}}, {"C", "", 7, 7, {}}});
    TQuickRep* r = NewReport();
    r->SetDataSet(t);
    auto* group = Group(r, QString(), 20, QStringLiteral("GRUPO"));
    DBText(Band(r, rbDetail, QStringLiteral("Detalle"), 20), t, QStringLiteral("NUM"));
    TQRBand* foot = Band(r, rbGroupFooter, QStringLiteral("PieGrupo"), 20);
    group->SetFooterBand(foot);
    TQRExpr* sum = Expr(foot, QStringLiteral("SUM(IMPORTE)"));
    sum->SetResetAfterPrint(true);
    Tag(sum, QStringLiteral("Suma"));
    TQRExpr* count = Expr(foot, QStringLiteral("COUNT()"), 200);
    count->SetResetAfterPrint(true);
    Tag(count, QStringLiteral("Cuenta"));
    foot->BeforePrint = [&](TQRCustomBand*, bool& print) {
        QString g = t->FieldByName(QStringLiteral("GRUPO"))->AsString();
        print = g != QStringLiteral("B");                // B's footer is left out
        count->SetVisible(g != QStringLiteral("A"));     // A's count is hidden
    };
    r->Prepare();
    QStringList pages = PdfPages(Pdf());
    ASSERT_EQ(pages.size(), 1);
    QStringList got;
    for (const auto& [name, value] : Tokens(pages[0])) got << name + u'=' + value;
    EXPECT_EQ(got, (QStringList{"Suma=6", "Suma=13", "Cuenta=2"}));
}

TEST_F(PrintedPagesTest, ABandMovedToTheNextPagePrintsThatPagesNumber) {
    // 1100 units below the header: eleven rows of 100 fill page 1; row 12 moves to page 2.
    TTable* t = Lines(NumberedLines(25, 100));
    TQuickRep* r = NewReport();
    r->SetDataSet(t);
    TQRBand* detail = Band(r, rbDetail, QStringLiteral("Detalle"), 100);
    auto* page = new TQRSysData(&owner);
    page->SetParent(detail);
    page->SetData(qrsPageNumber);
    page->OnPrint = [t](TObject*, QString& v) {
        v = QStringLiteral("Fila") + t->FieldByName(QStringLiteral("NUM"))->AsString() + u'=' + v;
    };
    r->Prepare();
    ASSERT_EQ(QRPrinter->PageCount(), 3);
    QStringList pages = PdfPages(Pdf());
    ASSERT_EQ(pages.size(), 3);
    int rows = 0;
    for (int p = 0; p < 3; ++p)
        for (const auto& [name, value] : Tokens(pages[p])) {
            ++rows;
            EXPECT_EQ(value.toInt(), p + 1) << name.toStdString();
        }
    EXPECT_EQ(rows, 25);
    EXPECT_TRUE(pages[1].contains(QStringLiteral("Fila12=2")));
}

TEST_F(PrintedPagesTest, PageFooterChildBandsHaveTheirRoomAtTheBottom) {
    TTable* t = Lines(NumberedLines(120, 1000));
    TQuickRep* r = NewReport();
    r->SetDataSet(t);
    TQRBand* detail = Band(r, rbDetail, QStringLiteral("Detalle"), 20);
    Tag(DBText(detail, t, QStringLiteral("NUM")), QStringLiteral("Fila"));
    TQRBand* footer = Band(r, rbPageFooter, QStringLiteral("Pie"), 20);
    Label(footer, QStringLiteral("PIE"));
    auto* child = new TQRChildBand(&owner);
    child->SetName(QStringLiteral("PieHijo"));
    child->SetHeight(30);
    child->SetParentBand(footer);
    Label(child, QStringLiteral("HIJO"), 0, 5);
    r->Prepare();
    // 1123 - 23 (header) - 20 - 30 leaves 1050: 52 rows a page.
    ASSERT_EQ(QRPrinter->PageCount(), 3);
    EXPECT_EQ(QRPrinter->Pages(1).Bands().count(QStringLiteral("Detalle")), 52);
    for (int p = 1; p <= 3; ++p) {
        const auto* pie = QRPrinter->Pages(p).FindBand(QStringLiteral("Pie"));
        const auto* hijo = QRPrinter->Pages(p).FindBand(QStringLiteral("PieHijo"));
        ASSERT_TRUE(pie && hijo) << p;
        EXPECT_EQ(hijo->Rect.top(), pie->Rect.top() + 20) << p;
        EXPECT_EQ(hijo->Rect.bottom() + 1, r->PageHeightUnits()) << p;
    }

    auto words = PdfWords(Pdf());
    ASSERT_EQ(words.size(), 3u);
    for (size_t p = 0; p < 3; ++p) {
        double lowestRow = 0, pieTop = 1e9, pieBottom = 0, hijoTop = 1e9, hijoBottom = 0;
        for (const TPdfWord& w : words[p]) {
            if (w.Text.startsWith(QStringLiteral("Fila="))) lowestRow = std::max(lowestRow, w.Box.bottom());
            if (w.Text == QStringLiteral("PIE")) pieTop = w.Box.top(), pieBottom = w.Box.bottom();
            if (w.Text == QStringLiteral("HIJO")) hijoTop = w.Box.top(), hijoBottom = w.Box.bottom();
        }
        EXPECT_LE(lowestRow, pieTop) << p;
        EXPECT_LE(pieBottom, hijoTop) << p;
        EXPECT_LE(hijoBottom, r->PageHeightUnits()) << p;
    }
}

TEST_F(PrintedPagesTest, TextStaysInsideItsColumn) {
    // A landscape list of twelve columns 90 units wide. Single-line texts are cut at their
    // column's edge on the side away from their alignment; a word-wrapped one shows the lines
    // that fit its box.
    const QString procedure = QStringLiteral("Procedimiento ordinario de reclamación de cantidad");
    const QString court = QStringLiteral("Juzgado de Primera Instancia número 12");
    TTable* t = Lines({{"A", "", 1, 123456789012.5, procedure}, {"B", "", 2, 3, QStringLiteral("Monitorio")}});
    TQuickRep* r = NewReport();
    r->Page()->SetOrientation(poLandscape);
    r->SetDataSet(t);
    TQRBand* detail = Band(r, rbDetail, QStringLiteral("Detalle"), 20);
    const int width = 90, step = 93;
    std::vector<QRectF> columns;
    for (int k = 0; k < 12; ++k) {
        TQRCustomLabel* c = nullptr;
        if (k == 2) c = DBText(detail, t, QStringLiteral("NOTAS"));
        else if (k == 5 || k == 7) c = Label(detail, court);
        else if (k == 11) c = DBText(detail, t, QStringLiteral("IMPORTE"));
        else c = Label(detail, QStringLiteral("C%1 texto largo de relleno").arg(k));
        c->SetAutoSize(false);
        c->SetWordWrap(k == 4);
        c->SetLeft(3 + k * step);
        c->SetWidth(width);
        if (k == 5 || k == 11) c->SetAlignment(taRightJustify);
        if (k == 7) c->SetAlignment(taCenter);
        columns.push_back(QRectF(3 + k * step, 0, width, 1e9));
    }
    t->FieldByName(QStringLiteral("IMPORTE"))->SetDisplayFormat(QStringLiteral("#,##0.00"));
    // Word-wrapped labels without auto-size: one two and a half lines high, one higher than
    // its band.
    TQRBand* notes = Band(r, rbSummary, QStringLiteral("Notas"), 80);
    const QString numbers = QStringLiteral("uno dos tres cuatro cinco seis siete ocho nueve diez once doce trece catorce "
                                           "quince dieciséis diecisiete dieciocho diecinueve veinte");
    TQRLabel* shortNote = Label(notes, numbers, 10, 5);
    TQRLabel* tallNote = Label(notes, numbers, 300, 5);
    QFontMetrics fm(r->Font()->ToQFont());
    for (TQRLabel* l : {shortNote, tallNote}) {
        l->SetAutoSize(false);
        l->SetWordWrap(true);
        l->SetWidth(150);
    }
    shortNote->SetHeight(2 * fm.height() + fm.height() / 2);
    tallNote->SetHeight(300);
    r->Prepare();

    auto words = PdfWords(Pdf());
    ASSERT_EQ(words.size(), 1u);
    const double slack = 0.75;  // rounding of the PDF's coordinates
    const int notesTop = 23 + 2 * 20, notesBottom = notesTop + 80;
    QStringList seen, shortWords, tallWords;
    for (const TPdfWord& w : words[0]) {
        if (w.Box.top() < notesTop) {
            seen << w.Text;
            for (const QRectF& c : columns)
                if (w.Box.left() >= c.left() - slack && w.Box.left() < c.right()) {
                    EXPECT_LE(w.Box.right(), c.right() + slack) << w.Text.toStdString();
                }
        } else {
            QStringList& list = w.Box.left() < 200 ? shortWords : tallWords;
            list << w.Text;
            double left = w.Box.left() < 200 ? 10 : 300;
            EXPECT_LE(w.Box.right(), left + 150 + slack) << w.Text.toStdString();
            EXPECT_LE(w.Box.bottom(), notesBottom + slack) << w.Text.toStdString();
        }
    }
    // Where a text is cut depends on the face's widths; which end it keeps does not.
    auto any = [&](const std::function<bool(const QString&)>& test) { return std::any_of(seen.begin(), seen.end(), test); };
    EXPECT_TRUE(any([](const QString& w) { return w.size() >= 5 && QStringLiteral("Procedimiento").startsWith(w); }))
        << seen.join(u' ').toStdString();
    EXPECT_FALSE(seen.contains(QStringLiteral("cantidad")));
    EXPECT_TRUE(seen.contains(QStringLiteral("Monitorio")));
    // Right-aligned texts keep their tail, centred ones their middle; the wrapped column its
    // first line.
    EXPECT_TRUE(seen.contains(QStringLiteral("12")));
    EXPECT_TRUE(any([](const QString& w) { return w.startsWith(QStringLiteral("Instanc")); }));
    EXPECT_FALSE(seen.contains(QStringLiteral("Juzgado")));
    EXPECT_FALSE(seen.contains(QStringLiteral("123.456.789.012,50")));
    EXPECT_TRUE(any([](const QString& w) { return w.endsWith(QStringLiteral("789.012,50")); }));
    EXPECT_EQ(seen.count(QStringLiteral("C4")), 2);
    EXPECT_FALSE(seen.contains(QStringLiteral("relleno")));

    // The wrapped notes print whole lines, as many as fit their box within the band.
    const auto& page = QRPrinter->Pages(1);
    auto lines = [&](int left) {
        QStringList out;
        for (const auto& op : page.Ops)
            if (op.Kind == platform::report::TOpKind::Text && op.Rect.left() == left) out << op.Text;
        return out;
    };
    QStringList shortLines = lines(10), tallLines = lines(300);
    EXPECT_EQ(shortLines.size(), 2);
    EXPECT_EQ(tallLines.size(), (80 - 5) / fm.height());
    EXPECT_EQ(shortWords.join(u' '), shortLines.join(u' '));
    EXPECT_EQ(tallWords.join(u' '), tallLines.join(u' '));
    EXPECT_TRUE(numbers.startsWith(tallLines.join(u' ')));
}

TEST_F(PrintedPagesTest, ReportTextUsesTheFormsFontMapping) {
    TQuickRep* r = NewReport();
    EXPECT_EQ(r->Font()->Name(), QStringLiteral("Arial"));
    TQRBand* detail = Band(r, rbDetail, QStringLiteral("Detalle"), 40);
    TQRLabel* sans = Label(detail, QStringLiteral("Texto en Arial"));
    TQRLabel* mono = Label(detail, QStringLiteral("Texto fijo"), 300);
    mono->Font()->SetName(QStringLiteral("Courier New"));
    mono->Font()->SetPitch(fpFixed);
    TQRLabel* serif = Label(detail, QStringLiteral("Texto con remates"), 500);
    serif->Font()->SetName(QStringLiteral("Times New Roman"));
    r->Prepare();
    const auto& page = QRPrinter->Pages(1);
    using platform::graphics::ResolveFontFamily;
    EXPECT_EQ(page.FindText(sans->Caption())->Font.family(), ResolveFontFamily(QStringLiteral("Arial")));
    EXPECT_EQ(page.FindText(mono->Caption())->Font.family(), ResolveFontFamily(QStringLiteral("Courier New"), fpFixed));
    EXPECT_EQ(page.FindText(serif->Caption())->Font.family(), ResolveFontFamily(QStringLiteral("Times New Roman")));

    // The PDF embeds the families the mapping chose, and prints text as wide as it was measured.
    QString file = Pdf();
    QProcess fonts;
    fonts.start(QStringLiteral("pdffonts"), {file});
    fonts.waitForFinished(30000);
    QString listed = QString::fromUtf8(fonts.readAllStandardOutput());
    for (const QString& family : {ResolveFontFamily(QStringLiteral("Arial")),
                                  ResolveFontFamily(QStringLiteral("Courier New"), fpFixed)})
        EXPECT_TRUE(listed.contains(QString(family).remove(u' '))) << listed.toStdString();
    auto words = PdfWords(file);
    ASSERT_EQ(words.size(), 1u);
    double left = 1e9, right = 0;
    for (const TPdfWord& w : words[0])
        if (w.Box.left() < 290 && w.Box.top() > 20) left = std::min(left, w.Box.left()), right = std::max(right, w.Box.right());
    double measured = QFontMetrics(page.FindText(sans->Caption())->Font).horizontalAdvance(sans->Caption());
    EXPECT_NEAR(right - left, measured, measured * 0.02);
}

TEST_F(PrintedPagesTest, TextsAsWideAsTheirColumnPrintWholeAndOneUnitNarrowerCut) {
    // Kerned pairs, ligatures and accents: whether a text fits is decided as it prints.
    const QStringList texts = {QStringLiteral("AVATAR Tower WAVY Yo LT P."), QStringLiteral("fi fl office ffl affluent"),
                               QStringLiteral("Peña Álvarez, Íñigo"), QStringLiteral("«Té» — 1.234,50 €")};
    TQuickRep* r = NewReport();
    TQRBand* detail = Band(r, rbDetail, QStringLiteral("Detalle"), 40);
    TQRLabel* label = Label(detail, QString(), 10, 2);
    label->SetAutoSize(false);
    int checked = 0;
    for (const char* face : {"Arial", "Times New Roman", "Courier New", "DejaVu Sans"})
        for (int height : {-7, -9, -11, -13, -17, -22})
            for (const TFontStyles& style : {TFontStyles{}, TFontStyles{fsBold}, TFontStyles{fsItalic}})
                for (const QString& text : texts) {
                    label->Font()->SetName(QString::fromLatin1(face));
                    label->Font()->SetHeight(height);
                    label->Font()->SetStyle(style);
                    label->SetCaption(text);
                    const int exact = QFontMetrics(label->Font()->ToQFont()).horizontalAdvance(text);
                    const std::string where = std::string(face) + " " + std::to_string(height) + " " + text.toStdString();
                    label->SetWidth(exact);
                    r->Prepare();
                    EXPECT_TRUE(QRPrinter->Pages(1).Texts().contains(text)) << where;
                    label->SetWidth(exact - 1);
                    r->Prepare();
                    const QStringList cut = QRPrinter->Pages(1).Texts();
                    EXPECT_FALSE(cut.contains(text)) << where;
                    EXPECT_TRUE(std::any_of(cut.begin(), cut.end(), [&](const QString& t) {
                        return !t.isEmpty() && t.size() < text.size() && text.startsWith(t);
                    })) << where;
                    ++checked;
                }
    EXPECT_EQ(checked, 4 * 6 * 3 * 4);
}
