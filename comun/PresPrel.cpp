#include "comun/PresPrel.h"

#include "comun/Controles.h"
#include "comun/dlgImp.h"
#include "platform/forms/Printers.h"
#include "platform/graphics/Resources.h"
#include "platform/rtl/SysUtils.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

TPreView* PreView = nullptr;

namespace {

std::unique_ptr<TBitmap> Impresora() {
    return comun::GlifoDeFilas(clGray, {"", "    kkkkkkkk", "    kwwwwwwk", "    kwkkkkwk", "    kwwwwwwk", "  kkkkkkkkkkkk",
                           " k############k", " k############k", " k#########yy#k", " k############k",
                           " kkkkkkkkkkkkkk", "   kwwwwwwwwk", "   kwkkkkkkwk", "   kwwwwwwwwk", "   kkkkkkkkkk"});
}
std::unique_ptr<TBitmap> PaginaEntera() {
    return comun::GlifoDeFilas(clNavy, {"", "  kkkkkkkkkk", "  kwwwwwwwwk", "  kw######wk", "  kwwwwwwwwk", "  kw####wwwk",
                           "  kwwwwwwwwk", "  kw######wk", "  kwwwwwwwwk", "  kw#####wwk", "  kwwwwwwwwk",
                           "  kw######wk", "  kwwwwwwwwk", "  kkkkkkkkkk"});
}
std::unique_ptr<TBitmap> Lupa() {
    return comun::GlifoDeFilas(clNavy, {"", "   kkkk", "  kwwwwk", " kww##wwk", " kww##wwk", " kw####wk", " kw####wk",
                           " kww##wwk", "  kwwwwk", "   kkkkk", "       kkk", "        kkk", "         kkk",
                           "          kk"});
}
std::unique_ptr<TBitmap> AnchoPagina() {
    return comun::GlifoDeFilas(clNavy, {"", "  kkkkkkkkkkkk", "  kwwwwwwwwwwk", "  kwwwwwwwwwwk", "  kw#wwwwww#wk",
                           "  k##wwwwww##k", "  ############", "  k##wwwwww##k", "  kw#wwwwww#wk", "  kwwwwwwwwwwk",
                           "  kwwwwwwwwwwk", "  kkkkkkkkkkkk"});
}
// Arrows of the page buttons: towards the left or the right, with a stop bar for first and last.
std::unique_ptr<TBitmap> Flecha(bool izquierda, bool tope) {
    std::vector<std::string> filas(16, std::string(16, ' '));
    for (int y = 3; y <= 12; ++y) {
        const int ancho = y <= 7 ? y - 3 : 12 - y;
        for (int i = 0; i <= ancho; ++i) filas[size_t(y)][size_t(izquierda ? 10 - i : 5 + i)] = '#';
        if (tope) filas[size_t(y)][size_t(izquierda ? 3 : 12)] = filas[size_t(y)][size_t(izquierda ? 4 : 11)] = '#';
    }
    auto b = std::make_unique<TBitmap>();
    b->SetSize(16, 16);
    b->Canvas()->Brush()->SetColor(clFuchsia);
    b->Canvas()->FillRect(Rect(0, 0, 16, 16));
    // Navy inside a black outline: the outline is what a disabled button shows.
    auto dentro = [&](int x, int y) { return x >= 0 && x < 16 && y >= 0 && y < 16 && filas[size_t(y)][size_t(x)] == '#'; };
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            if (!dentro(x, y)) continue;
            const bool borde = !dentro(x - 1, y) || !dentro(x + 1, y) || !dentro(x, y - 1) || !dentro(x, y + 1);
            b->Canvas()->SetPixel(x, y, borde ? clBlack : clNavy);
        }
    return b;
}
std::unique_ptr<TBitmap> Puerta() {
    return comun::GlifoDeFilas(clMaroon, {"", "   kkkkkkkkk", "   k#######k", "   k#######k", "   k#######k", "   k#######k",
                             "   k#####y#k", "   k#######k", "   k#######k", "   k#######k", "   k#######k",
                             "   k#######k", "   kkkkkkkkk"});
}

}  // namespace

TPreView::TPreView(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("PreView"));
    SetCaption(QStringLiteral("Presentación Preliminar .."));
    SetShowHint(true);

    QRPreview1 = new TQRPreview(this);
    QRPreview1->SetName(QStringLiteral("QRPreview1"));
    SpeedBar1 = new TSpeedBar(this);
    SpeedBar1->SetName(QStringLiteral("SpeedBar1"));
    SpeedBar1->SetParent(this);
    SpeedBar1->SetBevelInner(bvLowered);
    SpeedBar1->SetOptions(sbFlatBtns | sbTransparentBtns);
    SpeedBar1->SetBtnOffsetHorz(4);
    SpeedBar1->SetBtnOffsetVert(4);
    SpeedBar1->SetHeight(2 * 4 + SpeedBar1->BtnHeight());
    SpeedbarSection1 = new TSpeedbarSection(this);
    SpeedbarSection1->SetName(QStringLiteral("SpeedbarSection1"));
    SpeedbarSection1->SetCaption(QStringLiteral("Untitled (0)"));
    SpeedbarSection1->SetSpeedBar(SpeedBar1);
    QRPreview1->SetParent(this);
    QRPreview1->SetAlign(alClient);

    int left = SpeedBar1->BtnOffsetHorz();
    auto item = [&](const char* name, const QString& hint, std::unique_ptr<TBitmap> glyph, int gap,
                    void (TPreView::*click)(TObject*)) {
        auto* it = new TSpeedItem(this);
        it->SetName(QString::fromLatin1(name));
        it->SetHint(hint);
        it->SetGlyph(glyph.get());
        SpeedBar1->AddItem(0, it);
        left += gap;
        it->SetLeft(left);
        it->SetTop(SpeedBar1->BtnOffsetVert());
        it->SetVisible(true);
        left += SpeedBar1->BtnWidth();
        it->OnClick() = TNotifyEvent(this, click);
        return it;
    };
    sbPrint = item("sbPrint", QStringLiteral("Imprime"), Impresora(), 0, &TPreView::sbPrintClick);
    btZoomOut = item("btZoomOut", QStringLiteral("Zoom 50%|Informe al 50% de su tamaño"), PaginaEntera(), 8,
                     &TPreView::btZoomOutClick);
    btZoomIn = item("btZoomIn", QStringLiteral("Zoom 100%|Informe al tamaño real"), Lupa(), 0,
                    &TPreView::btZoomInClick);
    btZoomPage = item("btZoomPage", QStringLiteral("Ancho de Página|Ajusta el informe al ancho de la página"),
                      AnchoPagina(), 0, &TPreView::btZoomPageClick);
    sbFirst = item("sbFirst", QStringLiteral("Primera Página"), Flecha(true, true), 8, &TPreView::sbFirstClick);
    sbPrev = item("sbPrev", QStringLiteral("Página Anterior"), Flecha(true, false), 0, &TPreView::sbPrevClick);
    sbNext = item("sbNext", QStringLiteral("Página Siguiente"), Flecha(false, false), 0, &TPreView::sbNextClick);
    sbLast = item("sbLast", QStringLiteral("Última Página"), Flecha(false, true), 0, &TPreView::sbLastClick);
    sbExit = item("sbExit", QStringLiteral("Salir|Abandona presentación preliminar"), Puerta(), 8,
                  &TPreView::sbExitClick);

    LPaginas = new TLabel(this);
    LPaginas->SetName(QStringLiteral("LPaginas"));
    LPaginas->SetParent(SpeedBar1);
    LPaginas->SetTransparent(true);
    LPaginas->Font()->SetStyle(TFontStyles{fsBold});
    LPaginas->SetBounds(sbExit->Left() + 16, SpeedBar1->BtnOffsetVert() + 4, 120, 16);

    Maqueta = new TTimer(this);
    Maqueta->SetName(QStringLiteral("Maqueta"));
    Maqueta->SetEnabled(false);
    Maqueta->SetInterval(1);  // a timer of 0 never fires
    Maqueta->OnTimer = TNotifyEvent(this, &TPreView::MaquetaClick);

    OnCreate = TNotifyEvent(this, &TPreView::FormCreate);
    OnShow = TNotifyEvent(this, &TPreView::FormShow);
    OnResize = TNotifyEvent(this, &TPreView::FormResize);
    OnClose = TCloseEvent(this, &TPreView::FormClose);
    SetKeyPreview(true);
    OnKeyDown = TKeyEvent(this, &TPreView::FormKeyDown);
    DoCreate();
}

TPreView::~TPreView() {
    if (PreView == this) PreView = nullptr;
}

void TPreView::FormCreate(TObject*) {
    if (!platform::graphics::FindResource(platform::graphics::ResourceKind::Bitmap, QStringLiteral("BACKGROUND"))
             .isNull())
        SpeedBar1->Wallpaper()->Bitmap()->LoadFromResourceName(QStringLiteral("BACKGROUND"));
    // The whole working area of the screen. Maximized, so that the window manager fits the
    // frame in it: a client of the area's size puts the bottom and its scroll bar off the screen.
    SetBounds(0, 0, Screen->WorkAreaWidth(), Screen->WorkAreaHeight());
    SetWindowState(wsMaximized);
    sbExit->SetLeft(SpeedBar1->Width() - SpeedBar1->BtnWidth() - 5);
}

void TPreView::FormResize(TObject*) {
    // The exit button stays at the right end of the bar whatever size the window takes.
    sbExit->SetLeft(SpeedBar1->Width() - SpeedBar1->BtnWidth() - 5);
}

void TPreView::Situa() {
    const int pagina = QRPreview1->PageNumber();
    // While the later pages are still being laid out the count is of those ready so far.
    const int paginas = QRPrinter->PagesReady();
    const bool mas = QRPrinter->Pending();
    sbFirst->SetEnabled(pagina > 1);
    sbPrev->SetEnabled(pagina > 1);
    sbNext->SetEnabled(pagina < paginas || mas);
    sbLast->SetEnabled(pagina < paginas || mas);
    LPaginas->SetCaption(IntToStr(pagina) + QStringLiteral(" de ") + IntToStr(paginas) + (mas ? QStringLiteral("...") : QString()));
}

void TPreView::MaquetaClick(TObject*) {
    // A few pages at a time between the user's own events.
    if (!QRPrinter->Pending()) {
        Maqueta->SetEnabled(false);
        return;
    }
    try {
        QRPrinter->Reach(QRPrinter->PagesReady() + 8);
    } catch (const Exception& e) {
        Maqueta->SetEnabled(false);
        Application->ShowException(e);
        Close();
        return;
    }
    if (!QRPrinter->Pending()) {
        Maqueta->SetEnabled(false);
        if (FAlFinal) QRPreview1->SetPageNumber(QRPrinter->PagesReady());
        FAlFinal = false;
    }
    Situa();
}

void TPreView::FormShow(TObject*) {
    sbExit->SetLeft(SpeedBar1->Width() - SpeedBar1->BtnWidth() - 5);
    LPaginas->SetCaption(QStringLiteral(" de ") + IntToStr(QRPrinter->PagesReady()));
    Maqueta->SetEnabled(QRPrinter->Pending());
    QRPreview1->SetZoom(100);
    Situa();
}

void TPreView::FormClose(TObject*, TCloseAction& action) { action = caFree; }

// The bar's items take no focus: their keys, for a user without a mouse.
void TPreView::FormKeyDown(TObject*, quint16& key, TShiftState shift) {
    TSpeedItem* item = nullptr;
    if (shift == 0) item = key == VK_ESCAPE ? sbExit : key == VK_PRIOR ? sbPrev : key == VK_NEXT ? sbNext : nullptr;
    else if (shift == ssCtrl) item = key == VK_HOME ? sbFirst : key == VK_END ? sbLast : key == 'P' ? sbPrint : nullptr;
    if (!item) return;
    key = 0;
    if (item->Enabled()) item->Click();
}

void TPreView::sbFirstClick(TObject*) {
    FAlFinal = false;
    QRPreview1->SetPageNumber(1);
    Situa();
}

void TPreView::sbPrevClick(TObject*) {
    FAlFinal = false;
    if (QRPreview1->PageNumber() > 1) QRPreview1->SetPageNumber(QRPreview1->PageNumber() - 1);
    Situa();
}

void TPreView::sbNextClick(TObject*) {
    FAlFinal = false;
    if (QRPreview1->PageNumber() < QRPrinter->Reach(QRPreview1->PageNumber() + 1))
        QRPreview1->SetPageNumber(QRPreview1->PageNumber() + 1);
    Situa();
}

void TPreView::sbLastClick(TObject*) {
    // Laying out thousands of pages at once would hold the window for minutes: the page ready
    // last is shown now, the counter grows, and the last page comes when it is laid out (or the
    // user closes the window meanwhile).
    FAlFinal = QRPrinter->Pending();
    if (FAlFinal) Maqueta->SetEnabled(true);
    QRPreview1->SetPageNumber(QRPrinter->PagesReady());
    Situa();
}

void TPreView::btZoomOutClick(TObject*) { QRPreview1->ZoomToFit(); }
void TPreView::btZoomInClick(TObject*) { QRPreview1->SetZoom(100); }
void TPreView::btZoomPageClick(TObject*) { QRPreview1->ZoomToWidth(); }

void TPreView::sbPrintClick(TObject*) {
    dlgImprime = new TdlgImprime(Application);
    dlgImprime->FijaPaginas(QRPrinter->PageCount());
    if (dlgImprime->ShowModal() != mrOk) return;
    // The range is set each time: after a refused or failed print the preview stays, and "Todo"
    // must not keep the pages asked for before.
    const int paginas = QRPrinter->PageCount();
    const bool rango = dlgImprime->rbPaginas->Checked();
    QRPrinter->SetFirstPage(rango ? StrToInt(dlgImprime->EDesde->Text()) : 1);
    QRPrinter->SetLastPage(rango ? StrToInt(dlgImprime->EHasta->Text()) : paginas);
    if (QRPrinter->FirstPage() > paginas) {
        ShowMessage((paginas == 1 ? QStringLiteral("El informe tiene una sola página")
                                  : QStringLiteral("El informe tiene %1 páginas").arg(paginas)) +
                    QStringLiteral(": no hay ninguna a partir de la %1. No se ha impreso nada.").arg(QRPrinter->FirstPage()));
        return;
    }
    const int copias = StrToInt(dlgImprime->ECopias->Text());
    if (copias > 0 && !(QRPrinter->OutputFileName().isEmpty() && Printer()->OutputFileName().isEmpty())) {
        // A PDF file holds every copy, one after the other: a job per copy would write over it.
        QRPrinter->SetCopies(copias);
        QRPrinter->Print();
        QRPrinter->SetCopies(1);
    } else {
        // One print job per copy.
        QRPrinter->SetCopies(1);
        for (int i = 0; i < copias; ++i) QRPrinter->Print();
    }
    // Sent, yet nothing comes out until the queue is started again: the user is told so.
    if (copias > 0 && !QRPrinter->HeldIn().isEmpty())
        ShowMessage(QStringLiteral("La impresora %1 está detenida: el trabajo queda en su cola y se imprimirá cuando "
                                   "se reanude.")
                        .arg(QRPrinter->HeldIn()));
    Close();
}

void TPreView::sbExitClick(TObject*) { Close(); }

namespace comun {

void MuestraPreView(TObject*) {
    // An opener that forgot to create the window still gets its pages shown.
    if (!PreView) PreView = new TPreView(Application);
    PreView->ShowModal();
}

void PresentaInforme(TQuickRep* report) {
    QRPrinter->OnPreview = TNotifyEvent(&MuestraPreView);
    if (!PreView) PreView = new TPreView(Application);
    struct Limpieza {
        ~Limpieza() {
            QRPrinter->OnPreview = nullptr;
            // Closed, or never shown (cancelled run, error): freed now.
            if (PreView && !PreView->Visible()) PreView->Free();
        }
    } limpieza;
    report->Preview();
}

}  // namespace comun
