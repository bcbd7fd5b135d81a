#include "agenda/UAgendaExp.h"

#include "agenda/RptDirExp.h"
#include "agenda/UAnios.h"
#include "agenda/UAnotacion.h"
#include "agenda/UPlanner.h"
#include "controls/visual/FileCopyHelpers.h"
#include "platform/report/QuickRpt.h"
#include "platform/rtl/SysUtils.h"
#include "records/Pinturas.h"
#include "reports/PresPrel.h"
#include "shell/UComunes.h"
#include "shell/UData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <memory>

TAgendaExp* AgendaExp = nullptr;

namespace {
TField* F(TDataSet* ds, const char* campo) { return ds->FieldByName(QString::fromLatin1(campo)); }

bool Derecho(const char* nombre) {
    if (!Dat->TPriv->Active() || Dat->TPriv->IsEmpty()) return false;
    return F(Dat->TPriv, nombre)->AsBoolean();
}

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

std::function<void(const QString&, const QString&)> agenda::EnviaPorCorreo;

void agenda::AbreAgendaExpediente(const QString& caption, bool edicion) {
    AgendaExp = new TAgendaExp(Application);
    TAgendaExp* f = AgendaExp;
    f->ActivaEdicion(edicion);
    f->SetCaption(caption);
    // Freed here however the showing ended; a release the close already asked for finds it gone.
    std::unique_ptr<TAgendaExp> libera(f);
    f->ShowModal();
}

TSpeedItem* TAgendaExp::Item(const char* nombre, const QString& caption, const QString& hint, int left,
                             void (TAgendaExp::*click)(TObject*)) {
    TSpeedItem* i = agenda::ItemDe(this, SpeedBar1, nombre, caption, hint, left);
    i->OnClick() = TNotifyEvent(this, click);
    return i;
}

TAgendaExp::TAgendaExp(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("AgendaExp"));
    SetCaption(QStringLiteral("Agenda del Expediente"));
    SetHelpContext(100);
    SetPosition(poScreenCenter);
    SetKeyPreview(true);
    SetClientWidth(980);
    SetClientHeight(460);

    ActiveSource = new TDataSource(this);
    ActiveSource->SetName(QStringLiteral("ActiveSource"));
    ActiveSource->SetAutoEdit(false);

    SpeedBar1 = agenda::BarraDe(this);
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
    Imagen(this, Ok, "Ok", [](TCanvas* c) {
        c->Pen()->SetColor(clGreen);
        c->Pen()->SetWidth(2);
        c->MoveTo(3, 8);
        c->LineTo(7, 12);
        c->LineTo(13, 3);
    });
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

    ActiveSource->OnDataChange = TDataChangeEvent(this, &T::ActiveSourceDataChange);
    ActiveSource->OnStateChange = TNotifyEvent(this, &T::ActiveSourceStateChange);
    DBAgenda->OnDrawColumnCell = TDrawColumnCellEvent(this, &T::DBAgendaDrawColumnCell);
    DBAgenda->OnDblClick = TNotifyEvent(this, &T::DBAgendaDblClick);
    DBAgenda->OnKeyDown = TKeyEvent(this, &T::DBAgendaKeyDown);
    DBAgenda->OnEnter = TNotifyEvent(this, &T::DBAgendaEnter);
    cbAvisos->OnClick = TNotifyEvent(this, &T::cbAvisosClick);
    cbTipoAgenda->OnChange = TNotifyEvent(this, &T::cbTipoAgendaChange);
    OnShow = TNotifyEvent(this, &T::FormShow);
    OnClose = TCloseEvent(this, &T::FormClose);
    OnKeyDown = TKeyEvent(this, &T::FormKeyDown);
    OnKeyPress = TKeyPressEvent(this, &T::FormKeyPress);

    // FormCreate: the list of the case file, the agenda types.
    TAgen2 = Dat->VistaAgenda(this, QStringLiteral("TAgen2"), TDat::TVistaAgenda::DeExpediente);
    TAgen2->OnFilterRecord = TFilterRecordEvent(this, &T::FiltraRecord);
    cbTipoAgenda->Items()->Add(QStringLiteral("TODOS"));
    TTable* tipos = Dat->TTipoAgenda;
    if (tipos->Active()) {
        const TBookmark marca = tipos->GetBookmark();
        for (tipos->First(); !tipos->Eof(); tipos->Next()) cbTipoAgenda->Items()->Add(F(tipos, "TIPO")->AsString());
        tipos->SetToBookmark(marca);
    }
    cbTipoAgenda->SetItemIndex(0);
    for (TSpeedItem* i : {btAdd, btEdit, btDel}) i->SetEnabled(false);
    Nuevo1->SetEnabled(false);
    TAgen2->Open();
    const Variant ano(F(Dat->TExped, "ANO")->AsString()), numero(F(Dat->TExped, "NUMERO")->AsString());
    TAgen2->SetRange({ano, numero}, {ano, numero});
}

TAgendaExp::~TAgendaExp() {
    if (ActiveSource) {
        ActiveSource->OnDataChange = nullptr;
        ActiveSource->OnStateChange = nullptr;
    }
    if (AgendaExp == this) AgendaExp = nullptr;
}

void TAgendaExp::ActivaEdicion(bool flag) {
    FEdicion = flag;
    ActiveSource->SetDataSet(TAgen2);
    for (TSpeedItem* i : {btEdit, btAdd, btDel}) i->SetEnabled(flag);
    Nuevo1->SetEnabled(flag);
}

void TAgendaExp::FormShow(TObject*) {
    Refresca();
    if (TAgen2->Active()) TAgen2->Last();
}

void TAgendaExp::FormClose(TObject*, TCloseAction& action) {
    action = caFree;
}

QString TAgendaExp::ListaTipos() const {
    return cbAvisos->Checked() ? QStringLiteral("'E', 'X'") : QStringLiteral("'E'");
}

void TAgendaExp::FiltraRecord(TDataSet* ds, bool& accept) {
    TTable* e = Dat->TExped;
    const QString tipo = F(ds, "TIPO")->AsString();
    accept = F(ds, "ANO")->AsString() == F(e, "ANO")->AsString() && F(ds, "NUMERO")->AsString() == F(e, "NUMERO")->AsString() &&
             (tipo == u"E" || (cbAvisos->Checked() && tipo == u"X"));
    if (accept && cbTipoAgenda->Text() != u"TODOS") accept = F(ds, "TIPOAGENDA")->AsString() == cbTipoAgenda->Text();
}

void TAgendaExp::Refresca() {
    Dat->refresca(Dat->TAgen);
    Dat->refresca(TAgen2);
    const bool hay = TAgen2->Active() && !TAgen2->IsEmpty() && FEdicion;
    for (TSpeedItem* i : {btDel, btEdit, btRefresh}) i->SetEnabled(hay);
    Editar1->SetEnabled(hay);
    Borrar1->SetEnabled(hay);
    ActiveSourceDataChange(ActiveSource, nullptr);
}

void TAgendaExp::cbAvisosClick(TObject*) {
    cbAvisos->SetCaption(cbAvisos->Checked() ? QStringLiteral("Si") : QStringLiteral("No"));
    Refresca();
}

void TAgendaExp::cbTipoAgendaChange(TObject*) {
    if (cbTipoAgenda->Text() != u"TODOS")
        Dat->TTipoAgenda->Locate(QStringLiteral("TIPO"), Variant(cbTipoAgenda->Text()), 0);
    Refresca();
}

void TAgendaExp::ActiveSourceStateChange(TObject*) {
    TDataSet* t = ActiveSource->DataSet();
    if (!t) return;
    const bool consulta = t->State() == dsBrowse;
    btFirst->SetEnabled(consulta && !t->Bof());
    btPrev->SetEnabled(consulta && !t->Bof());
    btNext->SetEnabled(consulta && !t->Eof());
    btLast->SetEnabled(consulta && !t->Eof());
}

void TAgendaExp::ActiveSourceDataChange(TObject* sender, TField*) {
    TDataSet* t = ActiveSource->DataSet();
    if (!t) return;
    const bool hay = t->Active() && !t->IsEmpty();
    const QString archivado = hay ? F(t, "ARCHIVADO")->AsString() : QString();
    btEscrito->SetEnabled(hay && (archivado == u"S" || archivado == u"X") && Derecho("Fusion"));
    btMail->SetEnabled(btEscrito->Enabled() && agenda::EnviaPorCorreo);
    AbrirEscrito1->SetEnabled(btEscrito->Enabled() && btEscrito->Visible());
    btRealizado->SetEnabled(hay);
    if (hay) btRealizado->SetDown(F(t, "CODIGO")->AsInteger() == 2);
    ActiveSourceStateChange(sender);
}

void TAgendaExp::DBAgendaDrawColumnCell(TObject*, const TRect& rect, int dataCol, TColumn* column, TGridDrawState state) {
    TDataSet* t = TAgen2;
    if (!column || (column->FieldName().isEmpty() && column->FieldName() != u"CODIGO" && dataCol != 0)) {
        DBAgenda->DefaultDrawColumnCell(rect, dataCol, column, state);
        return;
    }
    const bool iconos = column->FieldName().isEmpty();
    if (!iconos && column->FieldName() != u"CODIGO") {
        DBAgenda->DefaultDrawColumnCell(rect, dataCol, column, state);
        return;
    }
    TCanvas* c = DBAgenda->Canvas();
    c->Brush()->SetColor(clWindow);
    c->FillRect(rect);
    if (!t->Active() || t->IsEmpty()) return;
    TImage* i = nullptr;
    if (iconos) {
        const QString archivado = F(t, "ARCHIVADO")->AsString();
        if (F(t, "TIPO")->AsString() >= QLatin1String("X")) i = Reloj;
        else if (archivado == u"S") i = Clip;
        else if (archivado == u"X") i = Unido;
        else i = Image1;
    } else {
        switch (F(t, "CODIGO")->AsInteger()) {
        case 0: i = Image1; break;
        case 1: i = Image2; break;
        case 2: i = Ok; break;
        default: return;
        }
    }
    c->StretchDraw(rect, i->Picture()->Graphic());
}

bool TAgendaExp::LocalizaEntrada() {
    if (!TAgen2->Active() || TAgen2->IsEmpty()) return false;
    return Dat->TAgen->Locate(QStringLiteral("ORDEN"), F(TAgen2, "ORDEN")->Value(), 0);
}

bool TAgendaExp::Editor(bool nuevo) {
    TTable* t = Dat->TAgen;
    const QString ano = F(Dat->TExped, "ANO")->AsString();
    const QString numero = F(Dat->TExped, "NUMERO")->AsString();
    FNota = new TFNota(Application);
    std::unique_ptr<TFNota> editor(FNota);
    if (nuevo) {
        t->Insert();
        F(t, "TIPO")->SetAsString(QStringLiteral("E"));
    } else {
        t->Edit();
    }
    // Always an entry of this case file: the relation is fixed and the case chosen.
    editor->cbRelacion->SetEnabled(false);
    editor->ListasDe(F(Dat->TExped, "ABOCLI")->AsInteger());
    if (editor->QExped->Locate(QStringLiteral("ANO;NUMERO"), VarArrayOf({Variant(ano), Variant(numero)}), 0))
        editor->cbExped->SetText(F(editor->QExped, "EX")->AsString());
    if (nuevo) {
        editor->cbRelacionChange(editor.get());
    } else {
        editor->cbExped->SetVisible(false);
        editor->Texto->SetText(F(t, "SITUACION")->AsString());
    }
    const bool ok = editor->ShowModal() == mrOk;
    if (t->State() == dsEdit || t->State() == dsInsert) t->Cancel();
    editor.reset();
    if (!ok) return false;
    Refresca();
    ColocaEn(OrdenAnotacion);
    return true;
}

void TAgendaExp::ColocaEn(int orden) { TAgen2->Locate(QStringLiteral("ORDEN"), Variant(orden), 0); }

void TAgendaExp::btAddClick(TObject*) {
    if (!FEdicion) return;
    FechaAgenda = Date();
    Editor(true);
}

void TAgendaExp::btEditClick(TObject*) {
    if (!FEdicion || !TAgen2->Active() || TAgen2->IsEmpty()) return;
    if (!LocalizaEntrada()) {
        MensajeError(QStringLiteral("Línea de Agenda NO EXISTE"));
        return;
    }
    Editor(false);
}

void TAgendaExp::btDelClick(TObject*) {
    if (!FEdicion) return;
    if (LocalizaEntrada()) Dat->TAgen->Delete();
    Refresca();
}

void TAgendaExp::btRefreshClick(TObject*) {
    TAgen2->DisableControls();
    try {
        Dat->refresca(TAgen2);
    } catch (...) {
        TAgen2->EnableControls();
        throw;
    }
    TAgen2->EnableControls();
}

void TAgendaExp::btRealizadoClick(TObject*) {
    if (!LocalizaEntrada()) return;
    const int orden = F(Dat->TAgen, "ORDEN")->AsInteger();
    Dat->TAgen->Edit();
    F(Dat->TAgen, "CODIGO")->SetAsInteger(btRealizado->Down() ? 2 : 1);
    Dat->TAgen->Post();
    Dat->refresca(TAgen2);
    ColocaEn(orden);
}

void TAgendaExp::btEscritoClick(TObject*) {
    if (!btEscrito->Enabled() || !TAgen2->Active() || TAgen2->IsEmpty()) return;
    agenda::AbreEscrito(F(TAgen2, "ESCRITO")->AsInteger(), F(TAgen2, "EXTENSION")->AsString());
}

void TAgendaExp::btMailClick(TObject*) {
    if (!btMail->Enabled() || !agenda::EnviaPorCorreo) return;
    TDataSet* t = TAgen2;
    const QString ruta = agenda::RutaEscrito(F(t, "ESCRITO")->AsInteger(), F(t, "EXTENSION")->AsString());
    if (!QFile::exists(ruta)) return;
    agenda::EnviaPorCorreo(agenda::CopiaParaCorreo(ruta), F(t, "SITUACION")->AsString());
}

void TAgendaExp::btImprimirClick(TObject*) {
    const TNotifyEvent guardado = btImprimir->OnClick();
    btImprimir->OnClick() = nullptr;
    Imprimir1->SetEnabled(false);
    auto restaura = [&] {
        btImprimir->OnClick() = guardado;
        Imprimir1->SetEnabled(true);
    };
    try {
        InfDirExp = new TInfDirExp(Application);
        TInfDirExp* informe = InfDirExp;
        struct Cierre {
            TInfDirExp* F;
            ~Cierre() {
                F->Close();
                delete F;  // now, not later: the next print makes a form of the same name
            }
        } cierre{informe};
        informe->Clip = Clip->Picture();
        informe->Unido = Unido->Picture();
        informe->Reloj = Reloj->Picture();
        TQuery* q = informe->QAgenda;
        q->Close();
        q->SQL()->Clear();
        for (const QString& l : {QStringLiteral("SELECT * FROM AGENDA"), QStringLiteral("WHERE ANO = :ANO AND NUMERO = :NUMERO "),
                                 QStringLiteral("      AND TIPO IN (") + ListaTipos() + QStringLiteral(") "),
                                 QStringLiteral("      AND TIPOAGENDA BETWEEN :TDESDE AND :THASTA "), QStringLiteral("ORDER BY FECHA, HORA")})
            q->SQL()->Add(l);
        informe->Inicia();
        const bool todos = cbTipoAgenda->Text() == u"TODOS";
        const QString tipo = todos ? QString() : F(Dat->TTipoAgenda, "TIPO")->AsString();
        q->ParamByName(QStringLiteral("TDESDE"))->SetAsString(todos ? QStringLiteral(" ") : tipo);
        q->ParamByName(QStringLiteral("THASTA"))->SetAsString(todos ? QStringLiteral("zzzzzzzzzzzzzzz") : tipo);
        q->Open();
        informe->TipoApunte->SetCaption(cbTipoAgenda->Text());
        reports::PresentaInforme(informe->QDirExp);
    } catch (...) {
        restaura();
        throw;
    }
    restaura();
}

void TAgendaExp::btPlannerClick(TObject*) {
    auto* f = new TFPlanner(Application);
    f->Situa(Date());
    f->ShowModal();
    delete f;
}

void TAgendaExp::btCalendarClick(TObject*) {
    auto* f = new TFAnios(Application);
    f->Situa(Date());
    f->ShowModal();
    delete f;
}

void TAgendaExp::btAyudaClick(TObject*) { Application->HelpContext(100); }
void TAgendaExp::btSalirClick(TObject*) { Close(); }

void TAgendaExp::btFirstClick(TObject*) {
    if (!TAgen2->Bof()) TAgen2->First();
}
void TAgendaExp::btPrevClick(TObject*) {
    if (!TAgen2->Bof()) TAgen2->Prior();
}
void TAgendaExp::btNextClick(TObject*) {
    if (!TAgen2->Eof()) TAgen2->Next();
}
void TAgendaExp::btLastClick(TObject*) {
    if (!TAgen2->Eof()) TAgen2->Last();
}

void TAgendaExp::DBAgendaEnter(TObject*) { btDel->SetVisible(true); }

void TAgendaExp::DBAgendaDblClick(TObject*) {
    if (FEdicion && TAgen2->Active() && !TAgen2->IsEmpty()) btEditClick(this);
}

void TAgendaExp::DBAgendaKeyDown(TObject*, quint16& key, TShiftState shift) {
    if (key != VK_RETURN || (shift & ssCtrl)) return;
    key = 0;
    DBAgendaDblClick(this);
}

void TAgendaExp::FormKeyDown(TObject*, quint16& key, TShiftState shift) {
    if (!(shift & ssCtrl) || !FEdicion || TAgen2->State() != dsBrowse) return;
    auto usa = [&](TSpeedItem* item, void (TAgendaExp::*accion)(TObject*)) {
        key = 0;
        if (item->Visible() && item->Enabled()) (this->*accion)(this);
    };
    if (key == VK_RETURN) usa(btEdit, &TAgendaExp::btEditClick);
    else if (key == VK_INSERT) usa(btAdd, &TAgendaExp::btAddClick);
    else if (key == VK_DELETE) usa(btDel, &TAgendaExp::btDelClick);
}

void TAgendaExp::FormKeyPress(TObject*, QChar& key) {
    if (key != QChar(u'\r')) return;
    key = QChar();
    SelectNext(ActiveControl(), true, true);
}
