#include "agenda/UAgendaExp.h"

#include "agenda/RptDirExp.h"
#include "agenda/UAnios.h"
#include "agenda/UAnotacion.h"
#include "agenda/UPlanner.h"
#include "comun/Controles.h"
#include "comun/Ganchos.h"
#include "comun/PresPrel.h"
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "controls/visual/FileCopyHelpers.h"
#include "platform/report/QuickRpt.h"
#include "platform/rtl/SysUtils.h"
#include "records/Pinturas.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <memory>

TAgendaExp* AgendaExp = nullptr;

namespace {
using comun::F;

bool Derecho(const char* nombre) {
    if (!Dat->TPriv->Active() || Dat->TPriv->IsEmpty()) return false;
    return F(Dat->TPriv, nombre)->AsBoolean();
}
}  // namespace

void agenda::AbreAgendaExpediente(const QString& caption, bool edicion) {
    AgendaExp = new TAgendaExp(Application);
    TAgendaExp* f = AgendaExp;
    f->ActivaEdicion(edicion);
    f->SetCaption(caption);
    // Freed here however the showing ended; a release the close already asked for finds it gone.
    std::unique_ptr<TAgendaExp> libera(f);
    f->ShowModal();
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

    CreaControles();

    using T = TAgendaExp;
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
    btMail->SetEnabled(btEscrito->Enabled() && comun::EnviaPorCorreo);
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
        // The case's lawyer keeps its entries, as the opening, invoicing and closing rows: one
        // reached from another lawyer's list would not show on the daily agenda of the case's.
        const int abogado = F(Dat->TExped, "ABOCLI")->AsInteger();
        if (abogado != 0) F(t, "ABOCLI")->SetAsInteger(abogado);
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
    // Another workstation may have deleted the case file since this window opened.
    if (!ExpedienteSigue()) return;
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
    if (!LocalizaEntrada()) {
        // Deleted by another workstation: said, and the list shows what is stored.
        if (TAgen2->Active() && !TAgen2->IsEmpty()) {
            MensajeError(QStringLiteral("Línea de Agenda NO EXISTE"));
            Refresca();
        }
        return;
    }
    const int orden = F(Dat->TAgen, "ORDEN")->AsInteger();
    agenda::MarcaRealizado(btRealizado->Down(), [&] {
        Dat->refresca(TAgen2);
        ColocaEn(orden);
    });
}

void TAgendaExp::btEscritoClick(TObject*) {
    if (!btEscrito->Enabled() || !TAgen2->Active() || TAgen2->IsEmpty()) return;
    agenda::AbreEscrito(F(TAgen2, "ESCRITO")->AsInteger(), F(TAgen2, "EXTENSION")->AsString());
}

void TAgendaExp::btMailClick(TObject*) {
    if (!btMail->Enabled() || !comun::EnviaPorCorreo) return;
    TDataSet* t = TAgen2;
    const QString ruta = agenda::RutaEscrito(F(t, "ESCRITO")->AsInteger(), F(t, "EXTENSION")->AsString());
    if (!QFile::exists(ruta)) return;
    if (!agenda::HayCorreo()) return;
    comun::EnviaPorCorreo(agenda::CopiaParaCorreo(ruta), F(t, "SITUACION")->AsString());
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
        comun::PresentaInforme(informe->QDirExp);
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
