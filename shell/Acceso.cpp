#include "shell/Acceso.h"

#include "comun/Contrasenia.h"
#include "comun/UData.h"
#include "platform/db/DBTables.h"
#include "platform/rtl/Exceptions.h"
#include "shell/Inicio.h"
#include "shell/UPrograma.h"

int IntentosEntrada = 0;

namespace shell {

bool CompruebaUsuario(const QString& usuario, const QString& contrasenia) {
    TQuery q(nullptr);
    q.SetDatabaseName(QStringLiteral("ZEMBRA"));
    q.SQL()->SetText(QStringLiteral("SELECT Contrasenia FROM PRIVACIDAD WHERE Usuario = :USUARIO"));
    q.ParamByName(QStringLiteral("USUARIO"))->SetAsString(usuario);
    q.Open();
    if (q.IsEmpty()) return false;
    return comun::ContraseniaCorrecta(q.Fields()->Fields(0)->AsString(), contrasenia);
}

void AltaSupervisor() {
    TTable* priv = Dat->TPriv;
    if (!priv->IsEmpty()) return;
    // The program started twice at once on a new office: the one that writes second finds the
    // first one's user once it may write, instead of a duplicate key.
    Dat->EnTransaccion([priv] {
        priv->Refresh();
        if (!priv->IsEmpty()) return;
        priv->Append();
        priv->FieldByName(QStringLiteral("Usuario"))->SetAsString(QStringLiteral("SUPERVISOR"));
        priv->FieldByName(QStringLiteral("Contrasenia"))->SetAsString(QStringLiteral("KODRAM"));
        for (const char* f : {"Privacidad", "Expedientes", "Consulta", "Agenda", "Modelos", "Fusion", "Listados", "Economico", "General"})
            priv->FieldByName(QString::fromLatin1(f))->SetAsBoolean(true);
        priv->FieldByName(QStringLiteral("Abogado"))->SetAsInteger(-1);
        priv->Post();
    });
    priv->First();
}

QString UsuarioSesion() {
    if (!Dat || !Dat->TPriv->Active() || Dat->TPriv->IsEmpty()) return QString();
    return Dat->TPriv->FieldByName(QStringLiteral("Usuario"))->AsString();
}

}  // namespace shell

// ---------------------------------------------------------------------------------------------- login form

namespace {
TEdit* Caja(TForm* form, const QString& nombre, int top, int largo) {
    auto* e = new TEdit(form);
    e->SetName(nombre);
    e->SetParent(form);
    e->SetBounds(176, top, 136, 21);
    e->SetCharCase(ecUpperCase);
    e->SetMaxLength(largo);
    e->SetText(QString());
    return e;
}
TLabel* Etiqueta(TForm* form, const QString& nombre, const QString& texto, int top) {
    auto* l = new TLabel(form);
    l->SetName(nombre);
    l->SetParent(form);
    l->SetBounds(96, top + 3, 76, 16);
    l->SetCaption(texto);
    return l;
}
}  // namespace

TEntrada::TEntrada(TComponent* owner) : TForm(owner) {
    SetName(QStringLiteral("Entrada"));
    SetBorderStyle(bsDialog);
    SetBorderIcons(0);
    SetPosition(poScreenCenter);
    SetCaption(QStringLiteral("Identificación"));
    SetKeyPreview(true);
    SetHelpContext(101);
    SetClientWidth(328);
    SetClientHeight(150);
    Font()->SetName(QStringLiteral("MS Sans Serif"));

    Image1 = new TImage(this);
    Image1->SetName(QStringLiteral("Image1"));
    Image1->SetParent(this);
    Image1->SetBounds(10, 10, 72, 72);
    Image1->Picture()->Bitmap()->FromImage(shell::DibujoBalanza(72, -0.4));

    Label3 = new TLabel(this);
    Label3->SetName(QStringLiteral("Label3"));
    Label3->SetParent(this);
    Label3->SetBounds(10, 88, 80, 16);
    Label3->SetAlignment(taCenter);
    Label3->SetCaption(QStringLiteral("Zembra 4.0"));
    Label3->Font()->SetStyle(TFontStyles{fsBold});

    Label1 = Etiqueta(this, QStringLiteral("Label1"), QStringLiteral("Usuario :"), 16);
    Label2 = Etiqueta(this, QStringLiteral("Label2"), QStringLiteral("Contraseña :"), 48);
    ENombre = Caja(this, QStringLiteral("ENombre"), 16, 15);
    EPassword = Caja(this, QStringLiteral("EPassword"), 48, 10);
    EPassword->SetPasswordChar(QLatin1Char('*'));
    Label1->SetFocusControl(ENombre);
    Label2->SetFocusControl(EPassword);

    BitBtn1 = new TBitBtn(this);
    BitBtn1->SetName(QStringLiteral("BitBtn1"));
    BitBtn1->SetParent(this);
    BitBtn1->SetBounds(136, 110, 84, 28);
    BitBtn1->SetCaption(QStringLiteral("OK"));

    BitBtn2 = new TBitBtn(this);
    BitBtn2->SetName(QStringLiteral("BitBtn2"));
    BitBtn2->SetParent(this);
    BitBtn2->SetBounds(228, 110, 84, 28);
    BitBtn2->SetKind(bkNo);

    OnShow = TNotifyEvent(this, &TEntrada::FormShow);
    OnKeyPress = TKeyPressEvent(this, &TEntrada::FormKeyPress);
    OnClose = TCloseEvent(this, &TEntrada::FormClose);
    BitBtn1->OnClick = TNotifyEvent(this, &TEntrada::BitBtn1Click);
    DoCreate();
}

TEntrada::~TEntrada() {
    if (Entrada == this) Entrada = nullptr;
}

void TEntrada::FormShow(TObject*) { IntentosEntrada = 0; }

void TEntrada::BitBtn1Click(TObject*) {
    // Typed text as it stands: upper case, blanks counted. The users table is moved only when
    // the password is right, so a refused attempt never lends anyone another user's rights.
    const QString usuario = ENombre->Text();
    if (shell::CompruebaUsuario(usuario, EPassword->Text()) &&
        Dat->TPriv->Locate(QStringLiteral("Usuario"), Variant(usuario), 0)) {
        SetModalResult(mrOk);
        return;
    }
    if (++IntentosEntrada >= 3) {
        SetModalResult(mrNo);
        return;
    }
    FocusControl(ENombre);
}

void TEntrada::FormKeyPress(TObject*, QChar& key) {
    if (key != QChar(13)) return;
    SelectNext(ActiveControl(), true, true);
    key = QChar(0);
}

void TEntrada::FormClose(TObject*, TCloseAction& action) { action = caFree; }
