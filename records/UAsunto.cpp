// The matter and court history of the case file.
#include "records/UAsunto.h"

#include "comun/Abusca.h"
#include "comun/Calendario.h"
#include "comun/Controles.h"
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "comun/UObservacion.h"
#include "platform/forms/Dialogs.h"
#include "platform/rtl/SysUtils.h"

TAsunto* Asunto = nullptr;

namespace {
using comun::F;
const char* const Historia[] = {"TRIBUNAL", "POBLACION", "PROCEDIMIENTO", "AUTOS"};
}  // namespace

TAsunto::TAsunto(TComponent* owner) : TFormRegistro(owner) {
    SetName(QStringLiteral("Asunto"));
    SetCaption(QStringLiteral("Asunto"));
    using T = TAsunto;
    for (TSpeedItem* i : {btFirst, btPrev, btNext, btLast, btAdd, btDel, btBuscar, btImprimir, btAsigna}) i->SetVisible(false);
    const int w = SpeedBar1->BtnWidth();
    btEdit->SetLeft(4);
    btRefresh->SetLeft(4 + w);
    btAyuda->SetLeft(4 + 2 * w + 8);
    BtSalir->SetLeft(4 + 3 * w + 8);

    const int y0 = AreaTop();
    Rotulo(QStringLiteral("Asunto :"), 8, y0, 90);
    Texto = new TMemo(this);
    Texto->SetName(QStringLiteral("Texto"));
    Texto->SetParent(this);
    Texto->SetMaxLength(240);
    Texto->SetBounds(102, y0, 650, 48);
    Texto->OnKeyPress = TKeyPressEvent(this, &T::TextoKeyPress);

    const int y1 = y0 + 56, dy = 26;
    Rotulo(QStringLiteral("Jurisdicción :"), 8, y1, 90);
    DBJurisdiccion = comun::Edita(this, this, "DBJurisdiccion", Dat->DSExped, QStringLiteral("JURISDICCION"), 102, y1, 140);
    DBJurisdiccion->SetMaxLength(15);
    DBComboBox1 = new TDBComboBox(this);
    DBComboBox1->SetName(QStringLiteral("DBComboBox1"));
    DBComboBox1->SetParent(this);
    DBComboBox1->SetDataSource(Dat->DSExped);
    DBComboBox1->SetDataField(QStringLiteral("JURISDICCION"));
    for (const char* j : {"CIVIL", "PENAL", "LABORAL", "ADMINISTRATIVO", "MERCANTIL"}) DBComboBox1->Items()->Add(QString::fromLatin1(j));
    DBComboBox1->SetBounds(102, y1, 140, 21);
    DBComboBox1->SetVisible(false);
    Rotulo(QStringLiteral("El Cliente actua como :"), 262, y1, 150);
    DBActor = new TDBComboBox(this);
    DBActor->SetName(QStringLiteral("DBActor"));
    DBActor->SetParent(this);
    DBActor->SetDataSource(Dat->DSExped);
    DBActor->SetDataField(QStringLiteral("ACTOR"));
    for (const char* a : {"ACTOR", "DEMANDADO", "ACUSADO", "ACUSACIÓN", "APELADO", "APELANTE"}) DBActor->Items()->Add(QString::fromUtf8(a));
    DBActor->SetBounds(416, y1, 120, 21);

    Rotulo(QStringLiteral("Principal :"), 8, y1 + dy, 90);
    DBPrincipal = comun::Edita(this, this, "DBPrincipal", Dat->DSExped, QStringLiteral("PRINCIPAL"), 102, y1 + dy, 100);
    Rotulo(QStringLiteral("Costas :"), 206, y1 + dy, 60);
    DBCuantia = comun::Edita(this, this, "DBCuantia", Dat->DSExped, QStringLiteral("IMPORTE"), 270, y1 + dy, 100);
    DBCuantia->OnKeyPress = TKeyPressEvent(this, &T::DBCuantiaKeyPress);
    Rotulo(QStringLiteral("Intereses :"), 374, y1 + dy, 66);
    DBIntereses = comun::Edita(this, this, "DBIntereses", Dat->DSExped, QStringLiteral("INTERESES"), 444, y1 + dy, 90);
    Rotulo(QStringLiteral("Total :"), 8, y1 + 2 * dy, 90);
    DBTotal = comun::Edita(this, this, "DBTotal", Dat->DSExped, QStringLiteral("EXPTOTAL"), 102, y1 + 2 * dy, 100);
    DBTotal->SetTabStop(false);
    DBTotal->SetReadOnly(true);
    DBTotal->Font()->SetStyle({fsBold});

    const int y2 = y1 + 3 * dy + 4;
    Rotulo(QStringLiteral("F. Apertura :"), 8, y2, 90);
    DBFAper = comun::Edita(this, this, "DBFAper", Dat->DSExped, QStringLiteral("FECHAAPERTURA"), 102, y2, 80);
    btFecApe = Boton("btFecApe", QStringLiteral("..."), 184, y2, 22, TNotifyEvent(this, &T::btFecApeClick));
    Rotulo(QStringLiteral("F. Factura :"), 210, y2, 70);
    DBFFact = comun::Edita(this, this, "DBFFact", Dat->DSExped, QStringLiteral("FECHAFACTURA"), 284, y2, 80);
    btFecFac = Boton("btFecFac", QStringLiteral("..."), 366, y2, 22, TNotifyEvent(this, &T::btFecFacClick));
    Rotulo(QStringLiteral("F. Cierre :"), 392, y2, 66);
    DBFCierre = comun::Edita(this, this, "DBFCierre", Dat->DSExped, QStringLiteral("FECHACIERRE"), 462, y2, 80);
    btFecCie = Boton("btFecCie", QStringLiteral("..."), 544, y2, 22, TNotifyEvent(this, &T::btFecCieClick));

    // Court history: one row per set, the current one on top.
    const int y3 = y2 + dy + 10;
    Rotulo(QStringLiteral("Tribunal"), 102, y3, 180)->SetAlignment(taLeftJustify);
    Rotulo(QStringLiteral("Población"), 360, y3, 110)->SetAlignment(taLeftJustify);
    Rotulo(QStringLiteral("Procedimiento"), 484, y3, 140)->SetAlignment(taLeftJustify);
    Rotulo(QStringLiteral("Autos"), 682, y3, 70)->SetAlignment(taLeftJustify);
    const QString sufijos[] = {QString(), QStringLiteral("1"), QStringLiteral("2")};
    const QString rotulos[] = {QStringLiteral("Actual :"), QStringLiteral("Anterior :"), QStringLiteral("Previo :")};
    TDBEdit** trib[] = {&DBTrib1, &DBTrib2, &DBTrib3};
    TDBEdit** pob[] = {&DBPob1, &DBPob2, &DBPob3};
    TDBEdit** proc[] = {&DBProc1, &DBProc2, &DBProc3};
    TDBEdit** autos[] = {&DBAutos1, &DBAutos2, &DBAutos3};
    TButton** btTrib[] = {&BtTribunal, &BtTribunal1, &BtTribunal2};
    TButton** btProc[] = {&BtProcedimiento, &BtProcedimiento1, &BtProcedimiento2};
    const char* nombresTrib[] = {"BtTribunal", "BtTribunal1", "BtTribunal2"};
    const char* nombresProc[] = {"BtProcedimiento", "BtProcedimiento1", "BtProcedimiento2"};
    for (int i = 0; i < 3; ++i) {
        const int y = y3 + 20 + i * dy;
        const QString n = QString::number(i + 1);
        Rotulo(rotulos[i], 8, y, 90);
        *trib[i] = comun::Edita(this, this, nullptr, Dat->DSExped, QStringLiteral("TRIBUNAL") + sufijos[i], 102, y, 230);
        (*trib[i])->SetName(QStringLiteral("DBTrib") + n);
        *btTrib[i] = Boton(nombresTrib[i], QStringLiteral("..."), 334, y, 22, TNotifyEvent(this, &T::BtTribunalClick));
        *pob[i] = comun::Edita(this, this, nullptr, Dat->DSExped, QStringLiteral("POBLACION") + sufijos[i], 360, y, 120);
        (*pob[i])->SetName(QStringLiteral("DBPob") + n);
        *proc[i] = comun::Edita(this, this, nullptr, Dat->DSExped, QStringLiteral("PROCEDIMIENTO") + sufijos[i], 484, y, 170);
        (*proc[i])->SetName(QStringLiteral("DBProc") + n);
        *btProc[i] = Boton(nombresProc[i], QStringLiteral("..."), 656, y, 22, TNotifyEvent(this, &T::BtProcedimientoClick));
        *autos[i] = comun::Edita(this, this, nullptr, Dat->DSExped, QStringLiteral("AUTOS") + sufijos[i], 682, y, 70);
        (*autos[i])->SetName(QStringLiteral("DBAutos") + n);
    }
    const int y4 = y3 + 20 + 3 * dy + 6;
    btNuevo = Boton("btNuevo", QStringLiteral("&Nuevo"), 102, y4, 90, TNotifyEvent(this, &T::BtNuevoClick));
    btDeshacer = Boton("btDeshacer", QStringLiteral("&Deshacer"), 198, y4, 90, TNotifyEvent(this, &T::BtDeshacerClick));
    BtObserva = Boton("BtObserva", QStringLiteral("&Observaciones"), 632, y4, 120, TNotifyEvent(this, &T::BtObservaClick));

    BtOk->OnClick = TNotifyEvent(this, &T::AsuntoOkClick);
    OnShow = TNotifyEvent(this, &T::FormShow);
    OnKeyDown = TKeyEvent(this, &T::AsuntoKeyDown);
    FijaTamano(760, y4 + 34 + 36);

    // Amounts in the case file's currency.
    const bool euros = F(Dat->TExped, QStringLiteral("MONEDA"))->AsString() == QLatin1String("E");
    for (const char* campo : {"IMPORTE", "PRINCIPAL", "INTERESES", "EXPTOTAL"}) {
        auto* f = static_cast<TNumericField*>(F(Dat->TExped, QString::fromLatin1(campo)));
        f->SetDisplayFormat(euros ? QStringLiteral("#,##0.00") : QStringLiteral("#,##0"));
        f->SetEditFormat(euros ? QStringLiteral("0.00") : QStringLiteral("0"));
    }
}

TAsunto::~TAsunto() {
    if (Asunto == this) Asunto = nullptr;
}

TDataSet* TAsunto::Tabla() const { return Dat->TExped; }

void TAsunto::activaEdicion(bool activa) {
    ActiveSource->SetDataSet(activa ? Dat->TExped : nullptr);
    const bool ligada = ActiveSource->DataSet() != nullptr;
    for (TSpeedItem* i : {btFirst, btPrev, btNext, btLast, btAdd, btDel, btAsigna}) i->SetVisible(false);
    btEdit->SetVisible(ligada);
    btRefresh->SetVisible(ligada);
    for (TButton* b : {btNuevo, btDeshacer, btFecApe, btFecFac, btFecCie}) b->SetVisible(ligada);
    if (ligada) {
        ActiveSourceStateChange(ActiveSource);
        ActiveSourceDataChange(ActiveSource, nullptr);
    }
}

void TAsunto::EstadoCambiado(TDataSetState estado) {
    const int situacion = F(Dat->TExped, QStringLiteral("SITUACION"))->AsInteger();
    const bool edita = estado == dsEdit;
    const bool consulta = estado == dsBrowse;
    btFecApe->SetEnabled(edita);
    btFecFac->SetEnabled(edita && situacion > 1);
    btFecCie->SetEnabled(edita && situacion > 2);
    for (TButton* b : {btNuevo, btDeshacer, BtTribunal, BtTribunal1, BtTribunal2, BtProcedimiento, BtProcedimiento1, BtProcedimiento2})
        b->SetVisible(edita);
    btNuevo->SetEnabled(edita);
    btDeshacer->SetEnabled(edita);
    DBComboBox1->SetVisible(edita);
    DBFFact->SetReadOnly(consulta || situacion < 2);
    DBFCierre->SetReadOnly(consulta || situacion < 3);
    BtObserva->SetVisible(consulta);
    // Only what the case file's edit saves may change: no paste, cut or deletion while browsing.
    Texto->SetReadOnly(consulta);
    DBJurisdiccion->SetVisible(!edita);
    if (consulta)
        for (TSpeedItem* i : {btEdit, btRefresh, btAyuda, BtSalir}) i->SetEnabled(true);
}

void TAsunto::RegistroCambiado() {
    TDataSet* e = Dat->TExped;
    const bool notas = !F(e, QStringLiteral("OBSERVACIONES"))->AsString().trimmed().isEmpty();
    TFontStyles estilo;
    if (notas) estilo = {fsBold};
    BtObserva->Font()->SetStyle(estilo);
    const bool pesetas = F(e, QStringLiteral("MONEDA"))->AsString() == QLatin1String("P");
    for (auto [edit, campo] : {std::pair{DBPrincipal, "PRINCIPAL"}, std::pair{DBCuantia, "IMPORTE"},
                               std::pair{DBIntereses, "INTERESES"}, std::pair{DBTotal, "EXPTOTAL"}}) {
        const Currency importe(F(e, QString::fromLatin1(campo))->AsFloat());
        edit->SetHint(pesetas ? Format(QStringLiteral("%10.2n "), ConvierteMoneda(QLatin1Char('E'), importe).ToDouble())
                              : Format(QStringLiteral("%10.0n Pts"), ConvierteMoneda(QLatin1Char('P'), importe).ToDouble()));
        edit->SetShowHint(true);
    }
}

void TAsunto::FormShow(TObject*) { Texto->SetText(F(Dat->TExped, QStringLiteral("ASUNTO"))->AsString()); }

void TAsunto::TextoKeyPress(TObject*, QChar& key) {
    // The description is typed only while the case file is being edited.
    if (Dat->TExped->State() == dsBrowse) key = QChar();
}

void TAsunto::AsuntoOkClick(TObject*) {
    TDataSet* e = Dat->TExped;
    if (e->State() != dsEdit && e->State() != dsInsert) return;
    F(e, QStringLiteral("ASUNTO"))->SetAsString(Texto->Text().left(240));
    e->Post();
}

void TAsunto::AsuntoKeyDown(TObject* sender, quint16& key, TShiftState shift) {
    if (key == VK_RETURN && shift == 0 && ActiveSource->DataSet() && Dat->TExped->State() == dsBrowse) {
        key = 0;
        btEditClick(this);
        return;
    }
    FormKeyDown(sender, key, shift);
}

// Costs in euros have cents: the decimal comma is taken, once (see the consultation's fee).
void TAsunto::DBCuantiaKeyPress(TObject*, QChar& key) {
    const bool euros = F(Dat->TExped, QStringLiteral("MONEDA"))->AsString() == QLatin1String("E");
    key = TeclaImporte(key, DBCuantia->Text(), euros ? 2 : 0);
}

void TAsunto::BtObservaClick(TObject*) {
    TDataSet* e = Dat->TExped;
    // The matter only viewed: its notes are read, not changed.
    const bool solo = SoloConsulta();
    if (!solo && e->State() == dsBrowse) e->Edit();
    Observacion = new TObservacion(Application);
    if (solo) Observacion->SoloLectura();
    Observacion->ActiveSource->SetDataSet(e);
    Observacion->Memo->SetDataSource(Observacion->ActiveSource);
    Observacion->Memo->SetDataField(QStringLiteral("OBSERVACIONES"));
    Observacion->SetCaption(QStringLiteral("Observaciones"));
    Observacion->Titulo->SetCaption(QStringLiteral("Observaciones de"));
    Observacion->Contenido->SetCaption(F(e, QStringLiteral("ANO"))->AsString() + QLatin1Char('/') + F(e, QStringLiteral("NUMERO"))->AsString());
    Observacion->ShowModal();
}

void TAsunto::Calendario(const QString& campo, TDBEdit* edit) {
    FechaDeCalendario(F(Dat->TExped, campo), edit);
}

void TAsunto::btFecApeClick(TObject*) { Calendario(QStringLiteral("FECHAAPERTURA"), DBFAper); }
void TAsunto::btFecFacClick(TObject*) { Calendario(QStringLiteral("FECHAFACTURA"), DBFFact); }
void TAsunto::btFecCieClick(TObject*) { Calendario(QStringLiteral("FECHACIERRE"), DBFCierre); }

void TAsunto::Elige(const QString& campo, TDBEdit* edit, const QString& sql, const QString& caption, const QString& titulo) {
    Buscar = new TBuscar(Application);
    std::unique_ptr<TBuscar> libera(Buscar);
    Buscar->SetCaption(caption);
    Buscar->QBusca->Close();
    Buscar->QBusca->SQL()->SetText(sql);
    Buscar->Inicia(titulo, true, 1);
    if (Buscar->ShowModal() == mrOk) {
        F(Dat->TExped, campo)->SetAsString(F(Buscar->QBusca, QStringLiteral("NOMBRE"))->AsString());
        if (edit->CanFocus()) edit->SetFocus();
    }
    libera.reset();
    Buscar = nullptr;
}

void TAsunto::BtTribunalClick(TObject* sender) {
    const int i = sender == BtTribunal1 ? 1 : sender == BtTribunal2 ? 2 : 0;
    TDBEdit* edits[] = {DBTrib1, DBTrib2, DBTrib3};
    Elige(QStringLiteral("TRIBUNAL") + (i ? QString::number(i) : QString()), edits[i],
          QStringLiteral("SELECT TRIBUNAL as NOMBRE\nFROM TRIBUNALES ORDER BY NOMBRE"), QStringLiteral("Buscar Tribunal"),
          QStringLiteral("Tribunales"));
}

void TAsunto::BtProcedimientoClick(TObject* sender) {
    const int i = sender == BtProcedimiento1 ? 1 : sender == BtProcedimiento2 ? 2 : 0;
    TDBEdit* edits[] = {DBProc1, DBProc2, DBProc3};
    Elige(QStringLiteral("PROCEDIMIENTO") + (i ? QString::number(i) : QString()), edits[i],
          QStringLiteral("SELECT PROCEDIMIENTO as NOMBRE\nFROM PROCEDIMIENTOS ORDER BY NOMBRE"),
          QStringLiteral("Buscar Procedimiento"), QStringLiteral("Procedimientos"));
}

void TAsunto::BtNuevoClick(TObject*) {
    TDataSet* e = Dat->TExped;
    if (e->State() != dsEdit) return;
    if (F(e, QStringLiteral("TRIBUNAL"))->AsString().trimmed().isEmpty()) {
        ShowMessage(QStringLiteral(" TRIBUNAL esta en BLANCO "));
        return;
    }
    if (F(e, QStringLiteral("PROCEDIMIENTO"))->AsString().trimmed().isEmpty()) {
        ShowMessage(QStringLiteral(" PROCEDIMIENTO está en BLANCO "));
        return;
    }
    if (F(e, QStringLiteral("AUTOS"))->AsString().trimmed().isEmpty()) {
        ShowMessage(QStringLiteral(" Nº de AUTOS está en BLANCO "));
        return;
    }
    for (const char* base : Historia) {
        const QString b = QString::fromLatin1(base);
        F(e, b + u'3')->SetValue(F(e, b + u'2')->Value());
        F(e, b + u'2')->SetValue(F(e, b + u'1')->Value());
        F(e, b + u'1')->SetValue(F(e, b)->Value());
        F(e, b)->SetAsString(QString());
    }
}

void TAsunto::BtDeshacerClick(TObject*) {
    TDataSet* e = Dat->TExped;
    if (e->State() != dsEdit) return;
    if (F(e, QStringLiteral("TRIBUNAL3"))->AsString() == QLatin1String("X")) {
        ShowMessage(QStringLiteral(" NO SE PUEDE DESHACER "));
        return;
    }
    for (const char* base : Historia) {
        const QString b = QString::fromLatin1(base);
        F(e, b)->SetValue(F(e, b + u'1')->Value());
        F(e, b + u'1')->SetValue(F(e, b + u'2')->Value());
        F(e, b + u'2')->SetValue(F(e, b + u'3')->Value());
    }
    // Marks the push as undone; the other fields of the oldest set keep their value.
    F(e, QStringLiteral("TRIBUNAL3"))->SetAsString(QStringLiteral("X"));
}
