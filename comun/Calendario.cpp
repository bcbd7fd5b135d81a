// The month calendar dialog.
#include "comun/Calendario.h"

#include "comun/UComunes.h"
#include "controls/visual/DateHelpers.h"
#include "platform/rtl/SysUtils.h"

TAlmanaque* Almanaque = nullptr;

namespace {
TZbSpeedButton* Boton(TAlmanaque* form, const char* name, const QString& caption, const QString& hint, int left) {
    auto* b = new TZbSpeedButton(form);
    b->SetName(QString::fromLatin1(name));
    b->SetParent(form);
    b->SetBounds(left, 4, 22, 20);
    b->SetFlat(true);
    b->SetCaption(caption);
    b->SetHint(hint);
    b->SetShowHint(true);
    return b;
}
}  // namespace

TAlmanaque::TAlmanaque(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("Almanaque"));
    SetBorderStyle(bsNone);
    SetPosition(poScreenCenter);
    SetKeyPreview(true);
    SetClientWidth(218);
    SetClientHeight(190);

    btYearAnt = Boton(this, "btYearAnt", QStringLiteral("«"), QStringLiteral("Año -"), 4);
    btMesMinus = Boton(this, "btMesMinus", QStringLiteral("‹"), QStringLiteral("Mes -"), 27);
    btMesPlus = Boton(this, "btMesPlus", QStringLiteral("›"), QStringLiteral("Mes +"), 169);
    ZbSpeedButton1 = Boton(this, "ZbSpeedButton1", QStringLiteral("»"), QStringLiteral("Año +"), 192);

    Fecha = new TLabel(this);
    Fecha->SetName(QStringLiteral("Fecha"));
    Fecha->SetParent(this);
    Fecha->SetAutoSize(false);
    Fecha->SetAlignment(taCenter);
    Fecha->SetLayout(tlCenter);
    Fecha->SetBounds(50, 4, 118, 20);
    Fecha->Font()->SetStyle(TFontStyles{fsBold});

    Calendar = new TCalenPnl(this);
    Calendar->SetName(QStringLiteral("Calendar"));
    Calendar->SetParent(this);
    Calendar->SetBounds(4, 28, 210, 158);
    comun::CalendarioDeAgenda(Calendar);
    Calendar->SetShowButtonHints(false);
    Calendar->SetColSaturday(clBlack);
    Calendar->SetColSunday(clBlack);

    btYearAnt->OnClick = TNotifyEvent(this, &TAlmanaque::btYearAntClick);
    btMesMinus->OnClick = TNotifyEvent(this, &TAlmanaque::btMesMinusClick);
    btMesPlus->OnClick = TNotifyEvent(this, &TAlmanaque::btMesPlusClick);
    ZbSpeedButton1->OnClick = TNotifyEvent(this, &TAlmanaque::ZbSpeedButton1Click);
    Calendar->OnDateChange = TNotifyEvent(this, &TAlmanaque::CalendarChange);
    Calendar->OnDblClick = TNotifyEvent(this, &TAlmanaque::CalendarDblClick);
    OnShow = TNotifyEvent(this, &TAlmanaque::FormShow);
    OnKeyDown = TKeyEvent(this, &TAlmanaque::FormKeyDown);
    OnKeyUp = TKeyEvent(this, &TAlmanaque::FormKeyUp);
}

namespace comun {

void CalendarioDeAgenda(TCalenPnl* c) {
    c->SetGermanDate(true);
    c->SetUseLongDate(false);
    c->SetShowWeeks(false);
    c->SetColHoliday(clRed);
    c->SetColMarked(clNavy);
    // Day types 1 to 13, in the order of the colour list of the yearly calendar.
    const TColor colores[13] = {clMaroon, clGreen, clOlive, clPurple, clTeal, clGray, clSilver,
                                clLime, clYellow, clBlue, clFuchsia, clAqua, clWhite};
    for (int i = 0; i < 13; ++i) c->SetColDays(i + 1, colores[i]);
}

}  // namespace comun

TAlmanaque::~TAlmanaque() {
    if (Almanaque == this) Almanaque = nullptr;
}

void TAlmanaque::FormShow(TObject*) {
    FechaCalendario = Calendar->Date();
    CalendarChange(this);
    Redibuja();
}

void TAlmanaque::Redibuja() {
    comun::TListasCalendario listas;
    listas.Holidays = Calendar->Holidays();
    listas.Markdays = Calendar->Markdays();
    for (int i = 0; i < 13; ++i) listas.Days[size_t(i)] = Calendar->Days(i + 1);
    listas.SetDate = TEvent<TDateTime>(Calendar, &TCalenPnl::SetDate);
    MarcaDiasCalendario(listas, true);
    CalendarChange(this);
}

void TAlmanaque::Mueve(int meses, int anos) {
    if (PasaFechaCalendario(meses, anos)) Redibuja();
}

// The calendar's arrows move its day without a date-change event.
void TAlmanaque::FormKeyUp(TObject*, quint16&, TShiftState) { CalendarChange(this); }

void TAlmanaque::CalendarChange(TObject*) {
    // Past a month's edge another month shows: the shared date, the marks and the title follow
    // it, or the title would name the month left and its marks colour the wrong days.
    int y1 = 0, m1 = 0, d1 = 0;
    DecodeDate(FechaCalendario, y1, m1, d1);
    if (Calendar->Year() != y1 || Calendar->Month() != m1) {
        FechaCalendario = EncodeDate(Calendar->Year(), Calendar->Month(), Calendar->Day());
        Redibuja();
        return;
    }
    Fecha->SetCaption(FormatDateTime(QStringLiteral("mmmm yyyy"), FechaCalendario).toUpper());
}

void TAlmanaque::CalendarDblClick(TObject*) { SetModalResult(mrOk); }

void TAlmanaque::FormKeyDown(TObject*, quint16& key, TShiftState shift) {
    if (shift & (ssCtrl | ssAlt)) return;
    switch (key) {
    case VK_PRIOR: Mueve(-1, 0); break;
    case VK_NEXT: Mueve(1, 0); break;
    case VK_RETURN: SetModalResult(mrOk); break;
    case VK_ESCAPE: SetModalResult(mrNo); break;
    default: return;
    }
    key = 0;
}

bool SinTeclear(const QString& texto) {
    for (QChar c : texto)
        if (c != u' ' && c != u'_' && c != u'/' && c != u':') return false;
    return true;
}

bool FechaDelEdit(TCustomEdit* edit, TDateTime& dia) {
    const QString texto = edit->Text();
    if (SinTeclear(texto)) return false;
    if (!TryStrToDate(texto, dia)) {
        MensajeError(QStringLiteral("FECHA ERRONEA : ") + texto);
        if (edit->CanFocus()) edit->SetFocus();
        Abort();
    }
    return true;
}

bool EligeFecha(TDateTime& dia, bool hay) {
    Almanaque = new TAlmanaque(Application);
    std::unique_ptr<TAlmanaque> libera(Almanaque);
    // The dialog takes the shared date from its calendar when it shows, and the day chosen is
    // the calendar's: a day clicked moves no shared date.
    if (hay) Almanaque->Calendar->SetDate(dia);
    if (Almanaque->ShowModal() != mrOk) return false;
    TCalenPnl* c = Almanaque->Calendar;
    dia = EncodeDate(c->Year(), c->Month(), c->Day());
    return true;
}

bool FechaDelCalendario(TCustomEdit* edit) {
    TDateTime dia;
    const bool hay = !SinTeclear(edit->Text()) && TryStrToDate(edit->Text(), dia);
    if (!EligeFecha(dia, hay)) return false;
    edit->SetText(FormatDateTime(QStringLiteral("dd/mm/yyyy"), dia));
    return true;
}

void TAlmanaque::btMesMinusClick(TObject*) { Mueve(-1, 0); }
void TAlmanaque::btMesPlusClick(TObject*) { Mueve(1, 0); }
void TAlmanaque::btYearAntClick(TObject*) { Mueve(0, -1); }
void TAlmanaque::ZbSpeedButton1Click(TObject*) { Mueve(0, 1); }
