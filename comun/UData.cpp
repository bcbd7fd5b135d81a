#include "comun/UData.h"

#include "comun/Contrasenia.h"
#include "comun/Ganchos.h"
#include "comun/UComunes.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"

#include <QElapsedTimer>
#include <algorithm>
#include <optional>

namespace {
const char* const ClaveMaestra = "trunvel";

bool TextoVacio(TDataSet* ds, const char* campo) { return ds->FieldByName(QString::fromLatin1(campo))->AsString().isEmpty(); }

// A check that fails shows its message and abandons the operation silently.
void Exige(bool condicion, const QString& mensaje) {
    if (condicion) return;
    MensajeError(mensaje);
    Abort();
}

void Confirma(const QString& pregunta) {
    if (!MensajeConfirmacion(pregunta)) Abort();
}

void Reabre(TDataSet* ds) {
    ds->Close();
    ds->Open();
}
}  // namespace

TDat::TDat(TComponent* owner) : TComponent(owner) {
    CreaComponentes();
    DatCreate();
}

TDat::~TDat() {
    if (FNumerando) DeshaceNumeracion();
    FQContador.reset();
    DestroyComponents();
    if (Dat == this) Dat = nullptr;
}

// ---------------------------------------------------------------------------------------------- opening

void TDat::DatCreate() {
    try {
        BDE321->ReadSettings();
        BDE321->SetLocalShare(true);
        BDE321->WriteSettings();
    } catch (const Exception& e) {
        // A damaged engine configuration must not keep the office from its data.
        MensajeError(e.Message());
    }
    Db->Close();
    Session->SetConfigMode(cmSession);
    Session->AddStandardAlias(QStringLiteral("DAT"), CarpetaDatos, QStringLiteral("PARADOX"));
    Db->SetAliasName(QStringLiteral("DAT"));
    if (!HayEntornoDesarrollo()) Session->SetNetFileDir(CarpetaDatos + QStringLiteral("/NetDir/"));
    // Per user and readable by nobody else: the temporary folder is shared by every user.
    CarpetaPrivada = comun::CarpetaPrivadaUsuario();
    Db->Open();
    // Every table is opened at once: the layouts are checked once for them all.
    std::optional<platform::db::TLayoutsHeld> retenidas(std::in_place, Db->Connection());
    CreaTablasNuevas();
    Session->SetPrivateDir(CarpetaPrivada);
    Session->OnPassword = TPasswordEvent(this, &TDat::Introduce);

    // Without these the program cannot work at all: the start-up ends naming the table.
    const std::vector<TTable*> esenciales{TSistem, TTabcon, TPriv, TExped, TConsultas, TAboCli};
    QString fallo;
    const int total = ComponentCount();
    // The splash shows the progress once a frame's time has passed since it last did, and at the
    // end: pending messages handled after every dataset cost more than opening a small table,
    // and nobody sees more than a frame.
    QElapsedTimer cuadro;
    cuadro.start();
    size_t siguiente = 0;
    for (int i = 0; i < total && fallo.isEmpty(); ++i) {
        if (comun::ProgresoApertura) comun::ProgresoApertura(total > 1 ? i * 100 / (total - 1) : 100);
        // Most components are fields: the datasets are known, in the order they were made.
        if (siguiente >= FConjuntos.size() || Components(i) != FConjuntos[siguiente]) continue;  // nothing new to show
        TDBDataSet* ds = FConjuntos[siguiente++];
        if (auto* t = dynamic_cast<TTable*>(ds)) {
            try {
                t->Open();
            } catch (const Exception& e) {
                try {
                    t->Close();  // a table that failed half-way open must not look usable
                } catch (const Exception&) {
                }
                if (std::find(esenciales.begin(), esenciales.end(), t) != esenciales.end())
                    fallo = QStringLiteral("No se puede abrir la tabla %1 (%2): %3").arg(t->TableName(), t->Name(), e.Message());
                else
                    MensajeError(t->Name() + QLatin1Char('\n') + e.Message());
            }
        } else if (auto* q = dynamic_cast<TQuery*>(ds)) {
            if (q->Tag() == 0) q->Open();
        } else {
            continue;
        }
        if (cuadro.elapsed() >= 16) {
            Application->ProcessMessages();
            cuadro.restart();
        }
    }
    Application->ProcessMessages();
    Session->OnPassword = nullptr;
    retenidas.reset();
    if (!fallo.isEmpty()) throw EDatabaseError(fallo);
    AbreAnoEnCurso();

    FQContador = std::make_unique<TQuery>(nullptr);
    FQContador->SetDatabaseName(QStringLiteral("ZEMBRA"));
}

namespace {
bool MismosCampos(const QStringList& a, const QStringList& b) {
    if (a.size() != b.size()) return false;
    for (int i = 0; i < a.size(); ++i)
        if (a[i].compare(b[i], Qt::CaseInsensitive) != 0) return false;
    return true;
}

// The stored index that plays the part of `modelo` (the primary, or the one of its name).
const platform::db::TIndexDesc* IndiceGuardado(const platform::db::TTableDesc& guardada, const platform::db::TIndexDesc& modelo) {
    for (const auto& ix : guardada.Indexes)
        if (modelo.Primary ? ix.Primary : (!ix.Primary && ix.Name.compare(modelo.Name, Qt::CaseInsensitive) == 0)) return &ix;
    return nullptr;
}
}  // namespace

// Every table and index of the data model exists in the folder: a new folder gets them all, an
// older one gets what it lacks (tables added since, indexes whose fields changed).
void TDat::CreaTablasNuevas() {
    auto conn = Db->Connection();
    const auto tablas = comun::TablasDelDespacho();
    const bool nueva = !conn->TableExists(QStringLiteral("SISTEM"));
    auto ajusta = [&](bool aplica) {
        bool cambia = false;
        for (const auto& t : tablas) {
            if (!conn->TableExists(t.Name)) {
                cambia = true;
                if (!aplica) continue;
                conn->CreateTable(t);
                // A new office gets the agenda types the program itself writes; an older one keeps its own.
                if (nueva && platform::db::StorageName(t.Name) == QLatin1String("tipoagendas"))
                    for (const char* tipo : {"GENERAL", "ECONOMICOS", "ECONOMICO", "ESCRITOS Y CARTAS"})
                        conn->Insert(QStringLiteral("TIPOAGENDAS"), {QStringLiteral("TIPO")}, {QVariant(QString::fromLatin1(tipo))});
                // The single row of office settings that every counter lives in, set as an office
                // starts today: euros, with the VAT and withholding in force.
                if (platform::db::StorageName(t.Name) == QLatin1String("sistem"))
                    conn->Insert(QStringLiteral("SISTEM"),
                                 {QStringLiteral("NUMERO"), QStringLiteral("MONEDA"), QStringLiteral("EURO"), QStringLiteral("IVA"),
                                  QStringLiteral("IRPF"), QStringLiteral("EDITOR")},
                                 {QVariant(qlonglong(1)), QVariant(QStringLiteral("E")), QVariant(166.386), QVariant(21), QVariant(15),
                                  QVariant(QStringLiteral("Word2000"))});
                continue;
            }
            // Each model index is compared with its own stored one, which mending another leaves as it was.
            if (t.Indexes.empty()) continue;
            const auto leida = conn->Layout(t.Name);
            const platform::db::TTableDesc& guardada = *leida;
            for (const auto& modelo : t.Indexes) {
                const auto* ix = IndiceGuardado(guardada, modelo);
                if (ix && MismosCampos(ix->Fields, modelo.Fields) && ix->Unique == modelo.Unique) continue;
                // A table that lacks the fields is not ours to mend: it fails to open, saying why.
                if (std::any_of(modelo.Fields.begin(), modelo.Fields.end(), [&](const QString& f) { return guardada.ColumnIndex(f) < 0; }))
                    continue;
                cambia = true;
                if (!aplica) continue;
                if (ix) conn->DropIndex(t.Name, *ix);
                conn->AddIndex(t.Name, modelo);
            }
        }
        return cambia;
    };
    if (!ajusta(false) || conn->ReadOnly()) return;  // data opened for reading is shown as it is
    EnTransaccion([&] { ajusta(true); });
}

void TDat::AbreAnoEnCurso() {
    int ano = 0, mes = 0, dia = 0;
    DecodeDate(Date(), ano, mes, dia);
    auto conn = Db->Connection();
    if (conn->ReadOnly()) return;  // data opened for reading: the year's row comes with the first writer
    platform::db::TCursorSpec fila;
    fila.Table = QStringLiteral("TABCON");
    fila.Columns = QStringList{QStringLiteral("ANO")};
    fila.OrderCols = {0};
    fila.Low = fila.High = {QVariant(ano)};
    fila.HasLow = fila.HasHigh = true;
    auto falta = [&] { return conn->Count(fila) == 0; };
    // Only the first start of a year writes: the others take no write lock from the workstations at work.
    if (!falta()) return;
    EnTransaccion([&] {
        if (falta())
            conn->Insert(QStringLiteral("TABCON"), {QStringLiteral("ANO"), QStringLiteral("CONTEXP"), QStringLiteral("NUMFACTU"), QStringLiteral("CONTCON")},
                         {QVariant(ano), QVariant(QString()), QVariant(0), QVariant(QString())});
    });
    TTabcon->Refresh();
}

void TDat::Introduce(TObject*, bool& continuar) {
    Session->AddPassword(QString::fromLatin1(ClaveMaestra));
    continuar = true;
}

// ---------------------------------------------------------------------------------------------- shared handlers

void TDat::error(TDataSet* dataSet, EDatabaseError& e, TDataAction& action) {
    if (FNumerando == dataSet) DeshaceNumeracion();
    // The change this write belonged to fails with it: undone before the message, or its write
    // lock would keep every other workstation (the one holding the row too) from saving for as
    // long as the message stays unanswered.
    if (Db->InTransaction()) {
        DeshaceNumeracion();
        try {
            if (Db->InTransaction()) Db->Rollback();
        } catch (const Exception&) {
            // the caller's own rollback reports it
        }
    }
    if (auto* engine = dynamic_cast<EDBEngineError*>(&e)) {
        const int codigo = engine->ErrorCount() > 0 ? engine->Errors(0).ErrorCode : 0;
        const QString texto = engine->ErrorCount() > 0 ? engine->Errors(0).Message : e.Message();
        switch (codigo) {
        case 0x2801: MensajeError(QStringLiteral("REGISTRO EN USO")); break;
        case 0x2601: MensajeError(QStringLiteral("CLAVE DUPLICADA")); break;
        case 0x2813: MensajeError(dataSet->Name() + QStringLiteral(" MODIFICADO POR OTRO USUARIO")); break;
        default:
            MessageDlg(QStringLiteral("Error :") + IntToStr(codigo) + QChar(13) + texto, mtError, TMsgDlgButtons(mbOK), 0);
            break;
        }
    } else {
        // Not an engine error (a required field left empty...): still say why nothing was saved.
        MensajeError(e.Message());
    }
    action = daAbort;
    // Told: the command this write belonged to must not read again on its way out.
    if (comun::FalloDeLaBase(e)) throw comun::EAbortoSinBase();
}

void TDat::grabaDatos(TDataSet* dataSet) { GuardaCambios(dataSet); }

void TDat::refresca(TDataSet* dataSet) {
    if (!dataSet->Active() || dataSet->State() != dsBrowse) return;
    // The current user row is the user logged in: deleted by another workstation, it stays as
    // last read, or the refresh would move on to the next user and hand over that user's rights.
    if (dataSet == TPriv && !TPriv->IsEmpty() && !TPriv->BookmarkValid(TPriv->GetBookmark())) return;
    dataSet->Refresh();
}

void TDat::RefrescaAgendas() {
    for (TTable* v : FVistasAgenda) refresca(v);
}

void TDat::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != opRemove) return;
    FVistasAgenda.erase(std::remove(FVistasAgenda.begin(), FVistasAgenda.end(), component), FVistasAgenda.end());
    FConjuntos.erase(std::remove(FConjuntos.begin(), FConjuntos.end(), component), FConjuntos.end());
}

void TDat::RefrescaTablas() {
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* t = dynamic_cast<TTable*>(Components(i)))
            if (t->Active()) refresca(t);
}

// ---------------------------------------------------------------------------------------------- numbering

// Runs `cuerpo` inside the numbering transaction of `ds`'s coming post: the write lock is taken
// before the body reads a counter or a highest number, so no other workstation reads the same one
// until this record and its number are committed together. The transaction ends with the post,
// whatever way the post ends: committed as soon as the row is written (a failed commit fails the
// post and keeps the record), rolled back otherwise.
void TDat::EnNumeracion(TDataSet* ds, const std::function<void()>& cuerpo) {
    if (FNumerando) DeshaceNumeracion();
    auto conn = Db->Connection();
    const bool propia = !conn->InTransaction();
    try {
        if (propia) conn->StartTransaction();
        FNumerando = ds;
        FTransaccionPropia = propia;
        ds->BindToPost([this, ds](bool escrito) {
            if (FNumerando != ds) return;
            if (escrito) ConfirmaNumeracion();
            else DeshaceNumeracion();
        });
        cuerpo();
    } catch (EDatabaseError& e) {
        DeshaceNumeracion();
        TDataAction action = daFail;
        error(ds, e, action);
        Abort();
    } catch (...) {
        DeshaceNumeracion();
        throw;
    }
}

qint64 TDat::MayorNumero(const QString& campo, const QString& tabla) {
    FQContador->Close();
    FQContador->SQL()->SetText(QStringLiteral("SELECT MAX(%1) FROM %2").arg(campo, tabla));
    FQContador->Open();
    const qint64 valor = FQContador->IsEmpty() ? 0 : FQContador->Fields()->Fields(0)->AsInteger();
    FQContador->Close();
    return valor;
}

// The number that follows `contador`. A counter left behind its table (rows written past it by
// another program, a copy restored over the settings) would give a number already used, on every
// try: then the table's highest number is followed instead.
qint64 TDat::SiguienteNumero(qint64 contador, const QString& campo, const QString& tabla) {
    FQContador->Close();
    FQContador->SQL()->SetText(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2 = %3").arg(tabla, campo).arg(contador + 1));
    FQContador->Open();
    const bool usado = FQContador->Fields()->Fields(0)->AsInteger() > 0;
    FQContador->Close();
    return usado ? std::max(contador, MayorNumero(campo, tabla)) + 1 : contador + 1;
}

void TDat::Numera(TDataSet* ds, const QString& campo, const QString& contador, const QString& tabla) {
    EnNumeracion(ds, [&] {
        FQContador->Close();
        FQContador->SQL()->SetText(QStringLiteral("SELECT NUMERO, %1 FROM SISTEM ORDER BY NUMERO").arg(contador));
        FQContador->Open();
        qint64 valor = 0;
        int fila = 1;
        if (FQContador->IsEmpty()) {
            Db->Connection()->Insert(QStringLiteral("SISTEM"), {QStringLiteral("NUMERO")}, {QVariant(qlonglong(1))});
        } else {
            valor = FQContador->Fields()->Fields(1)->AsInteger();
            fila = FQContador->Fields()->Fields(0)->AsInteger();
        }
        FQContador->Close();
        TField* numero = ds->FieldByName(campo);
        if (ds->State() == dsInsert) numero->SetAsInteger(int(SiguienteNumero(valor, campo, tabla)));
        if (!numero->IsNull() && numero->AsInteger() > valor) {
            FQContador->SQL()->SetText(QStringLiteral("UPDATE SISTEM SET %1 = :VALOR WHERE NUMERO = :FILA").arg(contador));
            FQContador->ParamByName(QStringLiteral("VALOR"))->SetAsInteger(numero->AsInteger());
            FQContador->ParamByName(QStringLiteral("FILA"))->SetAsInteger(fila);
            FQContador->ExecSQL();
        }
    });
}

void TDat::NumeraLibre(TDataSet* ds, const QString& campo, const QString& tabla) {
    TField* numero = ds->FieldByName(campo);
    if (ds->State() != dsInsert || (!numero->IsNull() && numero->AsInteger() != 0)) return;
    EnNumeracion(ds, [&] { numero->SetAsInteger(int(MayorNumero(campo, tabla) + 1)); });
}

void TDat::NumeraApunteAgenda(TQuery* insercion) {
    auto conn = Db->Connection();
    qint64 valor = 0;
    DentroDeTransaccion([&] {
        TQuery q(nullptr);
        q.SetDatabaseName(FQContador->DatabaseName());
        q.SQL()->SetText(QStringLiteral("SELECT NUMERO, AGENDA FROM SISTEM ORDER BY NUMERO"));
        q.Open();
        int fila = 1;
        if (q.IsEmpty()) {
            conn->Insert(QStringLiteral("SISTEM"), {QStringLiteral("NUMERO")}, {QVariant(qlonglong(1))});
        } else {
            valor = q.Fields()->Fields(1)->AsInteger();
            fila = q.Fields()->Fields(0)->AsInteger();
        }
        q.Close();
        valor = SiguienteNumero(valor, QStringLiteral("ORDEN"), QStringLiteral("AGENDA"));
        q.SQL()->SetText(QStringLiteral("UPDATE SISTEM SET AGENDA = :VALOR WHERE NUMERO = :FILA"));
        q.ParamByName(QStringLiteral("VALOR"))->SetAsInteger(int(valor));
        q.ParamByName(QStringLiteral("FILA"))->SetAsInteger(fila);
        q.ExecSQL();
    });
    insercion->ParamByName(QStringLiteral("ORDEN"))->SetAsInteger(int(valor));
    insercion->ParamByName(QStringLiteral("USUARIO"))->SetAsString(Usuario());
    if (TSistem->Active() && TSistem->State() == dsBrowse) TSistem->Refresh();
}

void TDat::DeshaceNumeracion() {
    const bool propia = FTransaccionPropia;
    FNumerando = nullptr;
    FTransaccionPropia = false;
    if (propia && Db->InTransaction()) Db->Rollback();
}

void TDat::ConfirmaNumeracion() {
    const bool propia = FTransaccionPropia;
    FNumerando = nullptr;
    FTransaccionPropia = false;
    if (!propia) return;
    try {
        Db->Commit();
    } catch (...) {
        if (Db->InTransaction()) Db->Rollback();
        throw;
    }
}

void TDat::TerminaNumeracion(TDataSet* ds) {
    if (FNumerando == ds) ConfirmaNumeracion();  // only when the post ran without its dataset's guard
    comun::RefrescaGuardado(TSistem);
    GuardaCambios(ds);
}

// ---------------------------------------------------------------------------------------------- people

namespace {
// What the data module checks and writes for each party table: the key, numbered from the
// SISTEM counter of the same name; the fields a record cannot be saved without, in the order
// they are checked, with their messages; the question before deleting, and the count of case
// files that refuses the deletion when above 0 (a query of the module on the record shown);
// the display name "APELLIDOS,NOMBRE".
struct TReglasPersona {
    const char* Tabla;
    const char* Clave;
    std::vector<std::pair<const char*, const char*>> Requeridos;
    const char* Pregunta;
    const char* Nombre;
    TQuery* TDat::*Cuenta = nullptr;
    const char* CampoCuenta = nullptr;
    const char* Rechazo = nullptr;
    bool ApellidosSiFalla = false;  // a name that cannot be built is the surname alone
};

const char* const SinApellidos = "APELLIDOS no puede quedar vacío";

const std::vector<TReglasPersona>& ReglasPersonas() {
    static const std::vector<TReglasPersona> reglas = {
        {"ABOCLI", "ABOCLI", {{"NOMBRE", "Nombre no puede quedar vacío"}, {"APELLIDOS", SinApellidos}}, "¿Borrar ABOGADO?",
         "NOMABOCLI", &TDat::QExpAbo, "NUMERO", "Hay expedientes de éste ABOGADO"},
        {"CLIENTES", "CLIENTE", {{"APELLIDOS", SinApellidos}}, "¿Borrar CLIENTE?", "NOMCLI", &TDat::QNumCli, "NUMCLI",
         "Hay expedientes con éste CLIENTE por defecto", true},
        {"CONTRARIOS", "CONTRARIO", {{"APELLIDOS", SinApellidos}}, "¿Borrar CONTRARIO?", "NOMCON", &TDat::QNumCon, "NUMCON",
         "Hay expedientes con éste CONTRARIO por defecto"},
        {"ABOGADOS", "ABOGADO", {{"APELLIDOS", SinApellidos}}, "¿Borrar ABOGADO?", "NOMABO"},
        {"PROCU", "PROCU", {{"APELLIDOS", SinApellidos}, {"PARTIDO", "PARTIDO JUDICIAL no puede quedar vacío"}},
         "¿Borrar PROCURADOR?", "NOMPROCU"},
        {"PERITOS", "PERITO", {{"APELLIDOS", SinApellidos}, {"PROFESION", "PROFESIÓN no puede quedar vacío"}},
         "¿Borrar PERITO?", "NOMPERITO"},
    };
    return reglas;
}

// The rules of the party table under `ds`, whichever cursor it is.
const TReglasPersona& ReglasDe(TDataSet* ds) {
    const auto* t = dynamic_cast<const TTable*>(ds);
    const QString tabla = t ? t->TableName() : QString();
    for (const TReglasPersona& r : ReglasPersonas())
        if (tabla.compare(QLatin1String(r.Tabla), Qt::CaseInsensitive) == 0) return r;
    throw EDatabaseError(QStringLiteral("Tabla sin reglas de persona: ") + (ds ? ds->Name() : QString()));
}

QString L(const char* texto) { return QString::fromUtf8(texto); }
}  // namespace

void TDat::NombreCalculado(TDataSet* ds, const QString& campo) {
    ds->FieldByName(campo)->SetAsString(ds->FieldByName(QStringLiteral("APELLIDOS"))->AsString() + QLatin1Char(',') +
                                        ds->FieldByName(QStringLiteral("NOMBRE"))->AsString());
}

void TDat::PersonaBeforePost(TDataSet* ds) {
    const TReglasPersona& r = ReglasDe(ds);
    for (const auto& [campo, mensaje] : r.Requeridos) Exige(!TextoVacio(ds, campo), L(mensaje));
    Numera(ds, L(r.Clave), L(r.Clave), L(r.Tabla));
}

void TDat::PersonaAfterPost(TDataSet* ds) { TerminaNumeracion(ds); }

void TDat::PersonaBeforeDelete(TDataSet* ds) {
    const TReglasPersona& r = ReglasDe(ds);
    if (r.Cuenta) {
        TQuery* cuenta = this->*r.Cuenta;
        Reabre(cuenta);
        Exige(cuenta->FieldByName(L(r.CampoCuenta))->AsInteger() == 0, L(r.Rechazo));
    }
    Confirma(L(r.Pregunta));
}

void TDat::PersonaCalcFields(TDataSet* ds) {
    const TReglasPersona& r = ReglasDe(ds);
    if (!r.ApellidosSiFalla) return NombreCalculado(ds, L(r.Nombre));
    try {
        NombreCalculado(ds, L(r.Nombre));
    } catch (const Exception&) {
        ds->FieldByName(L(r.Nombre))->SetAsString(ds->FieldByName(QStringLiteral("APELLIDOS"))->AsString());
    }
}

void TDat::TClientesNewRecord(TDataSet* ds) { ds->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(QString()); }

void TDat::TPoderesBeforePost(TDataSet* ds) {
    Exige(!TextoVacio(ds, "PODER"), QStringLiteral("PODER no puede quedar vacío"));
}
void TDat::TPoderesBeforeDelete(TDataSet*) { Confirma(QStringLiteral(" ¿ Borrar PODER ? ")); }
void TDat::TPoderesNewRecord(TDataSet* ds) {
    if (TClientes->Active() && !TClientes->IsEmpty())
        ds->FieldByName(QStringLiteral("CLIENTE"))->SetAsInteger(TClientes->FieldByName(QStringLiteral("CLIENTE"))->AsInteger());
    ds->FieldByName(QStringLiteral("FECHA"))->SetAsDateTime(Date());
}

// ---------------------------------------------------------------------------------------------- case files and economics

void TDat::TExpedCalcFields(TDataSet* ds) {
    double total = 0;
    for (const char* f : {"PRINCIPAL", "IMPORTE", "INTERESES"}) {
        TField* campo = ds->FieldByName(QString::fromLatin1(f));
        if (!campo->IsNull()) total += campo->AsFloat();
    }
    ds->FieldByName(QStringLiteral("EXPTOTAL"))->SetAsFloat(total);
}

void TDat::TExpCliBeforeDelete(TDataSet*) { Confirma(QStringLiteral(" ¿ Quitar Cliente del Expediente ? ")); }
void TDat::TExpConBeforeDelete(TDataSet*) { Confirma(QStringLiteral(" ¿ Quitar Contrario del Expediente ? ")); }

void TDat::TConContaBeforeDelete(TDataSet*) { Confirma(QStringLiteral(" ¿ Borrar CONCEPTO ECONÓMICO ? ")); }
void TDat::TConContaNewRecord(TDataSet* ds) { ds->FieldByName(QStringLiteral("TIPO"))->SetAsInteger(1); }

void TDat::TCuentasBeforePost(TDataSet* ds) {
    Exige(!TextoVacio(ds, "FECHA"), QStringLiteral("FECHA no puede quedar vacía"));
    Exige(!TextoVacio(ds, "CONCEPTO"), QStringLiteral("CONCEPTO no puede quedar vacío"));
    Exige(ds->FieldByName(QStringLiteral("TIPO"))->AsInteger() != 0, QStringLiteral("TIPO no puede quedar vacío"));
    Exige(ds->FieldByName(QStringLiteral("IMPORTE"))->AsFloat() != 0, QStringLiteral("IMPORTE no puede quedar vacío"));
    Numera(ds, QStringLiteral("ORDEN"), QStringLiteral("CUENTAS"), QStringLiteral("CUENTAS"));
}
void TDat::TCuentasAfterPost(TDataSet* ds) { TerminaNumeracion(ds); }
void TDat::TCuentasBeforeDelete(TDataSet*) {
    Confirma(QStringLiteral("¿Borrar APUNTE ECONÓMICO?"));
    Reabre(QSaldo);
}
void TDat::TCuentasNewRecord(TDataSet* ds) {
    if (TExped->Active() && !TExped->IsEmpty()) {
        ds->FieldByName(QStringLiteral("ANO"))->SetAsString(TExped->FieldByName(QStringLiteral("ANO"))->AsString());
        ds->FieldByName(QStringLiteral("NUMERO"))->SetAsString(TExped->FieldByName(QStringLiteral("NUMERO"))->AsString());
    }
    ds->FieldByName(QStringLiteral("ORDEN"))->SetAsInteger(0);
    ds->FieldByName(QStringLiteral("TIPO"))->SetAsInteger(0);
    ds->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(0);
}
void TDat::TCuentasCalcFields(TDataSet* ds) {
    static const char* const letras[] = {"G", "S", "D", "P"};
    const int tipo = ds->FieldByName(QStringLiteral("TIPO"))->AsInteger();
    ds->FieldByName(QStringLiteral("TIPOSTRING"))->SetAsString(QString::fromLatin1(letras[tipo >= 1 && tipo <= 3 ? tipo : 0]));
}

// ---------------------------------------------------------------------------------------------- agenda

void TDat::TConAgendasBeforePost(TDataSet* ds) {
    Exige(!TextoVacio(ds, "CONCEPTO"), QStringLiteral("DESCRIPCIÓN debe tener valor"));
    // A new concept takes the next free code, so the entry editor can find it by code.
    NumeraLibre(ds, QStringLiteral("CODIGO"), QStringLiteral("CONAGENDAS"));
}
void TDat::TConAgendasBeforeDelete(TDataSet*) { Confirma(QStringLiteral("¿Borrar CONCEPTO DE AGENDA?")); }
void TDat::TConAgendasNewRecord(TDataSet* ds) { ds->FieldByName(QStringLiteral("TIPOAGENDA"))->SetAsString(QStringLiteral("GENERAL")); }

namespace {
QString UsuarioActual(TTable* priv) {
    if (!priv->Active() || priv->IsEmpty()) return QString();
    return priv->FieldByName(QStringLiteral("Usuario"))->AsString();
}
}  // namespace

QString TDat::Usuario() const { return UsuarioActual(TPriv); }

void TDat::TAgenBeforePost(TDataSet* ds) {
    Exige(!TextoVacio(ds, "FECHA"), QStringLiteral("FECHA no puede quedar vacía"));
    Exige(!TextoVacio(ds, "HORA"), QStringLiteral("HORA no puede quedar vacía"));
    ds->FieldByName(QStringLiteral("USUARIO"))->SetAsString(UsuarioActual(TPriv));
    Numera(ds, QStringLiteral("ORDEN"), QStringLiteral("AGENDA"), QStringLiteral("AGENDA"));
}
void TDat::TAgenAfterPost(TDataSet* ds) { TerminaNumeracion(ds); }
void TDat::TAgenBeforeDelete(TDataSet*) { Confirma(QStringLiteral("¿Borrar APUNTE AGENDA ?")); }
void TDat::QAgendasBeforeDelete(TDataSet*) { Confirma(QStringLiteral("¿Borrar APUNTE AGENDA ?")); }
void TDat::QAgenExpBeforeDelete(TDataSet*) { Confirma(QStringLiteral("¿Borrar APUNTE AGENDA ?")); }
void TDat::TAgenNewRecord(TDataSet* ds) {
    if (TAboCli->Active() && !TAboCli->IsEmpty())
        ds->FieldByName(QStringLiteral("ABOCLI"))->SetAsInteger(TAboCli->FieldByName(QStringLiteral("ABOCLI"))->AsInteger());
    ds->FieldByName(QStringLiteral("ORDEN"))->SetAsInteger(0);
    ds->FieldByName(QStringLiteral("CODIGO"))->SetAsInteger(0);
    ds->FieldByName(QStringLiteral("HORA"))->SetAsDateTime(Time());
    ds->FieldByName(QStringLiteral("FECHA"))->SetAsDateTime(Date());
    ds->FieldByName(QStringLiteral("TIPOAGENDA"))->SetAsString(QStringLiteral("GENERAL"));
    ds->FieldByName(QStringLiteral("TIPO"))->SetAsString(QStringLiteral("P"));
    ds->FieldByName(QStringLiteral("USUARIO"))->SetAsString(UsuarioActual(TPriv));
}

void TDat::TAgen3CalcFields(TDataSet* ds) {
    QString exped;
    try {
        const QString ano = ds->FieldByName(QStringLiteral("ANO"))->AsString();
        if (!ano.isEmpty()) {
            const QString tipo = ds->FieldByName(QStringLiteral("TIPO"))->AsString();
            QChar letra = QLatin1Char(' ');
            if (tipo == QLatin1String("E") || tipo == QLatin1String("X")) letra = QLatin1Char('E');
            else if (tipo == QLatin1String("C") || tipo == QLatin1String("Y")) letra = QLatin1Char('C');
            exped = QString(letra) + QLatin1Char(' ') + ano + QLatin1Char('/') + ds->FieldByName(QStringLiteral("NUMERO"))->AsString();
        }
    } catch (const Exception&) {
        exped.clear();
    }
    ds->FieldByName(QStringLiteral("EXPED"))->SetAsString(exped);
}

// ---------------------------------------------------------------------------------------------- documents and users

void TDat::TEscritosBeforePost(TDataSet* ds) { Numera(ds, QStringLiteral("ESCRITO"), QStringLiteral("ESCRITO"), QStringLiteral("ESCRITOS")); }
void TDat::TEscritosAfterPost(TDataSet* ds) { TerminaNumeracion(ds); }

void TDat::TPrivBeforePost(TDataSet* ds) {
    Exige(!TextoVacio(ds, "Usuario"), QStringLiteral("USUARIO no puede quedar vacío"));
    Exige(!TextoVacio(ds, "Contrasenia"), QStringLiteral("CONTRASEÑA no puede quedar vacía"));
    // Only the hash of a password is ever stored.
    TField* contrasenia = ds->FieldByName(QStringLiteral("Contrasenia"));
    if (!comun::ContraseniaCifrada(contrasenia->AsString()))
        contrasenia->SetAsString(comun::CifraContrasenia(contrasenia->AsString()));
}
void TDat::TPrivBeforeDelete(TDataSet* ds) {
    Exige(ds->FieldByName(QStringLiteral("Usuario"))->AsString() != QLatin1String("SUPERVISOR"),
          QStringLiteral("SUPERVISOR no puede ser borrado"));
    Confirma(QStringLiteral(" ¿ Borrar USUARIO ? "));
}
void TDat::TPrivNewRecord(TDataSet* ds) {
    for (const char* f : {"Privacidad", "Expedientes", "Consulta", "Agenda", "Modelos", "Fusion", "Listados", "Economico", "General"})
        ds->FieldByName(QString::fromLatin1(f))->SetAsBoolean(false);
    ds->FieldByName(QStringLiteral("Abogado"))->SetAsInteger(0);
}
