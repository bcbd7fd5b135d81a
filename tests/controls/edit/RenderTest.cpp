// A form holding one of each edit control, drawn to a PNG (the picture in docs/ comes from here).
#include "controls/edit/Calpnl.h"
#include "controls/edit/CurrEdit.h"
#include "controls/edit/PickDate.h"
#include "controls/edit/Yearplan.h"
#include "controls/edit/ZbCalc.h"
#include "controls/edit/ZbMenus.h"
#include "platform/forms/FormHarness.h"
#include "platform/rtl/SysUtils.h"

#include <QFileInfo>
#include <QImage>
#include <gtest/gtest.h>

using platform::forms::TFormHarness;

namespace {

TLabel* Caption(TForm* form, const QString& text, int x, int y) {
    auto* l = new TLabel(form);
    l->SetParent(form);
    l->SetCaption(text);
    l->SetBounds(x, y, 150, 14);
    return l;
}

TEST(RenderTest, FormWithEveryEditControl) {
    TFormHarness harness;
    auto* form = new TForm(Application);
    form->SetCaption(QStringLiteral("Controles de edición"));
    form->SetBounds(0, 0, 900, 640);
    form->SetColor(clBtnFace);
    // The whole sheet in one picture, wider than the test's screen.
    form->SetAutoScroll(false);

    Caption(form, QStringLiteral("Fecha (TDateEdit)"), 10, 8);
    auto* date = new TDateEdit(form);
    date->SetParent(form);
    date->SetBounds(10, 24, 130, 21);
    date->SetDate(EncodeDate(2004, 3, 9));

    Caption(form, QStringLiteral("Importe (TCurrencyEdit)"), 160, 8);
    auto* curr = new TCurrencyEdit(form);
    curr->SetParent(form);
    curr->SetBounds(160, 24, 130, 21);
    curr->SetValue(1234567.5);

    Caption(form, QStringLiteral("Cálculo (TZbCalcEdit)"), 310, 8);
    auto* calc = new TZbCalcEdit(form);
    calc->SetParent(form);
    calc->SetBounds(310, 24, 130, 21);
    calc->SetValue(-42.25);

    Caption(form, QStringLiteral("Fichero (TFilenameEdit)"), 460, 8);
    auto* file = new TFilenameEdit(form);
    file->SetParent(form);
    file->SetBounds(460, 24, 200, 21);
    file->SetText(QStringLiteral("\"/home/despacho/Escritos/Demanda ejecutiva.doc\""));

    Caption(form, QStringLiteral("Calendario (TCalenPnl)"), 10, 56);
    auto* pnl = new TCalenPnl(form);
    pnl->SetParent(form);
    pnl->SetBounds(10, 72, 200, 180);
    pnl->SetColor(clWhite);
    pnl->SetGermanDate(true);
    pnl->SetShowDate(true);
    pnl->SetShowWeeks(true);
    pnl->SetDayWidth(dw3Char);
    pnl->SetColHoliday(clRed);
    pnl->SetColMarked(clNavy);
    pnl->SetColDays(1, clMaroon);
    pnl->SetColSunday(clBlack);
    pnl->SetColSaturday(clBlack);
    TStringList hol, mark, d1;
    hol.SetText("19");
    mark.SetText("9\n22");
    d1.SetText("15\n16");
    pnl->SetHolidays(&hol);
    pnl->SetMarkdays(&mark);
    pnl->SetDays(1, &d1);
    pnl->SetDate(EncodeDate(2004, 3, 9));

    Caption(form, QStringLiteral("Rejilla (TZbCalendar)"), 230, 56);
    auto* grid = new TZbCalendar(form);
    grid->SetParent(form);
    grid->SetBounds(230, 72, 220, 120);
    grid->SetUseCurrentDate(false);
    grid->SetCalendarDate(EncodeDate(2004, 3, 9));

    Caption(form, QStringLiteral("Calculadora (TCalculatorPanel)"), 470, 56);
    auto* panel = new TCalculatorPanel(form, clDialog);
    panel->SetParent(form);
    panel->SetBounds(470, 72, 240, 129);
    auto* display = new TPanel(form);
    display->SetParent(form);
    display->SetBounds(470, 205, 240, 22);
    display->SetBevelOuter(bvLowered);
    display->SetAlignment(taRightJustify);
    display->SetColor(clWhite);
    panel->SetDisplayControl(display);
    for (QChar k : QStringLiteral("200+10%")) panel->CalcKey(k);

    Caption(form, QStringLiteral("Menú (TZbPopupMenu)"), 730, 56);
    auto* menu = new TZbPopupMenu(form);
    menu->SetStyle(msOwnerDraw);
    menu->SetLeftMargin(16);
    const char* captions[] = {"&Abrir", "&Guardar", "-", "&Imprimir", "&Salir"};
    std::vector<TMenuItem*> items;
    for (const char* c : captions) {
        auto* i = new TMenuItem(form);
        i->SetCaption(QString::fromUtf8(c));
        menu->Items()->Add(i);
        items.push_back(i);
    }
    items[1]->SetChecked(true);
    items[3]->SetShortCut(ShortCut('P', ssCtrl));
    items[4]->SetEnabled(false);
    auto* image = new TImage(form);
    image->SetParent(form);
    image->SetBounds(730, 72, 150, 5 * 20);
    TBitmap* bmp = image->Picture()->Bitmap();
    bmp->SetWidth(150);
    bmp->SetHeight(100);
    int y = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        int w = 0, h = 0;
        menu->WMMeasureItem(items[i], w, h);
        menu->WMDrawItem(bmp->Canvas(), items[i], Rect(0, y, 150, y + h), i == 0 ? mdSelected : items[i]->Enabled() ? 0 : mdDisabled, true);
        y += h;
    }

    Caption(form, QStringLiteral("Planificador (TYearPlanner)"), 10, 262);
    auto* yp = new TYearPlanner(form);
    yp->SetParent(form);
    yp->SetBounds(10, 278, 870, 340);
    yp->SetYear(2004);
    yp->SetColor(clWhite);
    yp->SetWeekendColor(clRed);
    yp->SetHeadingColor(RGB(220, 220, 240));
    yp->SetMonthColor(RGB(220, 240, 220));
    yp->SetYearColor(RGB(240, 230, 200));
    yp->SetNoDayPriority(true);
    yp->SetGridLines(false);
    yp->SetCellColor(EncodeDate(2004, 3, 19), clAqua);
    yp->SetCellColor(EncodeDate(2004, 8, 2), clYellow);

    form->Show();
    TFormHarness::Focus(grid);
    // The calendar's day heads, bold and centred in their columns as drawn, keep at least two pixels
    // between neighbours (Monday first: "lun" .. "dom").
    ASSERT_GT(pnl->ColWidth(), 0);
    TBitmap paper;
    paper.Canvas()->Font()->Assign(pnl->Font());
    paper.Canvas()->Font()->SetStyle({fsBold});
    for (int col = 1; col < 7; ++col) {
        const QString left = FormatSettings.ShortDayNames[size_t(col)].left(3);
        const QString right = FormatSettings.ShortDayNames[size_t((col + 1) % 7)].left(3);
        const int gap = pnl->ColWidth() - (paper.Canvas()->TextWidth(left) + 1) / 2 - (paper.Canvas()->TextWidth(right) + 1) / 2;
        EXPECT_GE(gap, 2) << left.toStdString() << " " << right.toStdString();
    }
    const QString path = QStringLiteral(ZEMBRA_TEST_BINARY_DIR) + QStringLiteral("/edit-controls.png");
    ASSERT_TRUE(TFormHarness::SaveToPng(form, path));
    const QImage img(path);
    ASSERT_FALSE(img.isNull());
    // The planner's coloured day and the calendar's red holiday made it into the picture.
    EXPECT_GT(img.width(), 800);
    bool aqua = false;
    for (int yy = 270; yy < img.height() && !aqua; ++yy)
        for (int xx = 0; xx < img.width() && !aqua; ++xx) aqua = img.pixel(xx, yy) == qRgb(0, 255, 255);
    EXPECT_TRUE(aqua);
    delete form;
}

}  // namespace
