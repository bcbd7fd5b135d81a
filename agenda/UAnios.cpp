#include "agenda/UAnios.h"

#include "agenda/UColor.h"
#include "agenda/UDias.h"
#include "agenda/UPlanner.h"
#include "comun/Controles.h"
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "platform/rtl/SysUtils.h"

TDateTime FechaAnios;

namespace {
// Names of the day types that Color.DB does not name yet.
const char* const NombresTipo[16] = {"Sin tipo", "Granate", "Verde", "Oliva", "Azul marino", "Púrpura", "Verde azulado", "Gris",
                                     "Plata", "Festivo", "Lima", "Amarillo", "Azul", "Fucsia", "Aguamarina", "Blanco"};

bool FinDeSemana(TDateTime fecha) {
    const int d = DayOfWeek(fecha);
    return d == 1 || d == 7;
}
}  // namespace

int agenda::DiasEspeciales(int ano) {
    TQuery q(nullptr);
    q.SetDatabaseName(Dat->Db->DatabaseName());
    q.SQL()->SetText(QStringLiteral("SELECT COUNT(*) AS NUMERO\nFROM FECHAS\nWHERE EXTRACT(YEAR FROM FECHA) = :ANO"));
    q.ParamByName(QStringLiteral("ANO"))->SetAsInteger(ano);
    q.Open();
    return q.FieldByName(QStringLiteral("NUMERO"))->AsInteger();
}

int agenda::GeneraAnio(int ano) {
    int escritos = 0;
    Dat->EnTransaccion([&] {
        // Under the write lock: another workstation may have generated the year meanwhile.
        if (DiasEspeciales(ano) != 0) return;
        TQuery q(nullptr);
        q.SetDatabaseName(Dat->Db->DatabaseName());
        q.SQL()->SetText(QStringLiteral("INSERT INTO FECHAS (Fecha, Descripcion, Color) VALUES (:FECHA, '', 9)"));
        for (TDateTime d = EncodeDate(ano, 1, 1); d <= EncodeDate(ano, 12, 31); d = d + 1) {
            if (DayOfWeek(d) != 1) continue;
            q.ParamByName(QStringLiteral("FECHA"))->SetAsDate(d);
            q.ExecSQL();
            ++escritos;
        }
    });
    for (TTable* t : {Dat->TDias, Dat->TFechas}) Dat->refresca(t);
    return escritos;
}

TFAnios::TFAnios(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("FAnios"));
    SetCaption(QStringLiteral("Configuración Anual"));
    SetPosition(poScreenCenter);
    SetClientWidth(1000);
    SetClientHeight(440);

    SpeedBar1 = comun::BarraDeTexto(this, QStringLiteral("Untitled (0)"));
    SpeedItem1 = comun::ItemDeTexto(SpeedBar1, "SpeedItem1", QStringLiteral("Abrir"), QStringLiteral("Abrir|Nombre del tipo de día"), 4);
    SpeedItem2 = comun::ItemDeTexto(SpeedBar1, "SpeedItem2", QStringLiteral("Salir"), QStringLiteral("Salir|Regresa a la pantalla anterior"), 72);

    Panel1 = new TPanel(this);
    Panel1->SetName(QStringLiteral("Panel1"));
    Panel1->SetParent(this);
    Panel1->SetAlign(alTop);
    Panel1->SetHeight(34);
    Panel1->SetCaption(QString());
    Panel1->SetBevelOuter(bvNone);
    SetMinTrackSize(agenda::PlannerAnchoMinimo, SpeedBar1->Height() + Panel1->Height() + agenda::PlannerAltoMinimo);
    Label1 = new TLabel(this);
    Label1->SetParent(Panel1);
    Label1->SetCaption(QStringLiteral("Tipo de día :"));
    Label1->SetBounds(8, 9, 80, 17);
    cbCol = new TColorComboBox(this);
    cbCol->SetName(QStringLiteral("cbCol"));
    cbCol->SetParent(Panel1);
    cbCol->SetBounds(92, 6, 200, 22);

    YearPlanner1 = new TYearPlanner(this);
    YearPlanner1->SetName(QStringLiteral("YearPlanner1"));
    YearPlanner1->SetParent(this);
    agenda::PreparaPlanner(YearPlanner1);

    TAnios = new TTable(this);
    TAnios->SetName(QStringLiteral("TAnios"));
    TAnios->SetDatabaseName(Dat->Db->DatabaseName());
    TAnios->SetTableName(QStringLiteral("TABCON.DB"));
    TAnios->SetReadOnly(true);
    QDias = new TQuery(this);
    QDias->SetName(QStringLiteral("QDias"));
    QDias->SetDatabaseName(Dat->Db->DatabaseName());
    QDias->SQL()->SetText(QStringLiteral("SELECT COUNT(*) AS NUMERO\nFROM FECHAS\nWHERE EXTRACT(YEAR FROM FECHA) = :ANO"));
    QFechas = new TQuery(this);
    QFechas->SetName(QStringLiteral("QFechas"));
    QFechas->SetDatabaseName(Dat->Db->DatabaseName());
    QFechas->SQL()->SetText(QStringLiteral("SELECT *\nFROM FECHAS\nWHERE EXTRACT(YEAR FROM FECHA) = :ANO"));

    SpeedItem1->OnClick() = TNotifyEvent(this, &TFAnios::SpeedItem1Click);
    SpeedItem2->OnClick() = TNotifyEvent(this, &TFAnios::SpeedItem2Click);
    cbCol->OnChange = TNotifyEvent(this, &TFAnios::cbColChange);
    YearPlanner1->OnYearChange = TNotifyEvent(this, &TFAnios::Cambia);
    YearPlanner1->OnDblClick = TYearEvent(this, &TFAnios::YearPlanner1DblClick);
    OnClose = TCloseEvent(this, &TFAnios::FormClose);

    TAnios->Open();
    NombraTipos();
    cbCol->SetItemIndex(0);
    cbColChange(this);
    const bool tabcon = Dat->TTabcon->Active() && !Dat->TTabcon->IsEmpty();
    const int ano = tabcon ? Dat->TTabcon->FieldByName(QStringLiteral("ANO"))->AsInteger() : YearPlanner1->Year();
    TAnios->Locate(QStringLiteral("ANO"), Variant(ano), 0);
    if (YearPlanner1->Year() == ano) Cambia(this);
    else YearPlanner1->SetYear(ano);
}

TFAnios::~TFAnios() = default;

void TFAnios::NombraTipos() {
    TStringList nombres;
    for (int i = 0; i < 16; ++i) nombres.Add(QString::fromUtf8(NombresTipo[i]));
    TTable q(nullptr);
    q.SetDatabaseName(Dat->Db->DatabaseName());
    q.SetTableName(QStringLiteral("Color.DB"));
    q.SetReadOnly(true);
    q.Open();
    for (; !q.Eof(); q.Next()) {
        const int id = q.FieldByName(QStringLiteral("Id"))->AsInteger();
        const QString nombre = q.FieldByName(QStringLiteral("Nombre"))->AsString().trimmed();
        if (id >= 0 && id < 16 && !nombre.isEmpty()) nombres.SetString(id, nombre);
    }
    const int elegido = cbCol->ItemIndex();
    cbCol->SetColorNames(&nombres);
    if (elegido >= 0) cbCol->SetItemIndex(elegido);
}

void TFAnios::Situa(TDateTime fecha) {
    int y = 0, m = 0, d = 0;
    DecodeDate(fecha, y, m, d);
    YearPlanner1->SetYear(y);
    YearPlanner1->CurrentMonth = quint8(m);
    YearPlanner1->CurrentDay = quint8(d);
}

TColor TFAnios::ColorDelDia(TDateTime fecha, int tipo) const {
    if (tipo > 0 && tipo < cbCol->Items()->Count()) {
        const TColor c = cbCol->ItemColor(tipo);
        if (c != clBlack) return c;
    }
    return FinDeSemana(fecha) ? clRed : clWhite;
}

void TFAnios::Cambia(TObject*) {
    if (FCambiando) return;
    FCambiando = true;
    try {
        const int ano = agenda::AnoDeTrabajo(TAnios, YearPlanner1->Year());
        QDias->Close();
        QDias->ParamByName(QStringLiteral("ANO"))->SetAsInteger(ano);
        QDias->Open();
        const int dias = QDias->FieldByName(QStringLiteral("NUMERO"))->AsInteger();
        QDias->Close();
        if (dias == 0 && MensajeConfirmacion(QStringLiteral("Año no existe. ¿Desea generarlo?"))) agenda::GeneraAnio(ano);
        QFechas->Close();
        QFechas->ParamByName(QStringLiteral("ANO"))->SetAsInteger(ano);
        QFechas->Open();
        YearPlanner1->SetYear(ano);
        for (QFechas->First(); !QFechas->Eof(); QFechas->Next()) {
            TField* f = QFechas->FieldByName(QStringLiteral("Fecha"));
            if (f->IsNull()) continue;
            const TDateTime fecha = f->AsDateTime();
            YearPlanner1->SetCellColor(fecha, ColorDelDia(fecha, QFechas->FieldByName(QStringLiteral("Color"))->AsInteger()), false);
            YearPlanner1->SetCellText(fecha, QFechas->FieldByName(QStringLiteral("Descripcion"))->AsString(), false);
        }
        QFechas->Close();
        YearPlanner1->Invalidate();
    } catch (...) {
        FCambiando = false;
        throw;
    }
    FCambiando = false;
}

void TFAnios::cbColChange(TObject*) {
    Dat->TColores->Locate(QStringLiteral("Id"), Variant(cbCol->ItemIndex()), 0);
}

void TFAnios::YearPlanner1DblClick(int, int, int, int) {
    TDateTime fecha;
    if (!TryEncodeDate(YearPlanner1->Year(), YearPlanner1->CurrentMonth, YearPlanner1->CurrentDay, fecha)) return;
    FechaAnios = fecha;
    TTable* t = Dat->TDias;
    if (t->Locate(QStringLiteral("Fecha"), Variant(fecha), 0)) {
        t->Edit();
    } else {
        t->Insert();
        t->FieldByName(QStringLiteral("Fecha"))->SetAsDateTime(fecha);
    }
    const int tipo = std::max(0, cbCol->ItemIndex());
    t->FieldByName(QStringLiteral("Color"))->SetAsInteger(tipo);
    FFechas = new TFFechas(Application);
    TFFechas* dialogo = FFechas;
    const bool ok = dialogo->ShowModal() == mrOk;
    delete dialogo;
    if (t->State() == dsEdit || t->State() == dsInsert) t->Cancel();
    if (ok) {
        YearPlanner1->SetCellColor(fecha, ColorDelDia(fecha, tipo), false);
        Dat->refresca(Dat->TFechas);
    }
    // The hint is what the day keeps: nothing when a new day was abandoned.
    const bool guardado = ok || t->Locate(QStringLiteral("Fecha"), Variant(fecha), 0);
    YearPlanner1->SetCellText(fecha, guardado ? t->FieldByName(QStringLiteral("Descripcion"))->AsString() : QString());
}

void TFAnios::SpeedItem1Click(TObject*) {
    const int id = cbCol->ItemIndex();
    if (id < 0) return;
    TTable* t = Dat->TColores;
    // A type no row names yet gets its row; never the name of another type.
    if (t->Locate(QStringLiteral("Id"), Variant(id), 0)) {
        t->Edit();
    } else {
        t->Insert();
        t->FieldByName(QStringLiteral("Id"))->SetAsInteger(id);
        t->FieldByName(QStringLiteral("Nombre"))->SetAsString(cbCol->Items()->Strings(id));
    }
    FDias = new TFDias(Application);
    TFDias* dialogo = FDias;
    dialogo->Color->Brush()->SetColor(cbCol->ItemColor(id));
    const bool ok = dialogo->ShowModal() == mrOk;
    if (t->State() == dsEdit || t->State() == dsInsert) t->Cancel();
    delete dialogo;
    if (!ok) return;
    NombraTipos();
    cbCol->SetItemIndex(id);
}

void TFAnios::SpeedItem2Click(TObject*) { Close(); }

void TFAnios::FormClose(TObject*, TCloseAction& action) { action = caFree; }
