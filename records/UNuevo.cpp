// New case file, new consultation, linked case file and the year/number of a search.
#include "records/UNuevo.h"

#include "comun/Controles.h"
#include "comun/Calendario.h"
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "platform/forms/Dialogs.h"
#include "platform/rtl/SysUtils.h"
#include "records/Pinturas.h"

TNuevoExp* NuevoExp = nullptr;

const QString TNuevoExp::CaptionExpediente = QStringLiteral("Introduzca Nuevo Expediente");
const QString TNuevoExp::CaptionConsulta = QStringLiteral("Introduzca Nueva Consulta");
const QString TNuevoExp::CaptionVincular = QStringLiteral("Introduzca Expediente a Vincular");
const QString TNuevoExp::CaptionBuscar = QStringLiteral("Introduzca Expediente a Buscar");

namespace {
const QString Ninguno = QStringLiteral("NINGUNO");

TLabel* Etiqueta(TNuevoExp* f, const char* nombre, const QString& texto, int top) {
    auto* l = new TLabel(f);
    l->SetName(QString::fromLatin1(nombre));
    l->SetParent(f);
    l->SetAutoSize(false);
    l->SetAlignment(taRightJustify);
    l->SetBounds(8, top + 3, 118, 17);
    l->SetCaption(texto);
    return l;
}

using comun::F;
}  // namespace

TNuevoExp::TNuevoExp(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("NuevoExp"));
    SetCaption(QStringLiteral("Nuevo Expediente"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetKeyPreview(true);
    SetClientWidth(330);
    SetClientHeight(170);

    LAno = Etiqueta(this, "LAno", QStringLiteral("Año :"), 10);
    AnoActual = new TComboBox(this);
    AnoActual->SetName(QStringLiteral("AnoActual"));
    AnoActual->SetParent(this);
    AnoActual->SetStyle(csDropDownList);
    AnoActual->SetBounds(132, 10, 70, 21);
    for (int ano = 1992; ano <= 2040; ++ano) AnoActual->Items()->Add(QString::number(ano));
    AnoActual->SetDropDownCount(12);

    L1 = Etiqueta(this, "L1", QStringLiteral("Expediente :"), 38);
    Expediente = new TMaskEdit(this);
    Expediente->SetName(QStringLiteral("Expediente"));
    Expediente->SetParent(this);
    Expediente->SetEditMask(QStringLiteral("00000-l;1;_"));
    Expediente->SetCharCase(ecUpperCase);
    Expediente->SetMaxLength(7);
    Expediente->SetBounds(132, 38, 70, 21);

    LFecha = Etiqueta(this, "LFecha", QStringLiteral("Fecha :"), 66);
    Fecha = new TMaskEdit(this);
    Fecha->SetName(QStringLiteral("Fecha"));
    Fecha->SetParent(this);
    Fecha->SetEditMask(QStringLiteral("!99/99/0000;1;_"));
    Fecha->SetBounds(132, 66, 80, 21);
    btFecha = new TZbSpeedButton(this);
    btFecha->SetName(QStringLiteral("btFecha"));
    btFecha->SetParent(this);
    btFecha->SetBounds(214, 66, 22, 21);
    btFecha->SetCaption(QStringLiteral("..."));
    btFecha->SetHint(QStringLiteral("Calendario"));

    LAbo = Etiqueta(this, "LAbo", QStringLiteral("Abogado Entrada :"), 94);
    AboEntra = new TComboBox(this);
    AboEntra->SetName(QStringLiteral("AboEntra"));
    AboEntra->SetParent(this);
    AboEntra->SetStyle(csDropDownList);
    AboEntra->SetBounds(132, 94, 190, 21);

    // OK closes only once the record is written.
    const comun::TOkNo par = comun::ParOkNo(this, this, "BtOk", "BtNo", 72, 132, 88, 27, 98);
    BtOk = par.Ok;
    BtNo = par.No;

    auto tabla = [&](TTable*& t, const char* nombre, const char* fichero) {
        t = new TTable(this);
        t->SetName(QString::fromLatin1(nombre));
        t->SetDatabaseName(Dat->Db->DatabaseName());
        t->SetTableName(QString::fromLatin1(fichero));
        t->OnPostError = TDataSetErrorEvent(Dat, &TDat::error);
    };
    tabla(TVinCli, "TVinCli", "EXPCLI");
    TVinCli->SetMasterSource(Dat->DSExped);
    TVinCli->SetMasterFields(QStringLiteral("ANO;NUMERO"));
    tabla(TVinCon, "TVinCon", "EXPCON");
    TVinCon->SetMasterSource(Dat->DSExped);
    TVinCon->SetMasterFields(QStringLiteral("ANO;NUMERO"));
    tabla(TVincular, "TVincular", "EXPED");

    QAboEntra = new TQuery(this);
    QAboEntra->SetName(QStringLiteral("QAboEntra"));
    QAboEntra->SetDatabaseName(Dat->Db->DatabaseName());
    QAboEntra->SQL()->SetText(QStringLiteral("SELECT ABOCLI, APELLIDOS || ',' || NOMBRE AS NOMABO FROM ABOCLI"));
    QExped = new TQuery(this);
    QExped->SetName(QStringLiteral("QExped"));
    QExped->SetDatabaseName(Dat->Db->DatabaseName());
    QExped->SQL()->SetText(QStringLiteral("SELECT COUNT(*) AS NUM FROM EXPED WHERE ANO = :ANO AND NUMERO = :NUMERO"));

    using T = TNuevoExp;
    AboEntra->OnChange = TNotifyEvent(this, &T::AboEntraChange);
    btFecha->OnClick = TNotifyEvent(this, &T::btFechaClick);
    Fecha->OnExit = TNotifyEvent(this, &T::FechaExit);
    BtOk->OnClick = TNotifyEvent(this, &T::BtOkClick);
    BtNo->OnClick = TNotifyEvent(this, &T::BtNoClick);
    OnCreate = TNotifyEvent(this, &T::FormCreate);
    OnShow = TNotifyEvent(this, &T::FormShow);
    OnClose = TCloseEvent(this, &T::FormClose);
    OnKeyPress = TKeyPressEvent(this, &T::FormKeyPress);
    FormCreate(this);
    OnCreate = nullptr;
}

TNuevoExp::~TNuevoExp() {
    if (NuevoExp == this) NuevoExp = nullptr;
}

void TNuevoExp::FormCreate(TObject*) {
    QAboEntra->Open();
    AboEntra->Items()->Clear();
    FAbogados.clear();
    AboEntra->Items()->Add(Ninguno);
    const QString actual =
        Dat->TAboCli->Active() && !Dat->TAboCli->IsEmpty() ? F(Dat->TAboCli, "NOMABOCLI")->AsString() : QString();
    int elegido = 0;
    for (QAboEntra->First(); !QAboEntra->Eof(); QAboEntra->Next()) {
        const QString nombre = F(QAboEntra, "NOMABO")->AsString();
        AboEntra->Items()->Add(nombre);
        FAbogados.push_back(F(QAboEntra, "ABOCLI")->AsInteger());
        if (!actual.isEmpty() && nombre == actual && elegido == 0) elegido = AboEntra->Items()->Count() - 1;
    }
    AboEntra->SetItemIndex(elegido);
    AboEntraChange(this);
}

void TNuevoExp::Prepara(const QString& caption) {
    // A desk left running over New Year numbers in the new year, as one started that day.
    if (caption != CaptionBuscar) comun::SigueAlCalendario();
    Dat->TTabcon->Refresh();
    Dat->TTabcon->Locate(QStringLiteral("ANO"), Variant(StrToIntDef(AnoSeleccionado, 0)), 0);
    SetCaption(caption);
    if (caption == CaptionBuscar) {
        Fecha->SetEnabled(false);
        btFecha->SetEnabled(false);
        AboEntra->SetEnabled(false);
        return;
    }
    if (caption == CaptionConsulta) L1->SetCaption(QStringLiteral("Consulta :"));
    const bool hayFila = !Dat->TTabcon->IsEmpty() &&
                         F(Dat->TTabcon, "ANO")->AsInteger() == StrToIntDef(AnoSeleccionado, 0);
    if (hayFila) Expediente->SetText(F(Dat->TTabcon, caption == CaptionConsulta ? "CONTCON" : "CONTEXP")->AsString());
    Fecha->SetText(FormatDateTime(QStringLiteral("dd/mm/yyyy"), Date()));
}

void TNuevoExp::FormShow(TObject*) {
    const int i = AnoActual->Items()->IndexOf(AnoSeleccionado);
    if (i >= 0) AnoActual->SetItemIndex(i);
}

void TNuevoExp::FormClose(TObject*, TCloseAction& action) { action = caFree; }

void TNuevoExp::FormKeyPress(TObject*, QChar& key) {
    if (key != QChar(u'\r')) return;
    key = QChar();
    SelectNext(ActiveControl(), true, true);
}

void TNuevoExp::AboEntraChange(TObject*) {
    const int i = AboEntra->ItemIndex();
    if (i <= 0 || AboEntra->Text() == Ninguno) return;
    QAboEntra->Locate(QStringLiteral("ABOCLI"), Variant(FAbogados[size_t(i - 1)]), 0);
}

int TNuevoExp::AbogadoEntrada() const {
    const int i = AboEntra->ItemIndex();
    return i <= 0 ? 0 : FAbogados[size_t(i - 1)];
}

void TNuevoExp::btFechaClick(TObject*) { FechaDelCalendario(Fecha); }

void TNuevoExp::FechaExit(TObject*) {
    if (SinTeclear(Fecha->Text())) {
        Fecha->SetText(FormatDateTime(QStringLiteral("dd/mm/yyyy"), Date()));
        return;
    }
    // Leaving for No means leaving the dialog: nothing to check.
    if (ActiveControl() == BtNo) return;
    TDateTime dia;
    FechaDelEdit(Fecha, dia);
    Fecha->SetText(FormatDateTime(QStringLiteral("dd/mm/yyyy"), dia));
}

TDateTime TNuevoExp::FechaTecleada() const {
    TDateTime dia;
    if (!TryStrToDate(Fecha->Text(), dia)) return Date();
    return dia;
}

void TNuevoExp::BtNoClick(TObject*) { SetModalResult(mrNo); }

void TNuevoExp::BtOkClick(TObject*) {
    const QString caption = Caption();
    if (caption == CaptionBuscar) {
        SetModalResult(mrOk);
        return;
    }
    // Five digits before anything is written: a blank number would make a case file "26/ -".
    if (Expediente->Mask().FirstMissing(Expediente->EditText()) >= 0) {
        MensajeError(caption == CaptionConsulta ? QStringLiteral("Nº de CONSULTA incompleto")
                                                : QStringLiteral("Nº de EXPEDIENTE incompleto"));
        if (Expediente->CanFocus()) Expediente->SetFocus();
        Abort();
    }
    // A date typed but never left is checked like one left.
    FechaExit(Fecha);
    if (caption == CaptionConsulta) {
        NuevaConsulta();
        return;
    }
    QExped->Close();
    QExped->ParamByName(QStringLiteral("ANO"))->SetAsString(AnoActual->Text());
    QExped->ParamByName(QStringLiteral("NUMERO"))->SetAsString(Expediente->Text());
    QExped->Open();
    const int hay = F(QExped, "NUM")->AsInteger();
    QExped->Close();
    if (hay > 0) {
        MensajeError(QStringLiteral("EXPEDIENTE ya existe"));
        Abort();
    }
    if (caption == CaptionVincular) Vincula();
    else NuevoExpediente();
}

void TNuevoExp::CuentaNumero(const QString& campo, const QString& numero) {
    // Always the working year's own row, whatever year the record was given.
    TTable* t = Dat->TTabcon;
    const int ano = StrToIntDef(AnoSeleccionado, 0);
    t->Refresh();
    if (!t->Locate(QStringLiteral("ANO"), Variant(ano), 0)) {
        t->Append();
        F(t, "ANO")->SetAsInteger(ano);
        F(t, "NUMFACTU")->SetAsInteger(0);
        t->FieldByName(campo)->SetAsString(numero);
        t->Post();
        return;
    }
    // Counters are compared as text: "00100-A" follows "00099-Z".
    if (numero > t->FieldByName(campo)->AsString()) {
        t->Edit();
        t->FieldByName(campo)->SetAsString(numero);
        t->Post();
    }
}

void TNuevoExp::Agenda(const QString& ano, const QString& numero, int abocli, TDateTime fecha, const QString& tipo,
                       const QString& situacion) {
    TTable* a = Dat->TAgen;
    a->Insert();
    F(a, "ABOCLI")->SetAsInteger(abocli);
    F(a, "FECHA")->SetAsDateTime(fecha);
    F(a, "HORA")->SetAsDateTime(Time());
    F(a, "TIPO")->SetAsString(tipo);
    F(a, "ANO")->SetAsString(ano);
    F(a, "NUMERO")->SetAsString(numero);
    F(a, "SITUACION")->SetAsString(situacion);
    F(a, "USUARIO")->SetAsString(Dat->Usuario());
    F(a, "TIPOAGENDA")->SetAsString(QStringLiteral("GENERAL"));
    a->Post();
}

void TNuevoExp::Deshace(std::initializer_list<TDataSet*> tablas) {
    for (TDataSet* t : tablas)
        if (t->Active() && (t->State() == dsInsert || t->State() == dsEdit)) t->Cancel();
    if (Dat->Db->InTransaction()) Dat->Db->Rollback();
    // What the views hold from the rolled-back writes goes.
    for (TDataSet* t : tablas)
        if (t->Active() && t->State() == dsBrowse) t->Refresh();
    if (Dat->TSistem->Active() && Dat->TSistem->State() == dsBrowse) Dat->TSistem->Refresh();
}

void TNuevoExp::NuevaConsulta() {
    const QString ano = AnoActual->Text();
    const QString numero = Expediente->Text();
    if (Dat->TConsultas->Locate(QStringLiteral("ANO;NUMERO"), VarArrayOf({Variant(ano), Variant(numero)}), 0)) {
        MensajeError(QStringLiteral("CONSULTA ya existe"));
        Abort();
    }
    int paso = 1;
    {
        records::TRelojArena reloj;
        try {
            Dat->EnTransaccion([&] {
                TTable* c = Dat->TConsultas;
                c->Insert();
                F(c, "ANO")->SetAsString(ano);
                F(c, "NUMERO")->SetAsString(numero);
                F(c, "FECHAENTRADA")->SetAsDateTime(FechaTecleada());
                F(c, "ABOCLI")->SetAsInteger(F(Dat->TAboCli, "ABOCLI")->AsInteger());
                F(c, "ABOENT")->SetAsInteger(AbogadoEntrada());
                F(c, "NOMCLIENTE")->SetAsString(QString());
                F(c, "CLIENTE")->SetAsInteger(0);
                F(c, "TIPO")->SetAsString(QString());
                F(c, "SITUACION")->SetAsInteger(1);
                F(c, "MONEDA")->SetAsString(F(Dat->TSistem, "MONEDA")->AsString());
                c->Post();
                paso = 2;
                CuentaNumero(QStringLiteral("CONTCON"), numero);
                paso = 3;
                Agenda(ano, numero, F(c, "ABOCLI")->AsInteger(), F(c, "FECHAENTRADA")->AsDateTime(), QStringLiteral("C"),
                       QStringLiteral("APERTURA DE CONSULTA"));
                paso = 4;
            });
        } catch (...) {
            // Nothing of a failed consultation stays, and the dialog stays open for another try.
            Deshace({Dat->TConsultas, Dat->TTabcon, Dat->TAgen});
            MensajeError(QStringLiteral("ERROR al crear la Consulta :") + IntToStr(paso));
            Abort();
        }
    }
    SetModalResult(mrOk);
}

void TNuevoExp::NuevoExpediente() {
    const QString ano = AnoActual->Text();
    const QString numero = Expediente->Text();
    int paso = 1;
    {
        records::TRelojArena reloj;
        try {
            Dat->EnTransaccion([&] {
                TTable* e = Dat->TExped;
                e->Insert();
                F(e, "ANO")->SetAsString(ano);
                F(e, "NUMERO")->SetAsString(numero);
                F(e, "FECHAAPERTURA")->SetAsDateTime(FechaTecleada());
                F(e, "ABOCLI")->SetAsInteger(F(Dat->TAboCli, "ABOCLI")->AsInteger());
                const int entrada = AbogadoEntrada();
                F(e, "ABOENT")->SetAsInteger(entrada);
                for (const char* campo : {"PROCLI", "CLIENTE", "PROCON", "ABOCON", "CONTRARIO", "PERITO"}) F(e, campo)->SetAsInteger(0);
                // No entry lawyer leaves the section empty.
                F(e, "SECCION")->SetAsString(entrada ? IntToStr(entrada) : QString());
                for (const char* campo : {"TRIBUNAL", "PROCEDIMIENTO", "AUTOS", "ANOANTERIOR", "ANOSIGUIENTE"})
                    F(e, campo)->SetAsString(QString());
                F(e, "SITUACION")->SetAsInteger(1);
                F(e, "MONEDA")->SetAsString(F(Dat->TSistem, "MONEDA")->AsString());
                e->Post();
                paso = 2;
                CuentaNumero(QStringLiteral("CONTEXP"), numero);
                paso = 3;
                Agenda(ano, numero, F(e, "ABOCLI")->AsInteger(), F(e, "FECHAAPERTURA")->AsDateTime(), QStringLiteral("E"),
                       QStringLiteral("APERTURA DE EXPEDIENTE"));
                paso = 4;
            });
        } catch (...) {
            Deshace({Dat->TExped, Dat->TTabcon, Dat->TAgen});
            MensajeError(QStringLiteral("ERROR al crear expediente :") + IntToStr(paso));
            Abort();
        }
    }
    SetModalResult(mrOk);
}

void TNuevoExp::Vincula() {
    const QString ano = AnoActual->Text();
    const QString numero = Expediente->Text();
    TTable* viejo = Dat->TExped;
    const QString anoViejo = F(viejo, "ANO")->AsString();
    const QString numViejo = F(viejo, "NUMERO")->AsString();
    const int abocli = F(viejo, "ABOCLI")->AsInteger();
    const TDateTime apertura = FechaTecleada();
    TVinCli->Open();
    TVinCon->Open();
    TVincular->Open();
    int paso = 1;
    {
        records::TRelojArena reloj;
        try {
            Dat->EnTransaccion([&] {
                viejo->Edit();
                F(viejo, "ANOSIGUIENTE")->SetAsString(ano);
                F(viejo, "NUMSIGUIENTE")->SetAsString(numero);
                viejo->Post();
                paso = 2;
                Agenda(anoViejo, numViejo, abocli, apertura, QStringLiteral("E"),
                       QStringLiteral("EXPEDIENTE VINCULADO A ") + ano + QLatin1Char('/') + numero);
                paso = 3;
                TTable* n = TVincular;
                n->Insert();
                F(n, "ANO")->SetAsString(ano);
                F(n, "NUMERO")->SetAsString(numero);
                F(n, "FECHAAPERTURA")->SetAsDateTime(apertura);
                for (const char* campo : {"ASUNTO", "IMPORTE", "PRINCIPAL", "INTERESES", "JURISDICCION", "REFPROCLI", "REFABOCON",
                                          "REFPROCON", "REFCLI", "REFCON", "PROCLI", "ABOCLI", "ABOENT", "CLIENTE", "PROCON",
                                          "ABOCON", "CONTRARIO", "PERITO"})
                    F(n, campo)->SetValue(F(viejo, campo)->Value());
                F(n, "ANOANTERIOR")->SetAsString(anoViejo);
                F(n, "NUMANTERIOR")->SetAsString(numViejo);
                // The court history moves down one place; the old third set is not carried.
                for (const char* base : {"TRIBUNAL", "PROCEDIMIENTO", "POBLACION", "AUTOS"}) {
                    const QString b = QString::fromLatin1(base);
                    n->FieldByName(b)->SetAsString(QStringLiteral(" "));
                    n->FieldByName(b + u'1')->SetValue(viejo->FieldByName(b)->Value());
                    n->FieldByName(b + u'2')->SetValue(viejo->FieldByName(b + u'1')->Value());
                    n->FieldByName(b + u'3')->SetValue(viejo->FieldByName(b + u'2')->Value());
                }
                F(n, "SITUACION")->SetAsInteger(1);
                // The copied amounts are in the old case's currency, whatever the office works in now.
                F(n, "MONEDA")->SetAsString(F(viejo, "MONEDA")->AsString());
                n->Post();
                paso = 4;
                for (TVinCli->First(); !TVinCli->Eof(); TVinCli->Next()) {
                    Dat->TExpCli->Insert();
                    F(Dat->TExpCli, "ANO")->SetAsString(ano);
                    F(Dat->TExpCli, "NUMERO")->SetAsString(numero);
                    F(Dat->TExpCli, "CLIENTE")->SetAsInteger(F(TVinCli, "CLIENTE")->AsInteger());
                    Dat->TExpCli->Post();
                }
                paso = 5;
                for (TVinCon->First(); !TVinCon->Eof(); TVinCon->Next()) {
                    Dat->TExpCon->Insert();
                    F(Dat->TExpCon, "ANO")->SetAsString(ano);
                    F(Dat->TExpCon, "NUMERO")->SetAsString(numero);
                    F(Dat->TExpCon, "CONTRARIO")->SetAsInteger(F(TVinCon, "CONTRARIO")->AsInteger());
                    Dat->TExpCon->Post();
                }
                paso = 6;
                CuentaNumero(QStringLiteral("CONTEXP"), numero);
                paso = 7;
                Agenda(ano, numero, abocli, apertura, QStringLiteral("E"),
                       QStringLiteral("APERTURA DE EXPEDIENTE VINCULADO A ") + anoViejo + QLatin1Char('/') + numViejo);
                paso = 8;
            });
        } catch (...) {
            // The old case keeps its successor as it was and no half-made case is left.
            Deshace({TVincular, Dat->TExpCli, Dat->TExpCon, Dat->TTabcon, Dat->TAgen, Dat->TExped});
            MensajeError(QStringLiteral("ERROR al vincular :") + IntToStr(paso));
            Abort();
        }
    }
    Dat->TExped->Refresh();
    SetModalResult(mrOk);
}
