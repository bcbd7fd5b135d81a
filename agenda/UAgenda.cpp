// The daily agenda.
#include "agenda/UAgenda.h"

#include "agenda/UAnios.h"
#include "agenda/UAnotacion.h"
#include "agenda/UPlanner.h"
#include "controls/visual/DateHelpers.h"
#include "controls/visual/FileCopyHelpers.h"
#include "controls/visual/HelpRouter.h"
#include "documents/MailForm.h"
#include "documents/MapiLoader.h"
#include "platform/graphics/Resources.h"
#include "platform/rtl/SysUtils.h"
#include "records/Pinturas.h"
#include "records/UExpediente.h"
#include "reports/ULimAgen.h"
#include "reports/rptLisAgen.h"
#include "shell/UComunes.h"
#include "shell/UData.h"
#include "shell/UPrograma.h"

#include <QFileInfo>
#include <cmath>
#include <memory>

TAgenda* Agenda = nullptr;

namespace {

TField* F(TDataSet* t, const char* campo) { return t->FieldByName(QString::fromLatin1(campo)); }

TDateTime Dia(TDateTime d) { return TDateTime(std::floor(double(d))); }

std::unique_ptr<TBitmap> Glifo(const std::function<void(TCanvas*)>& pinta) {
    auto b = std::make_unique<TBitmap>();
    b->SetSize(16, 16);
    TCanvas* c = b->Canvas();
    c->Brush()->SetColor(clFuchsia);
    c->FillRect(Rect(0, 0, 16, 16));
    pinta(c);
    return b;
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
    if (nombre == u"btRefresh") return [](TCanvas* c) {
        c->Pen()->SetColor(clGreen);
        c->Pen()->SetWidth(2);
        c->Brush()->SetStyle(bsClear);
        c->Ellipse(3, 3, 13, 13);
        Relleno(c, clGreen);
        c->Brush()->SetStyle(bsSolid);
        c->Polygon({{10, 1}, {14, 5}, {9, 6}});
    };
    if (nombre == u"btImprimir") return [](TCanvas* c) {
        c->Pen()->SetColor(clBlack);
        c->Brush()->SetColor(clWhite);
        c->Rectangle(4, 1, 12, 7);
        c->Brush()->SetColor(clGray);
        c->Rectangle(1, 6, 15, 12);
        c->Brush()->SetColor(clWhite);
        c->Rectangle(4, 10, 12, 15);
    };
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

TAgenda::TAgenda(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("Agenda"));
    SetCaption(QStringLiteral("Agenda Diaria"));
    SetBorderStyle(bsSingle);
    SetBorderIcons(biSystemMenu | biMinimize);
    SetPosition(poScreenCenter);
    SetKeyPreview(true);
    SetClientWidth(800);
    SetClientHeight(470);
    using T = TAgenda;

    ActiveSource = new TDataSource(this);
    ActiveSource->SetName(QStringLiteral("ActiveSource"));
    ActiveSource->SetAutoEdit(false);

    SpeedBar1 = new TSpeedBar(this);
    SpeedBar1->SetName(QStringLiteral("SpeedBar1"));
    SpeedBar1->SetParent(this);
    SpeedBar1->SetBevelInner(bvLowered);
    SpeedBar1->SetOptions(sbFlatBtns | sbTransparentBtns | sbGrayedBtns);
    SpeedBar1->SetBtnOffsetHorz(4);
    SpeedBar1->SetBtnOffsetVert(4);
    SpeedBar1->SetHeight(31);
    SpeedBar1->AddSection(QStringLiteral("Untitled (0)"));
    int x = 4;
    const int w = SpeedBar1->BtnWidth();
    auto item = [&](TSpeedItem*& i, const char* nombre, const QString& hint, void (TAgenda::*click)(TObject*), int hueco = 0) {
        i = new TSpeedItem(this);
        i->SetName(QString::fromLatin1(nombre));
        i->SetCaption(hint.section(u'|', 0, 0));
        i->SetHint(hint);
        auto g = Glifo(Dibujo(i->Name()));
        i->SetGlyph(g.get());
        SpeedBar1->AddItem(0, i);
        x += hueco;
        i->SetLeft(x);
        i->SetTop(SpeedBar1->BtnOffsetVert());
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
    if (!platform::graphics::FindResource(platform::graphics::ResourceKind::Bitmap, QStringLiteral("BACKGROUND")).isNull())
        SpeedBar1->Wallpaper()->Bitmap()->LoadFromResourceName(QStringLiteral("BACKGROUND"));

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
    Calendar->SetGermanDate(true);
    Calendar->SetUseLongDate(false);
    Calendar->SetShowWeeks(false);
    Calendar->SetDayWidth(dw3Char);
    Calendar->SetColHoliday(clRed);
    Calendar->SetColMarked(clNavy);
    const TColor colores[13] = {clMaroon, clGreen, clOlive, clPurple, clTeal, clGray, clSilver,
                                clLime, clYellow, clBlue, clFuchsia, clAqua, clWhite};
    for (int i = 0; i < 13; ++i) Calendar->SetColDays(i + 1, colores[i]);

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

    ActiveSource->OnDataChange = TDataChangeEvent(this, &T::ActiveSourceDataChange);
    ActiveSource->OnStateChange = TNotifyEvent(this, &T::ActiveSourceStateChange);
    DBAgenda->OnDrawColumnCell = TDrawColumnCellEvent(this, &T::DBAgendaDrawColumnCell);
    DBAgenda->OnDblClick = TNotifyEvent(this, &T::DBAgendaDblClick);
    lvAttachments->OnDblClick = TNotifyEvent(this, &T::btEscritoClick);
    Calendar->OnDateChange = TNotifyEvent(this, &T::CalendarDateChange);
    cbTipoAgen->OnChange = TNotifyEvent(this, &T::cbTipoAgenChange);
    OnShow = TNotifyEvent(this, &T::FormShow);
    OnClose = TCloseEvent(this, &T::FormClose);
    OnKeyDown = TKeyEvent(this, &T::FormKeyDown);
    OnKeyPress = TKeyPressEvent(this, &T::FormKeyPress);
    FormCreate(this);
}

TAgenda::~TAgenda() {
    // The components go before the form's handlers could run on them.
    ActiveSource->OnStateChange = nullptr;
    ActiveSource->OnDataChange = nullptr;
    ActiveSource->SetDataSet(nullptr);
    if (Agenda == this) Agenda = nullptr;
}

void TAgenda::FormCreate(TObject*) {
    TAgen3 = Dat->VistaAgenda(this, QStringLiteral("TAgen3"), TDat::TVistaAgenda::PorFecha);
    TAgen3->OnFilterRecord = TFilterRecordEvent(this, &TAgenda::FiltraRecord);
    ActiveSource->SetDataSet(TAgen3);
    TAgen3->Open();
    if (!Dat->TTipoAgenda->Active()) Dat->TTipoAgenda->Open();
}

bool TAgenda::Derecho(const char* nombre) const { return records::DerechoUsuario(nombre); }

void TAgenda::FormShow(TObject*) {
    const bool exped = Derecho("Expedientes"), consulta = Derecho("Consulta");
    for (TCheckBox* c : {btExped, btAviExp}) {
        c->SetChecked(exped);
        c->SetEnabled(exped);
    }
    for (TCheckBox* c : {btDesp, btAviDes}) {
        c->SetChecked(consulta);
        c->SetEnabled(consulta);
    }
    SetCaption(QStringLiteral("Agenda Diaria de ") + F(Dat->TAboCli, "NOMABOCLI")->AsString());
    FechaAgenda = Date();
    FechaCalendario = Date();
    FMostrada = true;
    MarcaCalendario();
    CalendarDateChange(this);
    TAgen3->Last();
}

void TAgenda::FormClose(TObject*, TCloseAction& action) {
    FMostrada = false;
    action = caFree;
}

void TAgenda::FormKeyPress(TObject*, QChar& key) {
    if (key != QChar(u'\r')) return;
    key = QChar();
    if (ActiveControl() == DBAgenda) {
        DBAgendaDblClick(this);
        return;
    }
    SelectNext(ActiveControl(), true, true);
}

void TAgenda::FormKeyDown(TObject*, quint16& key, TShiftState shift) {
    if (!(shift & ssCtrl) || ActiveSource->State() != dsBrowse) return;
    auto usa = [&](TSpeedItem* i, void (TAgenda::*accion)(TObject*)) {
        key = 0;
        if (i->Visible() && i->Enabled()) (this->*accion)(this);
    };
    switch (key) {
    case VK_RETURN: usa(btEdit, &TAgenda::btEditClick); break;
    case VK_INSERT: usa(btAdd, &TAgenda::btAddClick); break;
    case VK_DELETE: usa(btDel, &TAgenda::btDelClick); break;
    default: break;
    }
}

void TAgenda::FiltraRecord(TDataSet* ds, bool& accept) {
    const QString tipo = F(ds, "TIPO")->AsString();
    bool marcado = false;
    if (tipo == u"E") marcado = btExped->Checked();
    else if (tipo == u"C") marcado = btDesp->Checked();
    else if (tipo == u"P") marcado = btPart->Checked();
    else if (tipo == u"X") marcado = btAviExp->Checked();
    else if (tipo == u"Y") marcado = btAviDes->Checked();
    else if (tipo == u"Z") marcado = btAviPar->Checked();
    accept = marcado && F(ds, "ABOCLI")->AsInteger() == F(Dat->TAboCli, "ABOCLI")->AsInteger();
}

void TAgenda::RefrescaDia() {
    Dat->refresca(Dat->TAgen);
    TTable* t = TAgen3;
    t->SetRange({Variant(FechaAgenda)}, {Variant(FechaAgenda)});
    t->DisableControls();
    try {
        t->Refresh();
    } catch (...) {
        t->EnableControls();
        throw;
    }
    t->EnableControls();
    const bool hay = !t->IsEmpty();
    for (TSpeedItem* i : {btDel, btEdit, btRefresh}) i->SetEnabled(hay);
    Editar1->SetEnabled(hay);
    Borrar1->SetEnabled(hay);
    ActiveSourceDataChange(this, nullptr);
}

void TAgenda::MarcaCalendario() {
    shell::TListasCalendario listas;
    listas.Holidays = Calendar->Holidays();
    listas.Markdays = Calendar->Markdays();
    for (int i = 0; i < 13; ++i) listas.Days[size_t(i)] = Calendar->Days(i + 1);
    listas.SetDate = TEvent<TDateTime>(Calendar, &TCalenPnl::SetDate);
    MarcaDiasCalendario(listas, true);
}

void TAgenda::CalendarDateChange(TObject*) {
    const TDateTime antes = FechaCalendario;
    FechaCalendario = Dia(Calendar->Date());
    FechaAgenda = FechaCalendario;
    // The calendar's own buttons change the month too: its marks follow.
    int y1 = 0, m1 = 0, d1 = 0, y2 = 0, m2 = 0, d2 = 0;
    DecodeDate(antes, y1, m1, d1);
    DecodeDate(FechaCalendario, y2, m2, d2);
    if (FMostrada && (y1 != y2 || m1 != m2)) MarcaCalendario();
    Hoy->SetCaption(FormatDateTime(QStringLiteral("dd \"de\" mmmm \"de\" yyyy"), FechaAgenda).toUpper());
    RefrescaDia();
}

void TAgenda::CajaClick(TObject*) {
    if (FMostrada) RefrescaDia();
}

void TAgenda::cbTipoAgenChange(TObject*) {
    if (FMostrada) RefrescaDia();
}

void TAgenda::Mueve(int meses, int anos) {
    FechaCalendario = anos ? IncYear(FechaCalendario, anos) : IncMonth(FechaCalendario, meses);
    MarcaCalendario();
    RefrescaDia();
}

void TAgenda::btAnoMasClick(TObject*) { Mueve(0, 1); }
void TAgenda::btAnoMenosClick(TObject*) { Mueve(0, -1); }
void TAgenda::btMesMasClick(TObject*) { Mueve(1, 0); }
void TAgenda::btMesMenosClick(TObject*) { Mueve(-1, 0); }

void TAgenda::btHoyClick(TObject*) {
    FechaAgenda = Date();
    FechaCalendario = Date();
    MarcaCalendario();
    RefrescaDia();
}

void TAgenda::DBAgendaDrawColumnCell(TObject*, const TRect& rect, int dataCol, TColumn* column, TGridDrawState state) {
    TDataSet* t = TAgen3;
    const bool icono = column && column->FieldName().isEmpty();
    const bool codigo = column && column->FieldName() == u"CODIGO";
    if (!icono && !codigo) {
        DBAgenda->DefaultDrawColumnCell(rect, dataCol, column, state);
        return;
    }
    TCanvas* c = DBAgenda->Canvas();
    c->Brush()->SetColor(clWindow);
    c->FillRect(rect);
    if (t->IsEmpty()) return;
    TImage* i = nullptr;
    if (icono) {
        const QString tipo = F(t, "TIPO")->AsString();
        const QString archivado = F(t, "ARCHIVADO")->AsString();
        if (QString::compare(tipo, QStringLiteral("X")) >= 0) i = Reloj;
        else if (archivado == u"S") i = Clip;
        else if (archivado == u"X") i = Unido;
        else i = Image1;
        c->StretchDraw(rect, i->Picture()->Graphic());
        return;
    }
    switch (F(t, "CODIGO")->AsInteger()) {
    case 0: i = Image1; break;
    case 1: i = Image2; break;
    case 2: i = Ok; break;
    default: return;
    }
    c->StretchDraw(rect, i->Picture()->Graphic());
}

void TAgenda::DBAgendaDblClick(TObject*) {
    if (!TAgen3->IsEmpty() && btEdit->Enabled()) btEditClick(this);
}

void TAgenda::Navegacion() {
    TDataSet* t = TAgen3;
    const bool browse = ActiveSource->State() == dsBrowse;
    btFirst->SetEnabled(browse && !t->Bof());
    btPrev->SetEnabled(browse && !t->Bof());
    btNext->SetEnabled(browse && !t->Eof());
    btLast->SetEnabled(browse && !t->Eof());
}

void TAgenda::ActiveSourceStateChange(TObject*) { Navegacion(); }

void TAgenda::ActiveSourceDataChange(TObject*, TField*) {
    TDataSet* t = TAgen3;
    const bool hay = t->Active() && !t->IsEmpty();
    const QString archivado = hay ? F(t, "ARCHIVADO")->AsString() : QString();
    btEscrito->SetEnabled(hay && (archivado == u"S" || archivado == u"X") && Derecho("Fusion"));
    btMail->SetEnabled(btEscrito->Enabled());
    AbrirEscrito1->SetEnabled(btEscrito->Enabled() && btEscrito->Visible());
    btAbrir->SetEnabled(hay && F(t, "TIPO")->AsString() == u"E" && Derecho("Expedientes"));
    btRealizado->SetEnabled(hay);
    if (hay) btRealizado->SetDown(F(t, "CODIGO")->AsInteger() == 2);
    Navegacion();
    lvAttachments->Items()->Clear();
    ImageList1->Clear();
    if (!btEscrito->Enabled()) return;
    const QString ruta = agenda::RutaEscrito(F(t, "ESCRITO")->AsInteger(), F(t, "EXTENSION")->AsString());
    TListItem* item = lvAttachments->Items()->Add();
    item->SetCaption(QFileInfo(ruta).fileName());
    item->SubItems()->Add(ruta);
    item->SetImageIndex(platform::forms::AddFileTypeIcon(ImageList1, ruta));
}

bool TAgenda::SituaTAgen() {
    if (TAgen3->IsEmpty()) return false;
    Dat->refresca(Dat->TAgen);
    return Dat->TAgen->Locate(QStringLiteral("ORDEN"), F(TAgen3, "ORDEN")->Value(), 0);
}

void TAgenda::btAddClick(TObject*) {
    FNota = new TFNota(Application);
    std::unique_ptr<TFNota> libera(FNota);
    Dat->TAgen->Insert();
    const bool ok = FNota->ShowModal() == mrOk;
    libera.reset();
    FNota = nullptr;
    if (!ok) return;
    FechaCalendario = FechaAgenda;
    MarcaCalendario();
    RefrescaDia();
    TAgen3->Locate(QStringLiteral("ORDEN"), Variant(OrdenAnotacion), 0);
}

void TAgenda::btEditClick(TObject*) {
    if (!SituaTAgen()) {
        MensajeError(QStringLiteral("Línea de Agenda NO EXISTE"));
        return;
    }
    FNota = new TFNota(Application);
    std::unique_ptr<TFNota> libera(FNota);
    Dat->TAgen->Edit();
    FNota->PreparaEdicion();
    const bool ok = FNota->ShowModal() == mrOk;
    libera.reset();
    FNota = nullptr;
    if (!ok) return;
    FechaCalendario = FechaAgenda;
    MarcaCalendario();
    RefrescaDia();
    TAgen3->Locate(QStringLiteral("ORDEN"), Variant(OrdenAnotacion), 0);
}

void TAgenda::btDelClick(TObject*) {
    if (SituaTAgen()) Dat->TAgen->Delete();  // the data module asks first
    MarcaCalendario();
    RefrescaDia();
}

void TAgenda::btRealizadoClick(TObject*) {
    const int orden = TAgen3->IsEmpty() ? 0 : F(TAgen3, "ORDEN")->AsInteger();
    if (!SituaTAgen()) return;
    Dat->TAgen->Edit();
    F(Dat->TAgen, "CODIGO")->SetAsInteger(btRealizado->Down() ? 2 : 1);
    Dat->TAgen->Post();
    RefrescaDia();
    TAgen3->Locate(QStringLiteral("ORDEN"), Variant(orden), 0);
}

void TAgenda::btAbrirClick(TObject*) {
    TDataSet* t = TAgen3;
    if (t->IsEmpty()) return;
    if (!Dat->TExped->Locate(QStringLiteral("ANO;NUMERO"), VarArrayOf({F(t, "ANO")->Value(), F(t, "NUMERO")->Value()}), 0)) return;
    Expediente = new TExpediente(Application);
    const int r = Expediente->ShowModal();
    if (r == mrOk) RefrescaDia();
}

void TAgenda::btEscritoClick(TObject*) {
    if (!btEscrito->Enabled()) return;
    agenda::AbreEscrito(F(TAgen3, "ESCRITO")->AsInteger(), F(TAgen3, "EXTENSION")->AsString());
}

void TAgenda::btMailClick(TObject*) {
    if (!btMail->Enabled()) return;
    TDataSet* t = TAgen3;
    const QString origen = agenda::RutaEscrito(F(t, "ESCRITO")->AsInteger(), F(t, "EXTENSION")->AsString());
    if (!QFileInfo(origen).isFile()) {
        MensajeError(QStringLiteral("No existe archivo : ") + origen);
        return;
    }
    if (!MapiLoaded) {
        MensajeError(QStringLiteral("No hay ningún sistema de correo disponible"));
        return;
    }
    const QString copia = agenda::CopiaParaCorreo(origen);
    auto mail = std::make_unique<TfrmMail>(Application);
    mail->AddAttachment(copia);
    mail->txtSubject->SetText(F(t, "SITUACION")->AsString());
    mail->ShowModal();
}

void TAgenda::btImprimirClick(TObject*) {
    // No second print while one runs.
    const TNotifyEvent guardado = btImprimir->OnClick();
    btImprimir->OnClick() = nullptr;
    auto restaura = [&] { btImprimir->OnClick() = guardado; };
    try {
        auto* d = new TLimAgen(Application);
        std::unique_ptr<TLimAgen> libera(d);
        const QString hoy = FormatDateTime(QStringLiteral("dd/mm/yyyy"), FechaAgenda);
        d->EDesde->SetText(hoy);
        d->EHasta->SetText(hoy);
        for (auto [a, b] : {std::pair{btExped, d->btExped}, std::pair{btAviExp, d->btAviExp}, std::pair{btDesp, d->btDesp},
                            std::pair{btAviDes, d->btAviDes}}) {
            b->SetChecked(a->Checked());
            b->SetEnabled(a->Enabled());
        }
        d->btPart->SetChecked(btPart->Checked());
        d->btAviPar->SetChecked(btAviPar->Checked());
        if (d->ShowModal() == mrOk) {
            QStringList letras;
            for (auto [caja, letra] : {std::pair{d->btExped, "E"}, std::pair{d->btDesp, "C"}, std::pair{d->btPart, "P"},
                                       std::pair{d->btAviExp, "X"}, std::pair{d->btAviDes, "Y"}, std::pair{d->btAviPar, "Z"}})
                if (caja->Checked()) letras << QString::fromLatin1(letra);
            TDateTime desde = FechaAgenda, hasta = FechaAgenda;
            TryStrToDate(d->EDesde->Text(), desde);
            TryStrToDate(d->EHasta->Text(), hasta);
            const QString tipo = d->cbTipoAgenda->Text() == u"TODOS" || d->cbTipoAgenda->Text().isEmpty()
                                     ? QStringLiteral("TODOS")
                                     : F(Dat->TTipoAgenda, "TIPO")->AsString();
            reports::rptLisAgen(F(Dat->TAboCli, "ABOCLI")->AsInteger(), desde, hasta, letras, tipo);
        }
    } catch (...) {
        restaura();
        throw;
    }
    restaura();
}

void TAgenda::btRefreshClick(TObject*) {
    TTable* t = TAgen3;
    t->DisableControls();
    try {
        t->Refresh();
    } catch (...) {
        t->EnableControls();
        throw;
    }
    t->EnableControls();
}

void TAgenda::btPlannerClick(TObject*) {
    auto* f = new TFPlanner(Application);
    std::unique_ptr<TFPlanner> libera(f);
    f->Situa(FechaCalendario);
    if (f->ShowModal() == mrOk) {
        FechaAgenda = Dia(FechaPlanner);
        FechaCalendario = FechaAgenda;
    }
    libera.reset();
    MarcaCalendario();
    RefrescaDia();
}

void TAgenda::btCalendarClick(TObject*) {
    auto* f = new TFAnios(Application);
    std::unique_ptr<TFAnios> libera(f);
    f->Situa(FechaCalendario);
    f->ShowModal();
    libera.reset();
    MarcaCalendario();
    RefrescaDia();
}

void TAgenda::btAyudaClick(TObject*) { Application->HelpContext(28); }
void TAgenda::btSalirClick(TObject*) { Close(); }

void TAgenda::btFirstClick(TObject*) { TAgen3->First(); }
void TAgenda::btPrevClick(TObject*) {
    if (!TAgen3->Bof()) TAgen3->Prior();
}
void TAgenda::btNextClick(TObject*) {
    if (!TAgen3->Eof()) TAgen3->Next();
}
void TAgenda::btLastClick(TObject*) { TAgen3->Last(); }
