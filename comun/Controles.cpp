#include "comun/Controles.h"

#include "platform/graphics/Resources.h"

namespace comun {

TOkNo ParOkNo(TComponent* owner, TWinControl* padre, const char* ok, const char* no) {
    auto boton = [&](const char* nombre, TBitBtnKind clase, const QString& caption) {
        auto* b = new TBitBtn(owner);
        b->SetName(QString::fromLatin1(nombre));
        b->SetParent(padre);
        b->SetKind(clase);
        b->SetCaption(caption);
        b->SetModalResult(mrNone);
        return b;
    };
    TBitBtn* si = boton(ok, bkOK, QStringLiteral("OK"));
    // Not the default button: the forms move on to the next field with Enter, and an edit's
    // Enter would otherwise save the record half typed. Enter on OK itself still presses it.
    si->SetDefault(false);
    return {si, boton(no, bkNo, QStringLiteral("&No"))};
}

TOkNo ParOkNo(TComponent* owner, TWinControl* padre, const char* ok, const char* no, int left, int top, int ancho, int alto,
              int paso) {
    const TOkNo par = ParOkNo(owner, padre, ok, no);
    par.Ok->SetBounds(left, top, ancho, alto);
    par.No->SetBounds(left + paso, top, ancho, alto);
    return par;
}

TDBText* TextoDeCampo(TComponent* owner, TWinControl* padre, const QString& nombre, TDataSource* fuente, const QString& campo,
                      int left, int top, int ancho) {
    auto* t = new TDBText(owner);
    if (!nombre.isEmpty()) t->SetName(nombre);
    t->SetParent(padre);
    t->SetDataSource(fuente);
    t->SetDataField(campo);
    t->SetAutoSize(false);
    t->SetBounds(left, top, ancho, 17);
    return t;
}

TDBEdit* Edita(TComponent* owner, TWinControl* padre, const char* nombre, TDataSource* fuente, const QString& campo, int left,
               int top, int ancho) {
    auto* e = new TDBEdit(owner);
    if (nombre) e->SetName(QString::fromLatin1(nombre));
    e->SetParent(padre);
    e->SetDataSource(fuente);
    e->SetDataField(campo);
    e->SetBounds(left, top, ancho, 21);
    return e;
}

TLabel* Etiqueta(TComponent* owner, TWinControl* padre, const QString& texto, int left, int top, int ancho, int alto) {
    auto* l = new TLabel(owner);
    l->SetParent(padre);
    l->SetAutoSize(false);
    l->SetAlignment(taRightJustify);
    l->SetBounds(left, top, ancho, alto);
    l->SetCaption(texto);
    return l;
}

TDBEdit* Campo(TComponent* owner, TLabel* etiqueta, TDataSource* fuente, const QString& campo, int left, int top, int ancho) {
    auto* e = new TDBEdit(owner);
    e->SetName(QStringLiteral("DB") + campo);
    e->SetParent(etiqueta->Parent());
    e->SetBounds(left, top, ancho, 21);
    e->SetDataSource(fuente);
    e->SetDataField(campo);
    e->SetTabStop(true);
    etiqueta->SetFocusControl(e);
    return e;
}

TSpeedBar* BarraDeBotones(TForm* form, int alto) {
    auto* barra = new TSpeedBar(form);
    barra->SetName(QStringLiteral("SpeedBar1"));
    barra->SetParent(form);
    barra->SetBevelInner(bvLowered);
    barra->SetOptions(sbFlatBtns | sbTransparentBtns | sbGrayedBtns);
    barra->SetBtnOffsetHorz(4);
    barra->SetBtnOffsetVert(4);
    barra->SetHeight(alto);
    barra->AddSection(QStringLiteral("Untitled (0)"));
    if (!platform::graphics::FindResource(platform::graphics::ResourceKind::Bitmap, QStringLiteral("BACKGROUND")).isNull())
        barra->Wallpaper()->Bitmap()->LoadFromResourceName(QStringLiteral("BACKGROUND"));
    return barra;
}

TSpeedBar* BarraDeTexto(TForm* form, const QString& seccion) {
    auto* barra = new TSpeedBar(form);
    barra->SetName(QStringLiteral("SpeedBar1"));
    barra->SetParent(form);
    barra->SetOptions(sbFlatBtns | sbTransparentBtns);
    barra->SetBtnWidth(64);
    barra->SetBtnHeight(26);
    barra->SetBtnOffsetHorz(4);
    barra->SetBtnOffsetVert(4);
    barra->SetHeight(2 * 4 + 27);
    if (!platform::graphics::FindResource(platform::graphics::ResourceKind::Bitmap, QStringLiteral("BACKGROUND")).isNull())
        barra->Wallpaper()->Bitmap()->LoadFromResourceName(QStringLiteral("BACKGROUND"));
    barra->AddSection(seccion);
    return barra;
}

// The glyph beside its disabled picture. The disabled look made from one picture keeps only its
// black pixels, and these glyphs are drawn in colour: each drawn pixel is greyed, with a light
// edge below and to the right, as that look draws them.
std::unique_ptr<TBitmap> ConGlifoInactivo(TBitmap* glifo) {
    const int w = glifo->Width(), h = glifo->Height();
    auto b = std::make_unique<TBitmap>();
    b->SetSize(2 * w, h);
    TCanvas* c = b->Canvas();
    const TColor fondo = glifo->Canvas()->Pixels(0, h - 1);
    c->Brush()->SetColor(fondo);
    c->FillRect(Rect(0, 0, 2 * w, h));
    c->CopyRect(Rect(0, 0, w, h), glifo->Canvas(), Rect(0, 0, w, h));
    auto dibujado = [&](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h && glifo->Canvas()->Pixels(x, y) != fondo; };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (dibujado(x, y)) c->SetPixel(w + x, y, ColorToRGB(clBtnShadow));
            else if (dibujado(x - 1, y - 1)) c->SetPixel(w + x, y, ColorToRGB(clBtnHighlight));
        }
    return b;
}

TSpeedItem* ItemDeBarra(TSpeedBar* barra, const QString& nombre, const QString& hint, int left, TBitmap* glifo) {
    auto* i = new TSpeedItem(barra->Owner());
    i->SetName(nombre);
    i->SetCaption(hint.section(u'|', 0, 0));
    i->SetHint(hint);
    if (glifo) {
        i->SetGlyph(ConGlifoInactivo(glifo).get());
        i->SetNumGlyphs(2);
    }
    barra->AddItem(0, i);
    i->SetLeft(left);
    i->SetTop(barra->BtnOffsetVert());
    return i;
}

TSpeedItem* ItemDeTexto(TSpeedBar* barra, const char* nombre, const QString& caption, const QString& hint, int left) {
    auto* i = new TSpeedItem(barra->Owner());
    i->SetName(QString::fromLatin1(nombre));
    i->SetBtnCaption(caption);
    i->SetHint(hint);
    i->SetShowHint(true);
    barra->AddItem(0, i);
    i->SetLeft(left);
    i->SetVisible(true);
    return i;
}

std::unique_ptr<TBitmap> Glifo(const std::function<void(TCanvas*)>& pinta) {
    auto b = std::make_unique<TBitmap>();
    b->SetSize(16, 16);
    TCanvas* c = b->Canvas();
    c->Brush()->SetColor(clFuchsia);
    c->FillRect(Rect(0, 0, 16, 16));
    pinta(c);
    return b;
}

std::unique_ptr<TBitmap> GlifoDeFilas(TColor tinta, std::initializer_list<const char*> filas) {
    return Glifo([&](TCanvas* c) {
        int y = 0;
        for (const char* fila : filas) {
            for (int x = 0; fila[x] && x < 16; ++x) {
                switch (fila[x]) {
                case '#': c->SetPixel(x, y, tinta); break;
                case 'k': c->SetPixel(x, y, clBlack); break;
                case 'w': c->SetPixel(x, y, clWhite); break;
                case 'y': c->SetPixel(x, y, clYellow); break;
                default: break;
                }
            }
            ++y;
        }
    });
}

void PintaImpresora(TCanvas* c) {
    c->Pen()->SetColor(clBlack);
    c->Brush()->SetColor(clWhite);
    c->Rectangle(4, 1, 12, 7);
    c->Brush()->SetColor(clGray);
    c->Rectangle(1, 6, 15, 12);
    c->Brush()->SetColor(clWhite);
    c->Rectangle(4, 10, 12, 15);
}

void PintaRefresco(TCanvas* c) {
    c->Pen()->SetColor(clGreen);
    c->Pen()->SetWidth(2);
    c->Brush()->SetStyle(bsClear);
    c->Ellipse(3, 3, 13, 13);
    Relleno(c, clGreen);
    c->Brush()->SetStyle(bsSolid);
    c->Polygon({{10, 1}, {14, 5}, {9, 6}});
}

void Relleno(TCanvas* c, TColor color) {
    c->Pen()->SetColor(color);
    c->Brush()->SetColor(color);
}

void Flecha(TCanvas* c, bool izquierda, bool tope) {
    Relleno(c, clNavy);
    if (izquierda) c->Polygon({{10, 3}, {10, 12}, {5, 7}});
    else c->Polygon({{5, 3}, {5, 12}, {10, 7}});
    if (tope) c->FillRect(izquierda ? Rect(3, 3, 5, 13) : Rect(11, 3, 13, 13));
}

void PintaReloj(TCanvas* c) {
    c->Pen()->SetColor(clNavy);
    c->Brush()->SetColor(clWhite);
    c->Ellipse(2, 2, 14, 14);
    c->MoveTo(8, 8);
    c->LineTo(8, 4);
    c->MoveTo(8, 8);
    c->LineTo(11, 9);
}

void PintaOk(TCanvas* c) {
    c->Pen()->SetColor(clGreen);
    c->Pen()->SetWidth(2);
    c->MoveTo(3, 8);
    c->LineTo(7, 12);
    c->LineTo(13, 3);
}

}  // namespace comun
