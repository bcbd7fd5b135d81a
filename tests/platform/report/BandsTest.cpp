// Report runs over small tables: band order per page, groups, suppression, heights,
// aggregates, page breaks, stretching memos and the page count, read from the recorded pages.
#include "Support.h"
#include "platform/rtl/SysUtils.h"

#include <QFontMetrics>

using namespace reporttest;
using platform::report::TQRPageRecord;

namespace {

// Band names with consecutive repeats kept, for one page.
QStringList BandsOf(int page) { return QRPrinter->Pages(page).Bands(); }

}  // namespace

TEST_F(ReportTest, BandsPrintInTheirOrderWithHeaderAndFooterOnEveryPage) {
    TTable* t = Lines(NumberedLines(30, 100));
    TQuickRep* r = NewReport();
    r->SetDataSet(t);
    TQRBand* footer = Band(r, rbPageFooter, QStringLiteral("Pie"), 30);
    auto* page = new TQRSysData(&owner);
    page->SetParent(footer);
    page->SetData(qrsPageNumber);
    page->SetText(QStringLiteral("Página : "));
    Label(Band(r, rbTitle, QStringLiteral("Titulo"), 40), QStringLiteral("TÍTULO"));
    Label(Band(r, rbColumnHeader, QStringLiteral("Columnas"), 20), QStringLiteral("Número"));
    TQRBand* detail = Band(r, rbDetail, QStringLiteral("Detalle"), 50);
    DBText(detail, t, QStringLiteral("NUM"));
    Label(Band(r, rbSummary, QStringLiteral("Resumen"), 20), QStringLiteral("FIN"));
    r->Prepare();

    // 1123 units of A4 height: header 23 and footer 30 leave 1070; page 1 also has the title (40)
    // and the column header (20): 20 details; page 2 the column header and the other 10.
    ASSERT_EQ(QRPrinter->PageCount(), 2);
    QStringList p1 = BandsOf(1);
    ASSERT_GE(p1.size(), 4);
    EXPECT_EQ(p1.mid(0, 3), (QStringList{"Cabecera", "Titulo", "Columnas"}));
    EXPECT_EQ(p1.count(QStringLiteral("Detalle")), 20);
    EXPECT_EQ(p1.back(), QStringLiteral("Pie"));
    QStringList p2 = BandsOf(2);
    EXPECT_EQ(p2.mid(0, 2), (QStringList{"Cabecera", "Columnas"}));
    EXPECT_EQ(p2.count(QStringLiteral("Detalle")), 10);
    EXPECT_EQ(p2.mid(p2.size() - 2), (QStringList{"Resumen", "Pie"}));
    EXPECT_FALSE(p2.contains(QStringLiteral("Titulo")));

    auto texts = PageTexts();
    EXPECT_EQ(texts[0].mid(0, 4), (QStringList{"LISTADO", "TÍTULO", "Número", "1"}));
    EXPECT_EQ(texts[0].back(), QStringLiteral("Página : 1"));
    EXPECT_EQ(texts[1].mid(2, 1), QStringList{"21"});
    EXPECT_EQ(texts[1].back(), QStringLiteral("Página : 2"));
    // The footer sits at the bottom of the printable area.
    const auto* pie = QRPrinter->Pages(1).FindBand(QStringLiteral("Pie"));
    ASSERT_NE(pie, nullptr);
    EXPECT_EQ(pie->Rect.bottom() + 1, r->PageHeightUnits());
}

TEST_F(ReportTest, GroupFootersPrintBeforeTheNextHeaderWithTheirOwnRowCurrent) {
    TTable* t = Lines({{"A", "x", 1, 10, {}}, {"A", "y", 2, 20, {}}, {"B", "x", 3, 5, {}}, {"C", "z", 4, 1, {}}});
    TQuickRep* r = NewReport();
    r->SetDataSet(t);
    auto* group = Group(r, QStringLiteral("CabGrupo"), 20, QStringLiteral("GRUPO"));
    Expr(group, QStringLiteral("'Grupo ' + GRUPO"));
    TQRBand* detail = Band(r, rbDetail, QStringLiteral("Detalle"), 20);
    DBText(detail, t, QStringLiteral("NUM"));
    TQRBand* foot = Band(r, rbGroupFooter, QStringLiteral("PieGrupo"), 20);
    group->SetFooterBand(foot);
    TQRLabel* footLabel = Label(foot, QString());
    foot->BeforePrint = [&](TQRCustomBand*, bool&) {
        footLabel->SetCaption(QStringLiteral("Fin ") + t->FieldByName(QStringLiteral("GRUPO"))->AsString());
    };
    r->Prepare();

    ASSERT_EQ(QRPrinter->PageCount(), 1);
    EXPECT_EQ(PageTexts()[0], (QStringList{"LISTADO", "Grupo A", "1", "2", "Fin A", "Grupo B", "3", "Fin B",
                                           "Grupo C", "4", "Fin C"}));
}

TEST_F(ReportTest, NestedGroupsBreakInnerOnOuterChange) {
    TTable* t = Lines({{"A", "x", 1, 1, {}}, {"A", "x", 2, 1, {}}, {"A", "y", 3, 1, {}}, {"B", "y", 4, 1, {}}});
    TQuickRep* r = NewReport();
    r->SetDataSet(t);
    auto addGroup = [&](const QString& name, const QString& field) {
        auto* g = Group(r, name, 20, field);
        Expr(g, QStringLiteral("'") + name + QStringLiteral(" ' + ") + field);
        TQRBand* f = Band(r, rbGroupFooter, name + QStringLiteral("Pie"), 20);
        g->SetFooterBand(f);
        Expr(f, QStringLiteral("'fin ") + name + QStringLiteral(" ' + COUNT()"))->SetResetAfterPrint(true);
        return g;
    };
    addGroup(QStringLiteral("Ext"), QStringLiteral("GRUPO"));
    addGroup(QStringLiteral("Int"), QStringLiteral("SUB"));
    DBText(Band(r, rbDetail, QStringLiteral("Detalle"), 20), t, QStringLiteral("NUM"));
    r->Prepare();
    EXPECT_EQ(PageTexts()[0],
              (QStringList{"LISTADO", "Ext A", "Int x", "1", "2", "fin Int 2", "Int y", "3", "fin Int 1",
                           "fin Ext 3", "Ext B", "Int y", "4", "fin Int 1", "fin Ext 1"}));
}

TEST_F(ReportTest, SuppressedBandsTakeNoRoomAndRunTimeHeightsAreHonoured) {
    TTable* t = Lines(NumberedLines(6, 100));
    TQuickRep* r = NewReport();
    r->SetDataSet(t);
    TQRBand* detail = Band(r, rbDetail, QStringLiteral("Detalle"), 20);
    DBText(detail, t, QStringLiteral("NUM"));
    std::vector<bool> afterPrint;
    detail->BeforePrint = [&](TQRCustomBand* band, bool& print) {
        int n = t->FieldByName(QStringLiteral("NUM"))->AsInteger();
        print = n % 3 != 0;                  // rows 3 and 6 are left out
        band->SetHeight(n == 2 ? 60 : 20);   // row 2 is three times as high
    };
    detail->AfterPrint = [&](TQRCustomBand*, bool printed) { afterPrint.push_back(printed); };
    TQRBand* summary = Band(r, rbSummary, QStringLiteral("Resumen"), 20);
    Label(summary, QStringLiteral("FIN"));
    r->Prepare();

    const TQRPageRecord& page = QRPrinter->Pages(1);
    EXPECT_EQ(page.Texts(), (QStringList{"LISTADO", "1", "2", "4", "5", "FIN"}));
    std::vector<int> tops;
    for (const auto& op : page.Ops)
        if (op.Kind == platform::report::TOpKind::Band) tops.push_back(op.Rect.top());
    // header 0..23, row 1 at 23, row 2 (60 high) at 43, row 4 at 103, row 5 at 123, summary 143.
    EXPECT_EQ(tops, (std::vector<int>{0, 23, 43, 103, 123, 143}));
    EXPECT_EQ(afterPrint, (std::vector<bool>{true, true, false, true, true, false}));
}

TEST_F(ReportTest, AggregatesCountPrintedRowsAndRestartAfterTheirFooter) {
    std::vector<TLine> rows = {{"A", "", 1, 1000.5, {}}, {"A", "", 2, 234, {}}, {"A", "", 3, 99, {}},
                               {"B", "", 4, 7.25, {}},   {"B", "", 5, -2, {}}};
    TTable* t = Lines(rows);
    TQuickRep* r = NewReport();
    r->SetDataSet(t);
    auto* group = Group(r, QString(), 10, QStringLiteral("TLineas.GRUPO"));
    TQRBand* detail = Band(r, rbDetail, QStringLiteral("Detalle"), 20);
    detail->BeforePrint = [&](TQRCustomBand*, bool& print) {
        print = t->FieldByName(QStringLiteral("NUM"))->AsInteger() != 3;  // not counted
    };
    TQRBand* foot = Band(r, rbGroupFooter, QStringLiteral("PieGrupo"), 20);
    group->SetFooterBand(foot);
    TQRExpr* sum = Expr(foot, QStringLiteral("SUM(IMPORTE)"));
    sum->SetMask(QStringLiteral("#,##0.00"));
    sum->SetResetAfterPrint(true);
    Expr(foot, QStringLiteral("COUNT"), 100)->SetResetAfterPrint(true);
    TQRBand* summary = Band(r, rbSummary, QStringLiteral("Resumen"), 20);
    Expr(summary, QStringLiteral("SUM(IMPORTE)"))->SetMask(QStringLiteral("#,##0.00"));
    Expr(summary, QStringLiteral("MAX(IMPORTE)"), 100);
    Expr(summary, QStringLiteral("MIN(IMPORTE)"), 200);
    Expr(summary, QStringLiteral("AVERAGE(IMPORTE * 2)"), 300);
    Expr(summary, QStringLiteral("COUNT()"), 400);
    // COUNT without parentheses is a field reference: a clear error, not a silent zero.
    EXPECT_THROW(r->Prepare(), EQRExpressionError);
    EXPECT_EQ(QRPrinter->PageCount(), 0);

    dynamic_cast<TQRExpr*>(foot->Controls(1))->SetExpression(QStringLiteral("COUNT()"));
    r->Prepare();
    EXPECT_EQ(PageTexts()[0], (QStringList{"LISTADO", "1.234,50", "2", "5,25", "2", "1.239,75", "1000,5", "-2",
                                           "619,875", "4"}));
}

TEST_F(ReportTest, ABandThatFitsExactlyStaysOnThePage) {
    // Below the 23-unit header an A4 page without margins has 1100 units.
    for (int height : {100, 101}) {
        folder = dir.path() + QStringLiteral("/h") + IntToStr(height);
        ASSERT_TRUE(QDir().mkpath(folder));
        TTable* t = Lines(NumberedLines(12, 100));
        TQuickRep* r = NewReport();
        r->SetDataSet(t);
        DBText(Band(r, rbDetail, QStringLiteral("Detalle"), height), t, QStringLiteral("NUM"));
        r->Prepare();
        ASSERT_EQ(QRPrinter->PageCount(), 2) << height;
        int first = QRPrinter->Pages(1).Bands().count(QStringLiteral("Detalle"));
        EXPECT_EQ(first, height == 100 ? 11 : 10) << height;
        EXPECT_EQ(QRPrinter->Pages(2).Texts().at(1), IntToStr(first + 1));
        owner.DestroyComponents();
    }
}

TEST_F(ReportTest, ForcedNewPageAndChildBands) {
    TTable* t = Lines({{"A", "", 1, 0, {}}, {"B", "", 2, 0, {}}});
    TQuickRep* r = NewReport();
    r->SetDataSet(t);
    auto* group = Group(r, QStringLiteral("CabGrupo"), 20, QStringLiteral("GRUPO"));
    group->SetForceNewPage(true);
    TQRBand* detail = Band(r, rbDetail, QStringLiteral("Detalle"), 20);
    DBText(detail, t, QStringLiteral("NUM"));
    auto* child = new TQRChildBand(&owner);
    child->SetName(QStringLiteral("Hijo"));
    child->SetHeight(15);
    child->SetParentBand(detail);
    Label(child, QStringLiteral("hijo"));
    detail->BeforePrint = [&](TQRCustomBand*, bool& print) { print = t->FieldByName(QStringLiteral("NUM"))->AsInteger() == 1; };
    r->Prepare();
    ASSERT_EQ(QRPrinter->PageCount(), 2);
    EXPECT_EQ(BandsOf(1), (QStringList{"Cabecera", "CabGrupo", "Detalle", "Hijo"}));
    // The child follows its parent: row 2's detail is suppressed and so is its child.
    EXPECT_EQ(BandsOf(2), (QStringList{"Cabecera", "CabGrupo"}));
}

TEST_F(ReportTest, AGroupHeadingGoesOverWithItsFirstRowInsteadOfClosingThePage) {
    // Ten rows of group A take 40 + 1000 of the 1100 units: group B's heading and its child
    // (40) would still fit below them, its first row (100) not.
    std::vector<TLine> rows;
    for (int n = 1; n <= 12; ++n) rows.push_back({n <= 10 ? "A" : "B", n <= 10 ? "x" : "y", n, 0, {}});
    TTable* t = Lines(rows);
    TQuickRep* r = NewReport();
    r->SetDataSet(t);
    auto* group = Group(r, QStringLiteral("CabGrupo"), 20, QStringLiteral("GRUPO"));
    Expr(group, QStringLiteral("'Grupo ' + GRUPO"));
    auto* child = new TQRChildBand(&owner);
    child->SetName(QStringLiteral("Moneda"));
    child->SetHeight(20);
    child->SetParent(r);
    child->SetParentBand(group);
    TQRBand* detail = Band(r, rbDetail, QStringLiteral("Detalle"), 100);
    DBText(detail, t, QStringLiteral("NUM"));
    r->Prepare();

    ASSERT_EQ(QRPrinter->PageCount(), 2);
    EXPECT_EQ(BandsOf(1).back(), QStringLiteral("Detalle"));
    EXPECT_EQ(BandsOf(1).count(QStringLiteral("CabGrupo")), 1);
    EXPECT_EQ(BandsOf(2).mid(0, 4), (QStringList{"Cabecera", "CabGrupo", "Moneda", "Detalle"}));
    EXPECT_EQ(PageTexts()[1].mid(1, 2), (QStringList{"Grupo B", "11"}));

    // Nested: the outer heading goes over with the inner one and the row.
    owner.DestroyComponents();
    folder = dir.path() + QStringLiteral("/anidados");
    ASSERT_TRUE(QDir().mkpath(folder));
    t = Lines(rows);
    r = NewReport();
    r->SetDataSet(t);
    for (const char* campo : {"GRUPO", "SUB"}) {
        auto* g = Group(r, QStringLiteral("Cab") + QString::fromLatin1(campo), 30, QString::fromLatin1(campo));
        Expr(g, QString::fromLatin1(campo));
    }
    DBText(Band(r, rbDetail, QStringLiteral("Detalle"), 100), t, QStringLiteral("NUM"));
    r->Prepare();
    ASSERT_EQ(QRPrinter->PageCount(), 2);
    EXPECT_EQ(BandsOf(1).count(QStringLiteral("Detalle")), 10);
    EXPECT_EQ(BandsOf(2).mid(0, 4), (QStringList{"Cabecera", "CabGRUPO", "CabSUB", "Detalle"}));
}

TEST_F(ReportTest, StretchingMemoGrowsTheBandAndBreaksOverPages) {
    QStringList lines;
    for (int i = 1; i <= 150; ++i) lines << QStringLiteral("Línea %1 de las observaciones, con eñes y acentos").arg(i);
    TTable* t = Lines({{"A", "", 1, 0, QStringLiteral("Breve")}, {"A", "", 2, 0, lines.join(QStringLiteral("\r\n"))},
                       {"A", "", 3, 0, QStringLiteral("Después")}});
    TQuickRep* r = NewReport();
    r->SetDataSet(t);
    TQRBand* detail = Band(r, rbDetail, QStringLiteral("Detalle"), 24);
    TQRDBText* memo = DBText(detail, t, QStringLiteral("NOTAS"), 40, 2);
    memo->SetAutoSize(false);
    memo->SetAutoStretch(true);
    memo->SetWidth(700);
    memo->SetHeight(18);
    DBText(detail, t, QStringLiteral("NUM"), 0, 2);
    Label(Band(r, rbSummary, QStringLiteral("Resumen"), 20), QStringLiteral("FIN"));
    r->Prepare();

    ASSERT_GE(QRPrinter->PageCount(), 3);
    QStringList all;
    for (int p = 1; p <= QRPrinter->PageCount(); ++p) {
        const TQRPageRecord& page = QRPrinter->Pages(p);
        QStringList texts = page.Texts();
        EXPECT_EQ(texts.first(), QStringLiteral("LISTADO")) << p;
        all += texts.mid(1);
        for (const auto& op : page.Ops) {
            if (op.Kind == platform::report::TOpKind::Text) {
                EXPECT_LE(op.Rect.bottom(), page.Height) << p;
            }
        }
    }
    // The row number prints after the memo's lines of the first page, in drawing order.
    int number = int(all.indexOf(QStringLiteral("2")));
    ASSERT_GT(number, 2);
    EXPECT_TRUE(QRPrinter->Pages(1).Texts().contains(QStringLiteral("2")));
    all.removeAt(number);
    QStringList expected = QStringList{"Breve", "1"} + lines + QStringList{"Después", "3", "FIN"};
    EXPECT_EQ(all, expected);
    // The short memo keeps the band's own height; the long one fills page 1 to the bottom.
    const auto& page1 = QRPrinter->Pages(1);
    std::vector<QRect> details;
    for (const auto& op : page1.Ops)
        if (op.Kind == platform::report::TOpKind::Band && op.Text == QStringLiteral("Detalle")) details.push_back(op.Rect);
    ASSERT_EQ(details.size(), 2u);
    EXPECT_EQ(details[0].height(), 24);
    EXPECT_EQ(details[1].top(), 47);
    int lowest = 0, lineHeight = 0;
    for (const auto& op : page1.Ops)
        if (op.Kind == platform::report::TOpKind::Text && op.Rect.bottom() > lowest) {
            lowest = op.Rect.bottom();
            lineHeight = op.Rect.height();
        }
    EXPECT_GT(lowest, page1.Height - 2 * lineHeight);
}

TEST_F(ReportTest, PageNumberAndPageCountPrintAsPageNOfM) {
    TTable* t = Lines(NumberedLines(60, 100));
    TQuickRep* r = NewReport();
    r->SetDataSet(t);
    r->SetReportTitle(QStringLiteral("Relación"));
    TQRCustomBand* header = r->Bands(0);
    auto* num = new TQRSysData(&owner);
    num->SetParent(header);
    num->SetData(qrsPageNumber);
    num->SetLeft(300);
    auto* of = new TQRSysData(&owner);
    of->SetParent(header);
    of->SetData(qrsPageCount);
    of->SetText(QStringLiteral(" de "));
    of->SetLeft(340);
    auto* title = new TQRSysData(&owner);
    title->SetParent(header);
    title->SetData(qrsReportTitle);
    title->SetLeft(500);
    auto* date = new TQRSysData(&owner);
    date->SetParent(header);
    date->SetData(qrsDate);
    date->SetLeft(600);
    TQRBand* detail = Band(r, rbDetail, QStringLiteral("Detalle"), 40);
    auto* no = new TQRSysData(&owner);
    no->SetParent(detail);
    no->SetData(qrsDetailNo);
    auto* count = new TQRSysData(&owner);
    count->SetParent(detail);
    count->SetData(qrsDetailCount);
    count->SetLeft(100);
    r->Prepare();

    ASSERT_EQ(QRPrinter->PageCount(), 3);
    for (int p = 1; p <= 3; ++p) {
        QStringList texts = QRPrinter->Pages(p).Texts();
        EXPECT_EQ(texts.mid(1, 3), (QStringList{IntToStr(p), QStringLiteral(" de 3"), QStringLiteral("Relación")}));
        EXPECT_EQ(texts[4], DateToStr(Date()));
    }
    QStringList p3 = QRPrinter->Pages(3).Texts();
    EXPECT_EQ(p3.mid(p3.size() - 2), (QStringList{"60", "60"}));
    EXPECT_EQ(QRPrinter->FirstPage(), 1);
    EXPECT_EQ(QRPrinter->LastPage(), 3);
}

TEST_F(ReportTest, SubDetailsTakeTheirParametersFromTheMasterRowOnTwoLevels) {
    TTable* t = Lines({{"A", "", 1, 0, {}}, {"B", "", 2, 0, {}}, {"C", "", 3, 0, {}}});
    Parts({{1, QStringLiteral("Peña")}, {1, QStringLiteral("Ávila")}, {3, QStringLiteral("Soto")}});
    auto* ds = new TDataSource(&owner);
    ds->SetDataSet(t);
    TQuery* parts = Query(QStringLiteral("SELECT NOMBRE, ORDEN FROM PARTES WHERE NUM = :NUM ORDER BY NOMBRE"));
    parts->SetDataSource(ds);
    auto* partsSource = new TDataSource(&owner);
    partsSource->SetDataSet(parts);
    TQuery* again = Query(QStringLiteral("SELECT ORDEN * 10 AS DIEZ FROM PARTES WHERE ORDEN = :ORDEN"));
    again->SetDataSource(partsSource);

    TQuickRep* r = NewReport();
    r->SetDataSet(t);
    TQRBand* detail = Band(r, rbDetail, QStringLiteral("Detalle"), 20);
    DBText(detail, t, QStringLiteral("GRUPO"));
    auto* sub = new TQRSubDetail(&owner);
    sub->SetName(QStringLiteral("Partes"));
    sub->SetHeight(20);
    sub->SetParent(r);
    sub->SetDataSet(parts);
    DBText(sub, parts, QStringLiteral("NOMBRE"));
    TQRBand* subHeader = Band(r, rbGroupHeader, QStringLiteral("CabPartes"), 20);
    sub->SetHeaderBand(subHeader);
    Label(subHeader, QStringLiteral("Partes:"));
    auto* sub2 = new TQRSubDetail(&owner);
    sub2->SetHeight(20);
    sub2->SetParent(r);
    sub2->SetMaster(sub);
    sub2->SetDataSet(again);
    DBText(sub2, again, QStringLiteral("DIEZ"));
    // Per-level totals: the count over the parties of the whole report.
    TQRExpr* total = Expr(Band(r, rbSummary, QStringLiteral("Resumen"), 20), QStringLiteral("COUNT()"));
    total->SetMaster(sub);
    parts->Open();
    again->Open();
    r->Prepare();
    EXPECT_EQ(PageTexts()[0], (QStringList{"LISTADO", "A", "Partes:", "Ávila", "20", "Peña", "10", "B", "C",
                                           "Partes:", "Soto", "30", "3"}));
}

TEST_F(ReportTest, PreviewHandsThePagesToTheInstalledHookOnly) {
    TTable* t = Lines(NumberedLines(3, 100));
    TQuickRep* r = NewReport();
    r->SetDataSet(t);
    DBText(Band(r, rbDetail, QStringLiteral("Detalle"), 20), t, QStringLiteral("NUM"));
    struct THook {
        int Calls = 0;
        int Pages = 0;
        TObject* Sender = nullptr;
        void Show(TObject* sender) {
            ++Calls;
            Sender = sender;
            Pages = QRPrinter->PageCount();
        }
    } hook;
    QRPrinter->OnPreview = TNotifyEvent(&hook, &THook::Show);
    EXPECT_TRUE(QRPrinter->OnPreview == TNotifyEvent(&hook, &THook::Show));
    r->Preview();
    EXPECT_EQ(hook.Calls, 1);
    EXPECT_EQ(hook.Pages, 1);
    EXPECT_EQ(hook.Sender, r);
    QRPrinter->OnPreview = nullptr;
    r->Preview();
    EXPECT_EQ(hook.Calls, 1);
    EXPECT_EQ(QRPrinter->PageCount(), 1);
}

TEST_F(ReportTest, AReportWithoutDataSetPrintsItsDetailOnce) {
    TQuickRep* r = NewReport();
    TQRBand* detail = Band(r, rbDetail, QStringLiteral("Detalle"), 20);
    TQRLabel* name = Label(detail, QString());
    detail->BeforePrint = [&](TQRCustomBand*, bool&) { name->SetCaption(QStringLiteral("Peña, Íñigo")); };
    r->Prepare();
    EXPECT_EQ(PageTexts()[0], (QStringList{"LISTADO", "Peña, Íñigo"}));
}

TEST_F(ReportTest, ElementFontsStartFromTheReportFont) {
    TQuickRep* r = NewReport();
    r->Font()->SetSize(12);
    TQRBand* detail = Band(r, rbDetail, QStringLiteral("Detalle"), 30);
    TQRLabel* plain = Label(detail, QStringLiteral("normal"));
    TQRLabel* bold = Label(detail, QStringLiteral("negrita"), 200);
    bold->Font()->SetStyle({fsBold});
    EXPECT_FALSE(bold->ParentFont());
    EXPECT_TRUE(plain->ParentFont());
    r->Prepare();
    const auto* a = QRPrinter->Pages(1).FindText(QStringLiteral("normal"));
    const auto* b = QRPrinter->Pages(1).FindText(QStringLiteral("negrita"));
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->Font.pixelSize(), 16);  // 12 points at 96 pixels per inch
    EXPECT_EQ(b->Font.pixelSize(), 16);
    EXPECT_EQ(a->Font.family(), b->Font.family());
    EXPECT_FALSE(a->Font.bold());
    EXPECT_TRUE(b->Font.bold());
}

TEST_F(ReportTest, ACancelledRunShowsNoPreview) {
    TQuickRep* r = NewReport();
    int calls = 0;
    QRPrinter->OnPreview = [&](TObject*) { ++calls; };
    r->BeforePrint = [](TQuickRep*, bool& go) { go = false; };
    r->Preview();
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(QRPrinter->PageCount(), 0);
    r->BeforePrint = nullptr;
    r->Preview();
    EXPECT_EQ(calls, 1);
    QRPrinter->OnPreview = nullptr;
}

TEST_F(ReportTest, LinesMovedHiddenAndRetextedAtRunTimePrintWhereTheEventsPutThem) {
    // The party-lines pattern: up to three names a row, each under the previous one, the band
    // as high as the lines; OnPrint may still change what a line prints.
    TTable* t = Lines({{"A", "", 1, 0, QStringLiteral("Peña;Ávila;Soto;Ruiz")}, {"B", "", 2, 0, {}},
                       {"C", "", 3, 0, QStringLiteral("Nadal")}});
    t->FieldByName(QStringLiteral("IMPORTE"))->SetDisplayFormat(QStringLiteral("#,##0.00"));
    TQuickRep* r = NewReport();
    r->SetDataSet(t);
    TQRBand* detail = Band(r, rbDetail, QStringLiteral("Detalle"), 20);
    std::vector<TQRLabel*> names;
    for (int k = 0; k < 3; ++k) names.push_back(Label(detail, QString(), 105, 2));
    TQRDBText* amount = DBText(detail, t, QStringLiteral("IMPORTE"), 400, 2);
    detail->BeforePrint = [&](TQRCustomBand* band, bool&) {
        QStringList list = t->FieldByName(QStringLiteral("NOTAS"))->AsString().split(u';', Qt::SkipEmptyParts);
        int n = std::min<int>(int(list.size()), 3);
        names[0]->SetCaption(n > 0 ? list[0] : QString());
        for (int k = 1; k < 3; ++k) {
            names[size_t(k)]->SetVisible(n > k);
            names[size_t(k)]->SetTop(names[size_t(k - 1)]->Top() + names[size_t(k - 1)]->Height() + 3);
            if (n > k) names[size_t(k)]->SetCaption(list[k]);
        }
        band->SetHeight(20 * std::max(n, 1));
    };
    amount->OnPrint = [&](TObject*, QString& value) {
        if (t->FieldByName(QStringLiteral("NUM"))->AsInteger() == 2) value = QStringLiteral("—");
    };
    t->Edit();
    t->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(1234.5);
    t->Post();
    r->Prepare();

    const TQRPageRecord& page = QRPrinter->Pages(1);
    EXPECT_EQ(page.Texts(), (QStringList{"LISTADO", "Peña", "Ávila", "Soto", "1.234,50", "", "—", "Nadal", "0,00"}));
    EXPECT_EQ(page.FindText(QStringLiteral("Peña"))->Rect.topLeft(), QPoint(105, 23 + 2));
    EXPECT_EQ(page.FindText(QStringLiteral("Ávila"))->Rect.top(), 23 + 2 + 17 + 3);
    EXPECT_EQ(page.FindText(QStringLiteral("Soto"))->Rect.top(), 23 + 2 + 2 * (17 + 3));
    std::vector<int> heights;
    for (const auto& op : page.Ops)
        if (op.Kind == platform::report::TOpKind::Band && op.Text == QStringLiteral("Detalle")) heights.push_back(op.Rect.height());
    EXPECT_EQ(heights, (std::vector<int>{60, 20, 20}));
}

TEST_F(ReportTest, MemoLinesStretchTheBandAndLandscapePagesAreWide) {
    TQuickRep* r = NewReport();
    r->Page()->SetOrientation(poLandscape);
    TQRBand* detail = Band(r, rbDetail, QStringLiteral("Detalle"), 20);
    auto* memo = new TQRMemo(&owner);
    memo->SetParent(detail);
    memo->SetBounds(0, 0, 300, 17);
    memo->SetAutoStretch(true);
    memo->Lines()->Add(QStringLiteral("Primera línea"));
    memo->Lines()->Add(QStringLiteral("una segunda línea bastante más larga que el ancho de la nota, que se parte"));
    Label(Band(r, rbSummary, QStringLiteral("Resumen"), 20), QStringLiteral("FIN"));
    r->Prepare();
    const TQRPageRecord& page = QRPrinter->Pages(1);
    EXPECT_EQ(page.Width, 1123);
    EXPECT_EQ(page.Height, 794);
    EXPECT_TRUE(page.Landscape);
    QStringList texts = page.Texts();
    ASSERT_GE(texts.size(), 5);
    EXPECT_EQ(texts[1], QStringLiteral("Primera línea"));
    EXPECT_EQ(texts.mid(2, texts.size() - 3).join(u' '),
              QStringLiteral("una segunda línea bastante más larga que el ancho de la nota, que se parte"));
    const auto* lastLine = page.FindText(texts[texts.size() - 2]);
    const auto* fin = page.FindText(QStringLiteral("FIN"));
    // The band keeps the 3 units it had below the memo (20 high, memo 17).
    EXPECT_EQ(fin->Rect.top(), lastLine->Rect.bottom() + 1 + 3);
    for (const auto& op : page.Ops) {
        if (op.Kind == platform::report::TOpKind::Text && op.Text != QStringLiteral("LISTADO") && op.Text != QStringLiteral("FIN")) {
            EXPECT_LE(QFontMetrics(op.Font).horizontalAdvance(op.Text), 300) << op.Text.toStdString();
        }
    }
}

TEST_F(ReportTest, PageBreaksInsideSubDetailRowsKeepEveryRowOnce) {
    // The page footer reads the master's last printed row; breaks inside a sub-detail's rows,
    // with the master's own band left out, must not disturb the rows being printed.
    TTable* t = Lines({{"A", "", 1, 0, {}}, {"B", "", 2, 0, {}}, {"C", "", 3, 0, {}}});
    std::vector<std::pair<int, QString>> parts;
    for (int num = 1; num <= 3; ++num)
        for (int k = 1; k <= 40; ++k) parts.push_back({num, QStringLiteral("P%1-%2").arg(num).arg(k, 2, 10, QChar(u'0'))});
    Parts(parts);
    auto* ds = new TDataSource(&owner);
    ds->SetDataSet(t);
    TQuery* q = Query(QStringLiteral("SELECT NOMBRE FROM PARTES WHERE NUM = :NUM ORDER BY NOMBRE"));
    q->SetDataSource(ds);
    TQuickRep* r = NewReport();
    r->SetDataSet(t);
    TQRBand* detail = Band(r, rbDetail, QStringLiteral("Detalle"), 20);
    DBText(detail, t, QStringLiteral("GRUPO"));
    detail->BeforePrint = [&](TQRCustomBand*, bool& print) { print = t->FieldByName(QStringLiteral("NUM"))->AsInteger() != 2; };
    auto* sub = new TQRSubDetail(&owner);
    sub->SetHeight(20);
    sub->SetParent(r);
    sub->SetDataSet(q);
    DBText(sub, q, QStringLiteral("NOMBRE"));
    TQRBand* footer = Band(r, rbPageFooter, QStringLiteral("Pie"), 20);
    TQRDBText* last = DBText(footer, t, QStringLiteral("GRUPO"));
    last->OnPrint = [](TObject*, QString& v) { v = QStringLiteral("pie ") + v; };
    q->Open();
    r->Prepare();

    ASSERT_EQ(QRPrinter->PageCount(), 3);
    QStringList body, footers;
    for (const QStringList& page : PageTexts()) {
        body += page.mid(1, page.size() - 2);
        footers << page.back();
    }
    QStringList expected{"A"};
    for (int k = 1; k <= 40; ++k) expected << QStringLiteral("P1-%1").arg(k, 2, 10, QChar(u'0'));
    for (int k = 1; k <= 40; ++k) expected << QStringLiteral("P2-%1").arg(k, 2, 10, QChar(u'0'));
    expected << "C";
    for (int k = 1; k <= 40; ++k) expected << QStringLiteral("P3-%1").arg(k, 2, 10, QChar(u'0'));
    EXPECT_EQ(body, expected);
    // Page 1 breaks inside B's parts (B's own band left out) and page 2 inside C's: the master
    // stays on the row whose parts are printing.
    EXPECT_EQ(footers, (QStringList{"pie B", "pie C", "pie C"}));
}

TEST_F(ReportTest, ADataFieldFollowsItsFieldAcrossReopeningsAndRenames) {
    TTable* t = Lines({{"A", "", 1, 2.5, {}}, {"B", "", 2, 0, {}}});
    TQuickRep* r = NewReport();
    r->SetDataSet(t);
    TQRBand* detail = Band(r, rbDetail, QStringLiteral("Detalle"), 20);
    TQRDBText* text = DBText(detail, t, QStringLiteral("num"), 0, 2);
    r->Prepare();
    EXPECT_EQ(QRPrinter->Pages(1).Texts(), (QStringList{"LISTADO", "1", "2"}));
    // Closed and opened again: its fields may be new objects.
    t->Close();
    t->Open();
    r->Prepare();
    EXPECT_EQ(QRPrinter->Pages(1).Texts(), (QStringList{"LISTADO", "1", "2"}));
    text->SetDataField(QStringLiteral("GRUPO"));
    r->Prepare();
    EXPECT_EQ(QRPrinter->Pages(1).Texts(), (QStringList{"LISTADO", "A", "B"}));
    // Another table under the same element.
    TTable* other = Parts({{7, QStringLiteral("Zoe")}});
    other->Open();
    text->SetDataSet(other);
    text->SetDataField(QStringLiteral("NOMBRE"));
    r->Prepare();
    EXPECT_EQ(QRPrinter->Pages(1).Texts(), (QStringList{"LISTADO", "Zoe", "Zoe"}));
}
