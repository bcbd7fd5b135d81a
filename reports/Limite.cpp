#include "reports/Limite.h"

#include "comun/Calendario.h"
#include "comun/Controles.h"
#include "comun/UComunes.h"
#include "platform/forms/Dialogs.h"
#include "platform/rtl/SysUtils.h"


namespace {

// The calendar picture of the date buttons.
std::unique_ptr<TBitmap> DibujoCalendario() {
    return comun::GlifoDeFilas(clMaroon, {"",
                                          "  kkkkkkkkkkkk",
                                          "  k##########k",
                                          "  k##########k",
                                          "  kkkkkkkkkkkk",
                                          "  kwwwwwwwwwwk",
                                          "  kwkwkwkwkwwk",
                                          "  kwwwwwwwwwwk",
                                          "  kwkwkwkwkwwk",
                                          "  kwwwwwwwwwwk",
                                          "  kwkwkwkwkwwk",
                                          "  kwwwwwwwwwwk",
                                          "  kkkkkkkkkkkk"});
}

}  // namespace

TLimites::TLimites(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("Limites"));
    SetCaption(QStringLiteral("Introducir Límites .."));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetKeyPreview(true);
    SetClientWidth(262);
    SetClientHeight(124);

    Label1 = comun::Hijo<TLabel>(this, this, "Label1", 16, 20, 90, 16);
    Label1->SetCaption(QStringLiteral("Desde Fecha :"));
    EDesde = comun::Hijo<TMaskEdit>(this, this, "EDesde", 110, 16, 92, 22);
    EDesde->SetEditMask(QStringLiteral("!99/99/9999;1;_"));
    SpeedButton1 = comun::Hijo<TZbSpeedButton>(this, this, "SpeedButton1", 206, 16, 24, 22);
    Label2 = comun::Hijo<TLabel>(this, this, "Label2", 16, 52, 90, 16);
    Label2->SetCaption(QStringLiteral("Hasta Fecha :"));
    EHasta = comun::Hijo<TMaskEdit>(this, this, "EHasta", 110, 48, 92, 22);
    EHasta->SetEditMask(QStringLiteral("!99/99/9999;1;_"));
    SpeedButton2 = comun::Hijo<TZbSpeedButton>(this, this, "SpeedButton2", 206, 48, 24, 22);
    Label1->SetFocusControl(EDesde);
    Label2->SetFocusControl(EHasta);
    auto glyph = DibujoCalendario();
    SpeedButton1->SetGlyph(glyph.get());
    SpeedButton2->SetGlyph(glyph.get());

    btOk = comun::Hijo<TBitBtn>(this, this, "btOk", 38, 88, 88, 28);
    btOk->SetKind(bkOK);
    btOk->SetCaption(QStringLiteral("OK"));
    btOk->SetDefault(false);  // Enter goes from field to field (FormKeyPress)
    btNo = comun::Hijo<TBitBtn>(this, this, "btNo", 136, 88, 88, 28);
    btNo->SetKind(bkCancel);

    OnShow = TNotifyEvent(this, &TLimites::FormShow);
    OnKeyPress = TKeyPressEvent(this, &TLimites::FormKeyPress);
    SpeedButton1->OnClick = TNotifyEvent(this, &TLimites::SpeedButton1Click);
    SpeedButton2->OnClick = TNotifyEvent(this, &TLimites::SpeedButton2Click);
    EDesde->OnExit = TNotifyEvent(this, &TLimites::EDesdeExit);
    EHasta->OnExit = TNotifyEvent(this, &TLimites::EHastaExit);
    btOk->OnClick = TNotifyEvent(this, &TLimites::btOkClick);
}

void TLimites::FormShow(TObject*) {
    // Only the checks of btOkClick close the dialog with OK.
    btOk->SetModalResult(mrNone);
    AnchoDelTitulo();
}

// The opener names the dialog after the dates it asks for, and the window manager cuts a title
// longer than the title bar ("Introducir F...e Apertura"): the dialog widens to hold the whole
// title and the title bar's buttons, its controls kept in the middle and the window in its place.
void TLimites::AnchoDelTitulo() {
    const int extra = platform::forms::AnchoParaTitulo(Caption()) - Width();
    if (extra <= 0) return;
    for (int i = 0; i < ControlCount(); ++i) Controls(i)->SetLeft(Controls(i)->Left() + extra / 2);
    SetBounds(Left() - extra / 2, Top(), Width() + extra, Height());
}

void TLimites::FormKeyPress(TObject*, QChar& key) {
    if (key != QLatin1Char('\r')) return;
    SelectNext(ActiveControl(), true, true);
    key = QChar(0);
}

void TLimites::Calendario(TMaskEdit* edit) {
    FechaDelCalendario(edit);
    edit->SetFocus();
}

void TLimites::SpeedButton1Click(TObject*) { Calendario(EDesde); }
void TLimites::SpeedButton2Click(TObject*) { Calendario(EHasta); }

void TLimites::SalidaFecha(TMaskEdit* edit) {
    if (edit->Text() == reports::FechaVacia) edit->SetText(FormatDateTime(QStringLiteral("dd/mm/yyyy"), Date()));
    // Leaving through the cancel button: the dialog is being given up, no checks.
    if (ActiveControl() == btNo) return;
    TDateTime fecha;
    if (!TryStrToDate(edit->Text(), fecha)) {
        MensajeError(QStringLiteral("FECHA ERRONEA : ") + edit->Text());
        edit->SetFocus();
        Abort();
    }
    edit->SetText(FormatDateTime(QStringLiteral("dd/mm/yyyy"), fecha));
}

void TLimites::EDesdeExit(TObject*) { SalidaFecha(EDesde); }
void TLimites::EHastaExit(TObject*) { SalidaFecha(EHasta); }

void TLimites::btOkClick(TObject*) {
    TDateTime desde, hasta;
    if (!TryStrToDate(EDesde->Text(), desde)) {
        EDesde->SetFocus();
        throw Exception(QStringLiteral("Fecha DESDE erronea"));
    }
    if (EHasta->Visible()) {
        if (!TryStrToDate(EHasta->Text(), hasta)) {
            EHasta->SetFocus();
            throw Exception(QStringLiteral("Fecha HASTA erronea"));
        }
        if (hasta < desde) {
            EDesde->SetFocus();
            throw Exception(QStringLiteral("HASTA es menor que DESDE"));
        }
    }
    SetModalResult(mrOk);
}
