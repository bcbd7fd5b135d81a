#include "shell/UPrivacidad.h"

#include "comun/UComunes.h"
#include "comun/UData.h"
#include "shell/rptLisPriv.h"

TFPrivacidad* FPrivacidad = nullptr;

namespace {
const QString Ninguno = QStringLiteral("NINGUNO");
const QString Todos = QStringLiteral("TODOS");
}  // namespace

TDataSet* TFPrivacidad::Tabla() const { return Dat->TPriv; }

TFPrivacidad::TFPrivacidad(TComponent* owner) : TFormRegistro(owner) {
    SetName(QStringLiteral("FPrivacidad"));
    SetCaption(QStringLiteral("Control de Accesos"));
    SetHelpContext(250);
    if (!Dat->TPriv->IsEmpty()) FSesion = Dat->TPriv->FieldByName(QStringLiteral("Usuario"))->AsString();
    constexpr int Fila = 26;
    FijaTamano(520, AreaTop() + 8 * Fila + 10 + 36);

    QAbogados = new TQuery(this);
    QAbogados->SetName(QStringLiteral("QAbogados"));
    QAbogados->SetDatabaseName(Dat->Db->DatabaseName());
    QAbogados->SQL()->Add(QStringLiteral("SELECT NOMBRE || ' ' || APELLIDOS AS NOMABO, ABOCLI"));
    QAbogados->SQL()->Add(QStringLiteral("FROM ABOCLI"));

    auto etiqueta = [&](const QString& texto, int left, int width, int fila) {
        auto* l = new TLabel(this);
        l->SetParent(this);
        l->SetAutoSize(false);
        l->SetAlignment(taRightJustify);
        l->SetBounds(left, AreaTop() + fila * Fila + 3, width, 16);
        l->SetCaption(texto);
        return l;
    };
    etiqueta(QStringLiteral("Usuario :"), 8, 96, 0);
    DBUser = new TDBEdit(this);
    DBUser->SetName(QStringLiteral("DBUser"));
    DBUser->SetParent(this);
    DBUser->SetBounds(108, AreaTop(), 140, 21);
    DBUser->SetCharCase(ecUpperCase);
    DBUser->SetDataSource(ActiveSource);
    DBUser->SetDataField(QStringLiteral("Usuario"));
    etiqueta(QStringLiteral("Contraseña :"), 256, 100, 0);
    DBEdit2 = new TEdit(this);
    DBEdit2->SetName(QStringLiteral("DBEdit2"));
    DBEdit2->SetParent(this);
    DBEdit2->SetBounds(360, AreaTop(), 140, 21);
    DBEdit2->SetCharCase(ecUpperCase);
    DBEdit2->SetMaxLength(10);
    DBEdit2->SetPasswordChar(QLatin1Char('*'));
    // Not bound to the table, so it takes typing only while the user is edited, as the bound boxes.
    DBEdit2->SetReadOnly(true);
    DBEdit2->SetHint(QStringLiteral("Vacía: la contraseña no cambia"));
    DBEdit2->SetShowHint(true);

    auto derecho = [&](const char* nombre, const char* campo, const QString& texto, int columna, int fila) {
        const int left = columna == 0 ? 8 : 256;
        const int ancho = columna == 0 ? 196 : 200;
        etiqueta(texto, left, ancho, fila);
        auto* cb = new TDBCheckBox(this);
        cb->SetName(QString::fromLatin1(nombre));
        cb->SetParent(this);
        cb->SetBounds(left + ancho + 6, AreaTop() + fila * Fila + 2, 40, 17);
        cb->SetDataSource(ActiveSource);
        cb->SetDataField(QString::fromLatin1(campo));
        cb->SetValueChecked(QStringLiteral("True"));
        cb->SetValueUnchecked(QStringLiteral("False"));
        cb->SetCaption(QStringLiteral("No"));
        cb->OnClick = TNotifyEvent(this, &TFPrivacidad::cbPrivClick);
        return cb;
    };
    cbPriv = derecho("cbPriv", "Privacidad", QStringLiteral("Privacidad :"), 0, 2);
    cbModelos = derecho("cbModelos", "Modelos", QStringLiteral("Modelos de Escritos y Cartas :"), 0, 3);
    cbListados = derecho("cbListados", "Listados", QStringLiteral("Informes :"), 0, 4);
    cbGeneral = derecho("cbGeneral", "General", QStringLiteral("Datos Generales :"), 0, 5);
    cbExped = derecho("cbExped", "Expedientes", QStringLiteral("Expedientes :"), 1, 2);
    cbConsul = derecho("cbConsul", "Consulta", QStringLiteral("Consultas :"), 1, 3);
    cbAgenda = derecho("cbAgenda", "Agenda", QStringLiteral("Agenda :"), 1, 4);
    cbEscritos = derecho("cbEscritos", "Fusion", QStringLiteral("Escritos y Cartas :"), 1, 5);
    cbEconomico = derecho("cbEconomico", "Economico", QStringLiteral("Económico :"), 1, 6);

    etiqueta(QStringLiteral("Acceso a datos de :"), 8, 196, 7);
    cbAbogado = new TComboBox(this);
    cbAbogado->SetName(QStringLiteral("cbAbogado"));
    cbAbogado->SetParent(this);
    cbAbogado->SetStyle(csDropDownList);
    cbAbogado->SetBounds(210, AreaTop() + 7 * Fila, 290, 21);

    cbAbogado->OnChange = TNotifyEvent(this, &TFPrivacidad::cbAbogadoChange);
    BtOk->OnClick = TNotifyEvent(this, &TFPrivacidad::btOkClick);
    OnCreate = TNotifyEvent(this, &TFPrivacidad::FormCreate);
    OnShow = TNotifyEvent(this, &TFPrivacidad::FormShow);
    DoCreate();
}

TFPrivacidad::~TFPrivacidad() {
    if (FPrivacidad == this) FPrivacidad = nullptr;
}

std::vector<TDBCheckBox*> TFPrivacidad::Derechos() const {
    return {cbPriv, cbModelos, cbListados, cbExped, cbConsul, cbAgenda, cbEscritos, cbEconomico, cbGeneral};
}

void TFPrivacidad::FormCreate(TObject*) {
    cbAbogado->Items()->Clear();
    FCodigos.clear();
    cbAbogado->Items()->Add(Ninguno);
    FCodigos.push_back(0);
    cbAbogado->Items()->Add(Todos);
    FCodigos.push_back(-1);
    QAbogados->Close();
    QAbogados->Open();
    for (QAbogados->First(); !QAbogados->Eof(); QAbogados->Next()) {
        cbAbogado->Items()->Add(QAbogados->FieldByName(QStringLiteral("NOMABO"))->AsString());
        FCodigos.push_back(QAbogados->FieldByName(QStringLiteral("ABOCLI"))->AsInteger());
    }
    cbAbogado->SetItemIndex(0);
}

void TFPrivacidad::FormShow(TObject*) { RegistroCambiado(); }

bool TFPrivacidad::EsSupervisor() const {
    return !Dat->TPriv->IsEmpty() && Dat->TPriv->FieldByName(QStringLiteral("Usuario"))->AsString() == QLatin1String("SUPERVISOR");
}

// The rights of "SUPERVISOR" never change, nor does its name.
void TFPrivacidad::EstadoCambiado(TDataSetState estado) {
    const bool editando = estado == dsEdit || estado == dsInsert;
    const bool supervisor = estado != dsInsert && EsSupervisor();
    for (TDBCheckBox* cb : Derechos()) cb->SetEnabled(editando && !supervisor);
    cbAbogado->SetEnabled(editando && !supervisor);
    DBUser->SetEnabled(!supervisor);
    DBEdit2->SetReadOnly(!editando);
    if (!editando) DBEdit2->SetText(QString());
    // A new user starts from its own "NINGUNO", never from the lawyer of the user shown before.
    if (estado == dsInsert) MuestraAbogado();
}

void TFPrivacidad::RegistroCambiado() {
    Rotula();
    if (Dat->TPriv->State() == dsBrowse) {
        MuestraAbogado();
        DBUser->SetEnabled(!EsSupervisor());
    }
}

void TFPrivacidad::Rotula() {
    for (TDBCheckBox* cb : Derechos()) cb->SetCaption(cb->Checked() ? QStringLiteral("Si") : QStringLiteral("No"));
}

// By the code: two lawyers of the same name stay apart, and a code with no lawyer shows blank
// and is kept.
void TFPrivacidad::MuestraAbogado() {
    int indice = -1;
    if (!Dat->TPriv->IsEmpty()) {
        const int codigo = Dat->TPriv->FieldByName(QStringLiteral("Abogado"))->AsInteger();
        for (size_t i = 0; i < FCodigos.size(); ++i)
            if (FCodigos[i] == codigo) {
                indice = int(i);
                break;
            }
    } else {
        indice = 0;
    }
    cbAbogado->SetItemIndex(indice);
}

void TFPrivacidad::cbPrivClick(TObject* sender) {
    if (auto* cb = dynamic_cast<TDBCheckBox*>(sender)) cb->SetCaption(cb->Checked() ? QStringLiteral("Si") : QStringLiteral("No"));
}

void TFPrivacidad::cbAbogadoChange(TObject*) {
    const bool alguno = cbAbogado->Text() != Ninguno;
    TDataSet* t = Dat->TPriv;
    const bool editando = t->State() == dsEdit || t->State() == dsInsert;
    for (TDBCheckBox* cb : {cbExped, cbConsul, cbAgenda, cbEconomico, cbEscritos}) {
        if (editando) t->FieldByName(cb->DataField())->SetAsBoolean(alguno);
        cb->SetEnabled(alguno);
    }
    Rotula();
}

void TFPrivacidad::btOkClick(TObject* sender) {
    TDataSet* t = Dat->TPriv;
    if (t->State() != dsEdit && t->State() != dsInsert) return;
    const int indice = cbAbogado->ItemIndex();
    if (indice >= 0 && indice < int(FCodigos.size()))
        t->FieldByName(QStringLiteral("Abogado"))->SetAsInteger(FCodigos[size_t(indice)]);
    // An empty box keeps the password; the data module stores only its hash.
    if (!DBEdit2->Text().isEmpty()) t->FieldByName(QStringLiteral("Contrasenia"))->SetAsString(DBEdit2->Text());
    BtOkClick(sender);
    if (t->State() == dsBrowse) DBEdit2->SetText(QString());
}

// The session's own user stays: deleted, the program would go on as whoever came next, with
// that user's rights and reach.
bool TFPrivacidad::PuedeBorrar() {
    if (EsSupervisor() || FSesion.isEmpty()) return true;
    if (Dat->TPriv->FieldByName(QStringLiteral("Usuario"))->AsString() != FSesion) return true;
    MensajeError(QStringLiteral("No puede borrar el USUARIO con el que ha entrado"));
    return false;
}

TFormRegistro::TBusqueda TFPrivacidad::Busqueda() const {
    return {QStringLiteral("Buscar Usuario"),
            QStringLiteral("Usuarios"),
            {QStringLiteral("SELECT USUARIO as NOMBRE "), QStringLiteral("FROM PRIVACIDAD ORDER BY NOMBRE")},
            false,
            QStringLiteral("Usuario"),
            {}};
}

void TFPrivacidad::LocalizaBuscado(TDataSet* elegido, const TBusqueda& busqueda) {
    Dat->TPriv->Locate(busqueda.Clave, elegido->FieldByName(QStringLiteral("NOMBRE"))->Value(), 0);
}

void TFPrivacidad::ImprimeFicha() {
    Application->CreateForm(FLisPriv);
    try {
        FLisPriv->QRLisPriv->Preview();
    } catch (...) {
        FLisPriv->Close();
        throw;
    }
    FLisPriv->Close();
}

void TFPrivacidad::MuestraPreview(TObject* sender) { TFLisPriv::MuestraPreview(sender); }

void TFPrivacidad::AlCerrar() { DBEdit2->SetText(QString()); }
