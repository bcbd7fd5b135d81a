// The daily agenda.
#include "agenda/UAgenda.h"

#include "agenda/UAnios.h"
#include "agenda/UAnotacion.h"
#include "agenda/UPlanner.h"
#include "comun/Controles.h"
#include "comun/Programa.h"
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "controls/visual/DateHelpers.h"
#include "controls/visual/FileCopyHelpers.h"
#include "controls/visual/HelpRouter.h"
#include "documents/MailForm.h"
#include "platform/graphics/Resources.h"
#include "platform/rtl/SysUtils.h"
#include "records/Pinturas.h"
#include "records/UExpediente.h"
#include "reports/ULimAgen.h"
#include "reports/rptLisAgen.h"

#include <QFileInfo>
#include <cmath>
#include <memory>

TAgenda* Agenda = nullptr;

namespace {

using comun::F;

TDateTime Dia(TDateTime d) { return TDateTime(std::floor(double(d))); }

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
    CreaControles();

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
    OnKeyUp = TKeyEvent(this, &T::FormKeyUp);
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

// The calendar's arrows move its day without a date-change event: the working day, its list and
// its title follow the day selected all the same.
void TAgenda::FormKeyUp(TObject*, quint16&, TShiftState) {
    if (FMostrada && Dia(Calendar->Date()).Val != FechaAgenda.Val) CalendarDateChange(this);
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
    comun::TListasCalendario listas;
    listas.Holidays = Calendar->Holidays();
    listas.Markdays = Calendar->Markdays();
    for (int i = 0; i < 13; ++i) listas.Days[size_t(i)] = Calendar->Days(i + 1);
    listas.SetDate = TEvent<TDateTime>(Calendar, &TCalenPnl::SetDate);
    MarcaDiasCalendario(listas, true);
    // New lists on the month shown repaint nothing by themselves (the date stays): an entry
    // added on the working day would not show its day marked until the month changed.
    Calendar->Invalidate();
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
    if (!PasaFechaCalendario(meses, anos)) return;
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
    const TDateTime dia = FechaAgenda;
    FNota = new TFNota(Application);
    std::unique_ptr<TFNota> libera(FNota);
    Dat->TAgen->Insert();
    const bool ok = FNota->ShowModal() == mrOk;
    libera.reset();
    FNota = nullptr;
    // A date typed in the editor moved the shared working day; given up, the list stays on its own.
    if (!ok) {
        FechaAgenda = dia;
        return;
    }
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
    const TDateTime dia = FechaAgenda;
    FNota = new TFNota(Application);
    std::unique_ptr<TFNota> libera(FNota);
    Dat->TAgen->Edit();
    FNota->PreparaEdicion();
    const bool ok = FNota->ShowModal() == mrOk;
    libera.reset();
    FNota = nullptr;
    if (!ok) {
        FechaAgenda = dia;
        return;
    }
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
    if (!SituaTAgen()) {
        // Deleted by another workstation: said, and the day shows what is stored.
        if (!TAgen3->IsEmpty()) {
            MensajeError(QStringLiteral("Línea de Agenda NO EXISTE"));
            RefrescaDia();
        }
        return;
    }
    agenda::MarcaRealizado(btRealizado->Down(), [&] {
        RefrescaDia();
        TAgen3->Locate(QStringLiteral("ORDEN"), Variant(orden), 0);
    });
}

void TAgenda::btAbrirClick(TObject*) {
    TDataSet* t = TAgen3;
    if (t->IsEmpty()) return;
    if (!Dat->TExped->Locate(QStringLiteral("ANO;NUMERO"), VarArrayOf({F(t, "ANO")->Value(), F(t, "NUMERO")->Value()}), 0)) return;
    // The case file's own agenda moves the shared working day to its entries' dates: this list
    // stays on the day it shows.
    const TDateTime dia = FechaAgenda, mes = FechaCalendario;
    Expediente = new TExpediente(Application);
    Expediente->ShowModal();
    FechaAgenda = dia;
    FechaCalendario = mes;
    // The case file closes without a result, and what it wrote meanwhile (its agenda entries,
    // invoicing, closing) belongs on this list and its calendar.
    MarcaCalendario();
    RefrescaDia();
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
    if (!agenda::HayCorreo()) return;
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
