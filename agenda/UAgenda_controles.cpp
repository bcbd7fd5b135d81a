// The daily agenda: the layout of its controls and the pictures of its items and rows.
#include "agenda/UAgenda.h"
#include "comun/Calendario.h"
#include "comun/Controles.h"
#include "comun/UData.h"
#include "records/Pinturas.h"

#include <memory>
#include <tuple>

namespace {

using comun::Flecha;
using comun::PintaOk;
using comun::PintaReloj;
using comun::Relleno;

void Letra(TCanvas* c, const QString& texto, TColor color) {
    c->Font()->SetColor(color);
    c->Font()->SetStyle({fsBold});
    c->Font()->SetHeight(-12);
    c->Brush()->SetStyle(bsClear);
    c->TextOut(2, 1, texto);
}

void Pagina(TCanvas* c) {
    c->Pen()->SetColor(clBlack);
    c->Brush()->SetColor(clWhite);
    c->Rectangle(3, 1, 13, 15);
    c->MoveTo(5, 5);
    c->LineTo(11, 5);
    c->MoveTo(5, 8);
    c->LineTo(11, 8);
}

void PintaClip(TCanvas* c) {
    c->Pen()->SetColor(clGray);
    c->Pen()->SetWidth(2);
    c->Brush()->SetStyle(bsClear);
    c->RoundRect(5, 1, 11, 15, 5, 5);
    c->MoveTo(8, 4);
    c->LineTo(8, 11);
}

void PintaUnido(TCanvas* c) {
    Pagina(c);
    Relleno(c, clMaroon);
    c->FillRect(Rect(8, 10, 14, 16));
}

std::function<void(TCanvas*)> Dibujo(const QString& nombre) {
    if (nombre == u"btFirst") return [](TCanvas* c) { Flecha(c, true, true); };
    if (nombre == u"btPrev") return [](TCanvas* c) { Flecha(c, true, false); };
    if (nombre == u"btNext") return [](TCanvas* c) { Flecha(c, false, false); };
    if (nombre == u"btLast") return [](TCanvas* c) { Flecha(c, false, true); };
    if (nombre == u"btAdd") return [](TCanvas* c) { Relleno(c, clGreen); c->FillRect(Rect(7, 2, 9, 14)); c->FillRect(Rect(2, 7, 14, 9)); };
    if (nombre == u"btDel") return [](TCanvas* c) { Relleno(c, clRed); c->FillRect(Rect(2, 7, 14, 9)); };
    if (nombre == u"btEdit") return [](TCanvas* c) { Relleno(c, clYellow); c->Pen()->SetColor(clNavy); c->Polygon({{11, 1}, {14, 4}, {5, 13}, {2, 14}, {3, 10}}); };
    if (nombre == u"btRefresh") return comun::PintaRefresco;
    if (nombre == u"btImprimir") return comun::PintaImpresora;
    if (nombre == u"btAyuda") return [](TCanvas* c) { Letra(c, QStringLiteral("?"), clBlue); };
    if (nombre == u"btSalir") return [](TCanvas* c) {
        c->Pen()->SetColor(clBlack);
        c->Brush()->SetColor(clMaroon);
        c->Rectangle(3, 1, 12, 15);
        Relleno(c, clYellow);
        c->FillRect(Rect(9, 8, 11, 10));
    };
    if (nombre == u"btHoy") return [](TCanvas* c) {
        c->Pen()->SetColor(clBlack);
        c->Brush()->SetColor(clWhite);
        c->Rectangle(1, 2, 15, 15);
        Relleno(c, clRed);
        c->FillRect(Rect(2, 3, 14, 6));
        Relleno(c, clNavy);
        c->FillRect(Rect(6, 8, 10, 12));
    };
    if (nombre == u"btEscrito") return Pagina;
    if (nombre == u"btPlanner") return [](TCanvas* c) {
        c->Pen()->SetColor(clBlack);
        c->Brush()->SetColor(clWhite);
        c->Rectangle(1, 2, 15, 15);
        Relleno(c, clTeal);
        for (int y = 5; y < 14; y += 3) c->FillRect(Rect(3, y, 13, y + 1));
    };
    if (nombre == u"btCalendar") return [](TCanvas* c) {
        c->Pen()->SetColor(clBlack);
        c->Brush()->SetColor(clWhite);
        c->Rectangle(1, 2, 15, 15);
        Relleno(c, clRed);
        c->FillRect(Rect(2, 3, 14, 6));
        c->Pen()->SetColor(clGray);
        for (int x = 4; x < 14; x += 3) {
            c->MoveTo(x, 7);
            c->LineTo(x, 14);
        }
    };
    if (nombre == u"btAbrir") return [](TCanvas* c) {
        c->Pen()->SetColor(clOlive);
        c->Brush()->SetColor(clYellow);
        c->Polygon({{1, 4}, {6, 4}, {7, 6}, {14, 6}, {14, 14}, {1, 14}});
    };
    if (nombre == u"btRealizado") return PintaOk;
    if (nombre == u"btMail") return [](TCanvas* c) {
        c->Pen()->SetColor(clNavy);
        c->Brush()->SetColor(clWhite);
        c->Rectangle(1, 3, 15, 13);
        c->MoveTo(1, 3);
        c->LineTo(8, 9);
        c->LineTo(15, 3);
    };
    return [](TCanvas*) {};
}

}  // namespace

void TAgenda::CreaControles() {
    using T = TAgenda;
    SpeedBar1 = comun::BarraDeBotones(this, 31);
    int x = 4;
    const int w = SpeedBar1->BtnWidth();
    auto item = [&](TSpeedItem*& i, const char* nombre, const QString& hint, void (TAgenda::*click)(TObject*), int hueco = 0) {
        const QString n = QString::fromLatin1(nombre);
        x += hueco;
        i = comun::ItemDeBarra(SpeedBar1, n, hint, x, comun::Glifo(Dibujo(n)).get());
        i->SetVisible(true);
        i->OnClick() = TNotifyEvent(this, click);
        x += w;
    };
    item(btFirst, "btFirst", QStringLiteral("Primero"), &T::btFirstClick);
    item(btPrev, "btPrev", QStringLiteral("Anterior"), &T::btPrevClick);
    item(btNext, "btNext", QStringLiteral("Siguiente"), &T::btNextClick);
    item(btLast, "btLast", QStringLiteral("Último"), &T::btLastClick);
    item(btAdd, "btAdd", QStringLiteral("Añade"), &T::btAddClick, 8);
    item(btDel, "btDel", QStringLiteral("Borra"), &T::btDelClick);
    item(btEdit, "btEdit", QStringLiteral("Modifica"), &T::btEditClick);
    item(btRefresh, "btRefresh", QStringLiteral("Refresca"), &T::btRefreshClick);
    item(btRealizado, "btRealizado", QStringLiteral("Realizado"), &T::btRealizadoClick, 8);
    btRealizado->SetGroupIndex(1);
    btRealizado->SetAllowAllUp(true);
    item(btHoy, "btHoy", QStringLiteral("Hoy"), &T::btHoyClick, 8);
    item(btPlanner, "btPlanner", QStringLiteral("Plannig"), &T::btPlannerClick);
    item(btCalendar, "btCalendar", QStringLiteral("Calendario|Calendario Anual"), &T::btCalendarClick);
    item(btAbrir, "btAbrir", QStringLiteral("Abrir|Abrir Expediente"), &T::btAbrirClick, 8);
    item(btEscrito, "btEscrito", QStringLiteral("Ver Documento|Ver documento asociado"), &T::btEscritoClick);
    item(btMail, "btMail", QStringLiteral("Enviar por correo"), &T::btMailClick);
    item(btImprimir, "btImprimir", QStringLiteral("Impirmir|Imprime ficha"), &T::btImprimirClick, 8);
    item(btAyuda, "btAyuda", QStringLiteral("Ayuda|Muestra ayuda "), &T::btAyudaClick, 8);
    item(btSalir, "btSalir", QStringLiteral("Volver|Regresa a la pantalla anterior"), &T::btSalirClick);

    // Row pictures.
    auto imagen = [&](TImage*& i, const char* nombre, const std::function<void(TCanvas*)>& pinta) {
        i = new TImage(this);
        i->SetName(QString::fromLatin1(nombre));
        i->SetVisible(false);
        records::Dibujo(i, 16, pinta);
    };
    imagen(Unido, "Unido", PintaUnido);
    imagen(Reloj, "Reloj", PintaReloj);
    imagen(Clip, "Clip", PintaClip);
    imagen(Ok, "Ok", PintaOk);
    imagen(Image1, "Image1", [](TCanvas*) {});
    imagen(Image2, "Image2", [](TCanvas* c) {
        Relleno(c, clRed);
        c->Ellipse(4, 4, 12, 12);
    });

    const int top = 31 + 8;
    DBAgenda = new TZbDBGrid(this);
    DBAgenda->SetName(QStringLiteral("DBAgenda"));
    DBAgenda->SetParent(this);
    DBAgenda->SetDataSource(ActiveSource);
    DBAgenda->SetBounds(8, top, 540, 470 - top - 8);
    DBAgenda->SetReadOnly(true);
    DBAgenda->SetOptions(dgTitles | dgColumnResize | dgColLines | dgRowLines | dgRowSelect | dgAlwaysShowSelection);
    for (auto [campo, titulo, ancho] : {std::tuple{"", "", 17}, std::tuple{"CODIGO", "?", 17}, std::tuple{"HORA", "Hora", 44},
                                        std::tuple{"EXPED", "Referencia", 110}, std::tuple{"SITUACION", "Situación", 330}}) {
        TColumn* c = DBAgenda->Columns()->Add();
        c->SetFieldName(QString::fromLatin1(campo));
        c->Title()->SetCaption(QString::fromUtf8(titulo));
        c->SetWidth(ancho);
    }
    DBAgenda->SetDefaultDrawing(false);

    PopupMenu1 = new TPopupMenu(this);
    PopupMenu1->SetName(QStringLiteral("PopupMenu1"));
    auto menu = [&](TMenuItem*& m, const char* nombre, const QString& caption, void (TAgenda::*click)(TObject*)) {
        m = new TMenuItem(this);
        m->SetName(QString::fromLatin1(nombre));
        m->SetCaption(caption);
        if (click) m->OnClick = TNotifyEvent(this, click);
        PopupMenu1->Items()->Add(m);
    };
    TMenuItem* linea = nullptr;
    menu(Nuevo1, "Nuevo1", QStringLiteral("&Nuevo"), &T::btAddClick);
    menu(Editar1, "Editar1", QStringLiteral("&Editar"), &T::btEditClick);
    menu(Borrar1, "Borrar1", QStringLiteral("&Borrar"), &T::btDelClick);
    menu(linea, "N1", QStringLiteral("-"), nullptr);
    menu(Imprimir1, "Imprimir1", QStringLiteral("&Imprimir"), &T::btImprimirClick);
    menu(linea, "N2", QStringLiteral("-"), nullptr);
    menu(AbrirEscrito1, "AbrirEscrito1", QStringLiteral("&Abrir Escrito"), &T::btEscritoClick);
    DBAgenda->SetPopupMenu(PopupMenu1);

    // Right column: the day, the calendar, the boxes, the type and the document.
    const int xr = 556, wr = 236;
    Hoy = new TLabel(this);
    Hoy->SetName(QStringLiteral("Hoy"));
    Hoy->SetParent(this);
    Hoy->SetAutoSize(false);
    Hoy->SetAlignment(taCenter);
    Hoy->SetBounds(xr, top, wr, 18);
    Hoy->Font()->SetStyle(TFontStyles{fsBold});
    Hoy->Font()->SetColor(clNavy);

    Calendar = new TCalenPnl(this);
    Calendar->SetName(QStringLiteral("Calendar"));
    Calendar->SetParent(this);
    Calendar->SetBounds(xr, top + 20, wr, 170);
    comun::CalendarioDeAgenda(Calendar);
    Calendar->SetDayWidth(dw3Char);

    const int yb = top + 194;
    auto paso = [&](TButton*& b, const char* nombre, const QString& caption, int left, void (TAgenda::*click)(TObject*)) {
        b = new TButton(this);
        b->SetName(QString::fromLatin1(nombre));
        b->SetParent(this);
        b->SetCaption(caption);
        b->SetBounds(left, yb, 56, 21);
        b->OnClick = TNotifyEvent(this, click);
    };
    paso(btAnoMenos, "btAnoMenos", QStringLiteral("Año -"), xr, &T::btAnoMenosClick);
    paso(btMesMenos, "btMesMenos", QStringLiteral("Mes -"), xr + 60, &T::btMesMenosClick);
    paso(btMesMas, "btMesMas", QStringLiteral("Mes +"), xr + 120, &T::btMesMasClick);
    paso(btAnoMas, "btAnoMas", QStringLiteral("Año +"), xr + 180, &T::btAnoMasClick);

    const int yc = yb + 28;
    auto etiqueta = [&](TLabel*& l, const char* nombre, const QString& texto, int left, int y, int ancho) {
        l = new TLabel(this);
        l->SetName(QString::fromLatin1(nombre));
        l->SetParent(this);
        l->SetAutoSize(false);
        l->SetBounds(left, y, ancho, 17);
        l->SetCaption(texto);
    };
    auto caja = [&](TCheckBox*& c, const char* nombre, const QString& texto, int left, int y) {
        c = new TCheckBox(this);
        c->SetName(QString::fromLatin1(nombre));
        c->SetParent(this);
        c->SetCaption(texto);
        c->SetChecked(true);
        c->SetBounds(left, y, 86, 19);
        c->OnClick = TNotifyEvent(this, &T::CajaClick);
    };
    etiqueta(Label1, "Label1", QStringLiteral("Apuntes de "), xr, yc, 70);
    caja(btExped, "btExped", QStringLiteral("Expedientes"), xr + 72, yc - 1);
    caja(btDesp, "btDesp", QStringLiteral("Consultas"), xr + 72, yc + 19);
    caja(btPart, "btPart", QStringLiteral("Particulares"), xr + 72, yc + 39);
    etiqueta(Label2, "Label2", QStringLiteral("Avisos de "), xr + 160, yc, 70);
    caja(btAviExp, "btAviExp", QString(), xr + 214, yc - 1);
    caja(btAviDes, "btAviDes", QString(), xr + 214, yc + 19);
    caja(btAviPar, "btAviPar", QString(), xr + 214, yc + 39);
    for (TCheckBox* c : {btAviExp, btAviDes, btAviPar}) c->SetWidth(20);

    const int yt = yc + 64;
    etiqueta(Label3, "Label3", QStringLiteral("Tipo de Anotación :"), xr, yt, wr);
    cbTipoAgen = new TZbDBLookupCombo(this);
    cbTipoAgen->SetName(QStringLiteral("cbTipoAgen"));
    cbTipoAgen->SetParent(this);
    cbTipoAgen->SetLookupSource(Dat->DsTipoAgenda);
    cbTipoAgen->SetLookupField(QStringLiteral("TIPO"));
    cbTipoAgen->SetLookupDisplay(QStringLiteral("TIPO"));
    cbTipoAgen->SetDisplayEmpty(QStringLiteral("TODOS"));
    cbTipoAgen->SetBounds(xr, yt + 18, wr, 21);

    ImageList1 = new TImageList(this);
    ImageList1->SetName(QStringLiteral("ImageList1"));
    ImageList1->SetSize(32, 32);
    lvAttachments = new TListView(this);
    lvAttachments->SetName(QStringLiteral("lvAttachments"));
    lvAttachments->SetParent(this);
    lvAttachments->SetViewStyle(vsIcon);
    lvAttachments->SetLargeImages(ImageList1);
    lvAttachments->SetReadOnly(true);
    const int yl = yt + 46;
    lvAttachments->SetBounds(xr, yl, wr, 470 - yl - 8);
}
