#include "agenda/UPlanner.h"

#include "comun/Controles.h"
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "platform/graphics/Resources.h"
#include "platform/rtl/SysUtils.h"

TDateTime FechaPlanner;

namespace agenda {

void PreparaPlanner(TYearPlanner* planner) {
    const TColor verde = RGB(192, 220, 192);
    planner->SetAlign(alClient);
    planner->SetAllowSelections(false);
    planner->SetGridLines(false);
    planner->SetWeekendColor(clRed);
    planner->SetHeadingColor(verde);
    planner->SetWeekendHeadingColor(verde);
    planner->SetMonthColor(verde);
    planner->SetYearColor(verde);
    planner->SetDayColor(clWhite);
    planner->SetNoDayColor(clWhite);
    planner->SetNoDayPriority(true);
    planner->SetSelectionColor(clNone);
    planner->SetShowHint(true);
}

int AnoDeTrabajo(TTable* anios, int anio) {
    anios->Locate(QStringLiteral("ANO"), Variant(anio), 0);
    if (anios->IsEmpty()) return anio;
    return anios->FieldByName(QStringLiteral("ANO"))->AsInteger();
}

}  // namespace agenda

namespace {
TZbCheckListBox* ListaTiposDe(TFPlanner* form, TPanel* panel, const char* nombre, const QString& titulo, int top) {
    auto* l = new TLabel(form);
    l->SetParent(panel);
    l->SetCaption(titulo);
    l->SetBounds(8, top, 150, 16);
    auto* lista = new TZbCheckListBox(form);
    lista->SetName(QString::fromLatin1(nombre));
    lista->SetParent(panel);
    lista->SetBounds(8, top + 18, 150, 58);
    for (const char* t : {"Expedientes", "Consultas", "Particulares"}) lista->Items()->Add(QString::fromLatin1(t));
    for (int i = 0; i < 3; ++i) lista->SetChecked(i, true);
    return lista;
}
}  // namespace

TFPlanner::TFPlanner(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("FPlanner"));
    SetCaption(QStringLiteral("Planning"));
    SetPosition(poScreenCenter);
    SetClientWidth(1000);
    SetClientHeight(420);

    SpeedBar1 = comun::BarraDeTexto(this, QStringLiteral("Untitled (0)"));
    SpeedItem1 = comun::ItemDeTexto(SpeedBar1, "SpeedItem1", QStringLiteral("Salir"), QStringLiteral("Salir|Regresa a la pantalla anterior"), 4);

    Panel1 = new TPanel(this);
    Panel1->SetName(QStringLiteral("Panel1"));
    Panel1->SetParent(this);
    Panel1->SetAlign(alRight);
    Panel1->SetWidth(166);
    Panel1->SetCaption(QString());
    Panel1->SetBevelOuter(bvNone);
    btAgenda = ListaTiposDe(this, Panel1, "btAgenda", QStringLiteral("Incluir Anotaciones de :"), 10);
    btAvisos = ListaTiposDe(this, Panel1, "btAvisos", QStringLiteral("Incluir Avisos de :"), 100);
    SetMinTrackSize(Panel1->Width() + agenda::PlannerAnchoMinimo, SpeedBar1->Height() + agenda::PlannerAltoMinimo);

    YearPlanner1 = new TYearPlanner(this);
    YearPlanner1->SetName(QStringLiteral("YearPlanner1"));
    YearPlanner1->SetParent(this);
    agenda::PreparaPlanner(YearPlanner1);

    TAnios = new TTable(this);
    TAnios->SetName(QStringLiteral("TAnios"));
    TAnios->SetDatabaseName(Dat->Db->DatabaseName());
    TAnios->SetTableName(QStringLiteral("TABCON.DB"));
    TAnios->SetReadOnly(true);
    QAgen = new TQuery(this);
    QAgen->SetName(QStringLiteral("QAgen"));
    QAgen->SetDatabaseName(Dat->Db->DatabaseName());

    SpeedItem1->OnClick() = TNotifyEvent(this, &TFPlanner::SpeedItem1Click);
    btAgenda->OnClickCheck = TNotifyEvent(this, &TFPlanner::btAgendaClickCheck);
    btAvisos->OnClickCheck = TNotifyEvent(this, &TFPlanner::btAgendaClickCheck);
    YearPlanner1->OnYearChange = TNotifyEvent(this, &TFPlanner::Cambia);
    YearPlanner1->OnDblClick = TYearEvent(this, &TFPlanner::YearPlanner1DblClick);
    OnClose = TCloseEvent(this, &TFPlanner::FormClose);

    TAnios->Open();
    Cambia(this);
}

TFPlanner::~TFPlanner() = default;

void TFPlanner::Situa(TDateTime fecha) {
    int y = 0, m = 0, d = 0;
    DecodeDate(fecha, y, m, d);
    YearPlanner1->SetYear(y);
    YearPlanner1->CurrentMonth = quint8(m);
    YearPlanner1->CurrentDay = quint8(d);
}

QString TFPlanner::ListaTipos() const {
    QStringList tipos;
    const char* letras[2][3] = {{"E", "C", "P"}, {"X", "Y", "Z"}};
    const TZbCheckListBox* listas[2] = {btAgenda, btAvisos};
    for (int l = 0; l < 2; ++l)
        for (int i = 0; i < 3; ++i)
            if (listas[l]->Checked(i)) tipos << QStringLiteral("'%1'").arg(QString::fromLatin1(letras[l][i]));
    return tipos.isEmpty() ? QStringLiteral("' '") : tipos.join(QLatin1Char(','));
}

void TFPlanner::Cambia(TObject*) {
    // Setting the year below calls back here; the outer run does the work.
    if (FCambiando) return;
    FCambiando = true;
    try {
        const int ano = agenda::AnoDeTrabajo(TAnios, YearPlanner1->Year());
        QAgen->Close();
        QAgen->SQL()->Clear();
        for (const QString& l : {QStringLiteral("SELECT FECHA, COUNT(*) AS NUMERO"), QStringLiteral("FROM AGENDA"),
                                 QStringLiteral("WHERE FECHA BETWEEN :DESDE AND :HASTA"), QStringLiteral("      AND ABOCLI = :ABOCLI"),
                                 QStringLiteral("      AND TIPO IN (") + ListaTipos() + QStringLiteral(") "), QStringLiteral("GROUP BY FECHA")})
            QAgen->SQL()->Add(l);
        QAgen->ParamByName(QStringLiteral("DESDE"))->SetAsDate(EncodeDate(ano, 1, 1));
        QAgen->ParamByName(QStringLiteral("HASTA"))->SetAsDate(EncodeDate(ano, 12, 31));
        const bool abogado = Dat->TAboCli->Active() && !Dat->TAboCli->IsEmpty();
        QAgen->ParamByName(QStringLiteral("ABOCLI"))->SetAsInteger(abogado ? Dat->TAboCli->FieldByName(QStringLiteral("ABOCLI"))->AsInteger() : 0);
        QAgen->Open();
        // The planner forgets earlier colours only when its year changes: a day that no longer
        // qualifies after a box is unchecked must lose its colour too.
        if (YearPlanner1->Year() == ano) YearPlanner1->SetYear(ano < 9999 ? ano + 1 : ano - 1);
        YearPlanner1->SetYear(ano);
        for (QAgen->First(); !QAgen->Eof(); QAgen->Next()) {
            TField* fecha = QAgen->FieldByName(QStringLiteral("FECHA"));
            if (fecha->IsNull()) continue;
            YearPlanner1->SetCellColor(fecha->AsDateTime(), clLime, false);
            YearPlanner1->SetCellText(fecha->AsDateTime(), Format(QStringLiteral("Nº :%3d"), QAgen->FieldByName(QStringLiteral("NUMERO"))->AsInteger()), false);
        }
        YearPlanner1->Invalidate();
    } catch (...) {
        FCambiando = false;
        throw;
    }
    FCambiando = false;
}

void TFPlanner::btAgendaClickCheck(TObject* sender) { Cambia(sender); }

void TFPlanner::YearPlanner1DblClick(int, int, int, int) {
    TDateTime fecha;
    if (!TryEncodeDate(YearPlanner1->Year(), YearPlanner1->CurrentMonth, YearPlanner1->CurrentDay, fecha)) return;
    FechaPlanner = fecha;
    SetModalResult(mrOk);
}

void TFPlanner::SpeedItem1Click(TObject*) { Close(); }

void TFPlanner::FormClose(TObject*, TCloseAction& action) { action = caFree; }
