// The agenda entry editor: the layout of its controls.
#include "agenda/UAnotacion.h"
#include "comun/Controles.h"
#include "comun/UData.h"

namespace {

TLabel* Etiqueta(TFNota* f, TLabel*& l, const char* nombre, const QString& texto, int left, int top, int width) {
    l = new TLabel(f);
    l->SetName(QString::fromLatin1(nombre));
    l->SetParent(f);
    l->SetAutoSize(false);
    l->SetAlignment(taRightJustify);
    l->SetBounds(left, top + 3, width, 17);
    l->SetCaption(texto);
    return l;
}

TButton* Boton(TFNota* f, const char* nombre, const QString& caption, int left, int top, int width) {
    auto* b = new TButton(f);
    b->SetName(QString::fromLatin1(nombre));
    b->SetParent(f);
    b->SetCaption(caption);
    b->SetBounds(left, top, width, 23);
    return b;
}

TZbSpeedButton* Calendario(TFNota* f, const char* nombre, int left, int top) {
    auto* b = new TZbSpeedButton(f);
    b->SetName(QString::fromLatin1(nombre));
    b->SetParent(f);
    b->SetBounds(left, top, 22, 21);
    b->SetCaption(QStringLiteral("..."));
    b->SetHint(QStringLiteral("Calendario (F4)"));
    b->SetShowHint(true);
    return b;
}
}  // namespace

void TFNota::CreaControles() {
    const int xl = 8, wl = 84, xe = 96;
    Etiqueta(this, Label1, "Label1", QStringLiteral("Fecha :"), xl, 10, wl);
    Fecha = new TDBEditValidado(this);
    Fecha->SetName(QStringLiteral("Fecha"));
    Fecha->SetParent(this);
    Fecha->SetDataSource(Dat->DSAgen);
    Fecha->SetDataField(QStringLiteral("FECHA"));
    Fecha->SetBounds(xe, 10, 84, 21);
    btFecha = Calendario(this, "btFecha", xe + 86, 10);
    Etiqueta(this, Label2, "Label2", QStringLiteral("Hora :"), 216, 10, 50);
    Hora = new TDBEditValidado(this);
    Hora->SetName(QStringLiteral("Hora"));
    Hora->SetParent(this);
    Hora->SetDataSource(Dat->DSAgen);
    Hora->SetDataField(QStringLiteral("HORA"));
    Hora->SetBounds(270, 10, 52, 21);

    Etiqueta(this, Label3, "Label3", QStringLiteral("De Tipo  :"), xl, 38, wl);
    cbTipoAgenda = new TZbDBLookupCombo(this);
    cbTipoAgenda->SetName(QStringLiteral("cbTipoAgenda"));
    cbTipoAgenda->SetParent(this);
    cbTipoAgenda->SetBounds(xe, 38, 226, 21);
    btBuscar = Boton(this, "btBuscar", QStringLiteral("&Texto "), 330, 37, 80);

    Etiqueta(this, Label4, "Label4", QStringLiteral("Anotación :"), xl, 66, wl);
    Texto = new TMemo(this);
    Texto->SetName(QStringLiteral("Texto"));
    Texto->SetParent(this);
    Texto->SetMaxLength(255);
    Texto->SetScrollBars(ssVertical);
    Texto->SetBounds(xe, 66, 396, 82);

    Etiqueta(this, Label5, "Label5", QStringLiteral("Relación :"), xl, 156, wl);
    cbRelacion = new TZbDBComboBox(this);
    cbRelacion->SetName(QStringLiteral("cbRelacion"));
    cbRelacion->SetParent(this);
    cbRelacion->SetStyle(csDropDownList);
    cbRelacion->SetEnableValues(true);
    cbRelacion->SetBounds(xe, 156, 130, 21);
    auto picker = [&](TZbLookupEdit*& p, const char* nombre) {
        p = new TZbLookupEdit(this);
        p->SetName(QString::fromLatin1(nombre));
        p->SetParent(this);
        p->SetLookupField(QStringLiteral("EX"));
        p->SetLookupDisplay(QStringLiteral("EX"));
        p->SetDirectInput(false);
        p->SetBounds(xe + 138, 156, 150, 21);
        p->SetVisible(false);
    };
    picker(cbExped, "cbExped");
    picker(cbDespa, "cbDespa");

    Etiqueta(this, Label6, "Label6", QStringLiteral("Situación :"), xl, 184, wl);
    Situacion = new TZbDBComboBox(this);
    Situacion->SetName(QStringLiteral("Situacion"));
    Situacion->SetParent(this);
    Situacion->SetStyle(csDropDownList);
    Situacion->SetEnableValues(true);
    for (const char* s : {"", "Pendiente", "Resuelto"}) Situacion->Items()->Add(QString::fromUtf8(s));
    for (const char* v : {"0", "1", "2"}) Situacion->Values()->Add(QString::fromLatin1(v));
    Situacion->SetDataSource(Dat->DSAgen);
    Situacion->SetDataField(QStringLiteral("CODIGO"));
    Situacion->SetBounds(xe, 184, 130, 21);
    Etiqueta(this, Label7, "Label7", QStringLiteral("Usuario :"), 234, 184, 64);
    ZbDBLookupCombo1 = new TZbDBLookupCombo(this);
    ZbDBLookupCombo1->SetName(QStringLiteral("ZbDBLookupCombo1"));
    ZbDBLookupCombo1->SetParent(this);
    ZbDBLookupCombo1->SetBounds(302, 184, 190, 21);

    Etiqueta(this, Label8, "Label8", QStringLiteral("Avisar el :"), xl, 212, wl);
    Aviso = new TMaskEdit(this);
    Aviso->SetName(QStringLiteral("Aviso"));
    Aviso->SetParent(this);
    Aviso->SetEditMask(QStringLiteral("!99/99/9999;1;_"));
    Aviso->SetBounds(xe, 212, 84, 21);
    SpeedButton1 = Calendario(this, "SpeedButton1", xe + 86, 212);
    btEscrito = Boton(this, "btEscrito", QStringLiteral("&Unir .."), 330, 211, 78);
    btVer = Boton(this, "btVer", QStringLiteral("&Ver"), 414, 211, 78);
    btVer->SetEnabled(false);

    // OK closes only once the entry is saved.
    const comun::TOkNo par = comun::ParOkNo(this, this, "BitBtn1", "btNo", 306, 272, 90, 30, 96);
    BitBtn1 = par.Ok;
    btNo = par.No;

    SelectFile = new TOpenDialog(this);
    SelectFile->SetName(QStringLiteral("SelectFile"));
    SelectFile->SetOptions(TOpenOptions() | ofFileMustExist | ofPathMustExist);
}
