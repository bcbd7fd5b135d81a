// The case file's agenda: the layout of its controls and the pictures of its rows.
#include "agenda/UAgendaExp.h"
#include "agenda/UPlanner.h"
#include "comun/Controles.h"
#include "records/Pinturas.h"

#include <tuple>

namespace {

void Imagen(TAgendaExp* form, TImage*& i, const char* nombre, const std::function<void(TCanvas*)>& pinta) {
    i = new TImage(form);
    i->SetName(QString::fromLatin1(nombre));
    i->SetVisible(false);
    records::Dibujo(i, 16, pinta);
}

TMenuItem* Opcion(TAgendaExp* form, const char* nombre, const QString& caption, void (TAgendaExp::*click)(TObject*)) {
    auto* i = new TMenuItem(form);
    i->SetName(QString::fromLatin1(nombre));
    i->SetCaption(caption);
    if (click) i->OnClick = TNotifyEvent(form, click);
    form->PopupMenu1->Items()->Add(i);
    return i;
}
}  // namespace

TSpeedItem* TAgendaExp::Item(const char* nombre, const QString& caption, const QString& hint, int left,
                             void (TAgendaExp::*click)(TObject*)) {
    TSpeedItem* i = comun::ItemDeTexto(SpeedBar1, nombre, caption, hint, left);
    i->OnClick() = TNotifyEvent(this, click);
    return i;
}

void TAgendaExp::CreaControles() {
    SpeedBar1 = comun::BarraDeTexto(this, QStringLiteral("Untitled (0)"));
    SpeedBar1->SetBtnWidth(56);
    using T = TAgendaExp;
    int x = 4;
    const int w = 56;
    btFirst = Item("btFirst", QStringLiteral("Primero"), QStringLiteral("Primero"), x, &T::btFirstClick);
    btPrev = Item("btPrev", QStringLiteral("Anterior"), QStringLiteral("Anterior"), x += w, &T::btPrevClick);
    btNext = Item("btNext", QStringLiteral("Siguiente"), QStringLiteral("Siguiente"), x += w, &T::btNextClick);
    btLast = Item("btLast", QStringLiteral("Último"), QStringLiteral("Último"), x += w, &T::btLastClick);
    btAdd = Item("btAdd", QStringLiteral("Añadir"), QStringLiteral("Añade"), x += w + 6, &T::btAddClick);
    btDel = Item("btDel", QStringLiteral("Borrar"), QStringLiteral("Borra"), x += w, &T::btDelClick);
    btEdit = Item("btEdit", QStringLiteral("Modificar"), QStringLiteral("Modifica"), x += w, &T::btEditClick);
    btRefresh = Item("btRefresh", QStringLiteral("Refrescar"), QStringLiteral("Refresca"), x += w, &T::btRefreshClick);
    btRealizado = Item("btRealizado", QStringLiteral("Realizado"), QStringLiteral("Realizado"), x += w + 6, &T::btRealizadoClick);
    btRealizado->SetGroupIndex(1);
    btRealizado->SetAllowAllUp(true);
    btEscrito = Item("btEscrito", QStringLiteral("Escrito"), QStringLiteral("Ver Documento|Ver documento asociado"), x += w,
                     &T::btEscritoClick);
    btMail = Item("btMail", QStringLiteral("Correo"), QStringLiteral("Enviar por correo"), x += w, &T::btMailClick);
    btImprimir = Item("btImprimir", QStringLiteral("Imprimir"), QStringLiteral("Impirmir|Imprime ficha"), x += w, &T::btImprimirClick);
    btPlanner = Item("btPlanner", QStringLiteral("Planning"), QStringLiteral("Plannig"), x += w + 6, &T::btPlannerClick);
    btCalendar = Item("btCalendar", QStringLiteral("Calendario"), QStringLiteral("Calendario|Calendario Anual"), x += w,
                      &T::btCalendarClick);
    btAyuda = Item("btAyuda", QStringLiteral("Ayuda"), QStringLiteral("Ayuda|Muestra ayuda "), x += w + 6, &T::btAyudaClick);
    btSalir = Item("btSalir", QStringLiteral("Volver"), QStringLiteral("Volver|Regresa a la pantalla anterior"), x += w, &T::btSalirClick);

    Panel1 = new TPanel(this);
    Panel1->SetName(QStringLiteral("Panel1"));
    Panel1->SetParent(this);
    Panel1->SetAlign(alTop);
    Panel1->SetHeight(34);
    Panel1->SetCaption(QString());
    Panel1->SetBevelOuter(bvNone);
    auto rotulo = [&](const QString& texto, int left, int width) {
        auto* l = new TLabel(this);
        l->SetParent(Panel1);
        l->SetCaption(texto);
        l->SetAutoSize(false);
        l->SetAlignment(taRightJustify);
        l->SetBounds(left, 9, width, 17);
    };
    rotulo(QStringLiteral("Ver Avisos :"), 4, 80);
    cbAvisos = new TCheckBox(this);
    cbAvisos->SetName(QStringLiteral("cbAvisos"));
    cbAvisos->SetParent(Panel1);
    cbAvisos->SetCaption(QStringLiteral("Si"));
    cbAvisos->SetChecked(true);
    cbAvisos->SetBounds(90, 8, 50, 19);
    rotulo(QStringLiteral("Tipo de Anotación :"), 150, 130);
    cbTipoAgenda = new TComboBox(this);
    cbTipoAgenda->SetName(QStringLiteral("cbTipoAgenda"));
    cbTipoAgenda->SetParent(Panel1);
    cbTipoAgenda->SetStyle(csDropDownList);
    cbTipoAgenda->SetBounds(286, 6, 220, 21);

    PopupMenu1 = new TPopupMenu(this);
    PopupMenu1->SetName(QStringLiteral("PopupMenu1"));
    Nuevo1 = Opcion(this, "Nuevo1", QStringLiteral("&Nuevo"), &T::btAddClick);
    Editar1 = Opcion(this, "Editar1", QStringLiteral("&Editar"), &T::btEditClick);
    Borrar1 = Opcion(this, "Borrar1", QStringLiteral("&Borrar"), &T::btDelClick);
    Opcion(this, "N1", QStringLiteral("-"), nullptr);
    Imprimir1 = Opcion(this, "Imprimir1", QStringLiteral("&Imprimir"), &T::btImprimirClick);
    Opcion(this, "N2", QStringLiteral("-"), nullptr);
    AbrirEscrito1 = Opcion(this, "AbrirEscrito1", QStringLiteral("&Abrir Escrito"), &T::btEscritoClick);

    DBAgenda = new TZbDBGrid(this);
    DBAgenda->SetName(QStringLiteral("DBAgenda"));
    DBAgenda->SetParent(this);
    DBAgenda->SetAlign(alClient);
    DBAgenda->SetDataSource(ActiveSource);
    DBAgenda->SetReadOnly(true);
    DBAgenda->SetOptions(dgTitles | dgColumnResize | dgColLines | dgRowLines | dgRowSelect | dgAlwaysShowSelection);
    DBAgenda->SetPopupMenu(PopupMenu1);
    for (auto [campo, titulo, ancho] : {std::tuple{"", "", 17}, std::tuple{"CODIGO", "?", 17}, std::tuple{"FECHA", "Fecha", 80},
                                        std::tuple{"HORA", "Hora", 48}, std::tuple{"SITUACION", "Situación", 780}}) {
        TColumn* c = DBAgenda->Columns()->Add();
        c->SetFieldName(QString::fromLatin1(campo));
        c->Title()->SetCaption(QString::fromUtf8(titulo));
        c->SetWidth(ancho);
    }
    DBAgenda->SetDefaultDrawing(false);

    // Row pictures.
    Imagen(this, Image1, "Image1", [](TCanvas*) {});
    Imagen(this, Image2, "Image2", [](TCanvas* c) {
        c->Pen()->SetColor(clMaroon);
        c->Brush()->SetColor(clYellow);
        c->Polygon({{4, 2}, {12, 2}, {8, 8}});
        c->Polygon({{4, 14}, {12, 14}, {8, 8}});
    });
    Imagen(this, Ok, "Ok", comun::PintaOk);
    Imagen(this, Reloj, "Reloj", [](TCanvas* c) {
        c->Pen()->SetColor(clNavy);
        c->Brush()->SetColor(clWhite);
        c->Ellipse(1, 1, 15, 15);
        c->MoveTo(8, 8);
        c->LineTo(8, 3);
        c->MoveTo(8, 8);
        c->LineTo(12, 10);
    });
    Imagen(this, Clip, "Clip", [](TCanvas* c) {
        c->Pen()->SetColor(clGray);
        c->Pen()->SetWidth(2);
        c->Brush()->SetStyle(bsClear);
        c->RoundRect(4, 1, 12, 15, 6, 6);
        c->RoundRect(6, 4, 10, 12, 4, 4);
    });
    Imagen(this, Unido, "Unido", [](TCanvas* c) {
        c->Pen()->SetColor(clNavy);
        c->Brush()->SetColor(clWhite);
        c->Rectangle(3, 1, 13, 15);
        for (int y = 4; y <= 11; y += 3) {
            c->MoveTo(5, y);
            c->LineTo(11, y);
        }
    });
}
